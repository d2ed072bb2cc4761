// The replay tool as a user runs it: scenario file in, trace out, exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <string>

#include "base/Version.h"
#include "sim/Scenario.h"
#include "tests/SimRun.h"

namespace {

using zk::test::RunSim;
using zk::test::RunSimOn;
using zk::test::SimRun;

}  // namespace

TEST(SimTool, ReactionAndFirstLapOfLaneOne) {
    const SimRun r = RunSim(
        "# lane 1 on status bit 6\n"
        "set LiZeit Minimum 500\n"
        "set LiZeit Minimum 500\n"
        "set Masken MS1 64\n"
        "set Masken CS1 64\n"
        "at 10000 green\n"
        "at 10350 car 1 20\n"
        "at 15350 car 1 20\n"
        "end 16000\n",
        "first-lap.scn");
    EXPECT_EQ(r.status, 0);
    const auto react = r.out.find("10400 reaction lane=1 ms=350\n");
    const auto lap = r.out.find("15400 lap lane=1 laps=1 time=5.350 total=5350 best=1 pos=1\n");
    EXPECT_NE(react, std::string::npos) << r.out;
    EXPECT_NE(lap, std::string::npos) << r.out;
    EXPECT_LT(react, lap);
}

TEST(SimTool, QuotedNamesAndSyntaxErrorsNameTheLine) {
    const SimRun ok = RunSim("set \"Aktive Spuren\" \"Spur 4\" 0\nend 10\n", "quoted.scn");
    EXPECT_EQ(ok.status, 0) << ok.out;

    const SimRun bad = RunSim("# comment\n\nat 100 car 9 20\nend 200\n", "bad-lane.scn");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("bad-lane.scn:3:"), std::string::npos) << bad.out;

    const SimRun unknown = RunSim("set Nirgends Nix 1\nend 10\n", "unknown.scn");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.out.find(":1:"), std::string::npos) << unknown.out;

    const SimRun noEnd = RunSim("at 5 green\n", "noend.scn");
    EXPECT_EQ(noEnd.status, 2);
}

TEST(SimTool, ReplayIsDeterministic) {
    std::ifstream f(std::string(ZK_SOURCE_DIR) + "/examples/demo-race.scn");
    std::stringstream text;
    text << f.rdbuf();
    std::string traces[2];
    for (auto& t : traces) {
        zk::Scenario sc;
        zk::ScenarioError err;
        ASSERT_TRUE(zk::ParseScenario(text.str(), sc, err)) << err.message;
        std::ostringstream out;
        ASSERT_TRUE(zk::RunScenario(sc, out, err)) << err.message;
        t = out.str();
    }
    EXPECT_EQ(traces[0], traces[1]);
    EXPECT_NE(traces[0].find("lap lane=2 laps=3"), std::string::npos) << traces[0];
}

TEST(SimTool, EndIsLastAndBoundedAndOnlyRegularFilesAreRead) {
    // An end time beyond the limit used to overflow the millisecond loop.
    const SimRun huge = RunSim("end 2147483647\n", "huge-end.scn");
    EXPECT_EQ(huge.status, 2);
    EXPECT_NE(huge.out.find("huge-end.scn:1: expected: end MS"), std::string::npos) << huge.out;
    EXPECT_EQ(RunSim("end 86400001\n", "over-end.scn").status, 2);

    const SimRun twoEnds = RunSim("at 5 green\nend 10\n# Kommentar\n\nat 20 green\nend 30\n", "two-ends.scn");
    EXPECT_EQ(twoEnds.status, 2);
    EXPECT_NE(twoEnds.out.find("two-ends.scn:5: nothing may follow 'end'"), std::string::npos) << twoEnds.out;
    EXPECT_EQ(RunSim("end 10\nset LiZeit Minimum 500\n", "set-after-end.scn").status, 2);
    EXPECT_EQ(RunSim("end 10\n# Kommentar\n\n", "comment-after-end.scn").status, 0);

    // Neither endless nor blocking: a device, a FIFO and a directory are refused.
    const std::string fifo = ::testing::TempDir() + "fifo.scn";
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    for (const std::string& path : {std::string("/dev/zero"), fifo, ::testing::TempDir()}) {
        const SimRun r = RunSimOn(path);
        EXPECT_EQ(r.status, 2) << path;
        EXPECT_NE(r.out.find(path + ": cannot read: "), std::string::npos) << r.out;
    }
    ::unlink(fifo.c_str());
    const std::string big = ::testing::TempDir() + "big.scn";
    std::ofstream(big) << "end 10\n";
    std::filesystem::resize_file(big, zk::kMaxScenarioBytes + 1);
    EXPECT_NE(RunSimOn(big).out.find("big.scn: cannot read: larger than 16 MiB"), std::string::npos);
    ::unlink(big.c_str());
}

