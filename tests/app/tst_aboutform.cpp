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
    void longNameGrowsToTheRight();
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

void TestAboutForm::longNameGrowsToTheRight()
{
    qx::SetProgramFilePathForTesting("/some/dir.d/a rather long program file name.bin");
    TAboutForm box;
    QCOMPARE(box.AppLabel->text(), QStringLiteral("a rather long program file name.bin"));
    QCOMPARE(box.AppLabel->pos(), QPoint(16, 40));
    QVERIFY(box.AppLabel->width() > 80);
    QCOMPARE(box.VersionInfoFileVersionLabel1->pos(), QPoint(96, 40));
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
