// The two-wire bus engine on the control lines, its devices and the lane
// voltages: bit timing tick by tick, an independent decoder (sigrok-cli's I2C
// decoder) on the recorded lines, and scenarios through the real tick and cycle.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "race/NetzTeil.h"
#include "race/RaceSequence.h"
#include "sim/Scenario.h"
#include "tests/TestRig.h"
#include "tick/I2CBus.h"

using namespace zk;

namespace {

// The engine alone on a simulated port: one Takt per millisecond.
struct Bus {
    ManualMsClock clock{0};
    SimLptIo port{&clock};
    TickState s;
    I2CBus bus;
    int32_t now = 0;
    Bus() {
        s.LptPort = 1;
        s.LptBasis = 888;
        s.I2CAktiv = true;
        port.SetBase(888);
    }
    // Runs `ticks` ticks; returns the control values written, one per tick that wrote.
    std::vector<int> Run(int ticks) {
        port.ClearWrites();
        for (int i = 0; i < ticks; ++i) {
            clock.Set(++now);
            s.AktZeit = now;
            bus.I2CTakt(s, port);
        }
        std::vector<int> v;
        for (const auto& w : port.Writes())
            if (w.addr == 890) v.push_back(w.value);
        return v;
    }
};

// The lines as a value change dump for the decoder: SCL = bit 1, SDA = bit 3 of
// the control register, both inverted by the port. One sample per millisecond.
std::string Vcd(const std::vector<std::pair<int32_t, int>>& controlWrites) {
    std::ostringstream o;
    o << "$timescale 1 ms $end\n$scope module lpt $end\n$var wire 1 ! scl $end\n$var wire 1 \" sda $end\n"
         "$upscope $end\n$enddefinitions $end\n#0\n1!\n1\"\n";
    for (const auto& [t, v] : controlWrites)
        o << '#' << t << '\n' << ((v & 2) ? '0' : '1') << "!\n" << ((v & 8) ? '0' : '1') << "\"\n";
    if (!controlWrites.empty()) o << '#' << controlWrites.back().first + 10 << "\n";
    return o.str();
}

bool HaveSigrok() { return std::system("sigrok-cli --version >/dev/null 2>&1") == 0; }

// The bytes the decoder reads, in order: "A48" for an address write of 7-bit
// address 0x48 (wire 0x90), "D40" for a data write.
std::vector<std::string> Decode(const std::string& vcd) {
    const std::string dir = ::testing::TempDir();
    // One file pair per process: CTest runs the tests of this file side by side.
    const std::string stem = dir + "/zk_bus_" + std::to_string(::getpid());
    const std::string in = stem + ".vcd", out = stem + ".txt";
    std::ofstream(in) << vcd;
    const std::string cmd = "sigrok-cli -i " + in + " -I vcd -P i2c:scl=scl:sda=sda -A i2c=address-write:data-write > " +
                            out + " 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream f(out);
    std::vector<std::string> r;
    std::string line;
    while (std::getline(f, line)) {
        auto hex = [&](const char* tag) {
            const auto p = line.find(tag);
            if (p == std::string::npos) return std::string();
            return line.substr(p + std::string(tag).size(), 2);
        };
        if (auto a = hex("Address write: "); !a.empty()) r.push_back("A" + a);
        if (auto d = hex("Data write: "); !d.empty()) r.push_back("D" + d);
    }
    return r;
}

std::string Hex(int v) {
    char b[4];
    std::snprintf(b, sizeof b, "%02X", v);
    return b;
}

}  // namespace

