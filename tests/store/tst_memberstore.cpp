// The member stores: lookups by name and by whole line, the file form in both
// directions, the errors of loading and saving, and the lookup indexes
// against a plain scan.

#include "Error.h"
#include "FileContents.h"
#include "MemberStore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::string> lines(const MemberStore& store)
{
    std::vector<std::string> out;
    for (int i = 0; i < store.Count(); ++i)
        out.push_back(store.Line(i));
    return out;
}

MemberStore storeOf(const std::vector<std::string>& content)
{
    MemberStore store;
    for (const std::string& line : content)
        store.Append(line);
    return store;
}

std::string readFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll().toStdString();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

std::optional<struct stat> statusOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return info;
}

// Waits until a change of the file would show in its time stamps: one made
// within the tick that stamped it might not.
void waitUntilSettled(const QString& path)
{
    for (;;) {
        const auto identity = qx::IdentityOf(QFile::encodeName(path).toStdString());
        if (!identity || qx::IdentityIsSettled(*identity))
            return;
        QThread::msleep(5);
    }
}

// What a store changed after loading is: a line changed in place to the
// other length, lines removed, an escaped line added and a plain one, and
// an escaped line made plain.
void changeLoadedStore(MemberStore& store)
{
    store.PutValue("0000000002", "longer than it was");
    store.RemoveAt(0);
    if (store.Count() > 3)
        store.RemoveAt(store.Count() / 2);
    store.Append("0000000100=two\r\nlines <#13>");
    store.Append("0000000101=plain");
    store.PutValue("0000000005", "<plain now>");
}

// The reference the indexes must agree with: every search from the first line.
struct ScanningStore {
    std::vector<std::string> lines;

    static std::string fold(std::string_view text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
                out += text[i];
                if (i + 1 < text.size()) {
                    auto t = static_cast<unsigned char>(text[++i]);
                    if (c == 0x82 && t >= 0x81 && t <= 0x9A)
                        t = static_cast<unsigned char>(t - 0x21);
                    out += static_cast<char>(t);
                }
            } else {
                out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            }
        }
        return out;
    }
    int findName(std::string_view name) const
    {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto eq = lines[i].find('=');
            if (eq != std::string::npos && fold(std::string_view(lines[i]).substr(0, eq)) == fold(name))
                return static_cast<int>(i);
        }
        return -1;
    }
    int findLine(std::string_view text) const
    {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (fold(lines[i]) == fold(text))
                return static_cast<int>(i);
        return -1;
    }
};

} // namespace

class TestMemberStore : public QObject {
    Q_OBJECT

private slots:
    void lookups();
    void nameComparison_data();
    void nameComparison();
    void putValue_data();
    void putValue();
    void faceTagMovesFirstLineToEnd();
    void reading_data();
    void reading();
    void writing_data();
    void writing();
    void savedAndLoadedAgain_data();
    void savedAndLoadedAgain();
    void loadedAndWrittenAgain_data();
    void loadedAndWrittenAgain();
    void loadReplacesContent();
    void errors();
    void saveKeepsOldFileUntilReplaced();
    void unchangedFileNotWrittenAgain_data();
    void unchangedFileNotWrittenAgain();
    void changedStoreSavesItsLines_data();
    void changedStoreSavesItsLines();
    void indexesAgreeWithScan_data();
    void indexesAgreeWithScan();
    void largeStoresAnswerRightly();
};

void TestMemberStore::lookups()
{
    const MemberStore store = storeOf({"no name here", "AB=first", "ab=second", "0000000001=", "x=a=b", "=anonymous"});
    QCOMPARE(store.FindName("no name here"), -1);
    QCOMPARE(store.FindName("ab"), 1);
    QCOMPARE(std::string(store.ValueOf("aB")), std::string("first"));
    QCOMPARE(std::string(store.ValueOf("0000000001")), std::string());
    QCOMPARE(std::string(store.ValueOf("missing")), std::string());
    QCOMPARE(std::string(store.ValueOf("x")), std::string("a=b"));
    QCOMPARE(store.FindName(""), 5);
    QCOMPARE(store.FindLine("NO NAME HERE"), 0);
    QCOMPARE(store.FindLine("no name"), -1);
    QCOMPARE(store.FindLine("ab=SECOND"), 2);
}

