// Start-up and close of the whole program, seen from outside: the program
// file, copied into a scratch folder of its own, is started under a private
// Xvfb server with no member files and with a profile file of 100,000 entries
// (about 31 MB), beside a plain Qt main window. The close is timed with a
// profile file it may leave as it is (the program wrote it, and the session
// changed nothing) and with one it must write again (stored with LF line
// ends, which the program writes as CR LF). A start ends when the X server
// reports the first top-level window mapped (a MapNotify on the root window),
// which needs nothing from the program and costs the program nothing; a close
// runs from a WM_DELETE_WINDOW message, as a window manager sends it, until
// the process has ended. Each figure is the median of its runs, and the runs
// of the kinds being compared take turns, so that a slower moment of the
// shared machine falls on all of them alike.

#include "BenchData.h"
#include "BenchSummary.h"
#include "FileContents.h"
#include "MemberStore.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 11;

struct Server {
    pid_t Pid = -1;
    std::string Name;
    xcb_connection_t* Connection = nullptr;
    xcb_window_t Root = 0;
    xcb_atom_t Protocols = 0;
    xcb_atom_t DeleteWindow = 0;
};
Server g_server;

xcb_atom_t atom(const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(g_server.Connection, xcb_intern_atom(g_server.Connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : 0;
    std::free(reply);
    return result;
}

bool startServer()
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    g_server.Pid = ::fork();
    if (g_server.Pid == 0) {
        ::close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char number[16] = {};
    const ssize_t n = ::read(fds[0], number, sizeof number - 1);
    ::close(fds[0]);
    if (n <= 0)
        return false;
    g_server.Name = ":" + std::string(number, static_cast<std::size_t>(n - (number[n - 1] == '\n' ? 1 : 0)));
    g_server.Connection = xcb_connect(g_server.Name.c_str(), nullptr);
    if (xcb_connection_has_error(g_server.Connection))
        return false;
    g_server.Root = xcb_setup_roots_iterator(xcb_get_setup(g_server.Connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(g_server.Connection, g_server.Root, XCB_CW_EVENT_MASK, &mask);
    g_server.Protocols = atom("WM_PROTOCOLS");
    g_server.DeleteWindow = atom("WM_DELETE_WINDOW");
    xcb_flush(g_server.Connection);
    return true;
}

void stopServer()
{
    if (g_server.Connection)
        xcb_disconnect(g_server.Connection);
    if (g_server.Pid > 0) {
        ::kill(g_server.Pid, SIGTERM);
        ::waitpid(g_server.Pid, nullptr, 0);
    }
}

// The next event, or nullptr after timeout seconds without one.
xcb_generic_event_t* nextEvent(double timeout)
{
    const Clock::time_point until = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout));
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(g_server.Connection))
            return event;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return nullptr;
        pollfd watch{xcb_get_file_descriptor(g_server.Connection), POLLIN, 0};
        ::poll(&watch, 1, static_cast<int>(left));
    }
}

void drainEvents()
{
    while (xcb_generic_event_t* event = xcb_poll_for_event(g_server.Connection))
        std::free(event);
}

struct Run {
    double Start = 0; // seconds to the first mapped window, 0 on failure
    double Close = 0; // seconds from the close request to the process's end
};

// Starts program in its folder, waits for its window, then closes it (or
// kills it when close is false).
Run runOnce(const std::string& program, bool close)
{
    Run run;
    drainEvents();
    std::vector<std::string> variables{"DISPLAY=" + g_server.Name, "QT_QPA_PLATFORM=xcb"};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0 && std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0)
            variables.emplace_back(*e);
    std::vector<char*> environment;
    for (std::string& v : variables)
        environment.push_back(v.data());
    environment.push_back(nullptr);
    std::string argument0 = program;
    char* argv[] = {argument0.data(), nullptr};

    const Clock::time_point started = Clock::now();
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environment.data()) != 0)
        return run;
    xcb_window_t window = 0;
    while (xcb_generic_event_t* event = nextEvent(30)) {
        if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect)
                window = map->window;
        }
        std::free(event);
        if (window)
            break;
    }
    if (window)
        run.Start = std::chrono::duration<double>(Clock::now() - started).count();
    if (window && close) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = g_server.Protocols;
        message.data.data32[0] = g_server.DeleteWindow;
        message.data.data32[1] = XCB_CURRENT_TIME;
        // The work left after the window is mapped (its first paint) ends
        // first, so that the close is timed alone.
        ::usleep(300'000);
        const Clock::time_point closing = Clock::now();
        xcb_send_event(g_server.Connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(g_server.Connection);
        int status = 0;
        for (int waited = 0; waited < 30'000; ++waited) {
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                run.Close = std::chrono::duration<double>(Clock::now() - closing).count();
                pid = -1;
                break;
            }
            ::usleep(1000);
        }
    }
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return run;
}

