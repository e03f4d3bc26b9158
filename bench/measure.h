// measure.h - timing for the benchmarks: medians of repeated runs, and child processes.
#ifndef BENCH_MEASURE_H
#define BENCH_MEASURE_H

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bench {

// The median of `reps` samples of `run`, in seconds. A sample repeats `run` until at least
// `minSample` seconds have passed and counts the time per call, so that a tiny input is not
// lost in the clock's resolution.
double Median(int reps, const std::function<void()>& run, double minSample = 0.05);

// Medians of several candidates measured in turns (A, B, A, B, ...), so that a change in the
// machine's load during the run falls on all of them alike.
std::vector<double> Medians(int reps, const std::vector<std::function<void()>>& runs, double minSample = 0.05);

// Runs a command to its end; stdin from `in`, stdout to `out` (empty: inherited / /dev/null),
// stderr to /dev/null. `env` entries are added to the environment. Throws when the command
// cannot start or does not exit with 0.
void Run(const std::vector<std::string>& argv, const std::string& in = {}, const std::string& out = {},
         const std::map<std::string, std::string>& env = {});

}  // namespace bench

#endif
