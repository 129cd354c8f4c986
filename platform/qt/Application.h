#pragma once
// The application object and its standard error box. The program's title is
// formed from the program file's name; an error that escapes an event handler
// is shown in the error box and the event loop goes on.

#include <QApplication>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace qx {

class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The program file's name without its extension.
std::string ApplicationTitle();

// The message as the error box shows it: a full stop is added when the last
// byte sorts above ".".
std::string ErrorBoxText(std::string_view ansiMessage);

// Shows the modal error box (application title, error icon, OK) with the
// message, code page 932 bytes.
void ShowErrorBox(std::string_view ansiMessage);

// Shows an error that escaped an event handler or the start-up.
void HandleException(const std::exception& error);

// Tests replace the modal box: the hook receives the text the box would show.
using ErrorBoxHook = std::function<void(const std::string& shownText)>;
void SetErrorBoxHook(ErrorBoxHook hook);

} // namespace qx
