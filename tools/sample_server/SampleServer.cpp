#include "SampleServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace {

// A request whose header has not ended by then is answered as it stands.
constexpr std::size_t MaxRequestBytes = 1024 * 1024;
constexpr std::size_t EndlessBatchBytes = 16 * 1024;

constexpr std::string_view ListPath = "/people-l.html";
constexpr std::string_view ProfilePath = "/cgi-bin/viewprofile.cgi";

std::string header(std::string_view status, std::optional<std::size_t> length)
{
    std::string text = "HTTP/1.0 ";
    text += status;
    text += "\r\nServer: sample_server\r\nContent-Type: text/html; charset=Shift_JIS\r\n";
    if (length)
        text += "Content-Length: " + std::to_string(*length) + "\r\n";
    text += "\r\n";
    return text;
}

std::string page(std::string_view status, const std::string& body)
{
    return header(status, body.size()) + body;
}

// The value of key in the query of target ("a=1&key=value"), if any.
std::optional<std::string_view> queryValue(std::string_view target, std::string_view key)
{
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos)
        return std::nullopt;
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.size() > key.size() && pair.substr(0, key.size()) == key && pair[key.size()] == '=')
            return pair.substr(key.size() + 1);
        if (amp == std::string_view::npos)
            break;
        query = query.substr(amp + 1);
    }
    return std::nullopt;
}

// The path of a request target: an absolute URL as a proxy gets it loses its
// scheme and host, and the query goes.
std::string_view pathOf(std::string_view target)
{
    if (target.substr(0, 7) == "http://") {
        const std::size_t slash = target.find('/', 7);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    return target.substr(0, target.find('?'));
}

// The target of "GET target HTTP/1.0", empty when the first line is not a GET.
std::string_view targetOf(std::string_view request)
{
    const std::string_view line = request.substr(0, request.find("\r\n"));
    if (line.substr(0, 4) != "GET ")
        return {};
    const std::size_t end = line.rfind(' ');
    return end <= 3 ? std::string_view() : line.substr(4, end - 4);
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::optional<Behaviour> Behaviour::Parse(std::string_view text)
{
    static constexpr std::pair<std::string_view, Mode> Names[] = {
        {"normal", Mode::Normal}, {"refuse", Mode::Refuse}, {"close", Mode::Close},
        {"reset", Mode::Reset}, {"slow", Mode::Slow}, {"stall", Mode::Stall},
        {"endless", Mode::Endless}, {"huge", Mode::Huge}, {"noise", Mode::Noise},
        {"delay", Mode::Delay}, {"rotate", Mode::Rotate}};
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    Behaviour behaviour;
    if (colon != std::string_view::npos) {
        const std::string_view number = text.substr(colon + 1);
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), behaviour.arg);
        if (error != std::errc() || end != number.data() + number.size() || behaviour.arg < 0)
            return std::nullopt;
    }
    for (const auto& [known, mode] : Names) {
        if (name == known) {
            behaviour.mode = mode;
            return behaviour;
        }
    }
    return std::nullopt;
}

SampleServer::SampleServer(const ServerOptions& options)
    : m_options(options)
    , m_directory(options.seed, options.members)
    , m_noiseState(options.seed)
{
    if (!options.recordFile.empty()) {
        m_record = std::fopen(options.recordFile.c_str(), "ab");
        if (!m_record)
            throw std::runtime_error("cannot open " + options.recordFile + ": " + std::strerror(errno));
    }
}

SampleServer::~SampleServer()
{
    for (Client& client : m_clients)
        closeFd(client.fd);
    closeFd(m_listenFd);
    if (m_record)
        std::fclose(m_record);
}

int SampleServer::Listen()
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    const int on = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(m_options.port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0
        || ::listen(m_listenFd, 64) < 0)
        throw std::runtime_error(std::string("bind/listen: ") + std::strerror(errno));
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);
    // Refusing connections means nobody listens on the port any more.
    if (m_options.behaviour.mode == Behaviour::Mode::Refuse)
        closeFd(m_listenFd);
    return port;
}

