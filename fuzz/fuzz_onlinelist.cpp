// Feeds arbitrary pages to the people-list scan and the list fill. The scan
// keeps positions into the page; here it is compared, on every page, with a
// reference of its own that finds markers with std::string::find, written
// from the rules of the page scan rather than from the program's text
// operations. The fill is then checked against its own rules: only rows the
// filter lets through, faces 0 to 3, a number new exactly once.
//
// Input: a byte for the filter mask, then the lines of the profile and face
// stores, then 0xFF 0xFF, then the page.

#include "MemberStore.h"
#include "OnlineList.h"

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

// The scan as the page rules tell it. The first cut, at "table", keeps the
// 99,999 bytes that start there; every later cut starts within that window
// and keeps all of the rest of it, so the remaining text is the window from
// an offset on, and each search is a find from that offset. A cut at a marker
// that is not there (the heading row's) empties the text.
std::optional<std::vector<Cells>> referenceScan(std::string_view page)
{
    const std::string text(page);
    const std::size_t table = text.find("table");
    if (table == std::string::npos)
        return std::nullopt;
    const std::string window = text.substr(table, 99999);
    std::size_t rest = 0; // where the remaining text begins in the window
    const auto find = [&](const char* marker) { return window.find(marker, rest); };
    const auto cutAt = [&](std::size_t at) { rest = at == std::string::npos ? window.size() : at; };
    cutAt(find("<tr>"));
    cutAt(find("</tr>"));
    std::vector<Cells> rows;
    while (true) {
        const std::size_t rowStart = find("<tr>");
        if (rowStart == std::string::npos)
            return rows;
        cutAt(rowStart);
        Cells cells;
        while (cells.size() < 6) {
            const std::size_t open = find("<td>");
            if (open == std::string::npos)
                return rows;
            cutAt(open + 4);
            const std::size_t close = find("</td>");
            if (close == std::string::npos)
                return rows;
            cells.push_back(window.substr(rest, close - rest));
            cutAt(close);
        }
        rows.push_back(std::move(cells));
        // A last row without its "</tr>" is listed all the same.
        const std::size_t rowEnd = find("</tr>");
        if (rowEnd == std::string::npos)
            return rows;
        cutAt(rowEnd);
    }
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
    const std::optional<std::vector<Cells>> expected = referenceScan(page);
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
