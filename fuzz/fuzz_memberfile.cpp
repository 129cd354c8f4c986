// Feeds arbitrary bytes to the member file form. Loading any bytes, into a
// store that keeps them as slices of one block or as separate lines, must
// give the same lines, which save and load back unchanged; lines cut freely from the input,
// with line breaks, NUL bytes and escape-like text inside them, must come
// back from a save and a load exactly as they were. A store built from those
// lines must answer name and line lookups as a scan from the first line
// would.
//
// Input: lines separated by 0xFF, a byte code page 932 never uses.

#include "AnsiText.h"
#include "MemberStore.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::vector<std::string> cutLines(std::string_view input)
{
    std::vector<std::string> lines;
    if (input.empty())
        return lines;
    for (;;) {
        const std::size_t at = input.find('\xff');
        lines.emplace_back(input.substr(0, at));
        if (at == std::string_view::npos)
            return lines;
        input.remove_prefix(at + 1);
    }
}

int scanName(const std::vector<std::string>& lines, std::string_view name)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t eq = lines[i].find('=');
        if (eq != std::string::npos && qx::AnsiSameText(std::string_view(lines[i]).substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

int scanLine(const std::vector<std::string>& lines, std::string_view text)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (qx::AnsiSameText(lines[i], text))
            return static_cast<int>(i);
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> loaded = MemberStore::SplitLines(input);
    check(MemberStore::SplitLines(MemberStore::JoinLines(loaded)) == loaded);
    MemberStore fromFile;
    fromFile.LoadText(input);
    check(fromFile.Count() == static_cast<int>(loaded.size()));
    for (std::size_t i = 0; i < loaded.size(); ++i)
        check(fromFile.LineView(static_cast<int>(i)) == loaded[i]);
    check(fromFile.FileForm() == MemberStore::JoinLines(loaded));

    const std::vector<std::string> lines = cutLines(input);
    const std::string saved = MemberStore::JoinLines(lines);
    check(saved.find('\0') == std::string::npos);
    check(MemberStore::SplitLines(saved) == lines);

    if (lines.size() > 64)
        return 0;
    // The first half of the lines as loaded from a file, the rest added.
    MemberStore store;
    const std::size_t loadedHalf = lines.size() / 2;
    store.LoadText(MemberStore::JoinLines(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(loadedHalf))));
    for (std::size_t i = loadedHalf; i < lines.size(); ++i)
        store.Append(lines[i]);
    for (const std::string& line : lines) {
        check(store.FindLine(line) == scanLine(lines, line));
        const std::size_t eq = line.find('=');
        const std::string_view name = std::string_view(line).substr(0, eq == std::string::npos ? line.size() : eq);
        check(store.FindName(name) == scanName(lines, name));
    }
    // Changes keep the lookups in step with the lines.
    if (!lines.empty()) {
        std::vector<std::string> copy = lines;
        const std::string& first = lines.front();
        const std::size_t eq = first.find('=');
        if (eq != std::string::npos) {
            const std::string name = first.substr(0, eq);
            const int at = store.FindName(name);
            store.RemoveAt(at);
            copy.erase(copy.begin() + at);
            store.PutValue(name, "v");
            if (const int other = scanName(copy, name); other >= 0)
                copy[static_cast<std::size_t>(other)] = name + "=v";
            else
                copy.push_back(name + "=v");
            check(store.Count() == static_cast<int>(copy.size()));
            for (std::size_t i = 0; i < copy.size(); ++i)
                check(store.Line(static_cast<int>(i)) == copy[i]);
            for (const std::string& line : copy)
                check(store.FindLine(line) == scanLine(copy, line));
            check(store.FindName(name) == scanName(copy, name));
            check(store.FileForm() == MemberStore::JoinLines(copy));
        }
    }
    return 0;
}
