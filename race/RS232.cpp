#include "race/RS232.h"

#include <algorithm>
#include <cctype>

namespace zk {

namespace {

constexpr int kComGescannt = 16;  // the port list covers COM1..COM16

bool ComGueltig(int com) { return com >= 1 && com <= 20; }

void Cr(RaceContext& sys, const std::string& t) { SerialAusgeben(sys, t + '\r'); }

// The chain of the boards: each needs the one below it.
void AztKette(Settings& cfg) {
    for (int i = 2; i <= 4; ++i)
        if (cfg.AZT.Aktiv[i - 1] == 0) cfg.AZT.Aktiv[i] = 0;
}

// The user has decided about the options that need the port: the values from
// before a failed start-up opening no longer apply.
void OptionenEntschieden(RaceState& s) { s.seriell.ComOptionenMerken = false; }

void OptionenZurueck(RaceContext& sys) {
    RaceState& s = sys.st;
    if (s.seriell.ComOptionenMerken == 0) return;
    for (int i = 1; i <= 4; ++i) sys.cfg.AZT.Aktiv[i] = s.seriell.ComOptionenVorher[i - 1];
    sys.cfg.TAZ.LED = s.seriell.ComOptionenVorher[4];
    sys.cfg.TNT_MC.Aktiv = s.seriell.ComOptionenVorher[5];
    s.seriell.ComOptionenMerken = false;
}

// Whether an option other than board #1 still sends on the line.
bool AndereBrauchenPort(const Settings& cfg) {
    return cfg.AZT.AlteAZT == 1 || cfg.TAZ.LED == 1 || cfg.TNT_MC.Aktiv == 1;
}

bool TankAnzeigeBereit(const RaceContext& sys) { return sys.st.seriell.ComOffen != 0 && sys.cfg.TAZ.LED == 1; }

// A lane number right-aligned in two characters, '.' as filler; an empty
// position stays blank.
std::string PlatzText(int lane) {
    if (lane < 1 || lane > kLanes) return "..";
    return "." + std::to_string(lane);
}

}  // namespace

std::string ComFehlerText(int com, const std::string& grund, const std::string& wofuer) {
    std::string t = "Port COM" + std::to_string(com) + " konnte nicht geöffnet werden";
    if (!wofuer.empty()) t += " (gebraucht für: " + wofuer + ")";
    if (!grund.empty()) t += ": " + grund;
    return t;
}

std::string ComBrauchtFuer(const Settings& cfg) {
    std::string t;
    auto add = [&t](bool on, const char* what) {
        if (!on) return;
        if (!t.empty()) t += ", ";
        t += what;
    };
    add(cfg.AZT.Aktiv[1] == 1, "Anzeigetafeln");
    add(cfg.AZT.AlteAZT == 1, "alte Anzeigetafel");
    add(cfg.TAZ.LED == 1, "Tankanzeigen");
    add(cfg.TNT_MC.Aktiv == 1, "Leistungsmodul");
    add(cfg.I2COutput.Positionsanzeige == 1, "Positionsanzeige");
    add(cfg.I2COutput.Tankanzeige == 1, "I2C-Tankanzeige");
    return t;
}

std::string ComGetrenntText(int com) {
    return "Verbindung über COM" + std::to_string(com) +
           " unterbrochen: Anzeigetafeln, Tankanzeigen und Leistungsmodul erhalten nichts mehr. "
           "Nach dem Einstecken den Port neu wählen.";
}

void SerialAusgeben(RaceContext& sys, std::string text) {
    sys.st.seriell.SerialText = std::move(text);
    SerialSenden(sys);
}

void SerialSenden(RaceContext& sys) {
    RaceState& s = sys.st;
    if (s.seriell.ComOffen == 0) return;
    if (sys.cfg.AZT.AlteAZT == 1 && !s.seriell.SerialText.empty() && s.seriell.SerialText[0] == 'B') s.seriell.SerialText[0] = 'P';
    switch (sys.serial().Senden(s.seriell.SerialText)) {
        case SerialLine::Ergebnis::Gesendet:
            break;
        case SerialLine::Ergebnis::Verworfen:
            ++s.seriell.SerialVerworfen;
            break;
        case SerialLine::Ergebnis::Getrennt: {
            // The options stay as set: reopening the port brings everything back.
            const int com = sys.cfg.RS232.COM;
            sys.serial().Schliessen();
            s.seriell.ComOffen = false;
            s.seriell.SerialGetrennt = true;
            if (ComGueltig(com)) s.seriell.ComStatus[com] = kComUnbestimmt;
            sys.ui().ShowStatus(ComGetrenntText(com));
            break;
        }
    }
}

bool ComOeffnen(RaceContext& sys) {
    RaceState& s = sys.st;
    Settings& cfg = sys.cfg;
    if (s.seriell.ComOffen == 0) {
        const int com = cfg.RS232.COM;
        if (ComGueltig(com) && sys.serial().Oeffnen(com)) {
            s.seriell.ComOffen = true;
            s.seriell.SerialGetrennt = false;
            s.seriell.ComStatus[com] = kComEigen;
        } else {
            sys.ui().ShowMessage(ComFehlerText(com, ComGueltig(com) ? sys.serial().Grund() : "keine solche Schnittstelle",
                                               ComBrauchtFuer(cfg)),
                                 kSerialCaption, MessageIcon::Warning);
        }
    }
    if (s.seriell.ComOffen == 0) {
        cfg.TAZ.LED = 0;
        cfg.TNT_MC.Aktiv = 0;
        cfg.AZT.Aktiv[1] = 0;
        AztKette(cfg);
    }
    return s.seriell.ComOffen != 0;
}

void ComSchliessen(RaceContext& sys) {
    RaceState& s = sys.st;
    sys.serial().Schliessen();
    const int com = sys.cfg.RS232.COM;
    if (s.seriell.ComOffen != 0 && ComGueltig(com) && s.seriell.ComStatus[com] == kComEigen) s.seriell.ComStatus[com] = kComFrei;
    s.seriell.ComOffen = false;
}

void ComSuchen(RaceContext& sys) {
    RaceState& s = sys.st;
    for (int n = 1; n <= kComGescannt; ++n) {
        const int befund = sys.serial().Pruefen(n);
        // The port this program holds probes as taken and stays its own; every
        // other port shows what it is now, also one that another program took
        // since the last scan, or an adapter that was unplugged (not listed).
        if (s.seriell.ComStatus[n] != kComEigen) s.seriell.ComStatus[n] = static_cast<int16_t>(befund);
    }
}

ComListe ActComs(RaceContext& sys) {
    ComSuchen(sys);
    ComListe l;
    for (int n = 1; n <= kComGescannt; ++n) {
        const char* was = nullptr;
        switch (sys.st.seriell.ComStatus[n]) {
            case kComBelegt: was = " (Bereits Belegt)"; break;
            case kComFrei: was = " (Frei)"; break;
            case kComEigen: was = " (AZT - TNT - TAZ)"; break;
            default: continue;
        }
        if (sys.st.seriell.ComStatus[n] == kComEigen) l.auswahl = static_cast<int>(l.eintraege.size());
        l.eintraege.push_back("COM" + std::to_string(n) + was);
        l.ports.push_back(n);
    }
    return l;
}

void AztStartsequenz(RaceContext& sys) {
    Cr(sys, "B2");
    Cr(sys, "B1" + sys.wall().TimeOfDay());
    Cr(sys, "B5");
}

void ComProgrammStart(RaceContext& sys) {
    RaceState& s = sys.st;
    const auto& cfg = sys.cfg;
    s.seriell.ComOffen = false;
    s.seriell.ComOptionenVorher = {cfg.AZT.Aktiv[1], cfg.AZT.Aktiv[2], cfg.AZT.Aktiv[3], cfg.AZT.Aktiv[4], cfg.TAZ.LED,
                           cfg.TNT_MC.Aktiv};
    // No option uses the line: nothing to open, and nothing to complain about.
    if (ComBrauchtFuer(cfg).empty()) return;
    if (!ComOeffnen(sys)) {
        s.seriell.ComOptionenMerken = true;
        return;
    }
    if (cfg.AZT.Aktiv[1] == 1) AztStartsequenz(sys);
}

void ComProgrammEnde(RaceContext& sys) {
    if (sys.st.seriell.ComOffen != 0) {
        AztStartsequenz(sys);
        ComSchliessen(sys);
    }
    OptionenZurueck(sys);
}

int16_t ComPortAusText(const std::string& text) {
    std::string t = text;
    t.erase(std::remove_if(t.begin(), t.end(), [](unsigned char c) { return std::isspace(c); }), t.end());
    if (t.empty() || t.size() > 2 || !std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); }))
        return 1;
    const int n = std::stoi(t);
    return static_cast<int16_t>(ComGueltig(n) ? n : 1);
}

