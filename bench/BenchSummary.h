#pragma once
// The end of every benchmark executable: it runs the registered benchmarks,
// keeps each one's best time per iteration (the least disturbed by the other
// work on a shared machine), and prints a table that sets each measured ratio
// beside its target. Ratios are taken between benchmarks of the same run, so
// they hold where absolute times do not.

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bench {

class BenchSummary {
public:
    // Best real time per iteration of the named benchmark, in seconds; 0 when
    // it did not run (filtered out or failed).
    double Seconds(const std::string& name) const;

    // subject must be at least factor times faster than baseline.
    void AtLeastFaster(const std::string& what, const std::string& subject, const std::string& baseline, double factor);
    // subject may take at most factor times as long as baseline.
    void AtMostSlower(const std::string& what, const std::string& subject, const std::string& baseline, double factor);
    // subject must take at most limit seconds per iteration.
    void AtMostSeconds(const std::string& what, const std::string& subject, double limit);
    // A figure measured by the benchmark itself, with its target written out.
    void Row(const std::string& what, const std::string& target, const std::string& measured, bool met);

    void Record(const std::string& name, double seconds);
    void Print() const;
    bool AllMet() const;

private:
    struct Line {
        std::string What;
        std::string Target;
        std::string Measured;
        bool Met = false;
    };
    std::map<std::string, double> m_seconds;
    std::vector<Line> m_lines;
};

// Runs the benchmarks of the executable and then summarize, which adds the
// table's rows; prints the table. Returns 1 when a target was missed.
int RunBenchmarks(int argc, char** argv, const std::function<void(BenchSummary&)>& summarize);

// "12.3 ms", "45.6 us": a time in a readable unit.
std::string FormatSeconds(double seconds);

} // namespace bench
