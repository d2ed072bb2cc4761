#include "race/RaceModes.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "race/ClubRennen.h"
#include "race/Fuel.h"
#include "settings/Settings.h"
#include "race/Race.h"
#include "race/Spurwechsel.h"

namespace zk {

namespace {

// The unit after a count: "1 Minute", "2 Minuten".
const char* Minuten(int n) { return n == 1 ? " Minute" : " Minuten"; }
const char* Runden(int n) { return n == 1 ? " Runde" : " Runden"; }

void SetRennRunden(RaceContext& sys, int16_t v) {
    sys.st.rennen.RennRunden = v;
    sys.cfg.Letzte.Runden = v;
}

void SetRennZeit(RaceContext& sys, int16_t v) {
    sys.st.rennen.RennZeit = v;
    sys.cfg.Letzte.Zeit = v;
}

bool RennenAktiv(const RaceState& s) { return s.RennenLaeuft || s.StartPhase; }

// An idle time race shows the countdown it will start with.
void CountdownVorschau(RaceContext& sys) {
    RaceState& s = sys.st;
    if (s.rennen.Rennmodus != Rennart::Zeitrennen || sys.cfg.ZrMitWechsel.Wechsel != 0 || RennenAktiv(s)) return;
    s.rennen.RestSekunden = 0;
    s.rennen.RestStunden = static_cast<int16_t>(s.rennen.RennZeit / 60);
    s.rennen.RestMinuten = static_cast<int16_t>(s.rennen.RennZeit % 60);
}

void RundenCaption(RaceContext& sys) { sys.view.eingabeRundenCaption = "Runden : " + std::to_string(sys.st.rennen.RennRunden); }
void ZeitCaption(RaceContext& sys) {
    sys.view.zeitvorgabeCaption = "Zeitvorgabe : " + std::to_string(sys.st.rennen.RennZeit) + Minuten(sys.st.rennen.RennZeit);
}

const char* const kKeineAktiveSpur = "Für das Clubrennen ist keine Spur aktiv. Bitte mindestens eine Spur aktivieren.";

}  // namespace

std::string ZahlMitVorzeichenstelle(int v) { return (v >= 0 ? " " : "") + std::to_string(v); }


bool ChooseRaceMode(RaceContext& sys, int mode) {
    RaceState& s = sys.st;
    const bool warClub = IstClubrennen(s.rennen.Rennmodus);
    switch (static_cast<Rennart>(mode)) {
        case Rennart::Training:
            s.rennen.Rennmodus = Rennart::Training;
            s.rennen.RennmodusText = "Training";
            break;
        case Rennart::Rundenrennen:
            s.rennen.Rennmodus = Rennart::Rundenrennen;
            if (s.rennen.RennRunden == 0) SetRennRunden(sys, 10);
            s.rennen.RennmodusText = "Rundenrennen über " + ZahlMitVorzeichenstelle(s.rennen.RennRunden) + Runden(s.rennen.RennRunden);
            break;
        case Rennart::Zeitrennen:
            if (sys.cfg.ZrMitWechsel.Wechsel != 0) {
                bool eine = false;
                for (int l = 1; l <= kLanes; ++l) eine = eine || sys.cfg.AktiveSpuren.Spur[l] != 0;
                // The race time is divided among the active lanes.
                if (!eine) {
                    sys.ui().ShowMessage(kWechselOhneSpur, "Zeitrennen", MessageIcon::Warning);
                    return true;
                }
            }
            if (s.rennen.RennZeit == 0) SetRennZeit(sys, 2);
            s.rennen.Rennmodus = Rennart::Zeitrennen;
            if (sys.cfg.ZrMitWechsel.Wechsel != 0) {
                s.rennen.RennmodusText = "Zeitrennen mit Automatischem Spurwechsel";
                if (s.rennen.RennZeit < 8) SetRennZeit(sys, 8);
            } else {
                s.rennen.RennmodusText = "Zeitrennen über " + ZahlMitVorzeichenstelle(s.rennen.RennZeit) + Minuten(s.rennen.RennZeit);
            }
            break;
        case Rennart::Clubrennen:
        case Rennart::ClubRundenRennen:
        case Rennart::ClubZeitRennen: {
            // Without confirmed drivers the driver window opens instead.
            if (s.fahrer.FahrerBestaetigt == 0) return false;
            if (s.fahrer.AnzahlClubFahrer < 1) {
                sys.ui().ShowMessage(kClubKeineFahrer, "Clubrennen", MessageIcon::Warning);
                return false;
            }
            int spuren = 0;
            for (int l = 1; l <= kLanes; ++l) spuren += sys.cfg.AktiveSpuren.Spur[l] != 0 ? 1 : 0;
            if (spuren == 0) {
                sys.ui().ShowMessage(kKeineAktiveSpur, "Clubrennen", MessageIcon::Warning);
                return true;
            }
            const auto m = static_cast<Rennart>(mode);
            s.rennen.Rennmodus = m;
            if (m == Rennart::ClubZeitRennen) {
                if (s.rennen.RennZeit == 0) SetRennZeit(sys, 5);
                s.rennen.RennmodusText = "Club Zeitrennen über " + ZahlMitVorzeichenstelle(s.rennen.RennZeit) + Minuten(s.rennen.RennZeit);
            } else {
                s.rennen.ZielRunden = s.rennen.RennRunden < 1 ? int16_t{10} : s.rennen.RennRunden;
                s.rennen.RennmodusText = std::string(m == Rennart::Clubrennen ? "Clubrennen über " : "ClubRundenRennen über ") +
                                  std::to_string(s.rennen.ZielRunden) + Runden(s.rennen.ZielRunden);
            }
            break;
        }
        default:
            return false;
    }
    // The teams of a lane-change series leave the lanes with the mode (the
    // series sets them again when it is chosen).
    for (auto& t : s.fahrer.SpurTeam) t.clear();
    // A club heat left only its own lanes active; the other modes race on the
    // lanes of the settings.
    if (warClub && !IstClubrennen(s.rennen.Rennmodus) && !RennenAktiv(s))
        for (int l = 1; l <= kLanes; ++l) s.SpurAktiv[l] = sys.cfg.AktiveSpuren.Spur[l] != 0;
    SetupRaceMode(sys);
    ShowRaceWindows(sys);
    return true;
}

void SetupRaceMode(RaceContext& sys) {
    RaceState& s = sys.st;
    RaceUiState& v = sys.view;
    PrepareFuel(sys);
    // The windows show the chosen race, not the last one: a club race chosen
    // between races empties them before its plan is set up.
    const bool clubOhneZeit = s.rennen.Rennmodus == Rennart::Clubrennen || s.rennen.Rennmodus == Rennart::ClubRundenRennen;
    if (s.rennen.Rennmodus == Rennart::Training || s.rennen.Rennmodus == Rennart::Rundenrennen || (clubOhneZeit && !RennenAktiv(s)))
        sys.windows().ClearLapWindows();
    if (!RennenAktiv(s)) {
        // The previous race's positions and totals do not belong to the new mode.
        for (int l = 0; l <= kLanes; ++l) {
            s.spuren.SpurDaten[l].Platz = 0;
            s.spuren.SpurDaten[l].SpurAufPlatz = 0;
            s.spuren.SpurDaten[l].Gesamtzeit = 0;
        }
        sys.record.laps.Clear();
        sys.record.named = false;  // the lanes show the new race's names
        s.rennen.PauseText.clear();
    }
    v.GesZeitSichtbar = s.rennen.Rennmodus == Rennart::Zeitrennen ? kTrue : kFalse;
    v.ZmsInfoSichtbar = 0;
    if (s.rennen.Rennmodus == Rennart::Zeitrennen && sys.cfg.ZrMitWechsel.Wechsel == 1) {
        v.SpwAnzeigeSichtbar = kTrue;
        v.ZmsInfoSichtbar = kTrue;
    }
    if (IstClubrennen(s.rennen.Rennmodus)) {
        if (s.rennen.Rennmodus == Rennart::ClubZeitRennen) v.GesZeitSichtbar = kTrue;
        sys.club().Setup();
    }
    if (s.rennen.Rennmodus == Rennart::Zeitrennen || s.rennen.Rennmodus == Rennart::ClubZeitRennen) {
        s.rennen.RestSekunden = 0;
        s.rennen.RestStunden = static_cast<int16_t>(s.rennen.RennZeit / 60);
        s.rennen.RestMinuten = static_cast<int16_t>(s.rennen.RennZeit % 60);
        sys.windows().DisplayOutput();
        sys.windows().ClearLapWindows();
    }
    // The lane-change series runs its countdown one segment at a time.
    if (s.rennen.Rennmodus == Rennart::Zeitrennen && sys.cfg.ZrMitWechsel.Wechsel == 1) sys.club().LaneChangeSetup();
    sys.windows().RefreshStandardWindow();
}

std::optional<Fenster> LapWindow(int windowNo) {
    const std::optional<Fenster> f = FensterMitNr(windowNo);
    if (f && FensterInfo(*f).zeitfenster) return f;
    return std::nullopt;
}

void LapWindowLoaded(RaceContext& sys, int windowNo) {
    if (!LapWindow(windowNo) || sys.st.fenster.FensterOffen[windowNo] != 0) return;
    sys.st.fenster.FensterOffen[windowNo] = kTrue;
    ++sys.view.OffeneZeitfenster;
}

void LapWindowUnloaded(RaceContext& sys, int windowNo) {
    if (!LapWindow(windowNo) || sys.st.fenster.FensterOffen[windowNo] == 0) return;
    sys.st.fenster.FensterOffen[windowNo] = 0;
    --sys.view.OffeneZeitfenster;
}

void ShowRaceWindows(RaceContext& sys) {
    // In the order of the window menu.
    static const int menu[] = {kWinStd4, kWinKV2, kWinKV3, kWinKV4Neu, kWinKV5, kWinKV6, kWinKV8, kWinKV48Neu};
    bool eines = false;
    for (int w : menu) {
        if (sys.st.fenster.FensterOffen[w] == 0) continue;
        sys.ui().OpenWindow(*LapWindow(w));
        eines = true;
    }
    if (eines) return;
    static const int standard[] = {-1, kWinKV2, kWinKV3, kWinStd4, kWinKV5, kWinKV4Neu, kWinKV6, kWinKV8, kWinKV48Neu};
    const int ansicht = sys.cfg.AnsichtFenster.Ansicht;
    if (ansicht >= 1 && ansicht <= 8) sys.ui().OpenWindow(*LapWindow(standard[ansicht]));
}

void ChooseLapPreset(RaceContext& sys, int i) {
    if (i < 1 || i > 5) return;
    SetRennRunden(sys, sys.cfg.LapTime.L[i]);
    RundenCaption(sys);
}

void ChooseTimePreset(RaceContext& sys, int i) {
    if (i < 1 || i > 5) return;
    SetRennZeit(sys, sys.cfg.LapTime.T[i]);
    ZeitCaption(sys);
    CountdownVorschau(sys);
}

std::optional<int16_t> EingabeZahl(const std::string& text) {
    std::string t;
    for (char ch : text) t += ch == ',' ? '.' : ch;
    size_t a = 0, e = t.size();
    while (a < e && std::isspace(static_cast<unsigned char>(t[a]))) ++a;
    while (e > a && std::isspace(static_cast<unsigned char>(t[e - 1]))) --e;
    t = t.substr(a, e - a);
    if (t.empty()) return std::nullopt;
    for (char ch : t)
        if (!std::isdigit(static_cast<unsigned char>(ch)) && ch != '.' && ch != '-' && ch != '+') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || errno != 0) return std::nullopt;
    const double r = std::nearbyint(v);  // half to even
    if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
    return static_cast<int16_t>(r);
}

