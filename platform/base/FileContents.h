#pragma once
// Reading a whole file, and replacing a file's contents in one step: the new bytes go to a temporary
// file beside it, which then takes the old file's place by a rename. A crash,
// a kill or a full disk at any moment leaves the old or the new contents
// whole, never a truncated file.

#include <optional>
#include <string>
#include <string_view>

namespace qx {

enum class ReplaceResult {
    Replaced,
    CannotCreate, // the temporary file could not be made, or could not take the file's place
    CannotWrite,  // the bytes could not all be written
};

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileContents(const std::string& path);

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes);

} // namespace qx
