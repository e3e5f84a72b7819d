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
#include <QFile>
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
               OptionalDate modified = {}, OptionalDate reviewed = {})
{
    return AppInfo(id, name, u"/Applications/"_s + name + u".app"_s, u"1"_s, lastAccessed, modified,
                   reviewed);
}

QSet<QString> setOf(const QStringList& ids)
{
    return QSet<QString>(ids.cbegin(), ids.cend());
}

class ModelTest : public ::testing::Test
{
protected:
    // An App Store application in folder ("system" or "home/Applications").
    void install(const QString& folder, const QString& entry, const QString& id, const QString& name,
                 const QDateTime& lastUsed)
    {
        const QString relative = folder + u'/' + entry;
        m_tree.makeBundle(relative, id, m_nextItemID++);
        m_metadata->add(m_tree.pathOf(relative), name, lastUsed);
    }

    std::unique_ptr<AppModel> makeModel()
    {
        return std::make_unique<AppModel>(m_preferences, AppScanner(m_system, m_home, m_metadata));
    }

    // A model whose first rescan has ended.
    std::unique_ptr<AppModel> makeIdleModel()
    {
        auto model = makeModel();
        QSignalSpy finished(model.get(), &AppModel::rescanFinished);
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 20000));
        return model;
    }

    void storeReviewDates(const QVariantMap& dates)
    {
        m_domain->setValue(PreferencesService::ReviewDatesKey, dates);
    }
    QStringList storedReviewIDs() const
    {
        return m_domain->value(PreferencesService::ReviewDatesKey).toMap().keys();
    }

    FixtureTree m_tree;
    QString m_system = m_tree.makeFolder(u"system"_s);
    QString m_home = m_tree.makeFolder(u"home"_s);
    qlonglong m_nextItemID = 1000;
    std::shared_ptr<FakeMetadata> m_metadata = std::make_shared<FakeMetadata>();
    std::shared_ptr<MemoryDefaultsDomain> m_domain = std::make_shared<MemoryDefaultsDomain>();
    PreferencesService m_preferences { m_domain };
};

const AppInfo& withID(const QList<AppInfo>& apps, const QString& id)
{
    if (const AppInfo* app = findApp(apps, id))
        return *app;
    ADD_FAILURE() << "no record " << qPrintable(id);
    static const AppInfo none(QString(), QString(), QString(), QString(), {}, {}, {});
    return none;
}

} // namespace

TEST_F(ModelTest, FirstScanRunsAfterCreationAndPrunesTheStore)
{
    install(u"system"_s, u"Pastel.app"_s, u"com.example.pastel"_s, u"Pastel"_s, day(3));
    install(u"system"_s, u"Drafts.app"_s, u"com.example.drafts"_s, u"Drafts"_s, day(5));
    install(u"home/Applications"_s, u"Sofa.app"_s, u"com.example.sofa"_s, u"Sofa"_s, day(4));
    m_preferences.addIgnoredID(u"com.example.sofa"_s);
    m_preferences.addIgnoredID(u"gone.app"_s);
    storeReviewDates({ { u"com.example.pastel"_s, day(1) }, { u"gone.app"_s, day(2) } });

    auto model = makeModel();
    QSignalSpy scanning(model.get(), &AppModel::isScanningChanged);
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);

    // Creation only loads the ignore list; the scan waits for the event loop.
    EXPECT_FALSE(model->isScanning());
    EXPECT_TRUE(model->apps().isEmpty());
    EXPECT_EQ(model->ignoredIDs(), setOf({ u"com.example.sofa"_s, u"gone.app"_s }));
    EXPECT_EQ(m_metadata->lookups(), 0);

    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(scanning.count(), 2);
    // Within a folder the order is the file system's; the user's folder comes last.
    ASSERT_EQ(model->apps().size(), 3);
    EXPECT_EQ(setOf(idsOf(model->apps())),
              setOf({ u"com.example.pastel"_s, u"com.example.drafts"_s, u"com.example.sofa"_s }));
    EXPECT_EQ(model->apps().last().id(), u"com.example.sofa"_s);
    EXPECT_EQ(model->ignoredIDs(), setOf({ u"com.example.sofa"_s }));
    EXPECT_EQ(m_preferences.loadIgnoredIDs(), setOf({ u"com.example.sofa"_s }));
    EXPECT_EQ(storedReviewIDs(), QStringList({ u"com.example.pastel"_s }));

    // Not ignored, most recently used first; the review date came from the store.
    const QList<AppInfo> visible = model->visibleApps();
    EXPECT_EQ(idsOf(visible), QStringList({ u"com.example.drafts"_s, u"com.example.pastel"_s }));
    EXPECT_EQ(visible[1].lastReviewedDate(), std::optional(day(1)));
}

