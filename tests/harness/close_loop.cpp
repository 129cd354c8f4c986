// A program run that only ever closes: the window is built over the files in
// DIR, then closes over and over, each time with the other of two contents
// (A and B) of the profile and face stores and the proxy address. The crash
// safety test kills it at random moments and looks at what is left on disk.
//
// Usage: close_loop DIR once A|B   writes content A or B once and ends
//        close_loop DIR loop       alternates B, A, B, ... until killed;
//                                  prints "closing" before the first close

#include "ProgramFile.h"
#include "TWebPhoneForm.h"

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Many long lines, so that a save takes long enough to be interrupted.
void fill(TWebPhoneForm& form, char which)
{
    const std::string text(120, which);
    form.ProfList.Clear();
    form.FlagList.Clear();
    for (int i = 0; i < 40000; ++i) {
        const std::string number = std::to_string(1000000000 + i);
        form.ProfList.Append(number + "=" + which + text);
        form.FlagList.Append(number + "=" + std::to_string(which == 'A' ? i % 4 : 3 - i % 4));
    }
    form.ProxyAddr->setText(which == 'A' ? QStringLiteral("10.0.0.1") : QStringLiteral("192.168.200.200"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    QApplication app(argc, argv);
    qx::SetProgramFilePathForTesting(std::string(argv[1]) + "/quorrix");
    TWebPhoneForm form;
    if (std::strcmp(argv[2], "once") == 0 && argc == 4) {
        fill(form, argv[3][0]);
        form.FormClose();
        return 0;
    }
    std::puts("closing");
    std::fflush(stdout);
    for (char which = 'B';; which = which == 'A' ? 'B' : 'A') {
        fill(form, which);
        form.FormClose();
    }
}
