#include "Watch.h"

#include "AnsiText.h"

#include <algorithm>
#include <cassert>

namespace {

constexpr std::string_view kSeconds = "\x95\x62"; // 秒
constexpr std::string_view kOthersBefore = "\x82\xd9\x82\xa9 "; // ほか + blank
constexpr std::string_view kOthersAfter = " \x90\x6c"; // blank + 人

} // namespace

void Watch::Start()
{
    m_running = true;
    m_left = m_interval;
}

void Watch::Stop()
{
    m_running = false;
}

void Watch::SetInterval(int seconds)
{
    assert(seconds >= 1);
    m_interval = seconds < 1 ? 1 : seconds;
    m_left = m_interval;
}

void Watch::Restart()
{
    m_left = m_interval;
}

bool Watch::Tick(bool fetching)
{
    if (!m_running)
        return false;
    if (--m_left > 0)
        return false;
    m_left = m_interval;
    return !fetching;
}

std::vector<std::string> Watch::FriendsNewlyListed(const std::vector<std::pair<std::string_view, int>>& listed)
{
    std::unordered_set<std::string> now;
    std::vector<std::string> arrived;
    for (const auto& [number, face] : listed) {
        std::string key = qx::AnsiFoldCase(number);
        const bool first = now.insert(key).second;
        if (first && face == FriendFace && !m_listedBefore.contains(key))
            arrived.emplace_back(number);
    }
    m_listedBefore = std::move(now);
    return arrived;
}

std::string CountdownText(int seconds)
{
    return std::to_string(seconds) + std::string(kSeconds);
}

std::string FriendsNoticeBody(const std::vector<std::string>& numbers)
{
    std::string body;
    const std::size_t named = std::min(numbers.size(), Watch::NamedInNotice);
    for (std::size_t i = 0; i < named; ++i) {
        if (i > 0)
            body += '\n';
        body += numbers[i];
    }
    if (numbers.size() > named)
        body += '\n' + std::string(kOthersBefore) + std::to_string(numbers.size() - named) + std::string(kOthersAfter);
    return body;
}
