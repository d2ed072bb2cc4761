// End-to-end timing accuracy of the real 1 ms thread.
//
// The real FastTimerThread samples a simulated port while a driver thread switches
// eight lanes at known CLOCK_MONOTONIC instants (the cars), and the main thread
// runs the 100 ms cycle as the program does. At the end every evaluated crossing
// is matched to the edge that caused it, and the program prints laps expected,
// counted, lost and doubled, the lap-time error (measured minus true), and the
// distribution of tick intervals.
//
// The tick thread's two wake-up modes run one after the other in the same
// process (--modes both, the default): sleeping to each deadline, and sleeping
// to --spin-us before it and spinning the rest. For each the program also
// prints the CPU time of the tick thread; a table of both closes the output.
//
// The board mode (--modes all, or board) times the same cars with the USB
// sensor board as the source: an emulated board writes its frames (hello,
// heartbeats every 100 ms, each edge stamped with its own 4 us clock running
// --board-drift off) into a pseudo-terminal, the program's BoardReader reads
// it and the tick takes the stamps. The emulator holds its output back for
// 100 ms at half time (a host that did not read). Its laps are compared with
// the truth once the board has been connected a minute: nothing may be left
// but the lap's rounding to the whole millisecond (0.5 ms), give or take the
// board's 4 us tick.
//
// Exit status 0 when no lap was lost or doubled and at least 99.9 % of the laps
// are within 1 ms of the truth (board: every lap after a minute within 0.5 ms of
// the truth, plus the board's tick); 1 otherwise; 2 for bad options.
#include <fcntl.h>
#include <pthread.h>
#include <pty.h>
#include <sched.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <memory>
#include <string>
#include <thread>
#include <memory>
#include <mutex>
#include <vector>

#include <QCoreApplication>

#include "bench/WebClients.h"
#include "devices/BoardReader.h"
#include "devices/UsbBoard.h"
#include "tick/FastTimerThread.h"
#include "tests/TestRig.h"
#include "web/WebServer.h"

using namespace zk;
using zk::test::kLaneBit;

namespace {

constexpr double kBoardTickMs = 0.004;  // the board's clock resolution

struct Options {
    int seconds = 120;
    int minLapMs = 2000, maxLapMs = 6000;
    int minPulse = 10, maxPulse = 30;
    int minLength = 3;
    int minZeit = 500;
    unsigned seed = 1;
    int spinUs = kTickSpinUs;
    bool sleepMode = true, spinMode = true, boardMode = true;
    int boardDriftPpm = 3000;  // the emulated board's clock: 0.3 % slow
    int webClients = 0;  // > 0: each mode again with the live pages on and this many clients
};

void Usage() {
    std::fprintf(stderr,
                 "bench_realtime [--seconds N] [--min-lap-ms N] [--max-lap-ms N] [--min-pulse MS]\n"
                 "               [--max-pulse MS] [--min-length N] [--minzeit MS] [--seed N]\n"
                 "               [--modes all|both|sleep|spin|board] [--spin-us N] [--board-drift-ppm N]\n"
                 "               [--web-clients N]\n"
                 "Defaults: 120 s per mode, laps 2000..6000 ms, pulses 10..30 ms, MinLength 3, MinZeit 500,\n"
                 "all modes (both wake-up modes and the board), spin 150 us, board 3000 ppm slow.\n"
                 "--web-clients N runs each mode a second time with the live pages' server on and N\n"
                 "websocket clients on loopback.\n");
}

bool Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") return false;
        if (i + 1 >= argc) return false;
        if (a == "--modes") {
            const std::string m = argv[++i];
            if (m != "all" && m != "both" && m != "sleep" && m != "spin" && m != "board") return false;
            o.sleepMode = m == "all" || m == "both" || m == "sleep";
            o.spinMode = m == "all" || m == "both" || m == "spin";
            o.boardMode = m == "all" || m == "board";
            continue;
        }
        char* end = nullptr;
        const long v = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || v < 0 || v > 1000000) return false;
        const int n = static_cast<int>(v);
        if (a == "--seconds") o.seconds = n;
        else if (a == "--min-lap-ms") o.minLapMs = n;
        else if (a == "--max-lap-ms") o.maxLapMs = n;
        else if (a == "--min-pulse") o.minPulse = n;
        else if (a == "--max-pulse") o.maxPulse = n;
        else if (a == "--min-length") o.minLength = n;
        else if (a == "--minzeit") o.minZeit = n;
        else if (a == "--seed") o.seed = static_cast<unsigned>(n);
        else if (a == "--spin-us") o.spinUs = n;
        else if (a == "--web-clients") o.webClients = n;
        else if (a == "--board-drift-ppm") o.boardDriftPpm = n;
        else return false;
    }
    if (o.seconds < 1 || o.minPulse < 1 || o.maxPulse < o.minPulse || o.maxLapMs < o.minLapMs) return false;
    if (o.minLength < 1 || o.minLength > o.minPulse) return false;
    if (o.spinUs < 1 || o.spinUs > FastTimerThread::kMaxSpinUs) return false;
    // Two crossings of a lane are at least pulse + 6 ms + MinZeit apart; shorter
    // laps would be swallowed by the lockout by design, not lost.
    if (o.minLapMs <= o.maxPulse + 6 + std::max(o.minZeit, 500) + 20) {
        std::fprintf(stderr, "--min-lap-ms must exceed max pulse + 6 + MinZeit + 20 ms\n");
        return false;
    }
    return true;
}

