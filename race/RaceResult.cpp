#include "race/RaceResult.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string_view>
#include <sys/stat.h>

#include "base/Version.h"
#include "base/DurableFile.h"
#include "race/Race.h"
#include "race/Spurwechsel.h"

namespace zk {

namespace {

std::string Zwei(int v) { return (v >= 0 && v < 10 ? "0" : "") + std::to_string(v); }
std::string Drei(int v) { return (v < 10 ? "00" : v < 100 ? "0" : "") + std::to_string(v); }

// Colours as the windows take them: 0x00BBGGRR.
constexpr int32_t Bgr(int r, int g, int b) { return r | (g << 8) | (b << 16); }

bool IstRundenrennen(Rennart m) { return m == Rennart::Rundenrennen || m == Rennart::ClubRundenRennen; }

std::string ModusName(Rennart m) {
    switch (m) {
        case Rennart::Training: return "Training";
        case Rennart::Rundenrennen: return "Rundenrennen";
        case Rennart::Zeitrennen: return "Zeitrennen";
        case Rennart::Clubrennen: return "Clubrennen";
        case Rennart::ClubRundenRennen: return "ClubRundenRennen";
        case Rennart::ClubZeitRennen: return "ClubZeitRennen";
    }
    return "Rennen";
}

// Penalties that run now, in words.
std::string LaufendeStrafen(const RaceState& s) {
    std::string out;
    for (int l = 1; l <= kLanes; ++l) {
        if (s.spuren.SpurStromEin[l] != 0) continue;
        const int32_t rest = std::max(s.spuren.SpurDaten[l].Strafe, int32_t{0});
        std::string t = s.tank.TankStand[l] <= 0.0 ? "Tank leer" : "Fehlstart";
        t += " Spur " + std::to_string(l) + " – " + ZehntelText(rest) + " s Strafe";
        out += (out.empty() ? "" : "   ") + t;
    }
    return out;
}

std::string SiegerText(const RennErgebnis& e) {
    const int sieger = e.SiegerSpur();
    if (sieger == 0) return {};
    return "Sieger: Spur " + std::to_string(sieger) + " – " + e.zeilen[0].fahrer;
}

// The lane-change series while it is the chosen race (nullptr otherwise).
const SpurwechselRennen* Serie(const RaceContext& sys) {
    const SpurwechselRennen* w = sys.club().Spurwechsel();
    return w && w->Aktiv() ? w : nullptr;
}

// The finish line of the banner: after a segment of the lane-change series its
// number (its lanes' standing is no result of its own), after the last one the
// series' winner; otherwise the race's winner.
std::string ZielZeile(const RaceContext& sys) {
    if (const SpurwechselRennen* w = Serie(sys); w && sys.record.lastEnd != RaceEnd::Aborted) {
        if (w->SerieKomplett() || w->SerieBeendet()) {
            const RennErgebnis& e = w->SerienErgebnis();
            if (e.SiegerSpur() == 0) return "Serie beendet – kein Sieger";
            return "Sieger: " + e.zeilen[0].fahrer + " – " + std::to_string(e.zeilen[0].runden) + " Runden";
        }
        return "Rennen " + std::to_string(w->BeendeteAbschnitte()) + " von " + std::to_string(w->WechselAnzahl()) +
               " beendet";
    }
    return SiegerText(ErgebnisBerechnen(sys));
}

}  // namespace

// One cell. A text that a spreadsheet would take for a formula (it starts with
// "=", "+", "-", "@", a tab or a carriage return) gets a leading apostrophe, as
// spreadsheet-safe CSV writers do, and is quoted.
std::string CsvFeld(const std::string& v) {
    const bool formel = !v.empty() && std::string_view("=+-@\t\r").find(v[0]) != std::string_view::npos;
    if (!formel && v.find_first_of(";\"\n\r") == std::string::npos) return v;
    std::string o = formel ? "\"'" : "\"";
    for (char c : v) {
        if (c == '"') o += '"';
        o += c;
    }
    return o + "\"";
}

std::string Html(const std::string& v) {
    std::string o;
    for (char c : v) {
        switch (c) {
            case '&': o += "&amp;"; break;
            case '<': o += "&lt;"; break;
            case '>': o += "&gt;"; break;
            case '"': o += "&quot;"; break;
            default: o += c;
        }
    }
    return o;
}

std::string LesbareZeit(int32_t ms) {
    const bool neg = ms < 0;
    const int64_t v = neg ? -static_cast<int64_t>(ms) : ms;
    const int64_t sek = v / 1000, h = sek / 3600, m = (sek / 60) % 60, s = sek % 60;
    std::string t = neg ? "-" : "";
    if (h > 0) t += std::to_string(h) + ":" + Zwei(static_cast<int>(m));
    else t += std::to_string(m);
    return t + ":" + Zwei(static_cast<int>(s)) + "." + Drei(static_cast<int>(v % 1000));
}

std::string LesbarerCountdown(int stunden, int minuten, int sekunden) {
    return std::to_string(std::max(stunden, 0)) + ":" + Zwei(std::clamp(minuten, 0, 59)) + ":" +
           Zwei(std::clamp(sekunden, 0, 59));
}

std::string ZehntelText(int32_t zehntel) {
    const int64_t v = zehntel < 0 ? -static_cast<int64_t>(zehntel) : zehntel;
    return (zehntel < 0 ? "-" : "") + std::to_string(v / 10) + "," + std::to_string(v % 10);
}

std::string FahrerName(const RaceState& s, int lane) {
    if (lane >= 1 && lane <= kLanes && !s.fahrer.SpurTeam[lane].empty()) return s.fahrer.SpurTeam[lane];
    if (lane >= 1 && lane <= kLanes && !s.fahrer.SpurFahrer[lane].empty()) return s.fahrer.SpurFahrer[lane];
    return "Fahrer " + std::to_string(lane);
}

std::string RennFahrer(const RaceContext& sys, int lane) {
    if (sys.record.named && lane >= 1 && lane <= kLanes) return sys.record.drivers[lane];
    return FahrerName(sys.st, lane);
}

std::string RennUeberschrift(const RaceContext& sys) {
    if (sys.record.named) return sys.record.heading;
    std::string t = sys.st.rennen.RennmodusText;
    if (const SpurwechselRennen* w = Serie(sys)) t += w->Untertitel();
    return t;
}

std::string RundenHinweis(const LapList& laps, int lane) {
    int strafe = 0, rennleitung = 0;
    for (const LapEntry& e : laps.All()) {
        if (e.Lane() != lane || e.IsLap()) continue;
        (e.Origin() == LapOrigin::Penalty ? strafe : rennleitung) += e.delta;
    }
    const auto zahl = [](int v) { return (v < 0 ? "\u2212" + std::to_string(-v) : "+" + std::to_string(v)); };
    std::string t;
    if (strafe != 0) t = "Tank leer " + zahl(strafe);
    if (rennleitung != 0) t += (t.empty() ? "" : ", ") + std::string("Rennleitung ") + zahl(rennleitung);
    return t;
}

RennPhase PhaseAus(const RaceContext& sys) {
    const RaceState& s = sys.st;
    const RaceRecord& rec = sys.record;
    // The start light: before green, and the restart after a pause. After green
    // the race runs even while the light still shows.
    if (rec.startLight && (!rec.Running() || rec.Paused())) return RennPhase::Ampel;
    switch (rec.phase) {
        case RacePhase::Paused:
        case RacePhase::Restart: return RennPhase::Pause;
        case RacePhase::AfterRun: return RennPhase::Nachlauf;
        case RacePhase::Racing: return s.rennen.SafetyCar != 0 ? RennPhase::SafetyCar : RennPhase::Rennen;
        case RacePhase::Idle:
        case RacePhase::StartLight: break;
    }
    if (rec.lastEnd == RaceEnd::Aborted) return RennPhase::Abgebrochen;
    // Idle: the lane records of the last race stay until the next start, so a
    // race that was driven shows its finish; a fresh or aborted start does not.
    for (int l = 1; l <= kLanes; ++l)
        if (s.spuren.SpurDaten[l].Platz != 0) return RennPhase::Ziel;
    return RennPhase::Bereit;
}

const char* PhasenText(RennPhase p) {
    switch (p) {
        case RennPhase::Bereit: return "BEREIT";
        case RennPhase::Ampel: return "AMPEL";
        case RennPhase::Rennen: return "RENNEN";
        case RennPhase::Pause: return "PAUSE";
        case RennPhase::SafetyCar: return "SAFETY CAR";
        case RennPhase::Nachlauf: return "NACHLAUF";
        case RennPhase::Ziel: return "ZIEL";
        case RennPhase::Abgebrochen: return "ABGEBROCHEN";
    }
    return "";
}

RennErgebnis ErgebnisBerechnen(const RaceContext& sys) {
    const RaceState& s = sys.st;
    const LapList& laps = sys.record.laps;
    RennErgebnis e;
    e.modus = s.rennen.Rennmodus;
    e.titel = RennUeberschrift(sys);
    e.rennRunden = s.rennen.RennRunden;
    e.abgebrochen = sys.record.lastEnd == RaceEnd::Aborted;
    const bool rundenrennen = IstRundenrennen(s.rennen.Rennmodus) && s.rennen.RennRunden > 0;
    for (int l = 1; l <= kLanes; ++l) {
        const SpurSatz& r = s.spuren.SpurDaten[l];
        if (!s.SpurAktiv[l] && r.Platz == 0) continue;
        ErgebnisZeile z;
        z.spur = l;
        z.fahrer = RennFahrer(sys, l);
        z.runden = r.Platz != 0 ? laps.Laps(l) : 0;
        z.gesamtzeit = r.Platz != 0 ? laps.Total(l) : 0;
        if (s.spuren.BesteRunde[l] < kBesteRundeReset && z.runden > 0) {
            z.besteRunde = s.spuren.BesteRunde[l];
            z.besteText = std::to_string(z.besteRunde / 1000) + "." + Drei(z.besteRunde % 1000);
        }
        z.fehlstarts = s.spuren.Fehlstarts[l];
        z.strafen = s.tank.StrafenZahl[l];
        z.imZiel = rundenrennen && s.spuren.ZielZeit[l] != 0 && z.runden >= s.rennen.RennRunden;
        e.zeilen.push_back(z);
    }
    std::stable_sort(e.zeilen.begin(), e.zeilen.end(), [&](const ErgebnisZeile& a, const ErgebnisZeile& b) {
        if (a.imZiel != b.imZiel) return a.imZiel;
        if (a.imZiel) return s.spuren.ZielZeit[a.spur] < s.spuren.ZielZeit[b.spur];
        if (a.runden != b.runden) return a.runden > b.runden;
        if ((a.runden == 0) != (b.runden == 0)) return a.runden != 0;
        return a.runden != 0 && a.gesamtzeit < b.gesamtzeit;
    });
    for (size_t i = 0; i < e.zeilen.size(); ++i) e.zeilen[i].platz = static_cast<int>(i) + 1;
    return e;
}

Banner BannerBerechnen(const RaceContext& sys) {
    const RaceState& s = sys.st;
    Banner b;
    b.phase = PhaseAus(sys);
    b.text = PhasenText(b.phase);
    const std::string strafen = LaufendeStrafen(s);
    const auto mitStrafen = [&](std::string t) {
        if (strafen.empty()) return t;
        return t.empty() ? strafen : t + "   " + strafen;
    };
    switch (b.phase) {
        case RennPhase::Bereit:
            b.hintergrund = Bgr(90, 90, 90);
            b.schrift = Bgr(255, 255, 255);
            b.zeile = s.rennen.RennmodusText;
            break;
        case RennPhase::Ampel:
            b.hintergrund = Bgr(200, 0, 0);
            b.schrift = Bgr(255, 255, 255);
            b.zeile = mitStrafen(sys.record.Paused() ? "Neustart nach der Pause" : "");
            break;
        case RennPhase::Rennen:
        case RennPhase::SafetyCar: {
            const bool sc = b.phase == RennPhase::SafetyCar;
            b.hintergrund = sc ? Bgr(255, 215, 0) : Bgr(0, 140, 0);
            b.schrift = sc ? Bgr(0, 0, 0) : Bgr(255, 255, 255);
            std::string t;
            if (IstRundenrennen(s.rennen.Rennmodus) && s.rennen.RennRunden > 0) {
                int32_t fuehrung = 0;
                for (int l = 1; l <= kLanes; ++l) fuehrung = std::max(fuehrung, s.spuren.SpurDaten[l].Runden);
                const int32_t rest = std::max(s.rennen.RennRunden - fuehrung, int32_t{0});
                t = rest == 1 ? "Noch 1 Runde" : "Noch " + std::to_string(rest) + " Runden";
            }
            b.zeile = mitStrafen(t);
            break;
        }
        case RennPhase::Pause:
            b.hintergrund = Bgr(255, 140, 0);
            b.schrift = Bgr(0, 0, 0);
            b.zeile = mitStrafen(s.rennen.PauseDurchChaos != 0 ? "Chaos – weiter beim Loslassen" : "Weiter mit W");
            break;
        case RennPhase::Nachlauf: {
            b.hintergrund = Bgr(0, 80, 200);
            b.schrift = Bgr(255, 255, 255);
            b.zeile = SiegerText(ErgebnisBerechnen(sys));
            break;
        }
        case RennPhase::Ziel:
            b.hintergrund = Bgr(0, 0, 0);
            b.schrift = Bgr(255, 255, 255);
            b.zeile = s.rennen.Rennmodus == Rennart::Training ? "Training beendet" : ZielZeile(sys);
            break;
        case RennPhase::Abgebrochen:
            b.hintergrund = Bgr(120, 0, 0);
            b.schrift = Bgr(255, 255, 255);
            b.zeile = s.rennen.RennmodusText + " abgebrochen – kein Sieger";
            break;
    }
    return b;
}

std::string ErgebnisDateiname(const std::string& datum, const std::string& uhrzeit, Rennart modus) {
    std::string hm = uhrzeit.substr(0, 5);
    std::replace(hm.begin(), hm.end(), ':', '-');
    return datum + "_" + hm + "_" + ModusName(modus);
}

std::string ErgebnisDateiname(const std::string& datum, const std::string& uhrzeit, const std::string& name) {
    std::string hm = uhrzeit.substr(0, 5);
    std::replace(hm.begin(), hm.end(), ':', '-');
    return datum + "_" + hm + "_" + name;
}

std::string ErgebnisCsv(const RennErgebnis& e, const std::string& datum, const std::string& uhrzeit) {
    std::string o = "\xEF\xBB\xBF";
    o += "Rennen;" + CsvFeld(e.titel) + (e.abgebrochen ? ";abgebrochen" : "") + "\r\n";
    o += "Datum;" + datum + " " + uhrzeit + "\r\n";
    o += "Programm;Zirkato " + std::string(ProgramVersion()) + "\r\n";
    o += "Platz;Spur;Fahrer;Runden;Gesamtzeit;Gesamtzeit (ms);Beste Runde;Fehlstarts;Tankstrafen\r\n";
    for (const ErgebnisZeile& z : e.zeilen) {
        o += std::to_string(z.platz) + ";" + std::to_string(z.spur) + ";" + CsvFeld(z.fahrer) + ";" +
             std::to_string(z.runden) + ";" + (z.runden > 0 ? LesbareZeit(z.gesamtzeit) : "") + ";" +
             std::to_string(z.gesamtzeit) + ";" + z.besteText + ";" + std::to_string(z.fehlstarts) + ";" +
             std::to_string(z.strafen) + "\r\n";
    }
    return o;
}

std::string ErgebnisHtml(const RennErgebnis& e, const std::string& datum, const std::string& uhrzeit) {
    std::string o =
        "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n<meta name=\"generator\" content=\"Zirkato " +
        std::string(ProgramVersion()) + "\">\n<title>Ergebnis " + Html(e.titel) +
        "</title>\n<style>\nbody{font-family:sans-serif;margin:2em}\ntable{border-collapse:collapse}\n"
        "th,td{border:1px solid #444;padding:.3em .8em;text-align:right}\n"
        "td.n,th.n{text-align:left}\ntr.s{font-weight:bold}\np.z{color:#666;font-size:smaller}\n"
        "@media print{body{margin:0}}\n</style>\n"
        "</head>\n<body>\n<h1>Ergebnis: " + Html(e.titel) + "</h1>\n<p>" + Html(datum) + " " + Html(uhrzeit) +
        "</p>\n";
    if (e.abgebrochen) o += "<p><strong>Rennen abgebrochen – kein Sieger</strong></p>\n";
    if (const int s = e.SiegerSpur(); s != 0)
        o += "<p><strong>Sieger: Spur " + std::to_string(s) + " – " + Html(e.zeilen[0].fahrer) + "</strong></p>\n";
    o += "<table>\n<tr><th>Platz</th><th>Spur</th><th class=\"n\">Fahrer</th><th>Runden</th><th>Gesamtzeit</th>"
         "<th>Beste Runde</th><th>Fehlstarts</th><th>Tankstrafen</th></tr>\n";
    for (const ErgebnisZeile& z : e.zeilen) {
        o += std::string("<tr") + (z.platz == 1 && z.runden > 0 ? " class=\"s\"" : "") + "><td>" +
             std::to_string(z.platz) + "</td><td>" + std::to_string(z.spur) + "</td><td class=\"n\">" +
             Html(z.fahrer) + "</td><td>" + std::to_string(z.runden) + "</td><td>" +
             (z.runden > 0 ? LesbareZeit(z.gesamtzeit) : "–") + "</td><td>" +
             (z.besteText.empty() ? "–" : z.besteText) + "</td><td>" + std::to_string(z.fehlstarts) + "</td><td>" +
             std::to_string(z.strafen) + "</td></tr>\n";
    }
    return o + "</table>\n<p class=\"z\">Zirkato " + ProgramVersion() + "</p>\n</body>\n</html>\n";
}

std::string ErgebnisDateienSchreiben(const std::string& dir, const std::string& stem, const std::string& csv,
                                     const std::string& html, std::string* fehler) {
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        if (fehler) *fehler = "Ordner " + dir + " nicht angelegt: " + FileErrorText(errno);
        return {};
    }
    std::string why;
    const std::string name = DurableCreate(dir, stem, {{".csv", BytesWriter(csv)}, {".html", BytesWriter(html)}}, &why);
    if (name.empty() && fehler) *fehler = dir + "/" + stem + ".csv nicht angelegt: " + why;
    return name;
}

