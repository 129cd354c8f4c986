#include "LineBytes.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <sys/mman.h>

namespace {

constexpr std::size_t kSmallestBlock = 64 * 1024;
constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;
constexpr std::uint64_t kOffsetLimit = std::numeric_limits<std::uint32_t>::max() - 1;

constexpr std::size_t kHugePage = 2 << 20;
constexpr std::size_t kMappedBlock = 4 << 20;

} // namespace

void BlockRelease::operator()(char* data) const
{
    if (Mapped)
        ::munmap(Mapping, Mapped);
    else
        delete[] data;
}

BlockData AllocateBlock(std::size_t size)
{
    if (size >= kMappedBlock) {
        const std::size_t mapped = size + kHugePage;
        void* mapping = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapping != MAP_FAILED) {
            const auto start = (reinterpret_cast<std::uintptr_t>(mapping) + kHugePage - 1) & ~(kHugePage - 1);
            char* const data = reinterpret_cast<char*>(start);
            const std::size_t huge = size & ~(kHugePage - 1);
#ifdef MADV_HUGEPAGE
            ::madvise(data, huge, MADV_HUGEPAGE);
#endif
            return BlockData(data, BlockRelease{static_cast<char*>(mapping), mapped});
        }
    }
    return BlockData(new char[std::max<std::size_t>(size, 1)]);
}

LineBytes::LineBytes(const LineBytes& other)
{
    *this = other;
}

LineBytes& LineBytes::operator=(const LineBytes& other)
{
    if (this == &other)
        return *this;
    std::vector<Block> blocks;
    blocks.reserve(other.m_blocks.size());
    for (const Block& block : other.m_blocks) {
        Block copy{AllocateBlock(block.Room), block.Base, block.Size, block.Room};
        std::memcpy(copy.Data.get(), block.Data.get(), block.Size);
        blocks.push_back(std::move(copy));
    }
    m_blocks = std::move(blocks);
    return *this;
}

std::uint32_t LineBytes::end() const
{
    return m_blocks.empty() ? 0 : m_blocks.back().Base + m_blocks.back().Size;
}

void LineBytes::Adopt(BlockData data, std::size_t size)
{
    if (size > kOffsetLimit)
        throw std::length_error("LineBytes: more than 4 GiB of lines");
    m_blocks.clear();
    if (!data)
        data = AllocateBlock(1);
    const auto room = static_cast<std::uint32_t>(size);
    m_blocks.push_back({std::move(data), 0, room, room});
}

std::uint32_t LineBytes::Add(std::string_view text)
{
    if (m_blocks.empty() || m_blocks.back().Room - m_blocks.back().Size < text.size()) {
        // Blocks grow with the bytes already held, so a store that grows by
        // many small lines makes few blocks, and one that grows little wastes
        // little room.
        const std::uint64_t base = end();
        const std::size_t room = std::max({kSmallestBlock, std::min<std::size_t>(base / 4, kLargestBlock), text.size()});
        if (base + room > kOffsetLimit)
            throw std::length_error("LineBytes: more than 4 GiB of lines");
        m_blocks.push_back({AllocateBlock(room), static_cast<std::uint32_t>(base), 0, static_cast<std::uint32_t>(room)});
    }
    Block& block = m_blocks.back();
    if (!text.empty())
        std::memcpy(block.Data.get() + block.Size, text.data(), text.size());
    const std::uint32_t offset = block.Base + block.Size;
    block.Size += static_cast<std::uint32_t>(text.size());
    return offset;
}

std::string_view LineBytes::View(std::uint32_t offset, std::uint32_t size) const
{
    // Nearly always the first block or the last one.
    const Block* block = &m_blocks.front();
    if (offset >= block->Base + block->Size && m_blocks.size() > 1) {
        block = &m_blocks.back();
        if (offset < block->Base)
            block = &*(std::upper_bound(m_blocks.begin(), m_blocks.end(), offset, [](std::uint32_t at, const Block& b) { return at < b.Base; }) - 1);
    }
    return {block->Data.get() + (offset - block->Base), size};
}

std::string_view LineBytes::FirstBlock() const
{
    return m_blocks.empty() ? std::string_view() : std::string_view(m_blocks.front().Data.get(), m_blocks.front().Size);
}

void LineBytes::Clear()
{
    m_blocks.clear();
}
