#pragma once
// The positions of a member store's lines over their slots. Slots are only
// ever added at the end and a removed slot stays empty, so a line's position
// is the number of live slots before its own. A Fenwick tree over the live
// marks answers both directions in logarithmic time.

#include <vector>

class SlotPositions {
public:
    // Adds a live slot after the last one.
    void Append();
    // Marks a live slot as removed.
    void Remove(int slot);
    // Number of live slots before slot.
    int PositionOf(int slot) const;
    // The live slot at position (0-based); position must be below the number
    // of live slots.
    int SlotAt(int position) const;
    void Clear();
    // Replaces the content by slots live slots.
    void Fill(int slots);

private:
    // 1-based: m_tree[i] counts the live slots i - lowbit(i) .. i - 1.
    std::vector<int> m_tree{0};
};
