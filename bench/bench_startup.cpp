// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the whole program, from exec to the first paint of the main window and to the
// first paint with the table filled after the first scan (200 fixture applications), and its
// peak memory, against a minimal Qt Widgets program that paints what any table application shows
// first: a tool bar with a search field over a table of 200 plain-text rows. The program runs with
// and without its Flatpak source, to show what the source adds. All run as child processes on the
// offscreen platform with their own home and configuration folders, in turn, so that the noise of a
// shared machine falls on each alike.

#include "BenchTable.h"
#include "FixtureBundles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <vector>

extern char** environ;

using namespace Qt::StringLiterals;

namespace {

constexpr int Runs = 31;
constexpr int FixtureApps = 200;

struct Sample
{
    double paintMs = 0;
    double filledMs = 0;
    double peakMiB = 0;
    bool flatpakAtPaint = false;
};

qint64 monotonicNow()
{
    timespec time {};
    ::clock_gettime(CLOCK_MONOTONIC, &time);
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// The child's environment: ours, with its own home, configuration and cache folders, and the
// offscreen platform.
std::vector<std::string> childEnvironment(const QString& root)
{
    const std::vector<std::pair<std::string, std::string>> overrides = {
        { "HOME", QFile::encodeName(root + u"/home"_s).toStdString() },
        { "XDG_CONFIG_HOME", QFile::encodeName(root + u"/home/.config"_s).toStdString() },
        { "XDG_CACHE_HOME", QFile::encodeName(root + u"/home/.cache"_s).toStdString() },
        { "XDG_DATA_HOME", QFile::encodeName(root + u"/home/.local/share"_s).toStdString() },
        { "XDG_RUNTIME_DIR", QFile::encodeName(root + u"/runtime"_s).toStdString() },
        { "QT_QPA_PLATFORM", "offscreen" },
        // Empty Flatpak installations of its own: the machine's would make runs differ.
        { "FLATPAK_USER_DIR", QFile::encodeName(root + u"/flatpak/user"_s).toStdString() },
        { "FLATPAK_SYSTEM_DIR", QFile::encodeName(root + u"/flatpak/system"_s).toStdString() },
        { "FLATPAK_CONFIG_DIR", QFile::encodeName(root + u"/flatpak/config"_s).toStdString() },
    };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        if (std::none_of(overrides.begin(), overrides.end(), [&](const auto& o) { return o.first == name; }))
            environment.push_back(text);
    }
    for (const auto& [name, value] : overrides)
        environment.push_back(name + '=' + value);
    return environment;
}

bool runOnce(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const QString& reportPath, Sample& sample)
{
    QFile::remove(reportPath);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    const qint64 start = monotonicNow();
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return false;
    int status = 0;
    rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;

    QFile report(reportPath);
    if (!report.open(QIODevice::ReadOnly))
        return false;
    long long paint = 0;
    long long filled = 0;
    int flatpak = 0;
    // The minimal window does not say.
    if (std::sscanf(report.readAll().constData(), "paint %lld filled %lld flatpak %d", &paint, &filled,
                    &flatpak)
        < 2)
        return false;
    sample.flatpakAtPaint = flatpak != 0;
    sample.paintMs = double(paint - start) / 1e6;
    sample.filledMs = double(filled - start) / 1e6;
    sample.peakMiB = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double minimum(const std::vector<double>& values)
{
    return *std::min_element(values.begin(), values.end());
}

std::string runsText(const std::vector<double>& values)
{
    char text[96];
    std::snprintf(text, sizeof text, "median %.1f ms, minimum %.1f ms", median(values), minimum(values));
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    const QString apps = root.path() + u"/Applications"_s;
    if (FixtureBundles::create(apps, FixtureApps).bundles != FixtureApps) {
        std::fprintf(stderr, "bench_startup: cannot write the fixture bundles\n");
        return 1;
    }
    for (const char* folder : { "/home/.config", "/home/.cache", "/home/.local/share", "/runtime" })
        QDir().mkpath(root.path() + QString::fromLatin1(folder));
    QFile::setPermissions(root.path() + u"/runtime"_s,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const std::string binaries = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    const QString reportPath = root.path() + u"/report"_s;
    const std::string report = QFile::encodeName(reportPath).toStdString();
    const std::vector<std::string> minimal = { binaries + "/minimal_window", report };
    const std::vector<std::string> kudora = { binaries + "/startup_probe", report,
                                              QFile::encodeName(apps).toStdString(),
                                              QFile::encodeName(root.path() + u"/home"_s).toStdString() };
    std::vector<std::string> withoutFlatpak = kudora;
    withoutFlatpak.push_back("--without-flatpak");
    const std::vector<std::string> environment = childEnvironment(root.path());

    std::vector<double> minimalPaint, minimalPeak, kudoraPaint, kudoraFilled, kudoraPeak, plainFilled;
    int flatpakAtPaint = 0;
    for (int run = 0; run < Runs; ++run) {
        Sample sample;
        if (!runOnce(minimal, environment, reportPath, sample)) {
            std::fprintf(stderr, "bench_startup: minimal_window failed\n");
            return 1;
        }
        minimalPaint.push_back(sample.paintMs);
        minimalPeak.push_back(sample.peakMiB);
        if (!runOnce(kudora, environment, reportPath, sample)) {
            std::fprintf(stderr, "bench_startup: startup_probe failed\n");
            return 1;
        }
        kudoraPaint.push_back(sample.paintMs);
        kudoraFilled.push_back(sample.filledMs);
        kudoraPeak.push_back(sample.peakMiB);
        flatpakAtPaint += sample.flatpakAtPaint ? 1 : 0;
        if (!runOnce(withoutFlatpak, environment, reportPath, sample)) {
            std::fprintf(stderr, "bench_startup: startup_probe --without-flatpak failed\n");
            return 1;
        }
        plainFilled.push_back(sample.filledMs);
        std::fprintf(stderr,
                     "run %2d: minimal %.1f ms %.1f MiB | kudora %.1f ms, filled %.1f ms, %.1f MiB | "
                     "without Flatpak filled %.1f ms\n",
                     run, minimalPaint.back(), minimalPeak.back(), kudoraPaint.back(), kudoraFilled.back(),
                     kudoraPeak.back(), plainFilled.back());
    }
    std::fprintf(stderr,
                 "minimal window: %s\nkudora, first paint: %s\nkudora, filled: %s\n"
                 "kudora without Flatpak, filled: %s\n",
                 runsText(minimalPaint).c_str(), runsText(kudoraPaint).c_str(),
                 runsText(kudoraFilled).c_str(), runsText(plainFilled).c_str());

    using BenchTable::Target;
    const double floorPaint = median(minimalPaint);
    const double floorPeak = median(minimalPeak);
    BenchTable::print({ "start-up to first paint with the table filled, 200 applications",
                        median(kudoraFilled), "ms", floorPaint, Target::RatioAtMost, 1.3 });
    BenchTable::print({ "  the same, minimum of " + std::to_string(Runs) + " runs", minimum(kudoraFilled),
                        "ms", minimum(minimalPaint), Target::None, 0 });
    BenchTable::print({ "start-up to first paint (table not yet filled)", median(kudoraPaint), "ms",
                        floorPaint, Target::None, 0 });
    // No growth: within the noise of the medians.
    BenchTable::print({ "start-up filled, with the Flatpak source (floor: without it)", median(kudoraFilled),
                        "ms", median(plainFilled), Target::RatioAtMost, 1.05 });
    BenchTable::print({ "start-up peak memory", median(kudoraPeak), "MiB", floorPeak, Target::None, 0 });
    BenchTable::print({ "start-up peak memory above the minimal window", median(kudoraPeak) - floorPeak,
                        "MiB", 0, Target::AtMost, 20.0 });
    // The scan thread loads it; on a busy machine the scan may start before the window paints, so
    // this counts runs in which the two did not overlap, not runs that waited for it.
    BenchTable::print(
        { "start-up runs (of " + std::to_string(Runs) + ") that painted before libflatpak was loaded",
          double(Runs - flatpakAtPaint), "runs", 0, Target::None, 0 });
    return 0;
}
