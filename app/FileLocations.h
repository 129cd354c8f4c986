#pragma once
// Where the program keeps its files for one run: the profile file, the face
// file and the settings file. They stand beside the program file, as they
// always have, when the user may keep them there: a portable copy, a build
// folder and a per-user install work as before. A program installed for
// everyone (in /usr, say) keeps each user's files in the user's data folder
// instead, "$XDG_DATA_HOME/quorrix" or "~/.local/share/quorrix".
//
// The choice is made once, before anything is read, and holds for the run.

#include <functional>
#include <string>

class FileLocations {
public:
    // What the choice depends on.
    struct Facts {
        std::string ProgramFile; // full path of the program file
        std::string DataHome;    // $XDG_DATA_HOME as set, or empty
        std::string Home;        // the user's home folder
        // Whether the user may make new files in a folder, and write a file.
        std::function<bool(const std::string& directory)> MayCreateFilesIn;
        std::function<bool(const std::string& path)> MayWrite;
    };

    // Beside the program file when every one of the three files that stands
    // there already may be written, or when new files may be made there;
    // otherwise the data folder. A relative DataHome is ignored, as the
    // desktop's rules say.
    static FileLocations Choose(const Facts& facts);
    // The choice for this process: its program file, its environment, and
    // the kernel's answers for its real user.
    static FileLocations ForThisRun();

    const std::string& Directory() const { return m_directory; }
    bool BesideProgram() const { return m_besideProgram; }
    // "<program name>.INI" beside the program, "quorrix.INI" in the data folder.
    const std::string& SettingsName() const { return m_settingsName; }

    // The path of the file called name in Directory(), matched without
    // regard to letter case.
    std::string PathOf(const std::string& name) const;
    std::string SettingsPath() const { return PathOf(m_settingsName); }

    // Makes Directory() and the folders above it when they are missing, so
    // that a data folder comes into being at the first save. Failures are
    // left for the save to report.
    void MakeDirectory() const;

private:
    std::string m_directory;
    std::string m_settingsName;
    bool m_besideProgram = true;
};
