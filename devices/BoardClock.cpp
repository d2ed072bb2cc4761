#include "devices/BoardClock.h"

#include <algorithm>
#include <cmath>

namespace zk {

void BoardClock::Reset() {
    prior_ = 0;
    fitted_ = false;
    NewLine();
}

void BoardClock::NewLine() {
    if (fitted_) prior_ = b_;
    pts_.clear();
    haveOrigin_ = false;
    fitted_ = false;
    a_ = 0;
    b_ = prior_ > 0 ? prior_ : nominal_;
    x0_ = y0_ = 0;
}

void BoardClock::Add(int64_t boardTicks, int64_t hostUs) {
    if (!haveOrigin_) {
        x0_ = boardTicks;
        y0_ = hostUs;
        haveOrigin_ = true;
    }
    const Point p{static_cast<double>(boardTicks - x0_), static_cast<double>(hostUs - y0_)};
    if (!pts_.empty() && p.x <= pts_.back().x) return;  // only rising board times
    pts_.push_back(p);
    while (pts_.size() > 2 && (p.x - pts_.front().x) * nominal_ > kWindowUs) pts_.pop_front();
    Fit();
}

void BoardClock::Fit() {
    // Offset under the nominal (or earlier) rate: the least delay of all points.
    const double rate = prior_ > 0 ? prior_ : nominal_;
    auto nominalFit = [&] {
        double lo = pts_.front().y - rate * pts_.front().x;
        for (const Point& q : pts_) lo = std::min(lo, q.y - rate * q.x);
        b_ = rate;
        a_ = static_cast<double>(y0_) + lo;
        fitted_ = false;
    };
    if ((pts_.back().x - pts_.front().x) * nominal_ < (prior_ > 0 ? kPriorSpanUs : kMinSpanUs)) return nominalFit();

    // Lower convex hull (points are sorted by x): monotone chain.
    hull_.clear();
    for (const Point& q : pts_) {
        while (hull_.size() >= 2) {
            const Point& o = hull_[hull_.size() - 2];
            const Point& m = hull_.back();
            // Drop m when it lies on or above the segment o -> q.
            if ((m.x - o.x) * (q.y - o.y) - (m.y - o.y) * (q.x - o.x) <= 0)
                hull_.pop_back();
            else
                break;
        }
        hull_.push_back(q);
    }
    // The hull edge over the middle of the board times.
    const double mid = 0.5 * (pts_.front().x + pts_.back().x);
    size_t i = 1;
    while (i + 1 < hull_.size() && hull_[i].x < mid) ++i;
    const Point& p = hull_[i - 1];
    const Point& q = hull_[i];
    const double b = (q.y - p.y) / (q.x - p.x);
    if (!std::isfinite(b) || std::fabs(b / nominal_ - 1.0) > kMaxDrift) return nominalFit();
    b_ = b;
    a_ = static_cast<double>(y0_) + p.y - b * p.x;
    fitted_ = true;
}

}  // namespace zk
