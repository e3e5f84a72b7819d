// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appcast.h"
#include "FeedLoader.h"
#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingWorkspace.h"
#include "StandardUserDriver.h"
#include "TestFeed.h"
#include "UpdaterController.h"
#include "VersionComparator.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

using Shown = RecordingUserDriver::Shown;
using TestFeed::channel;
using TestFeed::finishes;

namespace {

bool isDeleted(const QPointer<QMessageBox>& box)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return box.isNull();
}

class UpdaterTest : public ::testing::Test
{
protected:
    // As the application names itself after TestFeed::bundleInfo().
    void SetUp() override
    {
        QGuiApplication::setApplicationDisplayName(u"Kudora"_s);
        QCoreApplication::setApplicationVersion(u"1.2"_s);
    }
    // automatic is the program's opt-in (none when invalid).
    std::unique_ptr<Updater> makeUpdater(const QVariant& feed, const QVariant& automatic = false,
                                         const QVariant& interval = {}, int timeoutMs = 5000)
    {
        info = TestFeed::bundleInfo(feed, automatic);
        info.insert(u"SUScheduledCheckInterval"_s, interval);
        auto recording = std::make_unique<RecordingUserDriver>();
        driver = recording.get();
        return std::make_unique<Updater>(
            std::move(recording), defaults, info, workspace,
            Updater::Options { TestFeed::loopbackOptions().feedPolicy, { timeoutMs, 1024 }, u"12"_s });
    }
    QVariant feed(const QString& path) const { return server.url(path).toString(); }

    // Runs a user-initiated check through the standard windows and returns the window it shows.
    QMessageBox* checkThroughTheWindows()
    {
        server.serve(
            u"/update"_s,
            TestFeed::rss({ { u"13"_s, u"&lt;b&gt;1.3&lt;/b&gt;"_s, {}, u"https://kudora.org/1.3"_s } }));
        auto* windows = new StandardUserDriver;
        controller = std::make_unique<UpdaterController>(true, std::unique_ptr<UserDriver>(windows), defaults,
                                                         TestFeed::bundleInfo(feed(u"/update"_s)), workspace,
                                                         TestFeed::loopbackOptions());
        controller->updater()->checkForUpdates();
        return finishes(*controller->updater()) ? windows->currentWindow() : nullptr;
    }

    LoopbackHttpServer server;
    std::shared_ptr<DefaultsDomain> defaults = std::make_shared<MemoryDefaultsDomain>();
    RecordingWorkspace workspace;
    QVariantMap info;
    RecordingUserDriver* driver = nullptr;
    std::unique_ptr<UpdaterController> controller;
};

TEST_F(UpdaterTest, OnlyAnHttpsFeedOrInTestsALoopbackOneIsEverRead)
{
    const std::tuple<QVariant, bool, bool> cases[] = {
        // SUFeedURL, started when shipped, started in tests
        { {}, false, false },
        { 42, false, false },
        { u"not an address"_s, false, false },
        { u"https://kudora.org/appcast.xml"_s, true, true },
        { u"http://kudora.org/appcast.xml"_s, false, false },
        { u"http://127.0.0.1:8080/appcast.xml"_s, false, true },
        { u"http://[::1]/appcast.xml"_s, false, true },
        { u"http://LocalHost/appcast.xml"_s, false, true },
        { u"file:///tmp/appcast.xml"_s, false, false },
        { u"https:///appcast.xml"_s, false, false },
    };
    for (const auto& [url, shipped, testing] : cases) {
        auto updater = makeUpdater(url);
        EXPECT_EQ(Updater(std::make_unique<RecordingUserDriver>(), defaults, info, workspace).start(),
                  shipped)
            << url.toString().toStdString();
        EXPECT_EQ(updater->start(), testing) << url.toString().toStdString();
        if (!testing)
            updater->checkForUpdates(); // not even asking reads a refused feed
        EXPECT_EQ(updater->start(), testing) << "a second start changes nothing";
    }
    EXPECT_FALSE(defaults->value(Updater::LastCheckTimeKey).isValid());
}

