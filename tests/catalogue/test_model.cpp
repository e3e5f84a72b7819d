// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLists.h"
#include "AppModel.h"
#include "AppScanner.h"
#include "DetachedTask.h"
#include "FakeMetadata.h"
#include "FieldAssertions.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "TextSearch.h"
#include "VisibleOrder.h"

#include <QDeadlineTimer>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <array>
#include <ranges>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const auto day = [](int d) { return QDateTime(QDate(2026, 4, d), QTime(9, 30), Qt::UTC); };

AppInfo record(const QString& id, const QString& name, OptionalDate used = {}, OptionalDate modified = {})
{
    return AppInfo(AppId(id), name, u"/Applications/"_s + name + u".app"_s, u"1"_s, used, modified, {});
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
    // Idle: after its first scan.
    std::unique_ptr<AppModel> makeModel(bool idle = true)
    {
        auto model = std::make_unique<AppModel>(
            m_preferences, AppSources { std::make_shared<const AppScanner>(m_system, m_home, m_metadata) });
        m_finished = std::make_unique<QSignalSpy>(model.get(), &AppModel::rescanFinished);
        EXPECT_TRUE(!idle || finished(1));
        return model;
    }
    // Whether the model has finished n rescans in all, waiting for them.
    bool finished(int n)
    {
        return QTest::qWaitFor([&] { return m_finished->count() >= n; }, 20000);
    }
    // "apps | visible apps | ignored | ignored as stored | reviewed as stored", sorted but the visible.
    std::string state(const AppModel& model) const
    {
        const auto sorted = [](QStringList ids) {
            ids.sort();
            return ids.join(u',');
        };
        return QStringList { sorted(idsOf(model.apps())), idsOf(model.visibleApps()).join(u','),
                             sortedTexts(model.ignoredIDs()).join(u','),
                             sortedTexts(m_preferences.loadIgnoredIDs()).join(u','),
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
    m_preferences.addIgnoredIDs({ AppId(u"sofa"_s), AppId(u"gone"_s) });
    m_domain->setValue(PreferencesService::ReviewDatesKey,
                       QVariantMap { { u"pastel"_s, day(1) }, { u"gone"_s, day(2) } });
    auto model = makeModel(false);
    QSignalSpy scanning(model.get(), &AppModel::isScanningChanged);
    // Creation only loads the ignore list; the scan waits for the event loop.
    EXPECT_FALSE(model->isScanning());
    EXPECT_EQ(model->ignoredIDs(), (QSet { AppId(u"sofa"_s), AppId(u"gone"_s) }));
    ASSERT_TRUE(finished(1));
    EXPECT_FIELDS_EQ(std::tuple(model->isScanning(), scanning.count()), std::tuple(false, qsizetype(2)));
    EXPECT_EQ(state(*model), " |  | gone,sofa | gone,sofa | gone,pastel");

    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    install(u"system/Drafts.app"_s, u"drafts"_s, 5);
    install(u"home/Applications/Sofa.app"_s, u"sofa"_s, 4);
    model->rescan();
    ASSERT_TRUE(finished(2));
    // Not ignored, most recently used first; the user's folder comes last.
    EXPECT_EQ(state(*model), "drafts,pastel,sofa | drafts,pastel | sofa | sofa | pastel");
    // The review date came from the store.
    EXPECT_FIELDS_EQ(std::tuple(model->apps().last().id(), model->visibleApps().at(1).lastReviewedDate()),
                     std::tuple(AppId(u"sofa"_s), OptionalDate(day(1))));
}

// The result of a scan the model no longer waits for has nobody to apply it.
TEST_F(ModelTest, RescansRequestedWhileScanningAreDroppedAndTheModelCanGoMidScan)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    m_preferences.addIgnoredID(AppId(u"gone"_s));
    m_metadata->closeGate();
    auto model = makeModel(false);
    QSignalSpy scanning(model.get(), &AppModel::isScanningChanged), apps(model.get(), &AppModel::appsChanged);
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->isScanning() && m_metadata->lookups() > 0; }, 20000));

    model->rescan();
    // Switching to mock mode during a real scan flips the mode; its own rescan is dropped too.
    model->toggleMockMode();
    QCoreApplication::processEvents();
    EXPECT_FIELDS_EQ(std::tuple(model->isMockMode(), scanning.count(), apps.count()), std::tuple(true, 1, 1));

    model.reset();
    m_metadata->openGate();
    ASSERT_TRUE(DetachedTask::waitForAll(QDeadlineTimer(20000)));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(m_preferences.loadIgnoredIDs(), QSet { AppId(u"gone"_s) });
}

