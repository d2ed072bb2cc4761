// Pseudo-terminals that stand where USB serial devices would, each behind a
// link in a temporary folder, with a thread that answers the program's hello
// requests as the device it plays: a board, a board of another protocol
// version, a device that answers garbage, or one that answers nothing.
#pragma once

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <pty.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "devices/UsbBoard.h"

namespace zk::test {

inline std::vector<uint8_t> BoardLe32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

inline std::string BoardHelloFrame(uint8_t protocol, uint8_t seq, uint32_t boardId = 7) {
    std::vector<uint8_t> b{'Z', 'K', 'B', protocol, 1, 0};
    for (uint8_t x : BoardLe32(boardId)) b.push_back(x);
    b.insert(b.end(), {1, 4000 & 0xFF, 4000 >> 8, 10});
    for (uint8_t x : BoardLe32(0)) b.push_back(x);
    return board::Frame(board::kHello, seq, b);
}

inline std::string BoardEdgeFrame(uint8_t seq, uint8_t input, uint8_t level, uint32_t ticks) {
    std::vector<uint8_t> b{input, level};
    for (uint8_t x : BoardLe32(ticks)) b.push_back(x);
    return board::Frame(board::kEdge, seq, b);
}

inline std::string BoardHeartbeatFrame(uint8_t seq, uint32_t ticks, uint16_t levels) {
    std::vector<uint8_t> b = BoardLe32(ticks);
    b.insert(b.end(), {static_cast<uint8_t>(levels), static_cast<uint8_t>(levels >> 8), 0, 0, 0});
    return board::Frame(board::kHeartbeat, seq, b);
}

class PtyBoards {
public:
    enum class Art { Board, FremdeVersion, Muell, Stumm };

    struct Geraet {
        Art art;
        int master = -1, slave = -1;
        std::string pts, link;
        std::atomic<bool> stumm{false};  // a board that says nothing for now
        std::atomic<int> anfragen{0};    // hello requests seen
        std::atomic<int> ausgaben{0};    // OUTPUTS commands seen
        std::string eingang;             // bytes from the program not decoded yet
    };

    PtyBoards() {
        char tmpl[] = "/tmp/zk-ptyboards-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
    }
    ~PtyBoards() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        for (auto& g : geraete_) Schliessen(*g);
        for (auto& g : geraete_) ::unlink(g->link.c_str());
        ::rmdir(dir_.c_str());
    }

    // A glob that finds every device added here.
    std::string Muster() const { return dir_ + "/tty*"; }

    // Adds a device under the link name `name` (in sorting order: the scan
    // takes the links in that order).
    Geraet& Add(const std::string& name, Art art) {
        auto g = std::make_unique<Geraet>();
        g->art = art;
        char pts[128];
        if (::openpty(&g->master, &g->slave, pts, nullptr, nullptr) == 0) {
            ::fcntl(g->master, F_SETFL, O_NONBLOCK);
            g->pts = pts;
            g->link = dir_ + "/" + name;
            (void)!::symlink(pts, g->link.c_str());
        }
        std::lock_guard<std::mutex> l(mu_);
        geraete_.push_back(std::move(g));
        return *geraete_.back();
    }

    // The device is unplugged: its line hangs up and its link goes.
    void Abziehen(Geraet& g) {
        std::lock_guard<std::mutex> l(mu_);
        ::unlink(g.link.c_str());
        Schliessen(g);
    }

    // Writes to the program from the device (the test's own frames).
    void Senden(Geraet& g, const std::string& bytes) {
        std::lock_guard<std::mutex> l(mu_);
        if (g.master >= 0) (void)!::write(g.master, bytes.data(), bytes.size());
    }

    void Start() {
        thread_ = std::thread([this] {
            while (!stop_) {
                {
                    std::lock_guard<std::mutex> l(mu_);
                    for (auto& g : geraete_) Bedienen(*g);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }

private:
    static void Schliessen(Geraet& g) {
        if (g.master >= 0) ::close(g.master);
        if (g.slave >= 0) ::close(g.slave);
        g.master = g.slave = -1;
    }

    // Reads what the program sent and answers every hello request.
    void Bedienen(Geraet& g) {
        if (g.master < 0) return;
        char buf[256];
        for (ssize_t n; (n = ::read(g.master, buf, sizeof buf)) > 0;) g.eingang.append(buf, static_cast<size_t>(n));
        size_t z;
        while ((z = g.eingang.find('\0')) != std::string::npos) {
            std::vector<uint8_t> raw;
            const bool ok = z > 0 && board::CobsDecode(reinterpret_cast<const uint8_t*>(g.eingang.data()), z, raw) &&
                            raw.size() >= 4;
            g.eingang.erase(0, z + 1);
            if (!ok) continue;
            if (raw[0] == board::kOutputs) ++g.ausgaben;
            if (raw[0] != board::kHelloRequest) continue;
            ++g.anfragen;
            std::string antwort;
            switch (g.art) {
                case Art::Board:
                    if (g.stumm) break;
                    // The hello with a heartbeat (every input high) and an
                    // edge (input 4 low) in the same write.
                    antwort = BoardHelloFrame(board::kProtocolVersion, 0) + BoardHeartbeatFrame(1, 500, 0x3FF) +
                              BoardEdgeFrame(2, 4, 0, 625);
                    break;
                case Art::FremdeVersion:
                    antwort = BoardHelloFrame(board::kProtocolVersion + 1, 0) + BoardEdgeFrame(1, 6, 0, 625);
                    break;
                case Art::Muell:
                    // Noise, and a frame that would be an edge but comes without a hello.
                    antwort = std::string(100, '\x5a') + BoardEdgeFrame(3, 7, 0, 625);
                    break;
                case Art::Stumm: break;
            }
            if (!antwort.empty()) (void)!::write(g.master, antwort.data(), antwort.size());
        }
    }

    std::string dir_;
    std::mutex mu_;
    std::vector<std::unique_ptr<Geraet>> geraete_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace zk::test
