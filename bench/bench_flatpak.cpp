// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What listing Flatpak applications costs against a floor measured in the same run: a plain loop
// that lists the installations' application folders and reads each deployed application's deploy
// data and desktop entry, the files libflatpak and the source read, without parsing anything. The
// source's work beyond the floor is libflatpak's (installation objects, refs, remotes) and building
// the records; a second row shows libflatpak's share. 200 applications in a user installation made
// with the flatpak tool.

#include "BenchTable.h"
#include "FlatpakLibrary.h"
#include "FlatpakSource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
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

bool run(const QString& workFolder, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(workFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(u"flatpak"_s, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "bench_flatpak: flatpak %s: %s\n", qPrintable(arguments.join(u' ')),
                     process.readAll().constData());
        return false;
    }
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A runtime and Apps applications, each with a desktop entry, installed from a local repository
// into the user installation. One build folder serves every application under a new name.
bool makeInstallation(const QString& root)
{
    const QString work = root + u"/work"_s;
    const QString repo = work + u"/repo"_s;
    QDir().mkpath(work + u"/runtime/files"_s);
    const QByteArray runtime = "org.kudora.bench.Platform/x86_64/1";
    writeFile(work + u"/runtime/metadata"_s,
              "[Runtime]\nname=org.kudora.bench.Platform\nruntime=" + runtime + "\nsdk=" + runtime + '\n');
    writeFile(work + u"/runtime/usr/README"_s, "bench runtime\n");
    QProcess::execute(u"ostree"_s, { u"init"_s, u"--mode=archive-z2"_s, u"--repo="_s + repo });
    // A throwaway repository need not survive a crash; syncing every commit would take minutes.
    QProcess::execute(u"ostree"_s,
                      { u"config"_s, u"--repo="_s + repo, u"set"_s, u"core.fsync"_s, u"false"_s });
    if (!run(work,
             { u"build-export"_s, u"--runtime"_s, u"--no-update-summary"_s, repo, u"runtime"_s, u"1"_s }))
        return false;
    writeFile(work + u"/app/files/bin/app"_s, "#!/bin/sh\n");
    QStringList ids;
    for (int i = 0; i < Apps; ++i) {
        const QString id = u"org.kudora.bench.App%1"_s.arg(i, 3, 10, QChar(u'0'));
        ids.append(id);
        writeFile(work + u"/app/metadata"_s,
                  "[Application]\nname=" + id.toUtf8() + "\nruntime=" + runtime + "\nsdk=" + runtime
                      + "\ncommand=app\n");
        QDir(work + u"/app/export"_s).removeRecursively();
        writeFile(work + u"/app/export/share/applications/"_s + id + u".desktop"_s,
                  "[Desktop Entry]\nType=Application\nName=Bench App " + QByteArray::number(i)
                      + "\nExec=app\n");
        if (!run(work, { u"build-export"_s, u"--no-update-summary"_s, repo, u"app"_s }))
            return false;
    }
    return run(work, { u"build-update-repo"_s, repo })
        && run(work, { u"--user"_s, u"remote-add"_s, u"--no-gpg-verify"_s, u"bench"_s, u"file://"_s + repo })
        && run(work,
               QStringList { u"--user"_s, u"install"_s, u"-y"_s, u"--noninteractive"_s, u"bench"_s,
                             u"org.kudora.bench.Platform"_s }
                   + ids);
}

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
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    s_root = root.path();
    // Read once by libflatpak: set before anything loads it.
    qputenv("FLATPAK_USER_DIR", QFile::encodeName(s_root + u"/user"_s));
    qputenv("FLATPAK_SYSTEM_DIR", QFile::encodeName(s_root + u"/system"_s));
    qputenv("FLATPAK_CONFIG_DIR", QFile::encodeName(s_root + u"/config"_s));
    QCoreApplication application(argc, argv);
    if (!makeInstallation(s_root))
        return 1;
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