TEST_F(UpdaterTest, AUserCheckReportsWhatTheFeedHoldsOrWhyItFailed)
{
    const QString unreadable = u"The update feed could not be read. Please try again later."_s;
    const QString noAnswer = u"The update server did not answer. Please try again later."_s;
    const QByteArray newer = TestFeed::rss({ { u"13"_s, u"1.3"_s } });
    server.redirect(u"/moved"_s, server.url(u"/newer"_s));
    server.redirect(u"/away"_s, QUrl(u"http://example.org/appcast.xml"_s));
    server.serve(u"/oversize-unannounced"_s, newer + QByteArray(2048, ' '), 200, false);
    server.serve(u"/unavailable"_s, "busy", 503);
    server.hang(u"/silent"_s);
    QTcpServer closed; // a port where nobody listens any more
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString refused = u"http://127.0.0.1:%1/appcast.xml"_s.arg(closed.serverPort());
    closed.close();
    // Skipping a version hides it from background checks only: the person asking still sees it.
    defaults->setValue(Updater::SkippedVersionKey, u"13"_s);
    const std::tuple<QString, QByteArray, Shown, QString> cases[] = {
        // path or address, body served there (the routes above answer the others), what is shown, why
        { u"/equal"_s, TestFeed::rss({ { u"12"_s, u"1.2"_s } }), Shown::UpToDate, {} },
        { u"/older"_s, TestFeed::rss({ { u"10"_s, u"1.0"_s }, { u"11"_s, u"1.1"_s } }), Shown::UpToDate, {} },
        { u"/empty"_s, TestFeed::rss({}), Shown::UpToDate, {} },
        { u"/unrunnable"_s, TestFeed::rss({ { u"14"_s, u"1.4"_s, u"99"_s } }), Shown::UpToDate, {} },
        { u"/newer"_s, newer, Shown::UpdateFound, {} },
        { u"/moved"_s, {}, Shown::UpdateFound, {} }, // a redirect that stays allowed is followed
        { u"/malformed"_s, "<rss><channel><item></channel>", Shown::Error, unreadable },
        { u"/missing"_s, {}, Shown::Error, unreadable },
        { u"/away"_s, {}, Shown::Error, unreadable },
        { u"/oversize"_s, newer + QByteArray(2048, ' '), Shown::Error, unreadable },
        { u"/oversize-unannounced"_s, {}, Shown::Error, unreadable },
        { u"/unavailable"_s, {}, Shown::Error, noAnswer },
        { u"/silent"_s, {}, Shown::Error, noAnswer },
        { refused, {}, Shown::Error, noAnswer },
    };
    for (const auto& [path, body, shown, reason] : cases) {
        if (!body.isNull())
            server.serve(path, body);
        QList<qsizetype> shownWhenChanged; // -1 when disabled
        auto updater = makeUpdater(path.startsWith(u'/') ? feed(path) : path, false, {},
                                   path == u"/silent"_s ? 300 : 5000);
        ASSERT_TRUE(updater->start());
        QObject::connect(updater.get(), &Updater::canCheckForUpdatesChanged,
                         [&](bool can) { shownWhenChanged.append(can ? driver->events.size() : -1); });
        updater->checkForUpdates();
        updater->checkForUpdates(); // asking again meanwhile does nothing
        ASSERT_TRUE(finishes(*updater));
        EXPECT_EQ(shownWhenChanged, (QList<qsizetype> { -1, 1 })) << "enabled again once the result is shown";
        EXPECT_EQ(driver->events.value(0).first, shown) << path.toStdString();
        EXPECT_EQ(driver->events.value(0).second, reason) << path.toStdString();
    }
    // One request a check that reached the server, and one more where the redirect was followed.
    EXPECT_EQ(server.requests.size(), std::size(cases));
}