TEST_F(ModelTest, RescanRequestedWhileScanningIsDropped)
{
    install(u"system"_s, u"Pastel.app"_s, u"com.example.pastel"_s, u"Pastel"_s, day(3));
    m_metadata->closeGate();
    auto model = makeModel();
    QSignalSpy scanning(model.get(), &AppModel::isScanningChanged);
    QSignalSpy apps(model.get(), &AppModel::appsChanged);
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->isScanning(); }, 20000));
    EXPECT_TRUE(model->apps().isEmpty());

    model->rescan();
    // Switching to mock mode during a real scan flips the mode; its own rescan is dropped too.
    model->toggleMockMode();
    EXPECT_TRUE(model->isMockMode());
    QCoreApplication::processEvents();
    EXPECT_EQ(scanning.count(), 1);
    EXPECT_EQ(apps.count(), 1);

    m_metadata->openGate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(scanning.count(), 2);
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(idsOf(model->apps()), QStringList({ u"com.example.pastel"_s }));
}

TEST_F(ModelTest, NoPruningWithoutAFullCatalogue)
{
    m_preferences.addIgnoredID(u"com.example.pastel"_s);
    storeReviewDates({ { u"com.example.pastel"_s, day(1) } });

    // Nothing found at all: far more likely an unreadable disk than every application removed.
    auto model = makeIdleModel();
    EXPECT_TRUE(model->apps().isEmpty());
    EXPECT_EQ(model->ignoredIDs(), setOf({ u"com.example.pastel"_s }));
    EXPECT_EQ(storedReviewIDs(), QStringList({ u"com.example.pastel"_s }));

    // A folder that exists but cannot be listed: what it holds is unknown, so nothing is dropped.
    install(u"home/Applications"_s, u"Sofa.app"_s, u"com.example.sofa"_s, u"Sofa"_s, day(4));
    QDir(m_system).removeRecursively();
    ASSERT_EQ(::symlink("system", QFile::encodeName(m_system).constData()), 0);
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    model->rescan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(idsOf(model->apps()), QStringList({ u"com.example.sofa"_s }));
    EXPECT_EQ(model->ignoredIDs(), setOf({ u"com.example.pastel"_s }));
    EXPECT_EQ(storedReviewIDs(), QStringList({ u"com.example.pastel"_s }));
}

TEST_F(ModelTest, MockModeIsSynchronousAndItsIgnoresArePrunedByTheNextRealScan)
{
    install(u"system"_s, u"Pastel.app"_s, u"org.fixture.pastel"_s, u"Pastel"_s, day(3));
    auto model = makeIdleModel();
    model->ignoreApps({ model->apps().first() });

    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    model->toggleMockMode();
    EXPECT_TRUE(model->isMockMode());
    EXPECT_EQ(model->apps().size(), 1); // the switch waits for the next turn
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(model->apps().size(), 41);

    // A mock rescan completes inside the call.
    model->rescan();
    EXPECT_EQ(finished.count(), 2);
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(model->apps().size(), 41);

    const AppInfo sample = model->apps().at(3);
    model->ignoreApps({ sample });
    EXPECT_TRUE(m_preferences.loadIgnoredIDs().contains(sample.id()));
    EXPECT_TRUE(model->isIgnored(sample));
    EXPECT_EQ(model->visibleApps().size(), 40);

    model->toggleMockMode();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 3; }, 20000));
    EXPECT_FALSE(model->isMockMode());
    EXPECT_EQ(m_preferences.loadIgnoredIDs(), setOf({ u"org.fixture.pastel"_s }));
    EXPECT_EQ(model->ignoredIDs(), setOf({ u"org.fixture.pastel"_s }));
}

