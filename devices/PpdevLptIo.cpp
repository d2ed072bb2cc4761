#include "devices/PpdevLptIo.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define ZK_HAVE_PORT_IO 1
#endif

#include "base/UiPort.h"

namespace zk {

namespace {

class RealPpdevSys final : public PpdevSys {
public:
    int Open(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        return fd >= 0 ? fd : -errno;
    }
    int Close(int fd) override { return ::close(fd) == 0 ? 0 : -errno; }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        return ::ioctl(fd, request, arg) == 0 ? 0 : -errno;
    }
    int Ioperm(unsigned long from, unsigned long num) override {
#ifdef ZK_HAVE_PORT_IO
        return ::ioperm(from, num, 1) == 0 ? 0 : -errno;
#else
        (void)from;
        (void)num;
        return -ENOSYS;
#endif
    }
    uint8_t Inb(uint16_t port) override {
#ifdef ZK_HAVE_PORT_IO
        return ::inb(port);
#else
        (void)port;
        return 0xFF;
#endif
    }
    bool ReadTextFile(const std::string& path, std::string& out) override {
        std::FILE* f = std::fopen(path.c_str(), "re");
        if (!f) return false;
        char buf[128];
        const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        out.assign(buf, n);
        return true;
    }
};

// Direct I/O permission is per thread. Each thread remembers, for the last few
// port objects it has read, whether it was granted access.
std::atomic<uint32_t> gNextPortId{1};
struct IoGrant {
    uint32_t id;
    bool ok;
};
thread_local std::array<IoGrant, 4> tGrants{};
thread_local unsigned tNextGrant = 0;

void RememberGrant(uint32_t id, bool ok) { tGrants[tNextGrant++ % tGrants.size()] = IoGrant{id, ok}; }

std::string Reason(int err) {
    switch (err) {
        case ENOENT:
            return "die Gerätedatei fehlt (Kernelmodul ppdev nicht geladen?)";
        case EACCES:
        case EPERM:
            return "keine Berechtigung";
        case ENODEV:
        case ENXIO:
            return "an diesem Anschluss ist kein Parallelport vorhanden";
        case EBUSY:
            return "der Port wird von einem anderen Programm verwendet";
        default:
            return "Systemfehler " + std::to_string(err);
    }
}

}  // namespace

PpdevSys& SystemPpdevSys() {
    static RealPpdevSys sys;
    return sys;
}

std::string PpdevOpenFailureText(const std::string& device, int err, bool claim) {
    return std::string("Der Parallelport ") + device + (claim ? " kann nicht belegt werden: " : " kann nicht geöffnet werden: ") +
           Reason(err) +
           ".\n\n"
           "Zirkato arbeitet ohne Parallelport weiter: Lichtschranken, Startampel und Bahnstrom "
           "am Parallelport sind abgeschaltet.\n\n"
           "Abhilfe:\n"
           "1. Kernelmodul ppdev laden: sudo modprobe ppdev\n"
           "2. Den Benutzer in die Gruppe lp aufnehmen: sudo usermod -aG lp $USER\n"
           "3. Abmelden, neu anmelden und Zirkato neu starten.";
}

std::string PpdevNoControlInputsText(const std::string& device) {
    return "Über " + device +
           " lassen sich die Steuerleitungen des Parallelports (Pin 1, 14 und 16) nicht als "
           "Eingänge lesen: der Treiber ppdev liefert nur den zuletzt geschriebenen Wert zurück. "
           "Lichtschranken und Taster an diesen Pins werden nicht erkannt; die Eingänge an den "
           "Statusleitungen (Pin 10, 11, 12, 13 und 15) arbeiten normal.\n\n"
           "Für Eingänge an den Steuerleitungen braucht Zirkato direkten Portzugriff: als root "
           "starten oder dem Programm die Berechtigung geben, z. B. "
           "sudo setcap cap_sys_rawio+ep /pfad/zu/zirkato";
}

