#pragma once
// Generated data for the benchmarks, in the shapes the program meets in use:
// people-list pages of the directory service and profile files, all code page
// 932 bytes with Japanese place, theme and profile texts. The same arguments
// always give the same bytes.

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

// The size of the window the people-list scan reads, from "table" on.
constexpr std::size_t kListWindow = 99999;

// A ten-digit member number.
std::string MemberNumber(long long value);

// A full people-list response: status line, headers, the page up to the
// table, a heading row and member rows until the table fills the scan window,
// then the rest of the page. Row i has the number firstNumber + i * step.
std::string ListPage(long long firstNumber, long long step = 1);

// How many member rows ListPage puts inside the scan window.
int ListPageRows(const std::string& page);

// A profile text of about 300 bytes, different for each seed.
std::string ProfileText(long long seed);

// count "number=profile" lines, numbers from firstNumber on.
std::vector<std::string> ProfileLines(long long firstNumber, int count);

} // namespace bench
