// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of whole programs, run as child processes in turn so that the noise of a shared machine
// falls on each alike, with 200 Flatpak applications installed (FixtureFlatpak) and nothing else.
//
// The window: from exec to the first paint of the main window, and to its first paint with the 200
// applications in the table, and peak memory, against two minimal Qt Widgets programs
// (minimal_window.cpp) with a search field in their tool bar over a 200-row table: (a) filled from
// constants, (b) filled from libflatpak's listing of the same installations, loaded, listed and
// filled plainly in order before the window shows. The same program once more with 300
// distribution applications installed too (FixtureDistro), against itself without them: the fourth
// store's scan, and libappstream with it, come after the first paint, which they must not delay.
//
// The command line: "kudora --list" against the platform's own tool doing the same job,
// "flatpak list --app --columns=application,name", from exec to exit.
//
// The user's own reviews, looked up on a stand-in for the ratings service on a thread of this
// program (each of the 200 applications reviewed by the user among others): the first paint, and
// the first with every row's rating, with the lookups on and all 200 answers cached, against the
// paints of floor (a) and of the program without them; and, with nothing cached, the longest the
// window's main thread stays from its event loop while the 200 answers arrive (the probe's 1 ms
// ticks).

#include "BenchTable.h"
#include "FileDefaultsDomain.h"
#include "FixtureDistro.h"
#include "FixtureFlatpak.h"
#include "ReviewCache.h"
#include "ReviewChoice.h"
#include "ReviewServiceDouble.h"
#include "UserHash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <vector>

extern char** environ;

using namespace Qt::StringLiterals;

namespace {

// 31 unless --runs= says otherwise, for a quick look.
int Runs = 31;
constexpr int Apps = 200;
constexpr int DistroApps = 300;

struct Sample
{
    double wallMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
    // From the window's report: the first paint, and the first with the table filled.
    double paintMs = 0;
    double filledMs = 0;
    bool flatpakAtPaint = false;
    bool appstreamAtPaint = false;
    // From a report on stalls: the probe's longest gap, and the time from the first rating shown
    // to the last.
    double stallMs = 0;
    double ratingMs = 0;
};

qint64 monotonicNow()
{
    timespec time {};
    ::clock_gettime(CLOCK_MONOTONIC, &time);
    return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
}

// Ours, with its own home, configuration, cache, state and runtime folders, the offscreen platform,
// the fixture's Flatpak installations, the system's data folders (dataDirs, $XDG_DATA_DIRS) and the
// start-up probe.
std::vector<std::string> childEnvironment(const QString& root, const QString& flatpak, const QString& report,
                                          const QByteArray& dataDirs,
                                          const std::vector<std::pair<std::string, std::string>>& extra = {})
{
    std::vector<std::pair<std::string, std::string>> overrides = {
        { "HOME", QFile::encodeName(root + u"/home"_s).toStdString() },
        { "XDG_CONFIG_HOME", QFile::encodeName(root + u"/home/.config"_s).toStdString() },
        { "XDG_CACHE_HOME", QFile::encodeName(root + u"/home/.cache"_s).toStdString() },
        { "XDG_DATA_HOME", QFile::encodeName(root + u"/home/.local/share"_s).toStdString() },
        { "XDG_STATE_HOME", QFile::encodeName(root + u"/home/.local/state"_s).toStdString() },
        { "XDG_RUNTIME_DIR", QFile::encodeName(root + u"/runtime"_s).toStdString() },
        { "XDG_DATA_DIRS", dataDirs.toStdString() },
        { "QT_QPA_PLATFORM", "offscreen" },
        // The probe that reports the first paints (startup_probe_plugin.cpp).
        { "QT_PLUGIN_PATH",
          QFile::encodeName(QCoreApplication::applicationDirPath() + u"/plugins"_s).toStdString() },
        { "QT_QPA_GENERIC_PLUGINS", "kudorastartupprobe" },
        { "KUDORA_BENCH_REPORT", QFile::encodeName(report).toStdString() },
        { "KUDORA_BENCH_ROWS", std::to_string(Apps) },
    };
    overrides.insert(overrides.end(), extra.begin(), extra.end());
    for (const auto& [name, value] : FixtureFlatpak::environment(flatpak))
        overrides.emplace_back(name.toStdString(), value.toStdString());
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

// Runs arguments (the program found on PATH) to its end with its output into outputPath; false
// unless it exits with 0.
bool runOnce(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
             const char* outputPath, Sample& sample)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);

