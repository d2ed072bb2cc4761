#include "race/RaceState.h"

#include "race/Race.h"
#include "race/RaceSequence.h"

namespace zk {

void ResetLaneState(RaceContext& sys, double tankinhalt) {
    RaceState& s = sys.st;
    AskLaneReset(sys);
    sys.record.laps.Clear();
    for (int l = 0; l <= kLanes; ++l) {
        s.ErsteDurchfahrt[l] = true;
        s.spuren.BesteRunde[l] = kBesteRundeReset;
        s.spuren.RestRunden[l] = 0;
        s.tank.TankStand[l] = tankinhalt;
        s.spuren.SpurStromEin[l] = true;
        s.rennen.FehlstartNachGruen[l] = false;
        SpurSatz& r = s.spuren.SpurDaten[l];
        r = SpurSatz{};
        r.Tank = tankinhalt;
        r.Farbe = kRgbGruen;
    }
    SetPhase(sys, RacePhase::Idle, Ampel::Off);
    s.rennen.AmpelSchritt = 0;
    AskAfterRun(sys, NachlaufWunsch::Stop);
}

void LptDatenAusgeben(RaceContext& sys) { LptDatenAusgeben(sys.st, sys.port()); }

void LptSteuerAusgeben(RaceContext& sys) { LptSteuerAusgeben(sys.st, sys.port()); }

}  // namespace zk
