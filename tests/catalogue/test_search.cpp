#include "AppInfo.h"
#include "SortComparator.h"
#include "TextSearch.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct SearchCase
{
    QString text;
    QString query;
    bool found;
};

// Runs the cases under the named locale and puts the previous one back.
void expectSearches(const char* locale, std::initializer_list<SearchCase> cases)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
    for (const SearchCase& c : cases) {
        EXPECT_EQ(TextSearch::contains(c.text, c.query), c.found)
            << locale << ": \"" << qPrintable(c.text) << "\" / \"" << qPrintable(c.query) << '"';
    }
    QLocale::setDefault(previous);
}

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

} // namespace

TEST(TextSearch, IgnoresCaseButNotMarksAndMatchesWholeCharacters)
{
    expectSearches("en_US",
                   {
                       { u"Pastel"_s, u"pAST"_s, true },
                       { u"Café au lait"_s, u"CAFÉ"_s, true },
                       { u"Café"_s, u"cafe"_s, false },
                       { u"Pastel"_s, u"Pastels"_s, false },
                       // Canonically equivalent texts match, marks in either order.
                       { u"Caf\u00e9"_s, u"Cafe\u0301"_s, true },
                       { u"x\u1e69y"_s, u"s\u0323\u0307"_s, true },
                       // A base letter without its marks is another character...
                       { u"cafe\u0301"_s, u"cafe"_s, false },
                       { u"na\u0303o"_s, u"n"_s, true },
                       // ...but a later plain occurrence still counts.
                       { u"\u00e9e"_s, u"e"_s, true },
                       { u"Caf\u00e9"_s, u"\u0301"_s, true },
                       // Characters beyond the basic plane are never split.
                       { u"Smile \U0001F600 now"_s, u"\U0001F600"_s, true },
                       { u"\U0001F600"_s, QString(QChar(0xd83d)), false },
                       // Full case folding: "ß" is "ss".
                       { u"Straße"_s, u"STRASSE"_s, true },
                       { u"STRASSE"_s, u"ß"_s, true },
                       // The dot of "İ" is a mark like any other outside Turkish and Azeri.
                       { u"İstanbul"_s, u"istanbul"_s, false },
                   });
}

TEST(TextSearch, TurkishDottedAndDotlessI)
{
    expectSearches("tr_TR",
                   {
                       { u"İstanbul"_s, u"istanbul"_s, true },
                       { u"I\u0307stanbul"_s, u"istanbul"_s, true },
                       { u"istanbul"_s, u"İSTANBUL"_s, true },
                       { u"ISPARTA"_s, u"ısparta"_s, true },
                       { u"ISPARTA"_s, u"isparta"_s, false },
                       { u"İzmir"_s, u"ızmir"_s, false },
                   });
}

TEST(TextSearch, QueriesAreUsedAsTyped)
{
    expectSearches("en_US",
                   {
                       { u"Pastel"_s, QString(), true },
                       { QString(), u"a"_s, false },
                       { u"Final Cut"_s, u" "_s, true },
                       { u"Pastel"_s, u" "_s, false },
                       { u"Final  Cut"_s, u"  "_s, true },
                       { u"Final Cut"_s, u"  "_s, false },
                       { u"com.example.pastel"_s, u"EXAMPLE.Pas"_s, true },
                   });
}

TEST(SortComparator, NamesCollateByLocaleCaseInsensitivelyWithNumbersByValue)
{
    const SortComparator byName(SortComparator::Key::Name, Qt::AscendingOrder);
    EXPECT_LT(byName.compare(named(u"Item 9"_s), named(u"Item 10"_s)), 0);
    EXPECT_LT(byName.compare(named(u"apple"_s), named(u"Banana"_s)), 0);
    EXPECT_LT(byName.compare(named(u"Apple"_s), named(u"banana"_s)), 0);
    EXPECT_EQ(byName.compare(named(u"pastel"_s), named(u"PASTEL"_s)), 0);
    EXPECT_NE(byName.compare(named(u"resume"_s), named(u"résumé"_s)), 0);
    EXPECT_GT(byName.reversed().compare(named(u"Item 9"_s), named(u"Item 10"_s)), 0);
    EXPECT_EQ(byName.reversed().compare(named(u"pastel"_s), named(u"Pastel"_s)), 0);

    EXPECT_LT(byName.compare(named(u"öl"_s), named(u"zoo"_s)), 0);
    const QLocale previous;
    QLocale::setDefault(QLocale(u"sv_SE"_s));
    const int swedish = byName.compare(named(u"öl"_s), named(u"zoo"_s));
    QLocale::setDefault(previous);
    EXPECT_GT(swedish, 0);
}

TEST(SortComparator, DatesCompareChronologicallyWithFallbacks)
{
    const SortComparator accessed(SortComparator::Key::LastAccessedSortDate, Qt::AscendingOrder);
    const SortComparator reviewed(SortComparator::Key::LastReviewedSortDate, Qt::AscendingOrder);
    const AppInfo used = named(u"A"_s, day(10), day(20));
    const AppInfo neither = named(u"C"_s);

    // The modification date counts only without a last-use date.
    EXPECT_LT(accessed.compare(used, named(u"B"_s, std::nullopt, day(12))), 0);
    EXPECT_LT(accessed.compare(neither, used), 0);
    EXPECT_EQ(accessed.compare(neither, named(u"D"_s)), 0);
    EXPECT_GT(accessed.reversed().compare(neither, used), 0);
    // Same instant in another time zone is the same date.
    EXPECT_EQ(accessed.compare(used, named(u"E"_s, day(10).toOffsetFromUtc(3600 * 5))), 0);

    EXPECT_LT(reviewed.compare(used, named(u"F"_s, {}, {}, day(1))), 0);
    EXPECT_GT(reviewed.compare(named(u"F"_s, {}, {}, day(2)), named(u"G"_s, {}, {}, day(1))), 0);
}