void TestMemberStore::nameComparison_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("found");
    QTest::newRow("ASCII letters fold") << QByteArray("AbC=1") << QByteArray("aBc") << 0;
    QTest::newRow("full-width letters fold") << QByteArray("\x82\x60\x82\x79=1") /* ＡＺ */ << QByteArray("\x82\x81\x82\x9A") /* ａｚ */ << 0;
    QTest::newRow("Greek letters fold") << QByteArray("\x83\x9F=1") /* Α */ << QByteArray("\x83\xBF") /* α */ << 0;
    QTest::newRow("trail byte b is not folded to B") << QByteArray("\x83\x62=1") /* ッ */ << QByteArray("\x83\x42") /* ィ */ << -1;
    QTest::newRow("trail byte 5C matches itself") << QByteArray("\x95\x5C\x83\x5C=1") /* 表ソ */ << QByteArray("\x95\x5C\x83\x5C") << 0;
    QTest::newRow("letter after a double-byte character folds")
        << QByteArray("\x94\x5C" "a=1") /* 能a */ << QByteArray("\x94\x5C" "A") << 0;
    QTest::newRow("line without = has no name") << QByteArray("0000000001") << QByteArray("0000000001") << -1;
    QTest::newRow("numbers compare exactly") << QByteArray("0000000001=1") << QByteArray("1") << -1;
}

void TestMemberStore::nameComparison()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, name);
    QFETCH(int, found);
    const MemberStore store = storeOf({"other=0", line.toStdString()});
    QCOMPARE(store.FindName(name.toStdString()), found < 0 ? -1 : 1);
}

void TestMemberStore::putValue_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArrayList>("expected");
    const QByteArrayList before{"1=a", "2=b", "2=c"};
    QTest::newRow("replaces the first line in place") << QByteArray("2") << QByteArray("z") << QByteArrayList{"1=a", "2=z", "2=c"};
    QTest::newRow("keeps the caller's spelling") << QByteArray("A") << QByteArray("z") << QByteArrayList{"1=a", "2=b", "2=c", "A=z"};
    QTest::newRow("appends a new name") << QByteArray("3") << QByteArray("z") << QByteArrayList{"1=a", "2=b", "2=c", "3=z"};
    QTest::newRow("empty value removes the first line") << QByteArray("2") << QByteArray() << QByteArrayList{"1=a", "2=c"};
    QTest::newRow("empty value for a missing name") << QByteArray("9") << QByteArray() << before;
}

void TestMemberStore::putValue()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QFETCH(QByteArrayList, expected);
    MemberStore store = storeOf({"1=a", "2=b", "2=c"});
    store.FindName("1"); // the name index is built before the change
    store.PutValue(name.toStdString(), value.toStdString());
    std::vector<std::string> want;
    for (const QByteArray& line : expected)
        want.push_back(line.toStdString());
    QCOMPARE(lines(store), want);
    QCOMPARE(std::string(store.ValueOf(name.toStdString())), std::string(value.isEmpty() && name == "2" ? "c" : value.toStdString()));
}

void TestMemberStore::faceTagMovesFirstLineToEnd()
{
    MemberStore store = storeOf({"0000000001=1", "0000000002=2", "0000000001=3"});
    const int at = store.FindName("0000000001");
    store.RemoveAt(at);
    store.Append("0000000001=0");
    QCOMPARE(lines(store), (std::vector<std::string>{"0000000002=2", "0000000001=3", "0000000001=0"}));
    QCOMPARE(std::string(store.ValueOf("0000000001")), std::string("3"));
}

