#pragma once
// Where the program file is, and the files the program keeps beside it.

#include <string>

namespace qx {

// Full path of the running program file.
std::string ProgramFilePath();

// The name part of the program file's path, extension included.
std::string ProgramFileName();

// The directory that holds the program file, without a trailing "/".
std::string ProgramDirectory();

// The program file's path with its extension replaced by ".INI" (".INI"
// appended when the name has no ".").
std::string SettingsFilePath();

// Tests run the program's code from a test executable; this makes every
// function above answer as if the program file stood at path.
void SetProgramFilePathForTesting(const std::string& path);

} // namespace qx