TEST_F(ModelTest, MockModeIsSynchronousAndItsIgnoresArePrunedByTheNextRealScan)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    auto model = makeModel();
    model->ignoreApps({ model->apps().first() });

    model->toggleMockMode();
    // The switch waits for the next turn.
    EXPECT_FIELDS_EQ(std::tuple(model->isMockMode(), model->apps().size()), std::tuple(true, qsizetype(1)));
    ASSERT_TRUE(finished(2));
    EXPECT_EQ(model->apps().size(), 41);
    // A mock rescan completes inside the call.
    model->rescan();
    EXPECT_FIELDS_EQ(std::tuple(m_finished->count(), model->isScanning(), model->apps().size()),
                     std::tuple(3, false, 41));

    const AppInfo sample = model->apps().at(3);
    model->ignoreApps({ sample });
    EXPECT_FIELDS_EQ(std::tuple(m_preferences.loadIgnoredIDs().contains(sample.id()),
                                model->isIgnored(sample), model->visibleApps().size()),
                     std::tuple(true, true, 40));

    model->toggleMockMode();
    ASSERT_TRUE(finished(4));
    EXPECT_FALSE(model->isMockMode());
    EXPECT_EQ(state(*model), "pastel |  | pastel | pastel | ");
}

TEST_F(ModelTest, ReviewDatesReachTheRowAndSurviveARescan)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    install(u"system/Sofa.app"_s, u"sofa"_s, 4);
    auto model = makeModel();
    QSignalSpy apps(model.get(), &AppModel::appsChanged);
    const auto pastel = [&] { return *findApp(model->apps(), u"pastel"_s); };

    model->recordReview(model->visibleApps().at(1));
    const OptionalDate stored = m_preferences.reviewDate(AppId(u"pastel"_s));
    ASSERT_TRUE(stored.has_value());
    EXPECT_FIELDS_EQ(std::tuple(apps.count(), pastel().lastReviewedDate()), std::tuple(qsizetype(1), stored));
    // Sorting by review date sees an in-place change at once.
    model->setSortOrder({ SortComparator(SortComparator::Key::LastReviewedSortDate, Qt::DescendingOrder) });
    EXPECT_EQ(model->visibleApps().at(0).id(), AppId(u"pastel"_s));

    model->rescan();
    ASSERT_TRUE(finished(2));
    EXPECT_EQ(pastel().lastReviewedDate(), stored);

    apps.clear();
    model->resetReviewDates({ pastel(), record(u"not.installed"_s, u"X"_s) });
    EXPECT_EQ(
        std::tuple(apps.count(), pastel().lastReviewedDate(), m_preferences.reviewDate(AppId(u"pastel"_s))),
        std::tuple(1, OptionalDate(), OptionalDate()));
    model->recordReview(*findApp(model->apps(), u"sofa"_s));
    EXPECT_EQ(model->visibleApps().at(1).id(), AppId(u"pastel"_s));

    // A review of something not in the catalogue is still stored.
    apps.clear();
    model->recordReview(record(u"not.installed"_s, u"X"_s));
    EXPECT_FIELDS_EQ(
        std::tuple(m_preferences.reviewDate(AppId(u"not.installed"_s)).has_value(), apps.count()),
        std::tuple(true, 0));
}

