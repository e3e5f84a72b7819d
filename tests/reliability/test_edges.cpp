// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The only addresses the program opens for a record are store pages built from the record's number,
// whatever the number's file held.
#include "AppInfo.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

TEST(OpenedAddresses, HostileStoreNumbersGiveTheProductPageOrNothing)
{
    static const QRegularExpression page(u"^https://apps\\.apple\\.com/app/id\\+?[0-9]+$"_s);
    const auto opens = [](const QString& adamID) {
        const auto url = AppInfo(AppId(u"a.b"_s), u"A"_s, u"/A.app"_s, adamID, {}, {}, {}).reviewURL();
        EXPECT_TRUE(!url || page.match(QString::fromLatin1(url->toEncoded())).hasMatch())
            << qPrintable(adamID);
        EXPECT_TRUE(!url || url->path(QUrl::FullyEncoded) == u"/app/id"_s + adamID) << qPrintable(adamID);
        return url.has_value();
    };
    for (const QString& adamID :
         QStringList { u"123"_s, u"+123"_s, u"0"_s, u"+"_s + QString(64, u'0'), QString(10000, u'9') })
        EXPECT_TRUE(opens(adamID)) << qPrintable(adamID);
    // Separated by "|", beginning with the empty text.
    for (const QString& adamID :
         u"|+|++1|-1| 1|1\n|1\0|1/../../evil|1?x=1|1#top|1%2F..%2F|1@evil.example|//evil.example|"
         u"javascript:alert(1)|$(reboot)|１２３|١٢٣|1e5|0x10|12\u200b3|123\u202e|1\u0301"_s.split(u'|'))
        EXPECT_FALSE(opens(adamID)) << qPrintable(adamID);

    // Texts of the characters that mean something in an address, in any order.
    const QString alphabet = u"0123456789+-./:?#@%&=;$`'\" \t\n\\[]{}()~!*,١٢３\u200b\u202e\u0301é"_s;
    std::mt19937 random(20240229);
    for (int i = 0; i < 5000 && !::testing::Test::HasFailure(); ++i) {
        QString adamID;
        for (int n = int(random() % 13); n > 0; --n)
            adamID += alphabet.at(qsizetype(random() % alphabet.size()));
        opens(adamID);
    }
}