    const qint64 start = monotonicNow();
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return false;
    int status = 0;
    rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    const qint64 end = monotonicNow();
    sample.wallMs = double(end - start) / 1e6;
    sample.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    sample.peakMiB = double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
    sample.paintMs = sample.filledMs = 0;
    return true;
}

// A window run: its start and the times of its report, relative to it.
bool runWindow(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
               const QString& reportPath, Sample& sample)
{
    QFile::remove(reportPath);
    const qint64 start = monotonicNow();
    if (!runOnce(arguments, environment, "/dev/null", sample))
        return false;
    QFile report(reportPath);
    if (!report.open(QIODevice::ReadOnly))
        return false;
    long long paint = 0;
    long long filled = 0;
    int flatpak = 0;
    int appstream = 0;
    long long stall = 0;
    long long rating = 0;
    const int read = std::sscanf(report.readAll().constData(),
                                 "paint %lld filled %lld flatpak %d appstream %d stall %lld rating %lld",
                                 &paint, &filled, &flatpak, &appstream, &stall, &rating);
    if (read != 4 && read != 6)
        return false;
    sample.stallMs = double(stall) / 1e6;
    sample.ratingMs = double(rating) / 1e6;
    sample.flatpakAtPaint = flatpak != 0;
    sample.appstreamAtPaint = appstream != 0;
    sample.paintMs = double(paint - start) / 1e6;
    sample.filledMs = double(filled - start) / 1e6;
    return true;
}

// How many of the fixture's applications a listing printed, one a line.
int listedApps(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    int count = 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        count += line.contains("org.kudora.bench.App") ? 1 : 0;
    return count;
}

