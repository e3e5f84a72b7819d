#include "AppLists.h"
#include "AppModel.h"
#include "DetachedTask.h"
#include "FakeMetadata.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime day(int d)
{
    return QDateTime(QDate(2026, 4, d), QTime(9, 30), Qt::UTC);
}

AppInfo record(const QString& id, const QString& name, OptionalDate lastAccessed = {},
               OptionalDate modified = {})
{
    return AppInfo(id, name, u"/Applications/"_s + name + u".app"_s, u"1"_s, lastAccessed, modified, {});
}

class ModelTest : public ::testing::Test
{
protected:
    // An App Store application at relative ("system/..." or "home/Applications/..."), named as its id.
    void install(const QString& relative, const QString& id, int lastUsedDay)
    {
        m_tree.makeBundle(relative, id, ++m_itemID);
        m_metadata->add(m_tree.pathOf(relative), id, day(lastUsedDay));
    }
    std::unique_ptr<AppModel> makeModel()
    {
        auto model = std::make_unique<AppModel>(m_preferences, AppScanner(m_system, m_home, m_metadata));
        m_finished = std::make_unique<QSignalSpy>(model.get(), &AppModel::rescanFinished);
        return model;
    }
    // Whether the model has finished count rescans in all, waiting for them.
    bool finished(int count)
    {
        return QTest::qWaitFor([&] { return m_finished->count() >= count; }, 20000);
    }
    std::unique_ptr<AppModel> makeIdleModel()
    {
        auto model = makeModel();
        EXPECT_TRUE(finished(1));
        return model;
    }
    // "apps | visible apps | ignored | ignored as stored | reviewed as stored", sorted but the visible.
    std::string state(const AppModel& model) const
    {
        const auto sorted = [](QStringList ids) {
            ids.sort();
            return ids.join(u',');
        };
        return QStringList { sorted(idsOf(model.apps())), idsOf(model.visibleApps()).join(u','),
                             sorted(model.ignoredIDs().values()),
                             sorted(m_preferences.loadIgnoredIDs().values()),
                             sorted(m_domain->value(PreferencesService::ReviewDatesKey).toMap().keys()) }
            .join(u" | "_s)
            .toStdString();
    }

    FixtureTree m_tree;
    QString m_system = m_tree.makeFolder(u"system"_s);
    QString m_home = m_tree.makeFolder(u"home"_s);
    qlonglong m_itemID = 1000;
    std::shared_ptr<FakeMetadata> m_metadata = std::make_shared<FakeMetadata>();
    std::shared_ptr<MemoryDefaultsDomain> m_domain = std::make_shared<MemoryDefaultsDomain>();
    PreferencesService m_preferences { m_domain };
    std::unique_ptr<QSignalSpy> m_finished;
};

} // namespace

// An empty or incomplete scan far more likely means an unreadable disk than every application
// removed: only a full catalogue prunes the store.
TEST_F(ModelTest, ScansRunAfterCreationAndOnlyAFullCatalogueIsPruned)
{
    m_preferences.addIgnoredIDs({ u"sofa"_s, u"gone"_s });
    m_domain->setValue(PreferencesService::ReviewDatesKey,
                       QVariantMap { { u"pastel"_s, day(1) }, { u"gone"_s, day(2) } });
    auto model = makeModel();
    QSignalSpy scanning(model.get(), &AppModel::isScanningChanged);
    // Creation only loads the ignore list; the scan waits for the event loop.
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(model->ignoredIDs(), (QSet<QString> { u"sofa"_s, u"gone"_s }));
    ASSERT_TRUE(finished(1));
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(scanning.count(), 2);
    EXPECT_EQ(state(*model), " |  | gone,sofa | gone,sofa | gone,pastel");

    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    install(u"system/Drafts.app"_s, u"drafts"_s, 5);
    install(u"home/Applications/Sofa.app"_s, u"sofa"_s, 4);
    model->rescan();
    ASSERT_TRUE(finished(2));
    // Not ignored, most recently used first; the user's folder comes last.
    EXPECT_EQ(state(*model), "drafts,pastel,sofa | drafts,pastel | sofa | sofa | pastel");
    EXPECT_EQ(model->apps().last().id(), u"sofa"_s);
    // The review date came from the store.
    EXPECT_EQ(model->visibleApps().at(1).lastReviewedDate(), std::optional(day(1)));

    // A folder that exists but cannot be listed.
    m_preferences.addIgnoredID(u"gone"_s);
    QDir(m_system).removeRecursively();
    ASSERT_EQ(::symlink("system", QFile::encodeName(m_system).constData()), 0);
    model->rescan();
    ASSERT_TRUE(finished(3));
    EXPECT_EQ(state(*model), "sofa |  | gone,sofa | gone,sofa | pastel");
}

