// The replay tool as a user runs it: scenario file in, trace out, exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/Scenario.h"

namespace {

struct SimRun {
    int status;
    std::string out;
};

SimRun RunSimOn(const std::string& path) {
    const std::string cmd = std::string(ZK_SIM_BIN) + " '" + path + "' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    return {WEXITSTATUS(rc), out};
}

SimRun RunSim(const std::string& scenario, const std::string& name) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << scenario;
    return RunSimOn(path);
}

}  // namespace

TEST(SimTool, ReactionAndFirstLapOfLaneOne) {
    const SimRun r = RunSim(
        "# lane 1 on status bit 6\n"
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
