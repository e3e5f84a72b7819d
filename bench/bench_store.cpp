// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the stored state costs to change in bulk, against the floor of writing the same final file
// once (temporary file, flushed to disk, renamed over the old one). Every id of ignoreApps stays
// its own locked read-modify-write of the store, so the work grows with the ids; the floor shows
// what one such write costs on this disk.

#include "AppModel.h"
#include "BenchTable.h"
#include "FileDefaultsDomain.h"
#include "PreferencesService.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int IgnoredCount = 1000;
constexpr int StoredDates = 5000;
// Of the stored dates, the ones whose applications are still installed.
constexpr int InstalledDates = 4000;

QTemporaryDir* s_root = nullptr;

QString storePath(const char* name)
{
    return s_root->path() + u'/' + QString::fromLatin1(name) + u".plist"_s;
}

QString appId(int i)
{
    return u"com.vendor%1.application%2"_s.arg(i % 313).arg(i);
}

QList<AppInfo> makeApps(int count)
{
    QList<AppInfo> apps;
    apps.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString name = u"Application %1"_s.arg(i);
        apps.append(AppInfo(AppId(appId(i)), name, u"/Applications/"_s + name + u".app"_s,
                            QString::number(100000 + i), std::nullopt, std::nullopt, std::nullopt));
    }
    return apps;
}

bool writeFileSynced(const QString& path, const QByteArray& bytes)
{
    const QByteArray temporary = QFile::encodeName(path + u".floor"_s);
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size()) && ::fsync(fd) == 0;
    ::close(fd);
    return written && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0;
}

void floorWrite(benchmark::State& state, const QString& path, const QByteArray& bytes)
{
    for (auto _ : state) {
        if (!writeFileSynced(path, bytes))
            state.SkipWithError("cannot write the floor file");
    }
}

void ignoreApps(benchmark::State& state)
{
    const QString path = storePath("ignore");
    PreferencesService preferences(std::make_shared<FileDefaultsDomain>(path));
    // Folders that do not exist: no event loop turns here, so the queued first rescan never runs.
    AppModel model(preferences, AppSources {});
    const QList<AppInfo> apps = makeApps(IgnoredCount);
    for (auto _ : state) {
        state.PauseTiming();
        model.resetIgnoreList();
        state.ResumeTiming();
        model.ignoreApps(apps);
    }
    if (model.ignoredIDs().size() != IgnoredCount)
        state.SkipWithError("not every id was ignored");
}

// Runs after ignoreApps, whose final file it writes again.
void floorIgnoreListWrite(benchmark::State& state)
{
    QFile file(storePath("ignore"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("ignoreApps left no file");
        return;
    }
    floorWrite(state, storePath("ignore-floor"), file.readAll());
}

QVariantMap storedDates()
{
    QVariantMap dates;
    const QDateTime base(QDate(2025, 1, 1), QTime(9, 30), Qt::UTC);
    for (int i = 0; i < StoredDates; ++i)
        dates.insert(appId(i), base.addSecs(qint64(i) * 3607));
    return dates;
}

void pruneReviewDates(benchmark::State& state)
{
    const QString path = storePath("dates");
    const QByteArray initial =
        PropertyList::serialize(QVariantMap { { PreferencesService::ReviewDatesKey, storedDates() } });
    PreferencesService preferences(std::make_shared<FileDefaultsDomain>(path));
    QSet<AppId> installed;
    for (int i = 0; i < InstalledDates; ++i)
        installed.insert(AppId(appId(i)));
    for (auto _ : state) {
        state.PauseTiming();
        if (!writeFileSynced(path, initial))
            state.SkipWithError("cannot write the stored dates");
        state.ResumeTiming();
        preferences.pruneReviewDates(installed);
    }
    if (preferences.loadReviewDates().size() != InstalledDates)
        state.SkipWithError("the dates were not pruned");
}

void floorPrunedDatesWrite(benchmark::State& state)
{
    QVariantMap kept = storedDates();
    for (int i = InstalledDates; i < StoredDates; ++i)
        kept.remove(appId(i));
    floorWrite(state, storePath("dates-floor"),
               PropertyList::serialize(QVariantMap { { PreferencesService::ReviewDatesKey, kept } }));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    // Where the store lives, on the disk rather than in a memory file system: flushing to the
    // disk is most of the cost.
    const QString cache = QDir::homePath() + u"/.cache"_s;
    QDir().mkpath(cache);
    QTemporaryDir root(cache + u"/kudora-bench-XXXXXX"_s);
    if (!root.isValid()) {
        std::fprintf(stderr, "bench_store: cannot create a temporary folder\n");
        return 1;
    }
    s_root = &root;
    constexpr int Repetitions = 5;
    BenchTable::measure("ignoreApps", ignoreApps, Repetitions)->UseRealTime()->Iterations(1);
    BenchTable::measure("floorIgnoreListWrite", floorIgnoreListWrite, Repetitions)->UseRealTime();
    BenchTable::measure("pruneReviewDates", pruneReviewDates, Repetitions)->UseRealTime();
    BenchTable::measure("floorPrunedDatesWrite", floorPrunedDatesWrite, Repetitions)->UseRealTime();

    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    using BenchTable::Target;
    BenchTable::print({ "ignoreApps, 1,000 records", collector.median("ignoreApps").realMs, "ms",
                        collector.median("floorIgnoreListWrite").realMs, Target::Below, 500.0 });
    BenchTable::print({ "pruneReviewDates, 5,000 stored dates", collector.median("pruneReviewDates").realMs,
                        "ms", collector.median("floorPrunedDatesWrite").realMs, Target::None, 0 });
    benchmark::Shutdown();
    return 0;
}
