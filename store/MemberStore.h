#pragma once
// An ordered list of byte-string lines: the profile cache (number=profile),
// the face tags (number=face) and the numbers seen since start. Lines keep
// the order they were added in and may repeat. A line's name is what stands
// before its first "=", its value what follows; a line without "=" has no
// name. Names and whole lines are compared without regard to letter case.
//
// A store loaded from a file keeps the file's bytes in one block and its
// lines as slices of it; lines added or changed later live in blocks of
// their own. Lookups go through flat hash tables of folded keys, built when
// first needed and kept up to date by every change; they answer exactly as a
// scan from the first line would. Each line has a slot that does not move
// when an earlier line is removed, so a removal touches only that line's
// table entries.

#include "FileContents.h"
#include "KeyIndex.h"
#include "LineBytes.h"
#include "SlotPositions.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class MemberStore {
public:
    // Index of the first line whose name equals name, or -1.
    int FindName(std::string_view name) const;
    // The value of the line FindName finds; empty when there is none. Valid
    // until the store next changes.
    std::string_view ValueOf(std::string_view name) const;
    // Replaces the first line named name by name=value where it stands, or
    // appends it; an empty value removes that line instead.
    void PutValue(std::string_view name, std::string_view value);
    // Index of the first line equal to text as a whole, or -1.
    int FindLine(std::string_view text) const;
    // Adds line at the end, even when an equal line exists; returns its index.
    int Append(std::string_view line);
    // Removes the line at index; the later lines move up by one.
    void RemoveAt(int index);
    void Clear();

    int Count() const { return m_count; }
    std::string Line(int index) const { return std::string(LineView(index)); }
    // The line at index, valid until the store next changes.
    std::string_view LineView(int index) const;
    // Bytes the store holds for its lines and tables.
    std::size_t MemoryBytes() const;

    // Replaces the content with the lines of the file; throws qx::Error
    // "ファイル %s は開けません" when the file cannot be read.
    void LoadFile(const std::string& path);
    // Writes every line followed by CR LF, replacing the file in one step;
    // throws qx::Error "ファイル %s を作成できません" or
    // "ストリームへの書き込みエラー". The old file stays whole on failure.
    // A store left as it was loaded is not written again while path still
    // leads to the file it was loaded from, unchanged and already in the
    // file form.
    void SaveFile(const std::string& path) const;

    // Replaces the content with the lines of bytes in the file form.
    void LoadText(std::string_view bytes);
    // The bytes SaveFile writes.
    std::string FileForm() const;

    // The file's bytes split into lines: CR LF, CR and LF end a line, a NUL
    // ends the text, and a final line end adds no empty line.
    static std::vector<std::string> SplitLines(std::string_view bytes);
    // The file form of the lines. A line holding CR, LF or NUL is written
    // with those bytes as "<#13>", "<#10>", "<#0>" (and "<" as "<#60>"), so
    // that it stays one line; any other line is written as it is.
    static std::string JoinLines(const std::vector<std::string>& lines);

private:
    struct Slice {
        std::uint32_t Offset = 0;
        std::uint32_t Size : 31 = 0;
        // The line's file form differs from the line itself.
        std::uint32_t Escaped : 1 = 0;
    };
    static constexpr std::uint32_t kRemoved = 0x7FFFFFFF;

    // The identity of the file the store was loaded from, kept while the
    // store is unchanged and its file form is that file's bytes, whole. A
    // copy of the store is not the loaded store and forgets it.
    struct LoadedFrom {
        std::optional<qx::FileIdentity> Identity;
        LoadedFrom() = default;
        LoadedFrom(const LoadedFrom&) {}
        LoadedFrom& operator=(const LoadedFrom&)
        {
            Identity.reset();
            return *this;
        }
        LoadedFrom(LoadedFrom&&) noexcept = default;
        LoadedFrom& operator=(LoadedFrom&&) noexcept = default;
    };

    std::string_view view(int slot) const;
    bool live(int slot) const { return m_slices[static_cast<std::size_t>(slot)].Size != kRemoved; }
    int slotAt(int index) const;
    int positionOf(int slot) const;
    int firstNamed(std::string_view name) const;
    std::uint64_t nameHashOf(int slot) const;
    std::uint64_t lineHashOf(int slot) const;
    void indexNames() const;
    void indexLines() const;
    Slice addBytes(std::string_view line);
    void removeSlot(int slot);
    void compactIfWasteful();
    void resetIndexes();
    // Adds a line of a file being loaded, the bytes [start, end) of text,
    // unescaped in place; returns whether the line is as it would be written
    // (no escapes, followed by CR LF). Clears writtenAlike unless writing the
    // line gives its bytes in the file again, escapes and CR LF included.
    bool addLoadedLine(char* text, std::size_t start, std::size_t end, std::size_t next, bool hasLt, bool& writtenAlike);
    // Takes the loaded file's bytes as the first block; the first fileForm
    // bytes are the store's file form.
    void adoptFile(BlockData data, std::size_t size, std::size_t fileForm);
    // Hands the file form to write in batches of pieces; false as soon as
    // write fails.
    bool writeFileForm(const qx::PieceWriter& write) const;
    bool unchangedFileAt(const std::string& path) const;

    LineBytes m_bytes;
    std::vector<Slice> m_slices;
    // Kept only once a line has been removed: until then a slot is its
    // line's position.
    SlotPositions m_positions;
    int m_count = 0;
    int m_removed = 0;
    std::uint64_t m_liveBytes = 0;
    std::uint64_t m_deadBytes = 0;
    // While the store is as loaded, the first block up to this size is
    // already its file form, byte for byte; 0 otherwise.
    std::size_t m_fileForm = 0;
    // The first block holds a file's bytes as they were read, so that each
    // line of it that was not shortened by unescaping is followed there by
    // the line end it had in the file.
    bool m_fileBlock = false;
    LoadedFrom m_loadedFrom;
    mutable KeyIndex m_names;      // folded name -> slots, lines with "=" only
    mutable KeyIndex m_wholeLines; // folded line -> slots
    mutable bool m_namesIndexed = false;
    mutable bool m_wholeLinesIndexed = false;
};
