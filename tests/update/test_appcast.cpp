// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appcast.h"
#include "TestFeed.h"
#include "VersionComparator.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using TestFeed::channel;

namespace {

TEST(VersionComparator, OrdersVersionsTheSameFromBothSides)
{
    // Numbers, not text, and a pre-release before its release; Arabic-Indic digits count by value.
    const QString cases = u"1.0 < 1.1, 1.9 < 1.10, 1.0 < 1.0.1, 1.0 < 1.0.0, 1.5.5 < 1.5.6a1, 1.0b1 < 1.0, "
                          u"1.0a1 < 1.0b1, 1.0-rc1 < 1.0.1, 1.0rc > 1.0beta, 99999999999999999999 < "
                          u"100000000000000000000,  < 1, 007 = 7, 1-0 = 1.0, ١٢ = 12"_s;
    for (const QString& text : cases.split(u", "_s)) {
        const QStringList row = text.split(u' ');
        const QString &a = row[0], &b = row[2];
        const std::weak_ordering order = row[1][0].unicode() <=> u'='; // '<', '=', '>' are consecutive
        EXPECT_EQ(VersionComparator::compare(a, b), order) << text.toStdString();
        EXPECT_EQ(VersionComparator::compare(b, a), 0 <=> order) << text.toStdString();
        EXPECT_EQ(VersionComparator::isNewer(a, b), order > 0) << text.toStdString();
    }
}

TEST(Appcast, ReadsVersionsAddressesAndMinimumsAndSkipsItemsWithoutVersion)
{
    const auto appcast = Appcast::parse(channel(
        "<item><title>Kudora 1.3</title><link>https://kudora.org/1.3</link>"
        "<sparkle:version>13</sparkle:version><sparkle:shortVersionString>1.3</sparkle:shortVersionString>"
        "<sparkle:minimumSystemVersion> 11.0 </sparkle:minimumSystemVersion>"
        "<enclosure url=\"https://kudora.org/Kudora-1.3.zip\" length=\"10\" type=\"application/zip\"/></item>"
        "<item><title>no version</title><link>https://kudora.org</link></item>"
        "<item><other:version "
        "xmlns:other=\"urn:other\">99</other:version><link>https://kudora.org</link></item>"
        "<item><enclosure url=\"https://kudora.org/Kudora-1.4.zip\" sparkle:version=\"14\" "
        "sparkle:shortVersionString=\"1.4\"/><sparkle:releaseNotesLink>https://kudora.org/notes"
        "</sparkle:releaseNotesLink></item>"));
    ASSERT_TRUE(appcast);
    QList<QStringList> read;
    for (const AppcastItem& item : appcast->items())
        read.append({ item.title, item.version, item.displayVersion(), item.minimumSystemVersion,
                      item.downloadAddress().toString() });
    // Versions given only on the enclosure count, and the download is the address without a page.
    EXPECT_EQ(
        read,
        (QList<QStringList> { { u"Kudora 1.3"_s, u"13"_s, u"1.3"_s, u"11.0"_s, u"https://kudora.org/1.3"_s },
                              { {}, u"14"_s, u"1.4"_s, {}, u"https://kudora.org/Kudora-1.4.zip"_s } }));
}

TEST(Appcast, RefusesDocumentsThatAreNotWellFormedAppcasts)
{
    const QByteArray refused[] = {
        "not xml at all",
        channel("<item><sparkle:version>13</sparkle:version><link>https://kudora.org</link></item>")
            .chopped(6), // truncated after a complete item: nothing of it is trusted
        "<?xml version=\"1.0\"?><feed><item/></feed>",
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;\">]>"
        "<rss><channel><item><title>&b;</title></item></channel></rss>",
        "<?xml version=\"1.0\"?><!DOCTYPE rss SYSTEM \"file:///etc/passwd\"><rss><channel/></rss>",
        "<rss><channel><item><title>&undefined;</title></item></channel></rss>",
    };
    for (const QByteArray& data : refused)
        EXPECT_FALSE(Appcast::parse(data)) << data.toStdString();
}

TEST(Appcast, NewestApplicableItemNeedsARunnableSystemAndAnHttpsAddress)
{
    const auto appcast = Appcast::parse(TestFeed::rss({
        { u"12"_s, u"1.2"_s, u"10"_s },
        { u"14"_s, u"1.4"_s, u"12.1"_s },
        { u"13"_s, u"1.3"_s, u"12"_s },
        { u"11"_s, u"1.1"_s },
    }));
    ASSERT_TRUE(appcast);
    // When the system's version cannot be told, no item is held back for it.
    for (const auto& [system, newest] : { std::pair(u"12"_s, u"13"_s), std::pair(u"12.1"_s, u"14"_s),
                                          std::pair(u"9"_s, u"11"_s), std::pair(u"unknown"_s, u"14"_s) })
        EXPECT_EQ(appcast->newestApplicableItem(system)->version, newest) << system.toStdString();

    const auto unsafe = Appcast::parse(
        channel("<item><sparkle:version>20</sparkle:version><link>http://kudora.org/plain</link></item>"
                "<item><sparkle:version>19</sparkle:version><link>file:///bin/sh</link></item>"
                "<item><sparkle:version>18</sparkle:version><link>javascript:alert(1)</link>"
                "<enclosure url=\"https://kudora.org/18.zip\"/></item>"
                "<item><sparkle:version>17</sparkle:version><link>https://kudora.org/17</link></item>"));
    ASSERT_TRUE(unsafe && unsafe->newestApplicableItem(u"12"_s));
    EXPECT_EQ(unsafe->newestApplicableItem(u"12"_s)->downloadAddress(), QUrl(u"https://kudora.org/18.zip"_s));
}

} // namespace
