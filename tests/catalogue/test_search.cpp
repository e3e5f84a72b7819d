#include "TextSearch.h"

#include <QLocale>

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
