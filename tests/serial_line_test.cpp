// The serial line to the display boards on a pseudo-terminal: the bytes that
// arrive at the other end through the real tick and 100 ms cycle, the unplugged
// adapter, the port probe, the options of the serial tab, and zirkato-sim
// writing to the device.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "TestRig.h"
#include "devices/TermiosLine.h"
#include "race/RS232.h"
#include "race/RaceSequence.h"

using namespace zk;
using namespace zk::test;

namespace {

// One pseudo-terminal pair; the slave is what the program opens as COM n.
struct Pty {
    int master = -1, slave = -1;
    std::string path;
    Pty() {
        char name[128];
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
        path = name;
        fcntl(master, F_SETFL, O_NONBLOCK);
    }
    ~Pty() {
        if (master >= 0) close(master);
        if (slave >= 0) close(slave);
    }
    // Everything that has arrived at the master since the last call.
    std::string Read() {
        std::string out;
        char buf[512];
        for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
        return out;
    }
};

struct ComEnv {
    std::string var;
    ComEnv(int com, const std::string& dev) : var("ZIRKATO_COM" + std::to_string(com)) {
        setenv(var.c_str(), dev.c_str(), 1);
    }
    ~ComEnv() { unsetenv(var.c_str()); }
};

struct MessageUi : UiPort {
    std::vector<std::string> messages, status;
    void ShowMessage(const std::string& t, const std::string&, MessageIcon) override { messages.push_back(t); }
    void ShowStatus(const std::string& t) override { status.push_back(t); }
};

// A rig whose serial line is the real one on COM `com`, lanes 1..4 wired.
struct LineRig : Rig {
    TermiosSerialLine line;
    MessageUi ui;
    explicit LineRig(int com) {
        sys.SetSerial(&line);
        sys.SetUi(&ui);
        StandardWiring();
        for (int l = 1; l <= 4; ++l) sys.cfg.AktiveSpuren.Spur[l] = 1;
        sys.cfg.LiZeit.Minimum = 500;
        sys.cfg.LiZeit.MinLength = 3;
        sys.cfg.RS232.COM = static_cast<int16_t>(com);
    }
    // One crossing of `lane` and the cycle that evaluates it.
    void Cross(int lane) {
        Hold(lane, 5);
        RunFor(100);
    }
};

}  // namespace

TEST(SerialLine, BoardMessagesOfRealLapsArriveByteForByte) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ComEnv env(1, pty.path);
    LineRig r(1);
    r.sys.cfg.AZT.Aktiv[1] = 1;
    r.sys.cfg.AZT.Laps = 1;
    r.Init();
    ASSERT_TRUE(r.sys.st.seriell.ComOffen);
    EXPECT_EQ(pty.Read(), "B2\rB100:00:00\rB5\r");  // board #1 on: the start sequence

    r.RunFor(10);
    r.Green();
    for (int l = 1; l <= 4; ++l) r.Cross(l);  // start crossings: reaction times only
    EXPECT_EQ(pty.Read(), "");
    r.RunFor(600);
    // First laps in the order 3, 1, 4, 2: positions 1..4 are lanes 3, 1, 4, 2.
    r.Cross(3);
    EXPECT_EQ(pty.Read(), "BF::::1\rbA:::1bB.3..bC....");
    r.Cross(1);
    r.Cross(4);
    pty.Read();
    r.Cross(2);
    EXPECT_EQ(pty.Read(), "BE::::1\rbB.3.1bC.4.2");
    for (int lap = 2; lap <= 6; ++lap) {
        r.RunFor(500);
        r.Cross(2);
    }
    pty.Read();
    r.RunFor(500);
    r.Cross(2);  // lap 7 of lane 2, now the leader
    EXPECT_EQ(pty.Read(), "BE::::7\rbA:::7bB.2.3bC.1.4");

    // The old board: the same message goes out with "P".
    AlteAztSetzen(r.sys, 1);
    EXPECT_EQ(r.sys.cfg.AZT.Aktiv[1], 0);
    r.RunFor(500);
    r.Cross(2);
    EXPECT_EQ(pty.Read(), "PE::::8\rbA:::8bB.2.3bC.1.4");
    EXPECT_EQ(r.rec.laps.size(), 11u);

    // Program end: the closing sequence (the old board gets it as "P"), then closed.
    ComProgrammEnde(r.sys);
    EXPECT_FALSE(r.sys.st.seriell.ComOffen);
    EXPECT_EQ(pty.Read(), "P2\rP100:00:05\rP5\r");
    FwVersionZeigen(r.sys);
    EXPECT_EQ(pty.Read(), "");
}

