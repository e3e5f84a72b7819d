#include "MockCatalogue.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime midnight(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(0, 0), Qt::UTC);
}

TEST(MockCatalogue, HoldsTwelveNamedAppsThenTwentyNinePlaceholders)
{
    const QList<AppInfo> apps = MockCatalogue::makeSampleApps();
    ASSERT_EQ(apps.size(), 41);

    const QStringList names { u"Drafts"_s,          u"Tailscale"_s,  u"SwitchGlass"_s,
                              u"Pastel"_s,          u"Codepoint"_s,  u"uBlock Origin Lite"_s,
                              u"DaVinci Resolve"_s, u"MuffinTerm"_s, u"Things3"_s,
                              u"TestFlight"_s,      u"Sofa"_s,       u"SiteSucker"_s };
    const QStringList adamIDs { u"1236254471"_s, u"1475387142"_s, u"1604246676"_s, u"413897608"_s,
                                u"1568651989"_s, u"1640129806"_s, u"571213070"_s,  u"1659408922"_s,
                                u"904280696"_s,  u"899247664"_s,  u"1276554886"_s, u"442168834"_s };
    const QList<QDateTime> accessed { midnight(2026, 4, 21), midnight(2026, 4, 21), midnight(2026, 4, 20),
                                      midnight(2026, 4, 20), midnight(2026, 4, 20), midnight(2026, 4, 19),
                                      midnight(2026, 4, 19), midnight(2026, 4, 19), midnight(2026, 4, 19),
                                      midnight(2026, 4, 19), midnight(2026, 4, 16), midnight(2026, 4, 16) };
    QSet<QString> ids;
    for (int row = 0; row < 12; ++row) {
        const AppInfo& app = apps.at(row);
        EXPECT_EQ(app.name(), names.at(row));
        EXPECT_EQ(app.bundlePath(), u"/Applications/"_s + names.at(row) + u".app"_s);
        EXPECT_EQ(app.adamID(), adamIDs.at(row));
        EXPECT_EQ(app.lastAccessedDate(), accessed.at(row)) << row;
        EXPECT_EQ(app.modificationDate(), std::nullopt);
        EXPECT_TRUE(app.reviewURL().has_value());
        EXPECT_EQ(app.id().count(u'.'), 2) << qPrintable(app.id());
        ids.insert(app.id());
    }
    for (int row = 12; row < 41; ++row) {
        const AppInfo& app = apps.at(row);
        EXPECT_EQ(app.id(), u"dummy.%1"_s.arg(row - 11, 2, 10, QChar(u'0')));
        EXPECT_EQ(app.name(), QString());
        EXPECT_EQ(app.bundlePath(), u"/Applications/.app"_s);
        EXPECT_EQ(app.adamID(), u"0"_s);
        EXPECT_EQ(app.lastAccessedDate(), midnight(2026, 4, 12));
        EXPECT_EQ(app.modificationDate(), std::nullopt);
        EXPECT_EQ(app.lastReviewedDate(), std::nullopt);
        ids.insert(app.id());
    }
    EXPECT_EQ(apps.at(12).id(), u"dummy.01"_s);
    EXPECT_EQ(apps.at(40).id(), u"dummy.29"_s);
    EXPECT_EQ(ids.size(), 41);
}

TEST(MockCatalogue, ReviewDatesAreRelativeToEachCall)
{
    const QDateTime before = QDateTime::currentDateTimeUtc();
    const QList<AppInfo> apps = MockCatalogue::makeSampleApps();
    const QDateTime after = QDateTime::currentDateTimeUtc();

    const QHash<int, qint64> offsets { { 0, -480 }, { 3, -61200 }, { 4, -46800 }, { 10, -2419200 } };
    for (int row = 0; row < apps.size(); ++row) {
        const OptionalDate& reviewed = apps.at(row).lastReviewedDate();
        if (!offsets.contains(row)) {
            EXPECT_EQ(reviewed, std::nullopt) << row;
            continue;
        }
        ASSERT_TRUE(reviewed.has_value()) << row;
        EXPECT_GE(*reviewed, before.addSecs(offsets.value(row))) << row;
        EXPECT_LE(*reviewed, after.addSecs(offsets.value(row))) << row;
    }
    // All four offsets are taken from one "now".
    EXPECT_EQ(apps.at(0).lastReviewedDate()->msecsTo(*apps.at(10).lastReviewedDate()),
              (-2419200 + 480) * 1000LL);
    EXPECT_EQ(apps.at(0).lastReviewedText(), u"8 minutes ago"_s);
}

TEST(MockCatalogue, ParsesOnlyInternetDateTimes)
{
    EXPECT_EQ(MockCatalogue::parseISODate(u"2026-04-21T00:00:00Z"_s), midnight(2026, 4, 21));
    EXPECT_EQ(MockCatalogue::parseISODate(u"2026-04-21T02:30:00+02:30"_s), midnight(2026, 4, 21));
    EXPECT_EQ(MockCatalogue::parseISODate(u"2026-04-20T19:00:00-05:00"_s), midnight(2026, 4, 21));

    const QStringList malformed { u"2026-04-21"_s,
                                  u"2026-04-21T00:00Z"_s,
                                  u"2026-04-21T00:00:00"_s,
                                  u"2026-04-21T00:00:00.5Z"_s,
                                  u" 2026-04-21T00:00:00Z"_s,
                                  u"2026-04-21 00:00:00Z"_s,
                                  u"2026-02-30T00:00:00Z"_s,
                                  u"2026-04-21T24:00:00Z"_s,
                                  u"2026-04-21T00:00:00+0200"_s,
                                  u"2026-04-21T00:00:00+24:00"_s,
                                  u"2026-4-21T00:00:00Z"_s,
                                  u"+026-04-21T00:00:00Z"_s,
                                  QString() };
    for (const QString& text : malformed) {
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const QDateTime parsed = MockCatalogue::parseISODate(text);
        EXPECT_GE(parsed, before) << qPrintable(text);
        EXPECT_LE(parsed, QDateTime::currentDateTimeUtc()) << qPrintable(text);
    }
}

} // namespace
