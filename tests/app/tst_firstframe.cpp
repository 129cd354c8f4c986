// The program run through its entry and driven as a user drives it: what is
// left out of the first frame (the about box, the desktop's icon) is there
// by the time the user can reach it, and a member file read beside the
// start-up still stops it with its error. A last test runs AfterFirstPaint
// alone: the work runs once, only after the window's first paint.

#include "Cp932.h"
#include "EntryRun.h"
#include "FirstPaint.h"
#include "Pictures.h"
#include "ProgramFile.h"
#include "TAboutForm.h"
#include "TWebPhoneForm.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// What the user met, in order.
QStringList g_met;

// Runs inside the program's event loop: waits for the window, presses the
// about button, closes the about box when it shows, then closes the window.
// The about box runs a loop of its own, in which a timer whose handler is
// still running does not fire again: the box is watched by a second timer.
void driveProgram()
{
    auto* window = new QTimer(qApp);
    auto* box = new QTimer(qApp);
    QObject::connect(box, &QTimer::timeout, [box] {
        if (QApplication::activeModalWidget() == AboutForm && AboutForm->isVisible()) {
            g_met << QStringLiteral("about box");
            box->stop();
            AboutForm->accept();
        }
    });
    QObject::connect(window, &QTimer::timeout, [window, box] {
        if (!WebPhoneForm || !WebPhoneForm->isVisible() || !AboutForm)
            return;
        window->stop();
        g_met << QStringLiteral("window");
        if (WebPhoneForm->windowIcon().pixmap(16).toImage() == SmallImage(8).pixmap(16).toImage())
            g_met << QStringLiteral("icon");
        box->start(10);
        QTest::mouseClick(WebPhoneForm->ToolButton13, Qt::LeftButton);
        box->stop();
        WebPhoneForm->close();
    });
    window->start(10);
    // Should the window or the box never come, the run still ends.
    QTimer::singleShot(20'000, qApp, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        if (WebPhoneForm)
            WebPhoneForm->close();
    });
}

} // namespace

class TestFirstFrame : public QObject {
    Q_OBJECT

private slots:
    void aboutBoxAndIconFollowTheFirstFrame();
    void unreadableMemberFileEndsTheStart();
    void workRunsOnceAfterFirstPaint();
};

void TestFirstFrame::aboutBoxAndIconFollowTheFirstFrame()
{
    QTemporaryDir folder;
    qx::SetProgramFilePathForTesting(folder.filePath(QStringLiteral("quorrix")).toStdString());
    qAddPreRoutine(driveProgram);
    const EntryRun run = RunEntry();
    QCOMPARE(run.Result, 0);
    QVERIFY(run.Shown.empty());
    QCOMPARE(g_met, (QStringList{QStringLiteral("window"), QStringLiteral("icon"), QStringLiteral("about box")}));
}

// The member files are read on a thread of their own; a file that cannot be
// read still reaches the error box, and no window is made.
void TestFirstFrame::unreadableMemberFileEndsTheStart()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Prof.txt")));
    const std::string program = folder.filePath(QStringLiteral("quorrix")).toStdString();
    qx::SetProgramFilePathForTesting(program);
    const EntryRun run = RunEntry();
    QCOMPARE(run.Result, 0);
    QCOMPARE(run.Shown.size(), std::size_t(1));
    QCOMPARE(qx::ToUnicode(run.Shown[0]), QStringLiteral("ファイル %1 は開けません.").arg(folder.filePath(QStringLiteral("Prof.txt"))));
    QCOMPARE(WebPhoneForm, nullptr);
}

void TestFirstFrame::workRunsOnceAfterFirstPaint()
{
    int argc = 1;
    QByteArray name("tst_firstframe");
    char* argv[] = {name.data(), nullptr};
    QApplication application(argc, argv);
    int runs = 0;
    {
        QWidget window;
        qx::AfterFirstPaint(&window, [&runs] { ++runs; });
        QCoreApplication::processEvents();
        QCOMPARE(runs, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(runs, 1);
        window.repaint();
        QTest::qWait(20);
        QCOMPARE(runs, 1);
    }
    // A window that goes before it was ever painted takes its work along.
    {
        auto* window = new QWidget;
        qx::AfterFirstPaint(window, [&runs] { ++runs; });
        delete window;
        QTest::qWait(20);
        QCOMPARE(runs, 1);
    }
}

QTEST_APPLESS_MAIN(TestFirstFrame)
#include "tst_firstframe.moc"
