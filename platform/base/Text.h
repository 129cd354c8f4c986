#pragma once
// The text operations the whole program is built from. All text is a byte
// string in code page 932; positions are 1-based byte positions, as the page
// scanners and request builders count them. Each function is total: odd
// arguments give the documented empty or unchanged result, never an error.

#include <cstddef>
#include <string>
#include <string_view>

namespace qx {

// Position of the first occurrence of needle in text (exact bytes), 0 when
// there is none or either text is empty.
std::size_t Pos(std::string_view needle, std::string_view text);

// At most count bytes of text starting at position from; empty when from < 1,
// from > length or count < 0.
std::string_view SubView(std::string_view text, long long from, long long count);
std::string SubString(std::string_view text, long long from, long long count);

// text without the bytes of value 32 or less at both ends.
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);

// Removes at most count bytes from position from; nothing when from < 1,
// from > length or count <= 0.
void Delete(std::string& text, long long from, long long count);

// Leading blanks, an optional sign, then decimal digits or hexadecimal digits
// behind "$" or "0x"; anything else (a trailing blank included) or a value
// outside the 32-bit range gives def.
int StrToIntDef(std::string_view text, int def);

} // namespace qx
