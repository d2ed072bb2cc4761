// The options of the settings dialog without widgets: exclusive pin roles and
// the control-register writes they make, the chains between options, and what
// the text boxes keep of what is typed.
#include <gtest/gtest.h>

#include "SimRun.h"
#include "TestRig.h"
#include "race/RaceSequence.h"
#include "race/ZsaOptionen.h"

using namespace zk;
using namespace zk::test;

namespace {

// Exactly the chosen option of each group is selected.
std::string Gewaehlt(const RaceContext& sys, std::initializer_list<const char*> gruppe) {
    std::string s;
    for (const char* o : gruppe)
        if (ZsaOptionGewaehlt(sys, o)) s += std::string(s.empty() ? "" : "+") + o;
    return s;
}

std::vector<std::string> AlleWerte(const Settings& s) {
    std::vector<std::string> v;
    for (const KeyDef& d : SettingsKeys()) v.push_back(d.section + "/" + d.key + "=" + KeyValueText(s, d));
    return v;
}

struct ToteLeitung final : SerialLine {
    bool Oeffnen(int) override { return false; }
    Ergebnis Senden(const std::string&) override { return Ergebnis::Getrennt; }
};

}  // namespace

TEST(ZsaOptions, PinRolesAreExclusiveAndInputsFloatHigh) {
    Rig r;
    r.Init();
    const uint16_t steuer = static_cast<uint16_t>(r.sys.st.LptBasis + 2);
    auto steuerWrites = [&] {
        std::vector<int> v;
        for (const auto& w : r.port.Writes())
            if (w.addr == steuer) v.push_back(w.value);
        r.port.ClearWrites();
        return v;
    };
    r.port.ClearWrites();
    ZsaOptionWaehlen(r.sys, "optPin1_Rot");
    ZsaOptionWaehlen(r.sys, "optPin16_Green");
    EXPECT_TRUE(steuerWrites().empty()) << "choosing a lamp role writes nothing";
    EXPECT_EQ(Gewaehlt(r.sys, {"optPin1_Input", "optPin1_Rot"}), "optPin1_Rot");
    EXPECT_EQ(Gewaehlt(r.sys, {"optPin16_Input", "optPin16_Green", "optPin16_rot"}), "optPin16_Green");

    // Lamp 0 on pin 1 lights with bit 0 clear; choosing the input role keeps it clear.
    r.sys.st.LptSteuer.SetBits(0x01);
    ZsaOptionWaehlen(r.sys, "optPin1_Input");
    ZsaOptionWaehlen(r.sys, "optPin16_Input");
    const auto w = steuerWrites();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0] & 0x01, 0);
    EXPECT_EQ(w[1] & 0x04, 0x04);
    EXPECT_EQ(Gewaehlt(r.sys, {"optPin1_Input", "optPin1_Rot"}), "optPin1_Input");
    EXPECT_EQ(Gewaehlt(r.sys, {"optPin16_Input", "optPin16_Green", "optPin16_rot"}), "optPin16_Input");

    // Pins 14 and 17 as inputs: the bus and every device on it go off, both
    // lines are released; switching the bus on takes the pins back.
    ZsaCheckSetzen(r.sys, "chkI2C", 1);
    ZsaCheckSetzen(r.sys, "chkI2cNetzteil", 1);
    ZsaCheckSetzen(r.sys, "chkI2cStartampel", 1);
    r.sys.st.LptSteuer.SetBits(0x0A);
    steuerWrites();
    ZsaOptionWaehlen(r.sys, "optPinI2C_Input");
    EXPECT_TRUE(steuerWrites().empty());  // the bus engine owns the lines: its next tick releases them
    r.Step();
    ASSERT_EQ(steuerWrites(), std::vector<int>{r.sys.st.LptSteuer.load()});
    EXPECT_EQ(r.sys.st.LptSteuer.load() & 0x0A, 0);
    EXPECT_EQ(ZsaCheckWert(r.sys, "chkI2C") + ZsaCheckWert(r.sys, "chkI2cNetzteil") +
                  ZsaCheckWert(r.sys, "chkI2cStartampel"),
              0);
    EXPECT_FALSE(ZsaCheckFrei(r.sys, "chkI2cNetzteil"));
    ZsaCheckSetzen(r.sys, "chkI2cStartampel", 1);  // refused without the bus
    EXPECT_EQ(r.sys.cfg.I2COutput.Startampel, 0);
    ZsaCheckSetzen(r.sys, "chkI2C", 1);
    EXPECT_EQ(Gewaehlt(r.sys, {"optPinI2C_Input", "optPinI2C_Output"}), "optPinI2C_Output");
}