TEST(SerialLine, ThreeDisplayBoardsButtonsAndNothingWhileClosed) {
    Pty pty;
    ComEnv env(2, pty.path);
    LineRig r(2);
    r.sys.cfg.AZT.Aktiv[1] = r.sys.cfg.AZT.Aktiv[2] = r.sys.cfg.AZT.Aktiv[3] = 1;
    r.sys.cfg.TAZ.LED = 1;
    r.Init();
    pty.Read();
    r.RunFor(10);
    r.Green();
    r.Cross(1);
    r.RunFor(8949);
    r.Cross(1);  // 9.05 s after the start crossing's green
    EXPECT_EQ(pty.Read().substr(0, 27), "CD100\rBD::::1\rBE09.050\rBFFL");

    TankAnzeigenAlleEin(r.sys);
    TankAnzeigenBlinken(r.sys);
    EXPECT_EQ(pty.Read(), "CD100\rCH100\rCL100\rCP100\rC31\r");
    ComSchliessen(r.sys);
    TankAnzeigenAlleEin(r.sys);
    MaximalerStrom(r.sys);
    PowerOff(r.sys, 0);
    r.RunFor(500);
    r.Cross(1);
    EXPECT_EQ(pty.Read(), "");
    EXPECT_EQ(r.rec.laps.size(), 2u);
}

TEST(SerialLine, UnpluggedAdapterIsReportedTimingGoesOnAndTheLineComesBack) {
    auto pty = std::make_unique<Pty>();
    ComEnv env(3, pty->path);
    LineRig r(3);
    r.sys.cfg.AZT.Aktiv[1] = 1;
    r.sys.cfg.AZT.Laps = 1;
    r.Init();
    r.RunFor(10);
    r.Green();
    r.Cross(1);
    r.RunFor(500);
    r.Cross(1);
    EXPECT_NE(pty->Read().find("BD::::1\r"), std::string::npos);

    pty.reset();  // the adapter is pulled: its device hangs up
    for (int lap = 2; lap <= 4; ++lap) {
        r.RunFor(500);
        r.Cross(1);
    }
    EXPECT_FALSE(r.sys.st.seriell.ComOffen);
    ASSERT_EQ(r.ui.status.size(), 1u);  // one line, not one per message
    EXPECT_EQ(r.ui.status[0], ComGetrenntText(3));
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.sys.cfg.AZT.Aktiv[1], 1);  // the options stay as set
    EXPECT_EQ(r.rec.laps.size(), 4u);
    EXPECT_EQ(r.sys.st.spuren.SpurDaten[1].Runden, 4);

    // Plugged in again (a new device) and chosen in the list: the line is back.
    Pty neu;
    ComEnv env2(3, neu.path);
    ComPortWaehlen(r.sys, 3);
    EXPECT_TRUE(r.sys.st.seriell.ComOffen);
    EXPECT_EQ(neu.Read(), "B2\rB100:00:02\rB5\r");
    r.RunFor(500);
    r.Cross(1);
    EXPECT_NE(neu.Read().find("BD::::5\r"), std::string::npos);
}

