#include "Application.h"

#include "Cp932.h"
#include "ProgramFile.h"

#include <QMessageBox>

namespace qx {

namespace {

ErrorBoxHook& errorBoxHook()
{
    static ErrorBoxHook hook;
    return hook;
}

} // namespace

Application::Application(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(ToUnicode(ApplicationTitle()));
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        HandleException(error);
    }
    return true;
}

std::string ApplicationTitle()
{
    std::string name = ProgramFileName();
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string ErrorBoxText(std::string_view ansiMessage)
{
    std::string text(ansiMessage);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

void ShowErrorBox(std::string_view ansiMessage)
{
    const std::string text = ErrorBoxText(ansiMessage);
    if (errorBoxHook()) {
        errorBoxHook()(text);
        return;
    }
    QString title;
    QString shown;
    try {
        title = ToUnicode(ApplicationTitle());
        shown = ToUnicode(text);
    } catch (const std::exception&) {
        // Without the code page conversion there is still the message.
        title = QString::fromLocal8Bit(ApplicationTitle());
        shown = QString::fromLocal8Bit(text);
    }
    QMessageBox box(QMessageBox::Critical, title, shown, QMessageBox::Ok);
    box.exec();
}

void HandleException(const std::exception& error)
{
    ShowErrorBox(error.what());
}

void SetErrorBoxHook(ErrorBoxHook hook)
{
    errorBoxHook() = std::move(hook);
}

} // namespace qx
