#include "Entry.h"

#include "Application.h"
#include "FileLocations.h"
#include "FirstPaint.h"
#include "FontConfigWarmUp.h"
#include "MemberFiles.h"
#include "ProgramFile.h"
#include "TAboutForm.h"
#include "TWebPhoneForm.h"
#include "TerminationSignals.h"

#include <memory>

int RunProgram(int& argc, char** argv)
{
    // Fixed before anything else, so that a program file replaced while the
    // program runs changes nothing of this run.
    qx::ProgramFilePath();
    qx::CatchTerminationSignals();
    std::unique_ptr<qx::Application> application;
    try {
        // Both read while the application object connects to the display.
        const FileLocations files = FileLocations::ForThisRun();
        MemberFilesReading memberFiles(files);
        qx::FontConfigWarmUp fonts;
        application = std::make_unique<qx::Application>(argc, argv);
        fonts.Wait();
        // Lets the desktop match the windows to the program's desktop entry.
        QGuiApplication::setDesktopFileName(QStringLiteral("example.quorrix.Quorrix"));
        QApplication::setFont(TWebPhoneForm::WindowFont());
        WebPhoneForm = new TWebPhoneForm(nullptr, files, std::chrono::seconds(1), &memberFiles);
        // Made while the user looks at the first frame, long before the
        // about button can be pressed.
        qx::AfterFirstPaint(WebPhoneForm, [] { AboutForm = new TAboutForm(WebPhoneForm); });
        qx::CloseOnTerminationSignals(WebPhoneForm);
        WebPhoneForm->show();
        QApplication::exec();
    } catch (const std::exception& error) {
        // The error box needs an application object, even when making the
        // program's own was what failed.
        std::unique_ptr<QApplication> standIn;
        if (!QCoreApplication::instance())
            standIn = std::make_unique<QApplication>(argc, argv);
        qx::HandleException(error);
    }
    delete WebPhoneForm;
    WebPhoneForm = nullptr;
    AboutForm = nullptr;
    return 0;
}
