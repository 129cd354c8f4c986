// Saving a file the way the user set it up: links stay links, permissions and
// owners stay, a read-only folder still lets a writable file be saved, a
// read-only file is refused, a leftover of a killed save goes away, and a
// write that fails leaves the old file whole.

#include "Error.h"
#include "FileContents.h"
#include "IniFile.h"
#include "MemberStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
const std::string kSaved = "saved";
// ストリームへの書き込みエラー
const std::string kStreamWriteError = "\x83\x58\x83\x67\x83\x8A\x81\x5B\x83\x80\x82\xD6\x82\xCC\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x83\x47\x83\x89\x81\x5B";

// ファイル %s を作成できません
std::string cannotCreate(const std::string& path)
{
    return "\x83\x74\x83\x40\x83\x43\x83\x8B " + path + " \x82\xF0\x8D\xEC\x90\xAC\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1";
}

// Saves a member store of these lines; "saved" or the error's message.
std::string saveMembers(const std::string& path, const std::vector<std::string>& lines)
{
    MemberStore store;
    for (const std::string& line : lines)
        store.Append(line);
    try {
        store.SaveFile(path);
        return kSaved;
    } catch (const qx::Error& error) {
        return error.what();
    }
}

const std::vector<std::string> kNewMembers{"1001=\x83\x5C\x83\x74\x83\x67", "1002=b"};
const QByteArray kNewMemberBytes = "1001=\x83\x5C\x83\x74\x83\x67\r\n1002=b\r\n";
const QByteArray kOldBytes = "old=1\r\n";

// Runs work in a child process and returns what it returned. As root the
// child first becomes an unprivileged user, since root ignores permission bits.
std::string inChild(bool unprivileged, const std::function<std::string()>& work)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "(no pipe)";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeEnds[0]);
        if (unprivileged && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        const std::string outcome = work();
        const bool sent = ::write(pipeEnds[1], outcome.data(), outcome.size()) == ssize_t(outcome.size());
        ::_exit(sent ? 0 : 3);
    }
    ::close(pipeEnds[1]);
    std::string outcome;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        outcome.append(buffer, std::size_t(n));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "(child failed: " + std::to_string(status) + ")";
    return outcome;
}

