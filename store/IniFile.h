#pragma once
// A settings file in the Windows INI form: "[Section]" lines, then
// "key=value" lines. Section and key names are matched without regard to
// letter case; the first section and the first key of a name count when
// names repeat. Only the keys the program writes change: every other line of
// the file (comments, other sections and keys, blank lines, line ends) is
// written back byte for byte.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class IniFile {
public:
    // Reads the file; a missing or unreadable file reads as empty.
    explicit IniFile(std::string path);

    // The key's value with the blanks around it removed (and one pair of
    // enclosing quotes); def only when the key is missing.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // Every key=value line of the section, in file order.
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;

    // Replaces the key's value where it stands, or adds the key at the end of
    // its section, adding the section at the end of the file when needed.
    // A line holds one value: the value is cut before a CR, LF or NUL, which
    // would otherwise start lines of their own in the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    // Writes the file in one step; throws qx::Error "%s に書き込めません",
    // also when the file exists but could not be read, since writing it then
    // would lose the lines the program does not own.
    void UpdateFile() const;

    const std::string& Path() const { return m_path; }
    // The file's bytes as UpdateFile would write them.
    std::string Contents() const;

private:
    struct Line {
        std::string text;   // without its line end
        std::string ending; // "\r\n", "\n", "\r" or "" for a last line without one
    };
    // Index of the section's header line, or -1.
    int findSection(std::string_view section) const;
    // Index just past the section's last line.
    std::size_t sectionEnd(int header) const;
    int findKey(int header, std::string_view key) const;

    std::string m_path;
    std::vector<Line> m_lines;
    bool m_unreadable = false;
};
