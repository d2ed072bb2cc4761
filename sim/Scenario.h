// Deterministic replay of the real tick and cycle code from a scenario text.
//
// Scenario lines ("#" starts a comment, blank lines are ignored):
//   ini PATH                a settings file (relative to the scenario's folder)
//   set SECTION KEY VALUE   a setting, as if the settings file had held it
//   set-time HH:MM:SS       time of day at millisecond 0 (default 00:00:00)
//   at MS ACTION [ARGS]     perform ACTION at millisecond MS
//   clock-start MS          the millisecond clock reads MS (0..4294967295, taken
//                           as a 32-bit value) at scenario millisecond 0; default 0
//   end MS                  run through millisecond MS, then stop (the last
//                           statement; MS at most kMaxScenarioMs)
//   wire L BIT high|low     the sensor of lane/input L (1..10) drives bit BIT
//                           (0..7) of the input word, active high or low; with
//                           any wire line the inputs follow the wiring, not the
//                           learned masks
// Names with blanks are written in double quotes.
//
// Within each millisecond MS = 1, 2, ...: (1) input actions at MS take effect,
// (2) the tick runs with AktZeit = MS, (3) at multiples of 100 the 100 ms cycle
// runs, (4) every other action at MS runs, in scenario order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace zk {

class RaceSystem;
class LiveServer;

struct ScenarioError {
    int line = 0;
    std::string message;
};

struct ScenarioAction {
    int line = 0;
    int32_t ms = 0;
    std::string name;
    std::vector<std::string> args;
};

// "wire L BIT high|low": how the simulated track is wired to the input word.
struct ScenarioWire {
    int input = 0;  // 1..10
    int bit = 0;    // 0..7
    bool high = true;
};

struct Scenario {
    std::vector<ScenarioWire> wires;  // empty: the inputs follow the learned masks
    std::vector<std::vector<std::string>> settings;  // tokens of each start-up line (set/ini)
    std::vector<int> settingsLines;
    std::vector<ScenarioAction> actions;
    int32_t endMs = 0;
    int32_t startTimeOfDay = 0;  // "set-time": seconds since midnight at millisecond 0
    // Clock reading at scenario millisecond 0; scenario millisecond MS runs with the
    // clock at clockStart + MS, wrapping as the 32-bit clock does. Action and end
    // times stay scenario milliseconds.
    uint32_t clockStart = 0;
    bool haveClockStart = false;
    std::string baseDir;  // directory of the scenario file, for relative paths
    std::string dataDir;  // --data-dir: director list, lap file, workbooks and race results go there ("" = none)
    std::vector<std::string> soundDirs;  // where the announcer's clips are looked up, first first
    // --web: the spectators' server the replay publishes to after each cycle;
    // the replay then runs at the pace of the wall clock and flushes the trace
    // at each cycle, so a page and the trace can be compared as they happen.
    LiveServer* live = nullptr;
};

// Longest run a scenario may ask for: 24 hours of simulated time.
inline constexpr int32_t kMaxScenarioMs = 24 * 60 * 60 * 1000;
// Largest scenario file read.
inline constexpr size_t kMaxScenarioBytes = 16 * 1024 * 1024;

// Reads a scenario file: a regular file of at most kMaxScenarioBytes. Returns
// false with the reason in `why`.
bool ReadScenarioFile(const std::string& path, std::string& text, std::string& why);

// Splits a line into words; double quotes group words with blanks.
std::vector<std::string> SplitScenarioLine(const std::string& line, bool* ok);

// Parses a scenario. Returns false and fills `err` on a syntax error.
bool ParseScenario(const std::string& text, Scenario& out, ScenarioError& err);

// Runs a parsed scenario and writes its trace. Returns false (with `err`) when a
// line fails at start-up (unknown setting, unreadable file).
bool RunScenario(const Scenario& sc, std::ostream& trace, ScenarioError& err);

}  // namespace zk
