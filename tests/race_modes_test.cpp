// Race modes and set-up: titles, defaults, the lap and time inputs, presets,
// menu captions, window flags and which lap windows a mode choice shows.
#include <gtest/gtest.h>

#include "TestRig.h"
#include "race/RaceModes.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

namespace {

struct WindowLog : UiPort {
    std::vector<std::string> opened;
    void OpenWindow(Fenster f) override { opened.push_back(std::string(FensterName(f))); }
};

struct ModeRig : Rig {
    WindowLog ui;
    ModeRig() {
        sys.SetUi(&ui);
        Init();
    }
};

}  // namespace

TEST(RaceModes, TitlesAndDefaultsOfTheThreeModes) {
    ModeRig r;
    auto& s = r.sys.st;
    EXPECT_EQ(s.rennen.RennmodusText, "Training");

    s.rennen.RennRunden = 0;
    ASSERT_TRUE(ChooseRaceMode(r.sys, 1));
    EXPECT_EQ(s.rennen.Rennmodus, Rennart::Rundenrennen);
    EXPECT_EQ(s.rennen.RennRunden, 10);
    EXPECT_EQ(r.sys.cfg.Letzte.Runden, 10);
    EXPECT_EQ(s.rennen.RennmodusText, "Rundenrennen über  10 Runden");

    s.rennen.RennZeit = 0;
    ChooseRaceMode(r.sys, 2);
    EXPECT_EQ(s.rennen.RennZeit, 2);
    EXPECT_EQ(s.rennen.RennmodusText, "Zeitrennen über  2 Minuten");
    EXPECT_EQ(r.sys.view.GesZeitSichtbar, kTrue);
    EXPECT_EQ(r.sys.view.ZmsInfoSichtbar, 0);
    EXPECT_EQ(s.rennen.RestMinuten, 2);  // countdown prepared by the set-up

    r.sys.cfg.ZrMitWechsel.Wechsel = 1;
    s.rennen.RennZeit = 5;
    ChooseRaceMode(r.sys, 2);
    EXPECT_EQ(s.rennen.RennZeit, 8);
    EXPECT_EQ(s.rennen.RennmodusText, "Zeitrennen mit Automatischem Spurwechsel");
    EXPECT_EQ(r.sys.view.ZmsInfoSichtbar, kTrue);
    EXPECT_EQ(r.sys.view.SpwAnzeigeSichtbar, kTrue);

    ChooseRaceMode(r.sys, 0);
    EXPECT_EQ(s.rennen.RennmodusText, "Training");
    EXPECT_EQ(r.sys.view.GesZeitSichtbar, 0);
    EXPECT_EQ(r.sys.view.SpwAnzeigeSichtbar, kTrue);  // cleared only at program start
    EXPECT_EQ(s.tank.TankAktiv, 0);

    EXPECT_FALSE(ChooseRaceMode(r.sys, 3));
    EXPECT_EQ(s.rennen.Rennmodus, Rennart::Training);
    EXPECT_EQ(ZahlMitVorzeichenstelle(-5), "-5");
}

