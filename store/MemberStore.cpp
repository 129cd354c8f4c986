#include "MemberStore.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileContents.h"

namespace {

constexpr std::string_view kCannotOpen = "\x83\x74\x83\x40\x83\x43\x83\x8B %s \x82\xCD\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1"; // ファイル %s は開けません
constexpr std::string_view kCannotCreate = "\x83\x74\x83\x40\x83\x43\x83\x8B %s \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1"; // ファイル %s を作成できません
constexpr std::string_view kCannotWrite = "\x83\x58\x83\x67\x83\x8A\x81\x5B\x83\x80\x82\xD6\x82\xCC\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x83\x47\x83\x89\x81\x5B"; // ストリームへの書き込みエラー

// Escapes of the file form, and the bytes they stand for.
struct Escape {
    std::string_view text;
    char byte;
};
constexpr Escape kEscapes[] = {{"<#60>", '<'}, {"<#13>", '\r'}, {"<#10>", '\n'}, {"<#0>", '\0'}};

bool needsEscapes(std::string_view line)
{
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return true;
    for (const Escape& e : kEscapes)
        if (line.find(e.text) != std::string_view::npos)
            return true;
    return false;
}

void appendEscaped(std::string& out, std::string_view line)
{
    for (const char c : line) {
        const Escape* escape = nullptr;
        for (const Escape& e : kEscapes)
            if (e.byte == c)
                escape = &e;
        if (escape)
            out += escape->text;
        else
            out += c;
    }
}

std::string unescaped(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t at = line.find("<#", i);
        if (at == std::string_view::npos)
            break;
        out.append(line.substr(i, at - i));
        i = at;
        for (const Escape& e : kEscapes) {
            if (line.substr(at, e.text.size()) == e.text) {
                out += e.byte;
                i = at + e.text.size();
                break;
            }
        }
        if (i == at) {
            out += '<';
            ++i;
        }
    }
    out.append(line.substr(i));
    return out;
}

std::string_view nameOf(std::string_view line, bool& hasName)
{
    const auto eq = line.find('=');
    hasName = eq != std::string_view::npos;
    return hasName ? line.substr(0, eq) : std::string_view();
}

} // namespace

void MemberStore::indexLine(Index& index, const std::string& key, int position) const
{
    index.emplace(key, position); // keeps the first position of a key
}

const MemberStore::Index& MemberStore::names() const
{
    if (!m_namesBuilt) {
        m_names.clear();
        m_names.reserve(m_lines.size());
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            bool hasName = false;
            const std::string_view name = nameOf(m_lines[i], hasName);
            if (hasName)
                indexLine(m_names, qx::AnsiFoldCase(name), static_cast<int>(i));
        }
        m_namesBuilt = true;
    }
    return m_names;
}

const MemberStore::Index& MemberStore::lines() const
{
    if (!m_wholeLinesBuilt) {
        m_wholeLines.clear();
        m_wholeLines.reserve(m_lines.size());
        for (std::size_t i = 0; i < m_lines.size(); ++i)
            indexLine(m_wholeLines, qx::AnsiFoldCase(m_lines[i]), static_cast<int>(i));
        m_wholeLinesBuilt = true;
    }
    return m_wholeLines;
}

void MemberStore::forgetIndexes()
{
    m_namesBuilt = false;
    m_wholeLinesBuilt = false;
    m_names.clear();
    m_wholeLines.clear();
}

int MemberStore::FindName(std::string_view name) const
{
    const Index& index = names();
    const auto found = index.find(qx::AnsiFoldCase(name));
    return found == index.end() ? -1 : found->second;
}

std::string_view MemberStore::ValueOf(std::string_view name) const
{
    const int at = FindName(name);
    if (at < 0)
        return {};
    const std::string& line = m_lines[static_cast<std::size_t>(at)];
    return std::string_view(line).substr(line.find('=') + 1);
}

void MemberStore::PutValue(std::string_view name, std::string_view value)
{
    const int at = FindName(name);
    if (value.empty()) {
        if (at >= 0)
            RemoveAt(at);
        return;
    }
    std::string line;
    line.reserve(name.size() + 1 + value.size());
    line.append(name).append("=").append(value);
    if (at < 0) {
        Append(std::move(line));
        return;
    }
    // The name keeps its place in the name index; the whole-line index no
    // longer holds for this line.
    std::string& old = m_lines[static_cast<std::size_t>(at)];
    if (m_namesBuilt) {
        bool hasName = false;
        if (qx::AnsiFoldCase(nameOf(old, hasName)) != qx::AnsiFoldCase(name))
            m_namesBuilt = false;
    }
    old = std::move(line);
    m_wholeLinesBuilt = false;
}

int MemberStore::FindLine(std::string_view text) const
{
    const Index& index = lines();
    const auto found = index.find(qx::AnsiFoldCase(text));
    return found == index.end() ? -1 : found->second;
}

int MemberStore::Append(std::string line)
{
    const int position = static_cast<int>(m_lines.size());
    if (m_namesBuilt) {
        bool hasName = false;
        const std::string_view name = nameOf(line, hasName);
        if (hasName)
            indexLine(m_names, qx::AnsiFoldCase(name), position);
    }
    if (m_wholeLinesBuilt)
        indexLine(m_wholeLines, qx::AnsiFoldCase(line), position);
    m_lines.push_back(std::move(line));
    return position;
}

void MemberStore::RemoveAt(int index)
{
    m_lines.erase(m_lines.begin() + index);
    // Every later line moves up; the indexes are built again when next needed.
    forgetIndexes();
}

void MemberStore::Clear()
{
    m_lines.clear();
    forgetIndexes();
}

std::vector<std::string> MemberStore::SplitLines(std::string_view bytes)
{
    const auto nul = bytes.find('\0');
    if (nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            result.push_back(unescaped(bytes.substr(start)));
            break;
        }
        result.push_back(unescaped(bytes.substr(start, end - start)));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n')
            ++start;
    }
    return result;
}

std::string MemberStore::JoinLines(const std::vector<std::string>& lines)
{
    std::size_t size = 0;
    for (const std::string& line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const std::string& line : lines) {
        if (needsEscapes(line))
            appendEscaped(out, line);
        else
            out += line;
        out += "\r\n";
    }
    return out;
}

void MemberStore::LoadFile(const std::string& path)
{
    const std::optional<std::string> bytes = qx::ReadFileContents(path);
    if (!bytes)
        throw qx::Error(qx::FormatMessage(kCannotOpen, path));
    m_lines = SplitLines(*bytes);
    forgetIndexes();
}

void MemberStore::SaveFile(const std::string& path) const
{
    switch (qx::ReplaceFileContents(path, JoinLines(m_lines))) {
    case qx::ReplaceResult::Replaced:
        return;
    case qx::ReplaceResult::CannotCreate:
        throw qx::Error(qx::FormatMessage(kCannotCreate, path));
    case qx::ReplaceResult::CannotWrite:
        throw qx::Error(std::string(kCannotWrite));
    }
}
