#pragma once
// An ordered list of byte-string lines: the profile cache (number=profile),
// the face tags (number=face) and the numbers seen since start. Lines keep
// the order they were added in and may repeat. A line's name is what stands
// before its first "=", its value what follows; a line without "=" has no
// name. Names and whole lines are compared without regard to letter case.
//
// Lookups go through indexes kept beside the lines, built when first needed
// and kept up to date by every change, so they cost about the same however
// large the store grows; they answer exactly as a scan from the first line
// would. Each line lives in a slot that does not move when an earlier line is
// removed, so a removal touches only the removed line's index entries.

#include "KeyIndex.h"
#include "SlotPositions.h"

#include <string>
#include <string_view>
#include <vector>

class MemberStore {
public:
    // Index of the first line whose name equals name, or -1.
    int FindName(std::string_view name) const;
    // The value of the line FindName finds; empty when there is none.
    std::string_view ValueOf(std::string_view name) const;
    // Replaces the first line named name by name=value where it stands, or
    // appends it; an empty value removes that line instead.
    void PutValue(std::string_view name, std::string_view value);
    // Index of the first line equal to text as a whole, or -1.
    int FindLine(std::string_view text) const;
    // Adds line at the end, even when an equal line exists; returns its index.
    int Append(std::string line);
    // Removes the line at index; the later lines move up by one.
    void RemoveAt(int index);
    void Clear();

    int Count() const { return m_count; }
    const std::string& Line(int index) const;

    // Replaces the content with the lines of the file; throws qx::Error
    // "ファイル %s は開けません" when the file cannot be read.
    void LoadFile(const std::string& path);
    // Writes every line followed by CR LF, replacing the file in one step;
    // throws qx::Error "ファイル %s を作成できません" or
    // "ストリームへの書き込みエラー". The old file stays whole on failure.
    void SaveFile(const std::string& path) const;

    // The file's bytes split into lines: CR LF, CR and LF end a line, a NUL
    // ends the text, and a final line end adds no empty line.
    static std::vector<std::string> SplitLines(std::string_view bytes);
    // The file form of the lines. A line holding CR, LF or NUL is written
    // with those bytes as "<#13>", "<#10>", "<#0>" (and "<" as "<#60>"), so
    // that it stays one line; any other line is written as it is.
    static std::string JoinLines(const std::vector<std::string>& lines);

private:
    struct Slot {
        std::string text;
        bool live = true;
    };
    int slotAt(int index) const;
    int positionOf(int slot) const;
    void indexNames() const;
    void indexLines() const;
    void removeSlot(int slot);
    void compactIfSparse();
    void resetIndexes();
    void replaceLines(std::vector<std::string> lines);

    std::vector<Slot> m_slots;
    SlotPositions m_positions;
    int m_count = 0;
    int m_removed = 0;
    mutable KeyIndex m_names;      // folded name -> slots, lines with "=" only
    mutable KeyIndex m_wholeLines; // folded line -> slots
    mutable bool m_namesIndexed = false;
    mutable bool m_wholeLinesIndexed = false;
};
