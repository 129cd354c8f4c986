#include "MemberStore.h"

#include "AnsiText.h"
#include "Error.h"
#include "FileContents.h"

#include <cassert>
#include <stdexcept>

#include <algorithm>
#include <cstring>

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

bool contains(std::string_view line, char byte)
{
    return !line.empty() && std::memchr(line.data(), byte, line.size()) != nullptr;
}

// Profile texts are long and almost never hold these bytes, so each is
// looked for with memchr, and the escapes only when a "<" is there at all.
bool needsEscapes(std::string_view line)
{
    if (contains(line, '\r') || contains(line, '\n') || contains(line, '\0'))
        return true;
    if (!contains(line, '<'))
        return false;
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
    if (!contains(line, '<'))
        return std::string(line);
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

bool hasName(std::string_view line)
{
    return line.find('=') != std::string_view::npos;
}

std::string nameKey(std::string_view line)
{
    return qx::AnsiFoldCase(line.substr(0, line.find('=')));
}

void appendFileLine(std::string& out, std::string_view line)
{
    if (needsEscapes(line))
        appendEscaped(out, line);
    else
        out += line;
    out += "\r\n";
}

} // namespace

int MemberStore::slotAt(int index) const
{
    if (index < 0 || index >= m_count)
        throw std::out_of_range("MemberStore: line index out of range");
    return m_removed == 0 ? index : m_positions.SlotAt(index);
}

int MemberStore::positionOf(int slot) const
{
    return m_removed == 0 ? slot : m_positions.PositionOf(slot);
}

const std::string& MemberStore::Line(int index) const
{
    return m_slots[static_cast<std::size_t>(slotAt(index))].text;
}

void MemberStore::indexNames() const
{
    if (m_namesIndexed)
        return;
    for (std::size_t slot = 0; slot < m_slots.size(); ++slot)
        if (m_slots[slot].live && hasName(m_slots[slot].text))
            m_names.Add(nameKey(m_slots[slot].text), static_cast<int>(slot));
    m_namesIndexed = true;
}

void MemberStore::indexLines() const
{
    if (m_wholeLinesIndexed)
        return;
    for (std::size_t slot = 0; slot < m_slots.size(); ++slot)
        if (m_slots[slot].live)
            m_wholeLines.Add(qx::AnsiFoldCase(m_slots[slot].text), static_cast<int>(slot));
    m_wholeLinesIndexed = true;
}

void MemberStore::resetIndexes()
{
    m_names.Clear();
    m_wholeLines.Clear();
    m_namesIndexed = false;
    m_wholeLinesIndexed = false;
}

int MemberStore::FindName(std::string_view name) const
{
    indexNames();
    const int slot = m_names.First(qx::AnsiFoldCase(name));
    return slot < 0 ? -1 : positionOf(slot);
}

std::string_view MemberStore::ValueOf(std::string_view name) const
{
    const int at = FindName(name);
    if (at < 0)
        return {};
    const std::string& line = Line(at);
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
    // The new line's name folds as the old one's did, so only the whole-line
    // index changes.
    const int slot = slotAt(at);
    std::string& old = m_slots[static_cast<std::size_t>(slot)].text;
    assert(nameKey(old) == nameKey(line));
    if (m_wholeLinesIndexed) {
        m_wholeLines.Remove(qx::AnsiFoldCase(old), slot);
        m_wholeLines.Add(qx::AnsiFoldCase(line), slot);
    }
    old = std::move(line);
}

int MemberStore::FindLine(std::string_view text) const
{
    indexLines();
    const int slot = m_wholeLines.First(qx::AnsiFoldCase(text));
    return slot < 0 ? -1 : positionOf(slot);
}

