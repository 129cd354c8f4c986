#include "MemberStore.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileContents.h"

#include <cassert>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kCannotOpen = "\x83\x74\x83\x40\x83\x43\x83\x8B %s \x82\xCD\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1"; // ファイル %s は開けません
constexpr std::string_view kCannotCreate = "\x83\x74\x83\x40\x83\x43\x83\x8B %s \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"; // ファイル %s を作成できません
constexpr std::string_view kCannotWrite = "\x83\x58\x83\x67\x83\x8A\x81\x5B\x83\x80\x82\xD6\x82\xCC\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x83\x47\x83\x89\x81\x5B"; // ストリームへの書き込みエラー

// Escapes of the file form, and the bytes they stand for.
struct Escape {
    std::string_view text;
    char byte;
};
constexpr Escape kEscapes[] = {{"<#60>", '<'}, {"<#13>", '\r'}, {"<#10>", '\n'}, {"<#0>", '\0'}};

bool contains(std::string_view line, char byte)
{
    return !line.empty() && std::memchr(line.data(), byte, line.size()) != nullptr;
}

// Profile texts are long and almost never hold these bytes, so each is
// looked for with memchr, and the escapes only when a "<" is there at all.
bool needsEscapes(std::string_view line)
{
    if (contains(line, '\r') || contains(line, '\n') || contains(line, '\0'))
        return true;
    if (!contains(line, '<'))
        return false;
    for (const Escape& e : kEscapes)
        if (line.find(e.text) != std::string_view::npos)
            return true;
    return false;
}

const Escape* escapeOf(char c)
{
    for (const Escape& e : kEscapes)
        if (e.byte == c)
            return &e;
    return nullptr;
}

std::size_t escapedSize(std::string_view line)
{
    std::size_t size = 0;
    for (const char c : line) {
        const Escape* escape = escapeOf(c);
        size += escape ? escape->text.size() : 1;
    }
    return size;
}

char* writeEscaped(char* out, std::string_view line)
{
    for (const char c : line) {
        if (const Escape* escape = escapeOf(c)) {
            std::memcpy(out, escape->text.data(), escape->text.size());
            out += escape->text.size();
        } else {
            *out++ = c;
        }
    }
    return out;
}

// Replaces the escapes of a line read from a file by their bytes, in place:
// the text only ever shrinks. Returns the new size.
std::size_t unescapeInPlace(char* line, std::size_t size)
{
    const std::string_view text(line, size);
    std::size_t from = text.find("<#");
    if (from == std::string_view::npos)
        return size;
    std::size_t to = from;
    while (from < size) {
        const std::size_t at = text.find("<#", from);
        const std::size_t plain = (at == std::string_view::npos ? size : at) - from;
        std::memmove(line + to, line + from, plain);
        to += plain;
        from += plain;
        if (at == std::string_view::npos)
            break;
        const Escape* found = nullptr;
        for (const Escape& e : kEscapes)
            if (text.substr(at, e.text.size()) == e.text)
                found = &e;
        line[to++] = found ? found->byte : '<';
        from += found ? found->text.size() : 1;
    }
    return to;
}

// The first byte at or after from that can end a line, end the text or
// start an escape: CR, LF, NUL or "<"; other control bytes below CR may be
// reported too, and are passed over by the caller. Profile texts are long
// and hold none of these but their line end, so they are looked for
// together, many bytes at a time. No byte of a double-byte character is
// below 0x40.
std::size_t findSpecialScalar(const char* text, std::size_t from, std::size_t end)
{
    for (; from < end; ++from) {
        const auto c = static_cast<unsigned char>(text[from]);
        if (c <= '\r' || c == '<')
            return from;
    }
    return end;
}

