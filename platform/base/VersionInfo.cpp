#include "VersionInfo.h"

#include "FileContents.h"

#include <bit>
#include <cstdint>
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

// The bytes of the named section of an ELF file of the machine's byte order
// whose header and section types are Ehdr and Shdr, or nothing.
template<typename Ehdr, typename Shdr>
std::string_view findSection(std::string_view file, std::string_view name)
{
    Ehdr header;
    if (!readAt(file, 0, header) || header.e_shentsize != sizeof(Shdr))
        return {};
    Shdr names;
    if (header.e_shstrndx >= header.e_shnum || !readAt(file, header.e_shoff + std::uint64_t(header.e_shstrndx) * sizeof(Shdr), names))
        return {};
    if (names.sh_offset > file.size() || file.size() - names.sh_offset < names.sh_size)
        return {};
    const std::string_view nameTable = file.substr(names.sh_offset, names.sh_size);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Shdr section;
        if (!readAt(file, header.e_shoff + std::uint64_t(i) * sizeof(Shdr), section))
            return {};
        if (section.sh_name >= nameTable.size())
            continue;
        const std::string_view rest = nameTable.substr(section.sh_name);
        if (rest.substr(0, rest.find('\0')) != name)
            continue;
        if (section.sh_type == SHT_NOBITS || section.sh_offset > file.size() || file.size() - section.sh_offset < section.sh_size)
            return {};
        return file.substr(section.sh_offset, section.sh_size);
    }
    return {};
}

std::string_view findSection(std::string_view file, std::string_view name)
{
    if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0)
        return {};
    const bool littleEndian = std::endian::native == std::endian::little;
    if (file[EI_DATA] != (littleEndian ? ELFDATA2LSB : ELFDATA2MSB))
        return {};
    switch (file[EI_CLASS]) {
    case ELFCLASS32: return findSection<Elf32_Ehdr, Elf32_Shdr>(file, name);
    case ELFCLASS64: return findSection<Elf64_Ehdr, Elf64_Shdr>(file, name);
    default: return {};
    }
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