namespace {

const char* const kTwoLanes =
    "set LiZeit Minimum 500\n"
    "set Masken MS1 64\nset Masken CS1 64\n"
    "set Masken MS2 128\nset Masken CS2 128\n"
    "set Masken CS3 1\nset Masken CS4 1\nset Masken CS5 1\n"
    "set Masken CS6 1\nset Masken CS7 1\nset Masken CS8 1\n"
    "set \"Aktive Spuren\" \"Spur 4\" 0\n"
    "set NachZeit Nachzeit 200\n";

}  // namespace

// Every phase change is traced, also two in one millisecond, and the after-run
// shows as such while the start light is still on screen after green.
TEST(SimTool, PhaseLinesFollowEveryChange) {
    const SimRun r = RunSim(std::string(kTwoLanes) +
                                "set Startampel Interval 1000\n"
                                "at 500 mode 1\nat 600 laps 1\n"
                                "at 1000 start\n"  // green at 8000, light 7 at 9000
                                "at 8200 car 1 20\n"
                                "at 8800 car 1 20\n"  // the race is decided before light 7
                                "at 12000 start\n"
                                "at 23000 pause\n"
                                "at 23000 resume\n"
                                "end 24000\n",
                            "phases.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    const char* expected[] = {"1000 phase startlight\n", "8000 phase racing\n",   "8900 phase afterrun\n",
                              "9200 phase idle\n",       "12000 phase startlight\n", " phase racing\n",
                              "23000 phase paused\n",    "23000 phase restart\n"};
    size_t at = 0;
    for (const char* line : expected) {
        const auto pos = r.out.find(line, at);
        ASSERT_NE(pos, std::string::npos) << line << r.out;
        at = pos;
    }
}

// The time of day starts at the set-time value; a one-minute time race started
// just before midnight runs exactly as one started at noon.
TEST(SimTool, TimeOfDayIsSettableAndCrossesMidnight) {
    // The position display keeps the serial line open, so the closing sequence goes out.
    const std::string race =
        "set Startampel Interval 100\n"
        "set I2COutput Positionsanzeige 1\n"
        "at 500 mode 2\nat 600 minutes 1\n"
        "at 1000 start\n"
        "at 2000 car 1 20\n"
        "end 66000\n";
    const SimRun midnight = RunSim("set-time 23:59:30\n" + std::string(kTwoLanes) + race, "midnight.scn");
    const SimRun noon = RunSim("set-time 12:00:00\n" + std::string(kTwoLanes) + race, "noon.scn");
    ASSERT_EQ(midnight.status, 0) << midnight.out;
    // Equal up to the display boards' closing sequence, which carries the time.
    const auto beforeEnd = [](const std::string& t) { return t.substr(0, t.find("66000 serial")); };
    EXPECT_EQ(beforeEnd(midnight.out), beforeEnd(noon.out));
    EXPECT_NE(midnight.out.find("66000 serial \"B100:00:36\\r\"\n"), std::string::npos) << midnight.out;
    EXPECT_NE(noon.out.find("66000 serial \"B112:01:06\\r\"\n"), std::string::npos) << noon.out;
    const auto end = midnight.out.find(" phase afterrun\n");
    ASSERT_NE(end, std::string::npos) << midnight.out;
    const int endMs = std::stoi(midnight.out.substr(midnight.out.rfind('\n', end) + 1));
    EXPECT_GE(endMs, 61000);
    EXPECT_LE(endMs, 63000);
    EXPECT_NE(midnight.out.find(" phase idle\n", end), std::string::npos) << midnight.out;

    const SimRun bad = RunSim("set-time 24:00:00\nend 10\n", "badtime.scn");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("badtime.scn:1:"), std::string::npos) << bad.out;
}

