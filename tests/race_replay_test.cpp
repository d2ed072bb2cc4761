// Race control replayed as scenarios through the real tick and cycle: every way
// out of a race ends idle, a chaos release resumes only its own pause, false
// starts keep their lane without power from step 0 on and include pulses that
// began before green, and a crossing made just before a pause stays a lap.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "sim/Scenario.h"

namespace {

// Lanes 1 and 2 on status bits 6 and 7, lanes 3..8 never active; the start
// light steps every 100 ms, so a start at S gives step 0 at S+100 and green at
// S+700.
const char* const kTrack =
    "set LiZeit Minimum 500\n"
    "set Masken MS1 64\nset Masken CS1 64\n"
    "set Masken MS2 128\nset Masken CS2 128\n"
    "set Masken CS3 1\nset Masken CS4 1\nset Masken CS5 1\n"
    "set Masken CS6 1\nset Masken CS7 1\nset Masken CS8 1\n"
    "set \"Aktive Spuren\" \"Spur 1\" 1\n"
    "set \"Aktive Spuren\" \"Spur 2\" 1\n"
    "set \"Aktive Spuren\" \"Spur 4\" 0\n"
    "set Startampel Interval 100\n"
    "set NachZeit Nachzeit 200\n";

std::string Replay(const std::string& actions) {
    zk::Scenario sc;
    zk::ScenarioError err;
    EXPECT_TRUE(zk::ParseScenario(std::string(kTrack) + actions, sc, err)) << err.line << ": " << err.message;
    std::ostringstream out;
    EXPECT_TRUE(zk::RunScenario(sc, out, err)) << err.line << ": " << err.message;
    return out.str();
}

bool Has(const std::string& trace, const std::string& line) { return trace.find(line + "\n") != std::string::npos; }

// The lines of one millisecond.
std::string At(const std::string& trace, int ms) {
    std::istringstream in(trace);
    std::string line, out;
    const std::string prefix = std::to_string(ms) + " ";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) out += line + "\n";
    return out;
}

}  // namespace

