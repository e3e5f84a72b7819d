#include "AppLists.h"
#include "AppScanner.h"
#include "FakeMetadata.h"
#include "FileSystem.h"
#include "FixtureTree.h"
#include "MetadataItem.h"

#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime UsedDate(QDate(2026, 4, 20), QTime(9, 15), Qt::UTC);
const QDateTime ChangedDate(QDate(2025, 11, 2), QTime(17, 0), Qt::UTC);
const QDateTime ReviewedDate(QDate(2026, 1, 7), QTime(12, 0), Qt::UTC);

// Makes every new file descriptor fail while it lives, so that folders which exist cannot be listed
// even by a privileged user.
class NoFreeFileDescriptors
{
public:
    NoFreeFileDescriptors()
    {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        const int lowestFree = ::open("/dev/null", O_RDONLY);
        ::close(lowestFree);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(lowestFree);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ~NoFreeFileDescriptors() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }

private:
    rlimit m_saved {};
};

// The store number of the record with id, if there is one.
std::optional<QString> adamIDOf(const QList<AppInfo>& apps, const QString& id)
{
    const AppInfo* app = findApp(apps, id);
    return app ? std::optional(app->adamID()) : std::nullopt;
}

// The ".app" entries of folder in the order the file system lists them.
QStringList listedApps(const QString& folder)
{
    QStringList apps = FileSystem::listDirectory(folder).value_or(QStringList());
    apps.removeIf([](const QString& name) { return !name.endsWith(u".app"_s); });
    return apps;
}

class ScannerTest : public ::testing::Test
{
protected:
    AppScanner scanner() const { return AppScanner(m_system, m_home, m_metadata); }
    QList<AppInfo> scan(const ReviewDateMap& reviewDates = {}) const
    {
        return scanner().scanInstalledApps(reviewDates).apps;
    }

    // A bundle in the system folder whose only App Store id is in Contents/iTunesMetadata.plist.
    QString addApp(const QString& entry, const std::optional<QString>& bundleID, qlonglong itemId = 1)
    {
        return m_tree.makeBundle(u"Applications/"_s + entry, bundleID, itemId);
    }

    FixtureTree m_tree;
    QString m_system = m_tree.makeFolder(u"Applications"_s);
    QString m_home = m_tree.makeFolder(u"home"_s);
    std::shared_ptr<FakeMetadata> m_metadata = std::make_shared<FakeMetadata>();
};

TEST_F(ScannerTest, RecordsTakeEachFieldFromItsSource)
{
    const QString pastel = m_tree.makeBundle(u"Applications/Pastel.app"_s, u"com.colorloom.Pastel"_s);
    m_metadata->set(pastel,
                    { { AppScanner::appStoreAdamIDAttribute(), qlonglong(413897608) },
                      { kMDItemDisplayName.toString(), u"Pastel Colours"_s },
                      { kMDItemLastUsedDate.toString(), UsedDate },
                      { kMDItemFSContentChangeDate.toString(), ChangedDate } });
    const QString fresh = m_tree.makeBundle(u"Applications/Fresh.app"_s, u"com.example.fresh"_s);
    m_metadata->set(fresh,
                    { { AppScanner::appStoreAdamIDAttribute(), u"77"_s },
                      { kMDItemLastUsedDate.toString(), u"yesterday"_s },
                      { kMDItemFSContentChangeDate.toString(), ChangedDate } });

    const QList<AppInfo> apps =
        scan({ { u"com.colorloom.Pastel"_s, ReviewedDate }, { u"com.example.gone"_s, UsedDate } });
    ASSERT_EQ(apps.size(), 2);

    const AppInfo* app = findApp(apps, u"com.colorloom.Pastel"_s);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name(), u"Pastel Colours"_s);
    EXPECT_EQ(app->bundlePath(), m_system + u"/Pastel.app"_s);
    EXPECT_EQ(app->adamID(), u"413897608"_s);
    EXPECT_EQ(app->lastAccessedDate(), UsedDate);
    EXPECT_EQ(app->modificationDate(), ChangedDate);
    EXPECT_EQ(app->lastReviewedDate(), ReviewedDate);

    // Never launched (the last-use value is no date): the modification date still comes through.
    app = findApp(apps, u"com.example.fresh"_s);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->adamID(), u"77"_s);
    EXPECT_EQ(app->lastAccessedDate(), std::nullopt);
    EXPECT_EQ(app->modificationDate(), ChangedDate);
    EXPECT_EQ(app->lastReviewedDate(), std::nullopt);
}

