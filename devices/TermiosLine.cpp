#include "devices/TermiosLine.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zk {

namespace {

// The process id in a UUCP lock file, or 0. The lock folders are writable by
// every user: the file is opened without waiting (a FIFO would block), without
// following a link, and read only when it is a regular file, at most 64 bytes.
long SperrPid(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st {};
    char buf[65] = {};
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return 0;
    buf[n] = '\0';
    char* end = nullptr;
    const long pid = std::strtol(buf, &end, 10);  // ASCII form; leading blanks allowed
    return end != buf && pid > 0 ? pid : 0;
}

// A UUCP lock file of another live process for this device.
bool FremdeSperrdatei(const std::string& geraet) {
    const auto slash = geraet.rfind('/');
    const std::string name = geraet.substr(slash == std::string::npos ? 0 : slash + 1);
    for (const char* dir : {"/run/lock/", "/var/lock/"}) {
        const long pid = SperrPid(std::string(dir) + "LCK.." + name);
        if (pid > 0 && pid != getpid() && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) return true;
    }
    return false;
}

}  // namespace

int SerielleSchnittstelleOeffnen(const std::string& geraet, int& befund, std::string& fehler) {
    befund = kComUnbestimmt;
    if (geraet.empty()) {
        fehler = "keine solche Schnittstelle";
        return -1;
    }
    const int fd = ::open(geraet.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        fehler = geraet + ": " + std::strerror(e);
        if (e == EBUSY || e == EACCES || e == EPERM) befund = kComBelegt;
        return -1;
    }
    auto fail = [&](int b, const std::string& why) {
        ::close(fd);
        befund = b;
        fehler = geraet + ": " + why;
        return -1;
    };
    if (!isatty(fd)) return fail(kComUnbestimmt, "keine serielle Schnittstelle");
    // A serial driver without a UART behind the device name.
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) == 0 && ss.type == PORT_UNKNOWN) return fail(kComUnbestimmt, "keine Hardware");
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(kComBelegt, "von einem anderen Programm belegt");
    if (FremdeSperrdatei(geraet)) return fail(kComBelegt, "von einem anderen Programm gesperrt");
    return fd;
}

namespace {

bool Weg(int e) { return e != EAGAIN && e != EWOULDBLOCK && e != EINTR; }

}  // namespace

std::string ComGeraet(int com) {
    if (com < 1 || com > 20) return "";
    const std::string var = "ZIRKATO_COM" + std::to_string(com);
    if (const char* p = std::getenv(var.c_str()); p && *p) return p;
    if (com <= 4) return "/dev/ttyS" + std::to_string(com - 1);
    if (com <= 12) return "/dev/ttyUSB" + std::to_string(com - 5);
    return "/dev/ttyACM" + std::to_string(com - 13);
}

int ComPruefen(int com) {
    int befund = kComUnbestimmt;
    std::string fehler;
    const int fd = SerielleSchnittstelleOeffnen(ComGeraet(com), befund, fehler);
    if (fd < 0) return befund;
    ::close(fd);
    return kComFrei;
}

bool TermiosSerialLine::Oeffnen(int com) {
    Schliessen();
    fehler_.clear();
    int befund = kComUnbestimmt;
    const std::string geraet = ComGeraet(com);
    const int fd = SerielleSchnittstelleOeffnen(geraet, befund, fehler_);
    if (fd < 0) return false;
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        fehler_ = geraet + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    cfmakeraw(&t);  // no echo, no line editing, no CR/LF translation, 8 bits
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        fehler_ = geraet + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    ioctl(fd, TIOCEXCL);
    fd_ = fd;
    rest_.clear();
    return true;
}

bool TermiosSerialLine::RestSchreiben() {
    while (!rest_.empty()) {
        const ssize_t n = ::write(fd_, rest_.data(), rest_.size());
        if (n > 0) {
            rest_.erase(0, static_cast<size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return !(n < 0 && Weg(errno));
        }
    }
    return true;
}

SerialLine::Ergebnis TermiosSerialLine::Senden(const std::string& text) {
    if (fd_ < 0) return Ergebnis::Getrennt;
    if (!RestSchreiben()) return Ergebnis::Getrennt;
    // A message never starts while the tail of the one before still waits, so
    // that no two messages are interleaved on the line.
    if (!rest_.empty()) return Ergebnis::Verworfen;
    rest_ = text;
    const size_t vorher = rest_.size();
    if (!RestSchreiben()) return Ergebnis::Getrennt;
    if (rest_.size() == vorher && vorher > 0) {
        rest_.clear();  // the driver took nothing: drop the message whole
        return Ergebnis::Verworfen;
    }
    return Ergebnis::Gesendet;
}

void TermiosSerialLine::Schliessen() {
    if (fd_ < 0) return;
    // The last messages (the closing sequence) need some 20 ms at 9600 baud;
    // wait at most a quarter of a second for them, then discard the rest so that
    // close() does not wait for a device that takes nothing. (Only then: on a
    // pseudo-terminal the flush would also discard what the other end has not
    // read yet.)
    bool leer = false;
    for (int i = 0; i < 25 && !leer; ++i) {
        if (!RestSchreiben()) {
            leer = true;  // gone: nothing left to wait for
            break;
        }
        int queued = 0;
        leer = rest_.empty() && (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued == 0);
        if (!leer) usleep(10000);
    }
    if (!leer) tcflush(fd_, TCOFLUSH);
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    rest_.clear();
}

}  // namespace zk
