// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// Every bench program prints its results as rows of one table: the measurement, its median, the
// floor measured in the same run, their ratio and the target. The rows are tab-separated so that
// scripts/bench can align the rows of all programs into one table; Google Benchmark's own report
// goes to stderr.
namespace BenchTable {

struct Median
{
    double realMs = 0;
    double cpuMs = 0;
};

// Keeps the median real and CPU time of every benchmark, by "function/args" (for example
// "scan/1000"), and passes the usual console report on to stderr.
class MedianCollector : public benchmark::ConsoleReporter
{
public:
    MedianCollector();

    void ReportRuns(const std::vector<Run>& runs) override;

    // Zero times when the benchmark did not run (filtered out on the command line).
    Median median(const std::string& name) const;
    bool has(const std::string& name) const;

private:
    std::map<std::string, Median> m_medians;
};

enum class Target {
    // Met when the value is below the limit.
    Below,
    // Met when the value is at most the limit.
    AtMost,
    // Met when the ratio to the floor is at most the limit.
    RatioAtMost,
    // No target; the row is shown for information.
    None,
};

struct Row
{
    std::string measurement;
    double value = 0;
    std::string unit = "ms";
    // Zero when the measurement has no floor.
    double floor = 0;
    Target target = Target::None;
    double limit = 0;
};

void print(const Row& row);

// Registers a benchmark timed in milliseconds over a number of repetitions, of which only the
// aggregates are reported; the caller adds what else it needs (real time, iterations, CPU time).
benchmark::internal::Benchmark* measure(const char* name, void (*function)(benchmark::State&),
                                        int repetitions);

// Takes the first argument that starts with prefix out of argv and returns the rest of it; empty
// when there is none. For the programs' own options, which Google Benchmark would refuse.
std::string takeOption(int* argc, char** argv, const std::string& prefix);

// Initialises Google Benchmark, runs the benchmarks with their report on stderr, and returns the
// collected medians through collector; false when the arguments were not understood.
bool run(int* argc, char** argv, MedianCollector& collector);

} // namespace BenchTable
