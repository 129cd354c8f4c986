// Collecting the benchmark times and printing the summary table.

#include "BenchSummary.h"

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

// Passes every run on to the console and keeps the best time of each
// benchmark over its repetitions (their median when only the aggregates are
// reported).
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    explicit RecordingReporter(BenchSummary& summary)
        : m_summary(summary)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred && (run.run_type == Run::RT_Iteration || run.aggregate_name == "median"))
                m_summary.Record(run.run_name.function_name, run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit));
        ConsoleReporter::ReportRuns(runs);
    }

private:
    BenchSummary& m_summary;
};

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

} // namespace

std::string FormatSeconds(double seconds)
{
    if (seconds >= 1)
        return format("%.2f s", seconds);
    if (seconds >= 1e-3)
        return format("%.2f ms", seconds * 1e3);
    return format("%.2f us", seconds * 1e6);
}

void BenchSummary::Record(const std::string& name, double seconds)
{
    const auto found = m_seconds.find(name);
    if (found == m_seconds.end())
        m_seconds.emplace(name, seconds);
    else
        found->second = std::min(found->second, seconds);
}

double BenchSummary::Seconds(const std::string& name) const
{
    const auto found = m_seconds.find(name);
    return found == m_seconds.end() ? 0 : found->second;
}

void BenchSummary::AtLeastFaster(const std::string& what, const std::string& subject, const std::string& baseline, double factor)
{
    const double s = Seconds(subject), b = Seconds(baseline);
    if (s <= 0 || b <= 0)
        return;
    Row(what, format(">= %.0fx faster", factor), format("%.1fx faster", b / s), b / s >= factor);
}

void BenchSummary::AtMostSlower(const std::string& what, const std::string& subject, const std::string& baseline, double factor)
{
    const double s = Seconds(subject), b = Seconds(baseline);
    if (s <= 0 || b <= 0)
        return;
    Row(what, format("<= %.1fx", factor), format("%.2fx", s / b), s / b <= factor);
}

void BenchSummary::AtMostSeconds(const std::string& what, const std::string& subject, double limit)
{
    const double s = Seconds(subject);
    if (s <= 0)
        return;
    Row(what, "<= " + FormatSeconds(limit), FormatSeconds(s), s <= limit);
}

void BenchSummary::Row(const std::string& what, const std::string& target, const std::string& measured, bool met)
{
    m_lines.push_back({what, target, measured, met});
}

void BenchSummary::Print() const
{
    std::size_t width = 4;
    for (const Line& line : m_lines)
        width = std::max(width, line.What.size());
    std::printf("\n%-*s  %-18s  %-18s  %s\n", static_cast<int>(width), "what", "target", "measured", "met");
    for (const Line& line : m_lines)
        std::printf("%-*s  %-18s  %-18s  %s\n", static_cast<int>(width), line.What.c_str(), line.Target.c_str(), line.Measured.c_str(),
                    line.Met ? "yes" : "NO");
    std::fflush(stdout);
}

bool BenchSummary::AllMet() const
{
    return std::all_of(m_lines.begin(), m_lines.end(), [](const Line& line) { return line.Met; });
}

int RunBenchmarks(int argc, char** argv, const std::function<void(BenchSummary&)>& summarize)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    BenchSummary summary;
    RecordingReporter reporter(summary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    summarize(summary);
    summary.Print();
    return summary.AllMet() ? 0 : 1;
}

} // namespace bench
