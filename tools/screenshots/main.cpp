// Takes the README's screenshots: the main window with a list filled from the
// sample directory server, and the about box.
//   screenshots SAMPLE_SERVER_PORT OUTPUT_DIR

#include "Application.h"
#include "ProgramFile.h"
#include "TAboutForm.h"
#include "TWebPhoneForm.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

namespace {

void waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

} // namespace

int main(int argc, char** argv)
{
    qx::Application application(argc, argv);
    if (argc != 3)
        return 2;
    const QString port = QString::fromLocal8Bit(argv[1]);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir home;
    // The program's files go to a scratch directory; the program file there
    // is this one, so the about box finds the version information.
    const QString program = home.filePath(QStringLiteral("quorrix"));
    QFile::link(QCoreApplication::applicationFilePath(), program);
    qx::SetProgramFilePathForTesting(program.toStdString());
    QApplication::setFont(TWebPhoneForm::WindowFont());

    TWebPhoneForm form;
    AboutForm = new TAboutForm(&form);
    form.ProxyUse->setChecked(true);
    form.ProxyAddr->setText(QStringLiteral("127.0.0.1"));
    form.ProxyPort->setText(port);
    form.FlagList.Append("dummy=0");
    form.show();
    form.Button1Click();
    waitUntil([&] { return form.LVOnline->Count() > 1 && form.Sb->PanelText(1).empty(); });
    // A few faces and profiles, as after some use.
    for (const int row : {1, 4}) {
        form.LVOnline->SetSelected(row);
        form.N2->trigger();
    }
    form.LVOnline->SetSelected(2);
    form.N3->trigger();
    for (const int row : {0, 1, 3}) {
        form.RequestProfile(form.LVOnline->Items()[static_cast<std::size_t>(row)].Caption);
        waitUntil([&] { return form.LVOnline->Items()[static_cast<std::size_t>(row)].SubItems[5] != "--Double Click--"; });
    }
    form.LVOnline->SetSelected(1);
    QCoreApplication::processEvents();
    if (!form.grab().save(out.filePath(QStringLiteral("main-window.png"))))
        return 1;

    AboutForm->show();
    QCoreApplication::processEvents();
    if (!AboutForm->grab().save(out.filePath(QStringLiteral("about-box.png"))))
        return 1;
    return 0;
}
