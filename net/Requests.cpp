#include "Requests.h"

#include "Text.h"

#include <arpa/inet.h>

#include <algorithm>

namespace qx {

const std::string DirectHost = QUORRIX_DIRECT_HOST;
const std::string ServiceHost = QUORRIX_SERVICE_HOST;

namespace {

constexpr std::string_view ProfilePath = "/cgi-bin/viewprofile.cgi?phone=";
constexpr int DirectPort = 80;
constexpr int DefaultProxyPort = 8080;
constexpr long long TargetWindow = 999;

Endpoint& directOverride()
{
    static Endpoint endpoint;
    return endpoint;
}

// The typed address and the member number (which comes from a downloaded page)
// go into the request line unchanged, except that a CR or LF byte would end
// the line early and let the text add header lines or a second request of its
// own. Those two are percent-encoded; no other byte is touched, and neither
// can be the trail byte of a double-byte character.
std::string requestTarget(std::string_view text)
{
    std::string target;
    target.reserve(text.size());
    for (char c : text) {
        if (c == '\r')
            target += "%0D";
        else if (c == '\n')
            target += "%0A";
        else
            target += c;
    }
    return target;
}

// The path part of a typed address for a direct request: everything from the
// first "/" within the 999 bytes after the first "//"; the host part when no
// "/" follows; the whole text when it holds no "//".
std::string directTarget(std::string_view address)
{
    std::string_view t = address;
    const std::size_t i = Pos("//", t);
    if (i == 0)
        return std::string(t);
    t = SubView(t, static_cast<long long>(i) + 2, TargetWindow);
    const std::size_t j = Pos("/", t);
    if (j > 0)
        t = SubView(t, static_cast<long long>(j), TargetWindow);
    return std::string(t);
}

// True when text is an IPv4 address in one of the dotted forms the system's
// conversion accepts (one to four parts, decimal, octal or hexadecimal) and is
// not the all-ones address, which that conversion cannot tell from failure.
// The C library also stops at the first blank or NUL and ignores what follows;
// such a text is not an address the connection could use, so it counts as a
// host name.
bool isNumericAddress(std::string_view text)
{
    if (text.empty())
        return false;
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 32; }))
        return false;
    const std::string copy(text);
    return inet_addr(copy.c_str()) != INADDR_NONE;
}

void appendLine(std::string& request, std::string_view line)
{
    request += line;
    request += "\r\n";
}

void appendRequestLine(std::string& request, std::string_view target)
{
    appendLine(request, "GET " + requestTarget(target) + " HTTP/1.0");
}

} // namespace

std::string DefaultListAddress()
{
    return "http://" + ServiceHost + "/people-l.html";
}

Endpoint DirectEndpoint()
{
    const Endpoint& redirected = directOverride();
    if (!redirected.Host.empty())
        return redirected;
    return Endpoint{DirectHost, {}, DirectPort};
}

void SetDirectEndpointForTesting(std::string host, int port)
{
    directOverride() = Endpoint{std::move(host), {}, port};
}

Endpoint ChooseEndpoint(bool proxyUse, std::string_view proxyAddr, std::string_view proxyPort)
{
    if (!proxyUse)
        return DirectEndpoint();
    Endpoint endpoint;
    if (isNumericAddress(proxyAddr))
        endpoint.Address = std::string(proxyAddr);
    else
        endpoint.Host = std::string(proxyAddr);
    endpoint.Port = StrToIntDef(proxyPort, DefaultProxyPort);
    return endpoint;
}

std::string BuildListRequest(std::string_view address, bool proxyUse)
{
    std::string request;
    appendRequestLine(request, proxyUse ? std::string(address) : directTarget(address));
    appendLine(request, "Accept-Language: ja");
    appendLine(request, "Pragma:no-cache");
    appendLine(request, "Host:" + ServiceHost);
    appendLine(request, "");
    return request;
}

std::string BuildProfileRequest(std::string_view number, bool proxyUse)
{
    std::string target = proxyUse ? "http://" + ServiceHost : std::string();
    target += ProfilePath;
    target += number;
    std::string request;
    appendRequestLine(request, target);
    appendLine(request, "Accept-Language: ja");
    appendLine(request, "Host:" + ServiceHost);
    appendLine(request, "");
    return request;
}

} // namespace qx
