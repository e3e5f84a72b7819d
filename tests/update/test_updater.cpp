#include "DefaultsDomain.h"
#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingUserDriver.h"
#include "RecordingWorkspace.h"
#include "TestFeed.h"
#include "Updater.h"

#include <QDateTime>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;
using Shown = RecordingUserDriver::Shown;
using Choice = UserDriver::UpdateChoice;
using TestFeed::finishes;

namespace {

const QString FeedPath = u"/appcast.xml"_s;

class UpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.serve(FeedPath, TestFeed::rss({ { u"11"_s, u"1.1"_s }, { u"13"_s, u"1.3"_s } }));
        configure(server.url(FeedPath).toString(), false);
    }

    void configure(const QVariant& feed, bool automaticChecks, std::optional<QDateTime> lastCheck = {},
                   const QVariant& interval = {})
    {
        QVariantMap info = TestFeed::bundleInfo(feed, automaticChecks);
        if (interval.isValid())
            info.insert(u"SUScheduledCheckInterval"_s, interval);
        MainBundle::setInfoDictionaryForTesting(info);
        if (lastCheck)
            defaults->setValue(Updater::LastCheckTimeKey, *lastCheck);
        else
            defaults->removeValue(Updater::LastCheckTimeKey);
    }

    std::unique_ptr<Updater> makeUpdater(int timeoutMs = 5000, qint64 maximumSize = 4096)
    {
        Updater::Options options = TestFeed::loopbackOptions();
        options.feedLimits = { timeoutMs, maximumSize };
        options.systemVersion = u"12"_s;
        auto recording = std::make_unique<RecordingUserDriver>();
        driver = recording.get();
        return std::make_unique<Updater>(std::move(recording), defaults, options);
    }

    // A user-initiated check on a started updater, run to its end.
    void userCheck(Updater& updater)
    {
        driver->events.clear();
        updater.checkForUpdates();
        ASSERT_FALSE(updater.canCheckForUpdates());
        ASSERT_TRUE(finishes(updater));
    }

    LoopbackHttpServer server;
    std::shared_ptr<DefaultsDomain> defaults = std::make_shared<MemoryDefaultsDomain>();
    RecordingUserDriver* driver = nullptr;
};

TEST_F(UpdaterTest, CanCheckForUpdatesIsFalseUntilStartAndWhileAFetchRuns)
{
    auto updater = makeUpdater();
    EXPECT_FALSE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests.isEmpty());

    QList<bool> changes;
    qsizetype shownWhenEnabledAgain = -1;
    QObject::connect(updater.get(), &Updater::canCheckForUpdatesChanged, [&](bool value) {
        changes.append(value);
        if (value && changes.size() > 1)
            shownWhenEnabledAgain = driver->events.size();
    });

    ASSERT_TRUE(updater->start());
    EXPECT_TRUE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    EXPECT_FALSE(updater->canCheckForUpdates());
    updater->checkForUpdates(); // ignored: a check is already fetching
    ASSERT_TRUE(finishes(*updater));

    EXPECT_EQ(changes, (QList<bool> { true, false, true }));
    EXPECT_EQ(shownWhenEnabledAgain, 1) << "true again only once the result was shown";
    EXPECT_EQ(server.requests, QStringList { FeedPath });
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).shown, Shown::UpdateFound);
}

