// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace BenchTable {

MedianCollector::MedianCollector()
{
    SetOutputStream(&std::cerr);
    SetErrorStream(&std::cerr);
}

void MedianCollector::ReportRuns(const std::vector<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
            continue;
        const double toMs = 1e3 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty())
            name += "/" + run.run_name.args;
        m_medians[name] = { run.GetAdjustedRealTime() * toMs, run.GetAdjustedCPUTime() * toMs };
    }
    ConsoleReporter::ReportRuns(runs);
}

Median MedianCollector::median(const std::string& name) const
{
    const auto it = m_medians.find(name);
    return it == m_medians.end() ? Median() : it->second;
}

bool MedianCollector::has(const std::string& name) const
{
    return m_medians.count(name) != 0;
}

namespace {
std::string format(double value, const std::string& unit)
{
    char text[64];
    if (unit == "x")
        std::snprintf(text, sizeof text, "%.2f x", value);
    else if (unit == "runs")
        std::snprintf(text, sizeof text, "%.0f runs", value);
    else if (value >= 100)
        std::snprintf(text, sizeof text, "%.0f %s", value, unit.c_str());
    else if (value >= 10)
        std::snprintf(text, sizeof text, "%.1f %s", value, unit.c_str());
    else
        std::snprintf(text, sizeof text, "%.3f %s", value, unit.c_str());
    return text;
}
} // namespace

void print(const Row& row)
{
    // A benchmark left out on the command line has no figure; a count of runs may well be none.
    if (!std::isfinite(row.value) || (!(row.value > 0) && row.unit != "runs"))
        return;
    const bool hasFloor = row.floor > 0;
    const double ratio = hasFloor ? row.value / row.floor : 0;
    std::string target = "-";
    std::string verdict = "-";
    switch (row.target) {
    case Target::Below:
        target = "< " + format(row.limit, row.unit);
        verdict = row.value < row.limit ? "ok" : "MISSED";
        break;
    case Target::AtMost:
        target = "<= " + format(row.limit, row.unit);
        verdict = row.value <= row.limit ? "ok" : "MISSED";
        break;
    case Target::RatioAtMost:
        target = "ratio <= " + format(row.limit, "x");
        verdict = hasFloor && ratio <= row.limit ? "ok" : "MISSED";
        break;
    case Target::None:
        break;
    }
    std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", row.measurement.c_str(), format(row.value, row.unit).c_str(),
                hasFloor ? format(row.floor, row.unit).c_str() : "-",
                hasFloor ? format(ratio, "x").c_str() : "-", target.c_str(), verdict.c_str());
    std::fflush(stdout);
}

std::string takeOption(int* argc, char** argv, const std::string& prefix)
{
    for (int i = 1; i < *argc; ++i) {
        const std::string argument = argv[i];
        if (argument.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::copy(argv + i + 1, argv + *argc, argv + i);
        --*argc;
        return argument.substr(prefix.size());
    }
    return {};
}

bool run(int* argc, char** argv, MedianCollector& collector)
{
    benchmark::Initialize(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(*argc, argv))
        return false;
    benchmark::RunSpecifiedBenchmarks(&collector);
    return true;
}

benchmark::internal::Benchmark* measure(const char* name, void (*function)(benchmark::State&),
                                        int repetitions)
{
    return benchmark::RegisterBenchmark(name, function)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
}

} // namespace BenchTable