// A folder the tests build files, folders and links in; an unprivileged
// child may enter it.
class Folder {
public:
    Folder() { ::chmod(base().c_str(), 0755); }
    ~Folder()
    {
        // Lets the folder be removed also when a test left a part read-only.
        for (const QString& dir : QDir(m_dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
            ::chmod(path(dir).c_str(), 0755);
    }
    std::string base() const { return m_dir.path().toStdString(); }
    std::string path(const QString& relative) const { return m_dir.filePath(relative).toStdString(); }
    void makeDirs(const QStringList& names) const
    {
        for (const QString& name : names)
            QVERIFY(QDir(m_dir.path()).mkpath(name));
    }
    void write(const QString& relative, const QByteArray& bytes, mode_t mode = 0644) const
    {
        const int fd = ::open(path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.constData(), bytes.size()), ssize_t(bytes.size()));
        QCOMPARE(::fchmod(fd, mode), 0);
        ::close(fd);
    }
    QByteArray read(const QString& relative) const
    {
        const auto bytes = qx::ReadFileContents(path(relative));
        return bytes ? QByteArray::fromStdString(*bytes) : QByteArray("(no file)");
    }
    struct stat status(const QString& relative) const
    {
        struct stat info {};
        if (::lstat(path(relative).c_str(), &info) != 0)
            info.st_mode = 0;
        return info;
    }
    // Hidden entries of a folder: the temporary files saves leave.
    QStringList hidden(const QString& dir) const
    {
        QStringList names;
        for (const QString& name : QDir(m_dir.filePath(dir)).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (name.startsWith('.'))
                names << name;
        return names;
    }

private:
    QTemporaryDir m_dir;
};

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

class TestFileContents : public QObject {
    Q_OBJECT

private slots:
    void savesThroughLinks_data();
    void savesThroughLinks();
    void linkLoopRefused();
    void keepsMode_data();
    void keepsMode();
    void keepsOwnerAndGroup();
    void permissions_data();
    void permissions();
    void removesOnlyLeftoversOfThisFile_data();
    void removesOnlyLeftoversOfThisFile();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void piecesWrittenInOrder_data();
    void piecesWrittenInOrder();
};

void TestFileContents::savesThroughLinks_data()
{
    // Each link is "link -> target" as the link holds it; "@" stands for the
    // test folder's absolute path.
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QString>("lands");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("settings");
    QTest::newRow("link beside its target") << QStringList{"profile/Prof.TXT -> real.TXT"} << "profile/Prof.TXT" << "profile/real.TXT" << true << false;
    QTest::newRow("link into a synced folder") << QStringList{"profile/Prof.TXT -> ../synced/Prof.TXT"} << "profile/Prof.TXT" << "synced/Prof.TXT" << true << false;
    QTest::newRow("absolute link") << QStringList{"profile/Prof.TXT -> @/synced/Prof.TXT"} << "profile/Prof.TXT" << "synced/Prof.TXT" << true << false;
    QTest::newRow("chain, each link relative to its own folder")
        << QStringList{"profile/Prof.TXT -> ../hops/hop", "hops/hop -> ../synced/Prof.TXT"} << "profile/Prof.TXT" << "synced/Prof.TXT" << true << false;
    QTest::newRow("dangling link creates the file it names") << QStringList{"profile/Prof.TXT -> ../synced/Prof.TXT"} << "profile/Prof.TXT" << "synced/Prof.TXT" << false << false;
    QTest::newRow("settings file through a link") << QStringList{"profile/quorrix.INI -> ../synced/quorrix.INI"} << "profile/quorrix.INI" << "synced/quorrix.INI" << true << true;
    QTest::newRow("settings file through a dangling link") << QStringList{"profile/quorrix.INI -> ../synced/quorrix.INI"} << "profile/quorrix.INI" << "synced/quorrix.INI" << false << true;
}

void TestFileContents::savesThroughLinks()
{
    QFETCH(QStringList, links);
    QFETCH(QString, saved);
    QFETCH(QString, lands);
    QFETCH(bool, existing);
    QFETCH(bool, settings);
    Folder folder;
    folder.makeDirs({"profile", "synced", "hops"});
    const QByteArray oldSettings = "; mine\r\n[Proxy]\r\nUSE=0\r\n";
    if (existing)
        folder.write(lands, settings ? oldSettings : kOldBytes, 0640);
    for (const QString& link : links) {
        const QStringList parts = link.split(" -> ");
        const std::string target = QString(parts[1]).replace("@", QString::fromStdString(folder.base())).toStdString();
        QCOMPARE(::symlink(target.c_str(), folder.path(parts[0]).c_str()), 0);
    }

    QByteArray expected = kNewMemberBytes;
    if (settings) {
        IniFile ini(folder.path(saved));
        ini.WriteString("Proxy", "USE", "1");
        expected = QByteArray::fromStdString(ini.Contents());
        ini.UpdateFile();
        QVERIFY(expected.contains("USE=1"));
        QCOMPARE(expected.startsWith("; mine"), existing);
    } else {
        QCOMPARE(saveMembers(folder.path(saved), kNewMembers), kSaved);
    }

    for (const QString& link : links) {
        const QStringList parts = link.split(" -> ");
        QVERIFY2(S_ISLNK(folder.status(parts[0]).st_mode), qPrintable(parts[0]));
        char target[4096];
        const ssize_t n = ::readlink(folder.path(parts[0]).c_str(), target, sizeof target);
        QCOMPARE(QString::fromUtf8(target, n), QString(parts[1]).replace("@", QString::fromStdString(folder.base())));
    }
    QCOMPARE(folder.read(saved), expected);
    QCOMPARE(folder.read(lands), expected);
    QCOMPARE(folder.status(lands).st_mode & 07777, existing ? 0640u : 0666u & ~currentUmask());
    for (const char* dir : {"profile", "synced", "hops"})
        QCOMPARE(folder.hidden(dir), QStringList());
}

void TestFileContents::linkLoopRefused()
{
    Folder folder;
    QCOMPARE(::symlink("Prof.TXT", folder.path("Prof.TXT").c_str()), 0);
    QCOMPARE(saveMembers(folder.path("Prof.TXT"), kNewMembers), cannotCreate(folder.path("Prof.TXT")));
    QVERIFY(S_ISLNK(folder.status("Prof.TXT").st_mode));
    QCOMPARE(folder.hidden(""), QStringList());
}

void TestFileContents::keepsMode_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<uint>("mode");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<uint>("expected");
    QTest::newRow("private file stays 0600") << true << 0600u << 022u << 0600u;
    QTest::newRow("group-readable file stays 0640") << true << 0640u << 022u << 0640u;
    QTest::newRow("world-writable file stays 0666 under umask 077") << true << 0666u << 077u << 0666u;
    QTest::newRow("executable file stays 0750") << true << 0750u << 022u << 0750u;
    QTest::newRow("new file under umask 022 is 0644") << false << 0u << 022u << 0644u;
    QTest::newRow("new file under umask 077 is 0600") << false << 0u << 077u << 0600u;
}

void TestFileContents::keepsMode()
{
    QFETCH(bool, existing);
    QFETCH(uint, mode);
    QFETCH(uint, mask);
    QFETCH(uint, expected);
    Folder folder;
    if (existing)
        folder.write("Flag.TXT", kOldBytes, mode);
    const mode_t before = ::umask(mask);
    const qx::ReplaceResult result = qx::ReplaceFileContents(folder.path("Flag.TXT"), "new=2\r\n");
    ::umask(before);
    QCOMPARE(int(result), int(qx::ReplaceResult::Replaced));
    QCOMPARE(folder.read("Flag.TXT"), QByteArray("new=2\r\n"));
    QCOMPARE(folder.status("Flag.TXT").st_mode & 07777, expected);
}

void TestFileContents::keepsOwnerAndGroup()
{
    if (::geteuid() != 0)
        QSKIP("only root may give a file to another user");
    Folder folder;
    folder.write("Prof.TXT", kOldBytes, 0640);
    QCOMPARE(::chown(folder.path("Prof.TXT").c_str(), kNobody, kNobody), 0);
    QCOMPARE(saveMembers(folder.path("Prof.TXT"), kNewMembers), kSaved);
    const struct stat info = folder.status("Prof.TXT");
    QCOMPARE(info.st_uid, kNobody);
    QCOMPARE(info.st_gid, gid_t(kNobody));
    QCOMPARE(info.st_mode & 07777, 0640u);
    QCOMPARE(folder.read("Prof.TXT"), kNewMemberBytes);
}

void TestFileContents::permissions_data()
{
    QTest::addColumn<uint>("folderMode");
    QTest::addColumn<int>("fileMode"); // -1: no file
    QTest::addColumn<bool>("othersFile"); // the file belongs to another user
    QTest::addColumn<bool>("saved");
    QTest::newRow("read-only folder: writable file written in place") << 0555u << 0666 << false << true;
    QTest::newRow("sticky folder: another user's writable file written in place") << 01777u << 0666 << true << true;
    QTest::newRow("read-only file refused in a writable folder") << 0777u << 0444 << false << false;
    QTest::newRow("read-only file refused in a read-only folder") << 0555u << 0444 << false << false;
    QTest::newRow("read-only folder without the file refused") << 0555u << -1 << false << false;
}

void TestFileContents::permissions()
{
    QFETCH(uint, folderMode);
    QFETCH(int, fileMode);
    QFETCH(bool, othersFile);
    QFETCH(bool, saved);
    const bool root = ::geteuid() == 0;
    if (othersFile && !root)
        QSKIP("only root may make a file that belongs to another user");
    Folder folder;
    folder.makeDirs({"profile"});
    const QString name = "profile/Prof.TXT";
    const std::string path = folder.path(name);
    if (fileMode >= 0)
        folder.write(name, kOldBytes, mode_t(fileMode));
    // As root the child saves as another user, so the file is someone
    // else's unless the test hands it over; without root it is the test's.
    if (root && !othersFile && fileMode >= 0)
        QCOMPARE(::chown(path.c_str(), kNobody, kNobody), 0);
    if (root && !othersFile)
        QCOMPARE(::chown(folder.path("profile").c_str(), kNobody, kNobody), 0);
    QCOMPARE(::chmod(folder.path("profile").c_str(), folderMode), 0);
    const ino_t inode = folder.status(name).st_ino;

    const std::string outcome = inChild(true, [&] { return saveMembers(path, kNewMembers); });

    QCOMPARE(outcome, saved ? kSaved : cannotCreate(path));
    QCOMPARE(folder.read(name), saved ? kNewMemberBytes : fileMode >= 0 ? kOldBytes : QByteArray("(no file)"));
    if (fileMode >= 0) {
        QCOMPARE(folder.status(name).st_ino, inode);
        QCOMPARE(int(folder.status(name).st_mode & 07777), fileMode);
    }
    QCOMPARE(folder.hidden("profile"), QStringList());
}

void TestFileContents::removesOnlyLeftoversOfThisFile_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("kind"); // file, busy (a save under way holds it), folder, link
    QTest::addColumn<bool>("removed");
    QTest::newRow("leftover of this file removed") << ".Prof.TXT.a1B2c3" << "file" << true;
    QTest::newRow("leftover of a save under way kept") << ".Prof.TXT.q7W8e9" << "busy" << false;
    QTest::newRow("leftover of another file kept") << ".Flag.TXT.a1B2c3" << "file" << false;
    QTest::newRow("other spelling of the name kept") << ".prof.txt.a1B2c3" << "file" << false;
    QTest::newRow("longer suffix kept") << ".Prof.TXT.a1B2c3d" << "file" << false;
    QTest::newRow("shorter suffix kept") << ".Prof.TXT.a1B2c" << "file" << false;
    QTest::newRow("suffix mkstemp never makes kept") << ".Prof.TXT.a1-2c3" << "file" << false;
    QTest::newRow("name without the leading dot kept") << "Prof.TXT.a1B2c3" << "file" << false;
    QTest::newRow("folder of that name kept") << ".Prof.TXT.Dir123" << "folder" << false;
    QTest::newRow("link of that name kept") << ".Prof.TXT.Lnk123" << "link" << false;
}