#if defined(__x86_64__)
__attribute__((target("avx512bw"))) std::size_t findSpecialAvx512(const char* text, std::size_t from, std::size_t end)
{
    const __m512i cr = _mm512_set1_epi8('\r');
    const __m512i lt = _mm512_set1_epi8('<');
    for (; from + 64 <= end; from += 64) {
        const __m512i v = _mm512_loadu_si512(text + from);
        if (const __mmask64 hits = _mm512_cmple_epu8_mask(v, cr) | _mm512_cmpeq_epi8_mask(v, lt))
            return from + static_cast<std::size_t>(__builtin_ctzll(hits));
    }
    return findSpecialScalar(text, from, end);
}

__attribute__((target("avx2"))) std::size_t findSpecialAvx2(const char* text, std::size_t from, std::size_t end)
{
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lt = _mm256_set1_epi8('<');
    for (; from + 32 <= end; from += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + from));
        const __m256i hits = _mm256_or_si256(_mm256_cmpeq_epi8(_mm256_min_epu8(v, cr), v), _mm256_cmpeq_epi8(v, lt));
        if (const int bits = _mm256_movemask_epi8(hits))
            return from + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(bits)));
    }
    return findSpecialScalar(text, from, end);
}

std::size_t findSpecialSse2(const char* text, std::size_t from, std::size_t end)
{
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lt = _mm_set1_epi8('<');
    for (; from + 16 <= end; from += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + from));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(v, cr), v), _mm_cmpeq_epi8(v, lt));
        if (const int bits = _mm_movemask_epi8(hits))
            return from + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(bits)));
    }
    return findSpecialScalar(text, from, end);
}

const auto findSpecial = __builtin_cpu_supports("avx512bw") ? findSpecialAvx512
                         : __builtin_cpu_supports("avx2")   ? findSpecialAvx2
                                                            : findSpecialSse2;
#else
const auto findSpecial = findSpecialScalar;
#endif

// Cuts the file form into lines as its bytes arrive, so that each part is
// split while it is still in the cache. For every line it calls
// line(start, end, next, hasLt): the line's bytes are [start, end), the next
// line starts at next, and hasLt tells whether a "<" is among its bytes.
class Splitter {
public:
    // The bytes [0, available) are there; more follow unless last. Returns
    // false once the text has ended at a NUL.
    template <typename Line>
    bool Feed(const char* text, std::size_t available, bool last, const Line& line)
    {
        while (!m_ended) {
            const std::size_t at = findSpecial(text, m_scan, available);
            if (at == available) {
                m_scan = available;
                if (last) {
                    if (m_start < available)
                        line(m_start, available, available, m_hasLt);
                    m_ended = true;
                    m_end = available;
                }
                break;
            }
            const char c = text[at];
            if (c != '<' && c != '\r' && c != '\n' && c != '\0') {
                m_scan = at + 1;
                continue;
            }
            if (c == '<') {
                m_hasLt = true;
                m_scan = at + 1;
                continue;
            }
            if (c == '\0') {
                if (m_start < at)
                    line(m_start, at, at, m_hasLt);
                m_ended = true;
                m_end = at;
                break;
            }
            std::size_t next = at + 1;
            if (c == '\r') {
                // Whether an LF follows is not known yet.
                if (next == available && !last) {
                    m_scan = at;
                    break;
                }
                if (next < available && text[next] == '\n')
                    ++next;
            }
            line(m_start, at, next, m_hasLt);
            m_start = m_scan = next;
            m_hasLt = false;
        }
        return !m_ended;
    }

    // Where the text ended: at its NUL or at the end of the bytes.
    std::size_t End() const { return m_end; }

private:
    std::size_t m_start = 0;
    std::size_t m_scan = 0;
    std::size_t m_end = 0;
    bool m_hasLt = false;
    bool m_ended = false;
};

