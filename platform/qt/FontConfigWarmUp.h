#pragma once
// Reads the system's font configuration on a thread of its own while the
// application object connects to the display. Reading it is the largest
// single cost of the window's first text, and nothing else at start-up needs
// the second processor core.

#include <thread>

namespace qx {

class FontConfigWarmUp {
public:
    // Starts the reading; without a thread it is left to the first text.
    FontConfigWarmUp();
    ~FontConfigWarmUp() { Wait(); }
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    // Waits for the reading to end. Called before anything looks up a font,
    // which would otherwise read the whole configuration a second time.
    void Wait();

private:
    std::thread m_thread;
};

} // namespace qx
