#pragma once
// The signals that ask a desktop program to end (SIGTERM at logout or
// shutdown, SIGHUP, SIGINT) close the main window as the user's close would,
// so that what the close saves is saved. A signal that arrives while the
// program is still starting is kept until the window can take it.

class QWidget;

namespace qx {

// Takes over the three signals (and unblocks them, should the parent have
// blocked them); call it first thing in the entry.
void CatchTerminationSignals();

// From now on each caught signal, those kept since CatchTerminationSignals
// included, closes window once the event loop runs. A close the window
// refuses (a save failed) leaves it open; a further signal tries again.
void CloseOnTerminationSignals(QWidget* window);

} // namespace qx