std::uint64_t foldedHash(std::string_view text)
{
    std::uint64_t h = std::hash<std::string>{}(qx::AnsiFoldCase(text));
    // The table takes its home from the low bits and its tags from the high
    // ones; both must depend on every byte.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

std::string_view nameOf(std::string_view line)
{
    return line.substr(0, line.find('='));
}

bool hasName(std::string_view line)
{
    return line.find('=') != std::string_view::npos;
}

// Reads the file in parts, giving each part to split as soon as it is there
// (split(data, available, last) returns false when it wants no more), into
// one block of the file's size. identity is the file's, when it is a regular
// file that stayed as it was while it was read and whose stamps will show a
// later change.
template <typename Split>
bool readSplitting(const std::string& path, BlockData& data, std::size_t& size, std::optional<qx::FileIdentity>& identity,
                   const Split& split)
{
    constexpr std::size_t kPart = 1 << 20;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    std::size_t room = ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    const std::optional<qx::FileIdentity> before = qx::IdentityOfOpen(fd);
    // One byte more than the file's size tells its end without another read.
    data = AllocateBlock(room + 1);
    size = 0;
    for (;;) {
        if (size == room + 1) {
            // The file grew while it was read.
            room = 2 * room + 4096;
            auto larger = AllocateBlock(room + 1);
            std::memcpy(larger.get(), data.get(), size);
            data = std::move(larger);
        }
        const ssize_t n = ::read(fd, data.get() + size, std::min(kPart, room + 1 - size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) {
            split(data.get(), size, true);
            break;
        }
        size += static_cast<std::size_t>(n);
        if (!split(data.get(), size, false))
            break;
    }
    const std::optional<qx::FileIdentity> after = qx::IdentityOfOpen(fd);
    identity.reset();
    if (before && after == before && qx::IdentityIsSettled(*after))
        identity = after;
    ::close(fd);
    return true;
}

// Gathers the pieces of a file form and writes them in batches. Each piece
// costs the system about as much as copying a few hundred bytes, so a run of
// bytes is written from where it lies only when it is long; shorter runs,
// and the bytes made for the write, are copied one after the other into a
// small staging buffer, used again for each batch, where they become long
// runs themselves.
class PieceGatherer {
public:
    explicit PieceGatherer(const qx::PieceWriter& write)
        : m_write(write)
        , m_staging(new char[kStaging])
    {
        m_pieces.reserve(kBatch);
    }

    // Bytes that stay where they are until the write.
    void Add(const char* data, std::size_t size)
    {
        if (m_run && m_run + m_runSize == data) {
            m_runSize += size;
            return;
        }
        endRun();
        m_run = data;
        m_runSize = size;
    }

    // size bytes made for the write by fill(out).
    template <typename Fill>
    void Make(std::size_t size, const Fill& fill)
    {
        endRun();
        if (size <= kStaging) {
            fill(stage(size));
            return;
        }
        flush();
        std::string made(size, '\0');
        fill(made.data());
        const std::string_view piece[] = {made};
        m_written = m_written && m_write(piece);
    }

    // Writes what is left; whether every write succeeded.
    bool Finish()
    {
        endRun();
        flush();
        return m_written;
    }

    // Runs shorter than this are copied.
    static constexpr std::size_t kLongRun = 2048;

private:
    static constexpr std::size_t kStaging = 256 * 1024;
    static constexpr std::size_t kBatch = 1024;

    void endRun()
    {
        if (m_runSize >= kLongRun) {
            if (m_pieces.size() == kBatch)
                flush();
            append(m_run, m_runSize);
        } else if (m_runSize > 0) {
            std::memcpy(stage(m_runSize), m_run, m_runSize);
        }
        m_run = nullptr;
        m_runSize = 0;
    }

    char* stage(std::size_t size)
    {
        if (m_staged + size > kStaging || m_pieces.size() == kBatch)
            flush();
        char* const at = m_staging.get() + m_staged;
        m_staged += size;
        append(at, size);
        return at;
    }

    void append(const char* data, std::size_t size)
    {
        // Bytes that follow the last piece in memory lengthen it.
        if (!m_pieces.empty() && m_pieces.back().data() + m_pieces.back().size() == data)
            m_pieces.back() = {m_pieces.back().data(), m_pieces.back().size() + size};
        else
            m_pieces.emplace_back(data, size);
    }

    void flush()
    {
        if (!m_pieces.empty())
            m_written = m_written && m_write(m_pieces);
        m_pieces.clear();
        m_staged = 0;
    }

    const qx::PieceWriter& m_write;
    std::unique_ptr<char[]> m_staging;
    std::size_t m_staged = 0;
    std::vector<std::string_view> m_pieces;
    const char* m_run = nullptr;
    std::size_t m_runSize = 0;
    bool m_written = true;
};

} // namespace

std::string_view MemberStore::view(int slot) const
{
    const Slice& slice = m_slices[static_cast<std::size_t>(slot)];
    return m_bytes.View(slice.Offset, slice.Size);
}

int MemberStore::slotAt(int index) const
{
    if (index < 0 || index >= m_count)
        throw std::out_of_range("MemberStore: line index out of range");
    return m_removed == 0 ? index : m_positions.SlotAt(index);
}

int MemberStore::positionOf(int slot) const
{
    return m_removed == 0 || slot < 0 ? slot : m_positions.PositionOf(slot);
}

std::string_view MemberStore::LineView(int index) const
{
    return view(slotAt(index));
}

std::size_t MemberStore::MemoryBytes() const
{
    return m_liveBytes + m_deadBytes + m_slices.capacity() * sizeof(Slice) + m_names.MemoryBytes() + m_wholeLines.MemoryBytes();
}

std::uint64_t MemberStore::nameHashOf(int slot) const
{
    return foldedHash(nameOf(view(slot)));
}

std::uint64_t MemberStore::lineHashOf(int slot) const
{
    return foldedHash(view(slot));
}

void MemberStore::indexNames() const
{
    if (m_namesIndexed)
        return;
    const auto hashOf = [this](int slot) { return nameHashOf(slot); };
    m_names.Reset(static_cast<std::size_t>(m_count), m_slices.size());
    for (int slot = 0; slot < static_cast<int>(m_slices.size()); ++slot)
        if (live(slot) && hasName(view(slot)))
            m_names.Add(nameHashOf(slot), slot, hashOf);
    m_namesIndexed = true;
}

void MemberStore::indexLines() const
{
    if (m_wholeLinesIndexed)
        return;
    const auto hashOf = [this](int slot) { return lineHashOf(slot); };
    m_wholeLines.Reset(static_cast<std::size_t>(m_count), m_slices.size());
    for (int slot = 0; slot < static_cast<int>(m_slices.size()); ++slot)
        if (live(slot))
            m_wholeLines.Add(lineHashOf(slot), slot, hashOf);
    m_wholeLinesIndexed = true;
}

void MemberStore::resetIndexes()
{
    m_names.Clear();
    m_wholeLines.Clear();
    m_namesIndexed = false;
    m_wholeLinesIndexed = false;
}

int MemberStore::firstNamed(std::string_view name) const
{
    indexNames();
    return m_names.First(foldedHash(name), [&](int slot) { return qx::AnsiSameText(nameOf(view(slot)), name); });
}

int MemberStore::FindName(std::string_view name) const
{
    return positionOf(firstNamed(name));
}

std::string_view MemberStore::ValueOf(std::string_view name) const
{
    const int slot = firstNamed(name);
    if (slot < 0)
        return {};
    const std::string_view line = view(slot);
    return line.substr(line.find('=') + 1);
}

int MemberStore::FindLine(std::string_view text) const
{
    indexLines();
    return positionOf(m_wholeLines.First(foldedHash(text), [&](int slot) { return qx::AnsiSameText(view(slot), text); }));
}

MemberStore::Slice MemberStore::addBytes(std::string_view line)
{
    if (line.size() >= kRemoved)
        throw std::length_error("MemberStore: line too long");
    Slice slice;
    slice.Offset = m_bytes.Add(line);
    slice.Size = static_cast<std::uint32_t>(line.size()) & kRemoved;
    slice.Escaped = needsEscapes(line) ? 1 : 0;
    m_liveBytes += line.size();
    m_fileForm = 0;
    m_loadedFrom.Identity.reset();
    return slice;
}

void MemberStore::PutValue(std::string_view name, std::string_view value)
{
    const int slot = firstNamed(name);
    if (value.empty()) {
        if (slot >= 0) {
            removeSlot(slot);
            compactIfWasteful();
        }
        return;
    }
    std::string line;
    line.reserve(name.size() + 1 + value.size());
    line.append(name).append("=").append(value);
    if (slot < 0) {
        Append(line);
        return;
    }
    // The new line's name folds as the old one's did, so only the whole-line
    // table changes.
    assert(qx::AnsiSameText(nameOf(view(slot)), name));
    const auto hashOf = [this](int s) { return lineHashOf(s); };
    if (m_wholeLinesIndexed)
        m_wholeLines.Remove(lineHashOf(slot), slot, hashOf);
    Slice& old = m_slices[static_cast<std::size_t>(slot)];
    const std::uint32_t oldSize = old.Size;
    old = addBytes(line);
    m_liveBytes -= oldSize;
    m_deadBytes += oldSize;
    if (m_wholeLinesIndexed)
        m_wholeLines.Add(lineHashOf(slot), slot, hashOf);
    compactIfWasteful();
}

int MemberStore::Append(std::string_view line)
{
    const Slice slice = addBytes(line);
    const int slot = static_cast<int>(m_slices.size());
    m_slices.push_back(slice);
    if (m_removed > 0)
        m_positions.Append();
    if (m_namesIndexed && hasName(line))
        m_names.Add(nameHashOf(slot), slot, [this](int s) { return nameHashOf(s); });
    if (m_wholeLinesIndexed)
        m_wholeLines.Add(lineHashOf(slot), slot, [this](int s) { return lineHashOf(s); });
    return m_count++;
}

void MemberStore::RemoveAt(int index)
{
    removeSlot(slotAt(index));
    compactIfWasteful();
}

void MemberStore::removeSlot(int slot)
{
    if (m_namesIndexed && hasName(view(slot)))
        m_names.Remove(nameHashOf(slot), slot, [this](int s) { return nameHashOf(s); });
    if (m_wholeLinesIndexed)
        m_wholeLines.Remove(lineHashOf(slot), slot, [this](int s) { return lineHashOf(s); });
    if (m_removed == 0)
        m_positions.Fill(static_cast<int>(m_slices.size()));
    Slice& removed = m_slices[static_cast<std::size_t>(slot)];
    m_liveBytes -= removed.Size;
    m_deadBytes += removed.Size;
    removed.Size = kRemoved;
    m_positions.Remove(slot);
    --m_count;
    ++m_removed;
    m_fileForm = 0;
    m_loadedFrom.Identity.reset();
}

void MemberStore::compactIfWasteful()
{
    // Once the removed lines outnumber the live ones, or their bytes outweigh
    // the live bytes, packing the lines again costs no more than the changes
    // that led here.
    const bool manySlots = m_removed > 1024 && m_removed > m_count;
    const bool manyBytes = m_deadBytes > (1u << 20) && m_deadBytes > m_liveBytes;
    if (!manySlots && !manyBytes)
        return;
    auto data = AllocateBlock(m_liveBytes + 1);
    std::vector<Slice> slices;
    slices.reserve(static_cast<std::size_t>(m_count));
    std::uint32_t offset = 0;
    for (int slot = 0; slot < static_cast<int>(m_slices.size()); ++slot) {
        if (!live(slot))
            continue;
        const std::string_view line = view(slot);
        std::memcpy(data.get() + offset, line.data(), line.size());
        Slice slice = m_slices[static_cast<std::size_t>(slot)];
        slice.Offset = offset;
        slices.push_back(slice);
        offset += static_cast<std::uint32_t>(line.size());
    }
    m_bytes.Adopt(std::move(data), offset);
    m_fileBlock = false;
    m_slices = std::move(slices);
    m_positions.Clear();
    m_removed = 0;
    m_deadBytes = 0;
    resetIndexes();
}

void MemberStore::Clear()
{
    m_bytes.Clear();
    std::vector<Slice>().swap(m_slices);
    m_positions.Clear();
    m_count = 0;
    m_removed = 0;
    m_liveBytes = 0;
    m_deadBytes = 0;
    m_fileForm = 0;
    m_fileBlock = false;
    m_loadedFrom.Identity.reset();
    resetIndexes();
}

std::vector<std::string> MemberStore::SplitLines(std::string_view bytes)
{
    std::vector<std::string> result;
    Splitter().Feed(bytes.data(), bytes.size(), true, [&](std::size_t start, std::size_t end, std::size_t, bool hasLt) {
        std::string line(bytes.substr(start, end - start));
        if (hasLt)
            line.resize(unescapeInPlace(line.data(), line.size()));
        result.push_back(std::move(line));
    });
    return result;
}

std::string MemberStore::JoinLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += (needsEscapes(line) ? escapedSize(line) : line.size()) + 2;
    std::string out(size, '\0');
    char* at = out.data();
    for (const std::string& line : lines) {
        if (needsEscapes(line)) {
            at = writeEscaped(at, line);
        } else {
            std::memcpy(at, line.data(), line.size());
            at += line.size();
        }
        *at++ = '\r';
        *at++ = '\n';
    }
    return out;
}

