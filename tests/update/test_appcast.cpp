#include "Appcast.h"
#include "TestFeed.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using TestFeed::channel;

namespace {

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
    ASSERT_EQ(appcast->items().size(), 2);

    const AppcastItem& first = appcast->items().at(0);
    EXPECT_EQ(first.title, u"Kudora 1.3"_s);
    EXPECT_EQ(first.version, u"13"_s);
    EXPECT_EQ(first.displayVersion(), u"1.3"_s);
    EXPECT_EQ(first.minimumSystemVersion, u"11.0"_s);
    EXPECT_EQ(first.downloadAddress(), QUrl(u"https://kudora.org/1.3"_s));

    // Versions given only on the enclosure count, and the download is the address without a page.
    const AppcastItem& second = appcast->items().at(1);
    EXPECT_EQ(second.version, u"14"_s);
    EXPECT_EQ(second.displayVersion(), u"1.4"_s);
    EXPECT_EQ(second.downloadAddress(), QUrl(u"https://kudora.org/Kudora-1.4.zip"_s));
}

TEST(Appcast, RefusesDocumentsThatAreNotWellFormedAppcasts)
{
    const QByteArray refused[] = {
        "not xml at all",
        // Truncated after a complete item: nothing of it is trusted.
        channel("<item><sparkle:version>13</sparkle:version><link>https://kudora.org</link></item>")
            .chopped(6),
        "<?xml version=\"1.0\"?><feed><item/></feed>",
        // A document type declaration, here defining the classic entity bomb.
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
    EXPECT_EQ(appcast->newestApplicableItem(u"12"_s)->version, u"13"_s);
    EXPECT_EQ(appcast->newestApplicableItem(u"12.1"_s)->version, u"14"_s);
    EXPECT_EQ(appcast->newestApplicableItem(u"9"_s)->version, u"11"_s);
    // When the system's version cannot be told, no item is held back for it.
    EXPECT_EQ(appcast->newestApplicableItem(u"unknown"_s)->version, u"14"_s);

    const auto unsafe = Appcast::parse(
        channel("<item><sparkle:version>20</sparkle:version><link>http://kudora.org/plain</link></item>"
                "<item><sparkle:version>19</sparkle:version><link>file:///bin/sh</link></item>"
                "<item><sparkle:version>18</sparkle:version><link>javascript:alert(1)</link>"
                "<enclosure url=\"https://kudora.org/18.zip\"/></item>"
                "<item><sparkle:version>17</sparkle:version><link>https://kudora.org/17</link></item>"));
    ASSERT_TRUE(unsafe);
    const auto newest = unsafe->newestApplicableItem(u"12"_s);
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->version, u"18"_s);
    EXPECT_EQ(newest->downloadAddress(), QUrl(u"https://kudora.org/18.zip"_s));
}

} // namespace
