// Parallel port through the Linux ppdev driver (/dev/parport0..2).
//
// The device is opened and claimed once when the object is made and released when
// it goes. Register access by address, as the race code makes it:
//   base + 0  data     write PPWDATA, read PPRDATA
//   base + 1  status   read PPRSTATUS (writes are ignored)
//   base + 2  control  write PPWCONTROL, read see below
// Any other address reads 0xFF and ignores writes.
//
// On PC-style ports PPRCONTROL returns the kernel's copy of the last value written,
// not the levels on pins 1, 14 and 16, so sensors wired there cannot be read
// through ppdev. Where the process may use the I/O ports directly (ioperm on the
// control register succeeds: root or CAP_SYS_RAWIO) the control register is read
// with inb instead. I/O permission belongs to a thread, so every thread that reads
// the control register asks for it on its first read; a thread that is refused
// reads the kernel's copy.
//
// A device that cannot be opened or claimed, and missing control-line inputs, are
// reported once through UiPort::ShowMessage; the program then runs on. A failed
// open leaves an object whose Available() is false and that makes no access.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "devices/LptIo.h"

namespace zk {

class UiPort;

// The system calls the port driver uses, so that tests can put a fake underneath.
// Every call returns 0 (or a descriptor) on success and -errno on failure.
class PpdevSys {
public:
    virtual ~PpdevSys() = default;
    virtual int Open(const std::string& path) = 0;            // read/write, close-on-exec
    virtual int Close(int fd) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    // Grants the calling thread access to `num` I/O ports from `from`.
    virtual int Ioperm(unsigned long from, unsigned long num) = 0;
    virtual uint8_t Inb(uint16_t port) = 0;
    // Contents of a small text file; false when it cannot be read.
    virtual bool ReadTextFile(const std::string& path, std::string& out) = 0;
};

// The real system calls.
PpdevSys& SystemPpdevSys();

class PpdevLptIo final : public LptIo {
public:
    // Opens /dev/parport{port-1} for [Lpt] "Port" `port` (1..3). `base` is the
    // address the race code uses for the data register (LptBasis).
    PpdevLptIo(int port, uint16_t base, UiPort& ui, PpdevSys& sys = SystemPpdevSys());
    ~PpdevLptIo() override;
    PpdevLptIo(const PpdevLptIo&) = delete;
    PpdevLptIo& operator=(const PpdevLptIo&) = delete;

    uint8_t Inp32(uint16_t addr) override;
    void Out32(uint16_t addr, uint8_t value) override;
    bool Available() const override { return fd_ >= 0; }
    std::string Description() const override;

    const std::string& Device() const { return device_; }
    // True when the control register is read from the pins (direct port access).
    bool ControlInputs() const { return directBase_ != 0; }
    // I/O address of the port's control register as the hardware has it; 0 when
    // direct access is not used.
    uint16_t DirectControlAddress() const { return directBase_ ? static_cast<uint16_t>(directBase_ + 2) : 0; }
    // Register accesses that failed after the port was opened (a removed adapter,
    // a driver error). The last good value is returned for a failed read.
    int64_t Errors() const { return errors_.load(std::memory_order_relaxed); }

private:
    uint8_t ReadControl();
    bool ThreadMayUseIo();
    uint8_t ReadReg(unsigned long request, std::atomic<uint8_t>& last);
    void Write(unsigned long request, uint8_t value);
    uint16_t HardwareBase(int port);

    PpdevSys& sys_;
    std::string device_;
    uint16_t base_;
    uint32_t id_;              // tells this object's per-thread I/O grants apart
    uint16_t directBase_ = 0;  // hardware base when inb may be used, else 0
    int fd_ = -1;
    std::atomic<uint8_t> lastStatus_{0};
    std::atomic<uint8_t> lastControl_{0};
    std::atomic<uint8_t> lastData_{0};
    std::atomic<int64_t> errors_{0};
};

// German texts of the messages, for the application and the tests.
std::string PpdevOpenFailureText(const std::string& device, int err, bool claim);
std::string PpdevNoControlInputsText(const std::string& device);
inline constexpr const char* kPpdevCaption = "Parallelport";

}  // namespace zk