void SampleServer::Run(int wakeFd)
{
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({wakeFd, POLLIN, 0});
        fds.push_back({m_listenFd, POLLIN, 0});
        const auto now = Clock::now();
        for (const Client& client : m_clients) {
            short events = 0;
            if (client.phase == Client::Phase::Receiving || client.phase == Client::Phase::Stalled)
                events = POLLIN;
            else if (client.phase == Client::Phase::Sending && client.readyAt <= now)
                events = POLLOUT;
            fds.push_back({client.fd, events, 0});
        }
        if (::poll(fds.data(), fds.size(), pollTimeout()) < 0 && errno != EINTR)
            throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN)
            acceptClients();

        // Clients accepted just now were not polled; they come after these.
        const std::size_t polled = fds.size() - 2;
        for (std::size_t i = 0; i < polled; ++i) {
            Client& client = m_clients[i];
            const short revents = fds[i + 2].revents;
            if (client.phase == Client::Phase::Waiting && client.readyAt <= Clock::now()) {
                if (client.resetDue) {
                    const linger abort{1, 0};
                    ::setsockopt(client.fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
                    client.done = true;
                } else {
                    client.phase = Client::Phase::Sending;
                    send(client);
                }
            } else if (client.phase == Client::Phase::Receiving || client.phase == Client::Phase::Stalled) {
                if (revents)
                    receive(client);
            } else if (client.phase == Client::Phase::Sending && revents) {
                if (revents & (POLLERR | POLLHUP))
                    client.done = true;
                else
                    send(client);
            }
        }
        for (Client& client : m_clients) {
            if (client.done)
                closeFd(client.fd);
        }
        std::erase_if(m_clients, [](const Client& client) { return client.fd < 0; });
    }
}

int SampleServer::pollTimeout() const
{
    std::optional<Clock::time_point> next;
    for (const Client& client : m_clients) {
        // A sending client is waited for by poll, unless it is pacing itself.
        const bool timed = client.phase == Client::Phase::Waiting
            || (client.phase == Client::Phase::Sending && client.readyAt > Clock::now());
        if (timed)
            next = next ? std::min(*next, client.readyAt) : client.readyAt;
    }
    if (!next)
        return -1;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(wait, 0, 60000));
}

void SampleServer::acceptClients()
{
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        Client client;
        client.fd = fd;
        m_clients.push_back(std::move(client));
    }
}

void SampleServer::receive(Client& client)
{
    char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::recv(client.fd, buffer, sizeof buffer, 0);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            client.done = true;
            return;
        }
        if (n == 0) {
            if (client.phase == Client::Phase::Receiving && !client.in.empty())
                record("PARTIAL", client.in);
            client.done = true;
            return;
        }
        if (client.phase == Client::Phase::Stalled)
            continue;
        client.in.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = client.in.find("\r\n\r\n");
        if (end != std::string::npos || client.in.size() >= MaxRequestBytes) {
            if (end != std::string::npos)
                client.in.resize(end + 4);
            record(end != std::string::npos ? "REQUEST" : "PARTIAL", client.in);
            answer(client);
            return;
        }
    }
}

void SampleServer::record(std::string_view tag, std::string_view request)
{
    if (!m_record)
        return;
    std::fprintf(m_record, "%.*s %zu\n", static_cast<int>(tag.size()), tag.data(), request.size());
    std::fwrite(request.data(), 1, request.size(), m_record);
    std::fputc('\n', m_record);
    std::fflush(m_record);
}