TEST_F(ScannerTest, MetadataIdWinsAndIsNotRetriedFromPropertyLists)
{
    struct Case
    {
        QVariant metadataID;
        std::optional<QString> adamID;
    };
    const Case cases[] = {
        { u"+42"_s, u"+42"_s },
        { u"12a"_s, std::nullopt },
        { u"0"_s, std::nullopt },
        { u"-5"_s, std::nullopt },
        { QString(), std::nullopt },
        { u"9223372036854775808"_s, std::nullopt },
        { qlonglong(0), std::nullopt },
        { 77.0, u"77"_s },
        { 12.5, std::nullopt },
        // Neither number nor text: the property lists are asked instead.
        { true, u"999"_s },
    };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const QString path = addApp(u"App%1.app"_s.arg(i), u"test.%1"_s.arg(i), 999);
        m_metadata->set(path, { { AppScanner::appStoreAdamIDAttribute(), cases[i].metadataID } });
    }

    const QList<AppInfo> apps = scan();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        EXPECT_EQ(adamIDOf(apps, u"test.%1"_s.arg(i)), cases[i].adamID)
            << qPrintable(cases[i].metadataID.toString());
    }
}

TEST_F(ScannerTest, PropertyListIdMustBeAnExactInteger)
{
    // The wrapper's file holds the case's itemId; Contents holds 654, asked only when the wrapper's
    // value does not count.
    const auto xml = [](const char* itemId) -> QByteArray {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>itemId</key>"
            + QByteArray(itemId) + "</dict></plist>";
    };
    struct Case
    {
        QByteArray wrapperFile;
        std::optional<QString> adamID;
    };
    const Case cases[] = {
        { xml("<integer>321</integer>"), u"321"_s },
        { xml("<string>123</string>"), u"654"_s },
        { xml("<real>123</real>"), u"123"_s },
        { PropertyList::serialize(QVariantMap { { u"itemId"_s, 77.0 } }, PropertyList::Format::Binary),
          u"77"_s },
        { xml("<real>12.5</real>"), u"654"_s },
        { xml("<true/>"), u"654"_s },
        { "itemId = 7;", u"654"_s },
        // A whole number beyond the store's range is still the file's answer, and it fails.
        { xml("<integer>9223372036854775809</integer>"), std::nullopt },
        { xml("<real>1e30</real>"), std::nullopt },
    };
    for (int i = 0; i < int(std::size(cases)); ++i) {
        const QString entry = u"Applications/App%1.app"_s.arg(i);
        m_tree.makeWrappedBundle(entry, u"Inner.app"_s, u"test.%1"_s.arg(i));
        m_tree.writeFile(entry + u"/Wrapper/iTunesMetadata.plist"_s, cases[i].wrapperFile);
        m_tree.writePlist(entry + u"/Contents/iTunesMetadata.plist"_s, { { u"itemId"_s, 654 } });
    }

    const QList<AppInfo> apps = scan();
    for (int i = 0; i < int(std::size(cases)); ++i) {
        EXPECT_EQ(adamIDOf(apps, u"test.%1"_s.arg(i)), cases[i].adamID) << cases[i].wrapperFile.toStdString();
    }
}

TEST_F(ScannerTest, AnOversizedMetadataFileCountsAsMissing)
{
    addApp(u"Bloated.app"_s, u"test.bloated"_s, 123);
    m_tree.writePlist(u"Applications/Bloated.app/Wrapper/iTunesMetadata.plist"_s,
                      { { u"itemId"_s, 999 }, { u"padding"_s, QByteArray(9 * 1024 * 1024, 'x') } },
                      PropertyList::Format::Binary);
    const QList<AppInfo> apps = scan();
    ASSERT_EQ(apps.size(), 1);
    EXPECT_EQ(apps.first().adamID(), u"123"_s);
}

