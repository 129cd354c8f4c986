#pragma once
// The watch: while it runs, the list is refreshed by itself once every
// interval, and a list fill that shows friends (face 1) whom the fill before
// it did not show is worth a notice. Plain C++ over byte strings: it knows no
// widgets and no timers. The window calls Tick once a second and refreshes
// when told to, and hands every fill to FriendsNewlyListed.

#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

class Watch {
public:
    static constexpr int MinInterval = 30;
    static constexpr int MaxInterval = 3600;
    static constexpr int DefaultInterval = 180;
    static constexpr int FriendFace = 1;
    // How many numbers a notice names before it only counts the rest.
    static constexpr std::size_t NamedInNotice = 5;

    // Starts the count anew from the interval; also when already running.
    void Start();
    void Stop();
    bool Running() const { return m_running; }

    // Seconds between two refreshes, at least 1; a running count starts
    // anew with it.
    void SetInterval(int seconds);
    int Interval() const { return m_interval; }

    // A refresh by hand: a running count starts anew; a stopped watch stays
    // stopped.
    void Restart();

    // One second has passed. True when a refresh is due now and no list fetch
    // is running; a due refresh during a running fetch is skipped. Either way
    // the count starts anew once it has run out.
    bool Tick(bool fetching);

    // Seconds until the next refresh; 0 while stopped.
    int SecondsLeft() const { return m_running ? m_left : 0; }

    // Notes the numbers one fill listed, each with its face, and gives the
    // friends among them that the fill before did not list, in list order,
    // each once. Numbers compare without regard to letter case, as the member
    // stores compare them. The first fill of a run counts every friend.
    std::vector<std::string> FriendsNewlyListed(const std::vector<std::pair<std::string_view, int>>& listed);

private:
    bool m_running = false;
    int m_interval = DefaultInterval;
    int m_left = DefaultInterval;
    std::unordered_set<std::string> m_listedBefore; // case-folded numbers
};

// The seconds left as panel 3 shows them: "180秒". Code page 932 bytes.
std::string CountdownText(int seconds);

// The body of the notice for friends who came online: their numbers, one a
// line, the first five only, then "ほか N 人" for the rest. Code page 932
// bytes, the numbers as the page gave them.
std::string FriendsNoticeBody(const std::vector<std::string>& numbers);