void TestMemberStore::reading_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::newRow("CR LF") << QByteArray("a=1\r\nb=2\r\n") << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("LF only") << QByteArray("a=1\nb=2\n") << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("CR only") << QByteArray("a=1\rb=2\r") << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("no final line end") << QByteArray("a=1\r\nb=2") << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << QByteArrayList{"a", "", "b"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\na\r\n") << QByteArrayList{"", "", "a"};
    QTest::newRow("NUL ends the text") << QByteArray("a=1\r\nb=2\0c=3\r\n", 14) << QByteArrayList{"a=1", "b=2"};
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
    QTest::newRow("blanks and duplicates kept") << QByteArray(" a = 1 \r\n a = 1 \r\n") << QByteArrayList{" a = 1 ", " a = 1 "};
    QTest::newRow("Shift-JIS trail bytes untouched") << QByteArray("1=\x95\x5C\x83\x5C\r\n") << QByteArrayList{"1=\x95\x5C\x83\x5C"};
    QTest::newRow("escapes read back") << QByteArray("1=a<#13><#10>b<#0>c<#60>#10>\r\n")
                                       << QByteArrayList{QByteArray("1=a\r\nb\0c<#10>", 13)};
    QTest::newRow("a lone <# is text") << QByteArray("1=<#x> <#") << QByteArrayList{"1=<#x> <#"};
}

void TestMemberStore::reading()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArrayList, expected);
    std::vector<std::string> want;
    for (const QByteArray& line : expected)
        want.push_back(line.toStdString());
    QCOMPARE(MemberStore::SplitLines(file.toStdString()), want);
}

void TestMemberStore::writing_data()
{
    QTest::addColumn<QByteArrayList>("content");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("CR LF after every line") << QByteArrayList{"a=1", "", "b"} << QByteArray("a=1\r\n\r\nb\r\n");
    QTest::newRow("empty store, empty file") << QByteArrayList{} << QByteArray();
    QTest::newRow("plain lines as they are") << QByteArrayList{"1=<b>x</b>"} << QByteArray("1=<b>x</b>\r\n");
    QTest::newRow("line breaks escaped") << QByteArrayList{"1=a\r\nb<c"} << QByteArray("1=a<#13><#10>b<#60>c\r\n");
    QTest::newRow("escape look-alike escaped") << QByteArrayList{"1=<#13>"} << QByteArray("1=<#60>#13>\r\n");
}

void TestMemberStore::writing()
{
    QFETCH(QByteArrayList, content);
    QFETCH(QByteArray, file);
    std::vector<std::string> in;
    for (const QByteArray& line : content)
        in.push_back(line.toStdString());
    QCOMPARE(MemberStore::JoinLines(in), file.toStdString());
}

void TestMemberStore::savedAndLoadedAgain_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("profile with line breaks") << QByteArray("\xE3\x81\x82\r\n2nd line\n3rd\r");
    QTest::newRow("NUL inside") << QByteArray("before\0after", 12);
    QTest::newRow("text that looks like an escape") << QByteArray("<#13><#60><#0");
    QTest::newRow("backslash trail bytes") << QByteArray("\x95\x5C\x8E\xA6\r\n\x83\x5C\x83\x74\x83\x67");
}

void TestMemberStore::savedAndLoadedAgain()
{
    QFETCH(QByteArray, value);
    QTemporaryDir dir;
    const std::string path = dir.filePath("Prof.TXT").toStdString();
    MemberStore store;
    store.PutValue("0000000001", value.toStdString());
    store.Append("0000000002=next");
    store.SaveFile(path);
    MemberStore loaded;
    loaded.LoadFile(path);
    QCOMPARE(lines(loaded), lines(store));
}

