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

using namespace Qt::StringLiterals;
using Shown = RecordingUserDriver::Shown;
using Choice = UserDriver::UpdateChoice;

namespace {

const QString FeedPath = u"/appcast.xml"_s;
const QString RetrievalError =
    u"An error occurred in retrieving update information. Please try again later."_s;
const QString ParseError = u"An error occurred while parsing the update feed."_s;

class UpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.serve(FeedPath, TestFeed::rss({ { u"11"_s, u"1.1"_s }, { u"13"_s, u"1.3"_s } }));
        info = {
            { u"CFBundleName"_s, u"Kudora"_s },
            { u"CFBundleVersion"_s, u"12"_s },
            { u"CFBundleShortVersionString"_s, u"1.2"_s },
            { u"SUFeedURL"_s, server.url(FeedPath).toString() },
            { u"SUEnableAutomaticChecks"_s, false },
        };
        applyInfo();
    }

    void applyInfo() { MainBundle::setInfoDictionaryForTesting(info); }

    static Updater::Options testOptions()
    {
        Updater::Options options;
        options.feedPolicy = FeedLoader::Policy::AllowLoopbackHttpForTesting;
        options.feedLimits.transferTimeoutMs = 5000;
        options.systemVersion = u"12"_s;
        return options;
    }

    std::unique_ptr<Updater> makeUpdater(Updater::Options options = testOptions())
    {
        auto recording = std::make_unique<RecordingUserDriver>();
        driver = recording.get();
        return std::make_unique<Updater>(std::move(recording), defaults, std::move(options));
    }

    // Waits until the check under way has shown its result.
    static bool finishes(Updater& updater)
    {
        return QTest::qWaitFor([&] { return updater.canCheckForUpdates(); }, 20000);
    }

    // A user-initiated check on a started updater, run to its end.
    void userCheck(Updater& updater)
    {
        updater.checkForUpdates();
        ASSERT_FALSE(updater.canCheckForUpdates());
        ASSERT_TRUE(finishes(updater));
    }

    void setAutomaticChecks(std::optional<QDateTime> lastCheck)
    {
        info.insert(u"SUEnableAutomaticChecks"_s, true);
        applyInfo();
        if (lastCheck)
            defaults->setValue(Updater::LastCheckTimeKey, *lastCheck);
        else
            defaults->removeValue(Updater::LastCheckTimeKey);
    }

    LoopbackHttpServer server;
    QVariantMap info;
    std::shared_ptr<DefaultsDomain> defaults = std::make_shared<MemoryDefaultsDomain>();
    RecordingUserDriver* driver = nullptr;
};

TEST_F(UpdaterTest, canCheckForUpdatesIsFalseUntilStartAndWhileAFetchRuns)
{
    auto updater = makeUpdater();
    EXPECT_FALSE(updater->canCheckForUpdates());
    updater->checkForUpdates();
    QCoreApplication::processEvents();
    EXPECT_TRUE(server.requests().isEmpty());

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
    EXPECT_EQ(server.requestCount(FeedPath), 1);
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).shown, Shown::UpdateFound);
}

TEST_F(UpdaterTest, withoutAUsableFeedAddressTheUpdaterNeverChecks)
{
    const QVariant feeds[] = {
        QVariant(),
        u""_s,
        u"not an address"_s,
        u"ftp://127.0.0.1/appcast.xml"_s,
        u"http://example.org/appcast.xml"_s, // plain http is allowed for tests on loopback only
        QVariant(42),
    };
    for (const QVariant& feed : feeds) {
        if (feed.isValid())
            info.insert(u"SUFeedURL"_s, feed);
        else
            info.remove(u"SUFeedURL"_s);
        info.insert(u"SUEnableAutomaticChecks"_s, true);
        applyInfo();
        auto updater = makeUpdater();
        EXPECT_FALSE(updater->start()) << feed.toString().toStdString();
        EXPECT_FALSE(updater->canCheckForUpdates());
        updater->checkForUpdates();
        EXPECT_FALSE(updater->start()) << "a second start changes nothing";
        EXPECT_FALSE(updater->canCheckForUpdates());
    }
    QTest::qWait(50);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(defaults->value(Updater::LastCheckTimeKey).isValid());
}