TEST(ZsaOptions, PortChoiceGatesThePortBoxes) {
    Rig r;
    r.Init();
    ZsaCheckSetzen(r.sys, "chkLptAmpel", 1);
    ZsaCheckSetzen(r.sys, "chkLPTChaos", 1);
    EXPECT_TRUE(r.sys.st.ChaosEin);
    ZsaListeWaehlen(r.sys, "cmbPPort", 0);
    EXPECT_EQ(ZsaCheckWert(r.sys, "chkLptAmpel"), 0);
    EXPECT_FALSE(ZsaCheckFrei(r.sys, "chkLptBahnstrom"));
    ZsaCheckSetzen(r.sys, "chkLptBahnstrom", 1);
    EXPECT_EQ(r.sys.cfg.Bahnstrom.LptStrom, 0);
    ZsaCheckSetzen(r.sys, "chkPowerInv", 1);  // not a port output: stored without a port
    EXPECT_EQ(r.sys.cfg.Bahnstrom.InvertPowerRelais, 1);
    ZsaCheckSetzen(r.sys, "chkPowerInv", 0);
    ZsaListeWaehlen(r.sys, "cmbPPort", 2);
    EXPECT_EQ(r.sys.st.LptBasis, 632);
    EXPECT_EQ(ZsaListeWert(r.sys, "cmbPPort"), 2);
    EXPECT_TRUE(ZsaCheckFrei(r.sys, "chkLptBahnstrom"));

    // Turning the relay polarity round keeps the lanes powered: with every lane
    // on, the relay bits go from clear to set and out to the port at once.
    ZsaCheckSetzen(r.sys, "chkLptBahnstrom", 1);
    PowerOn(r.sys, 0);
    EXPECT_EQ(r.sys.st.LptDaten & 0x3F0, 0);
    r.port.ClearWrites();
    ZsaCheckSetzen(r.sys, "chkPowerInv", 1);
    ASSERT_EQ(r.port.Writes().size(), 1u);
    EXPECT_EQ(r.port.Writes()[0].addr, 632);
    EXPECT_EQ(r.port.Writes()[0].value & 0xF0, 0xF0);
    EXPECT_EQ(r.sys.st.LptDaten & 0x3F0, 0x3F0);

    ZsaListeWaehlen(r.sys, "cmbOut1_1", 2);
    EXPECT_EQ(r.sys.cfg.I2COutput.ADR[1], 114);
    EXPECT_EQ(ZsaListeWert(r.sys, "cmbOut1_1"), 2);
}

