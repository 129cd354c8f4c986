// Feeds arbitrary pages to the people-list scan and the list fill. The scan
// keeps positions into the page; here it is compared with the plain form of
// the same scan, which copies the rest of the text at every cut, on every
// page. The fill is then checked against its own rules: only rows the filter
// lets through, faces 0 to 3, a number new exactly once.
//
// Input: a byte for the filter mask, then the lines of the profile and face
// stores, then 0xFF 0xFF, then the page.

#include "MemberStore.h"
#include "OnlineList.h"
#include "Text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

using Cells = std::vector<std::string>;

// The scan as a copy of the remainder cut at each marker.
std::optional<std::vector<Cells>> plainScan(std::string_view page)
{
    constexpr long long window = 99999;
    std::string t(page);
    const auto cut = [&t](std::size_t at) { t = qx::SubString(t, static_cast<long long>(at), window); };
    const std::size_t table = qx::Pos("table", t);
    if (table == 0)
        return std::nullopt;
    cut(table);
    cut(qx::Pos("<tr>", t));
    cut(qx::Pos("</tr>", t));
    std::vector<Cells> rows;
    for (;;) {
        std::size_t at = qx::Pos("<tr>", t);
        if (at == 0)
            break;
        cut(at);
        Cells cells;
        for (int i = 0; i < 6; ++i) {
            at = qx::Pos("<td>", t);
            if (at == 0)
                break;
            cut(at + 4);
            at = qx::Pos("</td>", t);
            if (at == 0)
                break;
            cells.push_back(qx::SubString(t, 1, static_cast<long long>(at) - 1));
            cut(at);
        }
        if (cells.size() != 6)
            break;
        rows.push_back(cells);
        at = qx::Pos("</tr>", t);
        if (at == 0)
            break;
        cut(at);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int mask = data[0] & 63;
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string_view storeText;
    if (const std::size_t split = input.find("\xff\xff"); split != std::string_view::npos) {
        storeText = input.substr(0, split);
        input.remove_prefix(split + 2);
    }
    const std::string_view page = input;

    std::vector<Cells> scanned;
    const bool found = ScanOnlineList(page, [&](const MemberCells& cells) {
        Cells row;
        for (std::string_view cell : cells.Cells) {
            check(cell.data() >= page.data() && cell.data() + cell.size() <= page.data() + page.size());
            row.emplace_back(cell);
        }
        scanned.push_back(std::move(row));
    });
    const std::optional<std::vector<Cells>> expected = plainScan(page);
    check(found == expected.has_value());
    if (expected)
        check(scanned == *expected);

    MemberStore ProfList;
    MemberStore FlagList;
    for (const std::string& line : MemberStore::SplitLines(storeText)) {
        ProfList.Append(line);
        FlagList.Append(line);
    }
    MemberStore SeenList;
    const auto rows = FillOnlineList(page, ProfList, FlagList, SeenList, mask);
    check(rows.has_value() == found);
    if (!rows) {
        check(SeenList.Count() == 0);
        return 0;
    }
    check(rows->size() <= scanned.size());
    for (const MemberRow& row : *rows) {
        check(row.Face >= 0 && row.Face <= 3);
        check(PassesFilter(mask, row.Face, row.Sex));
        check(SeenList.FindLine(row.Number) >= 0);
        check(!row.Profile.empty());
    }
    int fresh = 0;
    for (const MemberRow& row : *rows)
        fresh += row.StateIndex;
    check(fresh == SeenList.Count());

    // A second fill of the same page lists the same rows, none of them new.
    const auto again = FillOnlineList(page, ProfList, FlagList, SeenList, mask);
    check(again && again->size() == rows->size());
    for (const MemberRow& row : *again)
        check(row.StateIndex == 0);
    check(SeenList.Count() == fresh);
    return 0;
}