TEST_F(ModelTest, ReviewDatesReachTheRowAndSurviveARescan)
{
    const QString pastel = u"com.example.pastel"_s;
    install(u"system"_s, u"Pastel.app"_s, pastel, u"Pastel"_s, day(3));
    install(u"system"_s, u"Sofa.app"_s, u"com.example.sofa"_s, u"Sofa"_s, day(4));
    auto model = makeIdleModel();
    QSignalSpy apps(model.get(), &AppModel::appsChanged);
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);

    model->recordReview(model->visibleApps().at(1));
    const std::optional<QDateTime> stored = m_preferences.reviewDate(pastel);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(apps.count(), 1);
    EXPECT_EQ(withID(model->apps(), pastel).lastReviewedDate(), stored);
    EXPECT_LE(qAbs(stored->secsTo(QDateTime::currentDateTimeUtc())), 5);
    // Sorting by review date sees an in-place change at once.
    model->setSortOrder({ SortComparator(SortComparator::Key::LastReviewedSortDate, Qt::DescendingOrder) });
    EXPECT_EQ(model->visibleApps().at(0).id(), pastel);

    model->rescan();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 20000));
    EXPECT_EQ(withID(model->apps(), pastel).lastReviewedDate(), stored);

    apps.clear();
    model->resetReviewDates({ withID(model->apps(), pastel), record(u"not.installed"_s, u"X"_s) });
    EXPECT_EQ(apps.count(), 1);
    EXPECT_FALSE(withID(model->apps(), pastel).lastReviewedDate().has_value());
    EXPECT_FALSE(m_preferences.reviewDate(pastel).has_value());
    model->recordReview(withID(model->apps(), u"com.example.sofa"_s));
    EXPECT_EQ(model->visibleApps().at(1).id(), pastel);

    // A review of something not in the catalogue is still stored.
    apps.clear();
    model->recordReview(record(u"not.installed"_s, u"X"_s));
    EXPECT_TRUE(m_preferences.reviewDate(u"not.installed"_s).has_value());
    EXPECT_EQ(apps.count(), 0);
}

TEST_F(ModelTest, IgnoringASelectionIsOneChangeOfTheList)
{
    auto model = makeIdleModel();
    model->setApps(
        { record(u"a"_s, u"A"_s, day(1)), record(u"b"_s, u"B"_s, day(2)), record(u"c"_s, u"C"_s, day(3)) });
    QSignalSpy ignored(model.get(), &AppModel::ignoredIDsChanged);
    model->ignoreApps({ model->apps().at(0), model->apps().at(2) });
    EXPECT_EQ(ignored.count(), 1);
    EXPECT_EQ(m_preferences.loadIgnoredIDs(), setOf({ u"a"_s, u"c"_s }));
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"b"_s }));
}

TEST_F(ModelTest, CanonicallyEqualIdsAreOneApplication)
{
    auto model = makeIdleModel();
    model->setApps({ record(u"com.caf\u00e9"_s, u"Café"_s, day(1)) });
    model->ignoreApps({ record(u"com.cafe\u0301"_s, u"Café"_s) });
    EXPECT_TRUE(model->visibleApps().isEmpty());
    model->recordReview(record(u"com.cafe\u0301"_s, u"Café"_s));
    EXPECT_TRUE(model->apps().at(0).lastReviewedDate().has_value());
}

