#include "ClientSocket.h"

#include "AnsiText.h"
#include "Application.h"
#include "Error.h"
#include "HostLookup.h"

#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace qx {

namespace {

constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;
constexpr int kNoRecovery = 11003;
constexpr int kAddressNotAvailable = 10049;

struct ErrnoMapping {
    int system;
    int winsock;
};

// Windows Sockets numbers are 10000 plus the classic BSD error numbers, which
// agree with the system's only below 35; so every number is placed by name,
// and the few errors without a Windows twin go to the nearest meaning.
constexpr ErrnoMapping kErrnoTable[] = {
    {EPERM, 10013}, {ENOMEM, 10055}, {ENFILE, 10024}, {EINTR, 10004}, {EBADF, 10009}, {EACCES, 10013}, {EFAULT, 10014}, {EINVAL, 10022}, {EMFILE, 10024},
    {EAGAIN, 10035}, {EINPROGRESS, 10036}, {EALREADY, 10037}, {ENOTSOCK, 10038}, {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040}, {EPROTOTYPE, 10041}, {ENOPROTOOPT, 10042}, {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045}, {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048}, {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050}, {ENETUNREACH, 10051}, {ENETRESET, 10052},
    {ECONNABORTED, 10053}, {ECONNRESET, 10054}, {EPIPE, 10054}, {ENOBUFS, 10055}, {EISCONN, 10056},
    {ENOTCONN, 10057}, {ESHUTDOWN, 10058}, {ETOOMANYREFS, 10059}, {ETIMEDOUT, 10060}, {ECONNREFUSED, 10061},
    {ELOOP, 10062}, {ENAMETOOLONG, 10063}, {EHOSTDOWN, 10064}, {EHOSTUNREACH, 10065},
};

const char* describe(int code)
{
    switch (code) {
    case 10013: return "Permission denied";
    case 10024: return "Too many open sockets";
    case 10048: return "Address already in use";
    case 10049: return "Cannot assign requested address";
    case 10050: return "Network is down";
    case 10051: return "Network is unreachable";
    case 10053: return "Software caused connection abort";
    case 10054: return "Connection reset by peer";
    case 10055: return "No buffer space available";
    case 10057: return "Socket is not connected";
    case 10060: return "Connection timed out";
    case 10061: return "Connection refused";
    case 10065: return "No route to host";
    case kHostNotFound: return "Host not found";
    case kTryAgain: return "Non-authoritative host not found";
    case kNoRecovery: return "This is a non-recoverable error";
    default: return "Socket error";
    }
}

} // namespace

int WinsockError(int systemError)
{
    for (const ErrnoMapping& m : kErrnoTable)
        if (m.system == systemError)
            return m.winsock;
    return 10000 + systemError; // unknown to both numberings: still recognisable

}

std::string SocketErrorText(int code, const char* api)
{
    return std::string("Windows socket error: ") + describe(code) + " (" + std::to_string(code) + "), on API '" + api + "'";
}

// TCustomWinSocket ---------------------------------------------------------

int TCustomWinSocket::SendText(const std::string& text)
{
    TClientSocket& c = m_owner;
    if (c.m_state != TClientSocket::State::Connected)
        return -1;
    ssize_t sent;
    do
        sent = ::send(c.m_fd, text.data(), text.size(), MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    if (sent >= 0)
        return static_cast<int>(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK)
        return 0;
    const int code = WinsockError(errno);
    QPointer<TClientSocket> alive(&c);
    if (c.reportError(ErrorEvent::Send, code) && alive)
        c.Close();
    return -1;
}

std::string TCustomWinSocket::ReceiveText()
{
    TClientSocket& c = m_owner;
    std::string received;
    if (c.m_state != TClientSocket::State::Connected)
        return received;
    // A peer that sends as fast as it is read would keep this loop going for
    // ever; past the bound the rest waits for the next read event, which
    // follows at once because the bytes are still there.
    constexpr std::size_t kMaxPerCall = 1 << 20;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(c.m_fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            if (static_cast<std::size_t>(n) < sizeof buffer || received.size() >= kMaxPerCall)
                break;
            continue;
        }
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK)
            break;
        if (errno == EINTR)
            continue;
        const int code = WinsockError(errno);
        QPointer<TClientSocket> alive(&c);
        if (c.reportError(ErrorEvent::Receive, code) && alive)
            c.Close();
        break;
    }
    return received;
}

void TCustomWinSocket::Close()
{
    m_owner.Close();
}

// TClientSocket ------------------------------------------------------------

TClientSocket::TClientSocket(QObject* owner)
    : QObject(owner)
    , m_socket(*this)
{
}

TClientSocket::~TClientSocket()
{
    release();
}

void TClientSocket::SetHost(std::string host)
{
    if (m_active && !AnsiSameText(host, m_host))
        throw Error("Cannot change Host on an active socket");
    m_host = std::move(host);
}

void TClientSocket::SetAddress(std::string address)
{
    if (m_active && address != m_address)
        throw Error("Cannot change Address on an active socket");
    m_address = std::move(address);
}

