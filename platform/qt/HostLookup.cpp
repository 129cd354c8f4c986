#include "HostLookup.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace qx {

namespace {

constexpr int kHostNotFound = 11001;
constexpr int kTryAgain = 11002;

} // namespace

// What the resolver's thread and the lookup share; the last of the two to
// let go closes the descriptors.
struct HostLookup::Shared {
    int pipe[2] = {-1, -1};
    std::uint32_t address = 0;
    int error = 0;
    std::atomic<bool> done{false};
    ~Shared()
    {
        for (const int fd : pipe) {
            if (fd >= 0)
                ::close(fd);
        }
    }
};

HostLookup::HostLookup(const std::string& host, Answer answer, QObject* parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
    , m_answer(std::move(answer))
{
    if (::pipe2(m_shared->pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    m_notifier = new QSocketNotifier(m_shared->pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &HostLookup::answered);
    std::thread([shared = m_shared, host] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
        if (result == 0 && found) {
            shared->address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
        } else {
            shared->error = result == EAI_AGAIN ? kTryAgain : kHostNotFound;
        }
        if (found)
            ::freeaddrinfo(found);
        shared->done.store(true, std::memory_order_release);
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(shared->pipe[1], &byte, 1);
    }).detach();
}

HostLookup::~HostLookup() = default;

void HostLookup::answered()
{
    if (!m_shared->done.load(std::memory_order_acquire))
        return;
    m_notifier->setEnabled(false);
    if (m_answer) {
        const Answer answer = std::exchange(m_answer, nullptr);
        answer(m_shared->address, m_shared->error);
    }
}

} // namespace qx
