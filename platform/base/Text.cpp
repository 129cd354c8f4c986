#include "Text.h"

#include <cstdint>

namespace qx {

std::size_t Pos(std::string_view needle, std::string_view text)
{
    if (needle.empty() || text.empty())
        return 0;
    const auto at = text.find(needle);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string_view SubView(std::string_view text, long long from, long long count)
{
    const auto length = static_cast<long long>(text.size());
    if (from < 1 || from > length || count < 0)
        return {};
    return text.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
}

std::string SubString(std::string_view text, long long from, long long count)
{
    return std::string(SubView(text, from, count));
}

std::string_view TrimView(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text)
{
    return std::string(TrimView(text));
}

void Delete(std::string& text, long long from, long long count)
{
    const auto length = static_cast<long long>(text.size());
    if (from < 1 || from > length || count <= 0)
        return;
    text.erase(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
}

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int StrToIntDef(std::string_view text, int def)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    if (rest.empty())
        return def;

    // Hexadecimal is read as a 32-bit pattern, decimal as a signed value.
    const bool dollar = rest[0] == '$';
    const bool zeroX = rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X');
    if (dollar || zeroX) {
        const std::string_view hex = rest.substr(dollar ? 1 : 2);
        if (hex.empty())
            return def;
        std::uint64_t value = 0;
        for (char c : hex) {
            const int d = hexDigit(c);
            if (d < 0)
                return def;
            value = value * 16 + static_cast<unsigned>(d);
            if (value > 0xFFFFFFFFull)
                return def;
        }
        auto pattern = static_cast<std::uint32_t>(value);
        if (negative)
            pattern = 0u - pattern;
        return static_cast<int>(static_cast<std::int32_t>(pattern));
    }

    std::int64_t value = 0;
    for (char c : rest) {
        if (c < '0' || c > '9')
            return def;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return def;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return def;
    return static_cast<int>(value);
}

} // namespace qx