void SleepUntilNs(int64_t t) {
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(t / 1000000000);
    ts.tv_nsec = static_cast<long>(t % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

// The program's millisecond clock with its origin in view, so the driver's edges
// can be put on the same scale.
class BenchClock final : public MsClock {
public:
    int32_t NowMs() override { return static_cast<int32_t>((MonotonicNs() - origin_) / 1000000); }
    double ToMs(int64_t ns) const { return static_cast<double>(ns - origin_) / 1e6; }
    int64_t OriginUs() const { return origin_ / 1000; }

private:
    int64_t origin_ = MonotonicNs();
};

struct Crossing {
    int32_t stampMs;    // Durchfahrt of the evaluated crossing
    int32_t lapMs;      // Rundenzeit; -1 for the start crossing
};

// Runs in the tick (I2CTakt, with the bus step switched on): records when each
// tick ran into a buffer sized beforehand. Observes the evaluation on the main thread.
struct Recorder : RaceObserver, BusQueue {
    Recorder(RaceSystem& sys, size_t ticks) : st(sys.st), laps(sys.record.laps), tickNs(ticks) {}
    RaceState& st;
    const LapList& laps;
    std::vector<int64_t> tickNs;
    size_t nTicks = 0;  // tick thread only; read after the thread has stopped
    std::array<std::vector<Crossing>, 9> crossings;

    void I2CSend(uint8_t, uint8_t, uint8_t, int) override {}
    void I2CTakt(TickState&, LptIo&) override {
        if (nTicks < tickNs.size()) tickNs[nTicks++] = MonotonicNs();
    }
    void OnReaction(int lane, int32_t) override { crossings[lane].push_back({st.Durchfahrt[lane], -1}); }
    void OnLap(int lane) override {
        crossings[lane].push_back({st.spuren.SpurDaten[lane].Durchfahrt, laps.LastLapMs(lane)});
    }
};

template <class T>
T Pct(std::vector<T> v, double p) {
    if (v.empty()) return T{};
    std::sort(v.begin(), v.end());
    auto idx = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    idx = std::clamp<size_t>(idx, 1, v.size()) - 1;
    return v[idx];
}

struct Result {
    const char* mode;
    long expected, counted, lost, doubled;
    long within;
    size_t laps;
    double errP50, errP999, errMax;
    double tickP50, tickP99, tickP999, tickMax;
    int late, skipped;
    double cpuPct;  // CPU time of the tick thread, % of one core
    bool ok;
    double cycleP50 = 0, cycleP99 = 0, cycleMax = 0;  // the 100 ms cycle (with the snapshot), us
    int webClients = 0;
    long settled = 0, settledWithin = 0;  // board: laps after a minute, within 0.5 ms of the truth
};

// A USB sensor board on the master side of a pseudo-terminal: hello when
// asked, a heartbeat every 100 ms of its time, and an edge frame for each
// level change the driver reports, stamped with its own clock. Frames go out
// every millisecond, except while the host "stalls" (held back, then sent at once).
class BoardEmulator {
public:
    BoardEmulator(double drift, int64_t stallFromNs, int64_t stallNs)
        : drift_(drift), stallFrom_(stallFromNs), stallTo_(stallFromNs + stallNs) {
        termios t{};
        cfmakeraw(&t);
        if (openpty(&master_, &slave_, name_, &t, nullptr) != 0) master_ = -1;
        if (master_ >= 0) fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        t0_ = MonotonicNs();
    }
    ~BoardEmulator() {
        Stop();
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
    }
    bool Ok() const { return master_ >= 0; }
    std::string Device() const { return name_; }
    void Start() { thread_ = std::thread([this] { Run(); }); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Driver thread: input n changed to `level` at `ns` (CLOCK_MONOTONIC).
    void Edge(int n, int level, int64_t ns) {
        std::lock_guard<std::mutex> l(mu_);
        const uint16_t bit = static_cast<uint16_t>(1u << (n - 1));
        levels_ = static_cast<uint16_t>(level ? (levels_ | bit) : (levels_ & ~bit));
        std::vector<uint8_t> b{static_cast<uint8_t>(n), static_cast<uint8_t>(level)};
        Put32(b, Ticks(ns));
        out_ += board::Frame(board::kEdge, seq_++, b);
    }

private:
    uint32_t Ticks(int64_t ns) const {
        return static_cast<uint32_t>(static_cast<double>(ns - t0_) / (4000.0 * (1.0 + drift_)));
    }
    static void Put32(std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Run() {
        int64_t nextBeat = t0_ + 100'000'000;
        bool hello = false;
        std::string pending;
        while (!stop_) {
            SleepUntilNs(MonotonicNs() + 1'000'000);
            uint8_t in[256];
            const ssize_t n = read(master_, in, sizeof in);  // commands: a request asks for the hello
            std::lock_guard<std::mutex> l(mu_);
            // Read under the lock: every edge queued before a heartbeat is
            // stamped before it, as on the board.
            const int64_t now = MonotonicNs();
            if (n > 0 && !hello) {
                std::vector<uint8_t> b{'Z', 'K', 'B', board::kProtocolVersion, 1, 0, 7, 0, 0, 0, 1, 4000 & 0xFF,
                                       4000 >> 8, 10};
                Put32(b, Ticks(now));
                seq_ = 0;
                out_ += board::Frame(board::kHello, seq_++, b);
                hello = true;
            }
            // A heartbeat every 100 ms of board time, stamped when it is built.
            if (hello && now >= nextBeat) {
                std::vector<uint8_t> b;
                Put32(b, Ticks(now));
                b.insert(b.end(), {static_cast<uint8_t>(levels_), static_cast<uint8_t>(levels_ >> 8), 0, 0, 0});
                out_ += board::Frame(board::kHeartbeat, seq_++, b);
                nextBeat += static_cast<int64_t>(100'000'000 * (1.0 + drift_));
            }
            pending += out_;
            out_.clear();
            if (now >= stallFrom_ && now < stallTo_) continue;  // the host does not read
            while (!pending.empty()) {
                const ssize_t w = write(master_, pending.data(), pending.size());
                if (w <= 0) break;
                pending.erase(0, static_cast<size_t>(w));
            }
        }
    }

    double drift_;
    int64_t stallFrom_, stallTo_;
    int master_ = -1, slave_ = -1;
    char name_[128] = {};
    int64_t t0_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mu_;
    std::string out_;
    uint8_t seq_ = 0;
    uint16_t levels_ = 0;
};

Result RunMode(const Options& o, int spinUs, bool boardMode, int webClients) {
    const char* modeName = boardMode ? "board" : spinUs > 0 ? "spin" : "sleep";
    std::printf(boardMode ? "--- sensors: USB board (%s" : "--- wake-up mode: %s", boardMode ? "sleep" : modeName);
    if (boardMode) std::printf(", board clock %+d ppm)", o.boardDriftPpm);
    if (spinUs > 0) std::printf(" (%d us)", spinUs);
    if (webClients > 0) std::printf(", live pages on, %d clients", webClients);
    std::printf(" ---\n");
    std::fflush(stdout);
    BenchClock clock;
    zk::test::Rig rig(0, &clock);
    SimLptIo& port = rig.port;
    RaceSystem& sys = rig.sys;
    zk::test::EightLanes(sys.cfg, o.minZeit, o.minLength);
    sys.cfg.I2COutput.Aktiv = 1;  // the recorder sits in the bus step
    std::unique_ptr<BoardEmulator> emu;
    std::unique_ptr<BoardReader> reader;
    if (boardMode) {
        // Input n on bit n-1 of the board's levels, high while a car is there.
        for (int n = 1; n <= 8; ++n) sys.cfg.Masken.MS[n] = sys.cfg.Masken.CS[n] = static_cast<int16_t>(1 << (n - 1));
        emu = std::make_unique<BoardEmulator>(o.boardDriftPpm / 1e6, MonotonicNs() + int64_t{o.seconds} * 500'000'000,
                                              100'000'000);
        if (!emu->Ok()) {
            std::printf("no pseudo-terminal: board mode skipped\n");
            return Result{modeName, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false};
        }
        emu->Start();
        reader = std::make_unique<BoardReader>(emu->Device());
        reader->Start();
        sys.SetBoard(reader.get(), clock.OriginUs());
    }
    rig.Init();
    port.SetInputWord(0);

    Recorder rec(sys, static_cast<size_t>(o.seconds + 30) * 1000);
    sys.SetObserver(&rec);
    sys.SetBus(&rec);
    const size_t perLane = static_cast<size_t>(o.seconds) * 1000 / static_cast<size_t>(o.minLapMs) + 8;
    for (auto& c : rec.crossings) c.reserve(perLane);

    FastTimerThread timer(sys.Tick());
    timer.SetSpinUs(spinUs);
    timer.StartFastTimer();
    SleepUntilNs(MonotonicNs() + 50'000'000);
    const int64_t cpu0 = timer.ThreadCpuNs(), wall0 = MonotonicNs();

    // Green light.
    GreenWithoutLight(sys);
    const int32_t greenMs = sys.st.AktZeit;
    for (int l = 0; l <= kLanes; ++l) sys.st.spuren.LetzteDurchfahrt[l] = greenMs;

    std::array<std::vector<int64_t>, 9> edges, falls;  // rising and falling edges, ns
    for (auto& e : edges) e.reserve(perLane);
    for (auto& f : falls) f.reserve(perLane);
    std::atomic<bool> driverDone{false};
    bool driverRealtime = false;
    std::thread driver([&] {
        sched_param sp{};
        sp.sched_priority = 1;  // a car is not delayed by the PC's load; stay below the tick
        driverRealtime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp) == 0;
        std::mt19937 rng(o.seed);
        std::uniform_int_distribution<int> lapMs(o.minLapMs, o.maxLapMs), pulseMs(o.minPulse, o.maxPulse);
        std::uniform_int_distribution<int> firstMs(200, o.minLapMs);
        // Cars do not cross on the tick's millisecond grid: every lap gets a
        // random fraction of a millisecond on top.
        std::uniform_int_distribution<int64_t> fractionNs(0, 999999);
        const int64_t t0 = MonotonicNs();
        const int64_t driveNs = int64_t{o.seconds} * 1000000000;
        std::array<int64_t, 9> rise{}, fall{};
        for (int l = 1; l <= 8; ++l) {
            rise[l] = t0 + firstMs(rng) * int64_t{1000000} + fractionNs(rng);
            fall[l] = INT64_MAX;
        }
        uint8_t word = 0;
        for (;;) {
            int lane = 0;
            bool isRise = false;
            int64_t when = INT64_MAX;
            for (int l = 1; l <= 8; ++l) {
                if (fall[l] < when) when = fall[l], lane = l, isRise = false;
                if (rise[l] - t0 < driveNs && rise[l] < when) when = rise[l], lane = l, isRise = true;
            }
            if (lane == 0) break;
            SleepUntilNs(when);
            if (isRise) {
                word = static_cast<uint8_t>(word | kLaneBit[lane]);
                const int64_t now = MonotonicNs();  // the true crossing instant
                if (emu) {
                    emu->Edge(lane, 1, now);
                } else {
                    port.SetInputWord(word);
                }
                edges[lane].push_back(now);
                fall[lane] = now + pulseMs(rng) * int64_t{1000000};
                rise[lane] = now + lapMs(rng) * int64_t{1000000} + fractionNs(rng);
            } else {
                word = static_cast<uint8_t>(word & ~kLaneBit[lane]);
                if (emu) {
                    emu->Edge(lane, 0, MonotonicNs());
                } else {
                    port.SetInputWord(word);
                }
                falls[lane].push_back(MonotonicNs());
                fall[lane] = INT64_MAX;
            }
        }
        driverDone.store(true);
    });

    // The live pages: the server and its clients, which read every push.
    WebServer server;
    std::unique_ptr<bench::WebClients> clients;
    if (webClients > 0) {
        std::string why;
        if (!server.Start("127.0.0.1", 0, "", &why)) std::fprintf(stderr, "web server: %s\n", why.c_str());
        sys.SetLive(&server);
        clients = std::make_unique<bench::WebClients>(webClients, server.Port());
        clients->start();
        std::printf("%d of %d clients connected\n", clients->WaitOpen(10000), webClients);
    }
    std::vector<double> cycleUs;
    cycleUs.reserve(static_cast<size_t>(o.seconds + 30) * 10);

    int64_t next = MonotonicNs();
    int after = 0;
    int cycles = 0;
    while (after < 3) {
        next += 100'000'000;
        SleepUntilNs(next);
        const int64_t c0 = MonotonicNs();
        MainLoopCycle(sys);
        sys.PublishLive();
        cycleUs.push_back(static_cast<double>(MonotonicNs() - c0) / 1e3);
        if (++cycles % 300 == 0) std::fprintf(stderr, "  %d s\n", cycles / 10);
        if (driverDone.load()) ++after;
    }
    driver.join();
    if (clients) {
        std::printf("pushes received: %ld (%.1f per client), dropped: %d\n", clients->messages.load(),
                    static_cast<double>(clients->messages.load()) / webClients, server.Dropped());
        clients->quit();
        clients->wait();
        sys.SetLive(nullptr);
        server.Stop();
    }
    const double cpuPct = 100.0 * static_cast<double>(timer.ThreadCpuNs() - cpu0) /
                          static_cast<double>(MonotonicNs() - wall0);
    timer.StopFastTimer();
    BoardZustand boardZustand;
    if (reader) {
        boardZustand = reader->Lesen();
        reader->Stop();
        emu->Stop();
    }

    // --- match evaluated crossings to the edges that caused them ---
    long expected = 0, counted = 0, lost = 0, lostInGap = 0, doubled = 0;
    // Ticks that ran while a pulse was on the port (tick times are ascending).
    const auto ticksBetween = [&](int64_t from, int64_t to) {
        const auto* b = rec.tickNs.data();
        return std::upper_bound(b, b + rec.nTicks, to) - std::lower_bound(b, b + rec.nTicks, from);
    };
    std::vector<double> err;      // lap time error, ms, signed
    std::vector<double> absErr;
    long settled = 0, settledWithin = 0, settledBeyondRounding = 0;
    std::vector<double> settledErr;  // board: lap error of the settled laps, ms, signed
    const int64_t settledFromNs = wall0 + 60'000'000'000;
    for (int l = 1; l <= 8; ++l) {
        const auto& e = edges[l];
        const auto& c = rec.crossings[l];
        expected += std::max<long>(0, static_cast<long>(e.size()) - 1);
        std::vector<int> hits(e.size(), 0);
        std::vector<long> edgeOf(c.size(), -1);
        for (size_t j = 0; j < c.size(); ++j) {
            if (c[j].lapMs >= 0) ++counted;
            for (size_t i = 0; i < e.size(); ++i) {
                const double edgeMs = clock.ToMs(e[i]);
                // The stamp is the clock of the first tick that saw the pulse (a tick that
                // read the clock just before the edge and the port just after it
                // stamps the millisecond before).
                // The board's stamp is the edge mapped onto the program clock:
                // in the first seconds, before its rate is fitted, a few ms off.
                const double from = boardMode ? edgeMs - 20 : std::floor(edgeMs) - 1;
                if (c[j].stampMs >= from && c[j].stampMs <= edgeMs + o.maxPulse) {
                    ++hits[i];
                    edgeOf[j] = static_cast<long>(i);
                    break;
                }
            }
            if (edgeOf[j] < 0) ++doubled;  // a crossing no car made
        }
        for (size_t i = 0; i < hits.size(); ++i) {
            if (hits[i] == 0) {
                ++lost;
                // A pulse that fewer than MinLength ticks saw was hidden by a
                // stalled tick thread, not dropped by the evaluation.
                if (i < falls[l].size() && ticksBetween(e[i], falls[l][i]) < o.minLength) ++lostInGap;
            }
            if (hits[i] > 1) doubled += hits[i] - 1;
        }
        for (size_t j = 1; j < c.size(); ++j) {
            if (c[j].lapMs < 0 || edgeOf[j] < 1 || edgeOf[j - 1] != edgeOf[j] - 1) continue;
            const auto i = static_cast<size_t>(edgeOf[j]);
            // The first lap is timed from the green light (it includes the
            // reaction time); every later one from the previous crossing.
            const double trueMs = c[j - 1].lapMs < 0 ? clock.ToMs(e[i]) - greenMs
                                                     : static_cast<double>(e[i] - e[i - 1]) / 1e6;
            err.push_back(c[j].lapMs - trueMs);
            absErr.push_back(std::fabs(c[j].lapMs - trueMs));
            if (c[j - 1].lapMs >= 0 && e[i - 1] >= settledFromNs) {
                // The lap is rounded to the whole millisecond once: nothing but
                // that rounding may be left, give or take the board's tick (4 us)
                // by which each stamp may fall short of its edge.
                const double fehler = std::fabs(c[j].lapMs - trueMs);
                ++settled;
                settledErr.push_back(c[j].lapMs - trueMs);
                if (fehler <= 0.5 + kBoardTickMs) ++settledWithin;
                else ++settledBeyondRounding;
            }
        }
    }
    const long within = std::count_if(absErr.begin(), absErr.end(), [](double x) { return x <= 1.0; });

    std::vector<double> intervals;
    intervals.reserve(rec.nTicks);
    long over15 = 0, over2 = 0;
    for (size_t i = 1; i < rec.nTicks; ++i) {
        const double us = static_cast<double>(rec.tickNs[i] - rec.tickNs[i - 1]) / 1e3;
        intervals.push_back(us);
        if (us > 1500) ++over15;
        if (us > 2000) ++over2;
    }

    std::printf("run: %d s, laps %d..%d ms, pulses %d..%d ms, MinLength %d, MinZeit %d, seed %u\n", o.seconds,
                o.minLapMs, o.maxLapMs, o.minPulse, o.maxPulse, o.minLength, o.minZeit, o.seed);
    std::printf("scheduling: tick thread %s, driver %s\n", timer.Echtzeit() ? "SCHED_FIFO" : "SCHED_OTHER",
                driverRealtime ? "SCHED_FIFO" : "SCHED_OTHER");
    std::printf("laps: expected %ld, counted %ld, lost %ld, doubled %ld\n", expected, counted, lost, doubled);
    if (lost > 0)
        std::printf("  of the lost crossings %ld fell into a gap between ticks longer than the pulse\n", lostInGap);
    std::printf("lap time error (measured - true), ms: min %+.3f  max %+.3f\n",
                err.empty() ? 0.0 : *std::min_element(err.begin(), err.end()),
                err.empty() ? 0.0 : *std::max_element(err.begin(), err.end()));
    std::printf("|error|, ms: p50 %.3f  p99 %.3f  p99.9 %.3f  max %.3f;  within 1 ms: %ld of %zu (%.2f %%)\n",
                Pct(absErr, 50), Pct(absErr, 99), Pct(absErr, 99.9), Pct(absErr, 100), within, absErr.size(),
                absErr.empty() ? 0.0 : 100.0 * static_cast<double>(within) / static_cast<double>(absErr.size()));
    std::printf("tick interval, us: p50 %.1f  p99 %.1f  p99.9 %.1f  max %.1f  (%zu ticks, >1.5 ms: %ld, >2 ms: %ld)\n",
                Pct(intervals, 50), Pct(intervals, 99), Pct(intervals, 99.9), Pct(intervals, 100), rec.nTicks,
                over15, over2);
    std::printf("late ticks (>0.5 ms after deadline): %d, skipped periods: %d, largest delay: %d us, overlaps: %d\n",
                sys.st.TickVerspaetet.load(), sys.st.TickVerpasst.load(), sys.st.TickSpaetMaxUs.load(),
                sys.st.TickUeberlauf.load());
    std::printf("tick thread CPU: %.2f %% of one core\n", cpuPct);
    if (boardMode) {
        const BoardStats& b = boardZustand.stats;
        std::printf("board: %s; frames %llu, lost %llu, bad %llu, impossible %llu, restarts %llu, drift %+.4f %%\n",
                    boardZustand.text.c_str(), static_cast<unsigned long long>(b.frames),
                    static_cast<unsigned long long>(b.lostFrames), static_cast<unsigned long long>(b.badFrames),
                    static_cast<unsigned long long>(b.impossibleTimes), static_cast<unsigned long long>(b.restarts),
                    boardZustand.drift * 100);
        std::printf("laps after a minute: %ld; within 0.5 ms of the truth (+ the board's 4 us tick): %ld; "
                    "beyond: %ld\n",
                    settled, settledWithin, settledBeyondRounding);
        if (!settledErr.empty()) {
            std::vector<double> a;
            for (double x : settledErr) a.push_back(std::fabs(x));
            std::printf("  their error (measured - true), ms: min %+.3f  max %+.3f; |error| p50 %.3f  p99 %.3f  max %.3f\n",
                        *std::min_element(settledErr.begin(), settledErr.end()),
                        *std::max_element(settledErr.begin(), settledErr.end()), Pct(a, 50), Pct(a, 99), Pct(a, 100));
        }
    }

    const bool ok = lost == 0 && doubled == 0 && counted == expected && !absErr.empty() &&
                    (boardMode ? settled > 0 && settledBeyondRounding == 0
                               : static_cast<double>(within) >= 0.999 * static_cast<double>(absErr.size()));
    std::printf("result: %s\n", ok ? "PASS" : "FAIL");
    std::fflush(stdout);
    return Result{modeName, expected, counted, lost, doubled, within, absErr.size(),
                  Pct(absErr, 50), Pct(absErr, 99.9), Pct(absErr, 100),
                  Pct(intervals, 50), Pct(intervals, 99), Pct(intervals, 99.9), Pct(intervals, 100),
                  sys.st.TickVerspaetet.load(), sys.st.TickVerpasst.load(), cpuPct, ok,
                  Pct(cycleUs, 50), Pct(cycleUs, 99), Pct(cycleUs, 100), webClients, settled, settledWithin};
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        Usage();
        return 2;
    }
    // The web server's thread and the clients' need Qt's application object.
    int qtArgc = 1;
    std::unique_ptr<QCoreApplication> app;
    if (o.webClients > 0) app = std::make_unique<QCoreApplication>(qtArgc, argv);
    std::vector<Result> results;
    // Each mode with the server off, then (--web-clients) on, in one run.
    for (const int web : {0, o.webClients}) {
        if (o.sleepMode) results.push_back(RunMode(o, 0, false, web));
        if (o.spinMode) results.push_back(RunMode(o, o.spinUs, false, web));
        if (o.boardMode) results.push_back(RunMode(o, 0, true, web));
        if (o.webClients == 0) break;
    }

    std::printf("\n| mode | expected / counted / lost / doubled | within 1 ms | |error| p50 / p99.9 / max (ms) "
                "| tick interval p50 / p99 / p99.9 / max (us) | late / skipped | tick thread CPU "
                "| cycle p50 / p99 / max (us) | after 1 min within 0.5 ms of the truth |\n");
    bool ok = true;
    for (const Result& r : results) {
        const std::string mode =
            std::string(r.mode) + (r.webClients ? " + " + std::to_string(r.webClients) + " web clients" : "");
        std::printf("| %s | %ld / %ld / %ld / %ld | %ld of %zu (%.2f %%) | %.3f / %.3f / %.3f | %.1f / %.0f / %.0f / %.0f "
                    "| %d / %d | %.2f %% | %.0f / %.0f / %.0f | %s |\n",
                    mode.c_str(), r.expected, r.counted, r.lost, r.doubled, r.within, r.laps,
                    r.laps ? 100.0 * static_cast<double>(r.within) / static_cast<double>(r.laps) : 0.0, r.errP50,
                    r.errP999, r.errMax, r.tickP50, r.tickP99, r.tickP999, r.tickMax, r.late, r.skipped, r.cpuPct,
                    r.cycleP50, r.cycleP99, r.cycleMax,
                    std::strcmp(r.mode, "board") == 0
                        ? (std::to_string(r.settledWithin) + " of " + std::to_string(r.settled)).c_str()
                        : "–");
        ok = ok && r.ok;
    }
    return ok ? 0 : 1;
}
