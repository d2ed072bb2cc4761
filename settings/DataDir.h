// The data directory: where the settings file "Zirkato.ini", the race log
// "Logfile.txt", the race-director list "_Test.txt", the "Sounds" folder, lap
// files and spreadsheets live.
//
// Chosen in this order:
//   1. the command-line option --data-dir DIR (or --data-dir=DIR),
//   2. the environment variable ZIRKATO_DATA_DIR,
//   3. the executable's own directory when a "Zirkato.ini" there is writable
//      (a portable installation),
//   4. $XDG_DATA_HOME/zirkato, by default ~/.local/share/zirkato.
// The chosen directory is created when it does not exist yet.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zk {

inline constexpr const char* kIniFileName = "Zirkato.ini";
inline constexpr const char* kLogFileName = "Logfile.txt";
inline constexpr const char* kDirectorListName = "_Test.txt";
inline constexpr const char* kSoundsDirName = "Sounds";

struct DataDirSources {
    std::optional<std::string> option;  // --data-dir
    std::optional<std::string> env;     // ZIRKATO_DATA_DIR
    std::string exeDir;                 // directory of the running program ("" = unknown)
    std::optional<std::string> xdgDataHome;
    std::string home;
};

// The sources of the running process: its arguments, environment and executable.
DataDirSources DataDirSourcesOf(int argc, char** argv);

// The value of --data-dir in the arguments; nullopt when absent. `error` is set
// when the option has no value.
std::optional<std::string> DataDirOption(int argc, char** argv, std::string* error = nullptr);

// Chooses and creates the data directory. Returns "" and fills `error` (German)
// when no directory can be used.
std::string ResolveDataDir(const DataDirSources& src, std::string* error = nullptr);

// DIR/NAME.
std::string DataPath(const std::string& dir, const std::string& name);

// The folders the sound clips are looked up in, in this order: the data
// directory's "Sounds" (the user's own recordings), then the clips that ship
// with the program: EXEDIR/../share/zirkato/Sounds (an installed program in
// PREFIX/bin, the program of the build tree in build/ui) and
// EXEDIR/share/zirkato/Sounds (the tools of the build tree). Empty arguments
// are left out.
std::vector<std::string> SoundDirs(const std::string& dataDir, const std::string& exeDir);

}  // namespace zk
