// What the club result window shows of a club race: the heat schedule as a
// tree, the heat just driven with the ranking, the drivers of the next heat,
// the pause before it and the state of the repeat button. Computed from the
// club race and the race state; the window only renders it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tick/TickState.h"

namespace zk {

class RaceContext;
class ClubRennen;

struct ClubBaumKnoten {
    std::string schluessel;  // "A 1", "A 2", ... for heats; "I 1", "I 2", ... for their lanes
    std::string text;        // "Rennen 3" / "Spur 2 Anna" / "nicht belegt"
    std::vector<ClubBaumKnoten> kinder;
};

struct ClubErgebnisAnsicht {
    std::string titel;                   // the race title of the lap windows
    std::vector<ClubBaumKnoten> baum;    // heats 1..H; empty while no club race is set up
    int naechstes = 0;                   // the heat driven next (1..H), 0 = none
    std::string naechstesText;           // "Nächstes Rennen 3"
    std::string rennenVon;               // "Rennen 2 von 5" for the heat the list shows; "" before the first
    std::vector<std::string> liste;      // result and ranking lines of the heat just driven
    std::array<std::string, kLanes + 1> spurName{};  // lanes 1..8: the driver of the next heat
    std::array<bool, kLanes + 1> spurSichtbar{};     // the lane drives in the next heat
    std::string countdownTitel;          // what the pause countdown means
    std::string countdown;               // "mm:ss"
    std::string repeatCaption;           // "Wiederholen", "bestätigen", "na dann"
    int repeatStufe = 0;                 // 0, 1 (asked), 2 (repeated)
    bool wiederholenMoeglich = false;    // the repeat button can act
    bool heatLaeuft = false;             // a heat is being started or driven
};

ClubErgebnisAnsicht ClubErgebnisBerechnen(const RaceContext& sys, const ClubRennen& club);

}  // namespace zk
