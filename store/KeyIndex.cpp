#include "KeyIndex.h"

#include <cassert>

void KeyIndex::Add(const std::string& key, int slot)
{
    const auto at = static_cast<std::size_t>(slot);
    if (m_next.size() <= at) {
        m_next.resize(at + 1, -1);
        m_previous.resize(at + 1, -1);
    }
    const auto [found, inserted] = m_chains.try_emplace(key, Chain{slot, slot});
    if (inserted) {
        m_next[at] = m_previous[at] = -1;
        return;
    }
    Chain& chain = found->second;
    // New lines come last, so the walk usually stops at once.
    int before = chain.last;
    while (before >= 0 && before > slot)
        before = m_previous[static_cast<std::size_t>(before)];
    assert(before != slot);
    if (before < 0) {
        m_previous[at] = -1;
        m_next[at] = chain.first;
        m_previous[static_cast<std::size_t>(chain.first)] = slot;
        chain.first = slot;
        return;
    }
    const int after = m_next[static_cast<std::size_t>(before)];
    m_previous[at] = before;
    m_next[at] = after;
    m_next[static_cast<std::size_t>(before)] = slot;
    if (after >= 0)
        m_previous[static_cast<std::size_t>(after)] = slot;
    else
        chain.last = slot;
}

void KeyIndex::Remove(const std::string& key, int slot)
{
    const auto found = m_chains.find(key);
    assert(found != m_chains.end());
    Chain& chain = found->second;
    const auto at = static_cast<std::size_t>(slot);
    const int before = m_previous[at];
    const int after = m_next[at];
    if (before >= 0)
        m_next[static_cast<std::size_t>(before)] = after;
    else
        chain.first = after;
    if (after >= 0)
        m_previous[static_cast<std::size_t>(after)] = before;
    else
        chain.last = before;
    m_next[at] = m_previous[at] = -1;
    if (chain.first < 0)
        m_chains.erase(found);
}

int KeyIndex::First(const std::string& key) const
{
    const auto found = m_chains.find(key);
    return found == m_chains.end() ? -1 : found->second.first;
}

void KeyIndex::Clear()
{
    m_chains.clear();
    m_next.clear();
    m_previous.clear();
}
