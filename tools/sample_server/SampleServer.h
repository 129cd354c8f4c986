#pragma once
// A loopback HTTP/1.0 server standing in for the directory service. It serves
// the people-list page and the profile pages to direct requests (a path) and
// to proxy requests (an absolute URL), closes after each answer, records every
// request byte for byte, and can misbehave on purpose so that a client's
// handling of refused, broken, slow, endless and garbled answers can be tried.
// One thread, poll(): no client is ever waited for while another is ready.

#include "SampleDirectory.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How the server answers. Arg is the mode's number (bytes, milliseconds,
// megabytes or pages as the mode says), 0 for its default. Rotate is no
// misbehaviour: its list pages take turns with the members (every one is
// away from one page in Arg, 3 by default), for watching who comes online.
struct Behaviour {
    enum class Mode { Normal, Refuse, Close, Reset, Slow, Stall, Endless, Huge, Noise, Delay, Rotate };
    Mode mode = Mode::Normal;
    long arg = 0;

    // "name" or "name:N"; nothing for an unknown name.
    static std::optional<Behaviour> Parse(std::string_view text);
};

struct ServerOptions {
    int port = 0;
    std::string recordFile;
    Behaviour behaviour;
    int members = 60;
    std::uint64_t seed = 1;
};

class SampleServer {
public:
    explicit SampleServer(const ServerOptions& options);
    ~SampleServer();
    SampleServer(const SampleServer&) = delete;
    SampleServer& operator=(const SampleServer&) = delete;

    // Binds 127.0.0.1 and gives the port it listens on; throws on failure.
    int Listen();

    // Serves until wakeFd becomes readable (the signal handler writes to it).
    void Run(int wakeFd);

private:
    using Clock = std::chrono::steady_clock;

    struct Client {
        int fd = -1;
        enum class Phase { Receiving, Waiting, Sending, Stalled } phase = Phase::Receiving;
        std::string in;
        std::string out;
        std::size_t sent = 0;
        Behaviour behaviour;
        Clock::time_point readyAt;
        std::uint64_t endlessRow = 0;
        bool resetDue = false;
        bool done = false;
    };

    void acceptClients();
    void receive(Client& client);
    void answer(Client& client);
    void send(Client& client);
    void finish(Client& client);
    void record(std::string_view tag, std::string_view request);
    std::string response(std::string_view target, const Behaviour& behaviour);
    int pollTimeout() const;

    ServerOptions m_options;
    SampleDirectory m_directory;
    int m_listenFd = -1;
    std::FILE* m_record = nullptr;
    std::vector<Client> m_clients;
    std::uint64_t m_noiseState;
};
