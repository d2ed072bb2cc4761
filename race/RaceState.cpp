#include "race/RaceState.h"

#include "race/Race.h"

namespace zk {

void ResetLaneState(RaceState& s, double tankinhalt, int32_t now) {
    for (int l = 0; l <= kLanes; ++l) {
        // "No lockout": one millisecond in the past, so the wrap-safe comparison
        // sees an open lane whatever the clock reads.
        s.SperreBis[l] = TimeAdd(now, -1);
        s.ImPuls[l] = 0;
        s.PulsLaenge[l] = 0;
        s.PulsGemeldet[l] = 0;
        s.AktivAbtastungen[l] = 0;
        s.InaktivAbtastungen[l] = 0;
        s.RundeOffen[l] = 0;
        s.Fehlstart[l] = 0;
        s.Runden[l] = 0;
        s.ErsteDurchfahrt[l] = kTrue;
        s.Rundenzeit[l] = 0;
        s.BesteRunde[l] = kBesteRundeReset;
        s.Gesamtzeit[l] = 0;
        s.RestRunden[l] = 0;
        s.TankStand[l] = tankinhalt;
        s.SpurStromEin[l] = kTrue;
        SpurSatz& r = s.SpurDaten[l];
        r = SpurSatz{};
        r.Tank = tankinhalt;
        r.Farbe = kFarbeGruen;
    }
    s.StartPhase = 0;
    s.RennenLaeuft = 0;
    s.AmpelSchritt = 0;
    s.NachlaufStatus = Nachlauf::Aus;
    s.NachlaufRest = s.Nachzeit.load();
}

void LptDatenAusgeben(RaceContext& sys) { LptDatenAusgeben(sys.st, sys.port()); }

void LptSteuerAusgeben(RaceContext& sys) { LptSteuerAusgeben(sys.st, sys.port()); }

}  // namespace zk
