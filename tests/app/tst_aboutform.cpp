// The about box: what it shows of the running program file, the same content
// on every opening, and the support link.

#include "TAboutForm.h"
#include "TWebPhoneForm.h"
#include "WindowFixture.h"

#include <QProcess>
#include <QtTest>

class TestAboutForm : public QObject {
    Q_OBJECT

private slots:
    void showsProgramFileAndVersion();
    void programFileWithoutVersionGivesEmptyLabels();
    void alteredVersionTable_data();
    void alteredVersionTable();
    void programFileName_data();
    void programFileName();
    void onlyTheButtonTakesFocus();
    void sameContentOnEveryOpening();
    void linkOpensAndBoxStaysOpen();
    void desktopEntryValidates();
};

void TestAboutForm::showsProgramFileAndVersion()
{
    // This test program carries the same version information as the program.
    qx::SetProgramFilePathForTesting(QCoreApplication::applicationFilePath().toStdString());
    TAboutForm box;
    QCOMPARE(box.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(box.AppLabel->text(), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QCOMPARE(box.VersionInfoFileVersionLabel1->text(), QStringLiteral("1.3.3.4"));
    QVERIFY(box.VersionInfoLegalCopyrightLabel1->text().startsWith(QStringLiteral("Copyright")));
    QCOMPARE(box.Label2->text(), QStringLiteral("Quorrix"));
    QCOMPARE(box.Label1->text(), QStringLiteral("サポート"));
    QCOMPARE(box.UrlLabel->toolTip(), QStringLiteral("クリックするとアクセスします"));
    QCOMPARE(box.UrlLabel->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(box.Label2->font().pixelSize(), 21);
    QVERIFY(box.Label2->font().bold() && box.Label2->font().italic());
    QCOMPARE(box.UrlLabel->font().pixelSize(), 12);
    QVERIFY(box.UrlLabel->font().underline());
    QCOMPARE(box.size(), QSize(370, 94));
    QCOMPARE(box.Button1->geometry(), QRect(288, 64, 75, 25));
}

void TestAboutForm::programFileWithoutVersionGivesEmptyLabels()
{
    qx::SetProgramFilePathForTesting(qEnvironmentVariable("QUORRIX_SAMPLE_SERVER").toStdString());
    TAboutForm box;
    QCOMPARE(box.AppLabel->text(), QStringLiteral("sample_server"));
    QCOMPARE(box.VersionInfoFileVersionLabel1->text(), QString());
    QCOMPARE(box.VersionInfoLegalCopyrightLabel1->text(), QString());
}

void TestAboutForm::alteredVersionTable_data()
{
    // Entries are given as key and value apart, so that this program holds
    // the joined "key=value" bytes only in its version table.
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("alteredKey");
    QTest::addColumn<QByteArray>("alteredValue");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("copyright");
    QTest::newRow("& shown as a plain character")
        << QByteArray("LegalCopyright") << QByteArray("Copyright (C)") << QByteArray("LegalCopyright")
        << QByteArray("Copyright A&B") << QStringLiteral("1.3.3.4") << QStringLiteral("Copyright A&B");
    QTest::newRow("missing FileVersion leaves only its label empty")
        << QByteArray("FileVersion") << QByteArray("1.3.3.4") << QByteArray("FileVersioX") << QByteArray("1.3.3.4")
        << QString() << QStringLiteral("Copyright (C)");
    QTest::newRow("code page 932 value")
        << QByteArray("FileVersion") << QByteArray("1.3.3.4") << QByteArray("FileVersion")
        << QByteArray("\x95\x5C\x8E\xA6" "3.4") << QStringLiteral("表示3.4") << QStringLiteral("Copyright (C)");
}

// A copy of this test program with one entry of its version table altered
// in place.
void TestAboutForm::alteredVersionTable()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, alteredKey);
    QFETCH(QByteArray, alteredValue);
    QFETCH(QString, version);
    QFETCH(QString, copyright);
    const QByteArray from = key + '=' + value;
    const QByteArray to = alteredKey + '=' + alteredValue;
    QFile self(QCoreApplication::applicationFilePath());
    QVERIFY(self.open(QIODevice::ReadOnly));
    QByteArray program = self.readAll();
    QCOMPARE(from.size(), to.size());
    QCOMPARE(program.count(from), 1);
    program.replace(from, to);
    QTemporaryDir dir;
    QFile copy(dir.filePath(QStringLiteral("quorrix")));
    QVERIFY(copy.open(QIODevice::WriteOnly));
    QCOMPARE(copy.write(program), program.size());
    copy.close();

    qx::SetProgramFilePathForTesting(copy.fileName().toStdString());
    TAboutForm box;
    QCOMPARE(box.VersionInfoFileVersionLabel1->text(), version);
    QVERIFY2(box.VersionInfoLegalCopyrightLabel1->text().startsWith(copyright),
             qPrintable(box.VersionInfoLegalCopyrightLabel1->text()));
}

void TestAboutForm::programFileName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("directory dropped, extension kept") << QStringLiteral("/opt/q.d/quorrix.bin") << QStringLiteral("quorrix.bin");
    QTest::newRow("renamed program") << QStringLiteral("/home/u/.local/lib/quorrix/qx2") << QStringLiteral("qx2");
    QTest::newRow("long name grows to the right")
        << QStringLiteral("/some/dir/a rather long program file name.bin") << QStringLiteral("a rather long program file name.bin");
    QTest::newRow("name in the file system's encoding") << QStringLiteral("/tmp/表示ソフト.bin") << QStringLiteral("表示ソフト.bin");
}