void TestMemberStore::loadedAndWrittenAgain_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("change"); // a line appended after loading, if any
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("CR LF file written back as it was") << QByteArray("a=1\r\n\r\nb\r\n") << QByteArray() << QByteArray("a=1\r\n\r\nb\r\n");
    QTest::newRow("LF file written with CR LF") << QByteArray("a=1\nb\n") << QByteArray() << QByteArray("a=1\r\nb\r\n");
    QTest::newRow("last line end added") << QByteArray("a=1\r\nb") << QByteArray() << QByteArray("a=1\r\nb\r\n");
    QTest::newRow("text after NUL dropped") << QByteArray("a=1\r\n\0b\r\n", 9) << QByteArray() << QByteArray("a=1\r\n");
    QTest::newRow("escapes written again") << QByteArray("1=a<#13><#10>b<#60>#0>\r\n") << QByteArray() << QByteArray("1=a<#13><#10>b<#60>#0>\r\n");
    QTest::newRow("look-alike without escape kept") << QByteArray("1=<#x><b>\r\n") << QByteArray() << QByteArray("1=<#x><b>\r\n");
    QTest::newRow("line added after loading") << QByteArray("a=1\r\n") << QByteArray("b=x\ry") << QByteArray("a=1\r\nb=x<#13>y\r\n");
}

void TestMemberStore::loadedAndWrittenAgain()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, change);
    QFETCH(QByteArray, written);
    QTemporaryDir dir;
    writeFile(dir.filePath("Prof.txt"), file);
    MemberStore store;
    store.LoadFile(dir.filePath("Prof.txt").toStdString());
    QCOMPARE(lines(store), MemberStore::SplitLines(file.toStdString()));
    if (!change.isEmpty())
        store.Append(change.toStdString());
    store.SaveFile(dir.filePath("Prof.TXT").toStdString());
    QCOMPARE(readFile(dir.filePath("Prof.TXT")), written.toStdString());
}

void TestMemberStore::loadReplacesContent()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("f"), "b=2\r\n");
    MemberStore store = storeOf({"a=1"});
    QCOMPARE(store.FindName("a"), 0);
    store.LoadFile(dir.filePath("f").toStdString());
    QCOMPARE(store.FindName("a"), -1);
    QCOMPARE(store.FindName("b"), 0);
}

void TestMemberStore::errors()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("Prof.TXT");
    const std::string path = dir.filePath("Prof.TXT").toStdString();
    MemberStore store;
    try {
        store.LoadFile(path);
        QFAIL("a directory loaded");
    } catch (const qx::Error& error) {
        QCOMPARE(std::string(error.what()), "\x83\x74\x83\x40\x83\x43\x83\x8B " + path + " \x82\xCD\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1");
    }
    try {
        store.SaveFile(path);
        QFAIL("saved over a directory");
    } catch (const qx::Error& error) {
        QCOMPARE(std::string(error.what()), "\x83\x74\x83\x40\x83\x43\x83\x8B " + path + " \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1");
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0); // no temporary file left behind
}

