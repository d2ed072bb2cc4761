// The driver window's lists: the pool of known drivers (kept in the settings
// file) and the active list of the next club race. The window only shows them
// and calls these functions.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace zk {

class RaceContext;

constexpr int kMaxClubFahrer = 101;

struct FahrerListen {
    std::vector<std::string> pool;    // lstDriverListe
    std::vector<std::string> aktiv;   // lstActiveDriver
    int poolAuswahl = -1;             // selected pool entry, -1 = none
    int aktivAuswahl = -1;            // selected active entry, -1 = none
};

// Form load: the pool up to its first empty slot ("TAVO" when it is empty), the
// active list from the club drivers.
FahrerListen FahrerListenLaden(const RaceContext& sys);

// btnAddDriver: appends the text to the pool and selects it (empty text: nothing).
void FahrerHinzufuegen(FahrerListen& l, const std::string& text);
// btnTakeChanges: the selected pool entry becomes the text.
void FahrerAendern(FahrerListen& l, const std::string& text);
// btnRemoveDriver: deletes the selected pool entry.
void FahrerLoeschen(FahrerListen& l);
// btnAddToDriverList / double-click: the selected pool entry moves to the end of
// the active list. Refused with a German message in `meldung` when the active
// list is full (kMaxClubFahrer).
bool FahrerAktivieren(FahrerListen& l, std::string* meldung);
// btnRemoveFromList / double-click: the selected active entry goes back to the pool.
void FahrerDeaktivieren(FahrerListen& l);
// cmdFahrerFertig: the pool becomes the settings' driver slots, the active list
// the club drivers; confirmed with at least two active drivers.
void FahrerBestaetigen(RaceContext& sys, const FahrerListen& l);

// The text the window shows when the active list is full.
extern const char* const kFahrerListeVoll;

// The club race menus are enabled once at least two active drivers have been
// confirmed; a race reset after the last heat of a club race locks them again.
bool ClubFahrerBestaetigt(const RaceContext& sys);

}  // namespace zk