TEST_F(UpdaterTest, theShippedPolicyRefusesAnythingButHttps)
{
    // The feed the tests use, plain http on loopback, is refused without the test allowance.
    auto updater = makeUpdater(Updater::Options {});
    EXPECT_FALSE(updater->start());
    EXPECT_FALSE(updater->canCheckForUpdates());

    using Policy = FeedLoader::Policy;
    const struct
    {
        QString url;
        bool shipped;
        bool testing;
    } cases[] = {
        { u"https://kudora.org/appcast.xml"_s, true, true },
        { u"https://127.0.0.1:8443/appcast.xml"_s, true, true },
        { u"http://kudora.org/appcast.xml"_s, false, false },
        { u"http://127.0.0.1:8080/appcast.xml"_s, false, true },
        { u"http://localhost/appcast.xml"_s, false, true },
        { u"http://[::1]/appcast.xml"_s, false, true },
        { u"file:///tmp/appcast.xml"_s, false, false },
        { u"https:///appcast.xml"_s, false, false },
        { u"/appcast.xml"_s, false, false },
        { u"ftp://kudora.org/appcast.xml"_s, false, false },
    };
    for (const auto& c : cases) {
        const QUrl url(c.url);
        EXPECT_EQ(FeedLoader::isPermitted(url, Policy::HttpsOnly), c.shipped) << c.url.toStdString();
        EXPECT_EQ(FeedLoader::isPermitted(url, Policy::AllowLoopbackHttpForTesting), c.testing)
            << c.url.toStdString();
    }
}

TEST_F(UpdaterTest, aUserCheckWithNothingNewerReportsUpToDate)
{
    const QByteArray feeds[] = {
        TestFeed::rss({ { u"12"_s, u"1.2"_s } }),
        TestFeed::rss({ { u"10"_s, u"1.0"_s }, { u"11"_s, u"1.1"_s } }),
        TestFeed::rss({}),
        TestFeed::rss({ { u"14"_s, u"1.4"_s, u"99"_s } }),
    };
    auto updater = makeUpdater();
    ASSERT_TRUE(updater->start());
    for (const QByteArray& feed : feeds) {
        server.serve(FeedPath, feed);
        driver->events.clear();
        userCheck(*updater);
        ASSERT_EQ(driver->events.size(), 1) << feed.toStdString();
        EXPECT_EQ(driver->events.at(0).shown, Shown::UpToDate) << feed.toStdString();
    }
}

TEST_F(UpdaterTest, aUserCheckReportsFeedsThatCannotBeReadOrTrusted)
{
    const QString redirectedAway = u"/away"_s;
    server.redirect(redirectedAway, QUrl(u"http://example.org/appcast.xml"_s));
    const QString redirectedToFile = u"/file"_s;
    server.redirect(redirectedToFile, QUrl(u"file:///etc/passwd"_s));
    const QString missing = u"/missing"_s;
    const QString malformed = u"/malformed"_s;
    server.serve(malformed, "<rss><channel><item></channel>");
    const QString oversize = u"/oversize"_s;
    server.serve(oversize, TestFeed::rss({ { u"13"_s, u"1.3"_s } }) + QByteArray(2048, ' '));
    // Accepts the request and never answers.
    const QString silent = u"/silent"_s;
    server.hang(silent);
    const QString oversizeWithoutLength = u"/oversize-unannounced"_s;
    server.serve(oversizeWithoutLength, TestFeed::rss({ { u"13"_s, u"1.3"_s } }) + QByteArray(2048, ' '), 200,
                 false);

    const std::pair<QString, QString> cases[] = {
        { malformed, ParseError },          { missing, RetrievalError },
        { redirectedAway, RetrievalError }, { redirectedToFile, RetrievalError },
        { oversize, RetrievalError },       { oversizeWithoutLength, RetrievalError },
        { silent, RetrievalError },
    };
    for (const auto& [path, reason] : cases) {
        info.insert(u"SUFeedURL"_s, server.url(path).toString());
        applyInfo();
        Updater::Options options = testOptions();
        options.feedLimits.maximumSize = 1024;
        options.feedLimits.transferTimeoutMs = 300;
        auto updater = makeUpdater(options);
        ASSERT_TRUE(updater->start());
        userCheck(*updater);
        ASSERT_EQ(driver->events.size(), 1) << path.toStdString();
        EXPECT_EQ(driver->events.at(0).shown, Shown::Error) << path.toStdString();
        EXPECT_EQ(driver->events.at(0).reason, reason) << path.toStdString();
    }
    // Nothing beyond the loopback server was asked.
    EXPECT_EQ(server.requests().size(), std::size(cases));
}

TEST_F(UpdaterTest, followsRedirectsThatStayAllowed)
{
    const QString moved = u"/moved"_s;
    server.redirect(moved, server.url(FeedPath));
    info.insert(u"SUFeedURL"_s, server.url(moved).toString());
    applyInfo();
    auto updater = makeUpdater();
    ASSERT_TRUE(updater->start());
    userCheck(*updater);
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).shown, Shown::UpdateFound);
    EXPECT_EQ(server.requests(), (QStringList { moved, FeedPath }));
}

