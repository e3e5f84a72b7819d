// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLists.h"
#include "AppScanner.h"
#include "FakeMetadata.h"
#include "FileSystem.h"
#include "FixtureTree.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime UsedDate(QDate(2026, 4, 20), QTime(9, 15), Qt::UTC);
const QDateTime ChangedDate(QDate(2025, 11, 2), QTime(17, 0), Qt::UTC);
const QDateTime ReviewedDate(QDate(2026, 1, 7), QTime(12, 0), Qt::UTC);
const QString AdamIDKey = AppScanner::appStoreAdamIDAttribute();
const QString NameKey = kMDItemDisplayName.toString();
const QString UsedKey = kMDItemLastUsedDate.toString();
const QString ChangedKey = kMDItemFSContentChangeDate.toString();

// The ".app" entries of folder in the order the file system lists them.
const auto listedApps = [](const QString& folder) {
    return FileSystem::listDirectory(folder).value_or(QStringList()).filter(QRegularExpression(u"\\.app$"_s));
};

class ScannerTest : public ::testing::Test
{
protected:
    AppScanner scanner() const { return AppScanner(m_system, m_home, m_metadata); }
    QList<AppInfo> scan(const ReviewDateMap& dates = {}) const
    {
        return scanner().scanInstalledApps(dates).apps;
    }
    // In the system folder, with an App Store id in Contents/iTunesMetadata.plist only.
    QString addApp(const QString& entry, const std::optional<QString>& bundleID, qlonglong itemId = 1)
    {
        return m_tree.makeBundle(u"Applications/"_s + entry, bundleID, itemId);
    }
    // relative/Wrapper/<inner>/Info.plist with the identifier, and itemId's file.
    void addWrapped(const QString& relative, const QString& inner, const std::optional<QString>& bundleID,
                    const QByteArray& itemIdFile)
    {
        m_tree.writePlist(relative + u"/Wrapper/"_s + inner + u"/Info.plist"_s,
                          bundleID ? QVariantMap { { u"CFBundleIdentifier"_s, *bundleID } } : QVariantMap());
        m_tree.writeFile(relative + u"/Wrapper/iTunesMetadata.plist"_s, itemIdFile);
    }

    FixtureTree m_tree;
    QString m_system = m_tree.makeFolder(u"Applications"_s);
    QString m_home = m_tree.makeFolder(u"home"_s);
    std::shared_ptr<FakeMetadata> m_metadata = std::make_shared<FakeMetadata>();
};