int ErgebnisseAufraeumen(const std::string& dir) { return FinishOrRemoveStaleTemporaries(dir, {".csv", ".html"}); }

bool ErgebnisDateienAblegen(RaceContext& sys, const std::string& name, const std::string& csv, const std::string& html) {
    RaceUiState& v = sys.view;
    if (sys.datenVerzeichnis.empty()) return true;
    const std::string dir = sys.datenVerzeichnis + "/" + kErgebnisOrdner;
    std::string fehler;
    const std::string stem = ErgebnisDateiname(sys.wall().Date(), sys.wall().TimeOfDay(), name);
    const std::string geschrieben = ErgebnisDateienSchreiben(dir, stem, csv, html, &fehler);
    if (geschrieben.empty()) {
        sys.ui().ShowMessage("Das Rennergebnis konnte nicht gespeichert werden.\n" + fehler, "Ergebnis",
                             MessageIcon::Warning);
        return false;
    }
    for (const std::string& p : {geschrieben + ".csv", geschrieben + ".html"}) {
        v.ergebnisDateien.push_back(p);
        sys.observer().OnResult(p);
    }
    return true;
}

void ErgebnisAblegen(RaceContext& sys, const RennErgebnis& e, const std::string& name) {
    RaceUiState& v = sys.view;
    const std::string datum = sys.wall().Date();
    const std::string uhrzeit = sys.wall().TimeOfDay();
    v.ergebnis = e;
    v.ergebnisZeit = datum + " " + uhrzeit;
    v.ergebnisDateien.clear();
    ++v.ergebnisNummer;
    ErgebnisDateienAblegen(sys, name, ErgebnisCsv(e, datum, uhrzeit), ErgebnisHtml(e, datum, uhrzeit));
}

void RennenAbschliessen(RaceContext& sys) {
    const RaceState& s = sys.st;
    if (s.rennen.Rennmodus == Rennart::Training) return;
    // A segment of the lane-change series that ran out is no race of its own:
    // the series keeps one result, written at its end (SpurwechselRennen).
    if (Serie(sys) && sys.record.lastEnd == RaceEnd::Finished) return;
    ErgebnisAblegen(sys, ErgebnisBerechnen(sys), ModusName(s.rennen.Rennmodus));
}

}  // namespace zk