TEST(RaceModes, LapAndTimeInputsKeepTheLastValidValue) {
    ModeRig r;
    auto& s = r.sys.st;
    LapInputChanged(r.sys, "25");
    EXPECT_EQ(s.rennen.RennRunden, 25);
    EXPECT_EQ(r.sys.view.eingabeRundenCaption, "Runden : 25");
    // Text that is no number, and lap counts a race could not run, are refused.
    for (const char* bad : {"abc", "", "40000", "1x", "  ", "0", "-3", "0,4"}) {
        LapInputChanged(r.sys, bad);
        EXPECT_EQ(s.rennen.RennRunden, 25) << bad;
    }
    LapInputChanged(r.sys, "12.5");  // rounding half to even
    EXPECT_EQ(s.rennen.RennRunden, 12);
    LapInputChanged(r.sys, "13,5");
    EXPECT_EQ(s.rennen.RennRunden, 14);
    EXPECT_EQ(r.sys.view.eingabeRundenCaption, "Runden : 14");
    ChooseLapPreset(r.sys, 4);  // L4 = 20: caption follows, the title keeps its number
    EXPECT_EQ(r.sys.view.eingabeRundenCaption, "Runden : 20");
    UpdateLapTimeSettings(r.sys);
    EXPECT_EQ(r.sys.view.rundenPresetCaption[1], "5 Runden");
    EXPECT_EQ(r.sys.view.zeitPresetCaption[5], "10 Minuten");

    // The time caption always shows the minutes the race will run: 0 is the
    // 6 minutes closing makes of it, negative minutes are refused.
    TimeInputChanged(r.sys, "3");
    EXPECT_EQ(r.sys.view.zeitvorgabeCaption, "Zeitvorgabe : 3 Minuten");
    TimeInputChanged(r.sys, "-2");
    EXPECT_EQ(s.rennen.RennZeit, 3);
    TimeInputChanged(r.sys, "0");
    EXPECT_EQ(s.rennen.RennZeit, 6);
    EXPECT_EQ(r.sys.view.zeitvorgabeCaption, "Zeitvorgabe : 6 Minuten");
    TimeInputClose(r.sys);
    EXPECT_EQ(s.rennen.RennZeit, 6);
    EXPECT_EQ(r.sys.cfg.Letzte.Zeit, 6);
    EXPECT_EQ(r.sys.view.zeitvorgabeCaption, "Zeitvorgabe : 6 Minuten");
}

TEST(RaceModes, WindowsShowNothingOfThePreviousRaceAfterAModeChange) {
    ModeRig r;
    auto& s = r.sys.st;
    // A finished time race: countdown at zero, positions, totals and a pause time.
    s.rennen.RennZeit = 2;
    ChooseRaceMode(r.sys, 2);
    EXPECT_EQ(CountdownText(r.sys), "00:02:00");
    ChooseTimePreset(r.sys, 2);  // T2 = 4: an idle time race shows what it will run
    EXPECT_EQ(CountdownText(r.sys), "00:04:00");
    s.rennen.RestMinuten = 0;
    s.spuren.SpurDaten[1].Platz = 2;
    s.spuren.SpurDaten[4].Platz = 1;
    r.sys.record.laps.AddLap(4, 0, 61234, false);
    s.rennen.PauseText = "0:12:345";
    EXPECT_EQ(CountdownText(r.sys), "00:00:00");

    ChooseRaceMode(r.sys, 0);  // training has no countdown
    EXPECT_EQ(CountdownText(r.sys), "");
    EXPECT_EQ(s.spuren.SpurDaten[1].Platz, 0);
    EXPECT_EQ(s.spuren.SpurDaten[4].Platz, 0);
    EXPECT_EQ(r.sys.record.laps.Total(4), 0);
    EXPECT_EQ(s.rennen.PauseText, "");
}

TEST(RaceModes, ModeChoiceShowsTheOpenLapWindowsOrTheDefaultOne) {
    ModeRig r;
    r.sys.cfg.AnsichtFenster.Ansicht = 3;
    ChooseRaceMode(r.sys, 0);
    EXPECT_EQ(r.ui.opened, std::vector<std::string>{"frmZeit4Spur"});
    r.ui.opened.clear();
    LapWindowLoaded(r.sys, kWinKV8);
    LapWindowLoaded(r.sys, kWinKV2);
    LapWindowLoaded(r.sys, kWinKV2);  // counted once
    EXPECT_EQ(r.sys.view.OffeneZeitfenster, 2);
    ChooseRaceMode(r.sys, 1);
    EXPECT_EQ(r.ui.opened, (std::vector<std::string>{"frmKVZeit2Spur", "frmKVZeit8Spur"}));

    // Closing the last open lap window stops the race; closing one of two does not.
    r.sys.cfg.Startampel.Interval = 100;
    r.RunTo(1000);
    StartRace(r.sys);
    r.RunTo(1800);
    LapWindowCloseButton(r.sys);
    EXPECT_TRUE(r.sys.st.RennenLaeuft);
    LapWindowUnloaded(r.sys, kWinKV8);
    LapWindowCloseButton(r.sys);
    EXPECT_FALSE(r.sys.st.RennenLaeuft);
}