// A start after leaving a race (stopped while paused, restart light aborted, lap
// race decided during a pause) must behave like the first start of the day: a
// red-phase crossing is a false start, the reaction counts from green and the
// first lap from green.
TEST(RaceReplay, EveryWayOutOfARaceLeavesTheTrackIdleForTheNextStart) {
    const std::string nextStart =
        "at 10000 start\n"     // green at 10700
        "at 10250 car 2 20\n"  // red phase: false start
        "at 11000 car 1 20\n"  // reaction 300
        "at 16100 car 1 20\n"  // first lap 5.400
        "end 17000\n";
    struct Case {
        const char* name;
        std::string actions;
        int idleAt;
    };
    const Case cases[] = {
        {"stopped while paused", "at 1000 start\nat 3000 pause\nat 4000 stop\n", 4000},
        {"restart light aborted", "at 1000 start\nat 3000 pause\nat 4000 resume\nat 4250 abort\n", 4250},
        {"lap race decided during a pause",
         "at 500 mode 1\nat 600 laps 1\nat 1000 start\nat 2000 car 1 20\n"
         "at 4000 car 1 20\nat 4050 pause\n",
         4300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string t = Replay(c.actions + nextStart);
        EXPECT_NE(At(t, c.idleAt).find("phase idle"), std::string::npos) << t;
        EXPECT_TRUE(Has(t, "10000 phase startlight")) << t;
        EXPECT_TRUE(Has(t, "10300 falsestart lane=2")) << t;
        EXPECT_TRUE(Has(t, "10700 phase racing")) << t;
        EXPECT_TRUE(Has(t, "11100 reaction lane=1 ms=300")) << t;
        EXPECT_NE(t.find("16200 lap lane=1 laps=1 time=5.400 total=5400"), std::string::npos) << t;
    }
}

// A chaos press that could not pause (during the restart light, Pause already
// set) must not resume the next pause, whether made by key or by button.
TEST(RaceReplay, AChaosReleaseResumesOnlyThePauseTheSwitchMade) {
    const std::string t = Replay(
        "set Lpt Chaos 1\nset Masken MS10 8\nset Masken CS10 8\n"
        "at 1000 start\n"
        "at 3000 key space\n"
        "at 4000 resume\n"          // restart light 4100..4700
        "at 4200 input 10 100\n"    // chaos during the restart light
        "at 6050 key space\n"       // stays paused
        "at 8000 resume\n"          // restart light 8100..8700
        "at 9000 input 10 100\n"    // the switch's own pause: resumed at release
        "at 9300 input 10 100\n"    // during that restart light
        "at 10050 pause\n"          // stays paused
        "end 12000\n");
    EXPECT_EQ(At(t, 6050).find("phase restart"), std::string::npos) << t;
    EXPECT_TRUE(Has(t, "6050 phase paused")) << t;
    EXPECT_TRUE(Has(t, "8000 phase restart")) << t;
    EXPECT_TRUE(Has(t, "9000 phase paused")) << t;
    EXPECT_TRUE(Has(t, "9100 phase restart")) << t;
    EXPECT_TRUE(Has(t, "10050 phase paused")) << t;
    // Paused until the replay ends, where the program's end stops the race.
    EXPECT_EQ(t.find(" phase ", t.find("10050 phase paused\n") + 10), t.find("12000 phase idle\n") + 5) << t;
}

// With a short interval a red-phase crossing is punished at step 0; the lane
// stays without power (relays, I2C relay byte and power module alike) until its
// penalty has run out, 2.1 s after green with "Strafzeit" 20.
TEST(RaceReplay, AFalseStartPunishedAtStepZeroKeepsItsLaneWithoutPower) {
    const std::string t = Replay(
        "set TNT_MC Aktiv 1\nset I2COutput Aktiv 1\nset Bahnstrom LptStrom 1\n"
        "set Fehlstart Strafzeit 20\n"
        "at 1000 start\n"
        "at 1020 car 2 20\n"
        "end 4500\n");
    const std::string step0 = At(t, 1100);
    const auto off = step0.find("falsestart lane=2");
    const auto light = step0.find("light 0");
    ASSERT_NE(off, std::string::npos) << t;
    ASSERT_NE(light, std::string::npos) << t;
    EXPECT_LT(off, light);
    EXPECT_EQ(step0.find("power lane=0 on"), std::string::npos) << step0;
    EXPECT_EQ(step0.find("power lane=2 on"), std::string::npos) << step0;
    EXPECT_EQ(step0.find("\"A20\\r\""), std::string::npos) << step0;
    for (const char* on : {"power lane=1 on", "power lane=3 on", "power lane=8 on", "serial \"AL0\\r\""})
        EXPECT_NE(step0.find(on, light), std::string::npos) << on << "\n" << step0;
    // After step 0 the data register and the I2C relay byte have lane 2's relay
    // off (bit 5 of the register, bit 1 of the byte), every other lane on.
    auto lastLine = [&](const char* what) {
        const auto p = step0.rfind(what);
        return p == std::string::npos ? std::string() : step0.substr(p, step0.find('\n', p) - p);
    };
    EXPECT_EQ(lastLine("lpt data="), "lpt data=0x20") << step0;
    EXPECT_EQ(lastLine("i2c addr=").substr(lastLine("i2c addr=").find(" data=")), " data=2,0 count=2") << step0;
    EXPECT_TRUE(Has(t, "3800 power lane=2 on")) << t;
    EXPECT_EQ(t.find("power lane=2 on"), t.find("3800 power lane=2 on") + 5) << t;
}

// With MinLength 10 a pulse that began 5 ms before green registers after it: a
// false start, punished at the next light step, its reaction from the start
// request. When the start light is already over, it is punished at once.
TEST(RaceReplay, APulseBegunBeforeGreenIsAFalseStartAndNoReactionIsNegative) {
    const std::string t = Replay(
        "set LiZeit MinLength 10\n"
        "at 1000 start\n"           // green at 1700
        "at 1695 car 1 20\n"
        "at 1750 car 2 20\n"
        "end 4500\n");
    EXPECT_EQ(t.find("ms=-"), std::string::npos) << t;
    EXPECT_TRUE(Has(t, "1800 reaction lane=1 ms=695")) << t;
    EXPECT_TRUE(Has(t, "1800 reaction lane=2 ms=50")) << t;
    const std::string step7 = At(t, 1800);
    EXPECT_LT(step7.find("falsestart lane=1"), step7.find("light 7")) << t;
    EXPECT_NE(step7.find("power lane=1 off"), std::string::npos) << t;
    EXPECT_EQ(step7.find("falsestart lane=2"), std::string::npos) << t;
    EXPECT_TRUE(Has(t, "3900 power lane=1 on")) << t;  // 2.1 s after its punishment

    // A pulse long enough to register only after the light's last step.
    const std::string late = Replay(
        "set LiZeit MinLength 300\n"
        "at 1000 start\n"           // light 8 at 1900
        "at 1695 car 1 400\n"
        "end 4500\n");
    EXPECT_EQ(late.find("ms=-"), std::string::npos) << late;
    EXPECT_TRUE(Has(late, "2000 reaction lane=1 ms=695")) << late;
    EXPECT_TRUE(Has(late, "2000 falsestart lane=1")) << late;
    EXPECT_TRUE(Has(late, "2000 power lane=1 off")) << late;
}

// With an after-run shorter than a cycle, a crossing registered just before the
// pause is still evaluated as a lap when the after-run ends: lap count and lap
// list agree, and the next lap is one lap long.
TEST(RaceReplay, ACrossingJustBeforeAPauseIsALapWhenTheAfterRunEnds) {
    const std::string t = Replay(
        "set NachZeit Nachzeit 50\n"
        "at 1000 start\n"
        "at 2000 car 1 20\n"
        "at 7000 car 1 20\n"
        "at 12010 car 1 20\n"   // registers at 12019
        "at 12030 pause\n"      // after-run over before the cycle at 12100
        "at 13000 resume\n"
        "at 19000 car 1 20\n"
        "end 20000\n");
    EXPECT_TRUE(Has(t, "7100 lap lane=1 laps=1 time=5.300 total=5300 best=1 pos=1")) << t;
    EXPECT_TRUE(Has(t, "12100 lap lane=1 laps=2 time=5.010 total=10310 best=1 pos=1")) << t;
    EXPECT_NE(t.find("19100 lap lane=1 laps=3 time=6.020"), std::string::npos) << t;
}
