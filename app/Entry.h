#pragma once
// The program's start-up and run, as the entry calls it: the application
// object, the main window over the files of this run, the hidden about box,
// then the message loop. An error in any of these steps is shown in the
// standard error box. It always returns 0.

int RunProgram(int& argc, char** argv);