TEST(FeedLoader, AFailureIsToldAsNoNetworkNoAnswerOrAnUnreadableFeed)
{
    using Failure = FeedLoader::Failure;
    using Error = QNetworkReply::NetworkError;
    // Those that a server on the loopback interface cannot bring about; the others are above.
    const std::tuple<Error, int, Failure> cases[] = {
        { QNetworkReply::HostNotFoundError, 0, Failure::NoNetwork },
        { QNetworkReply::UnknownNetworkError, 0, Failure::NoNetwork }, // no route to the host
        { QNetworkReply::NetworkSessionFailedError, 0, Failure::NoNetwork },
        { QNetworkReply::TimeoutError, 0, Failure::NoAnswer },
        { QNetworkReply::RemoteHostClosedError, 0, Failure::NoAnswer },
        { QNetworkReply::OperationNotImplementedError, 501, Failure::NoAnswer }, // as every 5xx
        { QNetworkReply::SslHandshakeFailedError, 0, Failure::Unreadable },
        { QNetworkReply::ContentAccessDenied, 403, Failure::Unreadable },
    };
    for (const auto& [error, status, failure] : cases)
        EXPECT_EQ(FeedLoader::failureOf(error, status), failure) << error;
}

TEST_F(UpdaterTest, AutomaticChecksRunAtStartOnlyWhenEnabledAndDueAndShowOnlyUnskippedUpdates)
{
    for (const auto& [path, version] :
         { std::pair(u"/feed"_s, u"12"_s), { u"/skipped"_s, u"13"_s }, { u"/newer"_s, u"14"_s } })
        server.serve(path, TestFeed::rss({ { version, version } }));
    server.serve(u"/broken"_s, "<rss>");
    defaults->setValue(Updater::SkippedVersionKey, u"13"_s);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    using Last = std::optional<QDateTime>;
    const std::tuple<QString, bool, Last, QVariant, bool, Last> cases[] = {
        // feed, automatic checks, last check, interval, checks at start, last check once that began
        { u"/feed"_s, false, std::nullopt, {}, false, {} },
        // The schedule reads the last check afresh: a day gone by during a check (the machine slept)
        // makes the next one due at once; so does a clock set back, also after a check that failed.
        { u"/feed"_s, true, std::nullopt, {}, true, now.addDays(-2) },
        { u"/feed"_s, true, now.addSecs(-2 * 3600), {}, false, {} },
        { u"/feed"_s, true, now.addSecs(-2 * 3600), QVariant(qlonglong(3600)), true, {} },
        { u"/feed"_s, true, now.addSecs(-1800), QVariant(qlonglong(60)), false, {} }, // an hour at least
        { u"/feed"_s, true, now.addDays(1), {}, true, {} }, // a future last check means a wrong clock then
        { u"/missing"_s, true, std::nullopt, {}, true, now.addDays(1) },
        { u"/broken"_s, true, std::nullopt, {}, true, {} },
        { u"/skipped"_s, true, std::nullopt, {}, true, {} },
        { u"/newer"_s, true, std::nullopt, {}, true, {} },
    };
    qsizetype expectedRequests = 0;
    for (const auto& [path, enabled, lastCheck, interval, checksAtStart, meanwhile] : cases) {
        lastCheck ? defaults->setValue(Updater::LastCheckTimeKey, *lastCheck)
                  : defaults->removeValue(Updater::LastCheckTimeKey);
        auto updater = makeUpdater(feed(path), enabled, interval);
        ASSERT_TRUE(updater->start());
        const std::string label = path.toStdString() + (lastCheck ? lastCheck->toString().toStdString() : "");
        if (meanwhile)
            defaults->setValue(Updater::LastCheckTimeKey, *meanwhile);
        ASSERT_TRUE(finishes(*updater));
        expectedRequests += checksAtStart + meanwhile.has_value();
        if (meanwhile) { // the scheduled check, in the background as the first
            ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == expectedRequests; }, 10000))
                << label;
            ASSERT_TRUE(finishes(*updater));
        }
        const QDateTime last = defaults->value(Updater::LastCheckTimeKey).toDateTime(); // the attempt counts
        EXPECT_TRUE(!checksAtStart || qAbs(last.secsTo(now)) <= 60) << label;
        EXPECT_EQ(server.requests.size(), expectedRequests) << label;
        EXPECT_EQ(driver->events.size(), path == u"/newer"_s ? 1 : 0) << label;
    }
}

