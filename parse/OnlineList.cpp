#include "OnlineList.h"

#include "Text.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr long long kWindow = 99999;

constexpr std::string_view kFree = "\x8E\xA9";   // 自
constexpr std::string_view kBusy = "\x96\x5A";   // 忙
constexpr std::string_view kFemale = "\x8F\x97"; // 女
constexpr std::string_view kMale = "\x92\x6A";   // 男
constexpr std::string_view kUnknownSex = "\x81\x48"; // ？
constexpr std::string_view kDecade = "\x91\xE3"; // 代
constexpr std::string_view kYears = "\x8D\xCE";  // 歳
constexpr std::string_view kNoProfile = "--Double Click--";

// Finds the scan's markers ("<tr>", "<td>", "</td>", "</tr>") in the page
// window. Every one of them begins with "<", so only the places of "<" are
// compared with the marker; those are found 64 bytes at a time into a bit
// mask, and the text between tags is passed over in bulk. The scan only moves
// forward, so each search starts at or after the start of the one before.
class MarkerSearch {
public:
    explicit MarkerSearch(std::string_view window)
        : m_window(window)
        , m_bits(openings(0))
    {
    }

    // Offset of the first marker at or after from that lies wholly inside
    // the window; npos when there is none.
    std::size_t find(std::string_view marker, std::size_t from)
    {
        // A failed search leaves the block past the window's end, and the scan
        // then asks again from the end (the rest emptied by a cut at 0).
        if (from >= m_window.size())
            return std::string_view::npos;
        assert(from >= m_block && marker.size() >= 4 && marker[0] == '<');
        if (from >= m_block + kBlock) {
            m_block = from - from % kBlock;
            m_bits = openings(m_block);
        }
        if (from > m_block)
            m_bits &= ~std::uint64_t(0) << (from - m_block);
        for (;;) {
            while (m_bits == 0) {
                m_block += kBlock;
                if (m_block >= m_window.size())
                    return std::string_view::npos;
                m_bits = openings(m_block);
            }
            const std::size_t at = m_block + static_cast<std::size_t>(std::countr_zero(m_bits));
            if (standsAt(marker, at))
                return at;
            m_bits &= m_bits - 1;
        }
    }

private:
    static constexpr std::size_t kBlock = 64;

    // Whether marker stands wholly inside the window at offset at. Every
    // marker is four or five bytes long; the first four are compared as one
    // word, which is cheaper than a call for the few bytes.
    bool standsAt(std::string_view marker, std::size_t at) const
    {
        if (marker.size() > m_window.size() - at)
            return false;
        std::uint32_t here, wanted;
        std::memcpy(&here, m_window.data() + at, 4);
        std::memcpy(&wanted, marker.data(), 4);
        return here == wanted && (marker.size() == 4 || m_window[at + 4] == marker[4]);
    }

    // Bit i set when the byte at block + i is "<".
    std::uint64_t openings(std::size_t block) const
    {
        const char* bytes = m_window.data() + block;
        const std::size_t count = block < m_window.size() ? std::min(kBlock, m_window.size() - block) : 0;
        std::uint64_t bits = 0;
#if defined(__SSE2__)
        if (count == kBlock) {
            const __m128i open = _mm_set1_epi8('<');
            for (std::size_t i = 0; i < kBlock; i += 16) {
                const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
                bits |= std::uint64_t(static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, open)))) << i;
            }
            return bits;
        }
#endif
        for (std::size_t i = 0; i < count; ++i)
            if (bytes[i] == '<')
                bits |= std::uint64_t(1) << i;
        return bits;
    }

    std::string_view m_window;
    std::size_t m_block = 0;
    std::uint64_t m_bits;
};

// The rest of the page window as the scan sees it. Cutting at a 1-based
// position p makes the rest begin there; p = 0 (a failed search) or a
// position past the end leaves nothing.
class Remainder {
public:
    explicit Remainder(std::string_view window)
        : m_window(window)
        , m_markers(window)
    {
    }

    std::string_view text() const { return m_window.substr(m_offset); }

    // 1-based position of marker in the rest, 0 when it is not there.
    std::size_t find(std::string_view marker)
    {
        const std::size_t at = m_markers.find(marker, m_offset);
        return at == std::string_view::npos ? 0 : at - m_offset + 1;
    }