// A second car action on a lane still held extends the hold: with MinLength 50
// the 100 ms car registers although a 20 ms car follows 10 ms later.
TEST(SimTool, ASecondHoldExtendsTheFirst) {
    const SimRun r = RunSim(std::string(kTwoLanes) +
                                "set LiZeit MinLength 50\n"
                                "at 1000 green\n"
                                "at 1200 car 1 100\n"
                                "at 1210 car 1 20\n"
                                "end 1500\n",
                            "hold.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("1300 reaction lane=1 ms=200\n"), std::string::npos) << r.out;
}

// The header line comes only on request.
TEST(SimTool, HeaderLineOnRequest) {
    const std::string path = ::testing::TempDir() + "header.scn";
    std::ofstream(path) << "end 10\n";
    for (const bool header : {false, true}) {
        const std::string cmd = std::string(ZK_SIM_BIN) + (header ? " --header " : " ") + path + " 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        EXPECT_EQ(WEXITSTATUS(pclose(p)), 0) << out;
        EXPECT_EQ(out.rfind(std::string("# zirkato-sim ") + zk::ProgramVersion() + " ", 0) == 0, header) << out;
        if (header) {
            EXPECT_NE(out.find(" scenario=header.scn\n"), std::string::npos) << out;
        }
        EXPECT_EQ(out.find("# ", 1), std::string::npos) << out;
    }
}

TEST(SimTool, VersionAndHelpAnswerWithoutReplaying) {
    // Given with a scenario that does not exist: neither reads it.
    const SimRun v = RunSimOn("/nonexistent.scn", "--version");
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, std::string("zirkato-sim ") + zk::ProgramVersion() + "\n");
    const SimRun h = RunSimOn("/nonexistent.scn", "--help");
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.out.rfind("usage: zirkato-sim ", 0), 0u) << h.out;
}

TEST(SimTool, ClockStartRunsTheTickOnTheWrappedClock) {
    // The same first lap as above, with the clock wrapping from 2147483647 to
    // -2147483648 between the start crossing and the next one.
    const std::string lane1 =
        "set LiZeit Minimum 500\nset Masken MS1 64\nset Masken CS1 64\n"
        "at 10000 green\nat 10350 car 1 20\nat 15350 car 1 20\nend 16000\n";
    const SimRun r = RunSim("clock-start 2147471648\n" + lane1, "clock-start.scn");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\n2147482048 reaction lane=1 ms=350\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n-2147480248 lap lane=1 laps=1 time=5.350 total=5350 best=1 pos=1\n"), std::string::npos)
        << r.out;
    // The other wrap, from -1 to 0, and the default start at 0 give the same laps.
    EXPECT_NE(RunSim("clock-start 4294962296\n" + lane1, "clock-zero.scn").out.find("\n10400 lap lane=1 laps=1 time=5.350"),
              std::string::npos);

    EXPECT_EQ(RunSim("clock-start 4294967296\nend 10\n", "clock-big.scn").status, 2);
    EXPECT_EQ(RunSim("clock-start -1\nend 10\n", "clock-neg.scn").status, 2);
    const SimRun twice = RunSim("clock-start 5\nclock-start 6\nend 10\n", "clock-twice.scn");
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.out.find("clock-twice.scn:2: 'clock-start' given twice"), std::string::npos) << twice.out;
}

