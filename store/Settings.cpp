#include "Settings.h"

#include "AnsiText.h"
#include "Text.h"

#include <algorithm>

namespace {

constexpr std::string_view kProxy = "Proxy";
constexpr std::string_view kUrlList = "URLLIST";
constexpr std::string_view kWatch = "WATCH";
constexpr std::size_t kMaxStoredAddress = 99;
constexpr std::size_t kMaxWrittenAddresses = 10;

} // namespace

ProxySettings ReadProxySettings(const IniFile& ini)
{
    ProxySettings proxy;
    proxy.Use = qx::StrToIntDef(ini.ReadString(kProxy, "USE", "0"), 0) != 0;
    proxy.Addr = ini.ReadString(kProxy, "ADDR", proxy.Addr);
    proxy.Port = ini.ReadString(kProxy, "PORT", proxy.Port);
    return proxy;
}

WatchSettings ReadWatchSettings(const IniFile& ini)
{
    WatchSettings watch;
    watch.Use = qx::StrToIntDef(ini.ReadString(kWatch, "USE", ""), watch.Use ? 1 : 0) != 0;
    watch.Interval = std::clamp(qx::StrToIntDef(ini.ReadString(kWatch, "INTERVAL", ""), watch.Interval), WatchSettings::MinInterval,
                                WatchSettings::MaxInterval);
    watch.Notify = qx::StrToIntDef(ini.ReadString(kWatch, "NOTIFY", ""), watch.Notify ? 1 : 0) != 0;
    return watch;
}

void WriteWatchSettings(IniFile& ini, const WatchSettings& watch)
{
    ini.WriteString(kWatch, "USE", watch.Use ? "1" : "0");
    ini.WriteString(kWatch, "INTERVAL", std::to_string(watch.Interval));
    ini.WriteString(kWatch, "NOTIFY", watch.Notify ? "1" : "0");
}

std::vector<std::string> ReadAddressHistory(const IniFile& ini)
{
    std::vector<std::string> history;
    for (const auto& [key, value] : ini.ReadSection(kUrlList))
        if (!value.empty())
            history.push_back(value.substr(0, kMaxStoredAddress));
    return history;
}

void WriteSettings(IniFile& ini, const ProxySettings& proxy, const std::vector<std::string>& history)
{
    ini.WriteString(kProxy, "USE", proxy.Use ? "1" : "0");
    ini.WriteString(kProxy, "ADDR", proxy.Addr);
    ini.WriteString(kProxy, "PORT", proxy.Port);
    for (std::size_t i = 0; i < history.size() && i < kMaxWrittenAddresses; ++i)
        ini.WriteString(kUrlList, "URL" + std::to_string(i), history[i]);
}

bool RememberAddress(std::vector<std::string>& items, std::string_view text)
{
    if (text.empty())
        return false;
    for (const std::string& item : items)
        if (qx::AnsiSameText(item, text))
            return false;
    items.insert(items.begin(), std::string(text));
    return true;
}