void MemberStore::LoadFile(const std::string& path)
{
    MemberStore loaded;
    Splitter splitter;
    bool fileForm = true;
    bool writtenAlike = true;
    BlockData data;
    std::size_t size = 0;
    std::optional<qx::FileIdentity> identity;
    const bool read = readSplitting(path, data, size, identity, [&](char* text, std::size_t available, bool last) {
        return splitter.Feed(text, available, last, [&](std::size_t start, std::size_t end, std::size_t next, bool hasLt) {
            fileForm = loaded.addLoadedLine(text, start, end, next, hasLt, writtenAlike) && fileForm;
        });
    });
    if (!read)
        throw qx::Error(qx::FormatMessage(kCannotOpen, path));
    try {
        loaded.adoptFile(std::move(data), size, fileForm ? splitter.End() : 0);
    } catch (const std::length_error&) {
        throw qx::Error(qx::FormatMessage(kCannotOpen, path));
    }
    // Kept only when saving the store would give the file's bytes again.
    if (identity && writtenAlike && splitter.End() == size && identity->Size == size)
        loaded.m_loadedFrom.Identity = identity;
    *this = std::move(loaded);
}

void MemberStore::LoadText(std::string_view bytes)
{
    MemberStore loaded;
    auto data = AllocateBlock(bytes.size() + 1);
    if (!bytes.empty())
        std::memcpy(data.get(), bytes.data(), bytes.size());
    Splitter splitter;
    bool fileForm = true;
    bool writtenAlike = true;
    splitter.Feed(data.get(), bytes.size(), true, [&](std::size_t start, std::size_t end, std::size_t next, bool hasLt) {
        fileForm = loaded.addLoadedLine(data.get(), start, end, next, hasLt, writtenAlike) && fileForm;
    });
    loaded.adoptFile(std::move(data), bytes.size(), fileForm ? splitter.End() : 0);
    *this = std::move(loaded);
}

