#include "system/LiveSnapshot.h"

#include <algorithm>
#include <array>
#include <vector>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "race/ClubAnzeige.h"
#include "race/ClubRennen.h"
#include "race/Race.h"
#include "race/RaceResult.h"

namespace zk {

namespace {

using nlohmann::json;

// "#rrggbb" of a colour the windows take as 0x00BBGGRR.
std::string Css(int32_t bgr) {
    char t[8];
    std::snprintf(t, sizeof t, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return t;
}

std::string Css(const Rgb& c) {
    const auto k = [](int v) { return std::clamp(v, 0, 255); };
    char t[8];
    std::snprintf(t, sizeof t, "#%02x%02x%02x", k(c.rot), k(c.gruen), k(c.blau));
    return t;
}

bool IstZeitrennen(Rennart m) { return m == Rennart::Zeitrennen || m == Rennart::ClubZeitRennen; }

json ClubTeil(const RaceContext& sys, const ClubRennen& club) {
    const ClubErgebnisAnsicht a = ClubErgebnisBerechnen(sys, club);
    if (a.baum.empty()) return nullptr;
    json plan = json::array();
    for (const auto& heat : a.baum) {
        json spuren = json::array();
        for (const auto& k : heat.kinder) spuren.push_back(k.text);
        plan.push_back({{"text", heat.text}, {"spuren", spuren}});
    }
    json naechste = json::array();
    for (int l = 1; l <= kLanes; ++l)
        if (a.spurSichtbar[l]) naechste.push_back({{"spur", l}, {"fahrer", a.spurName[l]}});
    return {{"titel", a.titel},      {"plan", plan},
            {"naechstes", a.naechstes}, {"naechstesText", a.naechstesText},
            {"rennenVon", a.rennenVon}, {"rangliste", a.liste},
            {"naechsteFahrer", naechste}, {"countdownTitel", a.countdownTitel},
            {"countdown", a.countdown}, {"heatLaeuft", a.heatLaeuft}};
}

}  // namespace

std::string LiveSnapshotJson(const RaceContext& sys, const ClubRennen* club) {
    const RaceState& s = sys.st;
    const LapList& laps = sys.record.laps;
    const Banner b = BannerBerechnen(sys);
    const RennErgebnis e = ErgebnisBerechnen(sys);
    // Fuel where the fuel function is on (as the lap windows show it).
    const auto& tank = sys.cfg.Tankoption;
    const bool mitTank = s.tank.TankAktiv != 0 && tank.Tankoption == 1 && tank.Tankinhalt > 0;

    json j;
    j["titel"] = RennUeberschrift(sys);
    j["banner"] = {{"text", b.text}, {"zeile", b.zeile}, {"hintergrund", Css(b.hintergrund)}, {"schrift", Css(b.schrift)}};
    j["laeuft"] = sys.record.Running();
    if (IstZeitrennen(s.rennen.Rennmodus))
        j["rest"] = LesbarerCountdown(s.rennen.RestStunden, s.rennen.RestMinuten, s.rennen.RestSekunden);
    if (s.rennen.RennRunden > 0 && s.rennen.Rennmodus != Rennart::Training && !IstZeitrennen(s.rennen.Rennmodus)) {
        int32_t fuehrung = 0;
        for (const auto& z : e.zeilen) fuehrung = std::max(fuehrung, z.runden);
        j["rennRunden"] = s.rennen.RennRunden;
        j["restRunden"] = std::max<int32_t>(s.rennen.RennRunden - fuehrung, 0);
    }
    j["sieger"] = e.SiegerSpur();
    j["tank"] = mitTank;

    json stand = json::array();
    const ErgebnisZeile* erster = e.zeilen.empty() ? nullptr : &e.zeilen.front();
    for (const auto& z : e.zeilen) {
        json r = {{"platz", z.platz},
                  {"spur", z.spur},
                  {"farbe", Css(sys.cfg.Farben.TS[z.spur])},  // the lane's own colour, as its number in the lap windows
                  {"schrift", Css(sys.cfg.Farben.FS[z.spur])},
                  {"fahrer", z.fahrer},
                  {"runden", z.runden},
                  {"letzte", laps.LastLapMs(z.spur)},
                  {"beste", z.besteRunde},
                  {"gesamt", z.gesamtzeit},
                  {"strafen", z.strafen},
                  {"fehlstarts", z.fehlstarts}};
        // Gap to the leader: whole laps behind, or on the same lap the
        // difference of the totals.
        if (erster && &z != erster) {
            const int32_t rd = erster->runden - z.runden;
            if (rd > 0) r["abstandRunden"] = rd;
            else r["abstandMs"] = std::max<int32_t>(z.gesamtzeit - erster->gesamtzeit, 0);
        }
        if (mitTank) {
            const double anteil = s.tank.TankStand[z.spur] / sys.cfg.Tankoption.Tankinhalt;
            r["tankProzent"] = static_cast<int>(std::clamp(anteil, 0.0, 1.0) * 100.0 + 0.5);
        }
        stand.push_back(std::move(r));
    }
    j["stand"] = std::move(stand);

    // The newest lap times of each lane that drove, for the chart; "ab" is the
    // lap number of the first one carried.
    // One walk from the newest entry back (a long race's list is long; no copy of it).
    std::array<std::vector<int32_t>, kLanes + 1> neueste;
    std::array<int32_t, kLanes + 1> gezaehlt{};
    const auto& alle = laps.All();
    for (auto it = alle.rbegin(); it != alle.rend(); ++it) {
        const int l = it->Lane();
        if (!it->IsLap() || l < 1 || l > kLanes) continue;
        ++gezaehlt[l];
        if (neueste[l].size() < kLiveChartLaps) neueste[l].push_back(it->lapMs);
    }
    json kurve = json::array();
    for (int l = 1; l <= kLanes; ++l) {
        if (neueste[l].empty()) continue;
        std::reverse(neueste[l].begin(), neueste[l].end());
        kurve.push_back({{"spur", l},
                         {"fahrer", RennFahrer(sys, l)},
                         {"farbe", Css(sys.cfg.Farben.TS[l])},
                         {"ab", gezaehlt[l] - static_cast<int32_t>(neueste[l].size()) + 1},
                         {"zeiten", neueste[l]}});
    }
    j["kurven"] = std::move(kurve);

    j["club"] = club && IstClubrennen(s.rennen.Rennmodus) ? ClubTeil(sys, *club) : json(nullptr);
    // Invalid UTF-8 in a driver's name becomes U+FFFD instead of an exception.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace zk
