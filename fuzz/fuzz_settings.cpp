// Feeds arbitrary settings files to the settings reader and writer, the way a
// start and a close go through them: read the proxy settings and the address
// history, put a typed address in front, write it all back. Every line of the
// file that the program does not own (other sections and keys, comments,
// junk, blank lines, line ends) must come back unchanged and in its order,
// and the file written must read back as what was written.

#include "AnsiText.h"
#include "IniFile.h"
#include "Settings.h"
#include "Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct Line {
    std::string text;
    std::string ending;
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(text.substr(start)), ""});
            break;
        }
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n')
            ++next;
        lines.push_back({std::string(text.substr(start, end - start)), std::string(text.substr(end, next - end))});
        start = next;
    }
    return lines;
}

bool isHeader(std::string_view line, std::string_view name)
{
    const std::string_view text = qx::TrimView(line);
    if (text.size() < 2 || text.front() != '[')
        return false;
    const std::size_t close = text.find(']');
    return close != std::string_view::npos && qx::AnsiSameText(qx::TrimView(text.substr(1, close - 1)), name);
}

bool isAnyHeader(std::string_view line)
{
    const std::string_view text = qx::TrimView(line);
    return text.size() >= 2 && text.front() == '[' && text.find(']') != std::string_view::npos;
}

// A key=value line whose key is one the program writes.
bool isOwned(std::string_view line)
{
    const std::string_view text = qx::TrimView(line);
    if (text.empty() || text.front() == ';' || isAnyHeader(text))
        return false;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return false;
    const std::string_view key = qx::TrimView(text.substr(0, eq));
    for (std::string_view own : {"USE", "ADDR", "PORT"})
        if (qx::AnsiSameText(key, own))
            return true;
    for (int i = 0; i < 10; ++i)
        if (qx::AnsiSameText(key, "URL" + std::to_string(i)))
            return true;
    return false;
}

// A value that reads back as written: no blanks at its ends, no enclosing
// quotes, no line break, and no NUL (a written value ends before one).
bool isPlain(std::string_view value)
{
    if (value != qx::TrimView(value) || value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return false;
    return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front());
}

std::string scratchPath()
{
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_settings.XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0)
            ::close(fd);
        return std::string(name);
    }();
    return path;
}

void writeFile(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    check(file != nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string path = scratchPath();
    writeFile(path, input);

    IniFile ini(path);
    check(ini.Contents() == input);
    const ProxySettings proxy = ReadProxySettings(ini);
    std::vector<std::string> history = ReadAddressHistory(ini);
    for (const std::string& address : history)
        check(!address.empty() && address.size() <= 99);
    RememberAddress(history, "http://typed.example/people-l.html");
    WriteSettings(ini, proxy, history);
    const std::string written = ini.Contents();

    const std::vector<Line> before = splitLines(input);
    const std::vector<Line> after = splitLines(written);
    bool hadProxy = false;
    bool hadUrlList = false;
    for (const Line& line : before) {
        hadProxy = hadProxy || isHeader(line.text, "Proxy");
        hadUrlList = hadUrlList || isHeader(line.text, "URLLIST");
    }
    std::vector<const Line*> keptBefore;
    for (const Line& line : before)
        if (!isOwned(line.text))
            keptBefore.push_back(&line);
    std::vector<const Line*> keptAfter;
    for (const Line& line : after) {
        if (isOwned(line.text))
            continue;
        if (!hadProxy && line.text == "[Proxy]") {
            hadProxy = true;
            continue;
        }
        if (!hadUrlList && line.text == "[URLLIST]") {
            hadUrlList = true;
            continue;
        }
        keptAfter.push_back(&line);
    }
    check(keptBefore.size() == keptAfter.size());
    for (std::size_t i = 0; i < keptBefore.size(); ++i) {
        check(keptBefore[i]->text == keptAfter[i]->text);
        check(keptBefore[i]->ending == keptAfter[i]->ending || keptBefore[i]->ending.empty());
    }

    writeFile(path, written);
    const IniFile reread(path);
    const ProxySettings back = ReadProxySettings(reread);
    check(back.Use == proxy.Use);
    if (isPlain(proxy.Addr))
        check(back.Addr == proxy.Addr);
    if (isPlain(proxy.Port))
        check(back.Port == proxy.Port);
    for (std::size_t i = 0; i < history.size() && i < 10; ++i)
        if (isPlain(history[i]))
            check(reread.ReadString("URLLIST", "URL" + std::to_string(i), "") == history[i]);
    return 0;
}