void TClientSocket::SetPort(int port)
{
    if (m_active && port != m_port)
        throw Error("Cannot change Port on an active socket");
    m_port = port;
}

void TClientSocket::SetActive(bool active)
{
    if (active == m_active)
        return;
    if (active)
        open();
    else
        Close();
}

void TClientSocket::open()
{
    ++m_generation;
    in_addr_t address = INADDR_NONE;
    if (m_host.empty()) {
        if (!m_address.empty())
            address = ::inet_addr(m_address.c_str());
        if (address == INADDR_NONE)
            throw Error(SocketErrorText(kAddressNotAvailable, "connect"));
    }
    m_active = true;
    // The socket comes first, so that a close during the name lookup is a
    // close of a connection and reported as one.
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        const int code = WinsockError(errno);
        release();
        throw Error(SocketErrorText(code, "socket"));
    }
    if (!m_host.empty()) {
        m_state = State::LookingUp;
        try {
            m_lookup = new HostLookup(m_host, [this](std::uint32_t address, int error) { lookedUp(address, error); }, this);
        } catch (const std::system_error&) {
            // No lookup could be started: what was begun is closed, then
            // the caller hears of it.
            release();
            fireDisconnect();
            throw Error(SocketErrorText(kTryAgain, "ASync Lookup"));
        }
        return;
    }
    if (const int code = startConnect(address)) {
        // Refused on the spot: what was begun is closed, then the caller
        // hears of it.
        release();
        fireDisconnect();
        throw Error(SocketErrorText(code, "connect"));
    }
}

void TClientSocket::lookedUp(std::uint32_t address, int error)
{
    std::exchange(m_lookup, nullptr)->deleteLater();
    if (error) {
        // The name cannot be resolved: the component closes, then the
        // failure reaches the error box from the event loop.
        release();
        fireDisconnect();
        HandleException(Error(SocketErrorText(error, "ASync Lookup")));
        return;
    }
    if (const int code = startConnect(address)) {
        release();
        reportError(ErrorEvent::Connect, code);
    }
}

int TClientSocket::startConnect(std::uint32_t address)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(m_port & 0xFFFF));
    peer.sin_addr.s_addr = address;
    m_state = State::Connecting;
    // An interrupted attempt goes on in the background like one in progress.
    const int result = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    if (result < 0 && errno != EINPROGRESS && errno != EINTR)
        return WinsockError(errno);
    // Writable means the attempt has ended, one way or the other.
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &TClientSocket::connectReady);
    return 0;
}

void TClientSocket::connectReady()
{
    if (m_state != State::Connecting)
        return;
    m_writeNotifier->setEnabled(false);
    m_writeNotifier->deleteLater();
    m_writeNotifier = nullptr;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        release();
        reportError(ErrorEvent::Connect, WinsockError(error));
        return;
    }
    m_state = State::Connected;
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &TClientSocket::readReady);
    // Handlers run from copies: a handler may assign its own event anew.
    if (SocketNotifyEvent handler = OnConnect)
        handler(this, &m_socket);
}

void TClientSocket::readReady()
{
    if (m_state != State::Connected)
        return;
    int available = 0;
    if (::ioctl(m_fd, FIONREAD, &available) != 0)
        available = 0;
    char peek = 0;
    const ssize_t n = available > 0 ? 1 : ::recv(m_fd, &peek, 1, MSG_PEEK);
    if (n > 0) {
        if (SocketNotifyEvent handler = OnRead)
            handler(this, &m_socket);
        else
            m_socket.ReceiveText(); // nobody listens: don't let the bytes pile up
        return;
    }
    if (n == 0) {
        release();
        fireDisconnect();
        return;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return;
    // Broken: the error takes the place of the read or close, and nothing
    // more is reported for this connection.
    const int code = WinsockError(errno);
    m_state = State::Broken;
    m_readNotifier->setEnabled(false);
    reportError(ErrorEvent::Receive, code);
}

void TClientSocket::Close()
{
    const bool hadConnection = m_fd >= 0;
    if (!m_active && !hadConnection)
        return;
    release();
    if (hadConnection)
        fireDisconnect();
}

void TClientSocket::release()
{
    ++m_generation;
    delete std::exchange(m_lookup, nullptr);
    // Notifiers may be in the middle of their own signal: let them go later.
    for (QSocketNotifier** notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_active = false;
    m_state = State::Closed;
}

bool TClientSocket::reportError(ErrorEvent event, int code)
{
    const std::uint64_t generation = m_generation;
    QPointer<TClientSocket> alive(this);
    int errorCode = code;
    if (SocketErrorEvent handler = OnError)
        handler(this, &m_socket, event, errorCode);
    if (errorCode != 0)
        HandleException(Error(SocketErrorText(errorCode, event == ErrorEvent::Connect ? "connect" : event == ErrorEvent::Send ? "send" : "recv")));
    return alive && generation == m_generation;
}

void TClientSocket::fireDisconnect()
{
    if (SocketNotifyEvent handler = OnDisconnect)
        handler(this, &m_socket);
}

} // namespace qx
