// The program's files under kills, concurrent writers, full disks and hostile
// files: the durable write, stale temporaries, the result pair, the lap file and
// the race log.
#include <gtest/gtest.h>

#include <chrono>
#include <sched.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/DurableFile.h"
#include "race/RaceResult.h"
#include "system/ClubLogFile.h"
#include "system/LapFile.h"
#include "tests/TestRig.h"
#include "tests/settings_test_util.h"

namespace {

namespace fs = std::filesystem;
using zk::test::TempDir;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The id of a process that has ended and been reaped.
pid_t DeadPid() {
    const pid_t p = ::fork();
    if (p == 0) ::_exit(0);
    ::waitpid(p, nullptr, 0);
    return p;
}

// Runs `f` in a child process and waits for it up to `seconds`; a child that
// is still running then is killed. Returns its exit status, or -1 when it hung.
template <typename F>
int InChild(F f, int seconds = 10) {
    const pid_t p = ::fork();
    if (p == 0) ::_exit(f());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (::waitpid(p, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(p, SIGKILL);
            ::waitpid(p, nullptr, 0);
            return -1;
        }
        ::usleep(2000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

struct Messages : zk::UiPort {
    std::vector<std::string> shown;
    void ShowMessage(const std::string& t, const std::string&, zk::MessageIcon) override { shown.push_back(t); }
};

// A race system writing its files into a fresh data directory.
struct FilesRig : zk::test::Rig {
    TempDir dir;
    Messages ui;
    FilesRig() {
        StandardWiring();
        Init();
        sys.SetDataDir(dir.path());
        sys.SetUi(&ui);
    }
};

TEST(DurableFile, ReplaceWritesThroughALinkAndKeepsTheMode) {
    TempDir d;
    Put(d / "real", "alt");
    ::chmod((d / "real").c_str(), 0640);
    fs::create_symlink("real", d / "link");
    std::string why;
    ASSERT_TRUE(zk::DurableReplace(d / "link", "neu", &why)) << why;
    EXPECT_TRUE(fs::is_symlink(d / "link"));
    EXPECT_EQ(Slurp(d / "real"), "neu");
    struct stat st {};
    ::stat((d / "real").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(d.Entries().size(), 2u) << "no temporary stays";
    // A FIFO under the name is not replaced by a file.
    ::mkfifo((d / "fifo").c_str(), 0666);
    EXPECT_FALSE(zk::DurableReplace(d / "fifo", "x", &why));
    EXPECT_TRUE(fs::is_fifo(d / "fifo"));
}

// Two processes exporting under the same stem at the same time: every export
// gets a file of its own. With every name up to _999 taken, nothing is
// replaced and the write fails.
TEST(DurableFile, CreateNeverReplacesAcrossProcesses) {
    TempDir d;
    auto writer = [&d](const char* who) {
        return [&d, who] {
            for (int i = 0; i < 20; ++i) {
                std::string why;
                if (zk::DurableCreate(d.path(), "Savelaps_X", {{".xlsx", zk::BytesWriter(who + std::to_string(i))}},
                                      &why)
                        .empty())
                    return 1;
            }
            return 0;
        };
    };
    const pid_t a = ::fork();
    if (a == 0) ::_exit(writer("a")());
    EXPECT_EQ(InChild(writer("b"), 30), 0);
    int status = 0;
    ::waitpid(a, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::set<std::string> contents;
    for (const auto& name : d.Entries()) contents.insert(Slurp(d / name));
    EXPECT_EQ(d.Entries().size(), 40u);
    EXPECT_EQ(contents.size(), 40u) << "every export kept";

    TempDir full;
    Put(full / "S.xlsx", "0");
    for (int n = 2; n <= 999; ++n) Put(full / ("S_" + std::to_string(n) + ".xlsx"), std::to_string(n));
    std::string why;
    EXPECT_EQ(zk::DurableCreate(full.path(), "S", {{".xlsx", zk::BytesWriter("neu")}}, &why), "");
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(Slurp(full / "S_999.xlsx"), "999");
    EXPECT_EQ(full.Entries().size(), 999u);
}

// A result's table and page share one name, also when a page of that name is
// there without its table.
TEST(ResultFiles, PairAlwaysSharesOneNameAndCellsAreNoFormulas) {
    TempDir d;
    Put(d / "R.html", "fremd");
    std::string why;
    const std::string name = zk::ErgebnisDateienSchreiben(d.path(), "R", "t", "p", &why);
    EXPECT_EQ(name, d / "R_2");
    EXPECT_EQ(Slurp(d / "R_2.csv"), "t");
    EXPECT_EQ(Slurp(d / "R_2.html"), "p");
    EXPECT_FALSE(fs::exists(d / "R.csv"));

    zk::RennErgebnis e;
    e.titel = "-Abend";
    zk::ErgebnisZeile z;
    z.fahrer = "=HYPERLINK(\"http://x\";\"a\")";
    e.zeilen.push_back(z);
    z.fahrer = "@SUM(1)";
    e.zeilen.push_back(z);
    z.fahrer = "Anna-Lena";
    e.zeilen.push_back(z);
    const std::string csv = zk::ErgebnisCsv(e, "2026-12-07", "20:00:00");
    EXPECT_NE(csv.find(";\"'=HYPERLINK(\"\"http://x\"\";\"\"a\"\")\";"), std::string::npos) << csv;
    EXPECT_NE(csv.find(";\"'@SUM(1)\";"), std::string::npos) << csv;
    EXPECT_NE(csv.find("Rennen;\"'-Abend\""), std::string::npos) << csv;
    EXPECT_NE(csv.find(";Anna-Lena;"), std::string::npos) << csv;
}

// Temporaries of dead processes go at start; those of a running one stay. A
// result pair whose second link a kill prevented is finished.
TEST(StaleTemporaries, RemovedAtStartAndHalfNamedResultFinished) {
    TempDir d;
    const std::string dead = std::to_string(DeadPid());
    const std::string alive = std::to_string(::getpid());
    fs::create_directory(d / "Ergebnisse");
    Put(d / ("._Test.txt.tmp-" + dead + "-3"), "x");
    Put(d / ("._Test.txt.tmp-" + dead), "x");          // written by earlier versions
    Put(d / (".Logfile.txt.tmp-" + alive + "-0"), "x");  // a save going on now
    Put(d / "Ergebnisse/R.csv", "tabelle");
    Put(d / ("Ergebnisse/.R.csv.tmp-" + dead + "-0"), "tabelle");
    Put(d / ("Ergebnisse/.R.html.tmp-" + dead + "-1"), "seite");
    Put(d / ("Ergebnisse/.Q.csv.tmp" + dead), "halb");  // nothing of Q got its name
    Put(d / ".notes.tmp-abc", "keine Temporärdatei");

    zk::test::Rig r;
    r.Init();
    EXPECT_EQ(r.sys.SetDataDir(d.path()), 5);
    std::set<std::string> left;
    for (const auto& n : d.Entries()) left.insert(n);
    EXPECT_EQ(left, (std::set<std::string>{"Ergebnisse", ".Logfile.txt.tmp-" + alive + "-0", ".notes.tmp-abc"}));
    std::set<std::string> results;
    for (const auto& n : TempDir::EntriesOf(d / "Ergebnisse")) results.insert(n);
    EXPECT_EQ(results, (std::set<std::string>{"R.csv", "R.html"}));
    EXPECT_EQ(Slurp(d / "Ergebnisse/R.html"), "seite");
}

// A torn record at the end of the lap file is cut off before new records are
// appended, so that none of them is decoded misaligned.
TEST(LapFile, TornRecordCutBeforeAppending) {
    FilesRig r;
    zk::LapFile& laps = r.sys.Laps();
    std::string bytes = zk::EncodeLapRecord({1, 1, 5.5}) + zk::EncodeLapRecord({2, 1, 6.5});
    Put(laps.FilePath(), bytes + bytes.substr(0, 5));
    ASSERT_TRUE(laps.Start());
    ASSERT_EQ(r.ui.shown.size(), 1u);
    EXPECT_NE(r.ui.shown[0].find("unvollst\xC3\xA4ndigen Datensatz (5 Bytes)"), std::string::npos) << r.ui.shown[0];
    laps.Append(1, 2, 5.25);
    laps.Stop();
    const auto c = zk::ReadLapFile(laps.FilePath());
    ASSERT_TRUE(c.error.empty()) << c.error;
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[2].lane, 1);
    EXPECT_EQ(c.records[2].lap, 2);
    EXPECT_EQ(c.records[2].time, 5.25);
    EXPECT_EQ(c.fragment, 0u);
}

// A FIFO, an endless device or a huge file as the lap file: refused at once
// with a message, never waited on or read without end.
TEST(LapFile, FifoDeviceAndHugeFileRefused) {
    FilesRig r;
    zk::LapFile& laps = r.sys.Laps();
    ASSERT_EQ(::mkfifo(laps.FilePath().c_str(), 0666), 0);
    EXPECT_EQ(InChild([&] { return laps.Start() ? 1 : 0; }, 5), 0) << "Start blocked on a FIFO or accepted it";
    EXPECT_EQ(InChild([&] { return laps.Export("20261207_010000").empty() ? 0 : 1; }, 5), 0);
    EXPECT_FALSE(laps.Recording());

    fs::remove(laps.FilePath());
    fs::create_symlink("/dev/zero", laps.FilePath());
    EXPECT_EQ(InChild([&] { return laps.Export("20261207_010000").empty() ? 0 : 1; }, 5), 0)
        << "the export read an endless device";
    EXPECT_EQ(InChild([&] { return laps.Start() ? 1 : 0; }, 5), 0);

    fs::remove(laps.FilePath());
    Put(laps.FilePath(), "");
    fs::resize_file(laps.FilePath(), static_cast<uintmax_t>(zk::kMaxLapFileSize) + 13);  // sparse
    r.ui.shown.clear();
    EXPECT_EQ(laps.Export("20261207_010000"), "");
    ASSERT_EQ(r.ui.shown.size(), 1u);
    EXPECT_NE(r.ui.shown[0].find("zu gro\xC3\x9F"), std::string::npos) << r.ui.shown[0];
}

// A 64 KiB tmpfs over `dir` while the object lives (needs root: skipped else),
// in a mount namespace of this test process where it can be: a crashed test
// then leaves no mount behind.
struct SmallDisk {
    std::string dir;
    bool ok;
    explicit SmallDisk(const std::string& d, const char* size = "64k") : dir(d) {
        if (::unshare(CLONE_NEWNS) == 0) (void)::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        ok = ::mount("zk-full", d.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    ~SmallDisk() {
        if (ok) ::umount(dir.c_str());
    }
};

// A heat block that hits a full disk is cut off again: the log holds whole
// heats only.
TEST(RaceLog, HeatBlockOnFullDiskIsWholeOrAbsent) {
    TempDir d;
    SmallDisk disk(d.path());
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    FilesRig r;
    r.sys.SetDataDir(d.path());
    zk::ClubLogFile& log = r.sys.ClubLog();
    log.Kopf("Kopf\r\n");
    log.Turn("Turn 1\r\n");
    const std::string before = Slurp(log.Path());
    ASSERT_EQ(before, "Kopf\r\nTurn 1\r\n");
    log.Turn(std::string(200 * 1024, 'x'));
    EXPECT_EQ(Slurp(log.Path()), before);
    EXPECT_EQ(r.ui.shown.size(), 1u);
}

// On a full disk a replaced file keeps its old content and a new result is
// not written at all; neither leaves a temporary.
TEST(FullDisk, ReplaceAndCreateFailWholeAndLeaveNothing) {
    TempDir d;
    SmallDisk disk(d.path());
    if (!disk.ok) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    std::string why;
    ASSERT_TRUE(zk::DurableReplace(d / "_Test.txt", "alt\n", &why)) << why;
    EXPECT_FALSE(zk::DurableReplace(d / "_Test.txt", std::string(200 * 1024, 'x'), &why));
    EXPECT_EQ(why, "der Datenträger ist voll");
    EXPECT_EQ(Slurp(d / "_Test.txt"), "alt\n");
    EXPECT_EQ(zk::ErgebnisDateienSchreiben(d / "Ergebnisse", "R", "t", std::string(200 * 1024, 'p'), &why), "");
    EXPECT_NE(why.find("voll"), std::string::npos) << why;
    std::set<std::string> left;
    for (const auto& n : d.Entries()) left.insert(n);
    EXPECT_EQ(left, (std::set<std::string>{"_Test.txt", "Ergebnisse"}));
    EXPECT_TRUE(TempDir::EntriesOf(d / "Ergebnisse").empty());
}

// When the old log cannot be moved away (the data directory is not writable
// for this user, the log itself is), the new race writes nothing into it.
TEST(RaceLog, LogThatCouldNotBeStartedIsNotWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
    TempDir d;
    ::chmod(d.path().c_str(), 0755);
    Put(d / "Logfile.txt", "altes Rennen\r\n");
    ::chmod((d / "Logfile.txt").c_str(), 0666);
    const int rc = InChild([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 3;
        FilesRig r;
        r.sys.SetDataDir(d.path());
        zk::ClubLogFile& log = r.sys.ClubLog();
        log.Kopf("neuer Kopf\r\n");
        log.Turn("Turn 1\r\n");
        return r.ui.shown.size() == 1 ? 0 : 4;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Slurp(d / "Logfile.txt"), "altes Rennen\r\n");
}

}  // namespace
