// The command-line tools on the settings file (zirkato-ini, the "ini" line of
// zirkato-sim) and the choice of the data directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

#include "base/Version.h"
#include "settings/DataDir.h"
#include "system/IniFileIO.h"
#include "settings/Settings.h"
#include "settings_test_util.h"

using namespace zk;
using namespace zk::test;

namespace {

struct RunResult {
    int status = -1;
    std::string out;
};

RunResult RunCmd(const std::string& cmd) {
    RunResult r;
    FILE* p = ::popen((cmd + " 2>/dev/null").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

std::string Q(const std::string& s) { return "'" + s + "'"; }

std::string IniTool() {
    const std::string sim = ZK_SIM_BIN;
    return sim.substr(0, sim.find_last_of('/')) + "/zirkato-ini";
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

}  // namespace

TEST(SettingsTools, DumpShowsEffectiveValuesAndChangesNothing) {
    TempDir dir;
    const std::string invalid = dir / "invalid.ini";
    WriteBytes(invalid, "[Valid]\nValIniFile=1\n");
    Settings first;
    SetIniDefaults(first);
    const auto r = RunCmd(IniTool() + " dump " + Q(invalid));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, Joined(SettingsDumpLines(first)));
    EXPECT_EQ(ReadBytes(invalid), "[Valid]\nValIniFile=1\n");

    const std::string valid = dir / "valid.ini";
    WriteBytes(valid, "[Valid]\nValIniFile=10\n[LiZeit]\nMinimum=120\n");
    ::chmod(valid.c_str(), 0444);  // dump makes no write test, so no complaint either
    const auto v = RunCmd(IniTool() + " dump " + Q(valid));
    EXPECT_EQ(v.status, 0);
    EXPECT_NE(v.out.find("\n[LiZeit] Minimum=500\n"), std::string::npos);
    EXPECT_EQ(ReadBytes(valid), "[Valid]\nValIniFile=10\n[LiZeit]\nMinimum=120\n");
}

TEST(SettingsTools, GetSetAndErrors) {
    TempDir dir;
    const std::string f = dir / "x.ini";
    const std::string t = IniTool();
    EXPECT_EQ(RunCmd(t + " get-int " + Q(f) + " S K 7").out, "7\n");  // missing file: default
    EXPECT_FALSE(std::filesystem::exists(f));
    EXPECT_EQ(RunCmd(t + " set " + Q(f) + " 'Aktive Spuren' 'Spur 1' ' 1'").status, 0);
    EXPECT_EQ(RunCmd(t + " set " + Q(f) + " Fahrer 'F 1' 'Jürgen'").status, 0);
    EXPECT_EQ(ReadBytes(f), "[Aktive Spuren]\nSpur 1= 1\n[Fahrer]\nF 1=Jürgen\n");
    EXPECT_EQ(RunCmd(t + " get-int " + Q(f) + " 'aktive spuren' 'SPUR 1' 7").out, "1\n");
    EXPECT_EQ(RunCmd(t + " get " + Q(f) + " fahrer 'f 1'").out, "Jürgen\n");
    EXPECT_EQ(RunCmd(t + " get " + Q(f) + " fahrer 'f 2' Niemand").out, "Niemand\n");

    EXPECT_EQ(RunCmd(t + " get-int " + Q(f) + " S K zwei").status, 2);
    EXPECT_EQ(RunCmd(t + " get " + Q(f) + " S").status, 2);
    EXPECT_EQ(RunCmd(t + " frobnicate").status, 2);
    EXPECT_EQ(RunCmd(t + " set " + Q(f) + " S 'k=1' v").status, 2);
    EXPECT_EQ(RunCmd(t + " dump " + Q(dir / "fehlt.ini")).status, 2);
    EXPECT_EQ(RunCmd(t + " get " + Q(dir.path()) + " S K").status, 2);  // a directory is no file
    ::chmod(f.c_str(), 0444);
    EXPECT_EQ(RunCmd(t + " set " + Q(f) + " S K v").status, 1);
}

TEST(SettingsTools, VersionAndHelp) {
    const RunResult v = RunCmd(IniTool() + " --version");
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, std::string("zirkato-ini ") + ProgramVersion() + "\n");
    const RunResult h = RunCmd(IniTool() + " --help");
    EXPECT_EQ(h.status, 0);
    EXPECT_NE(h.out.find("zirkato-ini dump FILE"), std::string::npos) << h.out;
}

TEST(SettingsTools, StreamsAreReadOnceAndNeverWritten) {
    TempDir dir;
    const std::string f = dir / "z.ini";
    WriteBytes(f, "[Valid]\nValIniFile=10\n[LiZeit]\nMinimum=700\n");
    const std::string t = IniTool();
    // A process substitution can be read only once; reading it twice gave first-run values.
    const auto piped = RunCmd("bash -c " + Q(t + " dump <(cat " + f + ")"));
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, RunCmd(t + " dump " + Q(f)).out);
    EXPECT_NE(piped.out.find("\n[LiZeit] Minimum=700\n"), std::string::npos) << piped.out;
    EXPECT_EQ(RunCmd("bash -c " + Q(t + " get-int <(cat " + f + ") LiZeit Minimum 1")).out, "700\n");

