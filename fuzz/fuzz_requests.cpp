// Feeds arbitrary typed addresses, member numbers and proxy settings to the
// request builders and the endpoint choice, and checks that every request is
// one well-formed header block: the request line and the fixed header lines
// in order, nothing else, and no byte of the input able to add a line.
//
// The proxy port is checked against a reading of its own, written here from
// the rule rather than taken from the program's text operations.
//
// Input: a flags byte (bit 0: proxy in use), then address, number, proxy
// address and proxy port separated by 0xFF, a byte code page 932 never uses.

#include "Requests.h"

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

std::vector<std::string_view> splitFields(std::string_view data, std::size_t count)
{
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < count) {
        const std::size_t at = data.find('\xff');
        if (at == std::string_view::npos)
            break;
        fields.push_back(data.substr(0, at));
        data.remove_prefix(at + 1);
    }
    fields.push_back(data);
    fields.resize(count);
    return fields;
}

bool hasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The request split at its CR LF pairs must be exactly the request line
// followed by expectedHeaders and the empty line; gives the target.
std::string_view checkLayout(std::string_view request, const std::vector<std::string>& expectedHeaders)
{
    std::vector<std::string_view> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = request.find("\r\n", from)) != std::string_view::npos; from = at + 2)
        lines.push_back(request.substr(from, at - from));
    check(from == request.size());
    check(lines.size() == expectedHeaders.size() + 2);
    for (std::string_view line : lines)
        check(!hasLineBreak(line));
    for (std::size_t i = 0; i < expectedHeaders.size(); ++i)
        check(lines[i + 1] == expectedHeaders[i]);
    check(lines.back().empty());

    const std::string_view first = lines.front();
    check(first.substr(0, 4) == "GET ");
    check(first.size() >= 13 && first.substr(first.size() - 9) == " HTTP/1.0");
    return first.substr(4, first.size() - 13);
}

// The port text read as an integer, or def when it is not one: blanks (space
// or tab) in front, at most one sign, then decimal digits, or hexadecimal
// digits behind "$" or "0x"/"0X"; nothing else anywhere, not even a blank at
// the end. Decimal must fit a signed 32-bit value; hexadecimal is a 32-bit
// pattern of at most eight significant digits, negated by a minus sign.
int portReading(std::string_view text, int def)
{
    std::string_view t = text;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    long long sign = 1;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        sign = t.front() == '-' ? -1 : 1;
        t.remove_prefix(1);
    }
    int base = 10;
    if (t.substr(0, 1) == "$") {
        base = 16;
        t.remove_prefix(1);
    } else if (t.substr(0, 2) == "0x" || t.substr(0, 2) == "0X") {
        base = 16;
        t.remove_prefix(2);
    }
    if (t.empty())
        return def;
    const std::string_view digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (t.find_first_not_of(digits) != std::string_view::npos)
        return def;
    // Leading zeros carry no value; what is left decides the range.
    const std::size_t first = t.find_first_not_of('0');
    const std::string_view significant = first == std::string_view::npos ? std::string_view() : t.substr(first);
    if (significant.size() > (base == 16 ? 8u : 10u))
        return def;
    const unsigned long long magnitude = significant.empty() ? 0 : std::stoull(std::string(significant), nullptr, base);
    if (base == 16) {
        const auto pattern = static_cast<std::uint32_t>(sign < 0 ? 0x100000000ull - magnitude : magnitude);
        return static_cast<std::int32_t>(pattern);
    }
    const long long value = sign * static_cast<long long>(magnitude);
    if (value < -2147483648LL || value > 2147483647LL)
        return def;
    return static_cast<int>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool proxyUse = (data[0] & 1) != 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const auto fields = splitFields(input, 4);
    const std::string_view address = fields[0];
    const std::string_view number = fields[1];
    const std::string_view proxyAddr = fields[2];
    const std::string_view proxyPort = fields[3];
    const std::string hostLine = "Host:" + qx::ServiceHost;

    const std::string list = qx::BuildListRequest(address, proxyUse);
    const std::string_view listTarget = checkLayout(list, {"Accept-Language: ja", "Pragma:no-cache", hostLine});
    if (!hasLineBreak(address)) {
        if (proxyUse)
            check(listTarget == address);
        else
            check(listTarget.size() <= address.size() && address.find(listTarget) != std::string_view::npos);
    }

    const std::string profile = qx::BuildProfileRequest(number, proxyUse);
    const std::string_view profileTarget = checkLayout(profile, {"Accept-Language: ja", hostLine});
    if (!hasLineBreak(number)) {
        const std::string prefix = (proxyUse ? "http://" + qx::ServiceHost : std::string()) + "/cgi-bin/viewprofile.cgi?phone=";
        check(profileTarget == prefix + std::string(number));
    }

    const qx::Endpoint endpoint = qx::ChooseEndpoint(proxyUse, proxyAddr, proxyPort);
    if (proxyUse) {
        check(endpoint.Host.empty() || endpoint.Address.empty());
        check(endpoint.Host + endpoint.Address == proxyAddr);
        // The connection uses the low 16 bits of the port; the endpoint keeps
        // the whole reading, so both must agree before any cut.
        check(endpoint.Port == portReading(proxyPort, 8080));
    } else {
        const qx::Endpoint direct = qx::DirectEndpoint();
        check(endpoint.Host == direct.Host && endpoint.Address.empty() && endpoint.Port == direct.Port);
    }
    return 0;
}
