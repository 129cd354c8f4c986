#pragma once
// The program's settings as they stand in its settings file: the HTTP proxy
// ("Proxy": USE, ADDR, PORT), the watch that refreshes the list by itself
// ("WATCH": USE, INTERVAL, NOTIFY) and the history of list addresses
// ("URLLIST").

#include "IniFile.h"

#include <string>
#include <string_view>
#include <vector>

struct ProxySettings {
    bool Use = false;
    std::string Addr = "10.0.0.1";
    std::string Port = "8080";
};

// USE is on when it reads as a non-zero integer; a key that is present but
// empty reads as empty, not as its default.
ProxySettings ReadProxySettings(const IniFile& ini);

struct WatchSettings {
    static constexpr int MinInterval = 30;
    static constexpr int MaxInterval = 3600;
    bool Use = false;
    int Interval = 180; // seconds
    bool Notify = true;
};

// A missing value, or one that is not a 32-bit integer, takes its default; USE and
// NOTIFY are on when non-zero; an INTERVAL outside 30 to 3600 is brought to
// the nearer bound.
WatchSettings ReadWatchSettings(const IniFile& ini);

// USE and NOTIFY as "1" or "0", INTERVAL in decimal.
void WriteWatchSettings(IniFile& ini, const WatchSettings& watch);

// Every non-empty value of "URLLIST" in file order, cut to its first 99
// bytes; key names are not looked at.
std::vector<std::string> ReadAddressHistory(const IniFile& ini);

// USE as "1" or "0", ADDR and PORT as they are, then URL0 to URL9 from the
// first ten addresses of history. Other keys of "URLLIST" stay as they were.
void WriteSettings(IniFile& ini, const ProxySettings& proxy, const std::vector<std::string>& history);

// Puts text at the front of items unless it is empty or an item equals it
// without regard to letter case; true when it was added.
bool RememberAddress(std::vector<std::string>& items, std::string_view text);
