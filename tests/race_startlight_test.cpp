// The start light through the real tick and cycle: step timing, what each step
// shows and sends, false starts and their penalty, the abort and the restart
// after a pause; a bare start with first-run settings; and the lap race of
// examples/lap-race.scn end to end.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TestRig.h"
#include "race/RaceSequence.h"
#include "race/StartLight.h"
#include "settings/ProfileFile.h"
#include "sim/Scenario.h"
#include "system/IniFileIO.h"
#include "tick/FastTimer.h"

using namespace zk;
using namespace zk::test;

namespace {

struct UiRecorder : UiPort {
    std::vector<std::string> events;
    void OpenWindow(Fenster f) override { events.push_back("open " + std::string(FensterName(f))); }
    void CloseWindow(Fenster f) override { events.push_back("close " + std::string(FensterName(f))); }
};

struct LightRig : Rig {
    UiRecorder ui;
    explicit LightRig(int16_t interval = 800) {
        StandardWiring();
        sys.cfg.LiZeit.Minimum = 500;
        sys.cfg.Startampel.Interval = interval;
        sys.cfg.AktiveSpuren.Spur = {0, 1, 1, 0, 0, 0, 0, 0, 0};
        sys.SetUi(&ui);
    }
    // Records the time of every light step.
    std::vector<int32_t> StepTimes(int32_t until) {
        std::vector<int32_t> t;
        size_t seen = rec.lightSteps.size();
        while (TimeDiff(until, now) > 0) {
            Step();
            for (; seen < rec.lightSteps.size(); ++seen) t.push_back(now);
        }
        return t;
    }
};

std::string RunScenarioText(const std::string& text) {
    Scenario sc;
    ScenarioError err;
    EXPECT_TRUE(ParseScenario(text, sc, err)) << err.line << ": " << err.message;
    std::ostringstream out;
    EXPECT_TRUE(RunScenario(sc, out, err)) << err.line << ": " << err.message;
    return out.str();
}

}  // namespace

TEST(StartLight, Interval800PowerAfter800msGreenAt5600WindowsGoneAt7200) {
    LightRig r;
    r.Init();
    r.RunTo(4400);
    StartRace(r.sys);
    EXPECT_EQ(r.ui.events.back(), "open frmStartampel");
    const auto t = r.StepTimes(12000);
    EXPECT_EQ(t, (std::vector<int32_t>{5200, 6000, 6800, 7600, 8400, 9200, 10000, 10800, 11600}));
    EXPECT_EQ(r.rec.lightSteps, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(r.rec.powerOn.size(), 2u);  // start-up, then step 0 once
    EXPECT_EQ(r.ui.events.back(), "close frmStartampel");
    EXPECT_FALSE(r.sys.st.StartPhase);
    EXPECT_TRUE(r.sys.st.RennenLaeuft);
    // Every lane's first lap is timed from green.
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[3], 10000);
    EXPECT_EQ(r.sys.view.buttons, ButtonSatz::Running);
}

TEST(StartLight, IntervalIsRoundedUpToTheNext100ms) {
    LightRig r(150);
    r.Init();
    r.RunTo(1000);
    StartRace(r.sys);
    const auto t = r.StepTimes(2000);
    EXPECT_EQ(t, (std::vector<int32_t>{1200, 1400, 1600, 1800, 2000}));
}

