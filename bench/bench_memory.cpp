// Resident memory of the program after start-up with a profile file of
// 100,000 entries (about 31 MB) and one list fill, beside the same start in
// a folder without files and beside an empty Qt window of the same build. Each is measured in a process of its own, started from
// this executable, so that neither sees the other's memory or the data the
// benchmark generates.

#include "BenchData.h"
#include "BenchSummary.h"
#include "FileContents.h"
#include "MemberStore.h"
#include "ProgramFile.h"
#include "TWebPhoneForm.h"

#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

constexpr long long kFirstNumber = 1'000'000'000;

// Resident bytes of this process.
long long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

// The measured process: an empty window, or the main window started in
// directory (which holds the profile file) with one list fill.
int probe(int argc, char** argv, const std::string& what, const std::string& directory)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (what == "empty") {
        QMainWindow window;
        window.show();
        QCoreApplication::processEvents();
        std::printf("%lld\n", residentBytes());
        return 0;
    }
    qx::SetProgramFilePathForTesting(directory + "/quorrix");
    TWebPhoneForm window;
    window.show();
    QCoreApplication::processEvents();
    // Members whose profiles are cached, so the rows carry profile texts.
    window.ParseOnlineList(bench::ListPage(kFirstNumber, 97));
    QCoreApplication::processEvents();
    std::printf("%lld\n", residentBytes());
    return window.ProfList.Count() == (what == "bare" ? 0 : 100'000) ? 0 : 1;
}

struct Figures {
    long long EmptyWindow = 0;
    long long ProgramWindow = 0;
    long long BareWindow = 0;
    long long FileSize = 0;
};
Figures g_figures;
std::string g_directory;
std::string g_bareDirectory;

long long runProbe(const std::string& what)
{
    const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe --probe=" + what + " '"
        + (what == "bare" ? g_bareDirectory : g_directory) + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    long long bytes = 0;
    if (!pipe || std::fscanf(pipe, "%lld", &bytes) != 1)
        bytes = 0;
    if (pipe && ::pclose(pipe) != 0)
        bytes = 0;
    return bytes;
}

void ResidentMemory(benchmark::State& state)
{
    for (auto _ : state) {
        g_figures.EmptyWindow = runProbe("empty");
        g_figures.ProgramWindow = runProbe("window");
        g_figures.BareWindow = runProbe("bare");
    }
    if (g_figures.EmptyWindow == 0 || g_figures.ProgramWindow == 0 || g_figures.BareWindow == 0)
        state.SkipWithError("a measuring process failed");
    state.counters["empty_MB"] = static_cast<double>(g_figures.EmptyWindow) / 1e6;
    state.counters["program_MB"] = static_cast<double>(g_figures.ProgramWindow) / 1e6;
    state.counters["nofiles_MB"] = static_cast<double>(g_figures.BareWindow) / 1e6;
    state.counters["file_MB"] = static_cast<double>(g_figures.FileSize) / 1e6;
}
BENCHMARK(ResidentMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

std::string megabytes(long long bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]).rfind("--probe=", 0) == 0)
        return probe(argc, argv, std::string(argv[1]).substr(8), argv[2]);

    std::string directory = (std::filesystem::temp_directory_path() / "quorrix-bench-XXXXXX").string();
    if (!::mkdtemp(directory.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    g_directory = directory;
    g_bareDirectory = directory + "/bare";
    std::filesystem::create_directory(g_bareDirectory);
    const std::string bytes = MemberStore::JoinLines(bench::ProfileLines(kFirstNumber, 100'000));
    g_figures.FileSize = static_cast<long long>(bytes.size());
    if (qx::ReplaceFileContents(g_directory + "/Prof.txt", bytes) != qx::ReplaceResult::Replaced) {
        std::fprintf(stderr, "cannot write the profile file\n");
        return 2;
    }
    const int result = bench::RunBenchmarks(argc, argv, [](bench::BenchSummary& summary) {
        const Figures& f = g_figures;
        if (f.EmptyWindow == 0 || f.ProgramWindow == 0 || f.BareWindow == 0)
            return;
        const double added = static_cast<double>(f.ProgramWindow - f.BareWindow) / static_cast<double>(f.FileSize);
        char measured[64];
        std::snprintf(measured, sizeof measured, "%.3fx (%s)", added, megabytes(f.ProgramWindow - f.BareWindow).c_str());
        summary.Row("resident added by the cache vs file size", "<= 1.05x", measured, added <= 1.05);
        const long long limit = f.EmptyWindow + 2 * f.FileSize;
        summary.Row("resident after start-up and a fill", "<= " + megabytes(limit), megabytes(f.ProgramWindow), f.ProgramWindow <= limit);
        summary.Row("  over an empty window", "<= " + megabytes(2 * f.FileSize),
                    megabytes(f.ProgramWindow - f.EmptyWindow), f.ProgramWindow - f.EmptyWindow <= 2 * f.FileSize);
    });
    std::filesystem::remove_all(g_directory);
    return result;
}