// A refresh changes the catalogue record by record without showing a scan, and keeps what the user
// did while it read. One asked for during a scan follows it, once for any number of requests; a
// rescan asked for during a refresh reads the stores afresh.
TEST_F(ModelTest, RefreshesChangeOnlyWhatChangedAndFollowTheScanUnderWay)
{
    install(u"system/Pastel.app"_s, u"pastel"_s, 3);
    install(u"system/Sofa.app"_s, u"sofa"_s, 4);
    m_preferences.addIgnoredID(AppId(u"sofa"_s));
    auto model = makeModel();
    QSignalSpy refreshed(model.get(), &AppModel::refreshFinished),
        scanning(model.get(), &AppModel::isScanningChanged),
        replaced(model.get(), &AppModel::appsAboutToBeReplaced);
    const auto refreshesDone = [&](int n) {
        const bool done = QTest::qWaitFor([&] { return refreshed.count() >= n; }, 20000);
        QTest::qWait(200);
        return done && refreshed.count() == n;
    };
    // Starts a refresh that waits at the gate once it has listed the folders.
    const auto holdRefresh = [&] {
        m_metadata->closeGate();
        const int lookups = m_metadata->lookups();
        model->refresh();
        return QTest::qWaitFor([&] { return m_metadata->lookups() > lookups; }, 20000);
    };

    QDir(m_tree.pathOf(u"system/Sofa.app"_s)).removeRecursively();
    install(u"system/Drafts.app"_s, u"drafts"_s, 5);
    ASSERT_TRUE(holdRefresh());
    model->refresh();
    model->refresh();
    m_metadata->openGate();
    EXPECT_TRUE(refreshesDone(2));
    EXPECT_EQ(state(*model), "drafts,pastel | drafts,pastel |  |  | ");
    EXPECT_FIELDS_EQ(std::tuple(scanning.count(), replaced.count()), std::tuple(0, 0));

    // One that could not read everything takes no record away; a review made while it read stays.
    model->ignoreApps({ *findApp(model->apps(), u"drafts"_s) });
    QDir(m_tree.pathOf(u"system/Drafts.app"_s)).removeRecursively();
    const QString broken = m_tree.writeFile(u"system/Broken.app/Contents/iTunesMetadata.plist"_s, "<plist");
    ASSERT_TRUE(holdRefresh());
    model->recordReview(*findApp(model->apps(), u"pastel"_s));
    m_metadata->openGate();
    EXPECT_TRUE(refreshesDone(3));
    EXPECT_EQ(state(*model), "drafts,pastel | pastel | drafts | drafts | pastel");
    EXPECT_EQ(findApp(model->apps(), u"pastel"_s)->lastReviewedDate(),
              m_preferences.reviewDate(AppId(u"pastel"_s)));

    QFile::remove(broken);
    ASSERT_TRUE(holdRefresh());
    install(u"system/Sofa.app"_s, u"sofa"_s, 4);
    model->rescan();
    EXPECT_FIELDS_EQ(std::tuple(model->isScanning(), model->apps().size()), std::tuple(true, 0));
    m_metadata->openGate();
    ASSERT_TRUE(finished(2));
    EXPECT_EQ(state(*model), "pastel,sofa | sofa,pastel |  |  | pastel");
    EXPECT_EQ(refreshed.count(), 3);
}