// The result of a scan the model no longer waits for has nobody to apply it.
TEST_F(ModelTest, RescansRequestedWhileScanningAreDroppedAndTheModelCanGoMidScan)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    m_preferences.addIgnoredID(u"gone"_s);
    m_metadata->closeGate();
    auto model = makeModel();
    QSignalSpy scanning(model.get(), &AppModel::isScanningChanged);
    QSignalSpy apps(model.get(), &AppModel::appsChanged);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->isScanning() && m_metadata->lookups() > 0; }, 20000));

    model->rescan();
    // Switching to mock mode during a real scan flips the mode; its own rescan is dropped too.
    model->toggleMockMode();
    EXPECT_TRUE(model->isMockMode());
    QCoreApplication::processEvents();
    EXPECT_EQ(scanning.count(), 1);
    EXPECT_EQ(apps.count(), 1);

    model.reset();
    m_metadata->openGate();
    ASSERT_TRUE(DetachedTask::waitForAll(QDeadlineTimer(20000)));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_preferences.loadIgnoredIDs(), QSet<QString> { u"gone"_s });
}

TEST_F(ModelTest, MockModeIsSynchronousAndItsIgnoresArePrunedByTheNextRealScan)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    auto model = makeIdleModel();
    model->ignoreApps({ model->apps().first() });

    model->toggleMockMode();
    EXPECT_TRUE(model->isMockMode());
    EXPECT_EQ(model->apps().size(), 1); // the switch waits for the next turn
    ASSERT_TRUE(finished(2));
    EXPECT_EQ(model->apps().size(), 41);
    // A mock rescan completes inside the call.
    model->rescan();
    EXPECT_EQ(m_finished->count(), 3);
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(model->apps().size(), 41);

    const AppInfo sample = model->apps().at(3);
    model->ignoreApps({ sample });
    EXPECT_TRUE(m_preferences.loadIgnoredIDs().contains(sample.id()));
    EXPECT_TRUE(model->isIgnored(sample));
    EXPECT_EQ(model->visibleApps().size(), 40);

    model->toggleMockMode();
    ASSERT_TRUE(finished(4));
    EXPECT_FALSE(model->isMockMode());
    EXPECT_EQ(state(*model), "pastel |  | pastel | pastel | ");
}

TEST_F(ModelTest, ReviewDatesReachTheRowAndSurviveARescan)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    install(u"system/Sofa.app"_s, u"sofa"_s, 4);
    auto model = makeIdleModel();
    QSignalSpy apps(model.get(), &AppModel::appsChanged);
    const auto pastel = [&] { return *findApp(model->apps(), u"pastel"_s); };

    model->recordReview(model->visibleApps().at(1));
    const std::optional<QDateTime> stored = m_preferences.reviewDate(u"pastel"_s);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(apps.count(), 1);
    EXPECT_EQ(pastel().lastReviewedDate(), stored);
    // Sorting by review date sees an in-place change at once.
    model->setSortOrder({ SortComparator(SortComparator::Key::LastReviewedSortDate, Qt::DescendingOrder) });
    EXPECT_EQ(model->visibleApps().at(0).id(), u"pastel"_s);

    model->rescan();
    ASSERT_TRUE(finished(2));
    EXPECT_EQ(pastel().lastReviewedDate(), stored);

    apps.clear();
    model->resetReviewDates({ pastel(), record(u"not.installed"_s, u"X"_s) });
    EXPECT_EQ(apps.count(), 1);
    EXPECT_FALSE(pastel().lastReviewedDate().has_value());
    EXPECT_FALSE(m_preferences.reviewDate(u"pastel"_s).has_value());
    model->recordReview(*findApp(model->apps(), u"sofa"_s));
    EXPECT_EQ(model->visibleApps().at(1).id(), u"pastel"_s);

    // A review of something not in the catalogue is still stored.
    apps.clear();
    model->recordReview(record(u"not.installed"_s, u"X"_s));
    EXPECT_TRUE(m_preferences.reviewDate(u"not.installed"_s).has_value());
    EXPECT_EQ(apps.count(), 0);
}

TEST_F(ModelTest, IgnoringASelectionIsOneChangeOfTheListAndEquivalentIdsAreOneApplication)
{
    auto model = makeIdleModel();
    model->setApps({ record(u"a"_s, u"A"_s, day(1)), record(u"b"_s, u"B"_s, day(2)),
                     record(u"c"_s, u"C"_s, day(3)), record(u"com.caf\u00e9"_s, u"Café"_s, day(1)) });
    QSignalSpy ignored(model.get(), &AppModel::ignoredIDsChanged);
    model->ignoreApps({ model->apps().at(0), model->apps().at(2) });
    EXPECT_EQ(ignored.count(), 1);
    EXPECT_EQ(state(*model), "a,b,c,com.caf\u00e9 | b,com.caf\u00e9 | a,c | a,c | ");
    model->ignoreApps({ record(u"com.cafe\u0301"_s, u"Café"_s) });
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"b"_s }));
    model->recordReview(record(u"com.cafe\u0301"_s, u"Café"_s));
    EXPECT_TRUE(model->apps().at(3).lastReviewedDate().has_value());
}

