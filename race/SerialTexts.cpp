#include "race/SerialTexts.h"

#include <cmath>
#include <cstdio>

namespace zk {

std::string FormatZeros(double v, int digits) {
    char buf[48];
    const double r = std::round(v);  // half away from zero
    if (!std::isfinite(r) || std::fabs(r) > 1e15) return std::string(static_cast<size_t>(digits), '0');
    std::snprintf(buf, sizeof buf, "%0*lld", digits, static_cast<long long>(r));
    return buf;
}

std::string LapCountText(int32_t runden) {
    std::string t;
    if (runden < 10) {
        t = "::::" + FormatZeros(runden, 1);
    } else if (runden < 100) {
        t = ":::" + FormatZeros(runden, 2);
    } else if (runden < 1000) {
        t = "::" + FormatZeros(runden, 3);
    } else {
        t = ":" + FormatZeros(runden, 4);
    }
    return t + '\r';
}

std::string LapTimeText(int32_t zeitSek, int32_t zeitMs) {
    return FormatZeros(zeitSek, 2) + "." + FormatZeros(zeitMs, 3) + '\r';
}

std::string FuelText(double tankStand) { return "FL:" + FormatZeros(tankStand, 2) + '\r'; }

std::string FuelGaugeText(int lane, double tankStand) {
    std::string t = "C";
    t += static_cast<char>(64 + 4 * lane);
    return t + FormatZeros(tankStand, 2) + '\r';
}

}  // namespace zk