void ComPortWaehlen(RaceContext& sys, int com) {
    ComSchliessen(sys);
    sys.cfg.RS232.COM = static_cast<int16_t>(ComGueltig(com) ? com : 1);
    const bool merken = sys.st.seriell.ComOptionenMerken != 0;
    if (merken) OptionenZurueck(sys);
    if (!ComOeffnen(sys)) {
        sys.st.seriell.ComOptionenMerken = merken;
        return;
    }
    if (sys.cfg.AZT.Aktiv[1] == 1) AztStartsequenz(sys);
}

void AztAktivSetzen(RaceContext& sys, int index, int16_t value) {
    if (index < 0 || index > 3) return;
    Settings& cfg = sys.cfg;
    OptionenEntschieden(sys.st);
    const int board = index + 1;
    if (value == 1) {
        if (!AztTafelnWaehlbar(cfg) || (board > 1 && cfg.AZT.Aktiv[board - 1] == 0)) return;
        cfg.AZT.Aktiv[board] = 1;
        if (board == 1 && ComOeffnen(sys)) AztStartsequenz(sys);
        return;
    }
    cfg.AZT.Aktiv[board] = 0;
    AztKette(cfg);
    if (board == 1 && cfg.AZT.AlteAZT != 1) {
        // No board left: the display options go too, and the line closes unless
        // the fuel gauges or the power module still use it.
        cfg.AZT.Uhr = cfg.AZT.Laps = cfg.AZT.Time = cfg.AZT.Position = 0;
        if (!AndereBrauchenPort(cfg)) ComSchliessen(sys);
    }
}

