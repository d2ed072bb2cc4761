// The ppdev port and the factory, on a fake system-call layer: open and claim
// failures, claim/release, the address-to-register mapping, control read-back with
// and without direct port access, and the port in a running sampler.
#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <map>
#include <thread>

#include "TestRig.h"
#include "devices/LptOpen.h"
#include "devices/PpdevLptIo.h"

using namespace zk;

namespace {

struct Message {
    std::string text, caption;
    MessageIcon icon;
};

struct MessageRecorder : UiPort {
    std::vector<Message> messages;
    void ShowMessage(const std::string& t, const std::string& c, MessageIcon i) override {
        messages.push_back({t, c, i});
    }
};

// A parallel port behind ppdev as the kernel presents a PC-style port: the
// control read returns the last value written, the pins are only visible to inb.
struct FakePpdev : PpdevSys {
    int openError = 0, claimError = 0, iopermError = EPERM, ioctlError = 0;
    std::map<std::string, std::string> files;
    std::vector<std::string> opened;
    std::vector<std::string> calls;  // "CLAIM", "RELEASE", "CLOSE", "RSTATUS", "WDATA 5", ...
    std::vector<unsigned long> ioperms;
    std::vector<uint16_t> inbs;
    uint8_t status = 0, data = 0, controlCopy = 0, controlPins = 0;
    int fd = 7;

    int Open(const std::string& path) override {
        opened.push_back(path);
        return openError ? -openError : fd;
    }
    int Close(int f) override {
        EXPECT_EQ(f, fd);
        calls.push_back("CLOSE");
        return 0;
    }
    int Ioctl(int f, unsigned long req, void* arg) override {
        EXPECT_EQ(f, fd);
        auto* b = static_cast<uint8_t*>(arg);
        switch (req) {
            case PPCLAIM:
                calls.push_back("CLAIM");
                return claimError ? -claimError : 0;
            case PPRELEASE:
                calls.push_back("RELEASE");
                return 0;
            default:
                break;
        }
        if (ioctlError) return -ioctlError;
        switch (req) {
            case PPRSTATUS: calls.push_back("RSTATUS"); *b = status; break;
            case PPRDATA: calls.push_back("RDATA"); *b = data; break;
            case PPRCONTROL: calls.push_back("RCONTROL"); *b = controlCopy; break;
            case PPWDATA: calls.push_back("WDATA " + std::to_string(*b)); data = *b; break;
            case PPWCONTROL: calls.push_back("WCONTROL " + std::to_string(*b)); controlCopy = *b; break;
            default: ADD_FAILURE() << "unexpected ioctl " << req; return -EINVAL;
        }
        return 0;
    }
    int Ioperm(unsigned long from, unsigned long num) override {
        EXPECT_EQ(num, 1u);
        ioperms.push_back(from);
        return iopermError ? -iopermError : 0;
    }
    uint8_t Inb(uint16_t port) override {
        inbs.push_back(port);
        return controlPins;
    }
    bool ReadTextFile(const std::string& path, std::string& out) override {
        auto it = files.find(path);
        if (it == files.end()) return false;
        out = it->second;
        return true;
    }
};

constexpr uint16_t kBase = 0x378;

}  // namespace

TEST(PpdevOpen, PortHeldByAnotherDriverIsReportedInsteadOfWaitedFor) {
    FakePpdev fake;
    fake.files["/proc/sys/dev/parport/parport0/devices/active"] = "lp\n";
    MessageRecorder ui;
    auto io = OpenLptIo(1, ui, fake);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("anderen Programm"), std::string::npos);
    EXPECT_FALSE(io->Available());
    EXPECT_EQ(fake.calls, std::vector<std::string>{"CLOSE"});  // never claimed

    FakePpdev idle;
    idle.files["/proc/sys/dev/parport/parport0/devices/active"] = "none\n";
    MessageRecorder ui2;
    auto io2 = OpenLptIo(1, ui2, idle);
    EXPECT_TRUE(io2->Available());
}