TEST(ZsaOptions, ChainsBetweenOptions) {
    Rig r;
    r.Init();
    Settings& c = r.sys.cfg;

    // The two supplies exclude each other; a serial supply that cannot open its
    // line stays off and leaves the bus supply alone.
    ZsaCheckSetzen(r.sys, "chkI2C", 1);
    ZsaCheckSetzen(r.sys, "chkI2cNetzteil", 1);
    ToteLeitung tot;
    r.sys.SetSerial(&tot);
    ComSchliessen(r.sys);
    ZsaCheckSetzen(r.sys, "chkRs232Netzteil", 1);
    EXPECT_EQ(c.TNT_MC.Aktiv, 0);
    EXPECT_EQ(c.KVPowerSetup.I2C_Netzteil, 1);
    r.sys.SetSerial(&r.rec);
    ZsaCheckSetzen(r.sys, "chkRs232Netzteil", 1);
    EXPECT_EQ(c.TNT_MC.Aktiv, 1);
    EXPECT_EQ(c.KVPowerSetup.I2C_Netzteil, 0);
    EXPECT_FALSE(r.sys.st.fenster.BahnspannungMenuEin);
    ZsaCheckSetzen(r.sys, "chkI2cNetzteil", 1);
    EXPECT_EQ(c.TNT_MC.Aktiv, 0);

    // The fuel-dependent voltage needs the bus supply and the fuel option.
    EXPECT_FALSE(ZsaCheckFrei(r.sys, "chkUseTanknetzteil"));
    ZsaCheckSetzen(r.sys, "chkMitTankfunktion", 1);
    EXPECT_TRUE(ZsaCheckFrei(r.sys, "chkUseTanknetzteil"));

    // Display boards: each needs the one below; the old board excludes them all.
    EXPECT_FALSE(ZsaCheckFrei(r.sys, "chkAZT_aktiv_1"));
    ZsaCheckSetzen(r.sys, "chkAZT_aktiv_0", 1);
    ZsaCheckSetzen(r.sys, "chkAZT_aktiv_1", 1);
    ZsaCheckSetzen(r.sys, "chkAZT_Lapcount", 1);
    ZsaCheckSetzen(r.sys, "chkAZT_Rundenzeit", 1);
    EXPECT_EQ(ZsaCheckWert(r.sys, "chkAZT_Lapcount"), 0);
    ZsaCheckSetzen(r.sys, "chkAZT_Alt", 1);
    EXPECT_EQ(ZsaCheckWert(r.sys, "chkAZT_aktiv_0") + ZsaCheckWert(r.sys, "chkAZT_aktiv_1"), 0);
    EXPECT_FALSE(ZsaCheckFrei(r.sys, "chkAZT_aktiv_0"));

    // Saving at program end: ticking it saves at once; with "save window
    // settings with all settings" the window positions follow the box.
    ZsaOptionWaehlen(r.sys, "Speichern_1");
    EXPECT_TRUE(ZsaCheckSetzen(r.sys, "chkSaveAll", 1).allesSpeichern);
    EXPECT_EQ(r.sys.st.fenster.SaveWindowSettings, 1);
    EXPECT_FALSE(ZsaCheckSetzen(r.sys, "chkSaveAll", 0).allesSpeichern);
    EXPECT_EQ(r.sys.st.fenster.SaveWindowSettings, 0);
    ZsaOptionWaehlen(r.sys, "Speichern_2");
    EXPECT_EQ(Gewaehlt(r.sys, {"Speichern_0", "Speichern_1", "Speichern_2"}), "Speichern_2");

    // Autostart without a pause gets the two minutes a fresh install has.
    c.AutoStart.Time = 0;
    ZsaCheckSetzen(r.sys, "chkAutostart", 1);
    EXPECT_EQ(c.AutoStart.Time, 2);

    // Gain 3.2 brings lanes above 15 V down; their keys must be written now.
    ZsaOptionWaehlen(r.sys, "optVerst51");
    r.sys.st.spannung.SpurVolt[3] = 18;
    EXPECT_EQ(ZsaOptionWaehlen(r.sys, "optVerst32").spannungSchreiben, 1u << 3);
    EXPECT_EQ(Gewaehlt(r.sys, {"optVerst32", "optVerst51"}), "optVerst32");

    // A lane taken out stops counting at once.
    ZsaCheckSetzen(r.sys, "chkBoxSpur4Active", 0);
    EXPECT_FALSE(r.sys.st.SpurAktiv[4]);
    ZsaOptionWaehlen(r.sys, "Option3");
    EXPECT_EQ(c.KavelinExtension.AudioNumDigits, 4);
}