TEST_F(UpdaterTest, skippingAVersionHidesItFromBackgroundChecksOnly)
{
    {
        auto updater = makeUpdater();
        driver->answer = Choice::Skip;
        ASSERT_TRUE(updater->start());
        userCheck(*updater);
    }
    EXPECT_EQ(defaults->value(Updater::SkippedVersionKey), QVariant(u"13"_s));

    // A background check finds the skipped version and shows nothing.
    setAutomaticChecks(std::nullopt);
    auto background = makeUpdater();
    ASSERT_TRUE(background->start());
    ASSERT_TRUE(finishes(*background));
    EXPECT_EQ(server.requestCount(FeedPath), 2);
    EXPECT_TRUE(driver->events.isEmpty());

    // The person asking still sees it.
    userCheck(*background);
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).item.version, u"13"_s);

    // A newer version than the skipped one is offered again.
    server.serve(FeedPath, TestFeed::rss({ { u"14"_s, u"1.4"_s } }));
    setAutomaticChecks(std::nullopt);
    auto later = makeUpdater();
    ASSERT_TRUE(later->start());
    ASSERT_TRUE(finishes(*later));
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).item.version, u"14"_s);
}

TEST_F(UpdaterTest, anAnswerAfterTheUpdaterIsGoneIsDropped)
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

TEST_F(UpdaterTest, automaticChecksRunAtStartOnlyWhenEnabledAndDue)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const struct
    {
        bool enabled;
        std::optional<QDateTime> lastCheck;
        QVariant interval;
        bool checksAtStart;
    } cases[] = {
        { false, std::nullopt, {}, false },
        { true, std::nullopt, {}, true },
        { true, now.addSecs(-600), {}, false },
        { true, now.addDays(-2), {}, true },
        { true, now.addSecs(-2 * 3600), {}, false },
        { true, now.addSecs(-2 * 3600), QVariant(qlonglong(3600)), true },
        // Intervals under an hour count as an hour.
        { true, now.addSecs(-1800), QVariant(qlonglong(60)), false },
        { true, now.addSecs(-1800), QVariant(-5.0), false },
        // A last check in the future means a wrong clock then, not a wait until then.
        { true, now.addDays(1), {}, true },
    };
    int expectedRequests = 0;
    for (const auto& c : cases) {
        if (c.interval.isValid())
            info.insert(u"SUScheduledCheckInterval"_s, c.interval);
        else
            info.remove(u"SUScheduledCheckInterval"_s);
        info.insert(u"SUEnableAutomaticChecks"_s, c.enabled);
        applyInfo();
        if (c.lastCheck)
            defaults->setValue(Updater::LastCheckTimeKey, *c.lastCheck);
        else
            defaults->removeValue(Updater::LastCheckTimeKey);

        server.serve(FeedPath, TestFeed::rss({ { u"12"_s, u"1.2"_s } }));
        auto updater = makeUpdater();
        ASSERT_TRUE(updater->start());
        const std::string label = c.lastCheck ? c.lastCheck->toString(Qt::ISODate).toStdString() : "never";
        EXPECT_EQ(updater->canCheckForUpdates(), !c.checksAtStart) << label;
        ASSERT_TRUE(finishes(*updater));
        if (c.checksAtStart) {
            ++expectedRequests;
            const QDateTime recorded = defaults->value(Updater::LastCheckTimeKey).toDateTime();
            EXPECT_LE(qAbs(recorded.secsTo(QDateTime::currentDateTimeUtc())), 60) << label;
        }
        EXPECT_EQ(server.requestCount(FeedPath), expectedRequests) << label;
        EXPECT_TRUE(driver->events.isEmpty()) << "a background check that finds nothing new shows nothing";
    }
}

TEST_F(UpdaterTest, backgroundChecksShowUpdatesButNotFailures)
{
    setAutomaticChecks(std::nullopt);
    auto updater = makeUpdater();
    ASSERT_TRUE(updater->start());
    ASSERT_TRUE(finishes(*updater));
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).shown, Shown::UpdateFound);

    for (const QString& path : { u"/missing"_s, u"/broken"_s }) {
        server.serve(u"/broken"_s, "<rss>");
        info.insert(u"SUFeedURL"_s, server.url(path).toString());
        setAutomaticChecks(std::nullopt);
        auto failing = makeUpdater();
        ASSERT_TRUE(failing->start());
        ASSERT_TRUE(finishes(*failing));
        EXPECT_EQ(server.requestCount(path), 1);
        EXPECT_TRUE(driver->events.isEmpty()) << path.toStdString();
    }
}

} // namespace