TEST(BusEngine, BitTimingOfTwoAndThreeByteMessagesBackToBack) {
    Bus b;
    b.s.LptSteuer = 0x05;  // pin 1 and pin 16 bits belong to others and stay
    b.bus.I2CSend(0x40, 0x1F, 0, 2);
    b.bus.I2CSend(0x90, 0x40, 192, 3);
    auto w = b.Run(61);
    ASSERT_EQ(w.size(), 61u) << "one write per tick, 61 ms for address + one byte";
    const int first[] = {0x08, 0x08, 0x0A, 0x0A, 0x08, 0x0A, 0x02, 0x00};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(w[i] & 0x0A, first[i]) << "tick " << i + 1;
    for (int v : w) EXPECT_EQ(v & 0x05, 0x05);
    EXPECT_EQ(w.back() & 0x0A, 0) << "lines released at the end";
    // The second message starts on the very next tick and takes 89 ms.
    w = b.Run(89);
    ASSERT_EQ(w.size(), 89u);
    EXPECT_EQ(w[0] & 0x0A, 0x08) << "start condition";
    EXPECT_EQ(b.Run(5).size(), 0u) << "an idle bus is not written";
    EXPECT_EQ(b.bus.Statistik().gesendet, 2);
}

TEST(BusEngine, ResetOverflowBadCountAndIndexWrap) {
    Bus b;
    // Reset drops pending messages; the next one is sent alone.
    b.bus.I2CSend(0x40, 1, 0, 2);
    b.bus.I2CSend(0x42, 2, 0, 2);
    b.Run(10);
    b.bus.I2CReset(b.s, b.port);
    b.s.LptSteuer.ClearBits(0x0A);
    b.bus.I2CSend(0x44, 3, 0, 2);
    EXPECT_EQ(b.Run(200).size(), 61u);

    // 100 messages wait at most; the 101st is refused and counted, none is lost.
    for (int i = 0; i < 101; ++i) b.bus.I2CSend(0x40, static_cast<uint8_t>(i), 0, 2);
    auto st = b.bus.Statistik();
    EXPECT_EQ(st.wartend, 100);
    EXPECT_EQ(st.voll, 1);
    b.bus.I2CSend(0x40, 0, 0, 1);
    b.bus.I2CSend(0x40, 0, 0, 8);
    EXPECT_EQ(b.bus.Statistik().ungueltig, 2);
    EXPECT_EQ(b.Run(100 * 61).size(), 6100u);
    EXPECT_EQ(b.bus.Statistik().wartend, 0);

    // Both indices have passed 100 several times; messages still go out whole.
    for (int i = 0; i < 150; ++i) {
        b.bus.I2CSend(0x40, 0x55, 0, 2);
        ASSERT_EQ(b.Run(61).size(), 61u) << "message " << i;
    }
}

TEST(BusEngine, IndependentDecoderReadsQueuedBytes) {
    if (!HaveSigrok()) GTEST_SKIP() << "sigrok-cli not installed (scripts/install-deps.sh)";
    Bus c;
    c.bus.I2CSend(0x40, 0x1F, 0xEE, 2);  // data 2 never reaches the bus
    c.bus.I2CSend(0x90, 0x40, 192, 3);
    c.bus.I2CSend(0x72, 0xA5, 0, 2);
    c.Run(300);
    std::vector<std::pair<int32_t, int>> cw;
    for (const auto& w : c.port.Writes())
        if (w.addr == 890) cw.emplace_back(w.timeMs, w.value);
    const std::vector<std::string> want = {"A20", "D1F", "A48", "D40", "DC0", "A39", "DA5"};
    EXPECT_EQ(Decode(Vcd(cw)), want);
}

