#include "IniFile.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileContents.h"
#include "FileNames.h"
#include "Text.h"

namespace {

constexpr std::string_view kCannotWrite = "%s \x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1"; // %s に書き込めません

bool isSectionHeader(std::string_view line, std::string_view& name)
{
    const std::string_view text = qx::TrimView(line);
    if (text.size() < 2 || text.front() != '[')
        return false;
    const auto close = text.find(']');
    if (close == std::string_view::npos)
        return false;
    name = qx::TrimView(text.substr(1, close - 1));
    return true;
}

// Splits a key=value line; false for comments and lines without "=".
bool splitEntry(std::string_view line, std::string_view& key, std::string_view& value)
{
    const std::string_view text = qx::TrimView(line);
    if (text.empty() || text.front() == ';')
        return false;
    const auto eq = text.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = qx::TrimView(text.substr(0, eq));
    value = qx::TrimView(text.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return true;
}

std::string_view firstLineOf(std::string_view text)
{
    return text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
}

} // namespace

IniFile::IniFile(std::string path)
    : m_path(std::move(path))
{
    const std::optional<std::string> bytes = qx::ReadFileContents(m_path);
    if (!bytes) {
        m_unreadable = qx::FileExists(m_path);
        return;
    }
    const std::string_view text(*bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            m_lines.push_back({std::string(text.substr(start)), ""});
            break;
        }
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n')
            ++next;
        m_lines.push_back({std::string(text.substr(start, end - start)), std::string(text.substr(end, next - end))});
        start = next;
    }
}

int IniFile::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        std::string_view name;
        if (isSectionHeader(m_lines[i].text, name) && qx::AnsiSameText(name, section))
            return static_cast<int>(i);
    }
    return -1;
}

std::size_t IniFile::sectionEnd(int header) const
{
    std::size_t i = static_cast<std::size_t>(header) + 1;
    std::string_view name;
    while (i < m_lines.size() && !isSectionHeader(m_lines[i].text, name))
        ++i;
    return i;
}

int IniFile::findKey(int header, std::string_view key) const
{
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        std::string_view k, v;
        if (splitEntry(m_lines[i].text, k, v) && qx::AnsiSameText(k, key))
            return static_cast<int>(i);
    }
    return -1;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const int header = findSection(section);
    const int at = header < 0 ? -1 : findKey(header, key);
    if (at < 0)
        return std::string(def);
    std::string_view k, v;
    splitEntry(m_lines[static_cast<std::size_t>(at)].text, k, v);
    return std::string(v);
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(std::string_view section) const
{
    std::vector<std::pair<std::string, std::string>> entries;
    const int header = findSection(section);
    if (header < 0)
        return entries;
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        std::string_view k, v;
        if (splitEntry(m_lines[i].text, k, v))
            entries.emplace_back(std::string(k), std::string(v));
    }
    return entries;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string entry;
    entry.append(firstLineOf(key)).append("=").append(firstLineOf(value));
    int header = findSection(section);
    if (header < 0) {
        if (!m_lines.empty() && m_lines.back().ending.empty())
            m_lines.back().ending = "\r\n";
        m_lines.push_back({"[" + std::string(firstLineOf(section)) + "]", "\r\n"});
        header = static_cast<int>(m_lines.size()) - 1;
    }
    const int at = findKey(header, key);
    if (at >= 0) {
        m_lines[static_cast<std::size_t>(at)].text = std::move(entry);
        return;
    }
    // After the section's last entry, so blank lines between sections stay
    // where they are.
    std::size_t insertAt = sectionEnd(header);
    while (insertAt > static_cast<std::size_t>(header) + 1 && qx::TrimView(m_lines[insertAt - 1].text).empty())
        --insertAt;
    if (insertAt > 0 && m_lines[insertAt - 1].ending.empty())
        m_lines[insertAt - 1].ending = "\r\n";
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{std::move(entry), "\r\n"});
}

std::string IniFile::Contents() const
{
    std::string out;
    for (const Line& line : m_lines)
        out.append(line.text).append(line.ending);
    return out;
}

void IniFile::UpdateFile() const
{
    if (m_unreadable || qx::ReplaceFileContents(m_path, Contents()) != qx::ReplaceResult::Replaced)
        throw qx::Error(qx::FormatMessage(kCannotWrite, m_path));
}