TEST_F(UpdaterTest, AutomaticChecksWaitForAYesThatIsAskedForFromTheSecondLaunchOn)
{
    server.serve(u"/feed"_s, TestFeed::rss({ { u"12"_s, u"1.2"_s } }));
    // The program as shipped opts nobody in.
    EXPECT_FALSE(
        Updater(std::make_unique<RecordingUserDriver>(), defaults, MainBundle::infoDictionary(), workspace)
            .automaticallyChecksForUpdates());
    const struct
    {
        QVariant optIn, chosen; // the program's and the person's (invalid: none)
        bool launchedBefore;
        std::optional<bool> answer;
        bool asks, checks;
    } launches[] = {
        { {}, {}, false, std::nullopt, false, false },
        { {}, {}, false, true, false, true }, // the menu item decides on the first launch too
        { {}, {}, true, std::nullopt, true, false },
        { {}, {}, true, true, true, true },
        { {}, {}, true, false, true, false },
        { {}, u"yes"_s, true, std::nullopt, true, false }, // a stored value that is no answer
        { true, {}, false, std::nullopt, false, true },
        { true, false, true, std::nullopt, false, false },
        { false, true, true, std::nullopt, false, true },
    };
    qsizetype requests = 0;
    for (const auto& [optIn, chosen, launchedBefore, answer, asks, checks] : launches) {
        defaults = std::make_shared<MemoryDefaultsDomain>();
        if (chosen.isValid())
            defaults->setValue(Updater::AutomaticChecksKey, chosen);
        if (launchedBefore)
            defaults->setValue(Updater::HasLaunchedBeforeKey, true);
        auto updater = makeUpdater(feed(u"/feed"_s), optIn);
        QSignalSpy changed(updater.get(), &Updater::automaticallyChecksForUpdatesChanged);
        ASSERT_TRUE(updater->start());
        const std::string label = QStringLiteral("%1 %2 %3 %4")
                                      .arg(optIn.toString(), chosen.toString())
                                      .arg(launchedBefore)
                                      .arg(answer ? int(*answer) : -1)
                                      .toStdString();
        EXPECT_EQ(updater->shouldAskPermission(), asks) << label;
        EXPECT_EQ(defaults->value(Updater::HasLaunchedBeforeKey), QVariant(true)) << label;
        const bool before = updater->automaticallyChecksForUpdates();
        if (answer) {
            updater->setAutomaticallyChecksForUpdates(*answer);
            updater->setAutomaticallyChecksForUpdates(*answer); // the same again changes nothing
            EXPECT_FALSE(updater->shouldAskPermission()) << label;
            EXPECT_EQ(defaults->value(Updater::AutomaticChecksKey), QVariant(*answer)) << label;
            EXPECT_EQ(changed.count(), int(before != *answer)) << label;
        }
        // A check begins at once or not at all, and the double sees exactly those that began.
        EXPECT_EQ(updater->canCheckForUpdates(), !checks) << label;
        ASSERT_TRUE(finishes(*updater));
        requests += checks;
        EXPECT_EQ(server.requests.size(), requests) << label;
    }
}