TEST(SerialLine, ProbeAndPortListSeeFreeBusyAndMissingPorts) {
    Pty frei, belegt;
    ComEnv e5(5, frei.path), e6(6, belegt.path), e7(7, "/dev/zirkato-gibt-es-nicht");
    // Another program holds COM6 the way serial programs do.
    const int fremd = open(belegt.path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fremd, 0);
    ASSERT_EQ(flock(fremd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(ComPruefen(5), kComFrei);
    EXPECT_EQ(ComPruefen(6), kComBelegt);
    EXPECT_EQ(ComPruefen(7), kComUnbestimmt);
    EXPECT_EQ(ComGeraet(8), "/dev/ttyUSB3");
    EXPECT_EQ(ComGeraet(13), "/dev/ttyACM0");

    LineRig r(6);
    r.sys.cfg.TAZ.LED = r.sys.cfg.TNT_MC.Aktiv = 1;
    r.sys.cfg.AZT.Aktiv[1] = r.sys.cfg.AZT.Aktiv[2] = 1;
    r.Init();  // COM6 is busy: message, and the options that need the port are off
    EXPECT_FALSE(r.sys.st.seriell.ComOffen);
    ASSERT_EQ(r.ui.messages.size(), 1u);
    // The message says what the line is for and why it did not open.
    EXPECT_EQ(r.ui.messages[0], "Port COM6 konnte nicht geöffnet werden (gebraucht für: Anzeigetafeln, Tankanzeigen, "
                                "Leistungsmodul): " + belegt.path + ": von einem anderen Programm belegt");
    EXPECT_EQ(r.sys.cfg.TAZ.LED + r.sys.cfg.TNT_MC.Aktiv + r.sys.cfg.AZT.Aktiv[1] + r.sys.cfg.AZT.Aktiv[2], 0);

    ComPortWaehlen(r.sys, 5);
    const ComListe l = ActComs(r.sys);
    auto entry = [&](int com) {
        for (size_t i = 0; i < l.ports.size(); ++i)
            if (l.ports[i] == com) return l.eintraege[i];
        return std::string();
    };
    EXPECT_EQ(entry(5), "COM5 (AZT - TNT - TAZ)");
    EXPECT_EQ(entry(6), "COM6 (Bereits Belegt)");
    EXPECT_EQ(entry(7), "");
    ASSERT_GE(l.auswahl, 0);
    EXPECT_EQ(l.ports[static_cast<size_t>(l.auswahl)], 5);
    // The options this program had in its settings come back with the port and
    // are stored as they were.
    EXPECT_EQ(r.sys.cfg.TAZ.LED, 1);
    EXPECT_EQ(r.sys.cfg.AZT.Aktiv[2], 1);
    close(fremd);
}

// Any user may put a FIFO or a device as a lock file into the world-writable
// lock folder: the check neither waits on it nor reads it without end.
TEST(SerialLine, HostileLockFilesNeitherBlockNorCount) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    ComEnv env(5, pty.path);
    const std::string lock = "/run/lock/LCK.." + pty.path.substr(pty.path.rfind('/') + 1);
    ::unlink(lock.c_str());
    if (::mkfifo(lock.c_str(), 0666) != 0) GTEST_SKIP() << "cannot write to /run/lock here";
    struct Remove {
        std::string p;
        ~Remove() { ::unlink(p.c_str()); }
    } remove{lock};
    const pid_t child = fork();
    if (child == 0) _exit(ComPruefen(5) == kComFrei ? 0 : 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) usleep(2000);
    if (waitpid(child, &status, WNOHANG) == 0) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        FAIL() << "the lock-file check blocked on a FIFO";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::unlink(lock.c_str());
    ASSERT_EQ(::symlink("/dev/zero", lock.c_str()), 0);
    EXPECT_EQ(ComPruefen(5), kComFrei);
    ::unlink(lock.c_str());
    // A lock file of a running process still counts.
    std::ofstream(lock) << "     " << ::getppid() << "\n";
    EXPECT_EQ(ComPruefen(5), kComBelegt);
}

// Start-up leaves the line closed, and says nothing, while no option uses it;
// when one does and the port cannot open, the message names the option.
TEST(SerialLine, StartUpOpensTheLineOnlyForAnOptionThatUsesIt) {
    ComEnv env(7, "/dev/zirkato-gibt-es-nicht");
    LineRig r(7);
    ComProgrammStart(r.sys);
    EXPECT_FALSE(r.sys.st.seriell.ComOffen);
    EXPECT_TRUE(r.ui.messages.empty());
    r.sys.cfg.TAZ.LED = 1;
    ComProgrammStart(r.sys);
    EXPECT_FALSE(r.sys.st.seriell.ComOffen);
    ASSERT_EQ(r.ui.messages.size(), 1u);
    EXPECT_EQ(r.ui.messages[0].rfind("Port COM7 konnte nicht geöffnet werden (gebraucht für: Tankanzeigen): ", 0), 0u)
        << r.ui.messages[0];
    EXPECT_EQ(r.sys.cfg.TAZ.LED, 0);
}

TEST(SerialLine, OptionsOfTheSerialTab) {
    Rig r;  // the recorder's line always opens
    r.Init();
    Settings& c = r.sys.cfg;
    EXPECT_EQ(ComPortAusText("25"), 1);
    EXPECT_EQ(ComPortAusText(" 7 "), 7);
    EXPECT_EQ(ComPortAusText("x"), 1);

    AztAktivSetzen(r.sys, 2, 1);  // #3 without #2: refused
    EXPECT_EQ(c.AZT.Aktiv[3], 0);
    r.rec.serial.clear();
    AztAktivSetzen(r.sys, 0, 1);
    EXPECT_EQ(r.rec.serial, (std::vector<std::string>{"B2\r", "B100:00:00\r", "B5\r"}));
    AztAktivSetzen(r.sys, 1, 1);
    AztAktivSetzen(r.sys, 2, 1);
    AztAktivSetzen(r.sys, 3, 1);
    AztAktivSetzen(r.sys, 1, 0);  // clearing #2 clears #3 and #4
    EXPECT_EQ(c.AZT.Aktiv[1] * 1000 + c.AZT.Aktiv[2] * 100 + c.AZT.Aktiv[3] * 10 + c.AZT.Aktiv[4], 1000);

    AztAnzeigeSetzen(r.sys, AztAnzeige::Uhr, 1);
    AztAnzeigeSetzen(r.sys, AztAnzeige::Laps, 1);
    AztAnzeigeSetzen(r.sys, AztAnzeige::Time, 1);
    EXPECT_EQ(c.AZT.Laps, 0);
    EXPECT_EQ(c.AZT.Time, 1);
    EXPECT_EQ(c.AZT.Uhr, 1);

    // Board #1 off while the fuel gauges still use the line: the line stays open.
    TankAnzeigeSetzen(r.sys, 1);
    AztAktivSetzen(r.sys, 0, 0);
    EXPECT_TRUE(r.sys.st.seriell.ComOffen);
    EXPECT_EQ(c.AZT.Time + c.AZT.Uhr, 0);
    TankAnzeigeSetzen(r.sys, 0);
    AztAktivSetzen(r.sys, 0, 0);
    EXPECT_FALSE(r.sys.st.seriell.ComOffen);
    r.rec.serial.clear();
    BannerZeigen(r.sys);
    EXPECT_TRUE(r.rec.serial.empty());

    // With the old board no board can be chosen.
    AlteAztSetzen(r.sys, 1);
    EXPECT_FALSE(AztTafelnWaehlbar(c));
    AztAktivSetzen(r.sys, 0, 1);
    EXPECT_EQ(c.AZT.Aktiv[1], 0);
    BannerZeigen(r.sys);
    SpurzuordnungZeigen(r.sys);
    EXPECT_EQ(r.rec.serial.front(), "PDZIRK:\r");
    EXPECT_EQ(r.rec.serial.back(), "PKSPUR8\r");
}

TEST(SerialLine, SimWritesTheRaceToTheDevice) {
    Pty pty;
    ComEnv env(1, pty.path);
    char dir[] = "/tmp/zk-serial-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string scn = std::string(dir) + "/board.scn";
    std::ofstream(scn) << "set LiZeit Minimum 500\nset Masken MS1 64\nset Masken CS1 64\n"
                          "set \"Aktive Spuren\" \"Spur 1\" 1\nset \"Aktive Spuren\" \"Spur 2\" 0\n"
                          "set \"Aktive Spuren\" \"Spur 4\" 0\n"
                          "set AZT 1Aktiv 1\nset AZT Laps 1\nset RS232 COM 1\nset Startampel Interval 800\n"
                          "at 1000 mode 1\nat 1100 laps 2\nat 4400 start\n"
                          "at 10350 car 1 20\nat 15350 car 1 20\nat 20400 car 1 20\nend 21000\n";
    FILE* p = popen((std::string(ZK_SIM_BIN) + " " + scn + " 2>&1").c_str(), "r");
    std::string trace;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) trace.append(buf, n);
    ASSERT_EQ(WEXITSTATUS(pclose(p)), 0) << trace;
    std::remove(scn.c_str());
    rmdir(dir);

    // The trace shows exactly the bytes that went out.
    std::string traced;
    for (size_t at = 0; (at = trace.find(" serial \"", at)) != std::string::npos;) {
        at += 9;
        for (; trace[at] != '"'; ++at) {
            if (trace[at] == '\\') {
                ++at;
                traced += trace[at] == 'r' ? '\r' : trace[at];
            } else {
                traced += trace[at];
            }
        }
    }
    const std::string got = pty.Read();
    EXPECT_EQ(got, traced) << trace;
    const std::string expected =
        "B2\rB100:00:00\rB5\r"                                              // start-up, board #1 on
        "B2\r"                                                              // race start
        "Be0::::\rBe00:::\rBe000::\rBe0000:\rBe00000\rB2\r"                 // start light, go
        "BD::::1\rbA:::1bB.1..bC....BD::::2\rbA:::2bB.1..bC...."           // laps 1 and 2
        "B2\rB100:00:21\rB5\r";                                             // program end
    EXPECT_EQ(got, expected) << trace;
}