void TestAboutForm::programFileName()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    qx::SetProgramFilePathForTesting(QFile::encodeName(path).toStdString());
    TAboutForm box;
    QCOMPARE(box.AppLabel->text(), shown);
    QCOMPARE(box.AppLabel->pos(), QPoint(16, 40));
    QVERIFY(box.AppLabel->width() >= box.AppLabel->fontMetrics().horizontalAdvance(shown));
    QCOMPARE(box.VersionInfoFileVersionLabel1->pos(), QPoint(96, 40));
}

void TestAboutForm::onlyTheButtonTakesFocus()
{
    TAboutForm box;
    for (const QWidget* child : box.findChildren<QWidget*>())
        QCOMPARE(child->focusPolicy() != Qt::NoFocus, child == box.Button1);
}

void TestAboutForm::sameContentOnEveryOpening()
{
    WindowFixture files;
    TWebPhoneForm form;
    AboutForm = new TAboutForm(&form);
    auto snapshot = [] {
        QStringList texts;
        for (const QLabel* label : AboutForm->findChildren<QLabel*>())
            texts << label->text();
        return texts;
    };
    const QStringList first = snapshot();
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, AboutForm, [] { AboutForm->Button1->click(); });
        QTest::mouseClick(form.ToolButton13, Qt::LeftButton);
        QVERIFY(!AboutForm->isVisible());
        QCOMPARE(snapshot(), first);
    }
    AboutForm = nullptr;
}

void TestAboutForm::linkOpensAndBoxStaysOpen()
{
    QStringList opened;
    TAboutForm::OpenUrlHook() = [&](const QString& address) { opened << address; };
    TAboutForm box;
    box.show();
    QTest::mouseClick(box.UrlLabel, Qt::LeftButton);
    QTest::mouseClick(box.UrlLabel, Qt::LeftButton);
    TAboutForm::OpenUrlHook() = nullptr;
    QCOMPARE(opened, (QStringList{box.UrlLabel->text(), box.UrlLabel->text()}));
    QVERIFY(box.isVisible());
}

void TestAboutForm::desktopEntryValidates()
{
    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QProcess process;
    process.start(validator, {QStringLiteral(QUORRIX_SOURCE_DIR "/data/quorrix.desktop")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.readAllStandardOutput() + process.readAllStandardError(), QByteArray());
    QCOMPARE(process.exitCode(), 0);
}

QTEST_MAIN(TestAboutForm)
#include "tst_aboutform.moc"
