#pragma once
// The bytes of a member store's lines: the loaded file's bytes in one block,
// then blocks for the lines added or changed while the program runs. A line
// is named by its offset in the blocks laid end to end and its size; blocks
// never move, and only the last one grows, up to the room it was made with.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The storage of a block. Blocks of megabytes are mapped on their own and
// backed by huge pages where the system offers them, since faulting in a
// large file's bytes page by page costs more than reading them; only the
// whole huge pages inside the block get them, so that the memory resident
// stays the block's size.
struct BlockRelease {
    char* Mapping = nullptr;
    std::size_t Mapped = 0;
    void operator()(char* data) const;
};
using BlockData = std::unique_ptr<char[], BlockRelease>;
// Room for size bytes, left uninitialised.
BlockData AllocateBlock(std::size_t size);

class LineBytes {
public:
    LineBytes() = default;
    LineBytes(const LineBytes& other);
    LineBytes& operator=(const LineBytes& other);
    LineBytes(LineBytes&&) noexcept = default;
    LineBytes& operator=(LineBytes&&) noexcept = default;

    // Replaces everything by one block, the first size bytes of data.
    // Throws std::length_error when size passes the offsets' limit.
    void Adopt(BlockData data, std::size_t size);
    // Copies text after everything else; returns its offset. Throws
    // std::length_error when the offsets would pass their limit (4 GiB).
    std::uint32_t Add(std::string_view text);
    std::string_view View(std::uint32_t offset, std::uint32_t size) const;
    // The first block (the loaded file), whole.
    std::string_view FirstBlock() const;
    void Clear();

private:
    struct Block {
        BlockData Data;
        std::uint32_t Base = 0;
        std::uint32_t Size = 0;
        std::uint32_t Room = 0;
    };
    std::uint32_t end() const;
    std::vector<Block> m_blocks;
};
