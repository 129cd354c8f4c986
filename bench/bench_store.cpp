// Loading and saving a profile file of 100,000 entries (about 30 MB of
// realistic profile texts) beside a plain read and a plain write of the same
// bytes. The plain write takes the same steps towards a safe replacement as
// the store does (a temporary file, fsync, rename, fsync of the directory),
// so the ratio shows what the store adds to the disk's own cost.

#include "BenchData.h"
#include "BenchSummary.h"
#include "FileContents.h"
#include "MemberStore.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace {

std::string g_directory;

std::string path(const std::string& name)
{
    return g_directory + "/" + name;
}

const std::string& fileBytes()
{
    static const std::string bytes = MemberStore::JoinLines(bench::ProfileLines(1'000'000'000, 100'000));
    return bytes;
}

void LoadProfileFile(benchmark::State& state)
{
    for (auto _ : state) {
        auto store = std::make_unique<MemberStore>();
        store->LoadFile(path("Prof.TXT"));
        state.PauseTiming();
        if (store->Count() != 100'000)
            state.SkipWithError("the profile file did not load whole");
        store.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes().size()));
}
BENCHMARK(LoadProfileFile)->Unit(benchmark::kMillisecond);

void ReadSameBytes(benchmark::State& state)
{
    for (auto _ : state) {
        std::optional<std::string> bytes = qx::ReadFileContents(path("Prof.TXT"));
        state.PauseTiming();
        if (!bytes || bytes->size() != fileBytes().size())
            state.SkipWithError("the plain read came short");
        bytes.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes().size()));
}
BENCHMARK(ReadSameBytes)->Unit(benchmark::kMillisecond);

void SaveProfileFile(benchmark::State& state)
{
    MemberStore store;
    store.LoadFile(path("Prof.TXT"));
    for (auto _ : state)
        store.SaveFile(path("Saved.TXT"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes().size()));
}
BENCHMARK(SaveProfileFile)->Unit(benchmark::kMillisecond);

void WriteSameBytes(benchmark::State& state)
{
    const std::string& bytes = fileBytes();
    const std::string temporary = path(".Plain.TXT.tmp");
    for (auto _ : state) {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!written || ::rename(temporary.c_str(), path("Plain.TXT").c_str()) != 0)
            state.SkipWithError("the plain write failed");
        if (const int dir = ::open(g_directory.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(WriteSameBytes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    std::string directory = (std::filesystem::temp_directory_path() / "quorrix-bench-XXXXXX").string();
    if (!::mkdtemp(directory.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    g_directory = directory;
    if (qx::ReplaceFileContents(path("Prof.TXT"), fileBytes()) != qx::ReplaceResult::Replaced) {
        std::fprintf(stderr, "cannot write %s\n", path("Prof.TXT").c_str());
        return 2;
    }
    std::printf("profile file: %zu bytes, 100000 entries\n", fileBytes().size());
    const int result = bench::RunBenchmarks(argc, argv, [](bench::BenchSummary& summary) {
        summary.AtMostSlower("load vs plain read", "LoadProfileFile", "ReadSameBytes", 4);
        summary.AtMostSlower("save vs plain write", "SaveProfileFile", "WriteSameBytes", 3);
    });
    std::filesystem::remove_all(g_directory);
    return result;
}
