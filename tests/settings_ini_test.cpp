// Reading and writing the whole settings file.
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "TestRig.h"
#include "system/IniFileIO.h"
#include "settings/ProfileFile.h"
#include "settings/Settings.h"
#include "settings_test_util.h"

using namespace zk;
using namespace zk::test;

namespace {

// A race system with a UI recorder and a settings file in a scratch directory.
struct IniRig {
    Rig rig;
    UiRecorder ui;
    TempDir dir;
    std::string path = dir / "Zirkato.ini";
    ProfileFile file{path};
    RaceSystem& sys = rig.sys;

    IniRig() { sys.SetUi(&ui); }
    ReadIniResult Read(const std::string& bytes) {
        WriteBytes(path, bytes);
        return ReadIniFile(sys, file);
    }
};

std::vector<std::string> FirstRunDump() {
    Settings s;
    SetIniDefaults(s);
    return SettingsDumpLines(s);
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    const auto p = s.find(from);
    if (p != std::string::npos) s.replace(p, from.size(), to);
    return s;
}

}  // namespace

TEST(SettingsRead, InvalidOrMissingFileGivesFirstRunValuesAndWritesNothing) {
    for (const std::string content : {"[Valid]\nValIniFile=1\n", "[Valid]\nValIniFile=\n", "[Andere]\nx=1\n"}) {
        IniRig t;
        const auto r = t.Read(content);
        EXPECT_FALSE(r.valid);
        EXPECT_EQ(SettingsDumpLines(t.sys.cfg), FirstRunDump());
        EXPECT_EQ(ReadBytes(t.path), content);
        EXPECT_TRUE(t.ui.messages.empty());
        // The derived values follow the first-run values.
        EXPECT_EQ(t.sys.st.spannung.VoltFaktor, 16);
        EXPECT_EQ(t.sys.st.spannung.SpurWert[1], 192);
        EXPECT_EQ(t.sys.st.spannung.TankAbzug[100], 16);
        EXPECT_EQ(t.sys.st.spannung.TankAbzug[70], 8);
        EXPECT_EQ(t.sys.st.spannung.TankAbzug[40], 0);
        EXPECT_EQ(t.sys.st.MinZeit, 1000);  // no real lap is shorter
        EXPECT_EQ(t.sys.st.fenster.SaveWindowSettings, 1);
    }
    IniRig t;
    ReadIniFile(t.sys, t.file);
    EXPECT_FALSE(t.file.Exists());  // no file is created at start
}

TEST(SettingsRead, FileOfTheWindowsProgramReadAndRewrittenInPlace) {
    IniRig t;
    const std::string original = ReadBytes(SourcePath("tests/data/settings/windows-original.ini"));
    const auto r = t.Read(original);
    ASSERT_TRUE(r.valid);
    EXPECT_TRUE(r.writable);
    const Settings& c = t.sys.cfg;
    const RaceState& st = t.sys.st;
    EXPECT_DOUBLE_EQ(c.Bahn.Laenge, 25.5);
    EXPECT_EQ(c.Farben.S[1].gruen, 128);
    EXPECT_EQ(c.Farben.TS[8].blau, 7);
    EXPECT_EQ(c.Lpt.Pin16Gruen, 1);
    EXPECT_EQ(c.Lpt.Pin16Input, 0);
    EXPECT_EQ(st.LptBasis, 632);
    EXPECT_EQ(st.Maske[1], 64);
    EXPECT_EQ(st.Vergleich[1], 64);
    EXPECT_EQ(st.Maske[2], 128);
    EXPECT_EQ(st.MinZeit, 3000);
    EXPECT_EQ(st.MinLength, 15);
    for (int l = 1; l <= 4; ++l) EXPECT_TRUE(st.SpurAktiv[l]);
    EXPECT_EQ(c.WindowPositions.Top[kWinKV3], 1200);
    EXPECT_EQ(c.AZT.AlteAZT, 0);  // revision 107: no corrections
    EXPECT_EQ(c.Fahrer, (std::vector<std::string>{"Jürgen Müller", "Äußerst Schnelle Fee", "Hans"}));
    // Korrektur 250 mV, gain 3.2: (0.25 + 12) x 16 and (0.25 + 13.5) x 16.
    EXPECT_EQ(st.spannung.SpurWert[1], 196);
    EXPECT_EQ(st.spannung.SpurWert[3], 220);
    EXPECT_EQ(st.spannung.SCWert, 136);
    EXPECT_EQ(st.spannung.TrockenWert, 80);

    ReadOpenWindows(t.sys, t.file);
    EXPECT_EQ(t.ui.opened, (std::vector<std::string>{"frmKVZeit4SpurNeu", "frmZeit4Spur"}));

    // Written back unchanged, the file keeps every byte (CRLF, Windows-1252,
    // order); the sections that program did not know are added at the end,
    // with their first-run values.
    EXPECT_EQ(ReadBytes(t.path), original);
    EXPECT_EQ(c.Timer.Wecken, 1);  // sleeping, as before
    // The live pages stay off: a missing key of theirs is not read as 1.
    EXPECT_EQ(c.Web.Aktiv, 0);
    EXPECT_EQ(c.Web.Port, 8080);
    ASSERT_TRUE(WriteIniFile(t.sys, t.file));
    const std::string rewritten =
        original + "[Timer]\r\nWecken= 1\r\n[Web]\r\nAktiv= 0\r\nPort= 8080\r\nNurLokal= 0\r\n";
    EXPECT_EQ(ReadBytes(t.path), rewritten);
    // One changed setting changes one line.
    t.sys.cfg.LiZeit.Minimum = 2500;
    ASSERT_TRUE(WriteIniFile(t.sys, t.file));
    EXPECT_EQ(ReadBytes(t.path), Replace(rewritten, "Minimum= 3000\r\n", "Minimum= 2500\r\n"));
}

