#include "devices/BoardLine.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "devices/TermiosLine.h"

namespace zk {

bool BoardLine::Oeffnen(const std::string& geraet) {
    Schliessen();
    fehler_.clear();
    int befund = kComUnbestimmt;
    const int fd = SerielleSchnittstelleOeffnen(geraet, befund, fehler_);
    if (fd < 0) return false;
    termios t{};
    bool ok = tcgetattr(fd, &t) == 0;
    if (ok) {
        cfmakeraw(&t);
        t.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
        t.c_cflag |= CS8 | CLOCAL | CREAD;
        t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        ok = cfsetispeed(&t, B500000) == 0 && cfsetospeed(&t, B500000) == 0 && tcsetattr(fd, TCSANOW, &t) == 0;
    }
    if (!ok) {
        fehler_ = geraet + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIFLUSH);
    ioctl(fd, TIOCEXCL);
    fd_ = fd;
    return true;
}

void BoardLine::Schliessen() {
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
}

bool BoardLine::Warten(int ms) {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

long BoardLine::Lesen(uint8_t* buf, size_t n) {
    if (fd_ < 0) return -1;
    for (;;) {
        const ssize_t r = ::read(fd_, buf, n);
        if (r > 0) return static_cast<long>(r);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        // 0 bytes from a readable line, or an error (EIO on a hang-up): gone.
        if (r == 0) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !(p.revents & (POLLHUP | POLLERR))) return 0;
        }
        fehler_ = std::string("Sensorboard getrennt: ") + (r < 0 ? std::strerror(errno) : "aufgelegt");
        Schliessen();
        return -1;
    }
}

bool BoardLine::Schreiben(const std::string& bytes) {
    if (fd_ < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
        } else if (w < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace zk