TEST_F(ModelTest, SortingIsStable)
{
    auto model = makeIdleModel();
    // b and d were never used nor modified; e and a share a date; f only has a modification date.
    model->setApps({ record(u"a"_s, u"item 10"_s, day(2)), record(u"b"_s, u"Zeta"_s),
                     record(u"c"_s, u"Item 9"_s, day(6)), record(u"d"_s, u"zeta"_s),
                     record(u"e"_s, u"Alpha"_s, day(2)), record(u"f"_s, u"alpha"_s, std::nullopt, day(4)) });
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"c"_s, u"f"_s, u"a"_s, u"e"_s, u"b"_s, u"d"_s }));

    model->setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::DescendingOrder) });
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"b"_s, u"d"_s, u"a"_s, u"c"_s, u"e"_s, u"f"_s }));

    // Later comparators settle what earlier ones leave equal.
    model->setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder),
                          SortComparator(SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder) });
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"f"_s, u"e"_s, u"c"_s, u"a"_s, u"b"_s, u"d"_s }));

    model->setSortOrder({});
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s }));

    // Names collate by the user's language, and marks tell names apart.
    model->setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) });
    const QList<AppInfo> lettered { record(u"o"_s, u"öl"_s), record(u"z"_s, u"zoo"_s),
                                    record(u"r1"_s, u"résumé"_s), record(u"r2"_s, u"resume"_s) };
    model->setApps(lettered);
    EXPECT_EQ(idsOf(model->visibleApps()), QStringList({ u"o"_s, u"r2"_s, u"r1"_s, u"z"_s }));
    const QLocale previous;
    QLocale::setDefault(QLocale(u"sv_SE"_s));
    model->setApps(lettered);
    const QStringList swedish = idsOf(model->visibleApps());
    QLocale::setDefault(previous);
    EXPECT_EQ(swedish, QStringList({ u"r2"_s, u"r1"_s, u"z"_s, u"o"_s }));
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

    model->setShowingIgnored(false);
    model->setSearchQuery(QString());
    model->setSortOrder({ SortComparator(SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder) });
    model->ignoreApps({});
    model->unignoreApps({ model->apps().at(0) }); // not ignored: the stored list is written, unchanged
    model->resetIgnoreList();
    model->resetReviewDates({});
    for (QSignalSpy* spy : { &apps, &showing, &query, &sort, &ignored, &mock, &visible })
        EXPECT_EQ(spy->count(), 0);

    // The catalogue notifies on every assignment, also of the same list.
    model->setApps(model->apps());
    EXPECT_EQ(apps.count(), 1);
    EXPECT_EQ(visible.count(), 1);

    model->setSearchQuery(u"a"_s);
    model->setSearchQuery(u"a"_s);
    model->setShowingIgnored(true);
    model->setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) });
    model->setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) });
    model->ignoreApps({ model->apps().at(0) });
    model->ignoreApps({ model->apps().at(0) });
    EXPECT_EQ(query.count(), 1);
    EXPECT_EQ(showing.count(), 1);
    EXPECT_EQ(sort.count(), 1);
    EXPECT_EQ(ignored.count(), 1);
    EXPECT_EQ(visible.count(), 5);
    EXPECT_EQ(apps.count(), 1);
}

TEST_F(ModelTest, DestroyingTheModelDuringAScanIsSafe)
{
    install(u"system"_s, u"Pastel.app"_s, u"com.example.pastel"_s, u"Pastel"_s, day(3));
    m_preferences.addIgnoredID(u"gone.app"_s);
    m_metadata->closeGate();
    auto model = makeModel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->isScanning() && m_metadata->lookups() > 0; }, 20000));
    model.reset();

    m_metadata->openGate();
    ASSERT_TRUE(DetachedTask::waitForAll(QDeadlineTimer(20000)));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    // The result had nobody left to apply it: the store is as it was.
    EXPECT_EQ(m_preferences.loadIgnoredIDs(), setOf({ u"gone.app"_s }));
}
