// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What looking up the user's own reviews of 200 applications costs against a floor measured in the
// same run: the same 200 requests to the same stand-in for the ratings service, four at a time
// through QNetworkAccessManager, each answer parsed with QJsonDocument, nothing else. The lookups'
// work beyond the floor is the checks of each answer, finding the user's review among the others
// and saving the answers. Each application has twelve reviews, as the service lists them (about
// 6 KB), a quarter of them one by the user.

#include "BenchTable.h"
#include "OnlineReviews.h"
#include "ReviewCache.h"
#include "ReviewServiceDouble.h"
#include "UserHash.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int Applications = 200;
constexpr int Repetitions = 7;

QString s_root;
ReviewServiceDouble* s_service = nullptr;
UserHash s_hash;
QStringList s_ids;

bool makeService()
{
    QFile machineId(s_root + u"/machine-id"_s);
    if (!machineId.open(QIODevice::WriteOnly) || machineId.write("4a6f1e2b9c0d4e7f8a1b2c3d4e5f6a7b\n") != 33)
        return false;
    machineId.close();
    s_hash = UserHash::ofThisUser(machineId.fileName());
    const QString others = u"5f0c3e1d2b4a69788796a5b4c3d2e1f0a9b8c7d6"_s;
    const QString description = u"It does what it says, and quickly. "_s.repeated(5);
    for (int i = 0; i < Applications; ++i) {
        s_ids.append(u"org.example.Bench%1"_s.arg(i, 3, 10, QChar(u'0')));
        QList<QJsonObject> reviews;
        for (int r = 0; r < 12; ++r) {
            const bool own = i % 4 == 0 && r == 5;
            QJsonObject review = ReviewServiceDouble::review(own ? QString::fromLatin1(s_hash.hex()) : others,
                                                             1'700'000'000 - r * 86'400, 20 + r * 5,
                                                             u"Review number %1"_s.arg(r));
            review.insert(u"description"_s, description);
            reviews.append(review);
        }
        s_service->serve(s_ids.last(), { ReviewServiceDouble::listing(reviews) });
    }
    return s_hash.isValid();
}

void lookUp(benchmark::State& state)
{
    qsizetype reviewed = 0;
    for (auto _ : state) {
        ReviewCache cache(s_root + u"/cache"_s);
        OnlineReviews reviews(cache, s_hash, s_service->server());
        QEventLoop loop;
        QObject::connect(&reviews, &OnlineReviews::finished, &loop, &QEventLoop::quit);
        reviews.lookUp(s_ids);
        loop.exec();
        reviewed = std::count_if(cache.answers().cbegin(), cache.answers().cend(),
                                 [](const ReviewCache::Answer& answer) { return answer.review.has_value(); });
        state.PauseTiming();
        cache.removeAll();
        state.ResumeTiming();
    }
    state.counters["reviewed"] = double(reviewed);
}

void floorFetchAndParse(benchmark::State& state)
{
    qsizetype parsed = 0;
    for (auto _ : state) {
        QNetworkAccessManager network;
        QEventLoop loop;
        qsizetype next = 0, running = 0;
        parsed = 0;
        std::function<void()> startMore = [&] {
            while (running < OnlineReviews::MaximumRequests && next < s_ids.size()) {
                QUrl url = s_service->server();
                url.setPath(url.path() + u"/app/"_s + s_ids.at(next++));
                QNetworkReply* reply = network.get(QNetworkRequest(url));
                ++running;
                QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply] {
                    reply->deleteLater();
                    parsed += QJsonDocument::fromJson(reply->readAll()).array().isEmpty() ? 0 : 1;
                    --running;
                    startMore();
                    if (running == 0)
                        loop.quit();
                });
            }
        };
        startMore();
        loop.exec();
    }
    state.counters["parsed"] = double(parsed);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    s_root = root.path();
    ReviewServiceDouble service;
    s_service = &service;
    if (!makeService()) {
        std::fprintf(stderr, "bench_reviews: no user hash\n");
        return 1;
    }

    BenchTable::measure("lookUp", lookUp, Repetitions)->UseRealTime();
    BenchTable::measure("floorFetchAndParse", floorFetchAndParse, Repetitions)->UseRealTime();
    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    BenchTable::print({ "Review lookup, 200 applications (floor: the same requests, four at a time, parsed "
                        "with QJsonDocument)",
                        collector.median("lookUp").realMs, "ms",
                        collector.median("floorFetchAndParse").realMs, BenchTable::Target::RatioAtMost,
                        1.2 });
    benchmark::Shutdown();
    return 0;
}
