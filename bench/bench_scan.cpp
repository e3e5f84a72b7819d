// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a scan of the Applications folder costs against a floor measured in the same run: a plain
// loop on one thread that lists the same folders, reads the same files and hands each to libplist,
// the one parser of property lists, which no scan that keeps it can do without. The scanner's work
// beyond the floor is the metadata item per bundle, checking the files before libplist sees them
// and building the records; it spreads that over several threads, so its wall time and the CPU time
// of all its threads are shown apart. The same loop without parsing is shown for information.

#include "AppScanner.h"
#include "BenchFiles.h"
#include "BenchTable.h"
#include "FixtureBundles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Sizes[] = { 100, 1000, 10000 };

struct Fixture
{
    QTemporaryDir temporary;
    // The temporary folder, or the one given with --fixtures=, which keeps the trees between runs.
    QString root;

    QString folder(int size) const { return root + u"/apps-"_s + QString::number(size); }
    // A home without an Applications folder: only the one fixture folder is scanned.
    QString home() const { return root + u"/home"_s; }
};

Fixture* s_fixture = nullptr;

void scan(benchmark::State& state)
{
    const int size = int(state.range(0));
    const AppScanner scanner(s_fixture->folder(size), s_fixture->home());
    qsizetype found = 0;
    for (auto _ : state) {
        const AppScanner::Result result = scanner.scanInstalledApps({});
        found = result.apps.size();
        benchmark::DoNotOptimize(result.apps.constData());
    }
    state.counters["apps"] = double(found);
}

// Hands a file's bytes to libplist, the one parser of property lists, and drops the tree.
void parse(const std::string& content)
{
    plist_t root = nullptr;
    plist_from_memory(content.data(), uint32_t(content.size()), &root);
    benchmark::DoNotOptimize(root);
    plist_free(root);
}

template<typename Visit>
void listFolder(const std::string& path, const Visit& visit)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const size_t length = std::strlen(entry->d_name);
        if (length > 4 && std::strcmp(entry->d_name + length - 4, ".app") == 0)
            visit(std::string(entry->d_name));
    }
    ::closedir(dir);
}

// The same lookups the scan needs, in the same order, on one thread: the information dictionary,
// the store metadata, and for a bundle without a dictionary of its own the first wrapped
// application's. With parsed, each file found is also parsed by libplist, which the scan cannot
// do without: the floor of a scan that keeps the parser.
void listAndRead(benchmark::State& state, bool parsed)
{
    const std::string folder = QFile::encodeName(s_fixture->folder(int(state.range(0)))).toStdString();
    for (auto _ : state) {
        size_t bytes = 0;
        listFolder(folder, [&](const std::string& name) {
            const std::string bundle = folder + '/' + name;
            std::string content;
            const auto read = [&](const std::string& path) {
                std::string file;
                if (!BenchFiles::readBytes(path, file))
                    return false;
                if (parsed)
                    parse(file);
                content += file;
                return true;
            };
            const bool hasInfo = read(bundle + "/Contents/Info.plist") || read(bundle + "/Info.plist");
            if (!read(bundle + "/Wrapper/iTunesMetadata.plist"))
                read(bundle + "/Contents/iTunesMetadata.plist");
            if (!hasInfo) {
                bool first = true;
                listFolder(bundle + "/Wrapper", [&](const std::string& inner) {
                    if (!first)
                        return;
                    first = false;
                    const std::string innerBundle = bundle + "/Wrapper/" + inner;
                    if (!read(innerBundle + "/Contents/Info.plist"))
                        read(innerBundle + "/Info.plist");
                });
            }
            bytes += content.size();
        });
        benchmark::DoNotOptimize(bytes);
    }
}

void floorListAndRead(benchmark::State& state)
{
    listAndRead(state, false);
}

void floorListReadAndParse(benchmark::State& state)
{
    listAndRead(state, true);
}

constexpr int Repetitions = 7;

void registerBenchmarks()
{
    for (const int size : Sizes) {
        for (const auto& [name, function] :
             { std::pair("scan", &scan), std::pair("floorListAndRead", &floorListAndRead),
               std::pair("floorListReadAndParse", &floorListReadAndParse) })
            BenchTable::measure(name, function, Repetitions)
                ->Arg(size)
                ->UseRealTime()
                ->MeasureProcessCPUTime();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    Fixture fixture;
    const std::string fixtures = BenchTable::takeOption(&argc, argv, "--fixtures=");
    fixture.root = fixtures.empty() ? fixture.temporary.path() : QFile::decodeName(fixtures.c_str());
    if (fixture.root.isEmpty()) {
        std::fprintf(stderr, "bench_scan: cannot create a temporary folder\n");
        return 1;
    }
    for (const int size : Sizes) {
        const QString complete = fixture.folder(size) + u".complete"_s;
        int expected = FixtureBundles::appStoreCount(size);
        if (!QFile::exists(complete)) {
            QDir(fixture.folder(size)).removeRecursively();
            const FixtureBundles::Counts counts = FixtureBundles::create(fixture.folder(size), size);
            if (counts.bundles != size) {
                std::fprintf(stderr, "bench_scan: cannot write the fixture bundles\n");
                return 1;
            }
            expected = counts.appStoreApps;
            QFile(complete).open(QIODevice::WriteOnly);
        }
        // A scan that finds other than the App Store bundles measures the wrong thing.
        const qsizetype found =
            AppScanner(fixture.folder(size), fixture.home()).scanInstalledApps({}).apps.size();
        if (found != expected) {
            std::fprintf(stderr, "bench_scan: the scan found %lld of %d applications\n", qlonglong(found),
                         expected);
            return 1;
        }
    }
    s_fixture = &fixture;
    registerBenchmarks();

    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    using BenchTable::Target;
    for (const int size : Sizes) {
        const std::string arg = "/" + std::to_string(size);
        const BenchTable::Median scan = collector.median("scan" + arg);
        const BenchTable::Median floor = collector.median("floorListReadAndParse" + arg);
        const std::string bundles = std::to_string(size) + " bundles";
        const bool targeted = size == 1000;
        BenchTable::print({ "scan, " + bundles + ", wall time (floor: list, read, parse on one thread)",
                            scan.realMs, "ms", floor.realMs, targeted ? Target::RatioAtMost : Target::None,
                            0.65 });
        BenchTable::print({ "scan, " + bundles + ", CPU time of all threads", scan.cpuMs, "ms", floor.cpuMs,
                            targeted ? Target::RatioAtMost : Target::None, 1.1 });
        BenchTable::print({ "  list and read alone, no parsing, " + bundles,
                            collector.median("floorListAndRead" + arg).cpuMs, "ms", floor.cpuMs, Target::None,
                            0 });
    }
    // On CPU time: wall time follows whether the second core happens to be free.
    const double growth = collector.median("scan/10000").cpuMs / collector.median("scan/1000").cpuMs;
    const double floorGrowth = collector.median("floorListReadAndParse/10000").cpuMs
        / collector.median("floorListReadAndParse/1000").cpuMs;
    BenchTable::print({ "scan growth in CPU time, 1,000 to 10,000 bundles (floor: its growth)", growth, "x",
                        floorGrowth, Target::AtMost, 11.0 });
    benchmark::Shutdown();
    return 0;
}
