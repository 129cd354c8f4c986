#pragma once
// Conversion between code page 932 byte strings and Qt's Unicode text. It is
// used only where a widget shows or reads text; everything else keeps bytes.

#include <QString>
#include <string>
#include <string_view>

namespace qx {

// Bytes that do not form a valid character become U+FFFD, one per byte.
QString ToUnicode(std::string_view ansi);

// Characters that code page 932 cannot hold become "?".
std::string FromUnicode(const QString& text);

} // namespace qx