PpdevLptIo::PpdevLptIo(int port, uint16_t base, UiPort& ui, PpdevSys& sys)
    : sys_(sys), base_(base), id_(gNextPortId.fetch_add(1, std::memory_order_relaxed)) {
    if (port < 1 || port > 3) return;
    device_ = "/dev/parport" + std::to_string(port - 1);

    const int fd = sys_.Open(device_);
    if (fd < 0) {
        ui.ShowMessage(PpdevOpenFailureText(device_, -fd, false), kPpdevCaption, MessageIcon::Warning);
        return;
    }
    // Claiming a port that another driver (a printer) holds would block the
    // program until that driver lets go; such a port is reported busy instead.
    std::string active;
    if (sys_.ReadTextFile("/proc/sys/dev/parport/parport" + std::to_string(port - 1) + "/devices/active", active)) {
        while (!active.empty() && (active.back() == '\n' || active.back() == ' ')) active.pop_back();
        if (!active.empty() && active != "none") {
            sys_.Close(fd);
            ui.ShowMessage(PpdevOpenFailureText(device_, EBUSY, true), kPpdevCaption, MessageIcon::Warning);
            return;
        }
    }
    // Claimed once for the whole run: the tick must not claim and release the
    // port a thousand times a second.
    if (const int r = sys_.Ioctl(fd, PPCLAIM, nullptr); r < 0) {
        sys_.Close(fd);
        ui.ShowMessage(PpdevOpenFailureText(device_, -r, true), kPpdevCaption, MessageIcon::Warning);
        return;
    }
    fd_ = fd;

    const uint16_t hw = HardwareBase(port);
    const bool direct = sys_.Ioperm(static_cast<unsigned long>(hw) + 2, 1) == 0;
    RememberGrant(id_, direct);
    if (direct) {
        directBase_ = hw;
    } else {
        ui.ShowMessage(PpdevNoControlInputsText(device_), kPpdevCaption, MessageIcon::Information);
    }
}

PpdevLptIo::~PpdevLptIo() {
    if (fd_ < 0) return;
    sys_.Ioctl(fd_, PPRELEASE, nullptr);
    sys_.Close(fd_);
}

uint16_t PpdevLptIo::HardwareBase(int port) {
    // The kernel knows where the port really is (add-in cards are rarely at the
    // legacy addresses); the legacy address is the fallback.
    std::string text;
    const std::string path = "/proc/sys/dev/parport/parport" + std::to_string(port - 1) + "/base-addr";
    if (sys_.ReadTextFile(path, text)) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(text.c_str(), &end, 10);
        if (end != text.c_str() && v > 0 && v <= 0xFFFC) return static_cast<uint16_t>(v);
    }
    return static_cast<uint16_t>(LptBasisForPort(port));
}

std::string PpdevLptIo::Description() const {
    if (device_.empty()) return "kein Parallelport";
    return Available() ? device_ : device_ + " (nicht verfügbar)";
}

uint8_t PpdevLptIo::ReadReg(unsigned long request, std::atomic<uint8_t>& last) {
    uint8_t v = 0;
    if (sys_.Ioctl(fd_, request, &v) == 0) {
        last.store(v, std::memory_order_relaxed);
        return v;
    }
    errors_.fetch_add(1, std::memory_order_relaxed);
    return last.load(std::memory_order_relaxed);
}

void PpdevLptIo::Write(unsigned long request, uint8_t value) {
    if (sys_.Ioctl(fd_, request, &value) != 0) errors_.fetch_add(1, std::memory_order_relaxed);
}

bool PpdevLptIo::ThreadMayUseIo() {
    for (const IoGrant& g : tGrants)
        if (g.id == id_) return g.ok;
    const bool ok = sys_.Ioperm(static_cast<unsigned long>(directBase_) + 2, 1) == 0;
    RememberGrant(id_, ok);
    return ok;
}

uint8_t PpdevLptIo::ReadControl() {
    if (directBase_ != 0 && ThreadMayUseIo()) return sys_.Inb(static_cast<uint16_t>(directBase_ + 2));
    return ReadReg(PPRCONTROL, lastControl_);
}

uint8_t PpdevLptIo::Inp32(uint16_t addr) {
    if (fd_ < 0) return 0;
    switch (addr - base_) {
        case 0:
            return ReadReg(PPRDATA, lastData_);
        case 1:
            return ReadReg(PPRSTATUS, lastStatus_);
        case 2:
            return ReadControl();
        default:
            return 0xFF;  // not one of this port's registers
    }
}

void PpdevLptIo::Out32(uint16_t addr, uint8_t value) {
    if (fd_ < 0) return;
    switch (addr - base_) {
        case 0:
            lastData_.store(value, std::memory_order_relaxed);
            Write(PPWDATA, value);
            break;
        case 2:
            lastControl_.store(value, std::memory_order_relaxed);
            Write(PPWCONTROL, value);
            break;
        default:
            break;  // the status register is read-only
    }
}

}  // namespace zk
