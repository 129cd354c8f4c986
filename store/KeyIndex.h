#pragma once
// For each key, the slots of a member store that hold it, in slot order, so
// that the first slot of a key is found without looking at any other key.
// A slot is a line's place of its own that never moves while the line lives;
// adding, removing and re-keying one slot costs the same however many slots
// there are (re-keying walks only past the later slots of the same key).

#include <string>
#include <unordered_map>
#include <vector>

class KeyIndex {
public:
    // Adds slot under key, in slot order among the key's other slots.
    void Add(const std::string& key, int slot);
    // Removes slot, which must stand under key.
    void Remove(const std::string& key, int slot);
    // The lowest slot under key, or -1.
    int First(const std::string& key) const;
    void Clear();

private:
    struct Chain {
        int first;
        int last;
    };
    std::unordered_map<std::string, Chain> m_chains;
    // The neighbours of each slot in its key's chain, -1 at the ends.
    std::vector<int> m_next;
    std::vector<int> m_previous;
};