TEST_F(UpdaterTest, WithoutAUsableFeedAddressTheUpdaterNeverChecks)
{
    // The feed the tests use, plain http on loopback, is refused without the test allowance.
    Updater shipped(std::make_unique<RecordingUserDriver>(), defaults);
    EXPECT_FALSE(shipped.start());
    for (const QVariant& feed : { QVariant(), QVariant(u"not an address"_s),
                                  QVariant(u"http://example.org/appcast.xml"_s), QVariant(42) }) {
        configure(feed, true);
        auto updater = makeUpdater();
        EXPECT_FALSE(updater->start()) << feed.toString().toStdString();
        updater->checkForUpdates();
        EXPECT_FALSE(updater->start()) << "a second start changes nothing";
        EXPECT_FALSE(updater->canCheckForUpdates());
    }
    QTest::qWait(50);
    EXPECT_TRUE(server.requests.isEmpty());
    EXPECT_FALSE(defaults->value(Updater::LastCheckTimeKey).isValid());

    using Policy = FeedLoader::Policy;
    const std::tuple<QString, bool, bool> cases[] = {
        // address, permitted when shipped, permitted in tests
        { u"https://kudora.org/appcast.xml"_s, true, true },
        { u"https://127.0.0.1:8443/appcast.xml"_s, true, true },
        { u"http://kudora.org/appcast.xml"_s, false, false },
        { u"http://127.0.0.1:8080/appcast.xml"_s, false, true },
        { u"http://[::1]/appcast.xml"_s, false, true },
        { u"file:///tmp/appcast.xml"_s, false, false },
        { u"https:///appcast.xml"_s, false, false },
    };
    for (const auto& [url, shipped, testing] : cases) {
        EXPECT_EQ(FeedLoader::isPermitted(QUrl(url), Policy::HttpsOnly), shipped) << url.toStdString();
        EXPECT_EQ(FeedLoader::isPermitted(QUrl(url), Policy::AllowLoopbackHttpForTesting), testing)
            << url.toStdString();
    }
}

TEST_F(UpdaterTest, AUserCheckReportsWhatTheFeedHolds)
{
    const QString parseError = u"An error occurred while parsing the update feed."_s;
    const QString retrievalError =
        u"An error occurred in retrieving update information. Please try again later."_s;
    const QByteArray newer = TestFeed::rss({ { u"13"_s, u"1.3"_s } });
    server.redirect(u"/moved"_s, server.url(u"/newer"_s));
    server.redirect(u"/away"_s, QUrl(u"http://example.org/appcast.xml"_s));
    server.serve(u"/oversize-unannounced"_s, newer + QByteArray(2048, ' '), 200, false);
    server.hang(u"/silent"_s);
    const std::tuple<QString, QByteArray, Shown, QString> cases[] = {
        // path, body served there (the routes above answer the others), what is shown, why
        { u"/equal"_s, TestFeed::rss({ { u"12"_s, u"1.2"_s } }), Shown::UpToDate, {} },
        { u"/older"_s, TestFeed::rss({ { u"10"_s, u"1.0"_s }, { u"11"_s, u"1.1"_s } }), Shown::UpToDate, {} },
        { u"/empty"_s, TestFeed::rss({}), Shown::UpToDate, {} },
        { u"/unrunnable"_s, TestFeed::rss({ { u"14"_s, u"1.4"_s, u"99"_s } }), Shown::UpToDate, {} },
        { u"/newer"_s, newer, Shown::UpdateFound, {} },
        { u"/moved"_s, {}, Shown::UpdateFound, {} }, // a redirect that stays allowed is followed
        { u"/malformed"_s, "<rss><channel><item></channel>", Shown::Error, parseError },
        { u"/missing"_s, {}, Shown::Error, retrievalError },
        { u"/away"_s, {}, Shown::Error, retrievalError },
        { u"/oversize"_s, newer + QByteArray(2048, ' '), Shown::Error, retrievalError },
        { u"/oversize-unannounced"_s, {}, Shown::Error, retrievalError },
        { u"/silent"_s, {}, Shown::Error, retrievalError },
    };
    for (const auto& [path, body, shown, reason] : cases) {
        if (!body.isNull())
            server.serve(path, body);
    }
    for (const auto& [path, body, shown, reason] : cases) {
        configure(server.url(path).toString(), false);
        auto updater = makeUpdater(path == u"/silent"_s ? 300 : 5000, 1024);
        ASSERT_TRUE(updater->start());
        userCheck(*updater);
        ASSERT_EQ(driver->events.size(), 1) << path.toStdString();
        EXPECT_EQ(driver->events.at(0).shown, shown) << path.toStdString();
        EXPECT_EQ(driver->events.at(0).reason, reason) << path.toStdString();
    }
    // Nothing beyond the loopback server was asked; the allowed redirect was followed there.
    EXPECT_EQ(server.requests.size(), std::size(cases) + 1);
    EXPECT_EQ(server.requests.count(u"/newer"_s), 2);
}

