#include "race/Fuel.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "race/RaceSequence.h"
#include "race/Race.h"

namespace zk {

namespace {

uint8_t Begrenzt(const RaceContext& sys, int lane, double value) {
    const double hi = sys.st.spannung.SpurWert[lane];
    if (!(value > 0.0)) return 0;  // also NaN
    return static_cast<uint8_t>(std::min(value, hi));
}

bool SpannungFolgtTank(const RaceContext& sys, int lane) {
    return sys.st.spannung.TankAus[lane] == 0 && sys.cfg.Tankoption.MitTnt == 1 && sys.st.rennen.SafetyCar == 0;
}

}  // namespace

void PrepareFuel(RaceContext& sys) {
    RaceState& s = sys.st;
    const auto& t = sys.cfg.Tankoption;
    // Litres per 100 ms; rounded half to even (6 -> 1, 15 -> 2, 25 -> 2).
    s.tank.TankSchritt = static_cast<int32_t>(std::nearbyint(t.Tankgeschwindigkeit * 100 / 1000.0));
    s.tank.TankAktiv = s.rennen.Rennmodus != Rennart::Training ? 1 : 0;
    s.tank.NormrundeSek = static_cast<int32_t>(std::nearbyint(t.Normrunde / 1000.0));
}

uint8_t FuelStartWert(const RaceContext& sys, int lane) {
    const RaceState& s = sys.st;
    const auto& t = sys.cfg.Tankoption;
    const double anteil = t.Tankinhalt > 0 ? s.tank.TankStand[lane] / t.Tankinhalt : 0.0;
    const double abzug = anteil * t.MitTnt * s.spannung.HubWert * t.Tankoption * s.tank.TankAktiv;
    return Begrenzt(sys, lane, std::nearbyint(s.spannung.SpurWert[lane] - abzug));
}

uint8_t FuelTabellenWert(const RaceContext& sys, int lane, double fuellstand) {
    const RaceState& s = sys.st;
    const double r = std::nearbyint(fuellstand);
    const int idx = static_cast<int>(std::clamp(std::isfinite(r) ? r : 0.0, 0.0, 100.0));
    const int abzug = s.spannung.TankAbzug[idx] * s.tank.TankAktiv * sys.cfg.Tankoption.Tankoption;
    return Begrenzt(sys, lane, static_cast<double>(s.spannung.SpurWert[lane]) - abzug);
}

uint8_t FuelTrockenWert(const RaceContext& sys, int lane) {
    const RaceState& s = sys.st;
    return Begrenzt(sys, lane, static_cast<double>(s.tank.TankAktiv) * sys.cfg.Tankoption.Tankoption * s.spannung.TrockenWert);
}

int32_t FuelFarbe(double tankStand) {
    if (tankStand >= 35.0) return kRgbGruen;
    if (tankStand >= 20.0) return kRgbGelb;
    return kRgbRot;
}

void TankanzeigeSenden(RaceContext& sys, int lane) {
    RaceState& s = sys.st;
    if (s.rennen.Rennmodus == Rennart::Training) return;
    const double zehner = std::floor(std::max(0.0, s.tank.TankStand[lane]) / 10.0);
    std::string t = "C";
    t += static_cast<char>(48 + lane);
    t += static_cast<char>(48 + static_cast<int>(std::min(zehner, 79.0)));
    SerialAusgeben(sys, t);
}

void FuelStep(RaceContext& sys) {
    RaceState& s = sys.st;
    const auto& t = sys.cfg.Tankoption;

    // Refuelling: on the lap sensor, or with pit boxes on inputs 5..8 for lanes 1..4.
    const bool box = t.BoxTank == 1;
    for (int lane = 1; lane <= (box ? 4 : kLanes); ++lane) {
        const int eingang = box ? lane + 4 : lane;
        const bool steht = s.AktivAbtastungen[eingang] > t.Stillstand;
        SpurSatz& r = s.spuren.SpurDaten[lane];
        if (steht && (s.SpurAktiv[lane] || box)) {
            if (r.Tankt == 0 && SpannungFolgtTank(sys, lane))
                sys.supply().NetzteilSetzen(lane - 1, FuelTabellenWert(sys, lane, 100.0));
            r.Tankt = kTrue;
            s.tank.TankStand[lane] = std::min<double>(s.tank.TankStand[lane] + s.tank.TankSchritt, t.Tankinhalt);
        } else if (steht) {
            // Standing on an inactive lane's sensor drains the tank, but only
            // where fuel is used at all (fuel option on, not in training).
            const int verbrauch = t.Tankoption * s.tank.TankAktiv;
            s.tank.TankStand[lane] = std::max(0.0, s.tank.TankStand[lane] - s.tank.TankSchritt * verbrauch);
        } else if (r.Tankt != 0 && SpannungFolgtTank(sys, lane)) {
            sys.supply().NetzteilSetzen(lane - 1, FuelTabellenWert(sys, lane, s.tank.TankStand[lane]));
            r.Tankt = 0;
        }
    }

    // Penalties (false start, empty tank): n tenths give the power back in the
    // (n+1)-th run.
    for (int lane = 1; lane <= kLanes; ++lane) {
        SpurSatz& r = s.spuren.SpurDaten[lane];
        if (s.spuren.SpurStromEin[lane] == 0) {
            if (r.Strafe > 0) {
                --r.Strafe;
            } else {
                s.spuren.SpurStromEin[lane] = true;
                s.tank.TankFlag[lane] = true;
            }
        }
        if (s.tank.TankFlag[lane] != 0 && s.spuren.SpurStromEin[lane] != 0) {
            PowerOn(sys, lane);
            if (s.spannung.TankAus[lane] == 0 && sys.cfg.KVPowerSetup.I2C_Netzteil == 1 && t.MitTrocken == 0)
                sys.supply().NetzteilSetzen(lane - 1, s.spannung.SpurWert[lane]);
            s.tank.TankFlag[lane] = false;
            --r.Strafe;
        }
    }

    // Display values and colours.
    for (int lane = 1; lane <= kLanes; ++lane) {
        SpurSatz& r = s.spuren.SpurDaten[lane];
        if (s.tank.TankStand[lane] != s.tank.TankZeit[lane]) {
            r.Farbe = FuelFarbe(s.tank.TankStand[lane]);
            if (r.Tankt != 0 && sys.cfg.I2COutput.Tankanzeige == 1) TankanzeigeSenden(sys, lane);
            s.tank.TankZeit[lane] = s.tank.TankStand[lane];
        }
        r.Tank = s.tank.TankStand[lane];
    }

    if (s.zyklus.InterneZeitmessung != 0) {
        for (int lane = 1; lane <= kLanes; ++lane) {
            const SpurSatz& r = s.spuren.SpurDaten[lane];
            if (r.Tankt != 0 || r.NeueRunde != 0) sys.windows().FuelUpdate(lane - 1);
        }
    }
}

}  // namespace zk
