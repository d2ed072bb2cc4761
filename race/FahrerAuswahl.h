// The driver names of the lanes in ordinary races (the driver-selection window)
// and what the main menu needs to know of the club drivers.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tick/TickState.h"

namespace zk {

class RaceContext;
struct RaceState;

using SpurNamenListe = std::array<std::string, kLanes + 1>;  // lanes 1..8; [0] unused

// What the lane boxes offer: the known drivers (the pool, up to its first empty
// slot), then "TEAM 1" ... "TEAM 8".
std::vector<std::string> SpurNamenAuswahl(const RaceContext& sys);
// The names the lanes carry now, as the lap windows show them.
SpurNamenListe SpurNamen(const RaceState& s);
// Lane n takes namen[n] (blanks around it go; an empty name gives the lane its
// default name back); the names count as chosen.
void SpurNamenSetzen(RaceContext& sys, const SpurNamenListe& namen);
// Lane n is "TEAM n".
void TeamNamenSetzen(RaceContext& sys);
std::string TeamName(int lane);

// The driver window's "fertig" takes the lists only while no race is being
// started or driven: the drivers of a heat under way keep their names and scores.
bool FahrerBestaetigenErlaubt(const RaceState& s);

}  // namespace zk