TEST(PpdevOpen, UnopenableDeviceIsReportedOnceAndNeverTouched) {
    for (int err : {EACCES, ENOENT}) {
        FakePpdev fake;
        fake.openError = err;
        MessageRecorder ui;
        auto io = OpenLptIo(1, ui, fake);
        ASSERT_EQ(ui.messages.size(), 1u);
        const std::string& t = ui.messages[0].text;
        EXPECT_NE(t.find("/dev/parport0"), std::string::npos);
        EXPECT_NE(t.find("sudo modprobe ppdev"), std::string::npos);
        EXPECT_NE(t.find("sudo usermod -aG lp $USER"), std::string::npos);
        EXPECT_NE(t.find("anmelden"), std::string::npos);
        EXPECT_EQ(ui.messages[0].caption, "Parallelport");

        EXPECT_FALSE(io->Available());
        EXPECT_NE(io->Description().find("nicht verfügbar"), std::string::npos);
        io->Out32(kBase, 0xFF);
        io->Out32(kBase + 2, 0x04);
        EXPECT_EQ(io->Inp32(kBase + 1), 0);
        EXPECT_EQ(io->Inp32(kBase + 2), 0);
        io.reset();
        EXPECT_TRUE(fake.calls.empty());  // no claim, no register access, nothing to close
        EXPECT_TRUE(fake.inbs.empty());
        EXPECT_EQ(ui.messages.size(), 1u);
    }
}

TEST(PpdevOpen, ClaimFailureClosesTheDeviceAndRunsOnWithoutPort) {
    FakePpdev fake;
    fake.claimError = EBUSY;
    MessageRecorder ui;
    auto io = OpenLptIo(2, ui, fake);
    ASSERT_EQ(fake.opened, std::vector<std::string>{"/dev/parport1"});
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"CLAIM", "CLOSE"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("/dev/parport1 kann nicht belegt werden"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("anderen Programm"), std::string::npos);
    EXPECT_FALSE(io->Available());
    io->Out32(0x278, 1);
    io.reset();
    EXPECT_EQ(fake.calls.size(), 2u);  // neither a write nor a second close
}

TEST(PpdevOpen, FactoryPortSelection) {
    FakePpdev fake;
    MessageRecorder ui;
    for (int port : {0, 4, -1}) {
        auto io = OpenLptIo(port, ui, fake);
        EXPECT_FALSE(io->Available());
        EXPECT_EQ(io->Description(), "kein Parallelport");
    }
    EXPECT_TRUE(fake.opened.empty());
    EXPECT_TRUE(ui.messages.empty());

    auto io3 = OpenLptIo(3, ui, fake);
    EXPECT_TRUE(io3->Available());
    EXPECT_EQ(io3->Description(), "/dev/parport2");
    fake.status = 0x58;
    EXPECT_EQ(io3->Inp32(0x3BC + 1), 0x58);  // port 3 is addressed at 0x3BC
}

TEST(PpdevRegisters, ClaimOnceMapOffsetsReleaseAtEnd) {
    FakePpdev fake;
    MessageRecorder ui;
    {
        PpdevLptIo io(1, kBase, ui, fake);
        ASSERT_TRUE(io.Available());
        EXPECT_EQ(fake.calls, std::vector<std::string>{"CLAIM"});
        fake.calls.clear();

        fake.status = 0xA8;
        for (int i = 0; i < 100; ++i) EXPECT_EQ(io.Inp32(kBase + 1), 0xA8);
        EXPECT_EQ(fake.calls.size(), 100u);
        fake.calls.clear();

        io.Out32(kBase, 0x5A);
        io.Out32(kBase + 1, 0x11);  // status is read-only: no call
        io.Out32(kBase + 2, 0x0B);
        EXPECT_EQ(io.Inp32(kBase), 0x5A);
        EXPECT_EQ(io.Inp32(kBase + 2), 0x0B);  // ppdev hands back what was written
        EXPECT_EQ(io.Inp32(kBase + 3), 0xFF);  // not a register of this port
        EXPECT_EQ(io.Inp32(0x278 + 1), 0xFF);
        io.Out32(kBase - 1, 0x22);
        EXPECT_EQ(fake.calls, (std::vector<std::string>{"WDATA 90", "WCONTROL 11", "RDATA", "RCONTROL"}));
        fake.calls.clear();
    }
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"RELEASE", "CLOSE"}));
    // Without direct port access the missing control-line inputs were reported once.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("Pin 1, 14 und 16"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("/dev/parport0"), std::string::npos);
}

