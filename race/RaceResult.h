// Race day as the windows show it: the race-state banner that can be read across
// the room, and the result of a race (positions, winner, false starts and
// penalties). Both are computed from the race phase and the lane records alone;
// the windows only render them.
//
// The readable time forms here are for the windows and the result files; the
// lap and race texts that go to the display boards and the log keep their own
// forms (SerialTexts.h, FormatRaceTime).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "race/LapList.h"
#include "race/RaceState.h"

namespace zk {
class RaceContext;
}

namespace zk {

// m:ss.mmm below an hour, h:mm:ss.mmm from an hour on ("3:07.045", "1:02:03.400").
std::string LesbareZeit(int32_t ms);
// A countdown as h:mm:ss ("1:30:00", "0:04:09").
std::string LesbarerCountdown(int stunden, int minuten, int sekunden);
// Tenths of a second as German text with one decimal ("2,0").
std::string ZehntelText(int32_t zehntel);
// One cell of a result table (CSV, ";"): quoted when it needs it; a text a
// spreadsheet would take for a formula gets a leading apostrophe.
std::string CsvFeld(const std::string& v);
// A text for an HTML page: &, <, > and " escaped.
std::string Html(const std::string& v);

// The name of the driver on a lane: the team of a time race with lane change,
// the club heat's driver, the name chosen in the driver selection ("TEAM n"),
// or else the default "Fahrer 1" ... "Fahrer 8".
std::string FahrerName(const RaceState& s, int lane);

// The driver of a lane in the race the record holds: the name the lane carried
// when that race started, so a finished club heat or lane-change segment keeps
// its drivers until the next one starts. While the record holds no started race,
// the lane's current name (FahrerName).
std::string RennFahrer(const RaceContext& sys, int lane);
// The heading of the race the record holds, as it was at its start (a club
// heat's number, a lane-change segment); while it holds none, the chosen race's
// title.
std::string RennUeberschrift(const RaceContext& sys);
// Why a lane's lap count differs from its driven laps, briefly, for beside the
// count: "Tank leer −4" (empty-tank penalties), "Rennleitung +1" (the race
// director's corrections), both joined by ", "; "" when nothing was corrected.
std::string RundenHinweis(const LapList& laps, int lane);

enum class RennPhase { Bereit, Ampel, Rennen, Pause, SafetyCar, Nachlauf, Ziel, Abgebrochen };
RennPhase PhaseAus(const RaceContext& sys);
// "BEREIT", "AMPEL", "RENNEN", "PAUSE", "SAFETY CAR", "NACHLAUF", "ZIEL", "ABGEBROCHEN".
const char* PhasenText(RennPhase p);

// One line of a result.
struct ErgebnisZeile {
    int platz = 0;
    int spur = 0;
    std::string fahrer;
    int32_t runden = 0;
    int32_t gesamtzeit = 0;   // ms
    int32_t besteRunde = 0;   // ms; 0 = no lap
    std::string besteText;    // best lap as the lap windows show it ("7.123"), "" = none
    int fehlstarts = 0;
    int strafen = 0;          // empty-tank penalties
    bool imZiel = false;      // lap race: reached the lap count
};

struct RennErgebnis {
    Rennart modus = Rennart::Training;
    std::string titel;        // RennmodusText of the race
    int32_t rennRunden = 0;   // lap race: laps to drive
    std::vector<ErgebnisZeile> zeilen;  // by position
    bool abgebrochen = false;  // stopped before it was decided: the standing at the stop, no winner
    // Lane of the winner; 0 while nobody has completed a lap, in a training and
    // in an aborted race.
    int SiegerSpur() const {
        if (abgebrochen || modus == Rennart::Training) return 0;
        return !zeilen.empty() && zeilen[0].runden > 0 ? zeilen[0].spur : 0;
    }
};

// The standing from the lane records. Lap race: first the lanes that reached the
// lap count, in the order they did, then the others by laps and total time. Every
// other race: by laps, then total time (the positions the lap windows show).
// Lanes that took no part and drove no lap are left out.
RennErgebnis ErgebnisBerechnen(const RaceContext& sys);

// The banner: the phase in large letters, one line below it, and its colours
// (0x00BBGGRR, as the windows take colours).
struct Banner {
    RennPhase phase = RennPhase::Bereit;
    std::string text;   // the phase word
    std::string zeile;  // winner, laps remaining, running penalties, ...
    int32_t hintergrund = 0;
    int32_t schrift = 0;
};
Banner BannerBerechnen(const RaceContext& sys);

// The result files of a race: "YYYY-MM-DD_HH-MM_<mode>" (mode without blanks).
std::string ErgebnisDateiname(const std::string& datum, const std::string& uhrzeit, Rennart modus);
// The same with a name of its own in place of the mode ("Clubwertung").
std::string ErgebnisDateiname(const std::string& datum, const std::string& uhrzeit, const std::string& name);
// Semicolon-separated, UTF-8 with byte-order mark (opens in a spreadsheet as it is).
std::string ErgebnisCsv(const RennErgebnis& e, const std::string& datum, const std::string& uhrzeit);
// A printable page.
std::string ErgebnisHtml(const RennErgebnis& e, const std::string& datum, const std::string& uhrzeit);

inline constexpr const char* kErgebnisOrdner = "Ergebnisse";

// Writes a result's table and page as DIR/NAME.csv and DIR/NAME.html, never
// replacing a file: NAME is the first of STEM, STEM_2, STEM_3, ... under which
// neither exists, so both always share one name. Both are complete on disk
// before either gets its name; a kill between the two names is finished by
// ErgebnisseAufraeumen at the next start. Creates DIR. Returns DIR/NAME, or ""
// with a German reason.
std::string ErgebnisDateienSchreiben(const std::string& dir, const std::string& stem, const std::string& csv,
                                     const std::string& html, std::string* fehler);
// At start: finishes the result pairs a killed program left half-named and
// removes the other temporaries of dead processes in DIR. Returns their count.
int ErgebnisseAufraeumen(const std::string& dir);

class RaceContext;
// The end of a race that got to its green light: keeps its result for the
// windows (sys.view) and, except after a training, writes it as CSV and HTML to
// the data directory's "Ergebnisse" folder. A failure is reported as a message.
void RennenAbschliessen(RaceContext& sys);
// Keeps `e` as the result the windows show and writes it as CSV and HTML under
// the name ErgebnisDateiname(date, time, name) (the lane-change series' result).
void ErgebnisAblegen(RaceContext& sys, const RennErgebnis& e, const std::string& name);
// Writes a table and page of another kind (the club standings) to the results
// folder under ErgebnisDateiname(date, time, name); each file written is
// reported to the observer. Returns false (after a message) when one failed.
bool ErgebnisDateienAblegen(RaceContext& sys, const std::string& name, const std::string& csv, const std::string& html);

}  // namespace zk