TEST(ZsaOptions, TextBoxesClampOrKeepTheLastValidValue) {
    Rig r;
    r.Init();
    struct Fall {
        const char* feld;
        const char* eingabe;
        const char* zeigt;
    };
    const Fall faelle[] = {
        {"txtMinSignalLength", "0", "1"},     {"txtMinZeit", "120", "500"},
        {"txtNachlaufZeitmessung", "40000", "32000"}, {"txtTmrInt", "50", "100"},
        {"txtComport", "25", "1"},            {"txtComport", "7", "7"},
        {"Verbrauch", "0", "7"},              {"txtStillstand", "10", "500"},
        {"txtPauseZwischen", "45", "30"},     {"txtLaps_2", "0", "1"},
        {"txtTntKorrektur", "950", "800"},    {"txtFullVolt", "120", "95"},
        {"txtTNTTrocken", "0", "6"},          {"txtMaxVolts", "12,5", "12,5"},
        {"txtBahnlaenge", "12.34", "12,34"},  {"txtBahnlaenge", "900", "327,67"},
        {"txtTime_4", "99999", "9999"},      {"txtNormrunde", "5", "6000"},
    };
    for (const Fall& f : faelle) EXPECT_EQ(ZsaTextEingabe(r.sys, f.feld, f.eingabe), f.zeigt) << f.feld << " " << f.eingabe;
    EXPECT_EQ(r.sys.cfg.KVPowerSetup.MaxVoltage, 12.5);
    EXPECT_EQ(r.sys.st.MinLength.load(), 1) << "the sampler follows at once";
    EXPECT_EQ(r.sys.st.MinZeit.load(), 500);
    EXPECT_EQ(r.sys.st.Nachzeit.load(), 32000);

    // What is not a number is refused everywhere: the last valid value stays.
    ZsaTextEingabe(r.sys, "txtMinSignalLength", "15");
    for (const std::string& feld : ZsaTextfelder()) {
        const std::string vorher = ZsaTextWert(r.sys, feld);
        for (const char* unsinn : {"", "abc", "12abc", "1,2,3"})
            EXPECT_EQ(ZsaTextEingabe(r.sys, feld, unsinn), vorher) << feld << " '" << unsinn << "'";
    }
    EXPECT_EQ(r.sys.cfg.LiZeit.MinLength, 15);

    // Every box shows its value so that taking it back changes no setting.
    const auto alle = AlleWerte(r.sys.cfg);
    for (const std::string& feld : ZsaTextfelder()) ZsaTextEingabe(r.sys, feld, ZsaTextWert(r.sys, feld));
    EXPECT_EQ(AlleWerte(r.sys.cfg), alle);
}

TEST(ZsaOptions, LaneColours) {
    Rig r;
    r.Init();
    ZsaFarbeSetzen(r.sys, 0, Rgb{300, -5, 7});   // text colour of lane 1
    ZsaFarbeSetzen(r.sys, 9, Rgb{1, 2, 3});      // background of lane 2
    ZsaFarbeSetzen(r.sys, 23, Rgb{4, 5, 6});     // track colour of lane 8
    ZsaFarbeSetzen(r.sys, 24, Rgb{9, 9, 9});     // no such button
    const auto& f = r.sys.cfg.Farben;
    EXPECT_EQ(f.FS[1].rot, 255);
    EXPECT_EQ(f.FS[1].gruen, 0);
    EXPECT_EQ(f.S[2].blau, 3);
    EXPECT_EQ(f.TS[8].gruen, 5);
    EXPECT_EQ(ZsaFarbe(r.sys.cfg, 23).blau, 6);
}

// The replay sets dialog controls by name and traces what each shows; pin 14
// as an input releases its lines with one control write, made by the tick that
// follows.
TEST(ZsaOptions, ReplaySetsControlsByName) {
    const SimRun r = RunSim(
        "at 100 dialog-set txtMinSignalLength 0\n"
        "at 100 dialog-set txtMinSignalLength 12abc\n"
        "at 100 dialog-set chkI2C 1\n"
        "at 100 dialog-set optPinI2C_Input 1\n"
        "at 100 dialog-set chkI2C 0\n"
        "at 100 dialog-set txtMaxVolts 12,5\n"
        "end 200\n",
        "zsa_dialog_set.scn");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("100 dialog txtMinSignalLength=\"1\"\n100 dialog txtMinSignalLength=\"1\"\n"
                         "100 dialog chkI2C=\"1\"\n100 dialog optPinI2C_Input=\"1\"\n"
                         "100 dialog chkI2C=\"0\"\n100 dialog txtMaxVolts=\"12,5\"\n101 lpt control=0x04\n"),
              std::string::npos)
        << r.out;
    const SimRun bad = RunSim("at 1 dialog-set txtNix 1\nat 1 dialog-set chkI2C 2\n", "zsa_dialog_bad.scn");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.out.find("unknown control of the settings dialog"), std::string::npos) << bad.out;
}