TEST(PpdevRegisters, FailedReadKeepsLastValueAndIsCounted) {
    FakePpdev fake;
    MessageRecorder ui;
    PpdevLptIo io(1, kBase, ui, fake);
    fake.status = 0x40;
    EXPECT_EQ(io.Inp32(kBase + 1), 0x40);
    fake.ioctlError = EIO;
    fake.status = 0x80;
    EXPECT_EQ(io.Inp32(kBase + 1), 0x40);
    io.Out32(kBase, 1);
    EXPECT_EQ(io.Errors(), 2);
}

TEST(PpdevControl, DirectAccessReadsControlPinsAtTheKernelsBase) {
    FakePpdev fake;
    fake.iopermError = 0;
    fake.files["/proc/sys/dev/parport/parport0/base-addr"] = "53264\t53248\n";  // PCI card at 0xD010
    MessageRecorder ui;
    PpdevLptIo io(1, kBase, ui, fake);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(io.ControlInputs());
    EXPECT_EQ(fake.ioperms, std::vector<unsigned long>{0xD012});

    io.Out32(kBase + 2, 0x04);  // outputs still go through ppdev
    fake.controlPins = 0x03;
    EXPECT_EQ(io.Inp32(kBase + 2), 0x03);
    EXPECT_EQ(fake.inbs, std::vector<uint16_t>{0xD012});
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"CLAIM", "WCONTROL 4"}));
    EXPECT_EQ(fake.ioperms.size(), 1u);  // this thread was granted at open

    // I/O permission is per thread: another thread asks for its own on first read.
    std::thread([&] {
        EXPECT_EQ(io.Inp32(kBase + 2), 0x03);
        EXPECT_EQ(io.Inp32(kBase + 2), 0x03);
    }).join();
    EXPECT_EQ(fake.ioperms, (std::vector<unsigned long>{0xD012, 0xD012}));
}

TEST(PpdevControl, LegacyBaseWhenTheKernelDoesNotSay) {
    FakePpdev fake;
    fake.iopermError = 0;
    MessageRecorder ui;
    PpdevLptIo io(2, 0x278, ui, fake);
    EXPECT_EQ(io.DirectControlAddress(), 0x27A);
    fake.files["/proc/sys/dev/parport/parport0/base-addr"] = "garbage";
    PpdevLptIo io1(1, kBase, ui, fake);
    EXPECT_EQ(io1.DirectControlAddress(), 0x37A);
}

TEST(PpdevControl, ThreadRefusedDirectAccessFallsBackToTheKernelsCopy) {
    FakePpdev fake;
    fake.iopermError = 0;
    MessageRecorder ui;
    PpdevLptIo io(1, kBase, ui, fake);
    io.Out32(kBase + 2, 0x0A);
    fake.controlPins = 0x05;
    fake.iopermError = EPERM;
    std::thread([&] { EXPECT_EQ(io.Inp32(kBase + 2), 0x0A); }).join();
    EXPECT_TRUE(fake.inbs.empty());
}

TEST(PpdevSampler, TickReadsStatusAndControlThroughPpdev) {
    FakePpdev fake;
    fake.iopermError = 0;
    MessageRecorder ui;
    ManualMsClock clock(1000);
    DerivedWallClock wall(clock);
    auto io = OpenLptIo(1, ui, fake);
    RaceSystem sys(clock, *io, wall);
    sys.cfg.Lpt.Port = 1;
    sys.InitProgram();
    fake.status = 0xF8 | 0x07;  // the status read must drop bits 0..2
    fake.controlPins = 0xF5;    // and the control read keeps only them
    { TickContext t = sys.Tick(); FastTimerTick(t); }
    EXPECT_EQ(sys.st.Eingang, 0xFD);
}