double median(std::vector<double> values)
{
    values.erase(std::remove(values.begin(), values.end(), 0.0), values.end());
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Figures {
    double EmptyWindow = 0;
    double NoFiles = 0;
    double WithCache = 0;
    double CloseNoFiles = 0;
    double CloseWithCache = 0;
    double CloseRewritingCache = 0;
    double PlainWrite = 0;
    std::size_t CacheBytes = 0;
};
Figures g_figures;
fs::path g_scratch;

// The program file alone in a folder of its own, so that the files it reads
// and writes beside itself are the benchmark's.
std::string programIn(const std::string& folder)
{
    const fs::path directory = g_scratch / folder;
    fs::create_directories(directory);
    const fs::path copy = directory / "quorrix";
    fs::copy_file(QUORRIX_PROGRAM, copy, fs::copy_options::overwrite_existing);
    return copy.string();
}

// Removes what a close wrote, keeping the program file and the profile file
// (which the close left as it was).
void tidy(const std::string& program, bool keepProfiles)
{
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(program).parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name != "quorrix" && !(keepProfiles && name == "Prof.TXT"))
            fs::remove(entry.path());
    }
}

// The plain write is a safe replacement of a file of the cache's size, as
// the close's save is: the bytes go to a new file, which is synced and takes
// the old one's place by a rename, and the directory is synced. Writing into
// a fresh file alone would leave out the freeing of the old file's blocks,
// which every safe replacement of an existing file pays for.
double plainWriteSeconds(const std::string& bytes)
{
    const std::string path = (g_scratch / "plain.TXT").string();
    const std::string temporary = (g_scratch / ".plain.TXT.new").string();
    const Clock::time_point started = Clock::now();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool written = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    written = written && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (const int dir = ::open(g_scratch.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return written ? seconds : 0;
}

void StartUpAndClose(benchmark::State& state)
{
    const std::string cache = MemberStore::JoinLines(bench::ProfileLines(1'000'000'000, 100'000));
    g_figures.CacheBytes = cache.size();
    const std::string empty = (g_scratch / "empty_window").string();
    fs::copy_file(QUORRIX_EMPTY_WINDOW, empty, fs::copy_options::overwrite_existing);
    std::string lfCache;
    lfCache.reserve(cache.size());
    for (const char c : cache)
        if (c != '\r')
            lfCache += c;
    const std::string bare = programIn("bare");
    const std::string cached = programIn("cached");
    const std::string rewriting = programIn("rewriting");
    const std::string rewritten = (fs::path(rewriting).parent_path() / "Prof.TXT").string();
    qx::ReplaceFileContents((fs::path(cached).parent_path() / "Prof.TXT").string(), cache);
    plainWriteSeconds(cache); // the file each plain write replaces

    for (auto _ : state) {
        std::vector<double> emptyStarts, bareStarts, cachedStarts, bareCloses, cachedCloses, rewritingCloses, writes;
        for (int i = 0; i < kRuns; ++i) {
            emptyStarts.push_back(runOnce(empty, false).Start);
            const Run b = runOnce(bare, true);
            tidy(bare, false);
            const Run c = runOnce(cached, true);
            tidy(cached, true);
            // The close wrote the file with CR LF, which it would leave alone.
            qx::ReplaceFileContents(rewritten, lfCache);
            const Run r = runOnce(rewriting, true);
            tidy(rewriting, false);
            bareStarts.push_back(b.Start);
            bareCloses.push_back(b.Close);
            cachedStarts.push_back(c.Start);
            cachedCloses.push_back(c.Close);
            rewritingCloses.push_back(r.Close);
            writes.push_back(plainWriteSeconds(cache));
        }
        g_figures.EmptyWindow = median(emptyStarts);
        g_figures.NoFiles = median(bareStarts);
        g_figures.WithCache = median(cachedStarts);
        g_figures.CloseNoFiles = median(bareCloses);
        g_figures.CloseWithCache = median(cachedCloses);
        g_figures.CloseRewritingCache = median(rewritingCloses);
        g_figures.PlainWrite = median(writes);
    }
    const Figures& f = g_figures;
    if (f.EmptyWindow == 0 || f.NoFiles == 0 || f.WithCache == 0 || f.CloseNoFiles == 0 || f.CloseWithCache == 0 || f.CloseRewritingCache == 0)
        state.SkipWithError("a start or a close did not complete");
    state.counters["empty_ms"] = f.EmptyWindow * 1e3;
    state.counters["nofiles_ms"] = f.NoFiles * 1e3;
    state.counters["cache_ms"] = f.WithCache * 1e3;
    state.counters["close_ms"] = f.CloseNoFiles * 1e3;
    state.counters["close_cache_ms"] = f.CloseWithCache * 1e3;
    state.counters["close_rewrite_ms"] = f.CloseRewritingCache * 1e3;
    state.counters["write_ms"] = f.PlainWrite * 1e3;
}
BENCHMARK(StartUpAndClose)->Unit(benchmark::kMillisecond)->Iterations(1);

std::string ratio(double value, const char* extra = "")
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2fx%s", value, extra);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    std::string scratch = (fs::temp_directory_path() / "quorrix-start-XXXXXX").string();
    if (!::mkdtemp(scratch.data())) {
        std::perror("mkdtemp");
        return 2;
    }
    g_scratch = scratch;
    if (!startServer()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        stopServer();
        return 2;
    }
    const int result = bench::RunBenchmarks(argc, argv, [](bench::BenchSummary& summary) {
        const Figures& f = g_figures;
        if (f.EmptyWindow > 0 && f.NoFiles > 0)
            summary.Row("start, no files vs an empty Qt window", "<= 1.30x",
                        ratio(f.NoFiles / f.EmptyWindow, (" (" + bench::FormatSeconds(f.NoFiles) + " vs " + bench::FormatSeconds(f.EmptyWindow) + ")").c_str()),
                        f.NoFiles / f.EmptyWindow <= 1.3);
        if (f.NoFiles > 0 && f.WithCache > 0)
            summary.Row("start, 31 MB cache vs no files", "<= 1.25x",
                        ratio(f.WithCache / f.NoFiles, (" (+" + bench::FormatSeconds(f.WithCache - f.NoFiles) + ")").c_str()),
                        f.WithCache / f.NoFiles <= 1.25);
        if (f.CloseNoFiles > 0 && f.CloseWithCache > 0 && f.PlainWrite > 0) {
            const double added = f.CloseWithCache - f.CloseNoFiles;
            summary.Row("close, cache's share vs plain write+fsync", "<= 1.10x",
                        ratio(added / f.PlainWrite, (" (+" + bench::FormatSeconds(added) + " vs " + bench::FormatSeconds(f.PlainWrite) + ")").c_str()),
                        added <= 1.1 * f.PlainWrite);
        }
        if (f.CloseNoFiles > 0 && f.CloseRewritingCache > 0 && f.PlainWrite > 0) {
            const double added = f.CloseRewritingCache - f.CloseNoFiles;
            summary.Row("close, cache that must be written vs plain write+fsync", "<= 1.10x",
                        ratio(added / f.PlainWrite, (" (+" + bench::FormatSeconds(added) + " vs " + bench::FormatSeconds(f.PlainWrite) + ")").c_str()),
                        added <= 1.1 * f.PlainWrite);
        }
    });
    stopServer();
    fs::remove_all(g_scratch);
    return result;
}
