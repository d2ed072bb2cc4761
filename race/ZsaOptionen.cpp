#include "race/ZsaOptionen.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <tuple>

#include "race/Lpt.h"
#include "race/NetzTeil.h"
#include "race/RS232.h"
#include "race/Race.h"
#include "race/RaceSequence.h"
#include "settings/ProfileParse.h"

namespace zk {

namespace {

std::string Nr(int i) { return std::to_string(i); }

// A whole number or a decimal number with "." or "," and nothing else (blanks
// around it allowed). Anything else is refused by the text boxes.
bool IstZahl(std::string_view t, bool dezimal) {
    t = TrimBlanks(t);
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool ziffer = false, punkt = false;
    for (; i < t.size(); ++i) {
        const auto c = static_cast<unsigned char>(t[i]);
        if (std::isdigit(c)) {
            ziffer = true;
        } else if (dezimal && !punkt && (c == '.' || c == ',')) {
            punkt = true;
        } else {
            return false;
        }
    }
    return ziffer;
}

// Reals as the dialog shows them: German decimal comma.
std::string Komma(double v) {
    std::string t = FormatReal(v);
    std::replace(t.begin(), t.end(), '.', ',');
    return t;
}

// ---------------------------------------------------------------- text boxes

struct TextFeld {
    std::string name;
    std::function<std::string(const RaceContext&)> wert;
    // Called only with a number; returns what the box shows.
    std::function<std::string(RaceContext&, const std::string&)> eingabe;
    bool dezimal = false;
};

// An integer field: below `min` becomes `min` (or `ersatz` when given), above
// `max` becomes `max`; `danach` lets the race state follow.
TextFeld IntFeld(std::string name, std::function<int16_t&(Settings&)> at, int32_t min, int32_t max,
                 std::function<void(RaceContext&, int16_t)> danach = {}, std::optional<int32_t> ersatz = {}) {
    TextFeld f;
    f.name = std::move(name);
    f.wert = [at](const RaceContext& sys) { return Nr(at(const_cast<Settings&>(sys.cfg))); };
    f.eingabe = [at, min, max, danach, ersatz](RaceContext& sys, const std::string& text) {
        int32_t v = ParseProfileInt(TrimBlanks(text), 0);
        if (v < min) v = ersatz.value_or(min);
        if (v > max) v = max;
        const auto w = static_cast<int16_t>(v);
        at(sys.cfg) = w;
        if (danach) danach(sys, w);
        return Nr(w);
    };
    return f;
}

// A real field whose handler lives with the power supply.
TextFeld NetzteilFeld(std::string name, std::function<double(const Settings&)> wert,
                      std::string (*handler)(RaceContext&, const std::string&)) {
    TextFeld f;
    f.name = std::move(name);
    f.dezimal = true;
    f.wert = [wert](const RaceContext& sys) { return Komma(wert(sys.cfg)); };
    f.eingabe = [handler](RaceContext& sys, const std::string& text) { return handler(sys, text); };
    return f;
}

std::vector<TextFeld> BuildTextfelder() {
    std::vector<TextFeld> t;
    // Times of the sensors and the race.
    t.push_back(IntFeld("txtMinZeit", [](Settings& s) -> int16_t& { return s.LiZeit.Minimum; }, 500, 32767,
                        [](RaceContext& sys, int16_t v) { sys.st.MinZeit = v; }));
    t.push_back(IntFeld("txtMinSignalLength", [](Settings& s) -> int16_t& { return s.LiZeit.MinLength; }, 1, 32767,
                        [](RaceContext& sys, int16_t v) { sys.st.MinLength = v; }));
    t.push_back(IntFeld("txtNachlaufZeitmessung", [](Settings& s) -> int16_t& { return s.NachZeit.Nachzeit; }, 0, 32000,
                        [](RaceContext& sys, int16_t v) {
                            sys.st.Nachzeit = v;
                            // A running after-run keeps its countdown.
                            AskAfterRun(sys, NachlaufWunsch::Reload);
                        }));
    t.push_back(IntFeld("txtTmrInt", [](Settings& s) -> int16_t& { return s.Startampel.Interval; }, 100, 32767));
    t.push_back(IntFeld("txtFehlstart", [](Settings& s) -> int16_t& { return s.Fehlstart.Strafzeit; }, 0, 32767));
    t.push_back(IntFeld("txtPauseZwischen", [](Settings& s) -> int16_t& { return s.AutoStart.Time; }, 0, 30));
    {
        // Track length in metres; the file holds hundredths in 16 bits.
        TextFeld f;
        f.name = "txtBahnlaenge";
        f.dezimal = true;
        f.wert = [](const RaceContext& sys) { return Komma(sys.cfg.Bahn.Laenge); };
        f.eingabe = [](RaceContext& sys, const std::string& text) {
            const double m = std::clamp(ParseLeadingReal(text), 0.0, 327.67);
            sys.cfg.Bahn.Laenge = RoundToInt16(m * 100.0) / 100.0;
            return Komma(sys.cfg.Bahn.Laenge);
        };
        t.push_back(std::move(f));
    }
    for (int i = 0; i < 5; ++i) {
        t.push_back(IntFeld("txtLaps_" + Nr(i), [i](Settings& s) -> int16_t& { return s.LapTime.L[i + 1]; }, 1, 9999));
        t.push_back(IntFeld("txtTime_" + Nr(i), [i](Settings& s) -> int16_t& { return s.LapTime.T[i + 1]; }, 1, 9999));
    }
    // Fuel. What the dialog cannot work with gets the value opening the dialog
    // gives it (no fuel per lap 7, no tank 100, no refuelling speed 7, a
    // reference lap below 11 ms 6000).
    t.push_back(IntFeld("Verbrauch", [](Settings& s) -> int16_t& { return s.Tankoption.Rundenverbrauch; }, 1, 32767,
                        {}, 7));
    t.push_back(IntFeld("TankVolumen", [](Settings& s) -> int16_t& { return s.Tankoption.Tankinhalt; }, 1, 32767, {},
                        100));
    t.push_back(IntFeld("TankSpd", [](Settings& s) -> int16_t& { return s.Tankoption.Tankgeschwindigkeit; }, 1, 32767,
                        {}, 7));
    t.push_back(IntFeld("txtNormrunde", [](Settings& s) -> int16_t& { return s.Tankoption.Normrunde; }, 11, 32767, {},
                        6000));
    t.push_back(IntFeld("txtStillstand", [](Settings& s) -> int16_t& { return s.Tankoption.Stillstand; }, 500, 32767));
    t.push_back(IntFeld("txtStrafzeit", [](Settings& s) -> int16_t& { return s.Tankoption.StrafeBeiLeeremTank; }, 0, 32767));
    // Power supply.
    t.push_back(NetzteilFeld("txtMaxVolts", [](const Settings& s) { return s.KVPowerSetup.MaxVoltage; }, MaxVoltsEingabe));
    t.push_back(NetzteilFeld("txtTntKorrektur", [](const Settings& s) { return double(s.KVPowerSetup.Korrektur); },
                             KorrekturEingabe));
    t.push_back(NetzteilFeld("txtTntHub", [](const Settings& s) { return s.KVPowerSetup.VoltHub; }, HubEingabe));
    t.push_back(NetzteilFeld("txtFullVolt", [](const Settings& s) { return s.KVPowerSetup.VolleVolt; }, VolleVoltEingabe));
    t.push_back(NetzteilFeld("txtTNTGelb", [](const Settings& s) { return s.KVPowerSetup.SCVolt; }, SCVoltEingabe));
    t.push_back(NetzteilFeld("txtTNTTrocken", [](const Settings& s) { return double(s.Tankoption.TrockenSpannung); },
                             TrockenEingabe));
    {
        // Serial port number 1..20, anything else 1. An open line moves to the new port.
        TextFeld f;
        f.name = "txtComport";
        f.wert = [](const RaceContext& sys) { return Nr(sys.cfg.RS232.COM); };
        f.eingabe = [](RaceContext& sys, const std::string& text) {
            const int16_t com = ComPortAusText(text);
            if (com != sys.cfg.RS232.COM && sys.st.seriell.ComOffen != 0) {
                ComPortWaehlen(sys, com);
            } else {
                sys.cfg.RS232.COM = com;
            }
            return Nr(sys.cfg.RS232.COM);
        };
        t.push_back(std::move(f));
    }
    return t;
}

const std::vector<TextFeld>& Textfelder() {
    static const std::vector<TextFeld> t = BuildTextfelder();  // immutable table, built once
    return t;
}

const TextFeld* FindText(std::string_view name) {
    for (const auto& f : Textfelder())
        if (f.name == name) return &f;
    return nullptr;
}

// ---------------------------------------------------------------- check boxes

struct CheckBox {
    std::string name;
    std::function<int16_t(const Settings&)> wert;
    std::function<ZsaFolge(RaceContext&, int16_t)> setzen;
    std::function<bool(const RaceContext&)> frei = [](const RaceContext&) { return true; };
};

// A box that stores its value and does nothing else.
CheckBox Einfach(std::string name, std::function<int16_t&(Settings&)> at) {
    CheckBox b;
    b.name = std::move(name);
    b.wert = [at](const Settings& s) { return at(const_cast<Settings&>(s)); };
    b.setzen = [at](RaceContext& sys, int16_t v) {
        at(sys.cfg) = v;
        return ZsaFolge{};
    };
    return b;
}

CheckBox Mit(std::string name, std::function<int16_t(const Settings&)> wert,
             std::function<void(RaceContext&, int16_t)> setzen) {
    CheckBox b;
    b.name = std::move(name);
    b.wert = std::move(wert);
    b.setzen = [setzen](RaceContext& sys, int16_t v) {
        setzen(sys, v);
        return ZsaFolge{};
    };
    return b;
}

bool MitPort(const RaceContext& sys) { return sys.st.LptPort >= 1; }
bool MitBus(const RaceContext& sys) { return sys.cfg.I2COutput.Aktiv == 1; }

std::vector<CheckBox> BuildCheckboxen() {
    std::vector<CheckBox> c;
    // Lanes taking part: at once for the timing too.
    for (int n = 1; n <= kLanes; ++n)
        c.push_back(Mit("chkBoxSpur" + Nr(n) + "Active", [n](const Settings& s) { return s.AktiveSpuren.Spur[n]; },
                        [n](RaceContext& sys, int16_t v) {
                            sys.cfg.AktiveSpuren.Spur[n] = v;
                            sys.st.SpurAktiv[n] = v != 0;
                            int16_t anzahl = 0;
                            for (int l = 1; l <= kLanes; ++l) anzahl = static_cast<int16_t>(anzahl + (sys.st.SpurAktiv[l] ? 1 : 0));
                            sys.st.zyklus.AnzahlAktiveSpuren = anzahl;
                        }));
    c.push_back(Mit("chkRennleitung", [](const Settings& s) { return s.FrmRennleitung.RL; },
                    [](RaceContext& sys, int16_t v) {
                        sys.cfg.FrmRennleitung.RL = v;
                        sys.st.zyklus.RLMeldung = v;
                    }));
    c.push_back(Einfach("chkZrMitSpurwechsel", [](Settings& s) -> int16_t& { return s.ZrMitWechsel.Wechsel; }));
    c.push_back(Einfach("GlobalTast", [](Settings& s) -> int16_t& { return s.Tastatur.GlobalOn; }));
    c.push_back(Einfach("chkSaveRennabschnitte", [](Settings& s) -> int16_t& { return s.Save.Race; }));
    {
        CheckBox b;
        b.name = "chkSaveAll";
        b.wert = [](const Settings& s) { return s.Save.All; };
        b.setzen = [](RaceContext& sys, int16_t v) {
            sys.cfg.Save.All = v;
            ZsaFolge f;
            if (v == 1) {
                ApplySaveWindowSettingsRule(sys);
                f.allesSpeichern = true;
            } else {
                OnSaveAllCleared(sys);
            }
            return f;
        };
        c.push_back(std::move(b));
    }
    c.push_back(Mit("chkAutostart", [](const Settings& s) { return s.AutoStart.Enabled; },
                    [](RaceContext& sys, int16_t v) {
                        sys.cfg.AutoStart.Enabled = v;
                        if (v == 1 && sys.cfg.AutoStart.Time == 0) sys.cfg.AutoStart.Time = 2;
                    }));
    c.push_back(Einfach("OpenWins", [](Settings& s) -> int16_t& { return s.AnsichtFenster.OpenTimeWindows; }));
    c.push_back(Einfach("SecondLight", [](Settings& s) -> int16_t& { return s.AnsichtFenster.Zusatzampel; }));

    // Parallel port: the four port boxes only with a port.
    const std::pair<const char*, LptCheck> lpt[] = {{"chkLptAmpel", LptCheck::Ampel},
                                                    {"chkLptBahnstrom", LptCheck::Bahnstrom},
                                                    {"chkLPTChaos", LptCheck::Chaos},
                                                    {"chkLPTYellow", LptCheck::Gelbphase}};
    for (const auto& eintrag : lpt) {
        // A copy the lambdas can capture (not every compiler captures structured bindings).
        const LptCheck box = eintrag.second;
        CheckBox b = Mit(
            eintrag.first,
            [box](const Settings& s) {
                switch (box) {
                    case LptCheck::Ampel: return s.Lpt.Ampel;
                    case LptCheck::Bahnstrom: return s.Bahnstrom.LptStrom;
                    case LptCheck::Chaos: return s.Lpt.Chaos;
                    case LptCheck::Gelbphase: return s.Lpt.Gelbphase;
                }
                return int16_t{0};
            },
            [box](RaceContext& sys, int16_t v) { LptCheckSetzen(sys, box, v); });
        b.frei = MitPort;
        c.push_back(std::move(b));
    }
    // Relay polarity: the lanes keep the power the race has given them, so the
    // relay bits are turned round and go out at once.
    c.push_back(Mit("chkPowerInv", [](const Settings& s) { return s.Bahnstrom.InvertPowerRelais; },
                    [](RaceContext& sys, int16_t v) {
                        if (sys.cfg.Bahnstrom.InvertPowerRelais == v) return;
                        sys.cfg.Bahnstrom.InvertPowerRelais = v;
                        for (int l = 1; l <= 6; ++l) LptStromBits(sys, l, sys.st.rennen.SpurStrom[l]);
                        if (sys.cfg.Bahnstrom.LptStrom == 1) LptDatenAusgeben(sys);
                        if (sys.cfg.I2COutput.Aktiv != 0)
                            sys.bus().I2CSend(sys.cfg.I2COutput.ADR[0], RelaisByte(sys.st.LptDaten), 0, 2);
                    }));

    // Two-wire bus and the devices on it.
    c.push_back(Mit("chkI2C", [](const Settings& s) { return s.I2COutput.Aktiv; },
                    [](RaceContext& sys, int16_t v) { I2CAktivSetzen(sys, v); }));
    const std::pair<const char*, void (*)(RaceContext&, int16_t)> bus[] = {
        {"chkI2cStartampel", I2CStartampelSetzen},
        {"chkI2cPositionsanzeige", I2CPositionsanzeigeSetzen},
        {"chkI2cTankanzeige", I2CTankanzeigeSetzen},
        {"chkI2cNetzteil", I2CNetzteilSetzen}};
    for (const auto& [name, setzen] : bus) {
        const std::string n = name;
        CheckBox b = Mit(
            n,
            [n](const Settings& s) {
                if (n == "chkI2cStartampel") return s.I2COutput.Startampel;
                if (n == "chkI2cPositionsanzeige") return s.I2COutput.Positionsanzeige;
                if (n == "chkI2cTankanzeige") return s.I2COutput.Tankanzeige;
                return s.KVPowerSetup.I2C_Netzteil;
            },
            setzen);
        b.frei = MitBus;
        c.push_back(std::move(b));
    }
    // The supply over the serial line: needs the line; once on, the bus supply goes.
    c.push_back(Mit("chkRs232Netzteil", [](const Settings& s) { return s.TNT_MC.Aktiv; },
                    [](RaceContext& sys, int16_t v) {
                        LeistungsmodulSetzen(sys, v);
                        if (sys.cfg.TNT_MC.Aktiv == 1) SeriellesNetzteilSetzen(sys, 1);
                    }));

    // Fuel.
    c.push_back(Einfach("chkMitTankfunktion", [](Settings& s) -> int16_t& { return s.Tankoption.Tankoption; }));
    c.push_back(Einfach("CurrentOff", [](Settings& s) -> int16_t& { return s.Tankoption.StromAusBeiTankLeer; }));
    {
        CheckBox b = Einfach("chkUseTanknetzteil", [](Settings& s) -> int16_t& { return s.Tankoption.MitTnt; });
        b.frei = [](const RaceContext& sys) {
            return MitBus(sys) && sys.cfg.KVPowerSetup.I2C_Netzteil == 1 && sys.cfg.Tankoption.Tankoption == 1;
        };
        c.push_back(std::move(b));
    }
    c.push_back(Einfach("chkEmptyVolt", [](Settings& s) -> int16_t& { return s.Tankoption.MitTrocken; }));
    c.push_back(Einfach("chkBoxTanken", [](Settings& s) -> int16_t& { return s.Tankoption.BoxTank; }));

    // Sound.
    c.push_back(Einfach("chkZeitansage", [](Settings& s) -> int16_t& { return s.Audio.Zeitansage; }));
    c.push_back(Einfach("chkAnsageAutoOff", [](Settings& s) -> int16_t& { return s.Audio.AutoOff; }));

    // Serial display boards.
    for (int i = 0; i < 4; ++i) {
        CheckBox b = Mit("chkAZT_aktiv_" + Nr(i), [i](const Settings& s) { return s.AZT.Aktiv[i + 1]; },
                         [i](RaceContext& sys, int16_t v) { AztAktivSetzen(sys, i, v); });
        // A board needs the one below it; with the old board none can be chosen.
        b.frei = [i](const RaceContext& sys) {
            return AztTafelnWaehlbar(sys.cfg) && (i == 0 || sys.cfg.AZT.Aktiv[i] == 1);
        };
        c.push_back(std::move(b));
    }
    c.push_back(Mit("chkAZT_Alt", [](const Settings& s) { return s.AZT.AlteAZT; }, AlteAztSetzen));
    const std::pair<const char*, AztAnzeige> anzeige[] = {{"chkAZT_Lapcount", AztAnzeige::Laps},
                                                          {"chkAZT_Rundenzeit", AztAnzeige::Time},
                                                          {"chkAZT_Platzierung", AztAnzeige::Position},
                                                          {"chkAZT_ShowWatch", AztAnzeige::Uhr}};
    for (const auto& eintrag : anzeige) {
        const AztAnzeige which = eintrag.second;
        c.push_back(Mit(
            eintrag.first,
            [which](const Settings& s) {
                switch (which) {
                    case AztAnzeige::Laps: return s.AZT.Laps;
                    case AztAnzeige::Time: return s.AZT.Time;
                    case AztAnzeige::Position: return s.AZT.Position;
                    case AztAnzeige::Uhr: return s.AZT.Uhr;
                }
                return int16_t{0};
            },
            [which](RaceContext& sys, int16_t v) { AztAnzeigeSetzen(sys, which, v); }));
    }
    c.push_back(Mit("chkTnkAnz", [](const Settings& s) { return s.TAZ.LED; }, TankAnzeigeSetzen));
    return c;
}

const std::vector<CheckBox>& Checkboxen() {
    static const std::vector<CheckBox> c = BuildCheckboxen();  // immutable table, built once
    return c;
}

const CheckBox* FindCheck(std::string_view name) {
    for (const auto& b : Checkboxen())
        if (b.name == name) return &b;
    return nullptr;
}

// ---------------------------------------------------------------- option buttons

struct OptionKnopf {
    std::string name;
    std::function<bool(const Settings&)> gewaehlt;
    std::function<ZsaFolge(RaceContext&)> waehlen;
};

std::vector<OptionKnopf> BuildOptionen() {
    std::vector<OptionKnopf> o;
    auto add = [&](std::string name, std::function<bool(const Settings&)> g, std::function<void(RaceContext&)> w) {
        o.push_back({std::move(name), std::move(g), [w](RaceContext& sys) {
                         w(sys);
                         return ZsaFolge{};
                     }});
    };
    const std::tuple<const char*, PinOption, bool (*)(const Settings&)> pins[] = {
        {"optPin1_Input", PinOption::Pin1Input, [](const Settings& s) { return s.Lpt.Pin1Input == 1; }},
        {"optPin1_Rot", PinOption::Pin1Rot, [](const Settings& s) { return s.Lpt.Pin1Rot == 1; }},
        {"optPin16_Input", PinOption::Pin16Input, [](const Settings& s) { return s.Lpt.Pin16Input == 1; }},
        {"optPin16_Green", PinOption::Pin16Gruen, [](const Settings& s) { return s.Lpt.Pin16Gruen == 1; }},
        {"optPin16_rot", PinOption::Pin16Rot, [](const Settings& s) { return s.Lpt.Pin16Rot == 1; }},
        {"optPinI2C_Output", PinOption::PinI2COutput, [](const Settings& s) { return s.Lpt.PinI2COutput == 1; }},
        {"optPinI2C_Input", PinOption::PinI2CInput, [](const Settings& s) { return s.Lpt.PinI2CInput == 1; }},
    };
    for (const auto& [name, opt, g] : pins) add(name, g, [opt = opt](RaceContext& sys) { PinOptionWaehlen(sys, opt); });

    // Amplifier gain: 3.2 may lower lane voltages, whose keys are written at once.
    o.push_back({"optVerst32", [](const Settings& s) { return s.KVPowerSetup.Gain1 != 0; },
                 [](RaceContext& sys) {
                     ZsaFolge f;
                     f.spannungSchreiben = Verstaerkung32(sys);
                     return f;
                 }});
    add("optVerst51", [](const Settings& s) { return s.KVPowerSetup.Gain1 == 0 && s.KVPowerSetup.Gain2 != 0; },
        Verstaerkung51);

    // Clips per spoken lap time: "Eine Stelle" = 2 clips (seconds and tenths) ... 4.
    for (int i = 1; i <= 3; ++i)
        add("Option" + Nr(i), [i](const Settings& s) { return s.KavelinExtension.AudioNumDigits == i + 1; },
            [i](RaceContext& sys) { sys.cfg.KavelinExtension.AudioNumDigits = static_cast<uint8_t>(i + 1); });

    // Window opened at start when none was reopened (value = index + 1).
    for (int i = 0; i < 8; ++i)
        add("Ansicht_" + Nr(i), [i](const Settings& s) { return s.AnsichtFenster.Ansicht == i + 1; },
            [i](RaceContext& sys) { sys.cfg.AnsichtFenster.Ansicht = static_cast<int16_t>(i + 1); });
    // Window-settings mode (value = index + 1).
    for (int i = 0; i < 3; ++i)
        add("Speichern_" + Nr(i),
            [i](const Settings& s) {
                const int16_t v = s.AnsichtFenster.Speichern;
                return i < 2 ? v == i + 1 : (v != 1 && v != 2);
            },
            [i](RaceContext& sys) {
                sys.cfg.AnsichtFenster.Speichern = static_cast<int16_t>(i + 1);
                ApplySaveWindowSettingsRule(sys);
            });
    return o;
}

const std::vector<OptionKnopf>& Optionen() {
    static const std::vector<OptionKnopf> o = BuildOptionen();  // immutable table, built once
    return o;
}

const OptionKnopf* FindOption(std::string_view name) {
    for (const auto& o : Optionen())
        if (o.name == name) return &o;
    return nullptr;
}

template <class T>
std::vector<std::string> Namen(const std::vector<T>& v) {
    std::vector<std::string> n;
    n.reserve(v.size());
    for (const auto& x : v) n.push_back(x.name);
    return n;
}

// "cmbOut1_2" -> 2; -1 for any other name.
int Ausgang(std::string_view liste) {
    constexpr std::string_view p = "cmbOut1_";
    if (liste.size() != p.size() + 1 || liste.substr(0, p.size()) != p) return -1;
    const int i = liste.back() - '0';
    return i >= 0 && i <= 2 ? i : -1;
}

Rgb* FarbeAt(Settings& s, int knopf) {
    if (knopf < 0 || knopf > 23) return nullptr;
    const int lane = knopf % 8 + 1;
    if (knopf < 8) return &s.Farben.FS[lane];
    if (knopf < 16) return &s.Farben.S[lane];
    return &s.Farben.TS[lane];
}

}  // namespace

const std::vector<std::string>& ZsaTextfelder() {
    static const std::vector<std::string> n = Namen(Textfelder());
    return n;
}

std::string ZsaTextWert(const RaceContext& sys, std::string_view feld) {
    const TextFeld* f = FindText(feld);
    return f ? f->wert(sys) : std::string();
}

std::string ZsaTextEingabe(RaceContext& sys, std::string_view feld, const std::string& text) {
    const TextFeld* f = FindText(feld);
    if (!f) return text;
    if (!IstZahl(text, f->dezimal)) return f->wert(sys);  // refused: the last valid value stays
    return f->eingabe(sys, text);
}

const std::vector<std::string>& ZsaCheckboxen() {
    static const std::vector<std::string> n = Namen(Checkboxen());
    return n;
}

int16_t ZsaCheckWert(const RaceContext& sys, std::string_view box) {
    const CheckBox* b = FindCheck(box);
    return b && b->wert(sys.cfg) == 1 ? 1 : 0;
}

bool ZsaCheckFrei(const RaceContext& sys, std::string_view box) {
    const CheckBox* b = FindCheck(box);
    return b && b->frei(sys);
}

ZsaFolge ZsaCheckSetzen(RaceContext& sys, std::string_view box, int16_t value) {
    const CheckBox* b = FindCheck(box);
    if (!b || !b->frei(sys)) return {};
    return b->setzen(sys, value == 1 ? int16_t{1} : int16_t{0});
}

const std::vector<std::string>& ZsaOptionKnoepfe() {
    static const std::vector<std::string> n = Namen(Optionen());
    return n;
}

bool ZsaOptionGewaehlt(const RaceContext& sys, std::string_view option) {
    const OptionKnopf* o = FindOption(option);
    return o && o->gewaehlt(sys.cfg);
}

ZsaFolge ZsaOptionWaehlen(RaceContext& sys, std::string_view option) {
    const OptionKnopf* o = FindOption(option);
    return o ? o->waehlen(sys) : ZsaFolge{};
}

int ZsaListeWert(const RaceContext& sys, std::string_view liste) {
    if (liste == "cmbPPort") {
        const int p = sys.cfg.Lpt.Port;
        return p >= 0 && p <= 3 ? p : 0;
    }
    const int i = Ausgang(liste);
    return i < 0 ? 0 : PcfTyp(sys.cfg.I2COutput.ADR[static_cast<size_t>(i)]);
}

void ZsaListeWaehlen(RaceContext& sys, std::string_view liste, int index) {
    if (liste == "cmbPPort") {
        if (index >= 0 && index <= 3) LptPortWaehlen(sys, index);
        return;
    }
    const int i = Ausgang(liste);
    if (i >= 0 && index >= 0 && index <= 2) AusgangTypWaehlen(sys, i, index);
}

Rgb ZsaFarbe(const Settings& cfg, int knopf) {
    const Rgb* c = FarbeAt(const_cast<Settings&>(cfg), knopf);
    return c ? *c : Rgb{};
}

void ZsaFarbeSetzen(RaceContext& sys, int knopf, Rgb farbe) {
    Rgb* c = FarbeAt(sys.cfg, knopf);
    if (!c) return;
    auto k = [](int16_t v) { return static_cast<int16_t>(std::clamp<int>(v, 0, 255)); };
    *c = Rgb{k(farbe.rot), k(farbe.gruen), k(farbe.blau)};
}

void ApplySaveWindowSettingsRule(RaceContext& sys) {
    const int16_t speichern = sys.cfg.AnsichtFenster.Speichern;
    if (speichern == 1) {
        sys.st.fenster.SaveWindowSettings = 1;
    } else if (speichern == 2) {
        if (sys.cfg.Save.All == 1) sys.st.fenster.SaveWindowSettings = 1;
    } else {
        sys.st.fenster.SaveWindowSettings = 0;
    }
}

void OnSaveAllCleared(RaceContext& sys) {
    if (sys.cfg.AnsichtFenster.Speichern == 2) sys.st.fenster.SaveWindowSettings = 0;
}

}  // namespace zk