int MemberStore::Append(std::string line)
{
    const int slot = static_cast<int>(m_slots.size());
    if (m_namesIndexed && hasName(line))
        m_names.Add(nameKey(line), slot);
    if (m_wholeLinesIndexed)
        m_wholeLines.Add(qx::AnsiFoldCase(line), slot);
    m_slots.push_back({std::move(line), true});
    m_positions.Append();
    return m_count++;
}

void MemberStore::RemoveAt(int index)
{
    removeSlot(slotAt(index));
    compactIfSparse();
}

void MemberStore::removeSlot(int slot)
{
    Slot& removed = m_slots[static_cast<std::size_t>(slot)];
    if (m_namesIndexed && hasName(removed.text))
        m_names.Remove(nameKey(removed.text), slot);
    if (m_wholeLinesIndexed)
        m_wholeLines.Remove(qx::AnsiFoldCase(removed.text), slot);
    removed.live = false;
    std::string().swap(removed.text);
    m_positions.Remove(slot);
    --m_count;
    ++m_removed;
}

void MemberStore::compactIfSparse()
{
    // Once the empty slots outnumber the lines, packing the lines again costs
    // no more than the removals that led here.
    if (m_removed <= 1024 || m_removed <= m_count)
        return;
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(m_count));
    for (Slot& slot : m_slots)
        if (slot.live)
            lines.push_back(std::move(slot.text));
    replaceLines(std::move(lines));
}

void MemberStore::replaceLines(std::vector<std::string> lines)
{
    m_slots.clear();
    m_slots.reserve(lines.size());
    m_positions.Clear();
    for (std::string& line : lines) {
        m_slots.push_back({std::move(line), true});
        m_positions.Append();
    }
    m_count = static_cast<int>(m_slots.size());
    m_removed = 0;
    resetIndexes();
}

void MemberStore::Clear()
{
    replaceLines({});
}

std::vector<std::string> MemberStore::SplitLines(std::string_view bytes)
{
    const auto nul = bytes.find('\0');
    if (nul != std::string_view::npos)
        bytes = bytes.substr(0, nul);
    // The next CR and the next LF are each looked for once and kept until
    // the scan passes them, so a file without CR is not searched to its end
    // for every line.
    auto next = [&](char byte, std::size_t from) {
        const void* at = from < bytes.size() ? std::memchr(bytes.data() + from, byte, bytes.size() - from) : nullptr;
        return at ? static_cast<std::size_t>(static_cast<const char*>(at) - bytes.data()) : bytes.size();
    };
    std::vector<std::string> result;
    std::size_t start = 0;
    std::size_t cr = next('\r', 0);
    std::size_t lf = next('\n', 0);
    while (start < bytes.size()) {
        if (cr < start)
            cr = next('\r', start);
        if (lf < start)
            lf = next('\n', start);
        const std::size_t end = std::min(cr, lf);
        result.push_back(unescaped(bytes.substr(start, end - start)));
        if (end == bytes.size())
            break;
        start = end + 1;
        if (end == cr && start < bytes.size() && bytes[start] == '\n')
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
    for (const std::string& line : lines)
        appendFileLine(out, line);
    return out;
}

void MemberStore::LoadFile(const std::string& path)
{
    const std::optional<std::string> bytes = qx::ReadFileContents(path);
    if (!bytes)
        throw qx::Error(qx::FormatMessage(kCannotOpen, path));
    replaceLines(SplitLines(*bytes));
}

void MemberStore::SaveFile(const std::string& path) const
{
    std::size_t size = 0;
    for (const Slot& slot : m_slots)
        size += slot.text.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const Slot& slot : m_slots)
        if (slot.live)
            appendFileLine(bytes, slot.text);
    switch (qx::ReplaceFileContents(path, bytes)) {
    case qx::ReplaceResult::Replaced:
        return;
    case qx::ReplaceResult::CannotCreate:
        throw qx::Error(qx::FormatMessage(kCannotCreate, path));
    case qx::ReplaceResult::CannotWrite:
        throw qx::Error(std::string(kCannotWrite));
    }
}
