#include "TextSearch.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TextSearch, IgnoresCaseButNotMarksMatchesWholeCharactersAndTakesQueriesAsTyped)
{
    struct Case
    {
        const char* locale;
        QString text;
        QString query;
        bool found;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        EXPECT_EQ(TextSearch::contains(c.text, c.query), c.found)
            << c.locale << ": \"" << qPrintable(c.text) << "\" / \"" << qPrintable(c.query) << '"';
    }
    QLocale::setDefault(previous);
}