void TestMemberStore::saveKeepsOldFileUntilReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Flag.TXT");
    writeFile(path, "old=1\r\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    storeOf({"new=2"}).SaveFile(path.toStdString());
    QCOMPARE(readFile(path), std::string("new=2\r\n"));
    QCOMPARE(int(QFile::permissions(path) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);
}

enum class AfterLoad { Nothing, ChangedBack, Appended, Cleared, Copied, SavedElsewhere, ModifiedInPlace, Touched, ReplacedByRename, Removed };
Q_DECLARE_METATYPE(AfterLoad)

void TestMemberStore::unchangedFileNotWrittenAgain_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<AfterLoad>("afterLoad");
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<bool>("stampedAhead"); // the file's stamps in the future
    QTest::addColumn<bool>("written");
    const QByteArray file = "0000000001=a\r\n0000000002=b<#13><#10>c\r\n";
    QTest::newRow("unchanged: left alone") << file << AfterLoad::Nothing << false << false << false;
    QTest::newRow("unchanged through a link: left alone, link kept") << file << AfterLoad::Nothing << true << false << false;
    QTest::newRow("line changed and changed back") << file << AfterLoad::ChangedBack << false << false << true;
    QTest::newRow("line appended") << file << AfterLoad::Appended << false << false << true;
    QTest::newRow("cleared and filled again") << file << AfterLoad::Cleared << false << false << true;
    QTest::newRow("a copy of the store") << file << AfterLoad::Copied << false << false << true;
    QTest::newRow("saved to another path") << file << AfterLoad::SavedElsewhere << false << false << true;
    QTest::newRow("file changed in place, same size") << file << AfterLoad::ModifiedInPlace << false << false << true;
    QTest::newRow("file's stamps changed") << file << AfterLoad::Touched << false << false << true;
    QTest::newRow("file replaced by a rename") << file << AfterLoad::ReplacedByRename << false << false << true;
    QTest::newRow("file replaced by a rename behind a link") << file << AfterLoad::ReplacedByRename << true << false << true;
    QTest::newRow("file removed") << file << AfterLoad::Removed << false << false << true;
    QTest::newRow("file with LF line ends") << QByteArray("0000000001=a\n0000000002=b\n") << AfterLoad::Nothing << false << false << true;
    QTest::newRow("file without a last line end") << QByteArray("0000000001=a\r\n0000000002=b") << AfterLoad::Nothing << false << false << true;
    QTest::newRow("file with bytes after a NUL") << QByteArray("0000000001=a\r\n\0x\r\n", 18) << AfterLoad::Nothing << false << false << true;
    QTest::newRow("file with an escape written otherwise") << QByteArray("0000000001=<#60>\r\n") << AfterLoad::Nothing << false << false << true;
    QTest::newRow("file stamped in the future") << file << AfterLoad::Nothing << false << true << true;
}

void TestMemberStore::unchangedFileNotWrittenAgain()
{
    QFETCH(QByteArray, file);
    QFETCH(AfterLoad, afterLoad);
    QFETCH(bool, throughLink);
    QFETCH(bool, stampedAhead);
    QFETCH(bool, written);
    QTemporaryDir dir;
    const QString path = dir.filePath("Prof.TXT");
    const QString real = throughLink ? dir.filePath("real.TXT") : path;
    writeFile(real, file);
    if (throughLink)
        QVERIFY(QFile::link("real.TXT", path));
    if (stampedAhead) {
        const timespec ahead[2] = {{::time(nullptr) + 3600, 0}, {::time(nullptr) + 3600, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(real).constData(), ahead, 0), 0);
    } else {
        waitUntilSettled(real);
    }
    MemberStore store;
    store.LoadFile(path.toStdString());
    const std::vector<std::string> loaded = lines(store);

    MemberStore copy;
    const MemberStore* saved = &store;
    QString target = path;
    switch (afterLoad) {
    case AfterLoad::Nothing:
        break;
    case AfterLoad::ChangedBack:
        store.PutValue("0000000001", "x");
        store.PutValue("0000000001", "a");
        break;
    case AfterLoad::Appended:
        store.Append("0000000003=c");
        break;
    case AfterLoad::Cleared:
        store.Clear();
        for (const std::string& line : loaded)
            store.Append(line);
        break;
    case AfterLoad::Copied:
        copy = store;
        saved = &copy;
        break;
    case AfterLoad::SavedElsewhere:
        target = dir.filePath("Other.TXT");
        writeFile(target, file);
        break;
    case AfterLoad::ModifiedInPlace: {
        QFile changed(real);
        QVERIFY(changed.open(QIODevice::ReadWrite));
        QVERIFY(changed.seek(11));
        QCOMPARE(changed.write("z"), qint64(1));
        break;
    }
    case AfterLoad::Touched:
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(real).constData(), nullptr, 0), 0);
        break;
    case AfterLoad::ReplacedByRename:
        writeFile(dir.filePath("new.TXT"), file);
        QVERIFY(::rename(QFile::encodeName(dir.filePath("new.TXT")).constData(), QFile::encodeName(real).constData()) == 0);
        break;
    case AfterLoad::Removed:
        QVERIFY(QFile::remove(real));
        break;
    }
    const QString writtenFile = target == path ? real : target;
    const std::optional<struct stat> before = statusOf(writtenFile);
    saved->SaveFile(target.toStdString());
    const std::optional<struct stat> after = statusOf(writtenFile);
    QVERIFY(after);
    // A save writes a new file and renames it into place.
    const bool rewritten = !before || before->st_ino != after->st_ino || before->st_mtim.tv_sec != after->st_mtim.tv_sec
                           || before->st_mtim.tv_nsec != after->st_mtim.tv_nsec;
    QCOMPARE(rewritten, written);
    QCOMPARE(readFile(writtenFile), MemberStore::JoinLines(lines(*saved)));
    QCOMPARE(QFileInfo(path).isSymLink(), throughLink);
}