bool MemberStore::addLoadedLine(char* text, std::size_t start, std::size_t end, std::size_t next, bool hasLt, bool& writtenAlike)
{
    if (m_slices.empty())
        m_slices.reserve(1024);
    bool asWritten = next == end + 2 && text[end] == '\r';
    writtenAlike = writtenAlike && asWritten;
    Slice slice;
    slice.Offset = static_cast<std::uint32_t>(start);
    std::size_t length = end - start;
    if (hasLt) {
        // The line as the file has it, while that may still be its file form.
        const std::string original = writtenAlike ? std::string(text + start, length) : std::string();
        const std::size_t unescaped = unescapeInPlace(text + start, length);
        if (unescaped != length) {
            asWritten = false;
            const std::string_view line(text + start, unescaped);
            slice.Escaped = needsEscapes(line) ? 1 : 0;
            if (writtenAlike) {
                std::string escaped(escapedSize(line), '\0');
                writeEscaped(escaped.data(), line);
                writtenAlike = slice.Escaped && escaped == original;
            }
            length = unescaped;
        }
    }
    slice.Size = static_cast<std::uint32_t>(length);
    m_slices.push_back(slice);
    m_liveBytes += length;
    return asWritten;
}

void MemberStore::adoptFile(BlockData data, std::size_t size, std::size_t fileForm)
{
    m_bytes.Adopt(std::move(data), size);
    m_slices.shrink_to_fit();
    m_count = static_cast<int>(m_slices.size());
    m_fileForm = fileForm;
    m_fileBlock = true;
}

