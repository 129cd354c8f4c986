#pragma once
// An ordered list of byte-string lines: the profile cache (number=profile),
// the face tags (number=face) and the numbers seen since start. Lines keep
// the order they were added in and may repeat. A line's name is what stands
// before its first "=", its value what follows; a line without "=" has no
// name. Names and whole lines are compared without regard to letter case.
//
// Lookups go through indexes kept beside the lines, built when first needed,
// so they cost the same however large the store grows; they answer exactly as
// a scan from the first line would.

#include <string>
#include <string_view>
#include <unordered_map>
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
    void RemoveAt(int index);
    void Clear();

    int Count() const { return static_cast<int>(m_lines.size()); }
    const std::string& Line(int index) const { return m_lines.at(static_cast<std::size_t>(index)); }

    // Replaces the content with the lines of the file; throws qx::Error
    // "ファイル %s は開けません" when the file cannot be read.
    void LoadFile(const std::string& path);
    // Writes every line followed by CR LF, replacing the file in one step;
    // throws qx::Error "ファイル %s を作成できません" or
    // "ストリームへの書き込みエラー".
    void SaveFile(const std::string& path) const;

    // The file's bytes split into lines: CR LF, CR and LF end a line, a NUL
    // ends the text, and a final line end adds no empty line.
    static std::vector<std::string> SplitLines(std::string_view bytes);
    // The file form of the lines. A line holding CR, LF or NUL is written
    // with those bytes as "<#13>", "<#10>", "<#0>" (and "<" as "<#60>"), so
    // that it stays one line; any other line is written as it is.
    static std::string JoinLines(const std::vector<std::string>& lines);

private:
    using Index = std::unordered_map<std::string, int>;
    void indexLine(Index& index, const std::string& key, int position) const;
    const Index& names() const;
    const Index& lines() const;
    void forgetIndexes();

    std::vector<std::string> m_lines;
    mutable Index m_names;
    mutable Index m_wholeLines;
    mutable bool m_namesBuilt = false;
    mutable bool m_wholeLinesBuilt = false;
};
