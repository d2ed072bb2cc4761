// zirkato-sim: replays a race scenario through the real tick and cycle code and
// prints the trace. Usage: zirkato-sim [--header] [--data-dir DIR] SCENARIO
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "base/Version.h"
#include "settings/DataDir.h"
#include "sim/Scenario.h"

namespace {

constexpr const char* kUsage = "usage: zirkato-sim [--header] [--data-dir DIR] SCENARIO\n";

void Help() {
    std::cout << kUsage
              << "\n"
                 "Replays a race scenario through the timing core of Zirkato on a simulated\n"
                 "clock and parallel port and prints what happened, one line per event.\n"
                 "\n"
                 "  --header          first a line with the program version and the scenario name\n"
                 "  --data-dir DIR    write the race's files (results, lists) to DIR\n"
                 "  --help            this text\n"
                 "  --version         the program version\n"
                 "\n"
                 "Exit status: 0 replayed, 2 bad arguments or a faulty scenario.\n";
}

}  // namespace

int main(int argc, char** argv) {
    // --help and --version answer alone, whatever else is given.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            Help();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "zirkato-sim " << zk::ProgramVersion() << '\n';
            return 0;
        }
    }
    bool header = false;
    std::string path, dataDir;
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--header") {
            header = true;
        } else if (a == "--data-dir" && i + 1 < argc && argv[i + 1][0] != '\0') {
            dataDir = argv[++i];
        } else if (a.rfind("--data-dir=", 0) == 0 && a.size() > 11) {
            dataDir = a.substr(11);
        } else if (path.empty() && !(a.size() > 1 && a[0] == '-')) {
            path = a;
        } else {
            usage = true;
        }
    }
    if (usage || path.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    std::string text, why;
    if (!zk::ReadScenarioFile(path, text, why)) {
        std::cerr << "zirkato-sim: " << path << ": cannot read: " << why << '\n';
        return 2;
    }
    zk::Scenario sc;
    const auto slash = path.find_last_of('/');
    sc.baseDir = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!dataDir.empty()) {
        zk::DataDirSources src;
        src.option = dataDir;
        sc.dataDir = zk::ResolveDataDir(src, &why);
        if (sc.dataDir.empty()) {
            std::cerr << "zirkato-sim: " << dataDir << ": " << why << '\n';
            return 2;
        }
    }
    // The announcer's clips: a "Sounds" folder beside the scenario (recordings
    // of one's own), then the clips that ship with the program.
    sc.soundDirs = zk::SoundDirs(sc.baseDir, zk::DataDirSourcesOf(argc, argv).exeDir);
    zk::ScenarioError err;
    if (!zk::ParseScenario(text, sc, err)) {
        std::cerr << "zirkato-sim: " << path << ":" << err.line << ": " << err.message << '\n';
        return 2;
    }
    // The trace goes to a buffer first, so that a start-up error prints no header.
    std::ostringstream trace;
    if (!zk::RunScenario(sc, trace, err)) {
        std::cerr << "zirkato-sim: " << path << ":" << err.line << ": " << err.message << '\n';
        return 2;
    }
    if (header) {
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        std::cout << "# zirkato-sim " << zk::ProgramVersion() << " scenario=" << name << '\n';
    }
    std::cout << trace.str();
    return 0;
}
