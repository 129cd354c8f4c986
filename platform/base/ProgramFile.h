#pragma once
// Where the program file is, and the parts of a path. The program file's
// path is read once, when first asked for, which the entry does before
// anything else: an upgrade that renames a new program file over the running
// one must not move the program's files.

#include <string>

namespace qx {

// Full path of the running program file, as it was when first asked for.
std::string ProgramFilePath();

// The name part of the program file's path, extension included.
std::string ProgramFileName();

// The directory part of path, without a trailing "/": "." for a bare name,
// "/" for a file in the root.
std::string DirectoryOf(const std::string& path);

// The name part of path.
std::string NameOf(const std::string& path);

// The settings file's name for a program file: its name with the extension
// replaced by ".INI" (".INI" appended when the name has no ".").
std::string SettingsFileNameFor(const std::string& programFile);

// Tests run the program's code from a test executable; this makes every
// function above answer as if the program file stood at path.
void SetProgramFilePathForTesting(const std::string& path);

} // namespace qx
