// Feeds arbitrary typed addresses, member numbers and proxy settings to the
// request builders and the endpoint choice, and checks that every request is
// one well-formed header block: the request line and the fixed header lines
// in order, nothing else, and no byte of the input able to add a line.
//
// Input: a flags byte (bit 0: proxy in use), then address, number, proxy
// address and proxy port separated by 0xFF, a byte code page 932 never uses.

#include "Requests.h"
#include "Text.h"

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
        check(endpoint.Port == qx::StrToIntDef(proxyPort, 8080));
    } else {
        const qx::Endpoint direct = qx::DirectEndpoint();
        check(endpoint.Host == direct.Host && endpoint.Address.empty() && endpoint.Port == direct.Port);
    }
    return 0;
}