// The devices through the real tick and cycle: start light, relay board and
// converters reach the bus in order; the lines decode to those bytes.
TEST(BusDevices, StartLightPowerAndVoltageReachTheBoards) {
    if (!HaveSigrok()) GTEST_SKIP() << "sigrok-cli not installed (scripts/install-deps.sh)";
    const char* scn =
        "set Lpt Port 1\n"
        "set I2COutput Aktiv 1\n"
        "set I2COutput Startampel 1\n"
        "set I2COutput ADR0 64\n"
        "set I2COutput ADR1 66\n"
        "set KVPowerSetup I2C_Netzteil 1\n"
        "set KVPowerSetup Gain1 1\n"
        "set KVPowerSetup Korrektur 0\n"
        "set \"Aktive Spuren\" \"Spur 1\" 1\n"
        "set Startampel Interval 1000\n"
        "at 1500 volt 1 12\n"
        "at 2000 start\n"
        "at 9000 poweroff 2\n"
        "at 9100 poweron 2\n"
        "end 12000\n";
    Scenario sc;
    ScenarioError err;
    ASSERT_TRUE(ParseScenario(scn, sc, err)) << err.message;
    std::ostringstream trace;
    ASSERT_TRUE(RunScenario(sc, trace, err)) << err.message;
    std::vector<std::pair<int32_t, int>> cw;
    std::vector<std::string> queued;
    std::istringstream in(trace.str());
    std::string line;
    while (std::getline(in, line)) {
        int32_t t = 0;
        unsigned v = 0;
        int a = 0, d1 = 0, d2 = 0, n = 0;
        if (std::sscanf(line.c_str(), "%d lpt control=0x%x", &t, &v) == 2) cw.emplace_back(t, static_cast<int>(v));
        // What the program's end queues at the last millisecond has no time to go out.
        if (std::sscanf(line.c_str(), "%d i2c addr=%d data=%d,%d count=%d", &t, &a, &d1, &d2, &n) == 5 && t < 12000) {
            queued.push_back("A" + Hex(a >> 1));
            queued.push_back("D" + Hex(d1));
            if (n == 3) queued.push_back("D" + Hex(d2));
        }
    }
    ASSERT_FALSE(queued.empty());
    // Everything queued went out, in order, and nothing else.
    EXPECT_EQ(Decode(Vcd(cw)), queued);
    const std::string t = trace.str();
    EXPECT_NE(t.find("voltage lane=1 value=192"), std::string::npos);
    EXPECT_NE(t.find("i2c addr=144 data=64,192 count=3"), std::string::npos);
    // Lamp bytes of the start light in order, then the relay byte of lane 2 off.
    std::string lamps;
    for (const char* b : {"=1,", "=3,", "=7,", "=15,", "=31,", "=32,"}) {
        const auto p = t.find(std::string("i2c addr=66 data") + b, lamps.empty() ? 0 : t.find(lamps));
        ASSERT_NE(p, std::string::npos) << "lamp byte " << b;
        lamps = t.substr(p, 30);
    }
    EXPECT_NE(t.find("i2c addr=64 data=2,0 count=2"), std::string::npos) << "relay byte: lane 2 off";
}

// The supply window's buttons and the values race control sends.
TEST(PowerSupplyValues, ButtonsGainSafetyCarAndClamping) {
    test::Rig rig;
    I2CBus bus;
    BusNetzteil netzteil(rig.sys);
    auto& cfg = rig.sys.cfg;
    cfg.KVPowerSetup.Gain1 = 1;
    cfg.KVPowerSetup.MaxVoltage = 15;
    cfg.KVPowerSetup.I2C_Netzteil = 1;
    cfg.KVPowerSetup.SCVolt = 8;
    for (int l = 1; l <= 8; ++l) cfg.AktiveSpuren.Spur[l] = 1;
    rig.Init();
    rig.sys.SetSupply(&netzteil);
    RaceState& st = rig.sys.st;
    st.spannung.SpurVolt[1] = 14.95;
    EXPECT_FALSE(VoltKnopfDruecken(rig.sys, 1, VoltKnopf::Plus1));
    EXPECT_FALSE(VoltKnopfDruecken(rig.sys, 1, VoltKnopf::Volt15)) << "15 is not greater than 15";
    st.spannung.SpurVolt[1] = 14.8;
    EXPECT_TRUE(VoltKnopfDruecken(rig.sys, 1, VoltKnopf::Plus1));
    EXPECT_EQ(cfg.KVPowerSetup.SpurSpannung[1], 14.9);
    st.spannung.SpurVolt[1] = 4.05;
    EXPECT_TRUE(VoltKnopfDruecken(rig.sys, 1, VoltKnopf::Minus1));
    EXPECT_EQ(st.spannung.SpurVolt[1], 3.95);

    rig.rec.i2cSends.clear();
    EXPECT_EQ(AlleSpurenDruecken(rig.sys, VoltKnopf::Volt12), 0x1FE);
    ASSERT_EQ(rig.rec.i2cSends.size(), 8u);
    for (int l = 1; l <= 8; ++l)
        EXPECT_EQ(rig.rec.i2cSends[l - 1], (std::vector<int>{0x90 + 2 * (l - 1), 0x40, 192, 3}));
    EXPECT_EQ(rig.sys.view.netzteil.spannung[1], "12,0 Volt");
    cfg.KVPowerSetup.Korrektur = 250;
    CalcVoltDigits(rig.sys, 1);
    EXPECT_EQ(st.spannung.SpurWert[1], 196);
    cfg.KVPowerSetup.Korrektur = 0;

    // Gain 5.1 and 30 V do not fit a byte: the converter gets 255, not 44.
    Verstaerkung51(rig.sys);
    cfg.KVPowerSetup.MaxVoltage = 40;
    st.spannung.SpurVolt[2] = 30;
    CalcVoltDigits(rig.sys, 2);
    EXPECT_EQ(st.spannung.SpurWert[2], 255);
    EXPECT_EQ(st.spannung.SCWert, 80) << "safety-car value follows the gain";
    // Back to gain 3.2: 30 V comes down to 15 V and 240 is sent.
    rig.rec.i2cSends.clear();
    EXPECT_EQ(Verstaerkung32(rig.sys), 1u << 2);
    EXPECT_EQ(st.spannung.SpurWert[2], 240);
    EXPECT_EQ(st.spannung.SCWert, 128);
    EXPECT_EQ(cfg.KVPowerSetup.MaxVoltage, 15);

    // Safety car: every active lane gets SCWert; in again: the set values.
    rig.rec.i2cSends.clear();
    ToggleSafetyCar(rig.sys);
    ASSERT_EQ(rig.rec.i2cSends.size(), 8u);
    EXPECT_EQ(rig.rec.i2cSends[0][2], 128);
    EXPECT_EQ(rig.sys.view.netzteil.rennleitung[1], "08,0V");
    ToggleSafetyCar(rig.sys);
    EXPECT_EQ(rig.rec.i2cSends[8][2], 192);
}