std::string LapInputText(const RaceContext& sys) { return std::to_string(sys.st.rennen.RennRunden); }

void LapInputChanged(RaceContext& sys, const std::string& text) {
    const auto v = EingabeZahl(text);
    // The last valid value stays; a race of no laps would end at its green light.
    if (!v || *v < 1) return;
    SetRennRunden(sys, *v);
    RundenCaption(sys);
}

std::string TimeInputText(const RaceContext& sys) { return std::to_string(sys.st.rennen.RennZeit); }

void TimeInputChanged(RaceContext& sys, const std::string& text) {
    const auto v = EingabeZahl(text);
    // Negative minutes never count down to the end; the last valid value stays.
    if (!v || *v < 0) return;
    // 0 stands for the 6 minutes that closing the window makes of it, at once,
    // so a race started with the window still open runs what the menu says.
    SetRennZeit(sys, *v == 0 ? int16_t{6} : *v);
    ZeitCaption(sys);
    CountdownVorschau(sys);
}

void TimeInputClose(RaceContext& sys) {
    if (sys.st.rennen.RennZeit == 0) SetRennZeit(sys, 6);
    ZeitCaption(sys);
    CountdownVorschau(sys);
}

std::string CountdownText(const RaceContext& sys) {
    const RaceState& s = sys.st;
    if (sys.view.GesZeitSichtbar == 0) return {};
    const auto zwei = [](int v) { return (v >= 0 && v < 10 ? "0" : "") + std::to_string(v); };
    return zwei(s.rennen.RestStunden) + ":" + zwei(s.rennen.RestMinuten) + ":" + zwei(s.rennen.RestSekunden);
}

void UpdateLapTimeSettings(RaceContext& sys) {
    for (int i = 1; i <= 5; ++i) {
        sys.view.rundenPresetCaption[i] = std::to_string(sys.cfg.LapTime.L[i]) + Runden(sys.cfg.LapTime.L[i]);
        sys.view.zeitPresetCaption[i] = std::to_string(sys.cfg.LapTime.T[i]) + Minuten(sys.cfg.LapTime.T[i]);
    }
    RundenCaption(sys);
    ZeitCaption(sys);
}

}  // namespace zk