TEST(VisibleOrder, RecordsAreSearchedFilteredByTheIgnoreListAndSortedStably)
{
    // b and d were never used nor modified; e and a share a date; f only has a modification date; g,
    // the newest, is ignored.
    QList<AppInfo> apps {
        record(u"a"_s, u"item 10"_s, day(2)), record(u"b"_s, u"Zeta"_s),
        record(u"c"_s, u"Item 9"_s, day(6)),  record(u"d"_s, u"zeta"_s),
        record(u"e"_s, u"Alpha"_s, day(2)),   record(u"f"_s, u"alpha"_s, std::nullopt, day(4)),
        record(u"g"_s, u"Gamma"_s, day(9))
    };
    VisibleOrder order;
    order.setApps(apps);
    order.setIgnoredIDs({ AppId(u"g"_s) });
    const auto visible = [&] {
        QString ids;
        for (const qsizetype index : order.visibleIndexes())
            ids += apps.at(index).id().text();
        return ids;
    };
    using Key = SortComparator::Key;
    const SortComparator byName(Key::Name, Qt::AscendingOrder);
    const SortComparator byUse(Key::LastAccessedSortDate, Qt::DescendingOrder);
    // Query, showing ignored, order, visible ids.
    const QList<std::tuple<QString, bool, SortOrder, QString>> cases {
        { {}, false, { byUse }, u"cfaebd"_s },
        { {}, false, { SortComparator(Key::Name, Qt::DescendingOrder) }, u"bdacef"_s },
        { {}, false, {}, u"abcdef"_s },
        { {}, true, { byUse }, u"g"_s },
        // By name or by id, as typed.
        { u"ZETA"_s, false, { byName }, u"bd"_s },
        { u"e"_s, false, { byName }, u"ecabd"_s },
        { u"gam"_s, true, {}, u"g"_s },
        { u"gam"_s, false, {}, {} },
        // Later comparators settle what earlier ones leave equal.
        { {}, false, { byName, byUse }, u"fecabd"_s },
    };
    for (const auto& [query, showingIgnored, sortOrder, ids] : cases) {
        order.setSearchQuery(query);
        order.setShowingIgnored(showingIgnored);
        order.setSortOrder(sortOrder);
        EXPECT_EQ(visible(), ids) << qPrintable(query);
        // A view that filters and sorts by position agrees with the list.
        const QList<qsizetype> rows = order.visibleIndexes();
        for (qsizetype i = 0; i < apps.size(); ++i)
            EXPECT_EQ(order.isVisible(i), rows.contains(i)) << i;
        for (qsizetype i = 1; i < rows.size(); ++i)
            EXPECT_TRUE(order.sortsBefore(rows[i - 1], rows[i]) && !order.sortsBefore(rows[i], rows[i - 1]));
    }
    EXPECT_FALSE(order.isVisible(apps.size()));

    // A review date changed in place moves its record at once.
    order.setSearchQuery({});
    order.setShowingIgnored(false);
    order.setSortOrder({ SortComparator(Key::LastReviewedSortDate, Qt::DescendingOrder) });
    apps[3].setLastReviewedDate(day(1));
    order.setApp(3, apps[3]);
    EXPECT_EQ(visible().front(), u'd');

    // Names collate by the user's language, and marks tell names apart; a change of language
    // takes effect without the records being given again.
    apps = { record(u"o"_s, u"öl"_s), record(u"z"_s, u"zoo"_s), record(u"r"_s, u"résumé"_s),
             record(u"s"_s, u"resume"_s) };
    order.setApps(apps);
    order.setSortOrder({ byName });
    for (const auto& [locale, ids] : { std::pair(u"sv_SE"_s, u"srzo"_s), std::pair(u"en_US"_s, u"osrz"_s) }) {
        QLocale::setDefault(QLocale(locale));
        EXPECT_EQ(visible(), ids);
    }
}

TEST_F(ModelTest, OnlyRealChangesNotify)
{
    auto model = makeModel();
    model->setApps({ record(u"a"_s, u"A"_s, day(1)), record(u"b"_s, u"B"_s, day(2)) });
    AppModel* m = model.get();
    QSignalSpy apps(m, &AppModel::appsChanged), showing(m, &AppModel::showingIgnoredChanged),
        query(m, &AppModel::searchQueryChanged), sort(m, &AppModel::sortOrderChanged),
        ignored(m, &AppModel::ignoredIDsChanged), mock(m, &AppModel::isMockModeChanged),
        visible(m, &AppModel::visibleAppsChanged);

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
        model->setSortOrder({ SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) });
        model->ignoreApps(model->apps()); // a selection is one change of the list
    }
    for (QSignalSpy* spy : { &apps, &showing, &query, &sort, &ignored })
        EXPECT_EQ(spy->count(), 1);
    EXPECT_EQ(std::pair(visible.count(), state(*model)),
              std::pair(qsizetype(5), std::string("a,b | a | a,b | a,b | ")));
    model->resetIgnoreList();
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
}

namespace {

const QDateTime OldDate(QDate(2025, 2, 3), QTime(4, 5), Qt::UTC);
const QDateTime NewerDate(QDate(2025, 3, 3), QTime(4, 5), Qt::UTC);
const QString c = u"caf\u00e9"_s; // composed
const QString d = u"cafe\u0301"_s; // decomposed

// A domain in memory that counts the writes that reach it.
class CountingDomain : public MemoryDefaultsDomain
{
public:
    void modify(const QString& key, const Modifier& modifier) override
    {
        MemoryDefaultsDomain::modify(key, [&](const QVariant& current) {
            Change change = modifier(current);
            m_writes += change.kind != Change::Kind::Keep;
            return change;
        });
    }
    int m_writes = 0;
};

// A stored or loaded value as short text: lists sorted, dates as "old", "now" or themselves.
QString describe(const QVariant& value)
{
    const auto label = [](const QVariant& v) {
        const QDateTime date = v.toDateTime();
        if (v.typeId() == QMetaType::QDateTime)
            return date == OldDate                                        ? u"old"_s
                : qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) < 60 ? u"now"_s
                                                                          : date.toString(Qt::ISODate);
        return v.typeId() == QMetaType::QString
            ? v.toString()
            : u"%1:%2"_s.arg(QLatin1StringView(v.typeName()), v.toString());
    };
    const bool isList = value.typeId() == QMetaType::QVariantList;
    const QVariantMap map = value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
    QStringList entries;
    for (const QVariant& entry : isList ? value.toList() : QVariantList())
        entries.append(label(entry));
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        entries.append(it.key() + u'=' + label(it.value()));
    entries.sort();
    return isList                                  ? u'[' + entries.join(u',') + u']'
        : value.typeId() == QMetaType::QVariantMap ? u'{' + entries.join(u',') + u'}'
        : value.isValid()                          ? label(value)
                                                   : u"none"_s;
}