TEST_F(ScannerTest, RecordsTakeEachFieldFromItsSource)
{
    // The bundle's entry, its metadata, and the record's "name store-id" (empty: not listed). Every
    // bundle's property lists say 999.
    // clang-format off
    const QList<std::tuple<QString, QVariantMap, QString>> cases {
        { u"Pastel.app"_s, { { AdamIDKey, qlonglong(413897608) }, { NameKey, u"Pastel Colours"_s },
                             { UsedKey, UsedDate }, { ChangedKey, ChangedDate } }, u"Pastel Colours 413897608"_s },
        // Never launched (the last use is no date): the modification date still comes through.
        { u"Fresh.app"_s, { { AdamIDKey, u"77"_s }, { UsedKey, u"yesterday"_s }, { ChangedKey, ChangedDate } }, u"Fresh 77"_s },
        { u"Blank.app"_s, { { NameKey, QString() } }, u" 999"_s },
        { u"Numbered.app"_s, { { NameKey, 12 } }, u"Numbered 999"_s },
        { u"A.app.B.app"_s, {}, u"A.B 999"_s },
        // The metadata's id wins and is not retried from the property lists.
        { u"Plus.app"_s, { { AdamIDKey, u"+42"_s } }, u"Plus +42"_s },
        { u"Letter.app"_s, { { AdamIDKey, u"12a"_s } }, {} },
        { u"Zero.app"_s, { { AdamIDKey, u"0"_s } }, {} },
        { u"Minus.app"_s, { { AdamIDKey, u"-5"_s } }, {} },
        { u"Empty.app"_s, { { AdamIDKey, QString() } }, {} },
        { u"Huge.app"_s, { { AdamIDKey, u"9223372036854775808"_s } }, {} },
        { u"ZeroNumber.app"_s, { { AdamIDKey, qlonglong(0) } }, {} },
        { u"Real.app"_s, { { AdamIDKey, 77.0 } }, u"Real 77"_s },
        { u"Fraction.app"_s, { { AdamIDKey, 12.5 } }, {} },
        // Neither number nor text: the property lists are asked instead.
        { u"Flag.app"_s, { { AdamIDKey, true } }, u"Flag 999"_s },
    };
    // clang-format on
    for (int i = 0; i < cases.size(); ++i)
        m_metadata->set(addApp(std::get<0>(cases[i]), u"test.%1"_s.arg(i), 999), std::get<1>(cases[i]));

    const QList<AppInfo> apps =
        scan({ { AppId(u"test.0"_s), ReviewedDate }, { AppId(u"test.gone"_s), UsedDate } });
    for (int i = 0; i < cases.size(); ++i) {
        const auto& [entry, metadata, expected] = cases[i];
        const AppInfo* app = findApp(apps, u"test.%1"_s.arg(i));
        EXPECT_EQ((app ? app->name() + u' ' + app->adamID() : QString()).toStdString(),
                  expected.toStdString());
        if (app) {
            EXPECT_EQ(app->bundlePath(), m_system + u'/' + entry);
            EXPECT_EQ(app->lastReviewedDate(), i == 0 ? OptionalDate(ReviewedDate) : std::nullopt);
        }
    }
    EXPECT_EQ(std::tuple(findApp(apps, u"test.0"_s)->lastAccessedDate(),
                         findApp(apps, u"test.1"_s)->lastAccessedDate()),
              std::tuple(OptionalDate(UsedDate), OptionalDate()));
    EXPECT_EQ(findApp(apps, u"test.1"_s)->modificationDate(), ChangedDate);
}

TEST_F(ScannerTest, PropertyListIdMustBeAnExactInteger)
{
    // The wrapper's file holds the case's itemId; Contents holds 654, asked only when the wrapper's
    // value does not count.
    const auto xml = [](const char* itemId) -> QByteArray {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>itemId</key>"
            + QByteArray(itemId) + "</dict></plist>";
    };
    const QList<std::pair<QByteArray, std::optional<QString>>> cases {
        { xml("<integer>321</integer>"), u"321"_s },
        { xml("<string>123</string>"), u"654"_s },
        { xml("<real>123</real>"), u"123"_s },
        { PropertyList::serialize(QVariantMap { { u"itemId"_s, 77.0 } }, PropertyList::Format::Binary),
          u"77"_s },
        { xml("<real>12.5</real>"), u"654"_s },
        { xml("<true/>"), u"654"_s },
        { "itemId = 7;", u"654"_s },
        // Too large to read counts as missing.
        { PropertyList::serialize(
              QVariantMap { { u"itemId"_s, 999 }, { u"padding"_s, QByteArray(9 << 20, 'x') } },
              PropertyList::Format::Binary),
          u"654"_s },
        // A whole number beyond the store's range is still the file's answer, and it fails.
        { xml("<integer>9223372036854775809</integer>"), std::nullopt },
        { xml("<real>1e30</real>"), std::nullopt },
    };
    for (int i = 0; i < cases.size(); ++i) {
        const QString entry = u"Applications/App%1.app"_s.arg(i);
        addWrapped(entry, u"Inner.app"_s, u"test.%1"_s.arg(i), cases[i].first);
        m_tree.writePlist(entry + u"/Contents/iTunesMetadata.plist"_s, { { u"itemId"_s, 654 } });
    }
    const QList<AppInfo> apps = scan();
    for (int i = 0; i < cases.size(); ++i) {
        const AppInfo* app = findApp(apps, u"test.%1"_s.arg(i));
        EXPECT_EQ(app ? std::optional(app->adamID()) : std::nullopt, cases[i].second) << i;
    }
}

