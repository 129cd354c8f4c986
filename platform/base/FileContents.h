#pragma once
// Reading a whole file, and replacing a file's contents in one step: the new
// bytes go to a temporary file beside it, which then takes the old file's
// place by a rename. A crash, a kill or a full disk at any moment leaves the
// old or the new contents whole, never a truncated file.
//
// The replacement keeps what the user set up around the file: a symbolic
// link stays a link and the file it leads to gets the new bytes; the file
// keeps its permission bits (and its owner and group where the process may
// set them). A directory that does not let a file be made beside the target
// makes the save fall back to writing the existing file in place.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qx {

enum class ReplaceResult {
    Replaced,
    CannotCreate, // the file could not be made or opened, or could not take the old file's place
    CannotWrite,  // the bytes could not all be written
};

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileContents(const std::string& path);

// The file a save of path writes: path with its symbolic links followed, a
// relative link target taken relative to the link's directory. A dangling
// link gives the missing file it names, so saving creates that file and the
// link works again. Nothing when the links loop or cannot be read.
std::optional<std::string> ResolveSaveTarget(const std::string& path);

// Replaces the contents of the file path leads to (see ResolveSaveTarget),
// first removing temporary files an interrupted earlier save of it left.
ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes);
// The same, with the contents given as pieces laid end to end; they are
// written as they stand, without being copied together first.
ReplaceResult ReplaceFileContents(const std::string& path, std::span<const std::string_view> pieces);

// Writes a batch of pieces of a file's contents after the ones before;
// false when the write failed.
using PieceWriter = std::function<bool(std::span<const std::string_view> pieces)>;
// Hands the whole contents, from the start, to write in batches, each batch
// needed only until its call returns; returns false as soon as write does.
// A save may call it a second time, when it falls back to writing in place.
using ContentSource = std::function<bool(const PieceWriter& write)>;
// The same, with the contents made batch by batch as they are written.
ReplaceResult ReplaceFileContents(const std::string& path, const ContentSource& contents);

// What tells one state of a file from another without reading it: which file
// it is, its size, and when its contents and its status last changed.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t Size = 0;
    std::int64_t Modified = 0; // nanoseconds since the epoch
    std::int64_t Changed = 0;  // nanoseconds since the epoch
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file path leads to through its links, or nothing when
// it is not a regular file or cannot be looked at.
std::optional<FileIdentity> IdentityOf(const std::string& path);
// The identity of the open file fd, the same way.
std::optional<FileIdentity> IdentityOfOpen(int fd);
// Whether a later change of the file must show in its identity. A file
// changed moments ago may be changed again within the same tick of the
// clock its time stamps come from, keeping the stamps it has; so may a file
// stamped in the future.
bool IdentityIsSettled(const FileIdentity& identity);

} // namespace qx
