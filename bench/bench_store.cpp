// Loading and saving a profile file of 100,000 entries (about 31 MB of
// realistic profile texts) beside a plain read and a plain write of the same
// bytes. The plain read reads the file into one fresh buffer of its size; the plain
// write takes the same steps towards a safe replacement as the store does (a
// temporary file, fsync, rename, fsync of the directory), so the ratios show
// what the store adds to the disk's own cost. Saving is measured for a store
// as loaded and for one changed by a session's profile fetches.

#include "BenchData.h"
#include "BenchSummary.h"
#include "FileContents.h"
#include "MemberStore.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <algorithm>
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
        const int fd = ::open(path("Prof.TXT").c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        ::fstat(fd, &info);
        const auto size = static_cast<std::size_t>(info.st_size);
        // Fresh memory, as a buffer of this size is at start-up: a freed one
        // would be handed out again with its pages already in place.
        void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        char* const bytes = static_cast<char*>(mapping);
        std::size_t got = 0;
        for (ssize_t n = 1; got < size && n > 0; got += static_cast<std::size_t>(std::max<ssize_t>(n, 0)))
            n = ::read(fd, bytes + got, size - got);
        ::close(fd);
        ::munmap(mapping, size);
        state.PauseTiming();
        if (got != fileBytes().size())
            state.SkipWithError("the plain read came short");
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

// As at the close of a session that fetched a hundred profiles, fifty of them
// new and fifty replacing cached ones.
void SaveChangedProfileFile(benchmark::State& state)
{
    MemberStore store;
    store.LoadFile(path("Prof.TXT"));
    for (int i = 0; i < 50; ++i) {
        store.PutValue(bench::MemberNumber(1'000'000'000 + i * 1999), bench::ProfileText(i));
        store.PutValue(bench::MemberNumber(9'000'000'000 + i), bench::ProfileText(i));
    }
    for (auto _ : state)
        store.SaveFile(path("Saved.TXT"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes().size()));
}
BENCHMARK(SaveChangedProfileFile)->Unit(benchmark::kMillisecond);

// The bytes the store holds for the file, as after the first list fill has
// built its name table.
std::size_t g_storeBytes = 0;
void StoreMemory(benchmark::State& state)
{
    for (auto _ : state) {
        MemberStore store;
        store.LoadFile(path("Prof.TXT"));
        store.FindName("0000000000");
        g_storeBytes = store.MemoryBytes();
    }
    state.counters["store_MB"] = static_cast<double>(g_storeBytes) / 1e6;
}
BENCHMARK(StoreMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

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
        summary.AtMostSlower("load vs plain read", "LoadProfileFile", "ReadSameBytes", 1.5);
        summary.AtMostSlower("save as loaded vs plain write+fsync", "SaveProfileFile", "WriteSameBytes", 1.1);
        summary.AtMostSlower("save after changes vs plain write+fsync", "SaveChangedProfileFile", "WriteSameBytes", 1.1);
        if (g_storeBytes > 0) {
            const double ratio = static_cast<double>(g_storeBytes) / static_cast<double>(fileBytes().size());
            char measured[32];
            std::snprintf(measured, sizeof measured, "%.3fx", ratio);
            summary.Row("store's bytes vs file size", "<= 1.05x", measured, ratio <= 1.05);
        }
    });
    std::filesystem::remove_all(g_directory);
    return result;
}
