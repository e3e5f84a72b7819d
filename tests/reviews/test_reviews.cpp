// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppStreamId.h"
#include "FieldAssertions.h"
#include "FixtureTree.h"
#include "OnlineReviews.h"
#include "Posix.h"
#include "ReviewCache.h"
#include "ReviewServiceDouble.h"
#include "SafeFile.h"
#include "SnapSource.h"
#include "SnapdDouble.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <semaphore>
#include <sys/stat.h>
#include <thread>

using namespace Qt::StringLiterals;
using Outcome = OnlineReviews::Outcome;
using Answer = ReviewCache::Answer;
using Double = ReviewServiceDouble;

namespace {

const QByteArray MachineId = "4a6f1e2b9c0d4e7f8a1b2c3d4e5f6a7b\n";
const QString SomeoneElse = u"5f0c3e1d2b4a69788796a5b4c3d2e1f0a9b8c7d6"_s;

QDateTime at(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(seconds * 1000), Qt::UTC);
}

// A review by whoever runs the tests, on a machine with MachineId.
QJsonObject own(const QJsonValue& date, const QJsonValue& rating, const QJsonValue& summary)
{
    return Double::review(QString::fromLatin1(UserHash::compute(Posix::loginName(), MachineId)), date, rating,
                          summary);
}
QJsonObject someoneElses(double date)
{
    return Double::review(SomeoneElse, date, 20, u"Someone else’s view"_s);
}

} // namespace

// What a failing comparison prints.
void PrintTo(Outcome outcome, std::ostream* out)
{
    *out << QMetaEnum::fromType<Outcome>().valueToKey(int(outcome));
}
void PrintTo(const OnlineReview& review, std::ostream* out)
{
    *out << qPrintable(review.date.toString(Qt::ISODateWithMs)) << ' ' << review.rating << " \""
         << qPrintable(review.summary) << '"';
}
void PrintTo(const Answer& answer, std::ostream* out)
{
    *out << "asked " << qPrintable(answer.asked.toString(Qt::ISODateWithMs)) << ": "
         << ::testing::PrintToString(answer.review);
}