TEST_F(UpdaterTest, ResultsAreTopLevelWindowsAFailureIsOverTheShownMainWindowAndANewResultReplacesTheOld)
{
    StandardUserDriver driver;
    QWidget mainWindow;
    driver.setMainWindow(&mainWindow);
    QPointer<QMessageBox> box;
    for (const auto& [error, mainWindowShown] : { std::pair(QString(), true),
                                                  { u"The feed is unreachable."_s, true },
                                                  { u"The feed is unreachable."_s, false } }) {
        mainWindow.setVisible(mainWindowShown);
        error.isNull() ? driver.showUpToDate() : driver.showError(error);
        EXPECT_TRUE(isDeleted(box));
        box = driver.currentWindow();
        const bool over = !error.isNull() && mainWindowShown;
        ASSERT_TRUE(box && box->isVisible());
        EXPECT_EQ(std::pair(box->parentWidget(), box->windowModality()),
                  over ? std::pair(&mainWindow, Qt::WindowModal) : std::pair(nullptr, Qt::NonModal));
        EXPECT_EQ(box->text() + u' ' + box->informativeText(),
                  error.isNull()
                      ? u"You’re up to date! Kudora 1.2 is currently the newest version available."_s
                      : u"Update Error! "_s + error);
    }
    QTest::mouseClick(box->buttons().value(0), Qt::LeftButton);
    EXPECT_TRUE(isDeleted(box));
}

TEST_F(UpdaterTest, AnUpdateFoundOffersThreeChoicesAndDownloadsOnlyThroughTheWorkspace)
{
    const std::tuple<QString, bool, QVariant> choices[] = {
        // button (none: Escape, meaning later), updater still there, version skipped
        { QString(), true, QVariant() },
        { u"Download"_s, false, {} }, // an answer after the updater is gone is dropped
        { u"Download"_s, true, {} },
        { u"Skip This Version"_s, true, u"13"_s },
    };
    for (const auto& [button, updaterThere, skipped] : choices) {
        QPointer<QMessageBox> box = checkThroughTheWindows();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), u"A new version of Kudora is available!"_s);
        EXPECT_EQ(box->informativeText(),
                  u"Kudora <b>1.3</b> is now available—you have 1.2. Would you like to download it now?"_s);
        for (const QLabel* label : box->findChildren<QLabel*>()) // feed texts are never markup
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        QStringList titles;
        std::ranges::transform(box->buttons(), std::back_inserter(titles), &QAbstractButton::text);
        EXPECT_EQ(QSet(titles.begin(), titles.end()),
                  (QSet { u"Download"_s, u"Remind Me Later"_s, u"Skip This Version"_s }));
        if (!updaterThere)
            controller.reset();
        button.isEmpty() ? QTest::keyClick(box, Qt::Key_Escape)
                         : QTest::mouseClick(box->buttons().value(titles.indexOf(button)), Qt::LeftButton);
        EXPECT_TRUE(isDeleted(box));
        EXPECT_EQ(defaults->value(Updater::SkippedVersionKey), skipped);
    }
    EXPECT_EQ(workspace.openedUrls, (QList<QUrl> { QUrl(u"https://kudora.org/1.3"_s) }));
}

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

TEST_F(UpdaterTest, AFeedLoadEndsOnceAndALoadThatWasAbandonedIsNeverHeard)
{
    server.serve(u"/feed"_s, TestFeed::rss({}));
    FeedLoader loader(FeedLoader::Policy::AllowLoopbackHttpForTesting, { 5000, 1024 * 1024 });
    QSignalSpy loaded(&loader, &FeedLoader::loaded), failed(&loader, &FeedLoader::failed);
    const QUrl refused(u"http://example.org/appcast.xml"_s);
    loader.load(refused);
    EXPECT_EQ(failed.count(), 0) << "never before load() returns";
    ASSERT_TRUE(failed.wait(5000));
    loader.load(refused);
    loader.load(server.url(u"/feed"_s));
    ASSERT_TRUE(loaded.wait(5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(loaded.count(), failed.count()), std::pair(qsizetype(1), qsizetype(1)));
}
