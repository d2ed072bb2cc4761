// The sensor board's clock mapped onto the host's: host time = a + b * board ticks.
//
// Each heartbeat gives a point (board ticks when it was sent, host time when it
// arrived). The arrival is the sending moment plus a delay that has a floor
// (the line, the USB polling) and no ceiling (a host that did not read for
// 250 ms). The line that runs below every point and touches the points of least
// delay follows the sending moments: the lower convex hull of the points, cut at
// the middle of the board times, gives the edge whose line that is. Late points
// lie above it and do not move it, so stalls cost nothing; the rate comes out to
// the floor's jitter divided by the span of the window.
#pragma once

#include <cstddef>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace zk {

class BoardClock {
public:
    // `tickUs`: the board's nominal tick length (4 us).
    explicit BoardClock(double tickUs = 4.0) : nominal_(tickUs) { Reset(); }

    // Forgets every point and the rate (another board).
    void Reset();
    // A new time line of the same board (it restarted): the points go, the rate
    // found so far stays and is used until the new line's points span
    // kPriorSpanUs, because a crystal keeps its rate across a restart.
    void NewLine();
    void SetNominal(double tickUs) {
        nominal_ = tickUs;
        Reset();
    }

    // One heartbeat: board ticks (unwrapped, rising) and the host time of arrival.
    void Add(int64_t boardTicks, int64_t hostUs);

    // Host time, in microseconds, of a board time.
    double HostUs(int64_t boardTicks) const { return a_ + b_ * static_cast<double>(boardTicks - x0_); }
    // Host microseconds per board tick, as estimated (nominal until the points
    // span kMinSpanUs).
    double Rate() const { return b_; }
    // How far the board's ticks are from nominal: +0.005 when they are 0.5 %
    // long (the board runs slow), negative when it runs fast.
    double Drift() const { return b_ / nominal_ - 1.0; }
    bool Fitted() const { return fitted_; }
    size_t Points() const { return pts_.size(); }

    static constexpr double kWindowUs = 120e6;   // points older than this are dropped
    static constexpr double kMinSpanUs = 2e6;    // below this span the rate stays nominal
    static constexpr double kPriorSpanUs = 30e6; // ... or the one from before a restart
    static constexpr double kMaxDrift = 0.03;    // rates further off are not believed

private:
    struct Point {
        double x;  // board ticks since x0_
        double y;  // host us since y0_
    };
    void Fit();

    double nominal_;
    double prior_ = 0;  // rate from before a restart, 0 when there is none
    int64_t x0_ = 0, y0_ = 0;
    bool haveOrigin_ = false;
    bool fitted_ = false;
    std::deque<Point> pts_;
    std::vector<Point> hull_;  // scratch for Fit, kept to avoid reallocations
    double a_ = 0, b_ = 4.0;   // host us = y0_ + a_ + b_ * (ticks - x0_); a_ holds y0_
};

}  // namespace zk