TEST(SettingsRead, ValuesAreParsedAndLimitedAsRead) {
    IniRig t;
    t.Read(
        "[Valid]\nValIniFile=10\n[Version]\nREV=107\n"
        "[LiZeit]\nMinimum=120\nMinLength=abc\n"
        "[NachZeit]\nNachzeit=-99999\n"
        "[Startampel]\nInterval=99999\n"
        "[I2COutput]\nADR0=300\nADR1=-4\n"
        "[KVPowerSetup]\nSpur 1 Spannung=2\nSpur 2 Spannung=12,5\nSpur 3 Spannung= 13.75V\nVolleVolt=40.5\n"
        "[Bahn]\nLänge=1234\n");
    const Settings& c = t.sys.cfg;
    EXPECT_EQ(c.LiZeit.Minimum, 500);
    EXPECT_EQ(t.sys.st.MinZeit, 500);
    EXPECT_EQ(c.LiZeit.MinLength, 0);        // present but not a number
    EXPECT_EQ(c.NachZeit.Nachzeit, -32768);  // 16-bit variables are limited, not wrapped
    EXPECT_EQ(c.Startampel.Interval, 32767);
    EXPECT_EQ(c.I2COutput.ADR[0], 255);
    EXPECT_EQ(c.I2COutput.ADR[1], 0);
    EXPECT_EQ(c.KVPowerSetup.SpurSpannung[1], 4.0);
    EXPECT_EQ(c.KVPowerSetup.SpurSpannung[2], 12.5);
    EXPECT_EQ(c.KVPowerSetup.SpurSpannung[3], 13.75);
    EXPECT_EQ(c.KVPowerSetup.SpurSpannung[4], 4.0);  // missing real key: 0, then raised
    EXPECT_EQ(c.KVPowerSetup.VolleVolt, 40.0);        // rounded, halves to even
    EXPECT_DOUBLE_EQ(c.Bahn.Laenge, 12.34);
    EXPECT_EQ(c.Masken.CS[1], 1);  // missing integer key: 1
    EXPECT_EQ(c.Masken.MS[10], 1);
    EXPECT_EQ(c.AZT.AlteAZT, 1);
    EXPECT_EQ(c.Fahrer, std::vector<std::string>{"TAVO"});  // Fahrer missing = 1, F 1 missing
}

