// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppInfo.h"
#include "TextSearch.h"

#include <QLocale>

#include <gtest/gtest.h>
#include <unicode/timezone.h>

#include <array>

using namespace Qt::StringLiterals;

namespace {

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
    EXPECT_EQ(makeApp(used, Now).lastAccessedText(), u"Mar 1, 2026"_s);
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
    for (const auto& [settings, text] : cases) {
        setDateSettings(settings);
        EXPECT_EQ(app.lastAccessedText(), text) << settings[0] << ' ' << settings[1] << ' ' << settings[2];
        // Dates only: the words of the review date stay in the user's language.
        EXPECT_EQ(app.lastReviewedText(Now), u"gestern"_s);
    }
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