TEST(StartLight, EachStepShowsAndSendsItsLampState) {
    LightRig r(100);
    auto& cfg = r.sys.cfg;
    cfg.Lpt.Ampel = 1;
    cfg.Lpt.Pin1Input = 0;
    cfg.Lpt.Pin1Rot = 1;
    cfg.Lpt.Pin16Input = 0;
    cfg.Lpt.Pin16Gruen = 1;
    cfg.I2COutput.Startampel = 1;
    cfg.I2COutput.ADR[1] = 66;
    r.Init();
    EXPECT_EQ(r.sys.st.LptSteuer & 0x05, 0x01);  // idle: pin 1 lamp dark (bit set), green off
    r.RunTo(1000);
    StartRace(r.sys);
    r.rec.serial.clear();
    r.rec.i2cSends.clear();
    const auto& a = r.sys.view.ampel;

    r.RunTo(1200);  // steps 0 and 1
    EXPECT_TRUE(a.lampeAn[0] && a.lampeAn[1] && !a.lampeAn[2]);
    EXPECT_EQ(r.sys.st.LptSteuer & 0x01, 0);  // pin 1 red on
    r.RunTo(1600);  // steps 2..5
    EXPECT_EQ(r.sys.st.LptDaten & 0x0F, 0x0F);
    EXPECT_TRUE(a.lampeAn[8] && a.lampeAn[9] && !a.lampeAn[10]);
    r.RunTo(1700);  // green
    for (int i = 0; i <= 9; ++i) EXPECT_FALSE(a.lampeAn[i]) << i;
    for (int i = 10; i <= 14; ++i) EXPECT_TRUE(a.lampeAn[i]) << i;
    EXPECT_EQ(r.sys.st.LptDaten & 0x30F, 0);
    EXPECT_EQ(r.sys.st.LptSteuer & 0x05, 0x05);  // pin 1 red off, pin 16 green on
    EXPECT_EQ(r.port.DataRegister(), r.sys.st.LptDaten & 0xFF);
    r.RunTo(2000);

    EXPECT_EQ(r.rec.serial, (std::vector<std::string>{"Be0::::\r", "Be00:::\r", "Be000::\r", "Be0000:\r",
                                                       "Be00000\r", "B2\r"}));
    std::vector<int> codes;
    for (const auto& m : r.rec.i2cSends) {
        EXPECT_EQ(m[0], 66);
        EXPECT_EQ(m[3], 2);
        codes.push_back(m[1]);
    }
    EXPECT_EQ(codes, (std::vector<int>{0, 1, 3, 7, 15, 31, 32, 32, 32}));
}

TEST(StartLight, FreshInstallSeesNoInputAndABareStartTimesNothing) {
    // First-run settings, both as a new race system has them and as the reader
    // gives them for a missing settings file: no input is active on any input
    // word until a sensor is taught in or set.
    Rig fresh, r;
    ProfileFile none;
    ReadIniFile(r.sys, none);
    for (const RaceState* st : {&fresh.sys.st, &r.sys.st}) {
        int active = 0;
        for (uint32_t word = 0; word <= 0xFFFF; ++word)
            for (int n = 1; n <= 10; ++n) active += InputActive(*st, n, static_cast<uint16_t>(word));
        EXPECT_EQ(active, 0);
    }

    // A race started on such a system sees neither false starts nor laps.
    r.Init();
    StartRace(r.sys);
    r.RunTo(20000);
    EXPECT_TRUE(r.sys.st.RennenLaeuft);
    EXPECT_TRUE(r.rec.falseStarts.empty());
    EXPECT_TRUE(r.rec.reactions.empty());
    EXPECT_TRUE(r.rec.laps.empty());
}

TEST(StartLight, FalseStartOnAnActiveLaneCostsPowerUntilTheStrafzeitAfterGreen) {
    LightRig r;
    r.sys.cfg.Fehlstart.Strafzeit = 20;
    r.Init();
    r.RunTo(4400);
    StartRace(r.sys);
    r.RunTo(6999);
    r.Hold(2, 20);  // active lane
    r.Hold(3, 20);  // inactive lane: no false start
    r.RunTo(7599);
    EXPECT_FALSE(r.sys.view.ampel.lampeSichtbar[16]);
    r.RunTo(7600);
    EXPECT_EQ(r.rec.falseStarts, std::vector<int>{2});
    EXPECT_TRUE(r.sys.view.ampel.lampeSichtbar[16]);
    EXPECT_TRUE(r.sys.view.ampel.spurNrSichtbar[1]);
    EXPECT_FALSE(r.sys.view.ampel.lampeSichtbar[17]);
    EXPECT_FALSE(r.sys.st.rennen.SpurStrom[2]);
    EXPECT_FALSE(r.sys.st.spuren.SpurStromEin[2]);

    r.RunTo(12099);
    EXPECT_FALSE(r.sys.st.rennen.SpurStrom[2]);
    r.RunTo(12100);
    EXPECT_TRUE(r.sys.st.rennen.SpurStrom[2]);
    EXPECT_EQ(r.rec.powerOn.back(), 2);
    // The false-start mark stays until the window is loaded again.
    EXPECT_TRUE(r.sys.view.ampel.lampeSichtbar[16]);
}