TEST_F(ModelTest, VisibleAppsAreSearchedFilteredByTheIgnoreListAndSortedStably)
{
    auto model = makeIdleModel();
    // b and d were never used nor modified; e and a share a date; f only has a modification date; g,
    // the newest, is ignored.
    model->setApps({ record(u"a"_s, u"item 10"_s, day(2)), record(u"b"_s, u"Zeta"_s),
                     record(u"c"_s, u"Item 9"_s, day(6)), record(u"d"_s, u"zeta"_s),
                     record(u"e"_s, u"Alpha"_s, day(2)), record(u"f"_s, u"alpha"_s, std::nullopt, day(4)),
                     record(u"g"_s, u"Gamma"_s, day(9)) });
    model->ignoreApps({ model->apps().at(6) });
    using Key = SortComparator::Key;
    const SortComparator byName(Key::Name, Qt::AscendingOrder);
    const SortComparator byUse(Key::LastAccessedSortDate, Qt::DescendingOrder);
    struct Case
    {
        QString query;
        bool showingIgnored;
        SortOrder order;
        QString ids;
    };
    // clang-format off
    const QList<Case> cases {
        { {}, false, { byUse }, u"cfaebd"_s },
        { {}, false, { SortComparator(Key::Name, Qt::DescendingOrder) }, u"bdacef"_s },
        // Later comparators settle what earlier ones leave equal.
        { {}, false, { byName, byUse }, u"fecabd"_s },
        { {}, false, {}, u"abcdef"_s },
        { {}, true, { byUse }, u"g"_s },
        // By name or by id, as typed.
        { u"ZETA"_s, false, { byName }, u"bd"_s },
        { u"e"_s, false, { byName }, u"ecabd"_s },
        { u"gam"_s, true, {}, u"g"_s },
        { u"gam"_s, false, {}, {} },
    };
    // clang-format on
    for (const Case& c : cases) {
        model->setSearchQuery(c.query);
        model->setShowingIgnored(c.showingIgnored);
        model->setSortOrder(c.order);
        EXPECT_EQ(idsOf(model->visibleApps()).join(QString()), c.ids) << qPrintable(c.query);
    }

    // Names collate by the user's language, and marks tell names apart.
    model->setSearchQuery({});
    model->setShowingIgnored(false);
    model->setSortOrder({ byName });
    const QList<AppInfo> lettered { record(u"o"_s, u"öl"_s), record(u"z"_s, u"zoo"_s),
                                    record(u"r"_s, u"résumé"_s), record(u"s"_s, u"resume"_s) };
    model->setApps(lettered);
    EXPECT_EQ(idsOf(model->visibleApps()).join(QString()), u"osrz"_s);
    const QLocale previous;
    QLocale::setDefault(QLocale(u"sv_SE"_s));
    model->setApps(lettered);
    const QString swedish = idsOf(model->visibleApps()).join(QString());
    QLocale::setDefault(previous);
    EXPECT_EQ(swedish, u"srzo"_s);
}

TEST_F(ModelTest, OnlyRealChangesNotify)
{
    auto model = makeIdleModel();
    model->setApps({ record(u"a"_s, u"A"_s, day(1)) });
    QSignalSpy apps(model.get(), &AppModel::appsChanged);
    QSignalSpy showing(model.get(), &AppModel::showingIgnoredChanged);
    QSignalSpy query(model.get(), &AppModel::searchQueryChanged);
    QSignalSpy sort(model.get(), &AppModel::sortOrderChanged);
    QSignalSpy ignored(model.get(), &AppModel::ignoredIDsChanged);
    QSignalSpy mock(model.get(), &AppModel::isMockModeChanged);
    QSignalSpy visible(model.get(), &AppModel::visibleAppsChanged);
    const SortOrder byName { SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) };

    model->setShowingIgnored(false);
    model->setSearchQuery(QString());
    model->setSortOrder({ SortComparator(SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder) });
    model->ignoreApps({});
    model->unignoreApps({ model->apps().at(0) }); // not ignored: the stored list is written, unchanged
    model->resetIgnoreList();
    model->resetReviewDates({});
    for (QSignalSpy* spy : { &apps, &showing, &query, &sort, &ignored, &mock, &visible })
        EXPECT_EQ(spy->count(), 0);

    // The catalogue notifies on every assignment, also of the same list; the rest once per change.
    model->setApps(model->apps());
    for (int i = 0; i < 2; ++i) {
        model->setSearchQuery(u"a"_s);
        model->setShowingIgnored(true);
        model->setSortOrder(byName);
        model->ignoreApps({ model->apps().at(0) });
    }
    for (QSignalSpy* spy : { &apps, &showing, &query, &sort, &ignored })
        EXPECT_EQ(spy->count(), 1);
    EXPECT_EQ(visible.count(), 5);
}
