#include "SlotPositions.h"

#include <bit>
#include <cassert>

namespace {

int lowestBit(int i)
{
    return i & -i;
}

} // namespace

void SlotPositions::Append()
{
    const int i = static_cast<int>(m_tree.size());
    int count = 1;
    for (int step = 1; step < lowestBit(i); step <<= 1)
        count += m_tree[static_cast<std::size_t>(i - step)];
    m_tree.push_back(count);
}

void SlotPositions::Remove(int slot)
{
    const int size = static_cast<int>(m_tree.size()) - 1;
    for (int i = slot + 1; i <= size; i += lowestBit(i))
        --m_tree[static_cast<std::size_t>(i)];
}

int SlotPositions::PositionOf(int slot) const
{
    int count = 0;
    for (int i = slot; i > 0; i -= lowestBit(i))
        count += m_tree[static_cast<std::size_t>(i)];
    return count;
}

int SlotPositions::SlotAt(int position) const
{
    const int size = static_cast<int>(m_tree.size()) - 1;
    int at = 0;
    int remaining = position + 1;
    for (int step = size > 0 ? static_cast<int>(std::bit_floor(static_cast<unsigned>(size))) : 0; step > 0; step >>= 1) {
        const int next = at + step;
        if (next <= size && m_tree[static_cast<std::size_t>(next)] < remaining) {
            at = next;
            remaining -= m_tree[static_cast<std::size_t>(next)];
        }
    }
    assert(at < size);
    return at;
}

void SlotPositions::Clear()
{
    m_tree.assign(1, 0);
}

void SlotPositions::Fill(int slots)
{
    // With every slot live, each node counts exactly the range it covers.
    m_tree.resize(static_cast<std::size_t>(slots) + 1);
    m_tree[0] = 0;
    for (int i = 1; i <= slots; ++i)
        m_tree[static_cast<std::size_t>(i)] = lowestBit(i);
}
