// The people-list scan over a full window page, beside two baselines: the
// scan as a straightforward reading of it does it (the remainder copied at
// every cut) and a single memchr pass over the same bytes, the least that
// any scan of the page has to do.

#include "BenchData.h"
#include "BenchSummary.h"
#include "OnlineList.h"

#include <cstring>
#include <functional>

namespace {

const std::string& page()
{
    static const std::string text = bench::ListPage(1000000);
    return text;
}

struct ScanResult {
    int Rows = 0;
    std::size_t CellBytes = 0;
    std::size_t Checksum = 0;

    void add(std::string_view cell)
    {
        CellBytes += cell.size();
        Checksum = Checksum * 31 + std::hash<std::string_view>()(cell);
    }
    bool operator==(const ScanResult&) const = default;
};

// The scan with a working copy: each cut replaces the copy by the at most
// 99,999 bytes from the cut on, and each cell is copied out of it.
ScanResult copyingScan(const std::string& text)
{
    auto pos = [](std::string_view needle, const std::string& t) -> std::size_t {
        const auto at = t.find(needle);
        return at == std::string::npos ? 0 : at + 1;
    };
    auto cut = [](std::string& t, std::size_t p) { t = p < 1 || p > t.size() ? std::string() : t.substr(p - 1, bench::kListWindow); };

    ScanResult result;
    std::string T = text;
    const std::size_t table = pos("table", T);
    if (table == 0)
        return result;
    cut(T, table);
    cut(T, pos("<tr>", T));
    cut(T, pos("</tr>", T));
    for (;;) {
        std::size_t p = pos("<tr>", T);
        if (p == 0)
            break;
        cut(T, p);
        std::string cells[6];
        bool complete = true;
        for (std::string& cell : cells) {
            p = pos("<td>", T);
            if (p == 0) {
                complete = false;
                break;
            }
            cut(T, p + 4);
            const std::size_t q = pos("</td>", T);
            if (q == 0) {
                complete = false;
                break;
            }
            cell = T.substr(0, q - 1);
            cut(T, q);
        }
        if (!complete)
            break;
        ++result.Rows;
        for (const std::string& cell : cells)
            result.add(cell);
        p = pos("</tr>", T);
        if (p == 0)
            break;
        cut(T, p);
    }
    return result;
}

ScanResult programScan(const std::string& text)
{
    ScanResult result;
    ScanOnlineList(text, [&](const MemberCells& cells) {
        ++result.Rows;
        for (const std::string_view cell : cells.Cells)
            result.add(cell);
    });
    return result;
}

// The scan finds its markers in blocks of the window; with the rows moved by
// every offset within a block, it must still read what the copying scan reads.
bool agreesAtEveryOffset()
{
    const std::size_t rowsStart = page().find("</tr>") + 5;
    for (std::size_t shift = 0; shift < 64; ++shift) {
        std::string shifted = page();
        shifted.insert(rowsStart, shift, ' ');
        if (!(programScan(shifted) == copyingScan(shifted)))
            return false;
    }
    return true;
}

void ScanOnlineListFullPage(benchmark::State& state)
{
    const ScanResult got = programScan(page());
    if (!agreesAtEveryOffset())
        state.SkipWithError("the scan and the copying scan disagree");
    for (auto _ : state)
        benchmark::DoNotOptimize(programScan(page()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
    state.counters["rows"] = got.Rows;
}
BENCHMARK(ScanOnlineListFullPage)->Unit(benchmark::kMicrosecond);

void CopyingScanFullPage(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(copyingScan(page()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page().size()));
}
BENCHMARK(CopyingScanFullPage)->Unit(benchmark::kMicrosecond);

void MemchrFullPage(benchmark::State& state)
{
    const std::string& text = page();
    for (auto _ : state) {
        // A byte the page never holds, so the whole of it is read.
        benchmark::DoNotOptimize(std::memchr(text.data(), '\0', text.size()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(MemchrFullPage)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    std::printf("page: %zu bytes, %d member rows in the scan window\n", page().size(), bench::ListPageRows(page()));
    return bench::RunBenchmarks(argc, argv, [](bench::BenchSummary& summary) {
        summary.AtLeastFaster("scan vs copying scan", "ScanOnlineListFullPage", "CopyingScanFullPage", 50);
        summary.AtMostSlower("scan vs memchr pass", "ScanOnlineListFullPage", "MemchrFullPage", 4);
    });
}