bool MemberStore::writeFileForm(const qx::PieceWriter& write) const
{
    // A store still as it was loaded is written from the loaded bytes.
    if (m_fileForm > 0) {
        const std::string_view whole[] = {m_bytes.FirstBlock().substr(0, m_fileForm)};
        return write(whole);
    }
    static constexpr std::string_view kLineEnd = "\r\n";
    PieceGatherer gather(write);
    // A loaded line is followed in its block by the line end it had in the
    // file; where that was CR LF, the line and its line end are one run with
    // the lines around it, so that a file changed in a few lines is written
    // in a few long runs.
    const std::string_view fileBlock = m_fileBlock ? m_bytes.FirstBlock() : std::string_view();
    for (int slot = 0; slot < static_cast<int>(m_slices.size()); ++slot) {
        if (!live(slot))
            continue;
        const Slice& slice = m_slices[static_cast<std::size_t>(slot)];
        const std::string_view line = view(slot);
        if (slice.Escaped) {
            gather.Make(escapedSize(line) + kLineEnd.size(), [&](char* out) {
                std::memcpy(writeEscaped(out, line), kLineEnd.data(), kLineEnd.size());
            });
        } else if (std::size_t{slice.Offset} + slice.Size + kLineEnd.size() <= fileBlock.size()
                   && fileBlock.substr(slice.Offset + slice.Size, kLineEnd.size()) == kLineEnd) {
            gather.Add(line.data(), line.size() + kLineEnd.size());
        } else if (line.size() < PieceGatherer::kLongRun) {
            gather.Make(line.size() + kLineEnd.size(), [&](char* out) {
                std::memcpy(out, line.data(), line.size());
                std::memcpy(out + line.size(), kLineEnd.data(), kLineEnd.size());
            });
        } else {
            gather.Add(line.data(), line.size());
            gather.Add(kLineEnd.data(), kLineEnd.size());
        }
    }
    return gather.Finish();
}

std::string MemberStore::FileForm() const
{
    std::string bytes;
    writeFileForm([&bytes](std::span<const std::string_view> pieces) {
        for (const std::string_view piece : pieces)
            bytes.append(piece);
        return true;
    });
    return bytes;
}

bool MemberStore::unchangedFileAt(const std::string& path) const
{
    return m_loadedFrom.Identity && qx::IdentityOf(path) == *m_loadedFrom.Identity;
}

void MemberStore::SaveFile(const std::string& path) const
{
    // Writing the same bytes again would cost a whole file's write and fsync,
    // and the freeing of the old file that the new one replaces.
    if (unchangedFileAt(path))
        return;
    switch (qx::ReplaceFileContents(path, [this](const qx::PieceWriter& write) { return writeFileForm(write); })) {
    case qx::ReplaceResult::Replaced:
        return;
    case qx::ReplaceResult::CannotCreate:
        throw qx::Error(qx::FormatMessage(kCannotCreate, path));
    case qx::ReplaceResult::CannotWrite:
        throw qx::Error(std::string(kCannotWrite));
    }
}