// With --data-dir a replayed lap race leaves one table and one page, says so in
// its trace, and a second replay of the same minute never replaces them.
TEST(SimTool, ResultFilesOfAReplayedRace) {
    const std::string dir = ::testing::TempDir() + "sim-results-" + std::to_string(getpid());
    std::filesystem::remove_all(dir);
    const std::string scn = std::string(ZK_SOURCE_DIR) + "/examples/lap-race.scn";
    const auto run = [&] {
        const std::string cmd = std::string(ZK_SIM_BIN) + " --data-dir '" + dir + "' '" + scn + "' 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        std::string out;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        EXPECT_EQ(WEXITSTATUS(pclose(p)), 0) << out;
        return out;
    };
    const std::string first = run();
    const std::string plain = RunSimOn(scn).out;
    // Without the option the trace is what it always was.
    EXPECT_EQ(plain.find(" result "), std::string::npos);
    std::string withoutResults;
    std::istringstream lines(first);
    std::vector<std::string> results;
    for (std::string l; std::getline(lines, l);) {
        if (l.find(" result \"Ergebnisse/") != std::string::npos) {
            results.push_back(l);
        } else {
            withoutResults += l + "\n";
        }
    }
    EXPECT_EQ(withoutResults, plain);
    ASSERT_EQ(results.size(), 2u) << first;
    EXPECT_NE(results[0].find("_Rundenrennen.csv\""), std::string::npos) << results[0];
    EXPECT_NE(results[1].find("_Rundenrennen.html\""), std::string::npos) << results[1];

    // The table: lane 2 (false start) and lane 1 with their laps and best laps as
    // the lap lines of the trace give them.
    const std::string csvName = results[0].substr(results[0].find('"') + 1, results[0].rfind('"') - results[0].find('"') - 1);
    std::ifstream csv(dir + "/" + csvName);
    std::stringstream body;
    body << csv.rdbuf();
    const std::string table = body.str();
    EXPECT_NE(table.find("Platz;Spur;Fahrer;Runden;Gesamtzeit;Gesamtzeit (ms);Beste Runde;Fehlstarts;Tankstrafen"), std::string::npos);
    EXPECT_NE(table.find(";2;Fahrer 2;"), std::string::npos) << table;
    EXPECT_NE(table.find(";1;Fahrer 1;3;"), std::string::npos) << table;

    run();
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/Ergebnisse")) {
        ++files;
        EXPECT_EQ(e.path().filename().string()[0] != '.', true);
    }
    EXPECT_EQ(files, 4u);
    std::filesystem::remove_all(dir);
}

// The replay ends as the program does: a race still running is stopped, the
// track powered, and the loaded desk saves its running list although the race
// never reached its end. The desk's voltage buttons replay, each step a
// converter value on the bus, nothing at a limit.
TEST(SimTool, EndRunsTheProgramEndAndTheDeskVoltageButtonsReplay) {
    char tmpl[] = "/tmp/zk-sim-end-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const char* text =
        "set FrmRennleitung RL 1\n"
        "set LiZeit Minimum 500\n"
        "set Masken MS1 64\n"
        "set Masken CS1 64\n"
        "set KVPowerSetup I2C_Netzteil 1\n"
        "set KVPowerSetup MaxVoltage 12.1\n"
        "set \"Aktive Spuren\" \"Spur 1\" 1\n"
        "set Startampel Interval 100\n"
        "at 500 volt 1 12\n"
        "at 600 director vplus 1\n"
        "at 700 director vplus 1\n"   // at MaxVoltage: nothing
        "at 800 director vminus 1\n"
        "at 1000 mode 0\n"
        "at 1100 start\n"
        "at 3000 car 1 20\n"
        "at 6000 car 1 20\n"
        "end 8000\n";
    zk::Scenario sc;
    zk::ScenarioError err;
    ASSERT_TRUE(zk::ParseScenario(text, sc, err)) << err.line << ": " << err.message;
    sc.dataDir = dir;
    std::ostringstream out;
    ASSERT_TRUE(zk::RunScenario(sc, out, err)) << err.line << ": " << err.message;
    const std::string trace = out.str();

    std::vector<std::string> volts;
    std::istringstream lines(trace);
    for (std::string l; std::getline(lines, l);)
        if (l.find(" voltage lane=1 ") != std::string::npos && std::stoi(l) >= 500 && std::stoi(l) < 1000) volts.push_back(l.substr(0, l.find(' ')));
    EXPECT_EQ(volts, (std::vector<std::string>{"500", "600", "800"})) << trace;

    // The race stops at the end, and the desk's list is on disk.
    EXPECT_NE(trace.find("8000 phase idle"), std::string::npos) << trace;
    std::ifstream list(dir + "/_Test.txt");
    ASSERT_TRUE(list.good());
    std::stringstream body;
    body << list.rdbuf();
    EXPECT_NE(body.str().find("Spur 1 R.0001"), std::string::npos) << body.str();

    // An unknown desk button names what the action takes.
    EXPECT_FALSE(zk::ParseScenario("at 10 director volt 1\nend 20\n", sc, err));
    EXPECT_NE(err.message.find("vplus"), std::string::npos) << err.message;
    std::filesystem::remove_all(dir);
}