TEST(SettingsRead, RevisionCorrections) {
    const std::string body = "[Valid]\nValIniFile=10\n[Lpt]\nChaos=1\nPinI2CInput=1\n[AZT]\nAlteAZT=0\n"
                             "[Tankoption]\nBoxTank=1\n[WindowPositions]\nKV8LaneHeight=500\n";
    struct Case {
        std::string version;
        bool rev106, rev107;
    };
    for (const Case& k : {Case{"[Version]\nREV=105\n", true, true}, Case{"[Version]\nREV=106\n", false, true},
                          Case{"", true, true}, Case{"[Version]\nREV=107\n", false, false}}) {
        IniRig t;
        t.Read(body + k.version);
        const Settings& c = t.sys.cfg;
        SCOPED_TRACE(k.version);
        EXPECT_EQ(c.Lpt.Chaos, k.rev106 ? 0 : 1);
        EXPECT_EQ(c.Lpt.PinI2CInput, k.rev106 ? 0 : 1);
        EXPECT_EQ(c.WindowPositions.Height[kWinKV8], k.rev106 ? 11145 : 500);
        EXPECT_EQ(c.WindowPositions.Width[kWinKV2], k.rev106 ? 12075 : 1);
        EXPECT_EQ(c.Farben.TS[8].rot, k.rev106 ? 235 : 1);
        EXPECT_EQ(c.AZT.AlteAZT, k.rev107 ? 1 : 0);
        EXPECT_EQ(c.Tankoption.BoxTank, k.rev107 ? 0 : 1);
    }
}

TEST(SettingsRead, InputPinsFloatHighAfterReading) {
    IniRig t;
    t.sys.st.LptSteuer = 0x0B;
    t.rig.port.ClearWrites();
    t.Read("[Valid]\nValIniFile=10\n[Lpt]\nPort=1\nPin1Input=1\nPinI2CInput=1\nPin16Input=1\n[Version]\nREV=107\n");
    EXPECT_EQ(t.sys.st.LptSteuer, 0x04);
    const auto w = t.rig.port.Writes();
    ASSERT_EQ(w.size(), 3u);  // one control write per change
    EXPECT_EQ(w[0].addr, 890);
    EXPECT_EQ(w[0].value, 0x0A);
    EXPECT_EQ(w[1].value, 0x00);
    EXPECT_EQ(w[2].value, 0x04);
}

TEST(SettingsRead, ReadOnlyFileIsReportedOnceAndStillRead) {
    IniRig t;
    const std::string content = "[Valid]\nValIniFile=0\n[LiZeit]\nMinimum=800\n";
    WriteBytes(t.path, content);
    ::chmod(t.path.c_str(), 0444);
    const auto r = ReadIniFile(t.sys, t.file);
    EXPECT_FALSE(r.writable);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text,
              "Achtung, das Zirkato.INI File ist schreibgeschützt. Einstellungen können nicht gespeichert werden");
    EXPECT_EQ(t.ui.messages[0].caption, "Achtung schreibschutz...");
    EXPECT_EQ(t.ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(t.sys.cfg.LiZeit.Minimum, 800);
    EXPECT_EQ(ReadBytes(t.path), content);

    // A later save fails visibly and leaves the file alone.
    EXPECT_FALSE(WriteIniFile(t.sys, t.file));
    ASSERT_EQ(t.ui.messages.size(), 2u);
    EXPECT_EQ(t.ui.messages[1].caption, "Fehler beim Speichern");
    EXPECT_NE(t.ui.messages[1].text.find("schreibgeschützt"), std::string::npos);
    EXPECT_EQ(ReadBytes(t.path), content);
}

TEST(SettingsDrivers, ReadEdgeCases) {
    IniRig t;
    t.Read("[Valid]\nValIniFile=10\n[AnzahlFahrer]\nFahrer=3\n[Fahrer]\nF 1=Anna\nF 2=Berta\nF 11=Elf\n");
    EXPECT_EQ(t.sys.cfg.Fahrer, (std::vector<std::string>{"Anna", "Berta", ""}));
    t.Read("[Valid]\nValIniFile=10\n[AnzahlFahrer]\nFahrer=0\n[Fahrer]\nF 1=Anna\n");
    EXPECT_EQ(t.sys.cfg.Fahrer, std::vector<std::string>{"TAVO"});
    t.Read("[Valid]\nValIniFile=10\n[AnzahlFahrer]\nFahrer=2\n[Fahrer]\nF 1=\nF 2=Berta\n");
    EXPECT_EQ(t.sys.cfg.Fahrer, (std::vector<std::string>{"TAVO", "Berta"}));
}