void TestMemberStore::changedStoreSavesItsLines_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("removeFirst"); // lines removed before the other changes
    QByteArray lines;
    for (int i = 1; i <= 9; ++i)
        lines += "000000000" + QByteArray::number(i) + "=profile " + QByteArray::number(i) + "\r\n";
    QTest::newRow("CR LF file") << lines << 0;
    QTest::newRow("LF file") << QByteArray(lines).replace("\r\n", "\n") << 0;
    QTest::newRow("CR file, no last line end") << QByteArray(lines).replace("\r\n", "\r").chopped(1) << 0;
    QTest::newRow("escaped lines") << QByteArray("0000000001=<#60>\r\n0000000002=a<#13><#10>b\r\n0000000003=c\r\n0000000005=<#0>\r\n0000000006=<#60>#13>\r\n")
                                   << 0;
    QByteArray many;
    for (int i = 0; i < 3000; ++i)
        many += "1" + QByteArray::number(i).rightJustified(9, '0') + "=" + (i % 7 == 0 ? "x<#13>y" : "plain") + "\r\n";
    QTest::newRow("packed again after many removals") << many + lines << 2500;
}

void TestMemberStore::changedStoreSavesItsLines()
{
    QFETCH(QByteArray, file);
    QFETCH(int, removeFirst);
    QTemporaryDir dir;
    const QString path = dir.filePath("Prof.TXT");
    writeFile(path, file);
    MemberStore store;
    store.LoadFile(path.toStdString());
    for (int i = 0; i < removeFirst; ++i)
        store.RemoveAt(0);
    changeLoadedStore(store);
    store.SaveFile(path.toStdString());
    const std::string expected = MemberStore::JoinLines(lines(store));
    QCOMPARE(readFile(path), expected);
    QCOMPARE(store.FileForm(), expected);
}

void TestMemberStore::indexesAgreeWithScan_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    // Steps at the start that mostly add lines, then as many that mostly
    // remove them, then changes of every kind.
    QTest::addColumn<int>("growSteps");
    QTest::addColumn<int>("valueSize");
    QTest::newRow("small store, every kind of change") << quint32(1234) << 4000 << 0 << 1;
    QTest::newRow("large store packed again after many removals") << quint32(99) << 10000 << 4000 << 1;
    QTest::newRow("long values packed again after many rewrites") << quint32(5) << 3000 << 0 << 3000;
}