namespace {

class OnlineReviewsTest : public ::testing::Test
{
protected:
    std::unique_ptr<OnlineReviews> lookups(OnlineReviews::Limits limits = OnlineReviews::Limits())
    {
        const UserHash hash = UserHash::ofThisUser(tree.writeFile(u"machine-id"_s, MachineId));
        EXPECT_TRUE(hash.isValid());
        return std::make_unique<OnlineReviews>(cache, hash, service.server(), limits);
    }
    // Runs what start begins until the last answer: each id's outcome, in the order they came.
    static QList<std::pair<QString, Outcome>> answers(OnlineReviews& reviews,
                                                      const std::function<bool()>& start)
    {
        QList<std::pair<QString, Outcome>> answered;
        QObject context;
        QObject::connect(&reviews, &OnlineReviews::answered, &context,
                         [&](const QString& id, Outcome outcome) {
                             answered.append({ id, outcome });
                         });
        QSignalSpy finished(&reviews, &OnlineReviews::finished);
        EXPECT_TRUE(start());
        EXPECT_TRUE(finished.wait(20'000));
        return answered;
    }
    // The answer for id in the file saved.
    std::optional<Answer> savedAnswer(const QString& id) const
    {
        ReviewCache saved(tree.pathOf(u"cache/kudora"_s));
        saved.load();
        return saved.answer(id);
    }

    FixtureTree tree;
    QDateTime now = at(1'750'000'000);
    ReviewCache cache { tree.pathOf(u"cache/kudora"_s), [this] { return now; } };
    ReviewServiceDouble service;
};

} // namespace

TEST(UserHash, IsTheSoftwareCentresHashOfTheLoginNameAndTheWholeMachineId)
{
    // Computed apart from the program: printf 'gnome-software[jane:<machine id>\n]' | sha1sum.
    EXPECT_EQ(UserHash::compute("jane", MachineId), "03dbeaed9164eb15bc38b59c77e7d43e7d716f78");

    FixtureTree tree;
    const QString fifo = tree.pathOf(u"fifo"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const std::pair<QString, bool> cases[] = {
        // machine id file, whether it gives a hash
        { tree.writeFile(u"machine-id"_s, MachineId), true },
        { tree.pathOf(u"missing"_s), false },
        { tree.writeFile(u"empty"_s, {}), false },
        { tree.writeFile(u"huge"_s, QByteArray(UserHash::MachineIdLimit + 1, 'a')), false },
        { tree.makeFolder(u"folder"_s), false },
        { fifo, false },
    };
    for (const auto& [path, valid] : cases) {
        SCOPED_TRACE(qPrintable(path));
        const UserHash hash = UserHash::ofThisUser(path);
        EXPECT_FIELDS_EQ(std::tuple(hash.isValid(), hash.failureReason().contains(path)),
                         std::tuple(valid, !valid));
        if (valid) {
            EXPECT_EQ(hash.hex(), UserHash::compute(Posix::loginName(), MachineId));
        }
    }
}

TEST_F(OnlineReviewsTest, WithoutAMachineIdOrAPermittedServerNothingIsSent)
{
    OnlineReviews reviews(cache, UserHash::ofThisUser(tree.pathOf(u"missing"_s)), service.server());
    EXPECT_FIELDS_EQ(std::tuple(reviews.canLookUp(), reviews.lookUp({ u"org.example.App"_s })),
                     std::tuple(false, false));
    QSignalSpy answered(&reviews, &OnlineReviews::answered);
    EXPECT_FALSE(answered.wait(300));
    EXPECT_EQ(service.requestCount(), 0);

    const std::pair<QString, bool> servers[] = {
        { u"https://odrs.gnome.org/1.0/reviews/api"_s, true },
        { u"http://127.0.0.1:8080/1.0/reviews/api"_s, true },
        { u"http://[::1]/api"_s, true },
        { u"http://odrs.gnome.org/1.0/reviews/api"_s, false },
        { u"ftp://odrs.gnome.org/api"_s, false },
        { u"https:///api"_s, false },
        { u"/1.0/reviews/api"_s, false },
    };
    for (const auto& [server, permitted] : servers)
        EXPECT_EQ(OnlineReviews::isPermitted(QUrl(server)), permitted) << qPrintable(server);
}

TEST_F(OnlineReviewsTest, EachShapeOfAnswerGivesItsOutcomeAndAFailureKeepsTheAnswerBefore)
{
    const OnlineReview notes { at(1'700'000'000), 80, u"Great for notes"_s };
    const QByteArray mine = Double::listing(
        { someoneElses(1'710'000'000), own(1'700'000'000, 80, notes.summary), someoneElses(1'690'000'000) });
    QList<QJsonObject> crowd { own(1'700'000'000, 80, notes.summary) };
    for (int i = 0; i < 250; ++i)
        crowd.append(someoneElses(1'600'000'000 + i));
    const OnlineReviews::Limits limits { std::chrono::milliseconds(500), 64 * 1024 };
    ASSERT_GT(Double::listing(crowd).size(), limits.maximumSize);

    // clang-format off
    const QList<std::tuple<QString, Double::Answer, Outcome, std::optional<OnlineReview>>> cases {
        // id, the service's answer, the outcome, the review found
        { u"own-among-others"_s, { mine }, Outcome::Reviewed, notes },
        { u"several-own"_s, { Double::listing({ own(1'600'000'000, 40, u"Old"_s), own(1'720'000'000.25, 100, u"Newest"_s),
                                                own(1'650'000'000, 60, u"Middle"_s) }) },
          Outcome::Reviewed, OnlineReview { at(1'720'000'000.25), 100, u"Newest"_s } },
        { u"others-only"_s, { Double::listing({ someoneElses(1'700'000'000), someoneElses(1'600'000'000) }) }, Outcome::NotReviewed, {} },
        { u"none"_s, { "[]" }, Outcome::NotReviewed, {} },
        { u"with-charset"_s, { mine, "200 OK", "Application/JSON; charset=utf-8" }, Outcome::Reviewed, notes },
        { u"refused-request"_s, Double::jsonError("the app_id is invalid"), Outcome::Failed, {} },
        { u"not-found"_s, Double::htmlPage("404 NOT FOUND"), Outcome::Failed, {} },
        { u"server-error"_s, Double::htmlPage("500 Internal Server Error"), Outcome::Failed, {} },
        { u"listing-as-html"_s, { mine, "200 OK", "text/html" }, Outcome::Failed, {} },
        { u"listing-not-200"_s, { mine, "203 Non-Authoritative Information" }, Outcome::Failed, {} },
        { u"broken"_s, { mine.chopped(2) }, Outcome::Failed, {} },
        { u"not-only-reviews"_s, { "[5, " + mine.mid(1) }, Outcome::Failed, {} },
        { u"no-list"_s, { R"({"success": true, "msg": "none"})" }, Outcome::Failed, {} },
        { u"rating-as-text"_s, { Double::listing({ own(1'700'000'000, u"80"_s, notes.summary) }) }, Outcome::Failed, {} },
        { u"date-as-text"_s, { Double::listing({ own(u"1700000000"_s, 80, notes.summary) }) }, Outcome::Failed, {} },
        { u"date-zero"_s, { Double::listing({ own(0, 80, notes.summary) }) }, Outcome::Failed, {} },
        { u"rating-too-high"_s, { Double::listing({ own(1'700'000'000, 101, notes.summary) }) }, Outcome::Failed, {} },
        { u"no-summary"_s, { Double::listing({ own(1'700'000'000, 80, {}) }) }, Outcome::Failed, {} },
        { u"long-summary"_s, { Double::listing({ own(1'700'000'000, 80, u"Long "_s.repeated(10'000)) }) },
          Outcome::Reviewed, OnlineReview { at(1'700'000'000), 80, u"Long "_s.repeated(40) + u'…' } },
        { u"too-large"_s, { Double::listing(crowd) }, Outcome::Failed, {} },
        { u"too-large-unannounced"_s, { Double::listing(crowd), "200 OK", "application/json", false }, Outcome::Failed, {} },
        // A byte every 5 ms: never idle for long, done only after two seconds.
        { u"trickling"_s, { mine, "200 OK", "application/json", true, 0, 5 }, Outcome::Failed, {} },
    };
    // clang-format on
    // Every id had an answer two days ago; a failure keeps it, stale as it is.
    const QDateTime asked = now;
    now = asked.addDays(-2);
    const Answer before { now, OnlineReview { at(1'500'000'000), 60, u"Asked before"_s } };
    QStringList ids;
    for (const auto& [id, answer, outcome, review] : cases) {
        service.serve(id, answer);
        cache.record(id, before.review);
        ids.append(id);
    }
    now = asked;

    const auto reviews = lookups(limits);
    const auto answered = answers(*reviews, [&] { return reviews->lookUp(ids); });
    EXPECT_EQ(answered.size(), cases.size());
    for (const auto& [id, answer, outcome, review] : cases) {
        SCOPED_TRACE(qPrintable(id));
        const auto found =
            std::find_if(answered.cbegin(), answered.cend(), [&](const auto& a) { return a.first == id; });
        ASSERT_NE(found, answered.cend());
        const Answer expected = outcome == Outcome::Failed ? before : Answer { asked, review };
        EXPECT_FIELDS_EQ(std::tuple(found->second, cache.answer(id), savedAnswer(id), cache.isStale(id)),
                         std::tuple(outcome, std::optional(expected), std::optional(expected),
                                    outcome == Outcome::Failed));
    }
    // Only what the user wrote is kept.
    EXPECT_FALSE(SafeFile::readRegularFile(cache.filePath()).value_or(QByteArray()).contains("Someone else"));
}

TEST_F(OnlineReviewsTest, AReviewFoundSurvivesALaterRefusedConnection)
{
    service.serve(u"org.example.Notes"_s, { Double::listing({ own(1'700'000'000, 100, u"Love it"_s) }) });
    const auto reviews = lookups();
    const QStringList ids { u"org.example.Notes"_s };
    EXPECT_EQ(answers(*reviews, [&] { return reviews->lookUpStale(ids); }),
              (QList<std::pair<QString, Outcome>> { { ids[0], Outcome::Reviewed } }));
    const std::optional<Answer> found = cache.answer(ids[0]);

    service.refuse();
    now = now.addDays(2);
    EXPECT_EQ(answers(*reviews, [&] { return reviews->lookUpStale(ids); }),
              (QList<std::pair<QString, Outcome>> { { ids[0], Outcome::Failed } }));
    EXPECT_FIELDS_EQ(std::tuple(cache.answer(ids[0]), savedAnswer(ids[0]), found.has_value()),
                     std::tuple(found, found, true));
}

TEST_F(OnlineReviewsTest, AnotherInstanceWritingTheCacheHoldsUpNeitherTheAnswersNorThisThread)
{
    const QString id = u"org.example.Notes"_s;
    service.serve(id, { Double::listing({ own(1'700'000'000, 100, u"Love it"_s) }) });
    const QString folder = tree.pathOf(u"cache/kudora"_s);
    ASSERT_TRUE(Posix::makePrivateFolder(folder));
    std::promise<void> locked;
    std::binary_semaphore release(0);
    std::thread other([&] {
        const UniqueFd lock = Posix::lock(folder, Posix::LockWait::Wait, true);
        locked.set_value();
        // Let go in any case, so that a save that waits for it on the test's thread ends too.
        release.try_acquire_for(std::chrono::seconds(5));
    });
    locked.get_future().wait();
    auto reviews = lookups();
    QSignalSpy answered(reviews.get(), &OnlineReviews::answered);
    QSignalSpy finished(reviews.get(), &OnlineReviews::finished);
    ASSERT_TRUE(reviews->lookUp({ id }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered.size() == 1; }, 4'000));
    QTest::qWait(100);
    EXPECT_EQ(std::tuple(finished.size(), reviews->isBusy(), cache.answer(id).has_value()),
              std::tuple(0, true, true));
    release.release();
    other.join();
    ASSERT_TRUE(finished.wait(5'000));
    EXPECT_EQ(savedAnswer(id), cache.answer(id));

    // Lookups abandoned while their answers are being written (the user turned them off) lose
    // nothing of what was to be written, and hear nothing afterwards.
    const QString paint = u"org.example.Paint"_s;
    std::promise<void> lockedAgain;
    std::thread briefly([&] {
        const UniqueFd lock = Posix::lock(folder, Posix::LockWait::Wait, true);
        lockedAgain.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    lockedAgain.get_future().wait();
    ASSERT_TRUE(reviews->lookUp({ paint }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return answered.size() == 2; }, 4'000));
    reviews.reset();
    briefly.join();
    QTest::qWait(50);
    EXPECT_EQ(std::pair(savedAnswer(paint), cache.hasUnsavedAnswers()),
              std::pair(cache.answer(paint), false));
}

TEST_F(OnlineReviewsTest, AsksFourAtATimeAnswersOneByOneAndSendsNothingAboutTheUser)
{
    QStringList ids;
    for (int i = 0; i < 12; ++i) {
        ids.append(u"org.example.App%1"_s.arg(i));
        // Long enough for the requests to overlap; the first answers set a cookie.
        service.serve(ids.last(),
                      { Double::listing({ someoneElses(1'700'000'000) }), "200 OK", "application/json", true,
                        40, 0, i < 4 ? "Set-Cookie: session=tracking; Path=/\r\n" : "" });
    }
    const auto reviews = lookups();
    qsizetype requestsAtTheFirstAnswer = -1;
    QObject::connect(reviews.get(), &OnlineReviews::answered, reviews.get(), [&] {
        if (requestsAtTheFirstAnswer < 0)
            requestsAtTheFirstAnswer = service.requestCount();
    });
    const auto answered = answers(*reviews, [&] { return reviews->lookUp(ids + ids.mid(2, 3)); });
    EXPECT_FIELDS_EQ(std::tuple(answered.size(), service.requestCount(), service.mostAtOnce(),
                                requestsAtTheFirstAnswer < ids.size()),
                     std::tuple(ids.size(), ids.size(), OnlineReviews::MaximumRequests, true));

    const QByteArray hash = UserHash::compute(Posix::loginName(), MachineId);
    for (const QByteArray& request : service.requests()) {
        SCOPED_TRACE(request.constData());
        const QString head = QString::fromLatin1(request).toLower();
        EXPECT_TRUE(head.startsWith(u"get /1.0/reviews/api/app/org.example.app"_s));
        EXPECT_TRUE(head.contains(QRegularExpression(u"\r\nuser-agent: kudora/\\d+\\.\\d+\\.\\d+\r\n"_s)));
        EXPECT_TRUE(head.contains(u"\r\naccept-language: *\r\n"_s));
        EXPECT_FALSE(head.contains(u"cookie"_s) || head.contains(QString::fromLatin1(hash)));
    }
}

TEST_F(OnlineReviewsTest, AServiceThatNeverAnswersIsGivenUpAfterFourRequestsUntilTheNextLookup)
{
    QStringList ids;
    for (int i = 0; i < 20; ++i) {
        ids.append(u"org.example.App%1"_s.arg(i));
        service.serve(ids.last(), { "[]", "200 OK", "application/json", true, 5'000 });
    }
    const auto reviews = lookups({ std::chrono::milliseconds(200), 4 * 1024 * 1024 });
    const auto firstTry = answers(*reviews, [&] { return reviews->lookUp(ids); });
    // Those already asked when the fourth went unanswered end too.
    EXPECT_LT(firstTry.size(), 2 * OnlineReviews::MaximumRequests);
    EXPECT_TRUE(std::all_of(firstTry.cbegin(), firstTry.cend(),
                            [](const auto& answer) { return answer.second == Outcome::Failed; }));
    EXPECT_FALSE(reviews->isBusy());
    // The ids dropped are asked for again by the next lookup.
    EXPECT_GE(answers(*reviews, [&] { return reviews->lookUp(ids); }).size(), OnlineReviews::MaximumRequests);
}

TEST_F(OnlineReviewsTest, AnIdAskedFirstGoesBeforeTheQueueAndIsAskedAgainIfItWasBeingAskedFor)
{
    QStringList ids;
    for (int i = 0; i < 10; ++i) {
        ids.append(u"org.example.App%1"_s.arg(i));
        // The first four answer 200 ms apart, so that what is started after each is in order.
        service.serve(ids.last(), { "[]", "200 OK", "application/json", true, i < 4 ? 100 + 200 * i : 0 });
    }
    const auto reviews = lookups();
    answers(*reviews, [&] { return reviews->lookUp(ids) && reviews->lookUpFirst({ ids[9], ids[0] }); });
    QStringList asked;
    for (const QByteArray& request : service.requests())
        asked.append(QString::fromLatin1(request.split(' ').value(1)).section(u'/', -1));
    ASSERT_EQ(asked.size(), ids.size() + 1);
    QStringList firstFour = asked.mid(0, 4), rest = asked.mid(6);
    firstFour.sort();
    rest.sort();
    // ids[0], being asked for, is asked again as soon as its answer came, before ids[9].
    EXPECT_EQ(std::tuple(firstFour, asked.mid(4, 2), rest),
              std::tuple(ids.mid(0, 4), QStringList { ids[0], ids[9] }, ids.mid(4, 5)));
}

TEST_F(OnlineReviewsTest, OnlyAnswersMissingOrAskedMoreThanADayAgoAreAskedForAgain)
{
    const QDateTime asked = now;
    const std::tuple<QString, std::optional<qint64>, bool> cases[] = {
        // id, when its answer was asked (seconds before now), whether it is stale
        { u"org.example.Fresh"_s, 23 * 3600, false },
        { u"org.example.DayOld"_s, 25 * 3600, true },
        { u"org.example.FromTheFuture"_s, -3600, true },
        { u"org.example.NeverAsked"_s, std::nullopt, true },
    };
    QStringList ids, stale;
    for (const auto& [id, ago, isStale] : cases) {
        if (ago) {
            now = asked.addSecs(-*ago);
            cache.record(id, std::nullopt);
        }
        ids.append(id);
        if (isStale)
            stale.append(u"/1.0/reviews/api/app/"_s + id);
    }
    now = asked;
    for (const auto& [id, ago, isStale] : cases)
        EXPECT_EQ(cache.isStale(id), isStale) << qPrintable(id);

    const auto reviews = lookups();
    answers(*reviews, [&] { return reviews->lookUpStale(ids); });
    // Nothing is stale now, and the lookup still ends.
    EXPECT_EQ(answers(*reviews, [&] { return reviews->lookUpStale(ids); }).size(), 0);
    QStringList paths;
    for (const QByteArray& request : service.requests())
        paths.append(QString::fromLatin1(request.split(' ').value(1)));
    paths.sort();
    stale.sort();
    EXPECT_EQ(paths, stale);
}

TEST(ReviewCache, KeepsWhatEachInstanceAskedLastAndReplacesADamagedFile)
{
    FixtureTree tree;
    const QString folder = tree.pathOf(u"kudora"_s);
    QDateTime now = at(1'750'000'000);
    const auto clock = [&] { return now; };
    const OnlineReview review { at(1'700'000'000.5), 100, u"Schön, “really”"_s };
    const auto saved = [&] {
        ReviewCache cache(folder);
        cache.load();
        return cache.answers();
    };

    // Two instances at once: each adds its answers, and for an id both asked for, the later one wins.
    ReviewCache first(folder, clock), second(folder, clock);
    first.load();
    second.load();
    second.record(u"org.example.Both"_s, std::nullopt);
    first.record(u"org.example.First"_s, review);
    now = now.addSecs(60);
    first.record(u"org.example.Both"_s, review);
    second.record(u"org.example.Second"_s, std::nullopt);
    first.load(); // reading again keeps what is not saved yet
    EXPECT_TRUE(first.save());
    EXPECT_TRUE(second.save());
    const QHash<QString, Answer> both { { u"org.example.First"_s, { at(1'750'000'000), review } },
                                        { u"org.example.Both"_s, { now, review } },
                                        { u"org.example.Second"_s, { now, std::nullopt } } };
    EXPECT_EQ(saved(), both);
    EXPECT_EQ(second.answers(), both);

    const std::pair<const char*, QByteArray> damages[] = {
        { "not JSON", "{\"answers\": {" },
        { "a list", "[]" },
        { "answers of another kind", R"({"answers": 5})" },
        { "an answer without a date", R"({"answers": {"org.example.Both": {"review": null}}})" },
        { "a review without a rating",
          R"({"answers": {"org.example.Both": {"asked": "2025-01-01T00:00:00Z", "review": {"date": "2025-01-01T00:00:00Z", "summary": ""}}}})" },
    };
    for (const auto& [damage, content] : damages) {
        SCOPED_TRACE(damage);
        tree.writeFile(u"kudora/online-reviews.json"_s, content);
        EXPECT_EQ(saved(), (QHash<QString, Answer> {}));
        ReviewCache cache(folder, clock);
        cache.load();
        cache.record(u"org.example.Again"_s, review);
        EXPECT_TRUE(cache.save());
        EXPECT_EQ(saved(), (QHash<QString, Answer> { { u"org.example.Again"_s, { now, review } } }));
    }

    EXPECT_TRUE(first.removeAll());
    EXPECT_FIELDS_EQ(
        std::tuple(first.answers().isEmpty(), saved().isEmpty(), QFile::exists(first.filePath())),
        std::tuple(true, true, false));
}

TEST(AppStreamId, IsTheIdTheSoftwareCentresKeepReviewsUnder)
{
    SnapdDouble snapd;
    const auto snap = [](const QString& name, const QJsonObject& changes) {
        return SnapdDouble::storeSnap(name, u"A snap"_s, { u"/snap/" + name + u".desktop" },
                                      at(1'690'000'000), changes);
    };
    snapd.setReply({ SnapdDouble::syncBody({
        snap(u"notes"_s,
             { { u"common-ids"_s, QJsonArray { u"org.example.Notes"_s, u"org.example.Notes.desktop"_s } } }),
        snap(u"plain"_s, { { u"id"_s, u"Xp6bQ2kYwz"_s } }),
        snap(u"plain_beta"_s, { { u"id"_s, u"Xp6bQ2kYwz"_s }, { u"common-ids"_s, QJsonArray {} } }),
    }) });
    const QList<AppInfo> snaps = SnapSource(snapd.socketPath(), u"/nowhere"_s).scan({}).apps;
    const auto snapApp = [&](const QString& name) {
        const auto found = std::find_if(snaps.cbegin(), snaps.cend(), [&](const AppInfo& app) {
            return app.id().text() == u"snap:" + name;
        });
        return found == snaps.cend() ? AppInfo() : *found;
    };
    const auto flatpak = [](const QString& id) {
        return AppInfo::flatpakApp(AppId(id), {}, {}, {}, {}, {}, std::nullopt);
    };

    const std::pair<AppInfo, std::optional<QString>> cases[] = {
        { flatpak(u"org.gnome.Builder"_s), u"org.gnome.Builder"_s },
        { AppInfo::distributionApp(AppId(u"org.kde.kate.desktop"_s), {}, {}, {}, {}, {}),
          u"org.kde.kate.desktop"_s },
        { AppInfo(AppId(u"com.apple.Pages"_s), {}, {}, u"409201541"_s, {}, {}, {}), std::nullopt },
        { snapApp(u"notes"_s), u"org.example.Notes"_s },
        { snapApp(u"plain"_s), u"io.snapcraft.plain-Xp6bQ2kYwz"_s },
        // A parallel install is the same snap in the store.
        { snapApp(u"plain_beta"_s), u"io.snapcraft.plain-Xp6bQ2kYwz"_s },
        // Nothing that could name another address on the service.
        { flatpak(u".."_s), std::nullopt },
        { flatpak(u"org.example.App/x"_s), std::nullopt },
        { flatpak(u"org.example.App?x"_s), std::nullopt },
    };
    for (const auto& [app, id] : cases)
        EXPECT_EQ(AppStreamId::of(app), id) << qPrintable(app.id().text());
}
