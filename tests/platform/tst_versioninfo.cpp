// Reading the version information table out of a program file: well-formed
// 64- and 32-bit files, files without the table, and damaged files that must
// give nothing rather than read out of bounds.

#include "VersionInfo.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <elf.h>

namespace {

// How a fixture file is damaged after it has been laid out.
enum class Damage { None, SectionPastEnd, NameOutsideTable, NamesIndexOutOfRange, WrongEntrySize, Truncated };

template<typename Ehdr, typename Shdr>
QByteArray layOut(unsigned char elfClass, const QByteArray& sectionName, const QByteArray& contents, Damage damage)
{
    const QByteArray names = QByteArray("\0.shstrtab\0", 11) + sectionName + '\0';
    QByteArray file(sizeof(Ehdr), '\0');
    const auto namesAt = file.size();
    file += names;
    const auto contentsAt = file.size();
    file += contents;
    while (file.size() % 8)
        file += '\0';
    const auto sectionsAt = file.size();

    Ehdr header{};
    std::memcpy(header.e_ident, ELFMAG, SELFMAG);
    header.e_ident[EI_CLASS] = elfClass;
    header.e_ident[EI_DATA] = ELFDATA2LSB;
    header.e_ident[EI_VERSION] = EV_CURRENT;
    header.e_type = ET_EXEC;
    header.e_shoff = sectionsAt;
    header.e_shentsize = damage == Damage::WrongEntrySize ? sizeof(Shdr) + 4 : sizeof(Shdr);
    header.e_shnum = 3;
    header.e_shstrndx = damage == Damage::NamesIndexOutOfRange ? 3 : 1;
    std::memcpy(file.data(), &header, sizeof header);

    Shdr sections[3]{};
    sections[1].sh_name = 1;
    sections[1].sh_type = SHT_STRTAB;
    sections[1].sh_offset = namesAt;
    sections[1].sh_size = names.size();
    sections[2].sh_name = damage == Damage::NameOutsideTable ? names.size() + 5 : 11;
    sections[2].sh_type = SHT_PROGBITS;
    sections[2].sh_offset = contentsAt;
    sections[2].sh_size = damage == Damage::SectionPastEnd ? 4096 : contents.size();
    file += QByteArray(reinterpret_cast<const char*>(sections), sizeof sections);
    if (damage == Damage::Truncated)
        file.chop(sizeof(Shdr) / 2);
    return file;
}

QByteArray elf64(const QByteArray& contents, Damage damage = Damage::None, const QByteArray& name = ".qx_version")
{
    return layOut<Elf64_Ehdr, Elf64_Shdr>(ELFCLASS64, name, contents, damage);
}

QByteArray elf32(const QByteArray& contents)
{
    return layOut<Elf32_Ehdr, Elf32_Shdr>(ELFCLASS32, ".qx_version", contents, Damage::None);
}

// The bytes of a literal, NULs inside it included.
template<size_t N>
QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

const QByteArray kTable = bytes("FileVersion=1.3.3.4\0ProductVersion=1.0.0.0\0LegalCopyright=(C) A&B \x95\x5C\0");
const QByteArrayList kEntries{"FileVersion=1.3.3.4", "LegalCopyright=(C) A&B \x95\x5C", "ProductVersion=1.0.0.0"};

} // namespace

class TestVersionInfo : public QObject {
    Q_OBJECT

private slots:
    void readsTable_data();
    void readsTable();
    void missingFileGivesNothing();
};

void TestVersionInfo::readsTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::newRow("64-bit program file, & and code page 932 kept as they are") << elf64(kTable) << kEntries;
    QTest::newRow("32-bit program file") << elf32(kTable) << kEntries;
    QTest::newRow("last entry without its NUL") << elf64(bytes("A=1\0B=2")) << QByteArrayList{"A=1", "B=2"};
    QTest::newRow("empty value kept, entry without = skipped")
        << elf64(bytes("Comments=\0junk\0X=y\0")) << QByteArrayList{"Comments=", "X=y"};
    QTest::newRow("value holding =") << elf64(bytes("K=a=b\0")) << QByteArrayList{"K=a=b"};
    QTest::newRow("no version section") << elf64(kTable, Damage::None, ".data") << QByteArrayList{};
    QTest::newRow("section name that only starts alike") << elf64(kTable, Damage::None, ".qx_versions") << QByteArrayList{};
    QTest::newRow("not a program file") << bytes("FileVersion=1.3.3.4\0") << QByteArrayList{};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
    QTest::newRow("section reaching past the end") << elf64(kTable, Damage::SectionPastEnd) << QByteArrayList{};
    QTest::newRow("section name outside the name table") << elf64(kTable, Damage::NameOutsideTable) << QByteArrayList{};
    QTest::newRow("name table index out of range") << elf64(kTable, Damage::NamesIndexOutOfRange) << QByteArrayList{};
    QTest::newRow("unexpected section header size") << elf64(kTable, Damage::WrongEntrySize) << QByteArrayList{};
    QTest::newRow("section headers cut short") << elf64(kTable, Damage::Truncated) << QByteArrayList{};
}

void TestVersionInfo::readsTable()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArrayList, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("program"));
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    QByteArrayList found;
    for (const auto& [key, value] : qx::ReadVersionInfo(path.toStdString()))
        found << QByteArray::fromStdString(key + "=" + value);
    QCOMPARE(found, expected);
}

void TestVersionInfo::missingFileGivesNothing()
{
    QVERIFY(qx::ReadVersionInfo("/nonexistent/quorrix").empty());
}

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