TEST(SettingsDrivers, WritePoolThenActiveList) {
    IniRig t;
    t.Read("[Valid]\nValIniFile=10\n");
    const std::string twenty = "Zwanzig Zeichen Näme";  // 20 characters survive a save and a load
    ASSERT_EQ(twenty.size(), 21u);
    t.sys.cfg.Fahrer = {twenty, "Berta", "", "Nie geschrieben"};
    t.sys.st.fahrer.AnzahlClubFahrer = 3;
    t.sys.st.fahrer.ClubFahrer[1] = "Carla";
    t.sys.st.fahrer.ClubFahrer[2] = "";  // an empty entry would end the pool when read back
    t.sys.st.fahrer.ClubFahrer[3] = "Dora";
    ASSERT_TRUE(WriteIniFile(t.sys, t.file));
    IniRig u;
    u.Read(ReadBytes(t.path));
    EXPECT_EQ(u.sys.cfg.Fahrer, (std::vector<std::string>{twenty, "Berta", "Carla", "Dora"}));
    EXPECT_EQ(u.sys.cfg.AnzahlFahrer.Fahrer, 4);

    // With slot 1 empty neither [Fahrer] nor [AnzahlFahrer] is written.
    IniRig v;
    v.Read("[Valid]\nValIniFile=10\n");
    v.sys.cfg.Fahrer = {"", "Berta"};
    ASSERT_TRUE(WriteIniFile(v.sys, v.file));
    EXPECT_TRUE(v.file.Doc().Keys("Fahrer").empty());
    EXPECT_TRUE(v.file.Doc().Keys("AnzahlFahrer").empty());

    // Every driver in the active list, the pool empty: all of them are kept.
    IniRig w;
    w.Read("[Valid]\nValIniFile=10\n");
    w.sys.cfg.Fahrer.clear();
    const std::vector<std::string> club = {"Anna", "Bernd", "Carla", "Dora", "Eva"};
    w.sys.st.fahrer.AnzahlClubFahrer = 5;
    for (int k = 1; k <= 5; ++k) w.sys.st.fahrer.ClubFahrer[k] = club[k - 1];
    ASSERT_TRUE(WriteIniFile(w.sys, w.file));
    IniRig x;
    x.Read(ReadBytes(w.path));
    EXPECT_EQ(x.sys.cfg.Fahrer, club);
    EXPECT_EQ(x.sys.cfg.AnzahlFahrer.Fahrer, 5);
}

TEST(SettingsWrite, SaveWhileTheSimulationRunsSaysWhyNothingIsWritten) {
    IniRig t;
    t.Read("[Valid]\nValIniFile=10\n");
    const std::string before = ReadBytes(t.path);
    t.sys.st.fenster.SimMaskenAktiv = true;
    EXPECT_FALSE(WriteIniFile(t.sys, t.file));
    EXPECT_EQ(ReadBytes(t.path), before);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text, kIniSaveDuringSimulationText);
    EXPECT_EQ(t.ui.messages[0].icon, MessageIcon::Warning);
    // Once the simulation is closed the save goes through.
    t.sys.st.fenster.SimMaskenAktiv = false;
    EXPECT_TRUE(WriteIniFile(t.sys, t.file));
    EXPECT_NE(ReadBytes(t.path), before);
}

TEST(SettingsWrite, FullObjectRoundTrip) {
    IniRig t;
    t.Read("");
    // A distinct value in every key, within what the reader keeps as is.
    int i = 0;
    for (const KeyDef& d : SettingsKeys()) {
        ++i;
        switch (d.type) {
            case KeyType::Int16:
                SetKeyFromText(t.sys.cfg, d, std::to_string(i % 2 ? 600 + i : -i));
                break;
            case KeyType::Byte:
                SetKeyFromText(t.sys.cfg, d, std::to_string(i % 256));
                break;
            case KeyType::Real:
                SetKeyFromText(t.sys.cfg, d, std::to_string(i) + ".25");
                break;
            case KeyType::RealInt:
            case KeyType::Centi:
                SetKeyFromText(t.sys.cfg, d, std::to_string(i));
                break;
        }
    }
    t.sys.cfg.AZT.Time = 0;  // Laps = Time = 1 would be reset at save
    t.sys.cfg.LiZeit.Minimum = 700;  // below 500 is raised when read
    t.sys.cfg.Fahrer = {"Anna", "Berta"};
    t.sys.st.fenster.SaveWindowSettings = 1;
    ASSERT_TRUE(WriteIniFile(t.sys, t.file));

    IniRig u;
    u.Read(ReadBytes(t.path));
    EXPECT_EQ(SettingsDumpLines(u.sys.cfg), SettingsDumpLines(t.sys.cfg));
    // The writer's number format: a blank before values that are not negative.
    const std::string bytes = ReadBytes(t.path);
    EXPECT_NE(bytes.find("[Version]\nREV= 107\n[Valid]\nValIniFile= 10\n"), std::string::npos);
    EXPECT_NE(bytes.find("Spur 1 Spannung= "), std::string::npos);
    EXPECT_NE(bytes.find("=-"), std::string::npos);
    EXPECT_EQ(bytes.find("= -"), std::string::npos);
}

