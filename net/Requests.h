#pragma once
// The two requests the program sends and the endpoints they travel to. A list
// request fetches the people-list page named by the typed address; a profile
// request fetches one member's profile page. Both are HTTP/1.0 GET requests
// written out byte for byte, either to the directory server (direct) or to an
// HTTP proxy. Everything here is text work over code page 932 byte strings: it
// opens nothing and, apart from the test seam, keeps no state.

#include <cstddef>
#include <string>
#include <string_view>

namespace qx {

// Where a connection goes. A non-empty Host is resolved and Address is then
// disregarded; otherwise Address is a numeric IPv4 address in dotted form.
struct Endpoint {
    std::string Host;
    std::string Address;
    int Port = 0;
};

// A response that grows past this many bytes ends its fetch as an error.
constexpr std::size_t MaxResponseBytes = 64 * 1024 * 1024;

// The host direct connections go to (port 80), and the host every request
// names in its "Host:" line, both fixed when the program is built.
extern const std::string DirectHost;
extern const std::string ServiceHost;

// "http://" + ServiceHost + "/people-l.html".
std::string DefaultListAddress();

// Endpoint of a direct connection: DirectHost on port 80 unless a test has
// redirected it.
Endpoint DirectEndpoint();

// Sends every later direct connection to host:port instead; an empty host
// restores DirectHost on port 80. For tests only.
void SetDirectEndpointForTesting(std::string host, int port);

// Without the proxy, DirectEndpoint(). With it, proxyAddr as Host when it is
// not a numeric IPv4 address and as Address when it is (an empty proxyAddr
// leaves both empty); Port is proxyPort read as an integer, 8080 when it is
// empty or not an integer.
Endpoint ChooseEndpoint(bool proxyUse, std::string_view proxyAddr, std::string_view proxyPort);

// The list request for the typed address: sent as typed to a proxy; without
// the proxy the target is the path cut out of the address.
std::string BuildListRequest(std::string_view address, bool proxyUse);

// The profile request for a member number.
std::string BuildProfileRequest(std::string_view number, bool proxyUse);

} // namespace qx