TEST_F(ScannerTest, OnlyAppEntriesDirectlyInTheFolderAreTakenAndNamedByTheirIdentifier)
{
    const QByteArray itemId = PropertyList::serialize(QVariantMap { { u"itemId"_s, 1 } });
    addWrapped(u"Applications/Outer.app"_s, u"Inner.app"_s, u"x.y.inner"_s, itemId);
    // Without an identifier of their own, only the first wrapped application speaks for them.
    addWrapped(u"Applications/Lonely.app"_s, u"One.app"_s, std::nullopt, itemId);
    m_tree.makeFolder(u"Applications/Lonely.app/Wrapper/Two.app"_s);
    const QStringList wrapped = listedApps(m_tree.pathOf(u"Applications/Lonely.app/Wrapper"_s));
    ASSERT_EQ(wrapped.size(), 2);
    m_tree.writePlist(u"Applications/Lonely.app/Wrapper/"_s + wrapped.at(1) + u"/Info.plist"_s,
                      { { u"CFBundleIdentifier"_s, u"x.y.later"_s } });
    addApp(u"Bare.app.app"_s, std::nullopt);
    // An empty identifier names nothing; it would merge unrelated bundles into one.
    addApp(u"Empty.app"_s, QString());
    addApp(u"Notes.APP"_s, u"test.notes"_s);
    m_tree.makeBundle(u"Applications/Tools/Some.app"_s, u"test.some"_s, 5);

    QStringList ids = idsOf(scan());
    ids.sort();
    EXPECT_EQ(ids, (QStringList { u"Bare"_s, u"Empty"_s, u"Lonely"_s, u"x.y.inner"_s }));
}

// With the file system's own metadata: names from the bundles, dates from the folders.
TEST_F(ScannerTest, TheFirstRecordOfAnIdWins)
{
    const auto named = [](const QString& name) { return QVariantMap { { u"CFBundleDisplayName"_s, name } }; };
    m_tree.makeBundle(u"Applications/Copy.app"_s, u"com.example.shared"_s, 1, named(u"System"_s));
    m_tree.makeBundle(u"home/Applications/Copy.app"_s, u"com.example.shared"_s, 2, named(u"Home"_s));
    m_tree.makeBundle(u"home/Applications/Own.app"_s, u"com.example.own"_s, 3);
    m_tree.setModificationTime(u"Applications/Copy.app"_s, ChangedDate);

    const QList<AppInfo> apps = AppScanner(m_system, m_home).scanInstalledApps({}).apps;
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps.last().id(), AppId(u"com.example.own"_s));
    const AppInfo* shared = findApp(apps, u"com.example.shared"_s);
    EXPECT_EQ(
        std::tuple(shared->name(), shared->adamID(), shared->modificationDate(), shared->lastAccessedDate()),
        std::tuple(u"System"_s, u"1"_s, OptionalDate(ChangedDate), OptionalDate()));
}

// Enough bundles for several threads: the records still come in listing order, and of the bundles
// sharing an id the first listed wins, wherever the threads' shares of the folder begin and end.
TEST_F(ScannerTest, AFolderReadInParallelKeepsListingOrderAndTheFirstOfAnId)
{
    // Every fifth is not from the App Store; ids repeat every 150 bundles.
    for (int i = 0; i < 400; ++i)
        addApp(u"App%1.app"_s.arg(i), u"test.%1"_s.arg(i % 150), i % 5 == 4 ? 0 : i + 1);
    QStringList expected;
    QSet<int> seen;
    for (const QString& entry : listedApps(m_system)) {
        const int i = entry.mid(3, entry.size() - 7).toInt();
        if (i % 5 != 4 && !seen.contains(i % 150)) {
            expected.append(u"%1 %2"_s.arg(i % 150).arg(i + 1));
            seen.insert(i % 150);
        }
    }
    QStringList found;
    for (const AppInfo& app : scan())
        found.append(app.id().text().mid(5) + u' ' + app.adamID());
    EXPECT_EQ(found, expected);
}

} // namespace