    // A FIFO without a writer is refused by set, not waited for.
    const std::string fifo = dir / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(RunCmd(t + " set " + Q(fifo) + " A b 1").status, 2);
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
}

TEST(SettingsTools, SimulatorReadsIniLinesThroughTheReader) {
    TempDir dir;
    ::mkdir((dir / "sub").c_str(), 0755);
    // Lane 1 on status bit 6; lockout 120 ms in the file becomes 500 ms when read.
    WriteBytes(dir / "sub/bahn.ini",
               "[Valid]\r\nValIniFile= 10\r\n[Masken]\r\nMS1= 64\r\nCS1= 64\r\n[LiZeit]\r\nMinimum= 120\r\n"
               "MinLength= 10\r\n[Aktive Spuren]\r\nSpur 1= 1\r\n[Version]\r\nREV= 107\r\n");
    WriteBytes(dir / "race.scn",
               "ini sub/bahn.ini\n"
               "set LiZeit MinLength 5\n"
               "at 1000 green\n"
               "at 1300 car 1 20\n"
               "at 1700 car 1 20\n"  // within 500 ms of the first: locked out
               "at 2400 car 1 20\n"
               "end 2600\n");
    const auto r = RunCmd(std::string(ZK_SIM_BIN) + " " + Q(dir / "race.scn"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("reaction lane=1 ms=300"), std::string::npos) << r.out;
    // Laps count from the green light; with a 120 ms lockout the car at 1700
    // would have made a lap of 0.700.
    EXPECT_NE(r.out.find("lap lane=1 laps=1 time=1.400"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("time=0.700"), std::string::npos) << r.out;

    WriteBytes(dir / "bad1.scn", "set LiZeit Minimum 500\nini fehlt.ini\nend 10\n");
    WriteBytes(dir / "bad2.scn", "set LiZeit Maximum 500\nend 10\n");
    FILE* p = ::popen((std::string(ZK_SIM_BIN) + " " + Q(dir / "bad1.scn") + " 2>&1").c_str(), "r");
    char buf[512] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, p);
    EXPECT_EQ(WEXITSTATUS(::pclose(p)), 2);
    EXPECT_NE(std::string(buf, n).find("bad1.scn:2: cannot read settings file"), std::string::npos);
    EXPECT_EQ(RunCmd(std::string(ZK_SIM_BIN) + " " + Q(dir / "bad2.scn")).status, 2);
}

TEST(SettingsDataDir, ChoiceOrder) {
    TempDir dir;
    DataDirSources s;
    s.home = dir / "home";
    s.exeDir = dir / "bin";
    ::mkdir(s.exeDir.c_str(), 0755);

    EXPECT_EQ(ResolveDataDir(s), dir / "home/.local/share/zirkato");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "home/.local/share/zirkato"));
    s.xdgDataHome = "relativ";  // ignored
    EXPECT_EQ(ResolveDataDir(s), dir / "home/.local/share/zirkato");
    s.xdgDataHome = dir / "xdg";
    EXPECT_EQ(ResolveDataDir(s), dir / "xdg/zirkato");

    WriteBytes(dir / "bin/Zirkato.ini", "");  // portable installation
    EXPECT_EQ(ResolveDataDir(s), dir / "bin");
    ::chmod((dir / "bin/Zirkato.ini").c_str(), 0444);  // not writable: not portable
    EXPECT_EQ(ResolveDataDir(s), dir / "xdg/zirkato");

    s.env = dir / "env/";
    EXPECT_EQ(ResolveDataDir(s), dir / "env");
    s.option = dir / "opt";
    EXPECT_EQ(ResolveDataDir(s), dir / "opt");

    WriteBytes(dir / "datei", "");
    s.option = dir / "datei";
    std::string err;
    EXPECT_EQ(ResolveDataDir(s, &err), "");
    EXPECT_FALSE(err.empty());

    const char* argv[] = {"zirkato", "--data-dir=/a", "--data-dir", "/b"};
    EXPECT_EQ(DataDirOption(4, const_cast<char**>(argv)), "/b");
    const char* bad[] = {"zirkato", "--data-dir"};
    EXPECT_FALSE(DataDirOption(2, const_cast<char**>(bad), &err).has_value());
}
