// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What listing Flatpak applications costs against a floor measured in the same run: a plain loop
// that lists the installations' application folders and reads each deployed application's deploy
// data and desktop entry, the files libflatpak and the source read, without parsing anything. The
// source's work beyond the floor is libflatpak's (installation objects, refs, remotes) and building
// the records; a second row shows libflatpak's share. 200 applications in the user and the system
// installation (FixtureFlatpak).

#include "BenchTable.h"
#include "FixtureFlatpak.h"
#include "FlatpakLibrary.h"
#include "FlatpakSource.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Apps = 200;
constexpr int Repetitions = 7;

QString s_root;

void flatpakScan(benchmark::State& state)
{
    const FlatpakSource source(s_root + u"/data"_s);
    qsizetype found = 0;
    for (auto _ : state) {
        const AppSource::Result result = source.scan({});
        found = result.apps.size();
        benchmark::DoNotOptimize(result.apps.constData());
    }
    state.counters["apps"] = double(found);
}

// libflatpak's part of the scan alone: opening the installations and describing their refs.
void libraryListing(benchmark::State& state)
{
    const FlatpakLibrary* library = FlatpakLibrary::load();
    for (auto _ : state) {
        const FlatpakLibrary::Listing listing = library->installedApps();
        benchmark::DoNotOptimize(listing.apps.constData());
    }
}

template<typename Visit>
void listFolder(const std::string& path, const Visit& visit)
{
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            visit(std::string(entry->d_name));
    }
    ::closedir(dir);
}

size_t readBytes(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buffer[16 * 1024];
    size_t total = 0;
    ssize_t count;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0)
        total += size_t(count);
    ::close(fd);
    return total;
}

void floorListInstallations(benchmark::State& state)
{
    const std::vector<std::string> installations = {
        QFile::encodeName(s_root + u"/user/app"_s).toStdString(),
        QFile::encodeName(s_root + u"/system/app"_s).toStdString(),
    };
    for (auto _ : state) {
        size_t bytes = 0;
        for (const std::string& apps : installations) {
            listFolder(apps, [&](const std::string& id) {
                listFolder(apps + '/' + id, [&](const std::string& arch) {
                    const std::string archFolder = apps + '/' + id + '/' + arch;
                    listFolder(archFolder, [&](const std::string& branch) {
                        const std::string active = archFolder + '/' + branch + "/active";
                        bytes += readBytes(active + "/deploy");
                        bytes += readBytes(active + "/export/share/applications/" + id + ".desktop");
                    });
                });
            });
        }
        benchmark::DoNotOptimize(bytes);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string fixtures = BenchTable::takeOption(&argc, argv, "--fixtures=");
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    s_root = fixtures.empty() ? QString(root.path() + u"/flatpak"_s)
                              : QFile::decodeName(fixtures.c_str()) + u"/flatpak-"_s + QString::number(Apps);
    // Read once by libflatpak: set before anything loads it.
    for (const auto& [name, value] : FixtureFlatpak::environment(s_root))
        qputenv(name.constData(), value);
    QCoreApplication application(argc, argv);
    if (!FixtureFlatpak::create(s_root, Apps)) {
        std::fprintf(stderr, "bench_flatpak: cannot make the Flatpak installations\n");
        return 1;
    }
    const qsizetype found = FlatpakSource(s_root + u"/data"_s).scan({}).apps.size();
    if (found != Apps) {
        std::fprintf(stderr, "bench_flatpak: the scan found %lld of %d applications\n", qlonglong(found),
                     Apps);
        return 1;
    }

    BenchTable::measure("flatpakScan", flatpakScan, Repetitions)->UseRealTime();
    BenchTable::measure("libraryListing", libraryListing, Repetitions)->UseRealTime();
    BenchTable::measure("floorListInstallations", floorListInstallations, Repetitions)->UseRealTime();
    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    BenchTable::print({ "Flatpak scan, 200 applications", collector.median("flatpakScan").realMs, "ms",
                        collector.median("floorListInstallations").realMs, BenchTable::Target::None, 0 });
    BenchTable::print({ "Flatpak scan, 200 applications: libflatpak's listing alone",
                        collector.median("libraryListing").realMs, "ms",
                        collector.median("floorListInstallations").realMs, BenchTable::Target::None, 0 });
    benchmark::Shutdown();
    return 0;
}
