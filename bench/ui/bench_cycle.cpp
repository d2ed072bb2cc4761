// Duration of the main window's 100 ms cycle with eight lap windows open and a
// race on all eight lanes: the program's frmMain on a manual clock and a
// simulated port (the offscreen platform unless a display is given). Each cycle
// is timed on its own (CLOCK_MONOTONIC around frmMain::Cycle), and so is the
// event processing after it, where Qt repaints what the cycle changed.
//
//   QT_QPA_PLATFORM=offscreen bench_cycle [SECONDS] [--web-clients N]
//
// SECONDS of simulated race (300). With --web-clients N the race goes on for
// SECONDS more with the live pages' server on and N websocket clients on
// loopback (a thread of their own, reading every push), and both halves are
// printed side by side.
#include <QApplication>
#include <QWidget>
#include <atomic>
#include <cstring>
#include <memory>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "UiRig.h"
#include "bench/WebClients.h"
#include "web/WebServer.h"

using namespace zk;

namespace {
double Pct(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    auto i = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return v[std::clamp<size_t>(i, 1, v.size()) - 1];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int seconds = 300, webClients = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--web-clients") == 0 && i + 1 < argc) webClients = std::atoi(argv[++i]);
        else seconds = std::atoi(argv[i]);
    }
    test::UiRig rig;
    rig.sys.cfg.LiZeit.Minimum = 500;  // laps of 3 s count
    rig.Load();
    const char* names[] = {"frmZeit4Spur",   "frmKVZeit2Spur", "frmKVZeit3Spur",     "frmKVZeit4SpurNeu",
                           "frmKVZeit5Spur", "frmKVZeit6Spur", "frmKVZeit48SpurNeu", "frmKVZeit8Spur"};
    std::vector<QWidget*> windows;
    for (const char* n : names) {
        QWidget* w = rig.Open(n);
        if (!w) {
            std::fprintf(stderr, "window %s did not open\n", n);
            return 1;
        }
        w->show();
        windows.push_back(w);
    }
    QApplication::processEvents();

    std::vector<double> cycleUs, paintUs;
    rig.rig.cycle = [&] {
        const int64_t t0 = MonotonicNs();
        rig.main->Cycle();
        const int64_t t1 = MonotonicNs();
        QApplication::processEvents();
        const int64_t t2 = MonotonicNs();
        cycleUs.push_back(static_cast<double>(t1 - t0) / 1e3);
        paintUs.push_back(static_cast<double>(t2 - t1) / 1e3);
    };
    rig.StartAndRunToGreen(windows[0]);
    if (!rig.sys.st.RennenLaeuft) {
        std::fprintf(stderr, "race did not start\n");
        return 1;
    }
    cycleUs.clear();
    paintUs.clear();

    // Cars on all eight lanes, laps of 3-8 s.
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> lap(3000, 8000);
    std::array<int32_t, 9> next{};
    for (int l = 1; l <= 8; ++l) next[l] = rig.now + lap(rng) / 3;
    const auto race = [&](int secs) {
        const int32_t end = rig.now + secs * 1000;
        while (rig.now < end) {
            for (int l = 1; l <= 8; ++l) {
                if (rig.now >= next[l]) {
                    rig.Hold(l, 20);
                    next[l] = rig.now + lap(rng);
                }
            }
            rig.Step();
        }
    };
    const auto print = [&](const char* what) {
        std::printf("%s: %zu cycles, 8 lap windows, race on 8 lanes (%d laps on lane 1 so far)\n", what,
                    cycleUs.size(), static_cast<int>(rig.sys.st.spuren.SpurDaten[1].Runden));
        std::printf("  cycle (frmMain::Cycle), us:   p50 %.0f  p99 %.0f  max %.0f\n", Pct(cycleUs, 50),
                    Pct(cycleUs, 99), Pct(cycleUs, 100));
        std::printf("  repaint after it, us:         p50 %.0f  p99 %.0f  max %.0f\n", Pct(paintUs, 50),
                    Pct(paintUs, 99), Pct(paintUs, 100));
    };
    race(seconds);
    print("live pages off");
    if (webClients <= 0) return 0;

    // The same race goes on with the server on and the clients reading.
    WebServer server;
    std::string why;
    if (!server.Start("127.0.0.1", 0, "", &why)) {
        std::fprintf(stderr, "web server: %s\n", why.c_str());
        return 1;
    }
    rig.sys.SetLive(&server);
    bench::WebClients clients(webClients, server.Port());
    clients.start();
    clients.WaitOpen(10000);
    cycleUs.clear();
    paintUs.clear();
    race(seconds);
    print("live pages on");
    std::printf("  %d of %d clients connected, %ld pushes received (%.1f per client), %d dropped\n",
                clients.open.load(), webClients, clients.messages.load(),
                static_cast<double>(clients.messages.load()) / std::max(webClients, 1), server.Dropped());
    clients.quit();
    clients.wait();
    rig.sys.SetLive(nullptr);
    server.Stop();
    return 0;
}