TEST(SettingsWrite, FirstRunSaveWritesEveryKeyInTheWritersOrder) {
    // A first save on a fresh install creates every section and key in the
    // order the program has always written them (window positions included,
    // as the first-run Speichern = 1 asks for).
    IniRig t;
    t.Read("");
    ASSERT_TRUE(WriteIniFile(t.sys, t.file));
    EXPECT_EQ(ReadBytes(t.path), ReadBytes(SourcePath("tests/data/settings/first-run.ini")));
}

TEST(SettingsWrite, WriterRules) {
    IniRig t;
    t.Read("[Valid]\nValIniFile=10\n[AnsichtFenster]\nSpeichern=3\n");
    EXPECT_EQ(t.sys.st.fenster.SaveWindowSettings, 0);

    // Laps and Time both on switch the board display off, in memory and in the file.
    t.sys.cfg.AZT.Laps = t.sys.cfg.AZT.Time = t.sys.cfg.AZT.Aktiv[1] = t.sys.cfg.AZT.Uhr = 1;
    std::vector<int> progress;
    ASSERT_TRUE(WriteIniFile(t.sys, t.file, [&](int p) { progress.push_back(p); }));
    EXPECT_EQ(t.sys.cfg.AZT.Laps, 0);
    EXPECT_EQ(t.sys.cfg.AZT.Aktiv[1], 0);
    EXPECT_EQ(t.file.Doc().GetInt("AZT", "Time", 9), 0);
    EXPECT_EQ(t.file.Doc().GetInt("AZT", "Uhr", 9), 0);
    EXPECT_TRUE(t.file.Doc().Keys("WindowPositions").empty());  // SaveWindowSettings = 0
    ASSERT_GE(progress.size(), 30u);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(t.ui.opened, std::vector<std::string>{"frmSaveDisplay"});
    EXPECT_EQ(t.ui.closed, std::vector<std::string>{"frmSaveDisplay"});

    // While the port simulator has replaced the masks nothing is written, and
    // the save does not claim success.
    const std::string before = ReadBytes(t.path);
    t.sys.st.fenster.SimMaskenAktiv = true;
    t.sys.cfg.LiZeit.Minimum = 1234;
    EXPECT_FALSE(WriteIniFile(t.sys, t.file));
    EXPECT_EQ(ReadBytes(t.path), before);
}

namespace {
struct CountingOps : ProfileFileOps {
    int renames = 0;
    int Rename(const char* a, const char* b) override {
        ++renames;
        return ProfileFileOps::Rename(a, b);
    }
};
}  // namespace

TEST(SettingsWrite, ProgramEndSavesOnceEachAndWritesOpenWindows) {
    IniRig t;
    CountingOps ops;
    t.file.SetFileOps(&ops);
    t.Read("");  // first run
    t.sys.st.fenster.FensterOffen[kWinKV4Neu] = kTrue;
    t.sys.st.fenster.FensterOffen2[kWinParPortSim] = kTrue;
    bool closed = false;
    ASSERT_TRUE(SaveAtProgramEnd(t.sys, t.file, [&] {
        closed = true;
        t.sys.cfg.WindowPositions.Top[kWinKV4Neu] = 777;  // windows store their position as they close
    }));
    EXPECT_TRUE(closed);
    EXPECT_EQ(ops.renames, 2);  // open windows, then all settings: one save each
    const ProfileDocument& d = t.file.Doc();
    EXPECT_EQ(d.GetInt("OpenWindows", "KV4NeuLaneOpen", 0), -1);
    EXPECT_EQ(d.GetInt("OpenWindows", "PPSimOpen", 0), -1);
    EXPECT_EQ(d.GetInt("OpenWindows", "KV3LaneOpen", 9), 0);
    EXPECT_EQ(d.GetInt("WindowPositions", "KV4NeuLaneTop", 0), 777);
    EXPECT_EQ(d.GetInt("Valid", "ValIniFile", 0), 10);

    // [Save] All = 0 and Speichern = 1: only the window positions besides the open windows.
    IniRig u;
    u.Read("[Valid]\nValIniFile=10\n[Save]\nAll=0\n[AnsichtFenster]\nSpeichern=1\n");
    u.sys.cfg.LiZeit.Minimum = 4321;
    u.sys.cfg.WindowPositions.Left[kWinStd4] = 55;
    ASSERT_TRUE(SaveAtProgramEnd(u.sys, u.file, {}));
    EXPECT_EQ(u.file.Doc().GetInt("WindowPositions", "Std4Left", 0), 55);
    EXPECT_EQ(u.file.Doc().GetInt("LiZeit", "Minimum", -7), -7);  // not written

    // A read-only file at program end gives one message, not one per writer.
    ::chmod(u.path.c_str(), 0444);
    u.sys.cfg.Save.All = 1;
    EXPECT_FALSE(SaveAtProgramEnd(u.sys, u.file, {}));
    EXPECT_EQ(u.ui.messages.size(), 1u);
}