TEST_F(UpdaterTest, SkippingAVersionHidesItFromBackgroundChecksOnly)
{
    {
        auto updater = makeUpdater();
        driver->answer = Choice::Skip;
        ASSERT_TRUE(updater->start());
        userCheck(*updater);
    }
    EXPECT_EQ(defaults->value(Updater::SkippedVersionKey), QVariant(u"13"_s));

    // A background check finds the skipped version and shows nothing; the person asking still sees it.
    configure(server.url(FeedPath).toString(), true);
    auto background = makeUpdater();
    ASSERT_TRUE(background->start());
    ASSERT_TRUE(finishes(*background));
    EXPECT_EQ(server.requests.size(), 2);
    EXPECT_TRUE(driver->events.isEmpty());
    userCheck(*background);
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).item.version, u"13"_s);

    // A newer version than the skipped one is offered again.
    server.serve(FeedPath, TestFeed::rss({ { u"14"_s, u"1.4"_s } }));
    configure(server.url(FeedPath).toString(), true);
    auto later = makeUpdater();
    ASSERT_TRUE(later->start());
    ASSERT_TRUE(finishes(*later));
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).item.version, u"14"_s);
}

TEST_F(UpdaterTest, AnAnswerAfterTheUpdaterIsGoneIsDropped)
{
    RecordingWorkspace workspace;
    auto updater = makeUpdater();
    ASSERT_TRUE(updater->start());
    userCheck(*updater);
    UserDriver::UpdateReply orphan = std::move(driver->pendingReply);
    ASSERT_TRUE(orphan);
    updater.reset();
    orphan(Choice::Download);
    orphan(Choice::Skip);
    EXPECT_TRUE(workspace.openedUrls.isEmpty());
    EXPECT_FALSE(defaults->value(Updater::SkippedVersionKey).isValid());
}

// Background checks show nothing unless they find an update (see the skipping test): neither an
// up-to-date result nor a failure.
TEST_F(UpdaterTest, AutomaticChecksRunAtStartOnlyWhenEnabledAndDueAndShowNothing)
{
    server.serve(FeedPath, TestFeed::rss({ { u"12"_s, u"1.2"_s } }));
    server.serve(u"/broken"_s, "<rss>");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const std::tuple<QString, bool, std::optional<QDateTime>, QVariant, bool> cases[] = {
        // feed, automatic checks, last check, interval, checks at start
        { FeedPath, false, std::nullopt, {}, false },
        { FeedPath, true, std::nullopt, {}, true },
        { FeedPath, true, now.addSecs(-2 * 3600), {}, false },
        { FeedPath, true, now.addSecs(-2 * 3600), QVariant(qlonglong(3600)), true },
        // Intervals under an hour count as an hour.
        { FeedPath, true, now.addSecs(-1800), QVariant(qlonglong(60)), false },
        { FeedPath, true, now.addSecs(-1800), QVariant(-5.0), false },
        // A last check in the future means a wrong clock then, not a wait until then.
        { FeedPath, true, now.addDays(1), {}, true },
        { u"/missing"_s, true, std::nullopt, {}, true },
        { u"/broken"_s, true, std::nullopt, {}, true },
    };
    qsizetype expectedRequests = 0;
    for (const auto& [path, enabled, lastCheck, interval, checksAtStart] : cases) {
        configure(server.url(path).toString(), enabled, lastCheck, interval);
        auto updater = makeUpdater();
        ASSERT_TRUE(updater->start());
        const std::string label =
            path.toStdString() + (lastCheck ? lastCheck->toString(Qt::ISODate).toStdString() : " never");
        EXPECT_EQ(updater->canCheckForUpdates(), !checksAtStart) << label;
        ASSERT_TRUE(finishes(*updater));
        if (checksAtStart) {
            ++expectedRequests;
            const QDateTime recorded = defaults->value(Updater::LastCheckTimeKey).toDateTime();
            EXPECT_LE(qAbs(recorded.secsTo(QDateTime::currentDateTimeUtc())), 60) << label;
        }
        EXPECT_EQ(server.requests.size(), expectedRequests) << label;
        EXPECT_TRUE(driver->events.isEmpty()) << label;
    }
}

} // namespace
