#include "race/FahrerAuswahl.h"

#include "race/Race.h"
#include "race/RaceResult.h"

namespace zk {

namespace {

std::string OhneRand(const std::string& t) {
    const auto a = t.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return {};
    const auto b = t.find_last_not_of(" \t\r\n");
    return t.substr(a, b - a + 1);
}

}  // namespace

std::string TeamName(int lane) { return "TEAM " + std::to_string(lane); }

std::vector<std::string> SpurNamenAuswahl(const RaceContext& sys) {
    std::vector<std::string> o;
    for (const auto& n : sys.cfg.Fahrer) {
        if (n.empty()) break;
        o.push_back(n);
    }
    for (int l = 1; l <= kLanes; ++l) o.push_back(TeamName(l));
    return o;
}

SpurNamenListe SpurNamen(const RaceState& s) {
    SpurNamenListe o;
    for (int l = 1; l <= kLanes; ++l) o[l] = FahrerName(s, l);
    return o;
}

void SpurNamenSetzen(RaceContext& sys, const SpurNamenListe& namen) {
    RaceState& s = sys.st;
    for (int l = 1; l <= kLanes; ++l) {
        std::string n = OhneRand(namen[l]);
        // The default name stays a default: it follows the lane number.
        if (n == "Fahrer " + std::to_string(l)) n.clear();
        s.fahrer.SpurFahrer[l] = n;
    }
    s.fahrer.SpurNamenGesetzt = true;
    sys.windows().DisplayOutput();
}

void TeamNamenSetzen(RaceContext& sys) {
    SpurNamenListe t;
    for (int l = 1; l <= kLanes; ++l) t[l] = TeamName(l);
    SpurNamenSetzen(sys, t);
}

bool FahrerBestaetigenErlaubt(const RaceState& s) { return !s.RennenLaeuft && !s.StartPhase; }

}  // namespace zk
