#pragma once
// The version information a program file carries: a table of string entries
// (FileVersion, ProductVersion, LegalCopyright, ...) in the ELF section
// ".qx_version", written there when the program is built. Each entry is
// "Key=Value" ended by a NUL byte; the values are code page 932 bytes.

#include <map>
#include <string>

namespace qx {

// The entries of the program file's version information; empty when the file
// cannot be read, is not an ELF file of this machine's byte order, carries no
// table or is damaged where the table is looked up.
std::map<std::string, std::string> ReadVersionInfo(const std::string& programFile);

} // namespace qx
