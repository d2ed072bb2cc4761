#include "race/Director.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "race/PowerValues.h"
#include "race/Race.h"
#include "race/SerialTexts.h"

namespace zk {

namespace {

std::string LaneAndLaps(int lane, int32_t laps) {
    return "Spur " + std::to_string(lane) + " R." + FormatZeros(laps, 4);
}

// Milliseconds as seconds with a decimal comma and eight integer digits:
// 17470 -> "00000017,470".
std::string RaceClockText(int32_t ms) {
    const int64_t v = ms;
    const int64_t a = std::llabs(v);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%08lld,%03lld", v < 0 ? "-" : "", static_cast<long long>(a / 1000),
                  static_cast<long long>(a % 1000));
    return buf;
}

std::string Fixed2(double v) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.2f", std::isfinite(v) ? v : 0.0);
    return buf;
}

// Voltages move in steps of 0.1 V; they are kept on that grid so that repeated
// steps never drift past a limit.
double Tenths(double v) { return std::round(v * 10.0) / 10.0; }

}  // namespace

std::string DirectorLapLine(const RaceState& s, int lane) {
    const SpurSatz& r = s.spuren.SpurDaten[lane];
    return LaneAndLaps(lane, r.Runden) + " - " + r.SekText + r.MsText + "  Zeit " +
           RaceClockText(TimeDiff(r.Durchfahrt, s.Startzeit)) + " Sprit " + Fixed2(r.Tank);
}

void DirectorLapLines(RaceContext& sys) {
    const RaceState& s = sys.st;
    if (s.fenster.FensterOffen[kWinRennleitung] == 0) return;
    for (int lane = 1; lane <= kLanes; ++lane)
        if (s.spuren.SpurDaten[lane].NeueRunde != 0) sys.director().CountsLine(DirectorLapLine(s, lane));
}

int32_t LapCorrection(RaceContext& sys, int lane, int delta) {
    ZK_ASSERT_UI_THREAD(sys);
    RaceState& s = sys.st;
    if (lane < 1 || lane > kLanes) return 0;
    // A correction is an entry of its own in the lap list: the laps driven stay.
    LapList& laps = sys.record.laps;
    int32_t now = 0;
    if (delta > 0) {
        now = laps.AddCorrection(lane, s.AktZeit, +1, LapOrigin::DirectorPlus).laps;
        sys.director().CountsLine(LaneAndLaps(lane, now) + " Rundenzahl erh\xC3\xB6ht");
    } else {
        const int32_t was = laps.Laps(lane);
        if (was <= 0) {
            // Below 0 laps no lap count makes sense; nothing changes.
            sys.director().CountsLine(LaneAndLaps(lane, was) + " keine Runde abzuziehen");
            return was;
        }
        now = laps.AddCorrection(lane, s.AktZeit, -1, LapOrigin::DirectorMinus).laps;
        sys.director().CountsLine(LaneAndLaps(lane, now) + " Runde abgezogen");
    }
    if (s.zyklus.ExcelAufzeichnung != 0) sys.recorder().Append(lane, now, 0.0);
    return now;
}

void ResetBestLap(RaceContext& sys, int lane) {
    if (lane < 1 || lane > kLanes) return;
    sys.st.spuren.BesteRunde[lane] = kBesteRundeReset;
}

bool LaneVoltageStep(RaceContext& sys, int lane, bool up) {
    if (lane < 1 || lane > kLanes) return false;
    RaceState& s = sys.st;
    auto& p = sys.cfg.KVPowerSetup;
    const double v = Tenths(s.spannung.SpurVolt[lane]);
    double neu;
    if (up) {
        if (v > p.MaxVoltage - 0.1 + 1e-9) return false;
        neu = Tenths(v + 0.1);
    } else {
        if (v <= 0.1 + 1e-9) return false;
        neu = Tenths(v - 0.1);
    }
    s.spannung.SpurVolt[lane] = neu;
    p.SpurSpannung[lane] = neu;
    s.spannung.SpurWert[lane] = ConverterValue(neu, p.Korrektur, s.spannung.VoltFaktor);
    sys.supply().NetzteilSetzen(lane - 1, s.spannung.SpurWert[lane]);
    return true;
}

std::string DirectorModeText(const RaceContext& sys) {
    const RaceState& s = sys.st;
    if (!sys.record.Running()) return "Keine Zeitnahme";
    switch (s.rennen.Rennmodus) {
        case Rennart::Training: return "Training";
        case Rennart::Rundenrennen: return "Rundenrennen";
        // The lane-change series adds its run numbers once the club part keeps them.
        case Rennart::Zeitrennen: return "Zeitrennen";
        case Rennart::Clubrennen: return "Clubrennen";
        case Rennart::ClubRundenRennen: return "Club-Rundenrennen";
        case Rennart::ClubZeitRennen: return "Club-Zeitrennen";
    }
    return "Rennmodus " + std::to_string(static_cast<int>(s.rennen.Rennmodus));
}

double DirectorFuelVolts(const RaceState& s, int lane) {
    if (s.spannung.VoltFaktor == 0) return 0.0;
    return s.tank.TankStand[lane] / 100.0 * s.spannung.HubWert / s.spannung.VoltFaktor;
}

}  // namespace zk
