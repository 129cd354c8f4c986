#pragma once
// Runs the program's entry inside the test process, as "quorrix", with the
// error box replaced by a record of what it would have shown.

#include "Application.h"
#include "Entry.h"

#include <QByteArray>
#include <string>
#include <vector>

struct EntryRun {
    int Result = -1;
    std::vector<std::string> Shown; // the error box's texts, code page 932
};

inline EntryRun RunEntry()
{
    EntryRun run;
    qx::SetErrorBoxHook([&run](const std::string& text) { run.Shown.push_back(text); });
    QByteArray name("quorrix");
    char* argv[] = {name.data(), nullptr};
    int argc = 1;
    run.Result = RunProgram(argc, argv);
    qx::SetErrorBoxHook({});
    return run;
}