TEST(StartLight, GreenLeavesEveryLanesPowerAsRaceControlSetIt) {
    // Lane 5 served a false start: with either relay wiring it stays without
    // power through green, and lanes 1..4 and 6 keep theirs, on the port image
    // and on the relay board.
    for (const int16_t inverted : {0, 1}) {
        SCOPED_TRACE(inverted);
        LightRig r;
        r.sys.cfg.Fehlstart.Strafzeit = 20;
        r.sys.cfg.Bahnstrom.InvertPowerRelais = inverted;
        r.sys.cfg.AktiveSpuren.Spur = {0, 1, 1, 1, 1, 1, 1, 0, 0};
        r.sys.cfg.I2COutput.Aktiv = 1;
        r.sys.cfg.I2COutput.ADR[0] = 64;
        r.Init();
        r.RunTo(4400);
        StartRace(r.sys);
        r.RunTo(6999);
        r.Hold(5, 20);
        r.RunTo(7600);
        ASSERT_EQ(r.rec.falseStarts, std::vector<int>{5});
        const uint16_t lane5 = 0x100;
        const uint16_t expected = inverted ? static_cast<uint16_t>(0x3F0 & ~lane5) : lane5;
        EXPECT_EQ(r.sys.st.LptDaten & 0x3F0, expected);
        r.RunTo(10050);  // green at 10000
        ASSERT_TRUE(r.sys.st.RennenLaeuft);
        EXPECT_EQ(r.sys.st.LptDaten & 0x3F0, expected);
        EXPECT_FALSE(r.sys.st.rennen.SpurStrom[5]);
        // The penalty runs out: the relay board hears lane 5 on and the rest unchanged.
        r.RunTo(12100);
        ASSERT_TRUE(r.sys.st.rennen.SpurStrom[5]);
        ASSERT_FALSE(r.rec.i2cSends.empty());
        const auto& last = r.rec.i2cSends.back();
        EXPECT_EQ(last[0], 64);
        EXPECT_EQ(last[1], inverted ? 0x3F : 0x00);
    }
}

TEST(StartLight, AbortDuringRedLeavesTheTrackPoweredAndTheRaceStopped) {
    LightRig r;
    r.Init();
    r.RunTo(1000);
    StartRace(r.sys);
    r.RunTo(3500);  // steps 0..2 done
    AmpelAbbruch(r.sys);
    EXPECT_FALSE(r.sys.st.StartPhase);
    EXPECT_FALSE(r.sys.st.RennenLaeuft);
    EXPECT_TRUE(r.sys.st.rennen.SpurStrom[1]);
    for (int i = 0; i <= 14; ++i) EXPECT_FALSE(r.sys.view.ampel.lampeAn[i]);
    EXPECT_EQ(r.ui.events.back(), "close frmStartampel");
    // The light clock is not reset: the next start's first step can come early.
    StartRace(r.sys);  // 100 ms of the interval had already passed at the abort
    const auto t = r.StepTimes(5000);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t[0], 4200);
}

