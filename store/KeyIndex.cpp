#include "KeyIndex.h"

#include <bit>
#include <cassert>

namespace {

// Most entries within four fifths of the table keep the probe runs short.
std::size_t roomFor(std::size_t keys)
{
    return std::bit_ceil(std::max<std::size_t>(16, keys + keys / 4 + 1));
}

} // namespace

void KeyIndex::Reset(std::size_t keys, std::size_t slotLimit)
{
    const std::size_t room = roomFor(keys);
    m_entries.assign(room, 0);
    m_mask = room - 1;
    m_used = 0;
    // Room for twice the slots asked for, so that a growing store rarely
    // outgrows the slot bits before it outgrows the table.
    const int bits = std::min(32, static_cast<int>(std::bit_width(std::max<std::size_t>(slotLimit, room) * 2)));
    m_slotMask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
}

void KeyIndex::Clear()
{
    std::vector<std::uint32_t>().swap(m_entries);
    m_mask = 0;
    m_used = 0;
    m_slotMask = 0;
}

void KeyIndex::place(std::uint32_t entry, std::uint64_t hash)
{
    std::size_t i = hash & m_mask;
    while (m_entries[i] != 0)
        i = (i + 1) & m_mask;
    m_entries[i] = entry;
    ++m_used;
}

void KeyIndex::regrow(std::size_t keys, std::size_t slotLimit, const HashOfSlot& hashOf)
{
    std::vector<std::uint32_t> old;
    old.swap(m_entries);
    const std::uint32_t oldMask = m_slotMask;
    Reset(keys, slotLimit);
    for (const std::uint32_t entry : old) {
        if (entry == 0)
            continue;
        const int slot = static_cast<int>((entry & oldMask) - 1);
        const std::uint64_t hash = hashOf(slot);
        place(entryOf(hash, slot), hash);
    }
}

void KeyIndex::Add(std::uint64_t hash, int slot, const HashOfSlot& hashOf)
{
    const auto needed = static_cast<std::size_t>(slot) + 1;
    if (m_entries.empty())
        Reset(1, needed);
    else if (roomFor(m_used + 1) > m_entries.size() || needed > m_slotMask)
        regrow(roomFor(m_used + 1) > m_entries.size() ? m_entries.size() : m_used + 1, std::max<std::size_t>(needed, m_slotMask / 2), hashOf);
    place(entryOf(hash, slot), hash);
}

void KeyIndex::Remove(std::uint64_t hash, int slot, const HashOfSlot& hashOf)
{
    const std::uint32_t wanted = entryOf(hash, slot);
    std::size_t hole = hash & m_mask;
    while (m_entries[hole] != wanted) {
        assert(m_entries[hole] != 0);
        hole = (hole + 1) & m_mask;
    }
    // Each later entry of the run moves into the hole unless its own home
    // lies after the hole, where a search for it starts past the hole.
    for (std::size_t next = (hole + 1) & m_mask; m_entries[next] != 0; next = (next + 1) & m_mask) {
        const std::uint32_t entry = m_entries[next];
        const std::size_t home = hashOf(static_cast<int>((entry & m_slotMask) - 1)) & m_mask;
        const bool stays = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (stays)
            continue;
        m_entries[hole] = entry;
        hole = next;
    }
    m_entries[hole] = 0;
    --m_used;
}
