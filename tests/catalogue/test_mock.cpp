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
    EXPECT_EQ(apps.first().name(), u"Drafts"_s);
    EXPECT_EQ(apps.first().bundlePath(), u"/Applications/Drafts.app"_s);
    EXPECT_EQ(apps.first().adamID(), u"1236254471"_s);
    EXPECT_EQ(apps.first().lastAccessedDate(), midnight(2026, 4, 21));
    EXPECT_EQ(apps.at(11).name(), u"SiteSucker"_s);
    EXPECT_EQ(apps.at(11).lastAccessedDate(), midnight(2026, 4, 16));

    QSet<QString> ids;
    for (int row = 0; row < apps.size(); ++row) {
        const AppInfo& app = apps.at(row);
        ids.insert(app.id());
        EXPECT_EQ(app.modificationDate(), std::nullopt) << row;
        if (row < 12) {
            EXPECT_TRUE(app.reviewURL().has_value()) << row;
            continue;
        }
        EXPECT_EQ(app.id(), u"dummy.%1"_s.arg(row - 11, 2, 10, QChar(u'0')));
        EXPECT_EQ(app.name(), QString());
        EXPECT_EQ(app.bundlePath(), u"/Applications/.app"_s);
        EXPECT_EQ(app.adamID(), u"0"_s);
        EXPECT_EQ(app.lastAccessedDate(), midnight(2026, 4, 12));
        EXPECT_EQ(app.lastReviewedDate(), std::nullopt);
    }
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
    EXPECT_EQ(MockCatalogue::parseISODate(u"2026-04-20T19:00:00-05:00"_s), midnight(2026, 4, 21));

    // Anything else falls back to the moment of parsing.
    for (const QString& text : { u"2026-04-21"_s, u"2026-04-21T00:00:00"_s, u"2026-02-30T00:00:00Z"_s,
                                 u"2026-04-21T00:00:00+0200"_s, QString() }) {
        const QDateTime before = QDateTime::currentDateTimeUtc();
        const QDateTime parsed = MockCatalogue::parseISODate(text);
        EXPECT_GE(parsed, before) << qPrintable(text);
        EXPECT_LE(parsed, QDateTime::currentDateTimeUtc()) << qPrintable(text);
    }
}

} // namespace
