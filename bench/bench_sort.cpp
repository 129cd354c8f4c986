// Sorting 10,000 rows of the main window's list by the profile column, as a
// click on that column's heading does, beside std::sort of the same texts as
// plain byte strings.

#include "BenchData.h"
#include "BenchSummary.h"
#include "ProgramFile.h"
#include "TWebPhoneForm.h"

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>

namespace {

constexpr int kRows = 10'000;
constexpr int kProfileColumn = 6;

const std::vector<qx::ListItem>& rows()
{
    static const std::vector<qx::ListItem> items = [] {
        std::vector<qx::ListItem> list;
        for (int i = 0; i < kRows; ++i) {
            const long long number = 1'000'000'000 + 7LL * i;
            list.push_back({bench::MemberNumber(number),
                            {"\x8E\xA9", "\x8F\x97", "20\x91\xE3", "\x93\x8C\x8B\x9E\x93\x73", "\x97\x46\x92\x42", bench::ProfileText(number)},
                            i % 4,
                            i % 2});
        }
        return list;
    }();
    return items;
}

void SortListByProfile(benchmark::State& state)
{
    TWebPhoneForm form;
    form.show();
    for (auto _ : state) {
        state.PauseTiming();
        form.LVOnline->Model().ResetItems(rows());
        QCoreApplication::processEvents();
        state.ResumeTiming();
        form.LVOnlineColumnClick(kProfileColumn);
    }
}
BENCHMARK(SortListByProfile)->Unit(benchmark::kMillisecond);

void SortSameTexts(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (const qx::ListItem& item : rows())
        texts.push_back(item.SubItems[5]);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> copy = texts;
        state.ResumeTiming();
        std::sort(copy.begin(), copy.end());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(SortSameTexts)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir directory;
    qx::SetProgramFilePathForTesting(directory.path().toStdString() + "/quorrix");
    return bench::RunBenchmarks(argc, argv, [](bench::BenchSummary& summary) {
        summary.AtMostSlower("sort by profile vs std::sort", "SortListByProfile", "SortSameTexts", 3);
    });
}
