#pragma once
// File names matched without regard to letter case. The program reads its
// member files under one spelling and writes them under another; on a file
// system that tells case apart both spellings must name the same file.

#include <string>

namespace qx {

// The path of the regular file in directory whose name equals name without
// regard to ASCII letter case (the first such name in byte order when there
// are several, so that every spelling finds the same file), or
// directory + "/" + name when there is none. A trail byte of a double-byte
// character is never taken for a letter.
std::string ResolveFileName(const std::string& directory, const std::string& name);

// True when something exists at path.
bool FileExists(const std::string& path);

} // namespace qx
