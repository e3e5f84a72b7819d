// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the catalogue model costs per read of visibleApps() with a large catalogue, against floors
// measured in the same run: the bare sort of precomputed keys and a plain substring scan. The
// model's work beyond the floors is filtering, the key lookups and copying the records out.

#include "AppModel.h"
#include "BenchTable.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "SortComparator.h"
#include "TextSearch.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMap>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordCount = 10000;

QList<AppInfo> makeCatalogue()
{
    const QStringList first = { u"Pastel"_s, u"Drafts"_s,    u"Café"_s,   u"Straße"_s,
                                u"Résumé"_s, u"Things"_s,    u"Sofa"_s,   u"Tailscale"_s,
                                u"Ørsted"_s, u"Codepoint"_s, u"Muffin"_s, u"Island"_s };
    const QStringList second = { u"Pro"_s,    u"Studio"_s, u"Lite"_s,   u"Manager"_s, u"Editor"_s,
                                 u"Viewer"_s, u"Helper"_s, u"Player"_s, u"for Mac"_s, u"Plus"_s };
    const QDateTime base(QDate(2026, 4, 1), QTime(0, 0), Qt::UTC);
    QList<AppInfo> apps;
    apps.reserve(RecordCount);
    for (int i = 0; i < RecordCount; ++i) {
        const QString name = first[i % first.size()] + u' ' + second[(i / 7) % second.size()] + u' '
            + QString::number(i % 997);
        const QString id = u"com.vendor"_s + QString::number(i % 313) + u".app"_s + QString::number(i);
        const OptionalDate lastUsed =
            i % 11 == 0 ? OptionalDate() : OptionalDate(base.addSecs(i * 3571 % 2600000));
        const OptionalDate modified = i % 5 == 0 ? OptionalDate(base.addDays(-(i % 400))) : OptionalDate();
        const OptionalDate reviewed = i % 4 == 0 ? OptionalDate(base.addSecs(i * 97)) : OptionalDate();
        apps.append(AppInfo(AppId(id), name, u"/Applications/"_s + name + u".app"_s,
                            QString::number(100000 + i), lastUsed, modified, reviewed));
    }
    return apps;
}

struct Fixture
{
    Fixture()
        : preferences(std::make_shared<MemoryDefaultsDomain>())
        // Folders that do not exist: the queued first rescan never runs here anyway, since no
        // event loop turns, but should it run it must not touch the disk.
        , model(preferences, AppSources {})
    {
        const QList<AppInfo> apps = makeCatalogue();
        model.setApps(apps);
        for (const AppInfo& app : apps) {
            foldedNames.append(TextSearch::fold(app.name()));
            foldedIDs.append(TextSearch::fold(app.id().text()));
            nameKeys.push_back(SortComparator::nameSortKey(app.name()));
        }
    }

    PreferencesService preferences;
    AppModel model;
    QStringList foldedNames;
    QStringList foldedIDs;
    std::vector<QByteArray> nameKeys;
};

Fixture& fixture()
{
    static Fixture instance;
    return instance;
}

const SortOrder ByName { SortComparator(SortComparator::Key::Name, Qt::AscendingOrder) };
const SortOrder ByLastUse { SortComparator(SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder) };

// Typing one more letter, then taking it back: each read follows a one-character change.
void searchAfterOneCharacterChange(benchmark::State& state)
{
    AppModel& model = fixture().model;
    model.setSortOrder(ByLastUse);
    model.visibleApps();
    const QString queries[] = { u"st"_s, u"stu"_s };
    int turn = 0;
    qsizetype rows = 0;
    for (auto _ : state) {
        model.setSearchQuery(queries[turn++ % 2]);
        const QList<AppInfo> visible = model.visibleApps();
        rows = visible.size();
        benchmark::DoNotOptimize(visible.constData());
    }
    state.counters["rows"] = double(rows);
    model.setSearchQuery(QString());
}

void sortChangeToName(benchmark::State& state)
{
    AppModel& model = fixture().model;
    model.setSearchQuery(QString());
    model.setSortOrder(ByName);
    model.visibleApps(); // the collation keys are built once per catalogue, not per sort
    for (auto _ : state) {
        state.PauseTiming();
        model.setSortOrder(ByLastUse);
        state.ResumeTiming();
        model.setSortOrder(ByName);
        const QList<AppInfo> visible = model.visibleApps();
        benchmark::DoNotOptimize(visible.constData());
    }
}

// The first read after a rescan delivered a new catalogue, keys and all.
void firstReadAfterNewCatalogue(benchmark::State& state)
{
    AppModel& model = fixture().model;
    model.setSearchQuery(QString());
    model.setSortOrder(ByName);
    const QList<AppInfo> apps = model.apps();
    for (auto _ : state) {
        model.setApps(apps);
        const QList<AppInfo> visible = model.visibleApps();
        benchmark::DoNotOptimize(visible.constData());
    }
    model.setSortOrder(ByLastUse);
}

void floorStableSortOfKeys(benchmark::State& state)
{
    const std::vector<QByteArray>& keys = fixture().nameKeys;
    std::vector<qsizetype> identity(keys.size());
    std::iota(identity.begin(), identity.end(), 0);
    for (auto _ : state) {
        std::vector<qsizetype> rows = identity;
        std::stable_sort(rows.begin(), rows.end(),
                         [&](qsizetype a, qsizetype b) { return keys[size_t(a)] < keys[size_t(b)]; });
        benchmark::DoNotOptimize(rows.data());
    }
}

void floorSubstringScan(benchmark::State& state)
{
    const QStringList& names = fixture().foldedNames;
    const QStringList& ids = fixture().foldedIDs;
    const QString queries[] = { u"st"_s, u"stu"_s };
    int turn = 0;
    for (auto _ : state) {
        const QString& query = queries[turn++ % 2];
        int found = 0;
        for (qsizetype i = 0; i < names.size(); ++i)
            found += names[i].contains(query) || ids[i].contains(query);
        benchmark::DoNotOptimize(found);
    }
}

constexpr int Repetitions = 9;

BENCHMARK(searchAfterOneCharacterChange)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK(sortChangeToName)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK(firstReadAfterNewCatalogue)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK(floorStableSortOfKeys)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);
BENCHMARK(floorSubstringScan)->Unit(benchmark::kMillisecond)->Repetitions(Repetitions);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    using BenchTable::Target;
    BenchTable::print({ "search keystroke, 10,000 records",
                        collector.median("searchAfterOneCharacterChange").realMs, "ms",
                        collector.median("floorSubstringScan").realMs, Target::Below, 5.0 });
    BenchTable::print({ "sort change to name, 10,000 records", collector.median("sortChangeToName").realMs,
                        "ms", collector.median("floorStableSortOfKeys").realMs, Target::Below, 10.0 });
    BenchTable::print({ "first read after a new catalogue (keys built)",
                        collector.median("firstReadAfterNewCatalogue").realMs, "ms", 0, Target::None, 0 });
    benchmark::Shutdown();
    return 0;
}