void TestFileContents::removesOnlyLeftoversOfThisFile()
{
    QFETCH(QString, entry);
    QFETCH(QString, kind);
    QFETCH(bool, removed);
    Folder folder;
    folder.write("Prof.TXT", kOldBytes);
    folder.write("keep.TXT", "mine\r\n");
    int busy = -1;
    if (kind == "folder") {
        folder.makeDirs({entry});
    } else if (kind == "link") {
        QCOMPARE(::symlink("keep.TXT", folder.path(entry).c_str()), 0);
    } else {
        folder.write(entry, "half a save");
        if (kind == "busy") {
            busy = ::open(folder.path(entry).c_str(), O_RDONLY | O_CLOEXEC);
            QCOMPARE(::flock(busy, LOCK_EX), 0);
        }
    }

    QCOMPARE(saveMembers(folder.path("Prof.TXT"), kNewMembers), kSaved);
    if (busy >= 0)
        ::close(busy);

    QCOMPARE(folder.status(entry).st_mode == 0, removed);
    QCOMPARE(folder.read("Prof.TXT"), kNewMemberBytes);
    QCOMPARE(folder.read("keep.TXT"), QByteArray("mine\r\n"));
    QCOMPARE(folder.hidden(""), removed || !entry.startsWith('.') ? QStringList() : QStringList{entry});
}

