#pragma once
// The version information a program file carries: a table of string entries
// (FileVersion, ProductVersion, LegalCopyright, ...) in the ELF section
// ".qx_version", written there when the program is built.

#include <map>
#include <string>

namespace qx {

// The entries of the program file's version information; empty when the file
// carries none or cannot be read.
std::map<std::string, std::string> ReadVersionInfo(const std::string& programFile);

} // namespace qx