void SampleServer::answer(Client& client)
{
    const std::string_view target = targetOf(client.in);
    Behaviour behaviour = m_options.behaviour;
    if (const auto asked = queryValue(target, "mode")) {
        if (const auto parsed = Behaviour::Parse(*asked))
            behaviour = *parsed;
    }
    client.behaviour = behaviour;
    client.readyAt = Clock::now();
    switch (behaviour.mode) {
    case Behaviour::Mode::Refuse:
    case Behaviour::Mode::Close:
        client.done = true;
        return;
    case Behaviour::Mode::Delay:
        client.readyAt += std::chrono::milliseconds(behaviour.arg ? behaviour.arg : 1000);
        break;
    case Behaviour::Mode::Huge:
        client.out = page("200 OK", SampleDirectory::HugePage(static_cast<std::size_t>(behaviour.arg ? behaviour.arg : 10) * 1024 * 1024));
        break;
    case Behaviour::Mode::Noise: {
        const std::size_t count = behaviour.arg ? static_cast<std::size_t>(behaviour.arg) : 4096;
        for (std::size_t i = 0; i < count; ++i) {
            m_noiseState = m_noiseState * 6364136223846793005ull + 1442695040888963407ull;
            client.out += static_cast<char>(m_noiseState >> 56);
        }
        break;
    }
    case Behaviour::Mode::Endless:
        client.out = header("200 OK", std::nullopt) + "<html><body>table\r\n";
        break;
    default:
        break;
    }
    if (client.out.empty())
        client.out = response(target, behaviour);
    if (behaviour.mode == Behaviour::Mode::Reset)
        client.out.resize(std::min<std::size_t>(client.out.size(), behaviour.arg ? behaviour.arg : 100));
    client.in.clear();
    client.phase = Client::Phase::Waiting;
}

std::string SampleServer::response(std::string_view target, const Behaviour& behaviour)
{
    const std::string_view path = pathOf(target);
    if (path == ListPath) {
        const bool rotate = behaviour.mode == Behaviour::Mode::Rotate;
        return page("200 OK", m_directory.NextListPage(rotate ? static_cast<int>(std::clamp(behaviour.arg ? behaviour.arg : 3, 2L, 1000L)) : 0));
    }
    if (path == ProfilePath)
        return page("200 OK", m_directory.ProfilePage(queryValue(target, "phone").value_or("")));
    return page("404 Not Found", SampleDirectory::NotFoundPage());
}

void SampleServer::send(Client& client)
{
    const bool slow = client.behaviour.mode == Behaviour::Mode::Slow;
    for (;;) {
        if (client.sent == client.out.size()) {
            if (client.behaviour.mode != Behaviour::Mode::Endless) {
                finish(client);
                return;
            }
            client.out.clear();
            client.sent = 0;
            while (client.out.size() < EndlessBatchBytes)
                client.out += m_directory.FillerRow(client.endlessRow++);
        }
        std::size_t piece = client.out.size() - client.sent;
        if (slow)
            piece = std::min<std::size_t>(piece, 1 + (client.sent * 7 + 3) % 16);
        const ssize_t n = ::send(client.fd, client.out.data() + client.sent, piece, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                client.done = true;
            return;
        }
        client.sent += static_cast<std::size_t>(n);
        if (slow) {
            client.readyAt = Clock::now() + std::chrono::milliseconds(client.behaviour.arg ? client.behaviour.arg : 2);
            if (client.sent == client.out.size())
                finish(client);
            return;
        }
    }
}

void SampleServer::finish(Client& client)
{
    switch (client.behaviour.mode) {
    case Behaviour::Mode::Stall:
        client.phase = Client::Phase::Stalled;
        return;
    case Behaviour::Mode::Reset:
        // A moment's grace lets the bytes sent so far reach the client before
        // the reset, which would otherwise discard them on the way.
        client.resetDue = true;
        client.readyAt = Clock::now() + std::chrono::milliseconds(50);
        client.phase = Client::Phase::Waiting;
        return;
    default:
        ::shutdown(client.fd, SHUT_WR);
        break;
    }
    client.done = true;
}