// Runs steps such as "ignore a, unignore b, prune-reviews a b" on the service.
void run(PreferencesService& service, const QString& steps)
{
    using Ids = QSet<AppId>;
    const QHash<QString, std::function<void(const AppId&, const Ids&)>> verbs {
        { u"ignore"_s, [&](const AppId& id, const Ids&) { service.addIgnoredID(id); } },
        { u"unignore"_s, [&](const AppId& id, const Ids&) { service.removeIgnoredID(id); } },
        { u"clear"_s, [&](const AppId&, const Ids&) { service.clearIgnoredIDs(); } },
        { u"prune-ignored"_s, [&](const AppId&, const Ids& ids) { service.pruneIgnoredIDs(ids); } },
        { u"review"_s, [&](const AppId& id, const Ids&) { service.recordReviewDate(id); } },
        { u"unreview"_s, [&](const AppId& id, const Ids&) { service.removeReviewDate(id); } },
        { u"prune-reviews"_s, [&](const AppId&, const Ids& ids) { service.pruneReviewDates(ids); } },
    };
    for (const QString& step : steps.split(u", "_s, Qt::SkipEmptyParts)) {
        const auto ids =
            step.split(u' ').mid(1) | std::views::transform([](const QString& w) { return AppId(w); });
        verbs.value(step.section(u' ', 0, 0))(AppId(step.section(u' ', 1, 1)), Ids(ids.begin(), ids.end()));
    }
}

