#include "AnsiText.h"

namespace qx {

namespace {

// Upper-case trail byte of a double-byte letter, or the byte itself.
unsigned char foldTrail(unsigned char lead, unsigned char trail)
{
    if (lead == 0x82 && trail >= 0x81 && trail <= 0x9A) // full-width a-z
        return static_cast<unsigned char>(trail - 0x21);
    if (lead == 0x83 && trail >= 0xBF && trail <= 0xD6) // Greek small letters
        return static_cast<unsigned char>(trail - 0x20);
    if (lead == 0x84 && trail >= 0x70 && trail <= 0x91 && trail != 0x7F) // Cyrillic small letters
        return static_cast<unsigned char>(0x40 + (trail < 0x7F ? trail - 0x70 : trail - 0x71));
    return trail;
}

// Appends the folded unit that starts at text[i] and returns the next index.
std::size_t foldUnit(std::string_view text, std::size_t i, char out[2], int& length)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
        out[0] = static_cast<char>(c);
        out[1] = static_cast<char>(foldTrail(c, static_cast<unsigned char>(text[i + 1])));
        length = 2;
        return i + 2;
    }
    out[0] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
    length = 1;
    return i + 1;
}

} // namespace

std::string AnsiFoldCase(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    char unit[2];
    int length = 0;
    for (std::size_t i = 0; i < text.size();) {
        i = foldUnit(text, i, unit, length);
        out.append(unit, static_cast<std::size_t>(length));
    }
    return out;
}

bool AnsiSameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    char ua[2] = {}, ub[2] = {};
    int la = 0, lb = 0;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        i = foldUnit(a, i, ua, la);
        j = foldUnit(b, j, ub, lb);
        if (la != lb || ua[0] != ub[0] || (la == 2 && ua[1] != ub[1]))
            return false;
    }
    return i == a.size() && j == b.size();
}

} // namespace qx
