#pragma once
// A host name lookup that runs beside the event loop: the system's resolver
// works on a thread of its own, and its answer comes back to the
// user-interface thread through a descriptor the loop watches. Destroying
// the lookup abandons it; the answer is then dropped when it comes.

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace qx {

class HostLookup : public QObject {
    Q_OBJECT
public:
    // The first IPv4 address of the name (network byte order), or the
    // Windows Sockets number of the failure (11001 not found, 11002 try
    // again) with address 0.
    using Answer = std::function<void(std::uint32_t address, int error)>;

    // Starts the lookup; answer runs once, from the event loop, unless the
    // lookup is destroyed first. Throws std::system_error when no thread
    // can be had for it.
    HostLookup(const std::string& host, Answer answer, QObject* parent = nullptr);
    ~HostLookup() override;

private:
    struct Shared;
    void answered();

    std::shared_ptr<Shared> m_shared;
    QSocketNotifier* m_notifier = nullptr;
    Answer m_answer;
};

} // namespace qx
