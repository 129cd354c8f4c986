#include "TerminationSignals.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qx {

namespace {

// The handler may only write to a descriptor; the event loop reads the
// other end.
int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void CatchTerminationSignals()
{
    if (g_pipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
        sigaddset(&set, signal);
    }
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void CloseOnTerminationSignals(QWidget* window)
{
    if (g_pipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window = QPointer<QWidget>(window)] {
        char bytes[64];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        if (window)
            window->close();
    });
}

} // namespace qx
