// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What listing distribution applications costs against a floor measured in the same run: a plain
// loop on one thread that lists the metainfo folder and hands each file to libappstream's own
// metainfo parser, which no scan that keeps libappstream can do without. The source's work beyond
// the floor is finding and checking each desktop entry, the install dates, the usage records and
// building the records. 300 applications (FixtureDistro) as the software centres' ship their
// metainfo, translated into 30 languages.

#include "BenchFiles.h"
#include "BenchTable.h"
#include "DistroSource.h"
#include "FixtureDistro.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <appstream.h>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Apps = 300;
constexpr int Repetitions = 7;

QString s_root;

void distroScan(benchmark::State& state)
{
    const DistroSource source({ FixtureDistro::share(s_root) }, FixtureDistro::dataHome(s_root));
    qsizetype found = 0;
    for (auto _ : state) {
        const AppSource::Result result = source.scan({});
        found = result.apps.size();
        benchmark::DoNotOptimize(result.apps.constData());
    }
    state.counters["apps"] = double(found);
}

void floorListAndParse(benchmark::State& state)
{
    const std::string folder = QFile::encodeName(FixtureDistro::share(s_root) + u"/metainfo"_s).toStdString();
    qsizetype parsed = 0;
    for (auto _ : state) {
        parsed = 0;
        DIR* dir = ::opendir(folder.c_str());
        while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
            const size_t length = std::strlen(entry->d_name);
            if (length <= 13 || std::strcmp(entry->d_name + length - 13, ".metainfo.xml") != 0)
                continue;
            std::string document;
            if (!BenchFiles::readBytes(folder + '/' + entry->d_name, document))
                continue;
            AsMetadata* metadata = as_metadata_new();
            as_metadata_set_format_style(metadata, AS_FORMAT_STYLE_METAINFO);
            if (as_metadata_parse(metadata, document.c_str(), AS_FORMAT_KIND_XML, nullptr)
                && as_metadata_get_component(metadata))
                ++parsed;
            g_object_unref(metadata);
        }
        if (dir)
            ::closedir(dir);
        benchmark::DoNotOptimize(parsed);
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
    if (!FixtureDistro::create(s_root, Apps)) {
        std::fprintf(stderr, "bench_distro: cannot write the distribution applications\n");
        return 1;
    }
    const qsizetype found =
        DistroSource({ FixtureDistro::share(s_root) }, FixtureDistro::dataHome(s_root)).scan({}).apps.size();
    if (found != Apps) {
        std::fprintf(stderr, "bench_distro: the scan found %lld of %d applications\n", qlonglong(found),
                     Apps);
        return 1;
    }

    BenchTable::measure("distroScan", distroScan, Repetitions)->UseRealTime()->MeasureProcessCPUTime();
    BenchTable::measure("floorListAndParse", floorListAndParse, Repetitions)
        ->UseRealTime()
        ->MeasureProcessCPUTime();
    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    const BenchTable::Median scan = collector.median("distroScan");
    const BenchTable::Median floor = collector.median("floorListAndParse");
    BenchTable::print({ "Distribution scan, 300 applications, CPU time (floor: list the metainfo folder, "
                        "parse each file with libappstream on one thread)",
                        scan.cpuMs, "ms", floor.cpuMs, BenchTable::Target::RatioAtMost, 1.2 });
    BenchTable::print(
        { "  the same, wall time", scan.realMs, "ms", floor.realMs, BenchTable::Target::None, 0 });
    benchmark::Shutdown();
    return 0;
}