TEST_F(ScannerTest, NamesComeFromTheDisplayNameElseTheEntryName)
{
    m_metadata->set(addApp(u"Blank.app"_s, u"test.blank"_s),
                    { { kMDItemDisplayName.toString(), QString() } });
    m_metadata->set(addApp(u"Numbered.app"_s, u"test.numbered"_s), { { kMDItemDisplayName.toString(), 12 } });
    addApp(u"A.app.B.app"_s, u"test.ab"_s);

    const QList<AppInfo> apps = scan();
    ASSERT_EQ(apps.size(), 3);
    EXPECT_EQ(findApp(apps, u"test.blank"_s)->name(), QString());
    EXPECT_EQ(findApp(apps, u"test.numbered"_s)->name(), u"Numbered"_s);
    EXPECT_EQ(findApp(apps, u"test.ab"_s)->name(), u"A.B"_s);
}

TEST_F(ScannerTest, BundlesWithoutIdentifierTryOnlyTheirFirstWrappedApp)
{
    m_tree.makeWrappedBundle(u"Applications/Outer.app"_s, u"Inner.app"_s, u"x.y.inner"_s, 11);

    m_tree.makeWrappedBundle(u"Applications/Lonely.app"_s, u"One.app"_s, std::nullopt, 12);
    m_tree.makeFolder(u"Applications/Lonely.app/Wrapper/Two.app"_s);
    const QStringList wrapped = listedApps(m_tree.pathOf(u"Applications/Lonely.app/Wrapper"_s));
    ASSERT_EQ(wrapped.size(), 2);
    m_tree.writePlist(u"Applications/Lonely.app/Wrapper/"_s + wrapped.at(1) + u"/Info.plist"_s,
                      { { u"CFBundleIdentifier"_s, u"x.y.later"_s } });

    addApp(u"Bare.app.app"_s, std::nullopt, 13);
    // An empty identifier names nothing; it would merge unrelated bundles into one.
    addApp(u"Empty.app"_s, QString(), 14);

    QStringList ids = idsOf(scan());
    ids.sort();
    EXPECT_EQ(ids, (QStringList { u"Bare"_s, u"Empty"_s, u"Lonely"_s, u"x.y.inner"_s }));
}

TEST_F(ScannerTest, OnlyAppEntriesDirectlyInTheFolderAreTaken)
{
    addApp(u"Notes.APP"_s, u"test.notes"_s);
    m_tree.makeBundle(u"Applications/Tools/Some.app"_s, u"test.some"_s, 5);
    addApp(u"Kept.app"_s, u"test.kept"_s);

    const AppScanner::Result result = scanner().scanInstalledApps({});
    ASSERT_EQ(result.apps.size(), 1);
    EXPECT_EQ(result.apps.first().id(), u"test.kept"_s);
    EXPECT_TRUE(result.complete);
}

TEST_F(ScannerTest, TheFirstRecordOfAnIdWins)
{
    const QString systemCopy = addApp(u"Copy.app"_s, u"com.example.shared"_s);
    m_metadata->set(systemCopy, { { kMDItemDisplayName.toString(), u"System"_s } });
    m_metadata->set(m_tree.makeBundle(u"home/Applications/Copy.app"_s, u"com.example.shared"_s, 2),
                    { { kMDItemDisplayName.toString(), u"Home"_s } });
    m_tree.makeBundle(u"home/Applications/Own.app"_s, u"com.example.own"_s, 3);

    // Canonically equivalent ids are one application too; the review date is found under either.
    addApp(u"Cafe1.app"_s, u"com.example.cafe\u0301"_s);
    addApp(u"Cafe2.app"_s, u"com.example.caf\u00e9"_s);
    const QStringList cafes = listedApps(m_system).filter(u"Cafe"_s);

    const QList<AppInfo> apps = scan({ { u"com.example.caf\u00e9"_s, ReviewedDate } });
    ASSERT_EQ(apps.size(), 3);
    EXPECT_EQ(apps.last().id(), u"com.example.own"_s);
    const AppInfo* shared = findApp(apps, u"com.example.shared"_s);
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->bundlePath(), systemCopy);
    EXPECT_EQ(shared->name(), u"System"_s);
    EXPECT_EQ(shared->adamID(), u"1"_s);

    const auto cafe = std::find_if(apps.cbegin(), apps.cend(),
                                   [](const AppInfo& app) { return app.bundlePath().contains(u"Cafe"_s); });
    ASSERT_NE(cafe, apps.cend());
    EXPECT_EQ(cafe->bundlePath(), m_system + u'/' + cafes.first());
    EXPECT_EQ(cafe->lastReviewedDate(), ReviewedDate);
}

