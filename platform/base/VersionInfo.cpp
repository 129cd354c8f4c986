#include "VersionInfo.h"

#include "FileContents.h"

#include <cstring>
#include <elf.h>
#include <string_view>

namespace qx {

namespace {

constexpr std::string_view kSectionName = ".qx_version";

template<typename T>
bool readAt(std::string_view file, std::uint64_t offset, T& out)
{
    if (offset > file.size() || file.size() - offset < sizeof(T))
        return false;
    std::memcpy(&out, file.data() + offset, sizeof(T));
    return true;
}

// The bytes of the named section of a 64-bit ELF file, or nothing.
std::string_view findSection(std::string_view file, std::string_view name)
{
    Elf64_Ehdr header;
    if (!readAt(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return {};
    Elf64_Shdr names;
    if (!readAt(file, header.e_shoff + std::uint64_t(header.e_shstrndx) * sizeof(Elf64_Shdr), names))
        return {};
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section;
        if (!readAt(file, header.e_shoff + std::uint64_t(i) * sizeof(Elf64_Shdr), section))
            return {};
        const std::uint64_t at = names.sh_offset + section.sh_name;
        if (at >= file.size())
            continue;
        const std::string_view sectionName(file.data() + at, strnlen(file.data() + at, file.size() - at));
        if (sectionName != name)
            continue;
        if (section.sh_offset > file.size() || file.size() - section.sh_offset < section.sh_size)
            return {};
        return file.substr(section.sh_offset, section.sh_size);
    }
    return {};
}

} // namespace

std::map<std::string, std::string> ReadVersionInfo(const std::string& programFile)
{
    std::map<std::string, std::string> entries;
    const std::optional<std::string> file = ReadFileContents(programFile);
    if (!file)
        return entries;
    std::string_view table = findSection(*file, kSectionName);
    // "Key=Value" entries, each ended by a NUL byte.
    while (!table.empty()) {
        const auto end = table.find('\0');
        const std::string_view entry = table.substr(0, end);
        const auto eq = entry.find('=');
        if (eq != std::string_view::npos)
            entries.emplace(std::string(entry.substr(0, eq)), std::string(entry.substr(eq + 1)));
        if (end == std::string_view::npos)
            break;
        table.remove_prefix(end + 1);
    }
    return entries;
}

} // namespace qx
