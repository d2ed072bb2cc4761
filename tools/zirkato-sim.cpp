// zirkato-sim: replays a race scenario through the real tick and cycle code and
// prints the trace. Usage: zirkato-sim [--header] [--data-dir DIR] [--web PORT] SCENARIO
#include <chrono>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include <QCoreApplication>

#include "base/Version.h"
#include "settings/DataDir.h"
#include "sim/Scenario.h"
#include "web/WebServer.h"

namespace {

constexpr const char* kUsage =
    "usage: zirkato-sim [--header] [--data-dir DIR] [--web PORT [--web-hold SECONDS]] SCENARIO\n";

// A whole number in [lo, hi], or -1.
long Number(const std::string& t, long lo, long hi) {
    if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos) return -1;
    const long v = std::stol(t);
    return v < lo || v > hi ? -1 : v;
}

void Help() {
    std::cout << kUsage
              << "\n"
                 "Replays a race scenario through the timing core of Zirkato on a simulated\n"
                 "clock and parallel port and prints what happened, one line per event.\n"
                 "\n"
                 "  --header          first a line with the program version and the scenario name\n"
                 "  --data-dir DIR    write the race's files (results, lists) to DIR\n"
                 "  --web PORT        serve the live pages on 127.0.0.1:PORT (0: any free port,\n"
                 "                    named on standard error) and replay at the wall clock's pace\n"
                 "  --web-hold S      with --web: keep serving S seconds after the replay's end\n"
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
    long webPort = -1, webHold = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--header") {
            header = true;
        } else if (a == "--web" && i + 1 < argc) {
            webPort = Number(argv[++i], 0, 65535);
            usage = usage || webPort < 0;
        } else if (a == "--web-hold" && i + 1 < argc) {
            webHold = Number(argv[++i], 0, 86400);
            usage = usage || webHold < 0;
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
    if (usage || path.empty() || (webHold > 0 && webPort < 0)) {
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
    if (webPort >= 0) {
        // Served live: the trace goes out as it happens (after the header).
        int qtArgc = 1;
        QCoreApplication app(qtArgc, argv);
        zk::WebServer server;
        const std::string results = sc.dataDir.empty() ? std::string() : sc.dataDir + "/Ergebnisse";
        if (!server.Start("127.0.0.1", static_cast<int>(webPort), results, &why)) {
            std::cerr << "zirkato-sim: --web " << webPort << ": " << why << '\n';
            return 2;
        }
        std::cerr << "zirkato-sim: live pages on " << server.Address() << std::endl;
        sc.live = &server;
        if (header) {
            const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
            std::cout << "# zirkato-sim " << zk::ProgramVersion() << " scenario=" << name << std::endl;
        }
        if (!zk::RunScenario(sc, std::cout, err)) {
            std::cerr << "zirkato-sim: " << path << ":" << err.line << ": " << err.message << '\n';
            return 2;
        }
        std::cout.flush();
        std::this_thread::sleep_for(std::chrono::seconds(webHold));
        server.Stop();
        return 0;
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