TEST(StartLight, RestartAfterPauseKeepsTheLapReferencesAndNeverMarksAFalseStart) {
    LightRig r;
    r.sys.cfg.NachZeit.Nachzeit = 200;
    r.Init();
    r.RunTo(1000);
    StartRace(r.sys);
    r.RunTo(6700);  // green at 6600
    ASSERT_TRUE(r.sys.st.RennenLaeuft);
    r.Hold(1, 20);  // start crossing
    r.RunTo(8000);
    PauseRace(r.sys);
    EXPECT_FALSE(r.sys.st.rennen.SpurStrom[1]);
    EXPECT_EQ(r.sys.view.buttons, ButtonSatz::Paused);
    r.RunTo(18000);
    ResumeRace(r.sys);  // 10 s pause: references move by 10000 - 200
    EXPECT_FALSE(r.sys.view.ampel.lampeAn[10]);  // the restart begins dark, not green
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[1], 6600 + 9800);
    const size_t onBefore = r.rec.powerOn.size();
    r.Hold(1, 20);  // a car in the restart phase: no false start, not counted
    r.RunTo(18900);
    EXPECT_EQ(r.rec.powerOn.size(), onBefore + 1);  // power back once, at the first step
    r.RunTo(24000);  // green of the restart at 22800
    EXPECT_TRUE(r.rec.falseStarts.empty());
    EXPECT_FALSE(r.sys.st.Pause);
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[1], 6600 + 9800);
    EXPECT_EQ(r.rec.powerOn.size(), onBefore + 1);
    EXPECT_TRUE(r.rec.laps.empty());
    // A second resume during the restart light must not shift the references again.
    PauseRace(r.sys);
    r.RunTo(30000);
    ResumeRace(r.sys);
    const int32_t ref = r.sys.st.spuren.LetzteDurchfahrt[1];
    r.RunTo(31000);
    ResumeRace(r.sys);
    EXPECT_EQ(r.sys.st.spuren.LetzteDurchfahrt[1], ref);
}

TEST(StartLight, LapRaceExampleShowsLightFalseStartLapsAfterRunAndEnd) {
    std::ifstream f(std::string(ZK_SOURCE_DIR) + "/examples/lap-race.scn");
    ASSERT_TRUE(f.good());
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string out = RunScenarioText(ss.str());
    const char* expected[] = {
        "4400 phase startlight\n",
        "5200 light 0\n",
        "7600 falsestart lane=2\n",
        "7600 power lane=2 off\n",
        "10000 light 6\n",
        "10000 phase racing\n",
        "11600 window close frmStartampel\n",
        "12100 power lane=2 on\n",
        "15400 lap lane=1 laps=1 ",
        "16000 lap lane=2 laps=1 ",
        "20500 lap lane=1 laps=2 ",
        "21100 lap lane=2 laps=2 ",
        "25500 lap lane=1 laps=3 ",
        "25500 power lane=0 off\n",
        "25500 phase afterrun\n",
        "25700 lap lane=2 laps=3 ",
        "25800 phase idle\n",
    };
    size_t pos = 0;
    for (const char* e : expected) {
        const size_t at = out.find(e, pos);
        ASSERT_NE(at, std::string::npos) << "missing in order: " << e << "\n" << out;
        pos = at;
    }
    EXPECT_EQ(out.find("lap lane=1 laps=4"), std::string::npos);
}

// A second Start while the start light runs is ignored, as during a race: the
// lanes the light watches are not reset, so lane 2's false start during the red
// phase stays punished and lane 1 gets no false start of its own. The replay
// with the extra Start is the replay without it, line for line.
TEST(StartLight, StartDuringTheStartLightChangesNothing) {
    std::ifstream f(std::string(ZK_SOURCE_DIR) + "/examples/lap-race.scn");
    ASSERT_TRUE(f.good());
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string plain = RunScenarioText(ss.str());
    std::string text = ss.str();
    text.insert(text.find("\nend "), "\nat 7500 start");
    const std::string twice = RunScenarioText(text);
    EXPECT_NE(twice.find("7600 falsestart lane=2\n"), std::string::npos) << twice;
    EXPECT_EQ(twice.find("falsestart lane=1"), std::string::npos) << twice;
    EXPECT_EQ(twice, plain);

    // The Start buttons and the S key are off while the light runs.
    Rig r;
    r.Init();
    EXPECT_TRUE(r.sys.record.CanStart());
    const int cleared = r.rec.clearWindows;
    StartRace(r.sys);
    EXPECT_EQ(r.sys.record.phase, RacePhase::StartLight);
    EXPECT_FALSE(r.sys.record.CanStart());
    StandardWindowKey(r.sys, 'S');
    StartRace(r.sys);
    EXPECT_EQ(r.rec.clearWindows, cleared + 2);  // the one start's own two clears only
}
