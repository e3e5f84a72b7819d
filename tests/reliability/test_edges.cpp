// What leaves the program: the only addresses it opens for a record are App Store pages built from
// the record's number, whatever the number's file held.
#include "AppInfo.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

TEST(OpenedAddresses, HostileStoreNumbersGiveTheProductPageOrNothing)
{
    // Nothing, or exactly the product page of the number: https, the store's host, "/app/id" and the
    // digits (with the one "+" the scanner lets through), and nothing else anywhere in the address.
    static const QRegularExpression page(u"^https://apps\\.apple\\.com/app/id\\+?[0-9]+$"_s);
    const auto check = [](const QString& adamID) {
        const auto url =
            AppInfo(u"com.example.app"_s, u"App"_s, u"/Applications/App.app"_s, adamID, {}, {}, {})
                .reviewURL();
        if (url) {
            EXPECT_TRUE(page.match(QString::fromLatin1(url->toEncoded())).hasMatch())
                << url->toEncoded().constData() << " from " << adamID.toStdString();
            EXPECT_EQ(url->path(QUrl::FullyEncoded), u"/app/id"_s + adamID) << "the number itself, unchanged";
        }
        return url.has_value();
    };
    for (const QString& adamID :
         { u"123"_s, u"+123"_s, u"0"_s, QString(u"+"_s + QString(64, u'0')), QString(10000, u'9') })
        EXPECT_TRUE(check(adamID)) << qPrintable(adamID);
    // Separated by "|", beginning with the empty text.
    const QString rejected =
        u"|+|++1|-1| 1|1\n|1\0|1/../../evil|1?x=1|1#top|1%2F..%2F|1@evil.example|//evil.example|"
        u"javascript:alert(1)|$(reboot)|１２３|١٢٣|1e5|0x10|12\u200b3|123\u202e|1\u0301"_s;
    for (const QString& adamID : rejected.split(u'|'))
        EXPECT_FALSE(check(adamID)) << qPrintable(adamID);

    // And texts made of the characters that mean something in an address, in any order.
    const QString alphabet = u"0123456789+-./:?#@%&=;$`'\" \t\n\\[]{}()~!*,١٢３\u200b\u202e\u0301é"_s;
    std::mt19937 random(20240229);
    std::uniform_int_distribution<qsizetype> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 5000 && !::testing::Test::HasFailure(); ++i) {
        QString adamID;
        for (int n = std::uniform_int_distribution<int>(0, 12)(random); n > 0; --n)
            adamID += alphabet.at(pick(random));
        check(adamID);
    }
}