TEST(Preferences, IgnoreListAndReviewDatesKeepWhatTheUserChoseAndWriteOnlyChanges)
{
    const QVariantMap texted { { u"texted"_s, u"2025-01-01"_s }, { u"old"_s, OldDate } };
    // Ignored and reviewed as stored before; the steps; the writes they make; both as stored after,
    // and as the service reads them.
    // clang-format off
    const QList<std::tuple<QVariant, QVariant, QString, int, QString, QString>> cases {
        // First launch: nothing stored, and pruning nothing writes nothing.
        { {}, {}, u"prune-ignored, prune-reviews"_s, 0, u"none none"_s, u"[] {}"_s },
        { {}, {}, u"ignore a, ignore a, ignore b"_s, 3, u"[a,b] none"_s, u"[a,b] {}"_s },
        { QVariantList { u"a"_s }, {}, u"unignore absent"_s, 1, u"[a] none"_s, u"[a] {}"_s },
        // An emptied list keeps its key until cleared.
        { QVariantList { u"a"_s }, {}, u"unignore a"_s, 1, u"[] none"_s, u"[] {}"_s },
        { QVariantList { u"a"_s }, {}, u"clear"_s, 1, u"none none"_s, u"[] {}"_s },
        // Mistyped values read as empty and stay until replaced.
        { QVariantList { u"a"_s, 5 }, {}, u"prune-ignored b"_s, 0, u"[a,qlonglong:5] none"_s, u"[] {}"_s },
        { u"a"_s, {}, u"prune-ignored"_s, 0, u"a none"_s, u"[] {}"_s },
        { QVariantList { u"a"_s, 5 }, {}, u"ignore b"_s, 1, u"[b] none"_s, u"[b] {}"_s },
        { {}, QVariantList { OldDate }, u"prune-reviews"_s, 0, u"none [old]"_s, u"[] {}"_s },
        { {}, QVariantList { OldDate }, u"review a"_s, 1, u"none {a=now}"_s, u"[] {a=now}"_s },
        { QVariantList { u"a"_s, u"b"_s, u"a"_s }, {}, u"prune-ignored a b c"_s, 0, u"[a,a,b] none"_s, u"[a,b] {}"_s },
        { QVariantList { u"a"_s, u"b"_s, u"a"_s }, {}, u"prune-ignored b"_s, 1, u"[b] none"_s, u"[b] {}"_s },
        { QVariantList { u"a"_s }, {}, u"prune-ignored"_s, 1, u"[] none"_s, u"[] {}"_s },
        { {}, QVariantMap { { u"a"_s, OldDate } }, u"review a"_s, 1, u"none {a=now}"_s, u"[] {a=now}"_s },
        { {}, QVariantMap { { u"a"_s, OldDate } }, u"unreview a, unreview a"_s, 2, u"none {}"_s, u"[] {}"_s },
        // Entries that are no dates are kept but never handed out.
        { {}, texted, u"review new, unreview old"_s, 2, u"none {new=now,texted=2025-01-01}"_s, u"[] {new=now}"_s },
        { {}, texted, u"prune-reviews texted old"_s, 0, u"none {old=old,texted=2025-01-01}"_s, u"[] {old=old}"_s },
        { {}, texted, u"prune-reviews old"_s, 1, u"none {old=old}"_s, u"[] {old=old}"_s },
        // Canonically equivalent ids are one id, whoever wrote which form.
        { {}, {}, u"ignore %1, ignore %2, prune-ignored %1"_s.arg(d, c), 2, u"[%1] none"_s.arg(c), u"[%1] {}"_s.arg(c) },
        { {}, QVariantMap { { d, NewerDate }, { c, OldDate } }, {}, 0, u"none {%1=2025-03-03T04:05:00Z,%2=old}"_s.arg(d, c), u"[] {%1=2025-03-03T04:05:00Z}"_s.arg(c) },
        { {}, QVariantMap { { d, OldDate } }, u"review "_s + c, 1, u"none {%1=now}"_s.arg(c), u"[] {%1=now}"_s.arg(c) },
    };
    // clang-format on
    const auto both = [](const QVariant& a, const QVariant& b) {
        return QString(describe(a) + u' ' + describe(b)).toStdString();
    };
    for (const auto& [ignoredBefore, reviewsBefore, steps, writes, storedAfter, loadedAfter] : cases) {
        SCOPED_TRACE(qPrintable(steps));
        const auto domain = std::make_shared<CountingDomain>();
        domain->setValue(PreferencesService::IgnoredIDsKey, ignoredBefore);
        domain->setValue(PreferencesService::ReviewDatesKey, reviewsBefore);
        domain->m_writes = 0;
        PreferencesService service(domain);
        run(service, steps);
        EXPECT_EQ(domain->m_writes, writes);
        const QVariant stored = domain->value(PreferencesService::ReviewDatesKey);
        EXPECT_EQ(both(domain->value(PreferencesService::IgnoredIDsKey), stored), storedAfter.toStdString());
        const ReviewDateMap dates = service.loadReviewDates();
        const QStringList ignored = sortedTexts(service.loadIgnoredIDs());
        QVariantMap loaded;
        for (auto it = dates.cbegin(); it != dates.cend(); ++it)
            loaded.insert(it.key().text(), it.value());
        EXPECT_EQ(both(QVariantList(ignored.cbegin(), ignored.cend()), loaded), loadedAfter.toStdString());
        // One id's date is found under either form, and only when it is a date.
        for (const QString& key : stored.toMap().keys()) {
            const AppId id(key);
            EXPECT_EQ(service.reviewDate(id),
                      dates.contains(id) ? std::optional(dates.value(id)) : std::nullopt);
        }
    }
}

const QDateTime Now(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC);

AppInfo makeApp(OptionalDate lastAccessed, OptionalDate modified, OptionalDate reviewed = std::nullopt,
                const QString& adamID = u"123"_s)
{
    return AppInfo(AppId(u"com.example.app"_s), u"Example"_s, u"/Applications/Example.app"_s, adamID,
                   lastAccessed, modified, reviewed);
}

// LC_ALL, LC_TIME and LANG; null: unset. The test environment leaves only LANG set.
void setDateSettings(const std::array<const char*, 3>& values)
{
    for (size_t i = 0; i < values.size(); ++i)
        values[i] ? qputenv(std::array { "LC_ALL", "LC_TIME", "LANG" }[i], values[i])
                  : qunsetenv(std::array { "LC_ALL", "LC_TIME", "LANG" }[i]);
}

} // namespace

