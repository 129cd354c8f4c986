#pragma once
// A flat open-addressing table from the hashes of folded keys to the slots
// of a member store that hold them: one 32-bit entry per line, no node per
// key. Lines with equal keys each have their own entry, so the first of them
// is the lowest slot among the entries whose key matches. An entry holds the
// slot and, in the bits the slots leave free, a few bits of the key's hash,
// so that most other keys met while probing are passed over without looking
// at their lines. The table never holds a removed slot: a removal moves the
// later entries of its run back instead of leaving a marker.

#include <cstdint>
#include <functional>
#include <vector>

class KeyIndex {
public:
    // The hash of a slot's key, for moving entries when the table regrows or
    // closes the gap left by a removal.
    using HashOfSlot = std::function<std::uint64_t(int slot)>;

    // An empty table with room for keys entries of slots below slotLimit.
    void Reset(std::size_t keys, std::size_t slotLimit);
    void Clear();

    void Add(std::uint64_t hash, int slot, const HashOfSlot& hashOf);
    // Removes slot, which must stand in the table under hash.
    void Remove(std::uint64_t hash, int slot, const HashOfSlot& hashOf);

    // The lowest slot under hash for which matches(slot) holds, or -1.
    template <typename Matches>
    int First(std::uint64_t hash, const Matches& matches) const
    {
        if (m_entries.empty())
            return -1;
        const std::uint32_t tag = tagOf(hash);
        int best = -1;
        for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            const std::uint32_t entry = m_entries[i];
            if (entry == 0)
                return best;
            if ((entry & ~m_slotMask) != tag)
                continue;
            const int slot = static_cast<int>((entry & m_slotMask) - 1);
            if ((best < 0 || slot < best) && matches(slot))
                best = slot;
        }
    }

    std::size_t MemoryBytes() const { return m_entries.capacity() * sizeof(std::uint32_t); }

private:
    std::uint32_t tagOf(std::uint64_t hash) const { return static_cast<std::uint32_t>(hash >> 32) & ~m_slotMask; }
    std::uint32_t entryOf(std::uint64_t hash, int slot) const { return tagOf(hash) | static_cast<std::uint32_t>(slot + 1); }
    void place(std::uint32_t entry, std::uint64_t hash);
    void regrow(std::size_t keys, std::size_t slotLimit, const HashOfSlot& hashOf);

    std::vector<std::uint32_t> m_entries;
    std::size_t m_mask = 0;
    std::size_t m_used = 0;
    // The low bits of an entry: slot + 1, 0 for an empty entry.
    std::uint32_t m_slotMask = 0;
};