// A folder large enough to be read by several threads: the records still come in listing order, each
// from its own bundle, and of the bundles sharing an id the first listed wins, wherever the threads'
// shares of the folder begin and end.
TEST_F(ScannerTest, AFolderReadInParallelKeepsListingOrderAndTheFirstOfAnId)
{
    constexpr int Bundles = 400;
    for (int i = 0; i < Bundles; ++i) {
        const QString entry = u"App%1.app"_s.arg(i);
        // Every fifth is not from the App Store; ids repeat every 150 bundles.
        if (i % 5 == 4)
            addApp(entry, u"test.other%1"_s.arg(i), 0);
        else
            addApp(entry, u"test.shared%1"_s.arg(i % 150), i + 1);
    }
    struct Expected
    {
        QString path;
        QString id;
        QString adamID;
    };
    QList<Expected> expected;
    QSet<QString> seen;
    for (const QString& entry : listedApps(m_system)) {
        const int i = entry.mid(3, entry.size() - 7).toInt();
        if (i % 5 == 4)
            continue;
        const QString id = u"test.shared%1"_s.arg(i % 150);
        if (!seen.contains(id))
            expected.append({ m_system + u'/' + entry, id, QString::number(i + 1) });
        seen.insert(id);
    }

    const QList<AppInfo> apps = scan();
    ASSERT_EQ(apps.size(), expected.size());
    for (qsizetype i = 0; i < apps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(apps.at(i).bundlePath(), expected.at(i).path);
        EXPECT_EQ(apps.at(i).id(), expected.at(i).id);
        EXPECT_EQ(apps.at(i).adamID(), expected.at(i).adamID);
        if (HasFailure())
            break;
    }
}

TEST_F(ScannerTest, OnlyAFolderThatExistsButCannotBeListedMakesTheResultIncomplete)
{
    addApp(u"System.app"_s, u"test.system"_s);
    // A plain file of that name cannot be listed, yet it cannot hold applications either.
    m_tree.writeFile(u"home/Applications"_s, "not a folder");
    AppScanner::Result result = scanner().scanInstalledApps({});
    ASSERT_EQ(result.apps.size(), 1);
    EXPECT_EQ(result.apps.first().id(), u"test.system"_s);
    EXPECT_TRUE(result.complete);

    const AppScanner withoutSystemFolder(m_tree.pathOf(u"missing"_s), m_home, m_metadata);
    result = withoutSystemFolder.scanInstalledApps({});
    EXPECT_TRUE(result.apps.isEmpty());
    EXPECT_TRUE(result.complete);
    bool listed = true;
    EXPECT_TRUE(scanner().scanFolder(m_tree.pathOf(u"missing"_s), {}, &listed).isEmpty());
    EXPECT_FALSE(listed);

    {
        const NoFreeFileDescriptors exhausted;
        result = scanner().scanInstalledApps({});
    }
    EXPECT_FALSE(result.complete);
}

TEST(AppScannerOnDisk, FileSystemMetadataNamesAndDatesTheApplication)
{
    FixtureTree tree;
    tree.makeBundle(u"Applications/Shown.app"_s, u"test.shown"_s, 5,
                    { { u"CFBundleDisplayName"_s, u"Shown Name"_s } });
    const QDateTime changed(QDate(2025, 6, 1), QTime(10, 0), Qt::UTC);
    tree.setModificationTime(u"Applications/Shown.app"_s, changed);

    const QList<AppInfo> apps =
        AppScanner(tree.pathOf(u"Applications"_s), tree.pathOf(u"home"_s)).scanInstalledApps({}).apps;
    ASSERT_EQ(apps.size(), 1);
    EXPECT_EQ(apps.first().name(), u"Shown Name"_s);
    EXPECT_EQ(apps.first().adamID(), u"5"_s);
    EXPECT_EQ(apps.first().modificationDate(), changed);
    EXPECT_EQ(apps.first().lastAccessedDate(), std::nullopt);
}

} // namespace