TEST(AppRecord, LastAccessedPrefersLastUseAndFallsBackToModification)
{
    const QDateTime used(QDate(2026, 3, 1), QTime(8, 0), Qt::UTC);
    // A later modification date must not win over the last use.
    EXPECT_EQ(makeApp(used, Now).lastAccessedSortDate(), used);
    EXPECT_EQ(makeApp(std::nullopt, Now).lastAccessedSortDate(), Now);
    const AppInfo undated = makeApp(std::nullopt, std::nullopt);
    EXPECT_EQ(std::pair(undated.lastAccessedSortDate(), undated.lastReviewedSortDate()),
              std::pair(AppInfo::distantPast(), AppInfo::distantPast()));
    EXPECT_LT(AppInfo::distantPast(), QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
}

TEST(AppRecord, MediumDateFollowsTheDateSettingsAsTheCLibraryReadsThemAndTheUserZone)
{
    const AppInfo app =
        makeApp(QDateTime(QDate(2026, 12, 5), QTime(23, 30), Qt::UTC), std::nullopt, Now.addSecs(-30 * 3600));
    const std::pair<std::array<const char*, 3>, QString> cases[] = {
        { { nullptr, "fr_FR.UTF-8", "en_US.UTF-8" }, u"5 d\u00e9c. 2026"_s },
        { { "en_US.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8" }, u"Dec 5, 2026"_s },
        { { "", "fr_FR", "en_US.UTF-8" }, u"5 d\u00e9c. 2026"_s },
        { { nullptr, nullptr, "en_US.UTF-8" }, u"Dec 5, 2026"_s },
        // Script variants, in the C library's form and in ICU's (as sr_Latn for sr_RS@latin).
        { { nullptr, "uz_UZ.UTF-8", nullptr }, u"5-dek, 2026"_s },
        { { nullptr, "uz_UZ.UTF-8@cyrillic", nullptr }, u"5 \u0434\u0435\u043a, 2026"_s },
        { { nullptr, "uz_Cyrl_UZ", nullptr }, u"5 \u0434\u0435\u043a, 2026"_s },
        // Settings that name no language leave the dates to the user's locale.
        { { nullptr, "C.UTF-8", "en_US.UTF-8" }, u"05.12.2026"_s },
        { { "POSIX", "fr_FR.UTF-8", nullptr }, u"05.12.2026"_s },
        { { nullptr, nullptr, nullptr }, u"05.12.2026"_s },
    };
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QTranslator german;
    ASSERT_TRUE(german.load(u":/i18n/kudora_de.qm"_s));
    QCoreApplication::installTranslator(&german);
    for (const auto& [settings, text] : cases) {
        setDateSettings(settings);
        EXPECT_EQ(app.lastAccessedText(), text) << settings[0] << ' ' << settings[1] << ' ' << settings[2];
        // Dates only: the words of the review date stay in the language of the program's words.
        EXPECT_EQ(app.lastReviewedText(Now), u"gestern"_s);
    }
    // Without a German catalogue the program speaks English, and so do its relative dates, whatever
    // the locale ("C" among them, where ICU alone would say "1 hours ago").
    QCoreApplication::removeTranslator(&german);
    EXPECT_EQ(app.lastReviewedText(Now), u"yesterday"_s);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(AppInfo(AppId(u"x"_s), u"X"_s, {}, {}, {}, {}, Now.addSecs(-3600)).lastReviewedText(Now),
              u"1 hour ago"_s);
    setDateSettings({ nullptr, nullptr, "en_US.UTF-8" });
    QLocale::setDefault(saved);
    std::unique_ptr<icu::TimeZone> savedZone(icu::TimeZone::createDefault());
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8("Asia/Tokyo")));
    EXPECT_EQ(app.lastAccessedText(), u"Dec 6, 2026"_s);
    icu::TimeZone::adoptDefault(savedZone.release());
}