bool AztTafelnWaehlbar(const Settings& cfg) { return cfg.AZT.AlteAZT != 1; }

void AztAnzeigeSetzen(RaceContext& sys, AztAnzeige which, int16_t value) {
    auto& a = sys.cfg.AZT;
    const int16_t v = value == 1 ? 1 : 0;
    if (which == AztAnzeige::Uhr) {
        a.Uhr = v;
        return;
    }
    if (v == 1) a.Laps = a.Time = a.Position = 0;
    switch (which) {
        case AztAnzeige::Laps: a.Laps = v; break;
        case AztAnzeige::Time: a.Time = v; break;
        case AztAnzeige::Position: a.Position = v; break;
        case AztAnzeige::Uhr: break;
    }
}

void AlteAztSetzen(RaceContext& sys, int16_t value) {
    Settings& cfg = sys.cfg;
    OptionenEntschieden(sys.st);
    cfg.AZT.AlteAZT = value == 1 ? 1 : 0;
    if (cfg.AZT.AlteAZT != 1) return;
    for (int i = 1; i <= 4; ++i) cfg.AZT.Aktiv[i] = 0;
    if (!ComOeffnen(sys)) cfg.AZT.AlteAZT = 0;
}

void TankAnzeigeSetzen(RaceContext& sys, int16_t value) {
    OptionenEntschieden(sys.st);
    sys.cfg.TAZ.LED = value == 1 ? 1 : 0;
    if (sys.cfg.TAZ.LED == 1 && !ComOeffnen(sys)) sys.cfg.TAZ.LED = 0;
}

void LeistungsmodulSetzen(RaceContext& sys, int16_t value) {
    OptionenEntschieden(sys.st);
    sys.cfg.TNT_MC.Aktiv = value == 1 ? 1 : 0;
    if (sys.cfg.TNT_MC.Aktiv == 1 && !ComOeffnen(sys)) sys.cfg.TNT_MC.Aktiv = 0;
}

void FwVersionZeigen(RaceContext& sys) { Cr(sys, "B4"); }

void MaximalerStrom(RaceContext& sys) {
    for (char d = 'D'; d <= 'K'; ++d) Cr(sys, std::string("B") + d + "88888");
}

void SpurzuordnungZeigen(RaceContext& sys) {
    for (int l = 1; l <= 8; ++l) Cr(sys, std::string("B") + static_cast<char>('C' + l) + "SPUR" + std::to_string(l));
}

void BannerZeigen(RaceContext& sys) {
    for (const char* t : {"BDZIRK:", "BEATO::", "BFFOR::", "BGEUER:"}) Cr(sys, t);
}

void TankAnzeigenAlleEin(RaceContext& sys) {
    if (!TankAnzeigeBereit(sys)) return;
    for (const char* t : {"CD100", "CH100", "CL100", "CP100"}) Cr(sys, t);
}

void TankAnzeigenAlleAus(RaceContext& sys) {
    if (!TankAnzeigeBereit(sys)) return;
    for (const char* t : {"CD0", "CH0", "CL0", "CP0"}) Cr(sys, t);
}

void TankAnzeigenBlinken(RaceContext& sys) {
    if (TankAnzeigeBereit(sys)) Cr(sys, "C31");
}

void PositionsanzeigeSenden(RaceContext& sys) {
    const RaceState& s = sys.st;
    if (s.seriell.ComOffen == 0) return;
    bool neu = false;
    for (int l = 1; l <= kLanes; ++l) neu = neu || s.spuren.SpurDaten[l].NeueRunde != 0;
    if (!neu) return;
    const int fuehrender = s.spuren.SpurDaten[1].SpurAufPlatz;
    if (fuehrender >= 1 && fuehrender <= kLanes && s.spuren.SpurDaten[fuehrender].NeueRunde != 0) {
        const std::string runden = std::to_string(s.spuren.SpurDaten[fuehrender].Runden);
        // "bA" and the count right-aligned in four characters; a longer count
        // keeps its address rather than losing it.
        const size_t vorne = runden.size() >= 4 ? 2 : 6 - runden.size();
        SerialAusgeben(sys, std::string("bA::::").substr(0, vorne) + runden);
    }
    SerialAusgeben(sys, "bB" + PlatzText(s.spuren.SpurDaten[1].SpurAufPlatz) + PlatzText(s.spuren.SpurDaten[2].SpurAufPlatz) + "bC" +
                            PlatzText(s.spuren.SpurDaten[3].SpurAufPlatz) + PlatzText(s.spuren.SpurDaten[4].SpurAufPlatz));
}

}  // namespace zk