TEST(SettingsRead, UnreadableFileIsReportedAtStartAndLeftAlone) {
    // Each case: a name that exists but is no readable settings file.
    auto check = [](const std::function<void(const std::string&)>& make, const std::string& reason) {
        IniRig t;
        make(t.path);
        const auto r = ReadIniFile(t.sys, t.file);
        EXPECT_FALSE(r.readable);
        EXPECT_EQ(SettingsDumpLines(t.sys.cfg), FirstRunDump());
        EXPECT_EQ(t.ui.messages.size(), 1u) << reason;
        for (const auto& m : t.ui.messages) {
            EXPECT_EQ(m.caption, kIniUnreadableCaption);
            EXPECT_NE(m.text.find(reason), std::string::npos) << m.text;
        }
        // Saving later refuses rather than replacing what it never read.
        EXPECT_FALSE(WriteIniFile(t.sys, t.file));
        return t.dir.Entries();
    };
    EXPECT_EQ(check([](const std::string& p) { ::mkdir(p.c_str(), 0755); }, "Verzeichnis"),
              std::vector<std::string>{"Zirkato.ini"});
    check([](const std::string& p) { ::mkfifo(p.c_str(), 0644); }, "keine gewöhnliche Datei");
    check([](const std::string& p) { ::symlink("/dev/zero", p.c_str()); }, "keine gewöhnliche Datei");
    check(
        [](const std::string& p) {
            WriteBytes(p, "[Valid]\nValIniFile= 10\n");
            std::filesystem::resize_file(p, 17 << 20);
        },
        "zu groß");
    if (::geteuid() != 0) {  // root reads any file
        check(
            [](const std::string& p) {
                WriteBytes(p, "[Valid]\nValIniFile= 10\n");
                ::chmod(p.c_str(), 0);
            },
            "keine Leseberechtigung");
    }
}

TEST(SettingsRead, SensorSourceDefaultsToThePortAndTheBoardsDeviceIsKept) {
    // A file without the keys: the port, and the keys stay out of the file.
    IniRig t;
    t.Read("[Valid]\r\nValIniFile= 10\r\n[Lpt]\r\nPort= 1\r\n");
    EXPECT_EQ(t.sys.cfg.Lpt.Sensoren, 0);
    EXPECT_EQ(t.sys.cfg.Lpt.Sensorboard, kSensorboardStandard);
    ASSERT_TRUE(WriteIniFile(t.sys, t.file));
    EXPECT_EQ(ReadBytes(t.path).find("Sensor"), std::string::npos);

    // The board chosen with a long device name: read, written, read back.
    const std::string geraet = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0-Sensorboard-Bahn-2";
    IniRig u;
    u.Read("[Valid]\r\nValIniFile= 10\r\n[Lpt]\r\nPort= 1\r\nSensoren= 1\r\nSensorboard=" + geraet + "\r\n");
    EXPECT_EQ(u.sys.cfg.Lpt.Sensoren, 1);
    EXPECT_EQ(u.sys.cfg.Lpt.Sensorboard, geraet);
    u.sys.cfg.Lpt.Sensoren = 0;  // back to the port: the device is remembered
    ASSERT_TRUE(WriteIniFile(u.sys, u.file));
    IniRig v;
    v.Read(ReadBytes(u.path));
    EXPECT_EQ(v.sys.cfg.Lpt.Sensoren, 0);
    EXPECT_EQ(v.sys.cfg.Lpt.Sensorboard, geraet);
    // Any other value than 1 is the port.
    IniRig w;
    w.Read("[Valid]\r\nValIniFile= 10\r\n[Lpt]\r\nSensoren= 7\r\n");
    EXPECT_EQ(w.sys.cfg.Lpt.Sensoren, 0);
}
