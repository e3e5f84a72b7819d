#include "AppInfo.h"
#include "SortComparator.h"
#include "TextSearch.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Switches the user's locale for one test and puts the previous one back.
class LocaleScope
{
public:
    explicit LocaleScope(const QString& name)
        : m_previous(QLocale())
    {
        QLocale::setDefault(QLocale(name));
    }
    ~LocaleScope() { QLocale::setDefault(m_previous); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    QLocale m_previous;
};

AppInfo named(const QString& name, OptionalDate lastAccessed = {}, OptionalDate modified = {},
              OptionalDate reviewed = {})
{
    return AppInfo(u"id."_s + name, name, u"/Applications/"_s + name + u".app"_s, u"1"_s, lastAccessed,
                   modified, reviewed);
}

QDateTime day(int d)
{
    return QDateTime(QDate(2026, 4, d), QTime(12, 0), Qt::UTC);
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

TEST(TextSearch, IgnoresLetterCaseButNotMarks)
{
    EXPECT_TRUE(TextSearch::contains(u"Pastel", u"pAST"));
    EXPECT_TRUE(TextSearch::contains(u"Café au lait", u"CAFÉ"));
    EXPECT_TRUE(TextSearch::contains(u"ÉCOLE", u"école"));
    EXPECT_FALSE(TextSearch::contains(u"Café", u"cafe"));
    EXPECT_FALSE(TextSearch::contains(u"Cafe", u"café"));
    EXPECT_FALSE(TextSearch::contains(u"Résumé", u"resume"));
    EXPECT_FALSE(TextSearch::contains(u"Pastel", u"Pastels"));
}

TEST(TextSearch, CanonicallyEquivalentTextsMatch)
{
    const QString composed = u"Caf\u00e9"_s;
    const QString decomposed = u"Cafe\u0301"_s;
    EXPECT_TRUE(TextSearch::contains(composed, decomposed));
    EXPECT_TRUE(TextSearch::contains(decomposed, composed));
    EXPECT_TRUE(TextSearch::contains(u"x\u1e69y"_s, u"s\u0307\u0323"_s)); // marks in either order
    EXPECT_TRUE(TextSearch::contains(u"x\u1e69y"_s, u"s\u0323\u0307"_s));
}

TEST(TextSearch, MatchesCoverWholeCharacters)
{
    // A base letter without its marks is another character.
    EXPECT_FALSE(TextSearch::contains(u"cafe\u0301"_s, u"cafe"));
    EXPECT_FALSE(TextSearch::contains(u"na\u0303o"_s, u"na"));
    EXPECT_TRUE(TextSearch::contains(u"na\u0303o"_s, u"n"));
    EXPECT_TRUE(TextSearch::contains(u"na\u0303o"_s, u"o"));
    // A later plain occurrence still counts when the first one is cut short.
    EXPECT_TRUE(TextSearch::contains(u"\u00e9e"_s, u"e"));
    // A query that starts with a mark may match a mark.
    EXPECT_TRUE(TextSearch::contains(u"Caf\u00e9"_s, u"\u0301"_s));
    // Characters beyond the basic plane are never split.
    EXPECT_TRUE(TextSearch::contains(u"Smile \U0001F600 now"_s, u"\U0001F600"_s));
    EXPECT_FALSE(TextSearch::contains(u"\U0001F600"_s, QString(QChar(0xd83d))));
}

TEST(TextSearch, FullCaseFoldingOutsideTurkic)
{
    EXPECT_TRUE(TextSearch::contains(u"Straße", u"ss"));
    EXPECT_TRUE(TextSearch::contains(u"Straße", u"STRASSE"));
    EXPECT_TRUE(TextSearch::contains(u"STRASSE", u"ß"));
    EXPECT_TRUE(TextSearch::contains(u"ISTANBUL", u"istanbul"));
    // The dot of "İ" is a mark like any other outside Turkish and Azeri.
    EXPECT_FALSE(TextSearch::contains(u"İstanbul", u"istanbul"));
}

TEST(TextSearch, TurkishDottedAndDotlessI)
{
    const LocaleScope turkish(u"tr_TR"_s);
    EXPECT_TRUE(TextSearch::contains(u"İstanbul", u"istanbul"));
    EXPECT_TRUE(TextSearch::contains(u"I\u0307stanbul"_s, u"istanbul"));
    EXPECT_TRUE(TextSearch::contains(u"istanbul", u"İSTANBUL"));
    EXPECT_TRUE(TextSearch::contains(u"ISPARTA", u"ısparta"));
    EXPECT_TRUE(TextSearch::contains(u"DİYARBAKIR", u"diyarbakır"));
    EXPECT_FALSE(TextSearch::contains(u"ISPARTA", u"isparta"));
    EXPECT_TRUE(TextSearch::contains(u"ırmak", u"IRMAK"));
    EXPECT_FALSE(TextSearch::contains(u"İzmir", u"ızmir"));
}

TEST(TextSearch, QueriesAreUsedAsTyped)
{
    EXPECT_TRUE(TextSearch::contains(u"Pastel", u""));
    EXPECT_TRUE(TextSearch::contains(u"", u""));
    EXPECT_FALSE(TextSearch::contains(u"", u"a"));
    EXPECT_TRUE(TextSearch::contains(u"Final Cut", u" "));
    EXPECT_FALSE(TextSearch::contains(u"Pastel", u" "));
    EXPECT_TRUE(TextSearch::contains(u"Final  Cut", u"  "));
    EXPECT_FALSE(TextSearch::contains(u"Final Cut", u"  "));
    EXPECT_FALSE(TextSearch::contains(u"Pastel", u"Pastel "));
    EXPECT_TRUE(TextSearch::contains(u"com.example.pastel", u"EXAMPLE.Pas"));
}

TEST(SortComparator, NamesCollateCaseInsensitivelyWithNumbersByValue)
{
    const SortComparator byName(SortComparator::Key::Name, Qt::AscendingOrder);
    EXPECT_LT(byName.compare(named(u"Item 9"_s), named(u"Item 10"_s)), 0);
    EXPECT_LT(byName.compare(named(u"apple"_s), named(u"Banana"_s)), 0);
    EXPECT_LT(byName.compare(named(u"Apple"_s), named(u"banana"_s)), 0);
    EXPECT_EQ(byName.compare(named(u"pastel"_s), named(u"PASTEL"_s)), 0);
    EXPECT_NE(byName.compare(named(u"resume"_s), named(u"résumé"_s)), 0);

    const SortComparator descending = byName.reversed();
    EXPECT_GT(descending.compare(named(u"Item 9"_s), named(u"Item 10"_s)), 0);
    EXPECT_EQ(descending.compare(named(u"pastel"_s), named(u"Pastel"_s)), 0);
}

TEST(SortComparator, NameKeysOrderAsTheCollation)
{
    const QStringList names = { u"Item 10"_s, u"item 9"_s,    u"Zebra"_s,   u"Äpfel"_s,  u"apfel"_s,
                                u""_s,        u"Straße"_s,    u"strasse"_s, u"Ørsted"_s, u"001"_s,
                                u"1"_s,       u"résumé"_s,    u"Resume"_s,  u"日本"_s,   u"a\u0301"_s,
                                u"\u00e1"_s,  u"\U0001F600"_s };
    for (const QString& a : names) {
        for (const QString& b : names) {
            const int byKeys = sign(SortComparator::nameSortKey(a).compare(SortComparator::nameSortKey(b)));
            EXPECT_EQ(byKeys, sign(SortComparator::compareNames(a, b)))
                << qPrintable(a) << " / " << qPrintable(b);
        }
    }
}

TEST(SortComparator, NamesFollowTheCurrentLocale)
{
    EXPECT_LT(SortComparator::compareNames(u"öl", u"zoo"), 0);
    const LocaleScope swedish(u"sv_SE"_s);
    EXPECT_GT(SortComparator::compareNames(u"öl", u"zoo"), 0);
}

TEST(SortComparator, DatesCompareChronologicallyWithFallbacks)
{
    const SortComparator accessed(SortComparator::Key::LastAccessedSortDate, Qt::AscendingOrder);
    const SortComparator reviewed(SortComparator::Key::LastReviewedSortDate, Qt::AscendingOrder);
    const AppInfo used = named(u"A"_s, day(10), day(20));
    const AppInfo modifiedOnly = named(u"B"_s, std::nullopt, day(12));
    const AppInfo neither = named(u"C"_s);

    // The modification date counts only without a last-use date.
    EXPECT_LT(accessed.compare(used, modifiedOnly), 0);
    EXPECT_LT(accessed.compare(neither, used), 0);
    EXPECT_EQ(accessed.compare(neither, named(u"D"_s)), 0);
    EXPECT_GT(accessed.reversed().compare(neither, used), 0);
    EXPECT_EQ(accessed.reversed().compare(neither, named(u"D"_s)), 0);

    // Same instant in another time zone is the same date.
    const AppInfo sameInstant = named(u"E"_s, day(10).toOffsetFromUtc(3600 * 5));
    EXPECT_EQ(accessed.compare(used, sameInstant), 0);

    EXPECT_LT(reviewed.compare(used, named(u"F"_s, {}, {}, day(1))), 0);
    EXPECT_GT(reviewed.compare(named(u"F"_s, {}, {}, day(2)), named(u"G"_s, {}, {}, day(1))), 0);
}