// The home, configuration, cache, state and runtime folders of childEnvironment(root, ...).
void makeHome(const QString& root)
{
    for (const char* folder :
         { "/home/.config", "/home/.cache", "/home/.local/share", "/home/.local/state", "/runtime" })
        QDir().mkpath(root + QString::fromLatin1(folder));
    QFile::setPermissions(root + u"/runtime"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The program's settings in the home of root: the user's reviews are looked up, on server.
void chooseLookups(const QString& root, const QUrl& server)
{
    FileDefaultsDomain domain(root + u"/home/.config/org.kudora.Kudora.plist"_s);
    domain.setValue(ReviewChoice::ChoiceKey, true);
    domain.setValue(ReviewChoice::ServerKey, server.toString());
}

QString cacheFolder(const QString& root)
{
    return root + u"/home/.cache/kudora"_s;
}

// Each application reviewed by the user among eleven others, as the service lists them; and the
// same answers in the cache of cachedRoot, asked now.
bool serveReviews(ReviewServiceDouble& service, const UserHash& hash, const QString& cachedRoot)
{
    const QString description = u"It does what it says, and quickly. "_s.repeated(5);
    ReviewCache cache(cacheFolder(cachedRoot));
    for (int i = 0; i < Apps; ++i) {
        const QString id = FixtureFlatpak::appID(i);
        QList<QJsonObject> reviews;
        for (int r = 0; r < 12; ++r) {
            QJsonObject review = ReviewServiceDouble::review(
                r == 5 ? QString::fromLatin1(hash.hex()) : u"5f0c3e1d2b4a69788796a5b4c3d2e1f0a9b8c7d6"_s,
                1'700'000'000 - r * 86'400, 20 + r * 5, u"Review number %1"_s.arg(r));
            review.insert(u"description"_s, description);
            reviews.append(review);
        }
        service.serve(id, { ReviewServiceDouble::listing(reviews) });
        cache.record(id,
                     OnlineReview { QDateTime::fromSecsSinceEpoch(1'700'000'000 - 5 * 86'400, Qt::UTC), 45,
                                    u"Review number 5"_s });
    }
    return cache.save();
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

double maximum(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

struct Series
{
    Series(const char* name, std::vector<std::string> arguments)
        : name(name)
        , arguments(std::move(arguments))
    { }

    const char* name;
    std::vector<std::string> arguments;
    std::vector<double> paint, filled, peak, wall, cpu, stall, rating;
    int flatpakAtPaint = 0;
    int appstreamAtPaint = 0;
    // The environment of its runs; the shared one when empty.
    std::vector<std::string> environment;

    void add(const Sample& sample)
    {
        paint.push_back(sample.paintMs);
        filled.push_back(sample.filledMs);
        peak.push_back(sample.peakMiB);
        wall.push_back(sample.wallMs);
        cpu.push_back(sample.cpuMs);
        stall.push_back(sample.stallMs);
        rating.push_back(sample.ratingMs);
        flatpakAtPaint += sample.flatpakAtPaint ? 1 : 0;
        appstreamAtPaint += sample.appstreamAtPaint ? 1 : 0;
    }
};

void printSummary(const Series& series, bool window)
{
    if (window)
        std::fprintf(stderr,
                     "%s: first paint median %.1f ms, minimum %.1f ms; filled median %.1f ms, "
                     "minimum %.1f ms; peak %.1f MiB\n",
                     series.name, median(series.paint), minimum(series.paint), median(series.filled),
                     minimum(series.filled), median(series.peak));
    else
        std::fprintf(stderr, "%s: median %.1f ms, minimum %.1f ms; CPU median %.1f ms; peak %.1f MiB\n",
                     series.name, median(series.wall), minimum(series.wall), median(series.cpu),
                     median(series.peak));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const std::string fixtures = BenchTable::takeOption(&argc, argv, "--fixtures=");
    if (const std::string runs = BenchTable::takeOption(&argc, argv, "--runs="); !runs.empty())
        Runs = std::max(1, std::atoi(runs.c_str()));
    QTemporaryDir root;
    if (!root.isValid())
        return 1;
    const QString flatpak = fixtures.empty()
        ? QString(root.path() + u"/flatpak"_s)
        : QFile::decodeName(fixtures.c_str()) + u"/flatpak-"_s + QString::number(Apps);
    if (!FixtureFlatpak::create(flatpak, Apps)) {
        std::fprintf(stderr, "bench_startup: cannot make the Flatpak installations\n");
        return 1;
    }
    makeHome(root.path());

    const QString distro = root.path() + u"/distro"_s;
    if (!FixtureDistro::create(distro, DistroApps)) {
        std::fprintf(stderr, "bench_startup: cannot write the distribution applications\n");
        return 1;
    }

    const std::string binaries = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    const QString reportPath = root.path() + u"/report"_s;
    const QByteArray systemDataDirs = qEnvironmentVariableIsEmpty("XDG_DATA_DIRS")
        ? QByteArray("/usr/local/share:/usr/share")
        : qgetenv("XDG_DATA_DIRS");
    const std::vector<std::string> environment =
        childEnvironment(root.path(), flatpak, reportPath, systemDataDirs);

    Series constants { "floor (a), table from constants", { binaries + "/minimal_window" } };
    Series listing { "floor (b), table from libflatpak's listing", { binaries + "/minimal_flatpak_window" } };
    Series kudora { "kudora", { KUDORA_EXECUTABLE } };
    Series withDistro { "kudora, 300 distribution apps too", { KUDORA_EXECUTABLE } };
    withDistro.environment =
        childEnvironment(root.path(), flatpak, reportPath,
                         QFile::encodeName(FixtureDistro::share(distro)) + ':' + systemDataDirs);
    Series list { "kudora --list", { KUDORA_EXECUTABLE, "--list" } };

    // The reviews' two homes: one with every answer cached, one asking each anew.
    ReviewServiceDouble service;
    const UserHash hash = UserHash::ofThisUser();
    Series cached { "kudora, reviews looked up, 200 answers cached", { KUDORA_EXECUTABLE } };
    Series lookups { "kudora, reviews looked up, none cached", { KUDORA_EXECUTABLE } };
    std::vector<Series*> windows { &constants, &listing, &kudora, &withDistro };
    const QString cachedRoot = root.path() + u"/reviews-cached"_s;
    const QString lookupRoot = root.path() + u"/reviews-looked-up"_s;
    if (hash.isValid()) {
        // The rating column's title as the program shows it in English.
        const std::vector<std::pair<std::string, std::string>> rated = {
            { "KUDORA_BENCH_RATED_COLUMN", "Your Rating" }, { "LC_ALL", "C.UTF-8" }, { "LANGUAGE", "C" }
        };
        std::vector<std::pair<std::string, std::string>> stalls = rated;
        stalls.emplace_back("KUDORA_BENCH_STALLS", "1");
        for (const QString& home : { cachedRoot, lookupRoot }) {
            makeHome(home);
            chooseLookups(home, service.server());
        }
        if (!serveReviews(service, hash, cachedRoot)) {
            std::fprintf(stderr, "bench_startup: cannot write the cached answers\n");
            return 1;
        }
        cached.environment = childEnvironment(cachedRoot, flatpak, reportPath, systemDataDirs, rated);
        lookups.environment = childEnvironment(lookupRoot, flatpak, reportPath, systemDataDirs, stalls);
        windows.insert(windows.end(), { &cached, &lookups });
    } else {
        std::fprintf(stderr, "bench_startup: no user hash (%s); the reviews' rows are left out\n",
                     qPrintable(hash.failureReason()));
    }
    Series peer { "flatpak list", { "flatpak", "list", "--app", "--columns=application,name" } };

    // Both listings must show the same applications, or the comparison says nothing.
    const QByteArray output = QFile::encodeName(root.path() + u"/listing"_s);
    for (Series* series : { &list, &peer }) {
        Sample sample;
        if (!runOnce(series->arguments, environment, output.constData(), sample)
            || listedApps(QFile::decodeName(output)) != Apps) {
            std::fprintf(stderr, "bench_startup: %s does not list the %d applications\n", series->name, Apps);
            return 1;
        }
    }

    for (int run = 0; run < Runs; ++run) {
        // Every answer is asked anew.
        ReviewCache(cacheFolder(lookupRoot)).removeAll();
        for (Series* series : windows) {
            Sample sample;
            if (!runWindow(series->arguments, series->environment.empty() ? environment : series->environment,
                           reportPath, sample)) {
                std::fprintf(stderr, "bench_startup: %s failed\n", series->name);
                return 1;
            }
            series->add(sample);
        }
        std::fprintf(
            stderr,
            "run %2d: (a) %.1f ms | (b) %.1f ms, %.1f MiB | kudora %.1f ms, filled %.1f ms, %.1f MiB | "
            "with distribution apps %.1f ms, filled %.1f ms\n",
            run, constants.paint.back(), listing.paint.back(), listing.peak.back(), kudora.paint.back(),
            kudora.filled.back(), kudora.peak.back(), withDistro.paint.back(), withDistro.filled.back());
        if (hash.isValid())
            std::fprintf(stderr,
                         "        reviews cached %.1f ms, rated %.1f ms | looked up: longest stall %.1f ms, "
                         "%.1f ms from the first rating to the last\n",
                         cached.paint.back(), cached.filled.back(), lookups.stall.back(),
                         lookups.rating.back());
    }
    // The cached runs asked nothing; the others asked each application once a run.
    if (hash.isValid() && service.requestCount() != qsizetype(Runs) * Apps) {
        std::fprintf(stderr, "bench_startup: the service was asked %lld times, not %d\n",
                     qlonglong(service.requestCount()), Runs * Apps);
        return 1;
    }
    for (int run = 0; run < Runs; ++run) {
        for (Series* series : { &list, &peer }) {
            Sample sample;
            if (!runOnce(series->arguments, environment, "/dev/null", sample)) {
                std::fprintf(stderr, "bench_startup: %s failed\n", series->name);
                return 1;
            }
            series->add(sample);
        }
        std::fprintf(stderr, "run %2d: kudora --list %.1f ms | flatpak list %.1f ms\n", run, list.wall.back(),
                     peer.wall.back());
    }
    for (const Series* series : windows)
        printSummary(*series, true);
    for (const Series* series : { &list, &peer })
        printSummary(*series, false);

    using BenchTable::Target;
    const std::string runs = std::to_string(Runs);
    BenchTable::print({ "start-up to first paint (floor (a): a table from constants)", median(kudora.paint),
                        "ms", median(constants.paint), Target::RatioAtMost, 1.3 });
    BenchTable::print({ "  the same, minimum of " + runs + " runs", minimum(kudora.paint), "ms",
                        minimum(constants.paint), Target::None, 0 });
    BenchTable::print({ "start-up to first paint with 200 Flatpak apps in the table (floor (b): the same "
                        "from libflatpak in order)",
                        median(kudora.filled), "ms", median(listing.filled), Target::RatioAtMost, 1.0 });
    BenchTable::print({ "  the same, minimum of " + runs + " runs", minimum(kudora.filled), "ms",
                        minimum(listing.filled), Target::None, 0 });
    BenchTable::print({ "  floor (b) against floor (a)", median(listing.filled), "ms",
                        median(constants.paint), Target::None, 0 });
    BenchTable::print({ "start-up peak memory (floor (b))", median(kudora.peak), "MiB", median(listing.peak),
                        Target::None, 0 });
    BenchTable::print({ "start-up peak memory above floor (b)", median(kudora.peak) - median(listing.peak),
                        "MiB", 0, Target::AtMost, 20.0 });
    // The scan thread loads it; a run in which it was loaded by the first paint had the two overlap.
    BenchTable::print({ "start-up runs (of " + runs + ") that painted before libflatpak was loaded",
                        double(Runs - kudora.flatpakAtPaint), "runs", 0, Target::None, 0 });
    BenchTable::print({ "start-up to first paint with 300 distribution apps installed too (floor: the same "
                        "without them)",
                        median(withDistro.paint), "ms", median(kudora.paint), Target::RatioAtMost, 1.05 });
    BenchTable::print({ "  the same, minimum of " + runs + " runs", minimum(withDistro.paint), "ms",
                        minimum(kudora.paint), Target::None, 0 });
    BenchTable::print({ "  the same, to the first paint with all 500 apps in the table",
                        median(withDistro.filled), "ms", median(kudora.filled), Target::None, 0 });
    // Held back until the window has painted, as libflatpak is.
    BenchTable::print({ "start-up runs (of " + runs
                            + ") with distribution apps that loaded libappstream "
                              "by the first paint",
                        double(withDistro.appstreamAtPaint), "runs", 0, Target::AtMost, 0 });
    if (hash.isValid()) {
        BenchTable::print({ "start-up to first paint, reviews looked up and 200 answers cached (floor (a))",
                            median(cached.paint), "ms", median(constants.paint), Target::RatioAtMost, 1.3 });
        BenchTable::print(
            { "  the same, to the first paint with the 200 ratings (floor: kudora's with the 200 "
              "apps, without reviews)",
              median(cached.filled), "ms", median(kudora.filled), Target::None, 0 });
        BenchTable::print(
            { "longest main-thread stall while 200 answers arrive (median of " + runs + " runs)",
              median(lookups.stall), "ms", 0, Target::AtMost, 16 });
        BenchTable::print(
            { "  the same, longest of " + runs + " runs", maximum(lookups.stall), "ms", 0, Target::None, 0 });
        BenchTable::print({ "  from the first rating shown to the 200th", median(lookups.rating), "ms", 0,
                            Target::None, 0 });
    }
    BenchTable::print(
        { "kudora --list, 200 Flatpak apps (floor: flatpak list --app --columns=application,name)",
          median(list.wall), "ms", median(peer.wall), Target::RatioAtMost, 1.0 });
    BenchTable::print({ "  the same, minimum of " + runs + " runs", minimum(list.wall), "ms",
                        minimum(peer.wall), Target::None, 0 });
    BenchTable::print({ "  the same, CPU time", median(list.cpu), "ms", median(peer.cpu), Target::None, 0 });
    return 0;
}
