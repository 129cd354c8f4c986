#pragma once
// The client connection component: one non-blocking TCP connection at a
// time, opened to a host name (resolved without blocking) or a numeric IPv4
// address, and reported through four events that run on the user-interface
// thread from the event loop: OnConnect, OnRead (any number of times),
// OnDisconnect; or OnError in place of a failed connect, read, write or
// close. Errors carry Windows Sockets error numbers (10061 for a refused
// connection, 10054 for a reset one, ...), as the program's status texts show
// them.
//
// Handlers may close the component from inside an event. A handler that
// wants its own component gone calls deleteLater() on it, never delete.

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>

class QSocketNotifier;

namespace qx {

class HostLookup;

enum class ErrorEvent { General, Send, Receive, Connect, Disconnect, Accept, Lookup };

class TClientSocket;

// The connection a component runs, as its handlers see it.
class TCustomWinSocket {
public:
    // The one user-data slot of the connection.
    void* Data = nullptr;

    // Writes what the connection takes now and returns that count, or -1
    // after a failed write, which runs OnError and then OnDisconnect first.
    int SendText(const std::string& text);
    // The bytes that have arrived so far, possibly none, at most 1 MiB of
    // them (a read event follows for the rest); a failed read runs
    // OnError and then OnDisconnect first.
    std::string ReceiveText();
    void Close();

private:
    friend class TClientSocket;
    explicit TCustomWinSocket(TClientSocket& owner)
        : m_owner(owner)
    {
    }
    TClientSocket& m_owner;
};

using SocketNotifyEvent = std::function<void(QObject* Sender, TCustomWinSocket* Socket)>;
using SocketErrorEvent = std::function<void(QObject* Sender, TCustomWinSocket* Socket, ErrorEvent Event, int& ErrorCode)>;

class TClientSocket : public QObject {
    Q_OBJECT
public:
    // Owned like any Qt child: destroyed with its owner. Destroying an open
    // component closes its connection without running any handler.
    explicit TClientSocket(QObject* owner);
    ~TClientSocket() override;

    // The endpoint. A non-empty Host is resolved and Address disregarded.
    // Only the low 16 bits of Port count. While the component is active only
    // the value already held may be assigned; anything else throws qx::Error.
    const std::string& Host() const { return m_host; }
    void SetHost(std::string host);
    const std::string& Address() const { return m_address; }
    void SetAddress(std::string address);
    int Port() const { return m_port; }
    void SetPort(int port);

    bool Active() const { return m_active; }
    // true starts opening and returns at once; a failure found before the
    // attempt is under way throws qx::Error, after OnDisconnect when a
    // socket had already been made (every opening makes its socket before
    // the name lookup). true on an active component does nothing; false
    // closes.
    void SetActive(bool active);
    // Ends the connection, also one still looking up its host or broken;
    // OnDisconnect runs when there was a socket. Safe from inside a handler.
    void Close();

    TCustomWinSocket* Socket() { return &m_socket; }

    SocketNotifyEvent OnConnect;
    SocketNotifyEvent OnRead;
    SocketNotifyEvent OnDisconnect;
    SocketErrorEvent OnError;

private:
    friend class TCustomWinSocket;
    enum class State { Closed, LookingUp, Connecting, Connected, Broken };

    void open();
    void lookedUp(std::uint32_t address, int error);
    // Starts the attempt; returns the error number of a failure on the spot.
    int startConnect(std::uint32_t address);
    void connectReady();
    void readReady();
    // Closes the descriptor and stops listening to it, running no handler.
    void release();
    // Reports an error and, when the handler leaves it unhandled, raises it
    // from the event loop. False when the component is gone or closed meanwhile.
    bool reportError(ErrorEvent event, int code);
    void fireDisconnect();

    TCustomWinSocket m_socket;
    std::string m_host;
    std::string m_address;
    int m_port = 0;
    bool m_active = false;
    State m_state = State::Closed;
    int m_fd = -1;
    HostLookup* m_lookup = nullptr;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    // Counts openings and closings, so that a handler that closed or
    // reopened the component is noticed by the code that called it.
    std::uint64_t m_generation = 0;
};

// The Windows Sockets error number for a system error number.
int WinsockError(int systemError);

// The text of a socket error as the error box shows it.
std::string SocketErrorText(int code, const char* api);

} // namespace qx