    void cutAt(std::size_t position)
    {
        if (position == 0 || position > text().size())
            m_offset = m_window.size();
        else
            m_offset += position - 1;
    }

    // Finds marker and cuts at it; false when it is not there.
    bool cutAtMarker(std::string_view marker)
    {
        const std::size_t at = find(marker);
        if (at == 0)
            return false;
        cutAt(at);
        return true;
    }

    // Reads the next cell: cuts behind "<td>", takes the bytes up to
    // "</td>" and cuts at that; false when either marker is missing.
    bool readCell(std::string_view& content)
    {
        const std::size_t open = find("<td>");
        if (open == 0)
            return false;
        cutAt(open + 4);
        const std::size_t close = find("</td>");
        if (close == 0)
            return false;
        content = text().substr(0, close - 1);
        cutAt(close);
        return true;
    }

private:
    std::string_view m_window;
    std::size_t m_offset = 0;
    MarkerSearch m_markers;
};

bool contains(std::string_view text, std::string_view marker)
{
    return qx::Pos(marker, text) != 0;
}

} // namespace

bool ScanOnlineList(std::string_view text, const std::function<void(const MemberCells&)>& onRow)
{
    const std::size_t table = qx::Pos("table", text);
    if (table == 0)
        return false;
    Remainder rest(qx::SubView(text, static_cast<long long>(table), kWindow));

    // The heading row; neither search is tested, a missing marker simply
    // leaves nothing to read.
    rest.cutAt(rest.find("<tr>"));
    rest.cutAt(rest.find("</tr>"));

    for (;;) {
        if (!rest.cutAtMarker("<tr>"))
            break;
        MemberCells cells;
        bool complete = true;
        for (std::string_view& cell : cells.Cells)
            if (!(complete = rest.readCell(cell)))
                break;
        if (!complete)
            break;
        onRow(cells);
        if (!rest.cutAtMarker("</tr>"))
            break;
    }
    return true;
}

MemberRow RowFromCells(const MemberCells& cells)
{
    const auto& [state, number, sex, age, place, theme] = cells.Cells;
    MemberRow row;
    row.Number = qx::Trim(number);
    row.State = contains(state, "on.gif") ? kFree : kBusy;
    row.Sex = contains(sex, "female") ? kFemale : contains(sex, "male") ? kMale : kUnknownSex;
    const std::size_t markup = qx::Pos("<", age);
    row.Age = qx::SubString(age, 1, static_cast<long long>(markup) - 1);
    row.Age += contains(age, "age_dai") ? kDecade : kYears;
    row.Place = place;
    row.Theme = theme;
    return row;
}

int FaceFromValue(std::string_view value)
{
    const int face = qx::StrToIntDef(value, 0);
    return face >= 0 && face <= 3 ? face : 0;
}

bool PassesFilter(int filterMask, int face, std::string_view sex)
{
    // Only a face file written by hand holds other faces; like FaceFromValue
    // they count as face 0, which also keeps the shift within the mask.
    if (face < 0 || face > 3)
        face = 0;
    if ((filterMask & (1 << face)) == 0)
        return false;
    const bool female = filterMask & 16;
    const bool male = filterMask & 32;
    return (!female && !male) || (female && sex == kFemale) || (male && sex == kMale);
}

std::optional<std::vector<MemberRow>> FillOnlineList(std::string_view text, const MemberStore& ProfList, const MemberStore& FlagList,
                                                     MemberStore& SeenList, int FilterMask)
{
    std::vector<MemberRow> rows;
    const bool found = ScanOnlineList(text, [&](const MemberCells& cells) {
        MemberRow row = RowFromCells(cells);
        const std::string_view profile = ProfList.ValueOf(row.Number);
        row.Profile = profile.empty() ? kNoProfile : profile;
        const std::string_view face = FlagList.ValueOf(row.Number);
        row.Face = face.empty() ? 0 : FaceFromValue(face);
        if (!PassesFilter(FilterMask, row.Face, row.Sex))
            return;
        if (SeenList.FindLine(row.Number) != -1) {
            row.StateIndex = 0;
        } else {
            row.StateIndex = 1;
            SeenList.Append(row.Number);
        }
        rows.push_back(std::move(row));
    });
    if (!found)
        return std::nullopt;
    return rows;
}
