#pragma once
// Letter-case rules for code page 932 text, standing in for the system's
// case-insensitive comparison in a Japanese locale. A double-byte character is
// one unit: its trail byte is never folded on its own, even when it falls in
// 0x61-0x7A. ASCII letters, full-width Latin, Greek and Cyrillic letters fold.

#include <string>
#include <string_view>

namespace qx {

// True for the first byte of a double-byte character.
constexpr bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// text with every letter in its upper-case form; two texts fold to the same
// key exactly when AnsiSameText holds for them.
std::string AnsiFoldCase(std::string_view text);

// Whole texts equal, letter case ignored.
bool AnsiSameText(std::string_view a, std::string_view b);

} // namespace qx
