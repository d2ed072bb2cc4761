// The race director's desk and the lap spreadsheet: list lines as the real
// 100 ms cycle makes them, lap corrections, the list file "_Test.txt", the lap
// file and the exported workbook, read back by an independent reader (openpyxl).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "race/RaceSequence.h"
#include "race/Director.h"
#include "settings/DataDir.h"
#include "tests/TestRig.h"

namespace {

using zk::test::Rig;
namespace fs = std::filesystem;

struct Messages : zk::UiPort {
    std::vector<std::string> shown;
    void ShowMessage(const std::string& t, const std::string&, zk::MessageIcon) override { shown.push_back(t); }
};

std::string FreshDir(const std::string& name) {
    const std::string d = ::testing::TempDir() + "zk-director-" + name;
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Shell(const std::string& cmd) {
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

// The Debian python3-openpyxl belongs to the system interpreter.
// Every filled cell of the workbook's first sheet, by name ("N6"), as openpyxl
// reads it: numbers with repr(), so 0 and 5.35 stay distinguishable.
std::map<std::string, std::string> Cells(const std::string& xlsx, int sheet = 0) {
    const std::string py =
        "import sys, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[int(sys.argv[2])]\n"
        "for row in ws.iter_rows():\n"
        "    for c in row:\n"
        "        if c.value is not None: print(c.coordinate + '=' + repr(c.value))\n";
    const std::string script = ::testing::TempDir() + "zk-cells.py";
    std::ofstream(script) << py;
    std::istringstream out(Shell("/usr/bin/python3 '" + script + "' '" + xlsx + "' " + std::to_string(sheet)));
    std::map<std::string, std::string> cells;
    std::string line;
    while (std::getline(out, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            ADD_FAILURE() << "openpyxl: " << line;
            continue;
        }
        cells[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return cells;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

// Lanes 1..3 wired, the desk loaded, its lists and the lap file in `dir`.
struct DeskRig : Rig {
    explicit DeskRig(const std::string& dir) {
        StandardWiring();
        for (int l = 1; l <= 3; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        sys.cfg.LiZeit.Minimum = 500;
        Init();
        sys.SetDataDir(dir);
        sys.SetDirector(&sys.Desk());
        sys.SetRecorder(&sys.Laps());
        sys.SetUi(&ui);
        sys.st.fenster.FensterOffen[zk::kWinRennleitung] = zk::kTrue;
    }
    void Cross(int lane, int32_t at) {
        RunTo(at - 1);
        Hold(lane, 20);
        RunFor(150);
    }
    Messages ui;
};

}  // namespace

// Laps and corrections give their list lines as the desk shows them, through
// the real tick and cycle; "-1" at 0 laps changes nothing and says so; a race
// end writes the list to "_Test.txt"; recorded corrections carry the time 0.
TEST(Director, ListLinesCorrectionsAndRaceEnd) {
    const std::string dir = FreshDir("lines");
    DeskRig r(dir);
    ASSERT_TRUE(r.sys.Laps().Start());
    r.RunTo(1000);
    r.sys.st.Startzeit = 1000;
    r.Green();
    r.Cross(2, 1400);   // start crossing: reaction time only
    r.Cross(2, 6500);   // lap 1: 5.500 s from green
    r.Cross(2, 11623);  // lap 2: 5.123 s

    const auto& counts = r.sys.Desk().Counts();
    ASSERT_EQ(counts.size(), 2u);
    const std::string tank = [&] {
        char b[32];
        std::snprintf(b, sizeof b, "%.2f", r.sys.st.spuren.SpurDaten[2].Tank);
        return std::string(b);
    }();
    EXPECT_EQ(counts[0].substr(0, 41), "Spur 2 R.0001 - 5.500  Zeit 00000005,500 ");
    EXPECT_EQ(counts[1], "Spur 2 R.0002 - 5.123  Zeit 00000010,623 Sprit " + tank);

    r.SetLaps(2, 11);
    EXPECT_EQ(zk::LapCorrection(r.sys, 2, +1), 12);
    EXPECT_EQ(counts.back(), "Spur 2 R.0012 Rundenzahl erh\xC3\xB6ht");
    EXPECT_EQ(zk::LapCorrection(r.sys, 2, -1), 11);
    EXPECT_EQ(counts.back(), "Spur 2 R.0011 Runde abgezogen");
    EXPECT_EQ(zk::LapCorrection(r.sys, 3, -1), 0);
    EXPECT_EQ(r.Laps(3), 0);
    EXPECT_EQ(counts.back(), "Spur 3 R.0000 keine Runde abzuziehen");
    // The corrected count goes on from where the director left it.
    r.Cross(2, 17000);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[2].Runden, 12);
    EXPECT_EQ(counts.back().substr(0, 13), "Spur 2 R.0012");
    ASSERT_EQ(r.sys.Desk().Flow().size(), 0u) << "reaction times go to the race-flow list only with RL 1";

    zk::StopRace(r.sys);
    std::string expected;
    for (const auto& l : counts) expected += l + "\n";
    EXPECT_EQ(Slurp(zk::DataPath(dir, zk::kDirectorListName)), expected);

    r.sys.Laps().Stop();
    const auto recs = zk::DecodeLapRecords(Slurp(r.sys.Laps().FilePath()));
    ASSERT_EQ(recs.size(), 5u);  // two laps, two corrections, one lap; not the refused "-1"
    EXPECT_EQ(recs[2].lane, 2);
    EXPECT_EQ(recs[2].lap, 12);
    EXPECT_EQ(recs[2].time, 0.0);
    EXPECT_EQ(recs[3].lap, 11);
    EXPECT_EQ(recs[3].time, 0.0);
    EXPECT_DOUBLE_EQ(recs[1].time, 5.123);
    EXPECT_TRUE(r.ui.shown.empty());
}

// "_Test.txt" is replaced as a whole, never rewritten in place; a full list and
// a cleared list are saved before they start afresh; a failed save is reported
// in German once.
TEST(Director, ListFileReplacedAtomicallyAndNothingLost) {
    const std::string dir = FreshDir("file");
    DeskRig r(dir);
    zk::DirectorDesk& desk = r.sys.Desk();
    const std::string file = zk::DataPath(dir, zk::kDirectorListName);
    desk.CountsLine("eins");
    ASSERT_TRUE(desk.Save());
    // A second name for the old file: a save that rewrote the file in place
    // would change what it shows.
    fs::create_hard_link(file, dir + "/old");
    desk.CountsLine("zwei");
    ASSERT_TRUE(desk.Save());
    EXPECT_EQ(Slurp(dir + "/old"), "eins\n");
    EXPECT_EQ(Slurp(file), "eins\nzwei\n");
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();

    // Race start clears the list: saved first.
    desk.CountsLine("drei");
    desk.Clear();
    EXPECT_TRUE(desk.Counts().empty());
    EXPECT_EQ(Slurp(file), "eins\nzwei\ndrei\n");

    // The full list is saved before it starts afresh.
    for (size_t i = 0; i < zk::DirectorDesk::kMaxLines; ++i) desk.CountsLine("L" + std::to_string(i));
    desk.CountsLine("neu");
    EXPECT_EQ(desk.Counts(), std::vector<std::string>{"neu"});
    const auto saved = Lines(Slurp(file));
    ASSERT_EQ(saved.size(), zk::DirectorDesk::kMaxLines);
    EXPECT_EQ(saved.back(), "L31999");

    // A data directory that is no directory: reported once, not at every save.
    const std::string notDir = dir + "/datei";
    std::ofstream(notDir) << "x";
    desk.SetDataDir(notDir);
    EXPECT_FALSE(desk.Save());
    EXPECT_FALSE(desk.Save());
    ASSERT_EQ(r.ui.shown.size(), 1u);
    EXPECT_NE(r.ui.shown[0].find("nicht gespeichert"), std::string::npos);
}

// The record is 13 bytes, little-endian, without padding; a record torn by a
// crash is left out and the ones before it stay readable.
TEST(LapFile, RecordsRoundTrip) {
    const zk::LapRecord rec{3, 70000, 5.123};
    const std::string b = zk::EncodeLapRecord(rec);
    ASSERT_EQ(b.size(), 13u);
    EXPECT_EQ(static_cast<unsigned char>(b[0]), 3);
    EXPECT_EQ(b.substr(1, 4), std::string("\x70\x11\x01\x00", 4));
    EXPECT_EQ(static_cast<unsigned char>(b[12]), 0x40);  // sign and exponent of 5.123
    const zk::LapRecord neg{8, -1, 0.0};
    const auto back = zk::DecodeLapRecords(b + zk::EncodeLapRecord(neg) + b.substr(0, 7));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].lane, 3);
    EXPECT_EQ(back[0].lap, 70000);
    EXPECT_EQ(back[0].time, 5.123);
    EXPECT_EQ(back[1].lane, 8);
    EXPECT_EQ(back[1].lap, -1);
}

// The export puts every lap in its cell, as an independent reader sees it; a
// second export makes a second workbook; a workbook that cannot be written is
// reported and leaves the lap file and the recording as they were.
TEST(LapExport, WorkbookCellsSecondExportAndFailure) {
    const std::string dir = FreshDir("export");
    DeskRig r(dir);
    zk::LapFile& laps = r.sys.Laps();
    ASSERT_TRUE(laps.Start());
    for (int lap = 1; lap <= 10; ++lap) laps.Append(1, lap, 5.0 + lap / 1000.0);
    laps.Append(3, 1, 4.25);
    laps.Append(2, 4, 0.0);  // a correction
    laps.Append(8, 2, 7.5);
    const std::string lapFile = Slurp(laps.FilePath());

    // Every name of that second taken, up to _999: the export fails and
    // replaces none of them.
    auto taken = [&](int n) {
        return dir + "/Savelaps_20261206_213840" + (n == 1 ? "" : "_" + std::to_string(n)) + ".xlsx";
    };
    for (int n = 1; n <= 999; ++n) std::ofstream(taken(n)) << "frei";
    EXPECT_EQ(laps.Export("20261206_213840"), "");
    ASSERT_EQ(r.ui.shown.size(), 1u);
    EXPECT_NE(r.ui.shown[0].find("konnte nicht geschrieben werden"), std::string::npos) << r.ui.shown[0];
    EXPECT_EQ(Slurp(laps.FilePath()), lapFile);
    EXPECT_TRUE(laps.Recording());
    EXPECT_EQ(Slurp(taken(999)), "frei");
    EXPECT_EQ(Slurp(taken(1)), "frei");
    for (int n = 1; n <= 999; ++n) fs::remove(taken(n));

    const std::string first = laps.Export("20261206_213840");
    EXPECT_EQ(first, dir + "/Savelaps_20261206_213840.xlsx");
    EXPECT_FALSE(laps.Recording());
    EXPECT_FALSE(r.sys.st.zyklus.ExcelAufzeichnung);
    EXPECT_NE(r.ui.shown.back().find(first), std::string::npos) << "says where the workbook is";
    const auto firstBytes = Slurp(first);
    const std::string second = laps.Export("20261206_213840");
    EXPECT_EQ(second, dir + "/Savelaps_20261206_213840_2.xlsx");
    EXPECT_EQ(Slurp(first), firstBytes);
    EXPECT_EQ(Slurp(laps.FilePath()), lapFile);

    auto cells = Cells(second);
    EXPECT_EQ(cells["N6"], "4.25");   // lap 1 of lane 3
    EXPECT_EQ(cells["I15"], "10");    // lap 10 of lane 1
    EXPECT_EQ(cells["J15"], "5.01");
    EXPECT_EQ(cells["I6"], "1");
    EXPECT_EQ(cells.count("L9"), 0u);  // the correction of lane 2 is no lap
    EXPECT_EQ(cells["V7"], "7.5");    // lane 8
    EXPECT_EQ(cells["J4"], "'Spur 1'");
    EXPECT_EQ(cells.count("M6"), 0u);
    auto fixes = Cells(second, 1);
    EXPECT_EQ(fixes["A2"], "12");  // the twelfth record
    EXPECT_EQ(fixes["B2"], "2");
    EXPECT_EQ(fixes["D2"], "4");
    EXPECT_EQ(fixes.count("C2"), 0u);  // no count of lane 2 before it: the change is unknown
    EXPECT_EQ(fixes.count("A3"), 0u);
}

// A lap taken away by the director: every driven lap keeps its cell and the
// column adds up to the lane's race time; the correction is listed apart with
// its lane, change and the lane's race time. A new race writes its rows afresh.
TEST(LapExport, CorrectionsNeverTakeTheCellOfADrivenLap) {
    const std::string dir = FreshDir("minus");
    DeskRig r(dir);
    zk::LapFile& laps = r.sys.Laps();
    ASSERT_TRUE(laps.Start());
    laps.Append(4, 1, 3.5);
    laps.Append(4, 2, 3.25);
    laps.Append(4, 1, 0.0);  // -1
    for (int n = 2; n <= 7; ++n) laps.Append(4, n, 3.0 + n / 10.0);
    laps.Append(4, 8, 0.0);  // +1
    laps.Append(1, 1, 6.0);  // lane 1: a race, then lap 1 of the next race
    laps.Append(1, 2, 6.5);
    laps.Append(1, 1, 5.5);
    const std::string book = laps.Export("20261206_220000");
    ASSERT_FALSE(book.empty());

    auto cells = Cells(book);
    double sum = 0;
    for (int row = 6; row <= 13; ++row) {
        const std::string cell = "P" + std::to_string(row);
        ASSERT_EQ(cells.count(cell), 1u) << cell;
        EXPECT_NE(cells[cell], "0") << cell;
        sum += std::stod(cells[cell]);
    }
    EXPECT_EQ(cells.count("P14"), 0u);
    EXPECT_NEAR(sum, 3.5 + 3.25 + 3.2 + 3.3 + 3.4 + 3.5 + 3.6 + 3.7, 1e-9);
    EXPECT_EQ(cells["P6"], "3.5");
    EXPECT_EQ(cells["P8"], "3.2");  // the first lap after the correction
    EXPECT_EQ(cells["J6"], "5.5");  // the next race's lap 1

    auto fixes = Cells(book, 1);
    EXPECT_EQ(fixes["A1"], "'Eintrag'");
    EXPECT_EQ(fixes["A2"], "3");
    EXPECT_EQ(fixes["B2"], "4");
    EXPECT_EQ(fixes["C2"], "-1");
    EXPECT_EQ(fixes["D2"], "1");
    EXPECT_EQ(fixes["E2"], "6.75");
    EXPECT_EQ(fixes["C3"], "1");
    EXPECT_EQ(fixes["D3"], "8");
    EXPECT_EQ(fixes.count("A4"), 0u);
}

// The replay as the organiser's day ends: a 10-lap race on lanes 1 and 3 with
// one correction, recorded and exported twice. Every lap is in its cell.
TEST(LapExport, ReplayRecordsCorrectsAndExports) {
    const std::string dir = FreshDir("sim");
    const std::string trace = Shell(std::string(ZK_SIM_BIN) + " --data-dir '" + dir + "' '" + ZK_SOURCE_DIR +
                                  "/examples/director-export.scn'");
    EXPECT_NE(trace.find("10600 director \"Reaktionszeit Spur 3: 500 Millisekunden\""), std::string::npos) << trace;
    EXPECT_NE(trace.find("31000 director \"Spur 1 R.0004 Rundenzahl erh\xC3\xB6ht\""), std::string::npos) << trace;
    EXPECT_NE(trace.find("15400 director \"Spur 1 R.0001 - 5.350  Zeit 00000010,950 Sprit "), std::string::npos)
        << trace;
    EXPECT_NE(trace.find("63000 export \"Savelaps_20000101_000103.xlsx\""), std::string::npos) << trace;
    EXPECT_NE(trace.find("63500 export \"Savelaps_20000101_000103_2.xlsx\""), std::string::npos) << trace;
    EXPECT_TRUE(fs::exists(dir + "/Runden.dat"));
    EXPECT_TRUE(fs::exists(dir + "/_Test.txt"));

    auto cells = Cells(dir + "/Savelaps_20000101_000103.xlsx");
    for (int lap = 1; lap <= 10; ++lap) {
        const std::string row = std::to_string(lap + 5);
        if (lap != 4) {
            EXPECT_EQ(cells["I" + row], std::to_string(lap)) << row;
        }
        EXPECT_EQ(cells.count("J" + row), lap == 4 ? 0u : 1u) << row;
        EXPECT_EQ(cells.count("N" + row), 1u) << row;
    }
    EXPECT_EQ(cells["J6"], "5.35");
    // Lap 4 of lane 1 was the director's +1: listed apart, not as a lap.
    auto fixes = Cells(dir + "/Savelaps_20000101_000103.xlsx", 1);
    EXPECT_EQ(fixes["B2"], "1");
    EXPECT_EQ(fixes["C2"], "1");
    EXPECT_EQ(fixes["D2"], "4");
    EXPECT_EQ(fixes["E2"], "15.35");
    EXPECT_EQ(cells["J10"], "10");   // lap 5 includes the lap the sensor missed
    EXPECT_EQ(cells["N6"], "5.3");
    EXPECT_EQ(cells["N15"], "4.9");
    EXPECT_EQ(Cells(dir + "/Savelaps_20000101_000103_2.xlsx"), cells);

    // Without a data directory the replay refuses what would write files.
    const std::string refused = Shell(std::string(ZK_SIM_BIN) + " '" + ZK_SOURCE_DIR + "/examples/director-export.scn'");
    EXPECT_NE(refused.find("'record' needs --data-dir"), std::string::npos) << refused;
}

// The desk names every race mode while timing runs, the club ones included.
TEST(Director, ModeTextNamesEveryMode) {
    Rig r;
    EXPECT_EQ(zk::DirectorModeText(r.sys), "Keine Zeitnahme");
    r.sys.record.phase = zk::RacePhase::Racing;
    const std::pair<zk::Rennart, const char*> modes[] = {
        {zk::Rennart::Training, "Training"},           {zk::Rennart::Rundenrennen, "Rundenrennen"},
        {zk::Rennart::Zeitrennen, "Zeitrennen"},       {zk::Rennart::Clubrennen, "Clubrennen"},
        {zk::Rennart::ClubRundenRennen, "Club-Rundenrennen"}, {zk::Rennart::ClubZeitRennen, "Club-Zeitrennen"}};
    for (auto [mode, text] : modes) {
        r.sys.st.rennen.Rennmodus = mode;
        EXPECT_EQ(zk::DirectorModeText(r.sys), text);
    }
}