void TestFileContents::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("linked");
    QTest::newRow("old file stays whole") << true << false;
    QTest::newRow("linked file stays whole") << true << true;
    QTest::newRow("no file yet: none is made") << false << false;
}

void TestFileContents::failedWriteKeepsOldFile()
{
    QFETCH(bool, existing);
    QFETCH(bool, linked);
    Folder folder;
    const QString target = linked ? "real.TXT" : "Prof.TXT";
    if (existing)
        folder.write(target, kOldBytes);
    if (linked)
        QCOMPARE(::symlink("real.TXT", folder.path("Prof.TXT").c_str()), 0);
    // More bytes than the file size limit lets the child write.
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i)
        lines.push_back(std::to_string(10000 + i) + "=\x83\x5C\x83\x74\x83\x67");
    const std::string path = folder.path("Prof.TXT");

    const std::string outcome = inChild(false, [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256, 256};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("(no limit)");
        return saveMembers(path, lines);
    });

    QCOMPARE(outcome, kStreamWriteError);
    QCOMPARE(folder.read(target), existing ? kOldBytes : QByteArray("(no file)"));
    QCOMPARE(S_ISLNK(folder.status("Prof.TXT").st_mode), linked);
    QCOMPARE(folder.hidden(""), QStringList());
}

void TestFileContents::piecesWrittenInOrder_data()
{
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<bool>("linked");
    QTest::newRow("no pieces, empty file") << 0 << 0 << false;
    QTest::newRow("more pieces than one call takes") << 2500 << 7 << false;
    QTest::newRow("empty pieces among them") << 3000 << 0 << false;
    QTest::newRow("large pieces") << 5 << (3 << 20) << false;
    QTest::newRow("through a link") << 2000 << 3 << true;
}

void TestFileContents::piecesWrittenInOrder()
{
    QFETCH(int, pieces);
    QFETCH(int, pieceSize);
    QFETCH(bool, linked);
    Folder folder;
    folder.write(linked ? "real.TXT" : "Prof.TXT", kOldBytes);
    if (linked)
        QCOMPARE(::symlink("real.TXT", folder.path("Prof.TXT").c_str()), 0);
    // Every third piece is empty when pieceSize is 0; the others differ.
    std::vector<std::string> texts;
    for (int i = 0; i < pieces; ++i)
        texts.push_back(pieceSize == 0 && i % 3 == 0 ? std::string() : std::string(std::size_t(std::max(pieceSize, 1)), char('a' + i % 26)) + std::to_string(i));
    std::vector<std::string_view> views(texts.begin(), texts.end());
    QByteArray expected;
    for (const std::string& text : texts)
        expected += QByteArray::fromStdString(text);

    QVERIFY(qx::ReplaceFileContents(folder.path("Prof.TXT"), views) == qx::ReplaceResult::Replaced);
    QCOMPARE(folder.read("Prof.TXT"), expected);
    QCOMPARE(S_ISLNK(folder.status("Prof.TXT").st_mode), linked);
    QCOMPARE(folder.hidden(""), QStringList());
}

QTEST_GUILESS_MAIN(TestFileContents)
#include "tst_filecontents.moc"
