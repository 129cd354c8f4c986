#pragma once
// Where the program file is. The path is read once, when first asked for,
// which the entry does before anything else: an upgrade that renames a new
// program file over the running one must not move the program's files.

#include <string>

namespace qx {

// Full path of the running program file, as it was when first asked for.
std::string ProgramFilePath();

// The name part of the program file's path, extension included.
std::string ProgramFileName();

// The directory that holds the program file, without a trailing "/".
std::string ProgramDirectory();

// The program file's name with its extension replaced by ".INI" (".INI"
// appended when the name has no ".").
std::string SettingsFileName();

// Tests run the program's code from a test executable; this makes every
// function above answer as if the program file stood at path.
void SetProgramFilePathForTesting(const std::string& path);

} // namespace qx