void TestMemberStore::indexesAgreeWithScan()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    QFETCH(int, growSteps);
    QFETCH(int, valueSize);
    // A small alphabet so that names collide, repeat and differ only in case;
    // ッ and ィ differ only in a trail byte that looks like b and B.
    const std::vector<std::string> names{"1", "2", "a", "A", "\x82\x81", "\x82\x60", "\x83\x62", "\x83\x42", "\x95\x5C", ""};
    QRandomGenerator random(seed);
    QTemporaryDir dir;
    const std::string path = dir.filePath("Prof.TXT").toStdString();
    MemberStore store;
    ScanningStore reference;
    std::string failure;
    for (int step = 0; step < steps && failure.empty(); ++step) {
        const std::string& name = names[random.bounded(static_cast<int>(names.size()))];
        const std::string value = random.bounded(4) == 0 ? std::string() : std::string(static_cast<std::size_t>(valueSize - 1), '-') + std::to_string(random.bounded(3));
        int change = random.bounded(8);
        if (step < growSteps)
            change = change == 0 ? 2 : 0;
        else if (step < 2 * growSteps)
            change = change == 0 ? 0 : 2;
        switch (change) {
        case 0:
        case 1: {
            const std::string line = random.bounded(5) == 0 ? name : name + "=" + value;
            store.Append(line);
            reference.lines.push_back(line);
            break;
        }
        case 2:
        case 6:
            if (!reference.lines.empty()) {
                const int at = random.bounded(static_cast<int>(reference.lines.size()));
                store.RemoveAt(at);
                reference.lines.erase(reference.lines.begin() + at);
            }
            break;
        case 3: {
            store.PutValue(name, value);
            const int at = reference.findName(name);
            if (value.empty()) {
                if (at >= 0)
                    reference.lines.erase(reference.lines.begin() + at);
            } else if (at >= 0) {
                reference.lines[static_cast<std::size_t>(at)] = name + "=" + value;
            } else {
                reference.lines.push_back(name + "=" + value);
            }
            break;
        }
        case 4:
            if (random.bounded(50) == 0) {
                store.Clear();
                reference.lines.clear();
            }
            break;
        case 5:
            if (random.bounded(20) == 0) {
                store.SaveFile(path);
                store.LoadFile(path);
            }
            break;
        default:
            break;
        }
        for (int probe = 0; probe < 3; ++probe) {
            const std::string& text = names[random.bounded(static_cast<int>(names.size()))];
            const std::string line = text + "=" + std::string(static_cast<std::size_t>(valueSize - 1), '-') + std::to_string(random.bounded(3));
            if (store.FindName(text) != reference.findName(text) || store.FindLine(text) != reference.findLine(text)
                || store.FindLine(line) != reference.findLine(line) || store.Count() != static_cast<int>(reference.lines.size()))
                failure = "step " + std::to_string(step) + ", probe " + text;
        }
    }
    QCOMPARE(failure, std::string());
    QCOMPARE(lines(store), reference.lines);
}

void TestMemberStore::largeStoresAnswerRightly()
{
    // 100,000 cached profiles retagged and rewritten over and over, and a
    // million numbers seen: the indexes answer right after every removal in
    // the middle. (How fast they answer is measured in the benchmarks.)
    constexpr int kMembers = 100'000;
    auto number = [](int i) { return std::to_string(1'000'000'000 + i); };
    MemberStore flags;
    MemberStore profiles;
    for (int i = 0; i < kMembers; ++i) {
        flags.Append(number(i) + "=1");
        profiles.PutValue(number(i), "profile");
    }
    QRandomGenerator random(7);
    bool right = true;
    for (int tag = 0; tag < 50'000; ++tag) {
        const std::string member = number(random.bounded(kMembers));
        const int at = flags.FindName(member);
        if (at >= 0)
            flags.RemoveAt(at);
        flags.Append(member + "=" + std::to_string(tag % 4));
        right = right && flags.ValueOf(member) == std::to_string(tag % 4) && flags.Line(flags.Count() - 1) == member + "=" + std::to_string(tag % 4);
        const std::string rewritten = number(random.bounded(kMembers));
        const std::string profile = tag % 3 == 0 ? std::string() : "profile " + std::to_string(tag);
        profiles.PutValue(rewritten, profile);
        right = right && profiles.FindLine(rewritten + "=" + profile) == (profile.empty() ? -1 : profiles.FindName(rewritten));
    }
    MemberStore seen;
    for (int i = 0; i < 1'000'000; ++i)
        if (seen.FindLine(number(i % 700'000)) < 0)
            seen.Append(number(i % 700'000));
    QVERIFY(right);
    QCOMPARE(flags.Count(), kMembers);
    QCOMPARE(seen.Count(), 700'000);
}

QTEST_APPLESS_MAIN(TestMemberStore)
#include "tst_memberstore.moc"
