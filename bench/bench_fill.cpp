// The list fill through the real main window on the offscreen platform: a
// full people-list page handed to ParseOnlineList with large member stores
// (100,000 cached profiles, 1,000,000 numbers seen, 10,000 faces) beside the
// same fill with empty stores. The stores hold none of the page's numbers and
// every iteration gets a page of fresh numbers, so every row is new and is
// added to the numbers seen, as in a session that has run for a long time.

#include "BenchData.h"
#include "BenchSummary.h"
#include "ProgramFile.h"
#include "TWebPhoneForm.h"

#include <QApplication>
#include <QTemporaryDir>

namespace {

constexpr long long kProfileNumbers = 2'000'000'000;
constexpr long long kSeenNumbers = 3'000'000'000;
constexpr long long kFaceNumbers = 4'000'000'000;
// The seen numbers grow by one page per iteration; this many pages stay
// within the room their lookup index was built with, so no iteration pays
// for regrowing it.
constexpr int kIterations = 40;

struct Stores {
    MemberStore ProfList;
    MemberStore SeenList;
    MemberStore FlagList;
};

Stores makeStores(bool indexed)
{
    Stores stores;
    for (std::string& line : bench::ProfileLines(kProfileNumbers, 100'000))
        stores.ProfList.Append(std::move(line));
    for (long long i = 0; i < 1'000'000; ++i)
        stores.SeenList.Append(bench::MemberNumber(kSeenNumbers + i));
    for (long long i = 0; i < 10'000; ++i)
        stores.FlagList.Append(bench::MemberNumber(kFaceNumbers + i) + "=" + std::to_string(i % 4));
    if (indexed) {
        // As after the first fill of a session, which builds the indexes.
        stores.ProfList.FindName("");
        stores.SeenList.FindLine("");
        stores.FlagList.FindName("");
    }
    return stores;
}

const Stores& largeStores()
{
    static const Stores stores = makeStores(true);
    return stores;
}

long long g_nextNumber = 5'000'000'000;

std::string freshPage()
{
    std::string page = bench::ListPage(g_nextNumber);
    g_nextNumber += 10'000;
    return page;
}

void fill(benchmark::State& state, bool large)
{
    TWebPhoneForm form;
    form.show();
    if (large) {
        form.ProfList = largeStores().ProfList;
        form.SeenList = largeStores().SeenList;
        form.FlagList = largeStores().FlagList;
    }
    // One fill first: the copied stores have no spare room, and the first
    // number added would otherwise charge the regrowth of a million lines to
    // the measured fills.
    form.ParseOnlineList(freshPage());
    for (auto _ : state) {
        state.PauseTiming();
        if (!large)
            form.SeenList.Clear();
        std::string page = freshPage();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        form.ParseOnlineList(std::move(page));
    }
    state.counters["rows"] = form.LVOnline->Count();
}

void ListFillEmptyStores(benchmark::State& state)
{
    fill(state, false);
}
BENCHMARK(ListFillEmptyStores)->Unit(benchmark::kMillisecond)->Iterations(kIterations);

void ListFillLargeStores(benchmark::State& state)
{
    fill(state, true);
}
BENCHMARK(ListFillLargeStores)->Unit(benchmark::kMillisecond)->Iterations(kIterations);

// The first fill after start-up: the stores are as loaded from the files,
// without lookup indexes, and nothing has been seen yet.
void FirstListFillAfterStartUp(benchmark::State& state)
{
    static const Stores loaded = makeStores(false);
    TWebPhoneForm form;
    form.show();
    for (auto _ : state) {
        state.PauseTiming();
        form.ProfList = loaded.ProfList;
        form.FlagList = loaded.FlagList;
        form.SeenList.Clear();
        std::string page = freshPage();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        form.ParseOnlineList(std::move(page));
    }
}
BENCHMARK(FirstListFillAfterStartUp)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // The window reads and writes its files in a directory of its own.
    QTemporaryDir directory;
    qx::SetProgramFilePathForTesting(directory.path().toStdString() + "/quorrix");
    return bench::RunBenchmarks(argc, argv, [](bench::BenchSummary& summary) {
        summary.AtMostSlower("fill, large vs empty stores", "ListFillLargeStores", "ListFillEmptyStores", 1.5);
        summary.AtMostSeconds("fill with large stores", "ListFillLargeStores", 5e-3);
        const double first = summary.Seconds("FirstListFillAfterStartUp");
        if (first > 0)
            summary.Row("first fill after start-up", "(shown only)", bench::FormatSeconds(first), true);
    });
}