TEST(AppRecord, ReviewTextIsRelativeToTheMomentOfReading)
{
    // clang-format off
    const std::pair<qint64, QString> cases[] = {
        { 0, u"now"_s }, { -30, u"30 seconds ago"_s }, { -480, u"8 minutes ago"_s },
        { -5 * 3600 - 59 * 60, u"5 hours ago"_s }, { -30 * 3600, u"yesterday"_s }, { -9 * 86400, u"last week"_s },
        { -21 * 86400, u"3 weeks ago"_s }, { -40 * 86400, u"last month"_s }, { -(3 * 365 - 2) * 86400, u"2 years ago"_s },
        { 7200, u"in 2 hours"_s }, { 86400 + 60, u"tomorrow"_s },
    };
    // clang-format on
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(makeApp(std::nullopt, std::nullopt, Now.addSecs(seconds)).lastReviewedText(Now), text)
            << seconds;
    // Less than a second away still reads as now.
    EXPECT_EQ(makeApp(std::nullopt, std::nullopt, Now.addMSecs(-999)).lastReviewedText(Now), u"now"_s);
}

TEST(TextSearch, IgnoresCaseButNotMarksMatchesWholeCharactersAndTakesQueriesAsTyped)
{
    // Locale, text, query, found.
    const std::tuple<const char*, QString, QString, bool> cases[] = {
        { "en_US", u"Pastel"_s, u"pAST"_s, true },
        { "en_US", u"Café au lait"_s, u"CAFÉ"_s, true },
        { "en_US", u"Café"_s, u"cafe"_s, false },
        { "en_US", u"Pastel"_s, u"Pastels"_s, false },
        // Canonically equivalent texts match, marks in either order.
        { "en_US", u"Caf\u00e9"_s, u"Cafe\u0301"_s, true },
        { "en_US", u"x\u1e69y"_s, u"s\u0323\u0307"_s, true },
        // A base letter without its marks is another character, but a later plain one still counts.
        { "en_US", u"cafe\u0301"_s, u"cafe"_s, false },
        { "en_US", u"na\u0303o"_s, u"n"_s, true },
        { "en_US", u"\u00e9e"_s, u"e"_s, true },
        { "en_US", u"Caf\u00e9"_s, u"\u0301"_s, true },
        // Characters beyond the basic plane are never split.
        { "en_US", u"Smile \U0001F600 now"_s, u"\U0001F600"_s, true },
        { "en_US", u"\U0001F600"_s, QString(QChar(0xd83d)), false },
        // Full case folding: "ß" is "ss".
        { "en_US", u"Straße"_s, u"STRASSE"_s, true },
        { "en_US", u"STRASSE"_s, u"ß"_s, true },
        // The dot of "İ" is a mark like any other outside Turkish and Azeri.
        { "en_US", u"İstanbul"_s, u"istanbul"_s, false },
        { "tr_TR", u"İstanbul"_s, u"istanbul"_s, true },
        { "tr_TR", u"I\u0307stanbul"_s, u"istanbul"_s, true },
        { "tr_TR", u"istanbul"_s, u"İSTANBUL"_s, true },
        { "tr_TR", u"ISPARTA"_s, u"ısparta"_s, true },
        { "tr_TR", u"ISPARTA"_s, u"isparta"_s, false },
        { "tr_TR", u"İzmir"_s, u"ızmir"_s, false },
        // The dot is the I's past marks below (also beyond the basic plane), not past one above.
        { "tr_TR", u"I\u0307\u0323\U0001D167"_s, u"i\u0323\U0001D167"_s, true },
        { "tr_TR", u"I\u0301\u0307"_s, u"ı\u0301\u0307"_s, true },
        { "tr_TR", u"I\u0227"_s, u"ı\u0227"_s, true },
        // Hangul decomposes to three letters each, more than the first guess of room.
        { "en_US", u"한국어 맞춤법 검사기 프로그램"_s, u"프로그램"_s, true },
        // Blanks and dots are searched for like letters.
        { "en_US", u"Pastel"_s, QString(), true },
        { "en_US", QString(), u"a"_s, false },
        { "en_US", u"Final Cut"_s, u" "_s, true },
        { "en_US", u"Pastel"_s, u" "_s, false },
        { "en_US", u"Final  Cut"_s, u"  "_s, true },
        { "en_US", u"Final Cut"_s, u"  "_s, false },
        { "en_US", u"com.example.pastel"_s, u"EXAMPLE.Pas"_s, true },
    };
    const QLocale previous;
    for (const auto& [locale, text, query, found] : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        EXPECT_EQ(TextSearch::contains(text, query), found)
            << locale << ": " << qPrintable(text + u'/' + query);
    }
    QLocale::setDefault(previous);
}
