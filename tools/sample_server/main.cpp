// The sample directory server. Usage:
//   sample_server [PORT] [--port N] [--record FILE] [--mode NAME[:N]]
//                 [--members N] [--seed S]
// PORT 0 (the default) picks a free port; the port is printed as the first
// line on standard output. A request may choose its own misbehaviour with a
// query item "mode=NAME[:N]". SIGTERM or SIGINT stops the server.

#include "SampleServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <unistd.h>

namespace {

int wakePipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(wakePipe[1], &byte, 1);
}

[[noreturn]] void usage()
{
    std::fputs("usage: sample_server [PORT] [--port N] [--record FILE] [--mode NAME[:N]] [--members N] [--seed S]\n"
               "modes: normal refuse close reset[:BYTES] slow[:MS] stall endless huge[:MB] noise[:BYTES] delay[:MS]\n"
               "       rotate[:N] (each list page, every member is away from one page in N and back on the next)\n",
        stderr);
    std::exit(2);
}

long number(const char* text)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0)
        usage();
    return value;
}

} // namespace

int main(int argc, char** argv)
{
    ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue)
            options.port = static_cast<int>(number(argv[++i]));
        else if (arg == "--record" && hasValue)
            options.recordFile = argv[++i];
        else if (arg == "--mode" && hasValue) {
            const auto behaviour = Behaviour::Parse(argv[++i]);
            if (!behaviour)
                usage();
            options.behaviour = *behaviour;
        } else if (arg == "--members" && hasValue)
            options.members = static_cast<int>(number(argv[++i]));
        else if (arg == "--seed" && hasValue)
            options.seed = static_cast<std::uint64_t>(number(argv[++i]));
        else if (!arg.empty() && arg[0] != '-')
            options.port = static_cast<int>(number(argv[i]));
        else
            usage();
    }
    if (options.port > 65535)
        usage();

    if (::pipe(wakePipe) < 0)
        return 1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        SampleServer server(options);
        const int port = server.Listen();
        std::printf("%d\n", port);
        std::fflush(stdout);
        server.Run(wakePipe[0]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sample_server: %s\n", error.what());
        return 1;
    }
    return 0;
}
