#pragma once
// The member files, the profile cache "Prof.txt" and the face tags
// "flag.txt", read at start-up. The program reads them on a thread of their
// own, begun before the application object is made, so that a cache of tens
// of megabytes is read while the application object connects to the display.

#include "FileLocations.h"
#include "MemberStore.h"

#include <future>

struct MemberFiles {
    MemberStore Profiles;
    MemberStore Faces;

    // The files of files that exist; throws qx::Error
    // "ファイル %s は開けません" when one exists but cannot be read.
    static MemberFiles Read(const FileLocations& files);
};

class MemberFilesReading {
public:
    // Begins reading, on a thread of its own where one can be had.
    explicit MemberFilesReading(const FileLocations& files);
    // Waits for the files; throws what the reading threw. Once only.
    MemberFiles Take();

private:
    std::future<MemberFiles> m_files;
};