TEST(BusOptions, AddressesAndSwitches) {
    test::Rig rig;
    rig.Init();
    EXPECT_EQ(AusgangTypWaehlen(rig.sys, 1, 2), 114);
    EXPECT_EQ(AusgangTypWaehlen(rig.sys, 0, 1), 64);
    EXPECT_EQ(AusgangTypWaehlen(rig.sys, 2, 0), 0);
    EXPECT_EQ(PcfTyp(114), 2);
    EXPECT_EQ(PcfTyp(68), 1);
    EXPECT_EQ(PcfTyp(0), 0);

    auto& cfg = rig.sys.cfg;
    cfg.Lpt.PinI2CInput = 1;
    cfg.Lpt.PinI2COutput = 0;
    auto d = I2CAktivSetzen(rig.sys, 1);
    EXPECT_TRUE(d.pinI2COutput);
    EXPECT_TRUE(rig.sys.st.I2CAktiv);
    rig.rec.i2cSends.clear();
    I2CNetzteilSetzen(rig.sys, 1);
    EXPECT_TRUE(rig.sys.st.fenster.BahnspannungMenuEin);
    EXPECT_EQ(rig.rec.voltages.size(), 8u) << "all eight lanes sent";
    SeriellesNetzteilSetzen(rig.sys, 1);
    EXPECT_EQ(cfg.KVPowerSetup.I2C_Netzteil, 0);
    EXPECT_FALSE(rig.sys.st.fenster.BahnspannungMenuEin);
    I2CNetzteilSetzen(rig.sys, 1);
    EXPECT_EQ(cfg.TNT_MC.Aktiv, 0);
    cfg.Tankoption.MitTnt = 1;
    d = I2CAktivSetzen(rig.sys, 0);
    EXPECT_FALSE(d.netzteil);
    EXPECT_EQ(cfg.Tankoption.MitTnt, 0);
    EXPECT_FALSE(rig.sys.st.fenster.BahnspannungMenuEin);
    EXPECT_EQ(KorrekturEingabe(rig.sys, "950"), "800");
    EXPECT_EQ(TrockenEingabe(rig.sys, "abc"), "6");
    EXPECT_EQ(VoltText(12), "12,0");
}
