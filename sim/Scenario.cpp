#include "sim/Scenario.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <map>
#include <ostream>
#include <sstream>

#include "devices/AudioOutput.h"
#include "devices/SimLptIo.h"
#include "devices/TermiosLine.h"
#include "devices/BoardSource.h"
#include "devices/UsbBoard.h"
#include "race/ClubRennen.h"
#include "race/Fahrer.h"
#include "race/RS232.h"
#include "race/NetzTeil.h"
#include "race/FahrerAuswahl.h"
#include "race/RaceModes.h"
#include "race/RaceSequence.h"
#include "race/Spurwechsel.h"
#include "race/Director.h"
#include "race/StartLight.h"
#include "race/Zeitansage.h"
#include "system/Stepper.h"
#include "race/TeachIn.h"
#include "race/ZsaOptionen.h"
#include "system/IniFileIO.h"
#include "system/ProgramEnd.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileParse.h"
#include "settings/Settings.h"
#include "base/Clock.h"
#include "tick/FastTimer.h"
#include "tick/I2CBus.h"
#include "race/InterneZeit.h"
#include "system/RaceSystem.h"

namespace zk {

namespace {

bool ParseInt(const std::string& s, int64_t& v) {
    const char* b = s.data();
    const char* e = s.data() + s.size();
    auto r = std::from_chars(b, e, v);
    return r.ec == std::errc() && r.ptr == e;
}

// "HH:MM:SS" with two digits each, 00:00:00..23:59:59, as seconds since midnight.
bool ParseTimeOfDay(const std::string& s, int32_t& sec) {
    if (s.size() != 8 || s[2] != ':' || s[5] != ':') return false;
    int v[3];
    for (int i = 0; i < 3; ++i) {
        const char a = s[3 * i], b = s[3 * i + 1];
        if (!std::isdigit(static_cast<unsigned char>(a)) || !std::isdigit(static_cast<unsigned char>(b))) return false;
        v[i] = (a - '0') * 10 + (b - '0');
    }
    if (v[0] > 23 || v[1] > 59 || v[2] > 59) return false;
    sec = v[0] * 3600 + v[1] * 60 + v[2];
    return true;
}

// The state a running scenario works on.
struct SimContext {
    ManualMsClock clock{0};
    SimLptIo port{&clock};
    DerivedWallClock wall{clock};
    RaceSystem sys{clock, port, wall};
    // The real bus engine and supply behind the trace.
    I2CBus bus;
    BusNetzteil netzteil{sys};
    // Spoken lap times: each clip plays for its file's real duration on the
    // simulated clock.
    ClockedAudioOutput audio{clock};
    Zeitansage ansage{sys, audio};
    std::array<int32_t, 11> activeLeft{};  // remaining active ticks per input 1..10
    std::ostream* out = nullptr;
    // The physical wiring of the track ("wire" lines); empty: the inputs follow
    // the learned masks.
    std::vector<ScenarioWire> wires;

    // The USB sensor board's decoder and message queue ("board" actions; the
    // program's path, BoardSource) and the board the helper actions speak for:
    // its next sequence number. The decoder's host clock is the scenario's
    // millisecond clock, unwrapped, in microseconds (program ms 0 = host 0).
    BoardSource board;
    uint8_t boardSeq = 0;
    int64_t boardHostUs = 0;
    int32_t boardLastMs = 0;
    bool boardFed = false;

    // Holds input n for d ticks from this one; an input still held stays held
    // until the later of both ends.
    void Hold(int n, int32_t d) { activeLeft[n] = std::max(activeLeft[n], d); }

    // Input word with the inputs that are held now.
    uint8_t InputWord() const {
        if (!wires.empty()) {
            // Unwired bits read 0; a wired bit shows its sensor's level.
            unsigned w = 0;
            for (const ScenarioWire& x : wires)
                if ((activeLeft[x.input] > 0) == x.high) w |= 1u << x.bit;
            return static_cast<uint8_t>(w);
        }
        uint16_t active = 0;
        for (int n = 1; n <= 10; ++n)
            if (activeLeft[n] > 0) active = static_cast<uint16_t>(active | (1u << n));
        return ComposeInputWord(sys.st, active);
    }
};

// A text inside a quoted trace field: CR as \\r, LF as \\n, quote and
// backslash escaped with a backslash.
std::string Quoted(const std::string& text) {
    std::string t;
    for (char ch : text) {
        if (ch == '\r') {
            t += "\\r";
        } else if (ch == '\n') {
            t += "\\n";
        } else if (ch == '"' || ch == '\\') {
            t += '\\';
            t += ch;
        } else {
            t += ch;
        }
    }
    return t;
}

// Writes one trace line per observed event.
class TraceHooks : public RaceObserver,
                   public LptWriteObserver,
                   public SerialLine,
                   public PowerSupply,
                   public BusQueue,
                   public WindowRefresh {
public:
    explicit TraceHooks(SimContext& c) : c_(c) {}

    // The settings dialog's live view (while "dialog open").
    void SettingsLiveView() override { ZsaTimerFunktionen(c_.sys); }

    void OnReaction(int lane, int32_t ms) override {
        Line() << "reaction lane=" << lane << " ms=" << ms << '\n';
    }
    void OnLap(int lane) override {
        const SpurSatz& r = c_.sys.st.spuren.SpurDaten[lane];
        Line() << "lap lane=" << lane << " laps=" << r.Runden << " time=" << r.SekText << r.MsText
               << " total=" << r.Gesamtzeit << " best=" << (r.NeueBestzeit != 0 ? 1 : 0)
               << " pos=" << static_cast<int>(r.Platz) << '\n';
    }

    void OnLightStep(int step) override { Line() << "light " << step << '\n'; }
    void OnClip(int clip) override { Line() << "say clip=" << clip << '\n'; }
    void OnFalseStart(int lane) override { Line() << "falsestart lane=" << lane << '\n'; }
    void OnPower(int lane, bool on) override {
        Line() << "power lane=" << lane << (on ? " on" : " off") << '\n';
    }
    // Race results (only with --data-dir): the file, relative to the data directory.
    void OnResult(const std::string& path) override {
        const std::string& dir = c_.sys.datenVerzeichnis;
        const bool innen = path.size() > dir.size() && path.compare(0, dir.size(), dir) == 0;
        Line() << "result \"" << (innen ? path.substr(dir.size() + 1) : path) << "\"\n";
    }
    void OnLptWrite(int offset, uint8_t v) override {
        Line() << "lpt " << (offset == 0 ? "data" : "control") << "=0x" << Hex2(v) << '\n';
    }
    // The serial line: a simulated port that always opens, or, for a COM
    // number with ZIRKATO_COM<n> set, that real device. Only bytes that go out
    // are traced.
    bool Oeffnen(int com) override {
        const std::string var = "ZIRKATO_COM" + std::to_string(com);
        const char* dev = std::getenv(var.c_str());
        real_ = dev && *dev;
        if (!real_) return true;
        const bool ok = line_.Oeffnen(com);
        Line() << "serial-open COM" << com << ' ' << (ok ? "ok" : "failed") << '\n';
        return ok;
    }
    void Schliessen() override {
        if (real_) line_.Schliessen();
    }
    std::string Grund() const override { return real_ ? line_.Fehler() : std::string(); }
    Ergebnis Senden(const std::string& text) override {
        const Ergebnis e = real_ ? line_.Senden(text) : Ergebnis::Gesendet;
        if (e == Ergebnis::Gesendet) {
            Line() << "serial \"" << Quoted(text) << "\"\n";
        } else {
            Line() << "serial-" << (e == Ergebnis::Verworfen ? "dropped" : "gone") << " \"" << Quoted(text) << "\"\n";
        }
        return e;
    }
    void NetzteilSetzen(int idx, uint8_t v) override {
        Line() << "voltage lane=" << idx + 1 << " value=" << static_cast<int>(v) << '\n';
        c_.netzteil.NetzteilSetzen(idx, v);
    }
    void I2CSend(uint8_t addr, uint8_t d1, uint8_t d2, int count) override {
        Line() << "i2c addr=" << static_cast<int>(addr) << " data=" << static_cast<int>(d1) << ','
               << static_cast<int>(d2) << " count=" << count << '\n';
        c_.bus.I2CSend(addr, d1, d2, count);
    }
    // The engine's control writes show as "lpt control" lines.
    void I2CTakt(TickState& s, LptIo& port) override { c_.bus.I2CTakt(s, port); }
    void I2CReset(TickState& s, LptIo& port) override { c_.bus.I2CReset(s, port); }
    BusStatistik Statistik() const override { return c_.bus.Statistik(); }

    // Phase and safety-car changes; called after the tick, after the cycle and
    // after each action of a millisecond, so that two changes of one millisecond
    // (a pause and the resume right after it) both show.
    void NotePhase() {
        const RaceState& s = c_.sys.st;
        // A learned or reset mask/compare pair.
        for (int n = 1; n <= 10; ++n) {
            const int m = s.Maske[n], v = s.Vergleich[n];
            if (learnedSeen_ && (m != maske_[n] || v != vergleich_[n]))
                Line() << "teach input=" << n << " mask=" << m << " compare=" << v << '\n';
            maske_[n] = m;
            vergleich_[n] = v;
        }
        learnedSeen_ = true;
        // The phase itself is compared, not its name's address (equal names
        // need not share one).
        if (c_.sys.record.phase != phase_) {
            phase_ = c_.sys.record.phase;
            Line() << "phase " << PhaseName(phase_) << '\n';
        }
        if (s.rennen.SafetyCar != safetyCar_) {
            safetyCar_ = s.rennen.SafetyCar;
            Line() << "safetycar " << (safetyCar_ == 1 ? "on" : "off") << '\n';
        }
    }

    // At the end of each simulated millisecond: phase and changed fuel values.
    void AfterMs() {
        NotePhase();
        const RaceState& s = c_.sys.st;
        for (int l = 1; l <= kLanes; ++l) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.2f", s.spuren.SpurDaten[l].Tank);
            if (!tankSeen_) {
                tank_[l] = buf;
            } else if (tank_[l] != buf) {
                tank_[l] = buf;
                Line() << "fuel lane=" << l << " tank=" << buf << '\n';
            }
        }
        tankSeen_ = true;
    }

private:
    static std::string Hex2(uint8_t v) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", v);
        return buf;
    }
    std::ostream& Line() { return *c_.out << c_.sys.st.AktZeit.load() << ' '; }
    SimContext& c_;
    RacePhase phase_ = RacePhase::Idle;
    int16_t safetyCar_ = 0;
    std::array<std::string, kLanes + 1> tank_{};
    bool tankSeen_ = false;
    std::array<int, 11> maske_{}, vergleich_{};
    bool learnedSeen_ = false;
    TermiosSerialLine line_;
    bool real_ = false;
};

// Windows opened and closed by the core.
class TraceUi : public UiPort {
public:
    explicit TraceUi(SimContext& c) : c_(c) {}
    void OpenWindow(Fenster w) override { Line() << "window open " << FensterName(w) << '\n'; }
    void CloseWindow(Fenster w) override { Line() << "window close " << FensterName(w) << '\n'; }
    void ShowStatus(const std::string& t) override { Line() << "status \"" << t << "\"\n"; }
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override {
        Line() << "message \"" << Quoted(text) << "\"\n";
    }
    // The race director's list lines and the written workbooks.
    void DirectorLine(const std::string& line) { Line() << "director \"" << Quoted(line) << "\"\n"; }
    void Exported(const std::string& file) { Line() << "export \"" << Quoted(file) << "\"\n"; }

private:
    std::ostream& Line() { return *c_.out << c_.sys.st.AktZeit.load() << ' '; }
    SimContext& c_;
};

struct ActionDef {
    bool input;  // takes effect before the tick of its millisecond
    size_t minArgs, maxArgs;
    // Checks the arguments; returns an error text or "".
    std::string (*check)(const std::vector<std::string>&);
    void (*run)(SimContext&, const std::vector<std::string>&);
};

std::string CheckRange(const std::string& s, int64_t lo, int64_t hi, const char* what) {
    int64_t v = 0;
    if (!ParseInt(s, v) || v < lo || v > hi)
        return std::string(what) + " must be a number from " + std::to_string(lo) + " to " + std::to_string(hi);
    return "";
}

std::string NoCheck(const std::vector<std::string>&) { return ""; }

// A race command without arguments, run after the cycle of its millisecond.
ActionDef Command(void (*run)(SimContext&, const std::vector<std::string>&)) { return {false, 0, 0, NoCheck, run}; }

ActionDef PowerCommand(void (*run)(SimContext&, const std::vector<std::string>&)) {
    return {false, 1, 1, [](const std::vector<std::string>& a) { return CheckRange(a[0], 0, 8, "lane"); }, run};
}

// "lanenames" with the name every lane carries now.
void LaneNamesLine(SimContext& c) {
    *c.out << c.sys.st.AktZeit.load() << " lanenames";
    const SpurNamenListe n = SpurNamen(c.sys.st);
    for (int l = 1; l <= kLanes; ++l) *c.out << " \"" << Quoted(n[l]) << '"';
    *c.out << '\n';
}

// The typed character of a "key" action ("space" for the space bar).
char KeyChar(const std::string& a) { return a == "space" ? ' ' : a[0]; }

// Hex digits to bytes (blanks between arguments allowed); false on anything else.
bool HexBytes(const std::vector<std::string>& args, size_t from, std::string& out) {
    std::string digits;
    for (size_t i = from; i < args.size(); ++i) digits += args[i];
    if (digits.size() % 2 != 0) return false;
    out.clear();
    for (size_t i = 0; i < digits.size(); i += 2) {
        unsigned v = 0;
        const auto r = std::from_chars(digits.data() + i, digits.data() + i + 2, v, 16);
        if (r.ec != std::errc() || r.ptr != digits.data() + i + 2) return false;
        out.push_back(static_cast<char>(v));
    }
    return true;
}

std::string CheckHex(const std::vector<std::string>& a) {
    std::string b;
    return HexBytes(a, 0, b) ? "" : "expected hex bytes";
}

std::vector<uint8_t> Le32Bytes(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

std::string Hex(unsigned v, int width) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%0*X", width, v);
    return b;
}

// Hands bytes of the board's line to the decoder at this millisecond and
// traces what it makes of them (heartbeats only move its clock).
void BoardFeed(SimContext& c, const std::string& bytes) {
    const int32_t now = c.sys.st.AktZeit.load();
    if (c.boardFed) {
        c.boardHostUs += int64_t{TimeDiff(now, c.boardLastMs)} * 1000;
    } else {
        c.boardHostUs = int64_t{now} * 1000;
    }
    c.boardFed = true;
    c.boardLastMs = now;
    std::vector<BoardEvent> events;
    c.board.Feed(bytes, c.boardHostUs, events);
    // Board times on the program's millisecond clock, to the microsecond.
    auto at = [&](const BoardEvent& e) {
        char b[48];
        std::snprintf(b, sizeof b, "%.3f", static_cast<double>(now) + (e.hostUs - static_cast<double>(c.boardHostUs)) / 1000.0);
        return std::string(b);
    };
    for (const BoardEvent& e : events) {
        if (e.art == BoardEvent::Art::Heartbeat) continue;
        std::ostream& o = *c.out << now << ' ';
        switch (e.art) {
            case BoardEvent::Art::Hello: {
                const BoardHello& h = c.board.Decoder().Hello();
                o << "board hello protocol=" << int{h.protocol} << " firmware=" << int{h.fwMajor} << '.'
                  << int{h.fwMinor} << " id=" << Hex(h.boardId, 8) << " reset=" << Hex(h.resetCause, 2) << '\n';
                break;
            }
            case BoardEvent::Art::Restart: o << "board restart \"" << Quoted(e.text) << "\"\n"; break;
            case BoardEvent::Art::Refused: o << "board refused \"" << Quoted(e.text) << "\"\n"; break;
            case BoardEvent::Art::Edge:
                o << "board edge input=" << e.input << " level=" << e.level << " at=" << at(e) << '\n';
                break;
            case BoardEvent::Art::Applied:
                o << "board applied seq=" << int{e.cmdSeq} << " power=" << Hex(e.power, 2)
                  << " lamps=" << Hex(e.lamps, 2) << " at=" << at(e) << '\n';
                break;
            case BoardEvent::Art::Heartbeat: break;
        }
    }
}

// One well-formed message of the simulated board, with its next sequence number.
void BoardSend(SimContext& c, uint8_t type, const std::vector<uint8_t>& body) {
    BoardFeed(c, board::Frame(type, c.boardSeq++, body));
}

std::string CheckBoardTicks(const std::string& s) { return CheckRange(s, 0, 4294967295LL, "ticks"); }

const std::map<std::string, ActionDef>& Actions() {
    static const std::map<std::string, ActionDef> table = {
        // The USB sensor board: raw bytes of its line, or messages of a
        // simulated board (times in its 4 us ticks).
        {"board",
         {false, 1, 64, CheckHex,
          [](SimContext& c, const std::vector<std::string>& a) {
              std::string b;
              HexBytes(a, 0, b);
              BoardFeed(c, b);
          }}},
        {"board-hello",
         {false, 1, 2,
          [](const std::vector<std::string>& a) {
              std::string e = CheckBoardTicks(a[0]);
              return e.empty() && a.size() > 1 ? CheckRange(a[1], 0, 255, "protocol") : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              int64_t ticks = 0, protocol = board::kProtocolVersion;
              ParseInt(a[0], ticks);
              if (a.size() > 1) ParseInt(a[1], protocol);
              c.boardSeq = 0;
              std::vector<uint8_t> b{'Z', 'K', 'B', static_cast<uint8_t>(protocol), 1, 0, 0x01, 0, 0, 0, 0x01,
                                     4000 & 0xFF, 4000 >> 8, 10};
              for (uint8_t x : Le32Bytes(static_cast<uint32_t>(ticks))) b.push_back(x);
              BoardSend(c, board::kHello, b);
          }}},
        {"board-heartbeat",
         {false, 1, 1, [](const std::vector<std::string>& a) { return CheckBoardTicks(a[0]); },
          [](SimContext& c, const std::vector<std::string>& a) {
              int64_t ticks = 0;
              ParseInt(a[0], ticks);
              auto b = Le32Bytes(static_cast<uint32_t>(ticks));
              b.insert(b.end(), {0xFF, 0x03, 0, 0, 0});
              BoardSend(c, board::kHeartbeat, b);
          }}},
        {"board-edge",
         {false, 3, 3,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 1, 10, "input");
              if (e.empty()) e = CheckRange(a[1], 0, 1, "level");
              return e.empty() ? CheckBoardTicks(a[2]) : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              int64_t input = 0, level = 0, ticks = 0;
              ParseInt(a[0], input);
              ParseInt(a[1], level);
              ParseInt(a[2], ticks);
              std::vector<uint8_t> b{static_cast<uint8_t>(input), static_cast<uint8_t>(level)};
              for (uint8_t x : Le32Bytes(static_cast<uint32_t>(ticks))) b.push_back(x);
              BoardSend(c, board::kEdge, b);
          }}},
        {"board-applied",
         {false, 3, 3,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 0, 255, "power");
              if (e.empty()) e = CheckRange(a[1], 0, 255, "lamps");
              return e.empty() ? CheckBoardTicks(a[2]) : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              int64_t power = 0, lamps = 0, ticks = 0;
              ParseInt(a[0], power);
              ParseInt(a[1], lamps);
              ParseInt(a[2], ticks);
              std::vector<uint8_t> b{0, static_cast<uint8_t>(power), static_cast<uint8_t>(lamps)};
              for (uint8_t x : Le32Bytes(static_cast<uint32_t>(ticks))) b.push_back(x);
              BoardSend(c, board::kApplied, b);
          }}},
        // The board's edges time the race from now on, instead of the port
        // (the program's [Lpt] Sensoren = 1).
        {"board-sensors", Command([](SimContext& c, const std::vector<std::string>&) {
             c.sys.SetBoard(&c.board, 0);
             *c.out << c.sys.st.AktZeit.load() << " board-sensors\n";
         })},
        {"board-source",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              return a[0] == "port" || a[0] == "board" ? std::string() : "expected port or board, got '" + a[0] + "'";
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              c.sys.cfg.Lpt.Sensoren = a[0] == "board" ? int16_t{1} : int16_t{0};
              const std::string zeile = c.sys.SensorQuelleAnwenden();
              *c.out << c.sys.st.AktZeit.load() << " board-source " << a[0] << " \"" << Quoted(zeile) << "\"\n";
          }}},
        {"board-stats", Command([](SimContext& c, const std::vector<std::string>&) {
             const BoardStats& st = c.board.Decoder().Stats();
             *c.out << c.sys.st.AktZeit.load() << " board-stats frames=" << st.frames << " bad=" << st.badFrames
                    << " lost-frames=" << st.lostFrames << " lost-edges=" << st.lostEdges
                    << " impossible=" << st.impossibleTimes << " restarts=" << st.restarts
                    << " refused=" << st.refused << '\n';
         })},
        {"car",
         {true, 2, 2,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 1, 8, "lane");
              return e.empty() ? CheckRange(a[1], 1, 100000000, "duration") : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) { c.Hold(std::stoi(a[0]), std::stoi(a[1])); }}},
        {"input",
         {true, 2, 2,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 1, 10, "input");
              return e.empty() ? CheckRange(a[1], 1, 100000000, "duration") : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) { c.Hold(std::stoi(a[0]), std::stoi(a[1])); }}},
        {"green",
         {false, 0, 0, [](const std::vector<std::string>&) { return std::string(); },
          [](SimContext& c, const std::vector<std::string>&) { GreenWithoutLight(c.sys); }}},
        {"start", Command([](SimContext& c, const std::vector<std::string>&) { StartRace(c.sys); })},
        {"stop", Command([](SimContext& c, const std::vector<std::string>&) { StopRace(c.sys); })},
        {"pause", Command([](SimContext& c, const std::vector<std::string>&) { PauseRace(c.sys); })},
        {"resume", Command([](SimContext& c, const std::vector<std::string>&) { ResumeRace(c.sys); })},
        {"abort", Command([](SimContext& c, const std::vector<std::string>&) { AmpelAbbruch(c.sys); })},
        {"safetycar", Command([](SimContext& c, const std::vector<std::string>&) { SafetyCarButton(c.sys); })},
        {"poweron",
         PowerCommand([](SimContext& c, const std::vector<std::string>& a) { PowerOn(c.sys, std::stoi(a[0])); })},
        {"poweroff",
         PowerCommand([](SimContext& c, const std::vector<std::string>& a) { PowerOff(c.sys, std::stoi(a[0])); })},
        {"key",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              return a[0].size() == 1 || a[0] == "space" ? std::string()
                                                         : std::string("key must be one character or 'space'");
          },
          [](SimContext& c, const std::vector<std::string>& a) { StandardWindowKey(c.sys, KeyChar(a[0])); }}},
        {"mode",
         {false, 1, 1, [](const std::vector<std::string>& a) { return CheckRange(a[0], 0, 5, "mode"); },
          [](SimContext& c, const std::vector<std::string>& a) { ChooseRaceMode(c.sys, std::stoi(a[0])); }}},
        // Club races: the driver window's active list confirmed with "fertig",
        // and the result window's buttons.
        {"drivers",
         {false, 1, kMaxClubFahrer, NoCheck,
          [](SimContext& c, const std::vector<std::string>& a) {
              FahrerListen fl = FahrerListenLaden(c.sys);
              fl.aktiv.clear();
              for (const std::string& n : a) {
                  // A pool name moves to the active list, any other is added.
                  const auto it = std::find(fl.pool.begin(), fl.pool.end(), n);
                  if (it != fl.pool.end()) fl.pool.erase(it);
                  fl.aktiv.push_back(n);
              }
              FahrerBestaetigen(c.sys, fl);
          }}},
        {"club",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              return a[0] == "weiter" || a[0] == "repeat" ? std::string() : std::string("expected weiter or repeat");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              if (a[0] == "weiter") {
                  c.sys.ClubRace().Weiter();
              } else {
                  c.sys.ClubRace().Wiederholen();
              }
          }}},
        // The driver-selection window: the lane names of ordinary races.
        {"lane-names",
         {false, 1, 8, NoCheck,
          [](SimContext& c, const std::vector<std::string>& a) {
              SpurNamenListe n = SpurNamen(c.sys.st);
              for (size_t i = 0; i < a.size(); ++i) n[i + 1] = a[i] == "-" ? std::string() : a[i];
              SpurNamenSetzen(c.sys, n);
              LaneNamesLine(c);
          }}},
        {"teams", Command([](SimContext& c, const std::vector<std::string>&) {
             TeamNamenSetzen(c.sys);
             LaneNamesLine(c);
         })},
        {"laps",
         {false, 1, 1, NoCheck,
          [](SimContext& c, const std::vector<std::string>& a) { LapInputChanged(c.sys, a[0]); }}},
        // The serial tab of the settings dialog: options, buttons, port choice.
        {"serial-option",
         {false, 2, 2,
          [](const std::vector<std::string>& a) {
              static const char* names[] = {"azt1", "azt2", "azt3", "azt4", "alt",  "laps",
                                            "time", "position", "uhr", "taz", "tnt"};
              if (std::find_if(std::begin(names), std::end(names), [&](const char* n) { return a[0] == n; }) ==
                  std::end(names))
                  return std::string("option must be azt1..azt4, alt, laps, time, position, uhr, taz or tnt");
              return CheckRange(a[1], 0, 1, "value");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              const auto v = static_cast<int16_t>(std::stoi(a[1]));
              const std::string& o = a[0];
              if (o.rfind("azt", 0) == 0) AztAktivSetzen(c.sys, o[3] - '1', v);
              else if (o == "alt") AlteAztSetzen(c.sys, v);
              else if (o == "laps") AztAnzeigeSetzen(c.sys, AztAnzeige::Laps, v);
              else if (o == "time") AztAnzeigeSetzen(c.sys, AztAnzeige::Time, v);
              else if (o == "position") AztAnzeigeSetzen(c.sys, AztAnzeige::Position, v);
              else if (o == "uhr") AztAnzeigeSetzen(c.sys, AztAnzeige::Uhr, v);
              else if (o == "taz") TankAnzeigeSetzen(c.sys, v);
              else LeistungsmodulSetzen(c.sys, v);
          }}},
        {"serial-button",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              static const char* names[] = {"version", "maxstrom", "spuren", "banner", "taz-ein", "taz-aus", "taz-blinken"};
              return std::find_if(std::begin(names), std::end(names), [&](const char* n) { return a[0] == n; }) ==
                             std::end(names)
                         ? std::string("button must be version, maxstrom, spuren, banner, taz-ein, taz-aus or taz-blinken")
                         : std::string();
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              const std::string& b = a[0];
              if (b == "version") FwVersionZeigen(c.sys);
              else if (b == "maxstrom") MaximalerStrom(c.sys);
              else if (b == "spuren") SpurzuordnungZeigen(c.sys);
              else if (b == "banner") BannerZeigen(c.sys);
              else if (b == "taz-ein") TankAnzeigenAlleEin(c.sys);
              else if (b == "taz-aus") TankAnzeigenAlleAus(c.sys);
              else TankAnzeigenBlinken(c.sys);
          }}},
        {"serial-port",
         {false, 1, 1, [](const std::vector<std::string>& a) { return CheckRange(a[0], 1, 20, "port"); },
          [](SimContext& c, const std::vector<std::string>& a) { ComPortWaehlen(c.sys, std::stoi(a[0])); }}},
        // The lane-voltage window: "volt L +" / "volt L -" (0.1 V), "volt L 9|12|15|18"
        // (a preset button); lane 0 is the group "Alle Spuren".
        {"volt",
         {false, 2, 2,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 0, 8, "lane");
              if (!e.empty()) return e;
              static const char* const ok[] = {"+", "-", "9", "12", "15", "18"};
              for (const char* o : ok)
                  if (a[1] == o) return std::string();
              return std::string("step must be +, -, 9, 12, 15 or 18");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              const std::string& k = a[1];
              const VoltKnopf knopf = k == "+"    ? VoltKnopf::Plus1
                                      : k == "-"  ? VoltKnopf::Minus1
                                      : k == "9"  ? VoltKnopf::Volt9
                                      : k == "12" ? VoltKnopf::Volt12
                                      : k == "15" ? VoltKnopf::Volt15
                                                  : VoltKnopf::Volt18;
              const int lane = std::stoi(a[0]);
              if (lane == 0) {
                  AlleSpurenDruecken(c.sys, knopf);
              } else {
                  VoltKnopfDruecken(c.sys, lane, knopf);
              }
          }}},
        {"minutes",
         {false, 1, 1, NoCheck,
          [](SimContext& c, const std::vector<std::string>& a) {
              TimeInputChanged(c.sys, a[0]);
              TimeInputClose(c.sys);
          }}},
        // The lane-change window: "next" its Close button, "start" its Start
        // button (the next segment starts at once).
        {"lanechange",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              return a[0] == "next" || a[0] == "start" ? std::string() : std::string("expected next or start");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              SpurwechselRennen* w = c.sys.club().Spurwechsel();
              if (!w) return;
              if (a[0] == "start") {
                  w->Starten();
              } else {
                  w->Weiter();
              }
          }}},
        // The race director's desk, lap recording and the lap spreadsheet.
        {"director",
         {false, 2, 2,
          [](const std::vector<std::string>& a) {
              if (a[0] != "plus" && a[0] != "minus" && a[0] != "reset" && a[0] != "vplus" && a[0] != "vminus")
                  return std::string("expected plus, minus, reset, vplus or vminus");
              return CheckRange(a[1], 1, 8, "lane");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              const int lane = std::stoi(a[1]);
              if (a[0] == "reset") {
                  ResetBestLap(c.sys, lane);
              } else if (a[0] == "vplus" || a[0] == "vminus") {
                  // The desk's voltage buttons; at a limit nothing changes and no
                  // voltage line follows.
                  LaneVoltageStep(c.sys, lane, a[0] == "vplus");
              } else {
                  LapCorrection(c.sys, lane, a[0] == "plus" ? 1 : -1);
              }
          }}},
        {"record",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              return a[0] == "on" || a[0] == "off" ? std::string() : std::string("expected on or off");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              if (a[0] == "on") {
                  c.sys.Laps().Start();
              } else {
                  c.sys.Laps().Stop();
              }
          }}},
        // The settings dialog and the teach-in of its sensor tab "Lichtschranken".
        {"teach",
         {false, 1, 1, [](const std::vector<std::string>& a) { return CheckRange(a[0], 1, 10, "input"); },
          [](SimContext& c, const std::vector<std::string>& a) { TeachInKlick(c.sys, std::stoi(a[0])); }}},
        {"teach-reset", Command([](SimContext& c, const std::vector<std::string>&) { TeachInReset(c.sys); })},
        // Any other control of the settings dialog, by its name; traced with what it shows afterwards.
        {"dialog-set",
         {false, 2, 2,
          [](const std::vector<std::string>& a) {
              const auto has = [&](const std::vector<std::string>& names) {
                  return std::find(names.begin(), names.end(), a[0]) != names.end();
              };
              if (has(ZsaTextfelder())) return std::string();
              if (has(ZsaCheckboxen())) return CheckRange(a[1], 0, 1, "value");
              if (has(ZsaOptionKnoepfe())) return CheckRange(a[1], 1, 1, "value");
              if (a[0] == "cmbPPort") return CheckRange(a[1], 0, 3, "index");
              if (a[0].rfind("cmbOut1_", 0) == 0 && a[0].size() == 9 && a[0][8] >= '0' && a[0][8] <= '2')
                  return CheckRange(a[1], 0, 2, "index");
              return std::string("unknown control of the settings dialog");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              const std::string& n = a[0];
              const auto has = [&](const std::vector<std::string>& names) {
                  return std::find(names.begin(), names.end(), n) != names.end();
              };
              std::string shows;
              if (has(ZsaTextfelder())) {
                  shows = ZsaTextEingabe(c.sys, n, a[1]);
              } else if (has(ZsaCheckboxen())) {
                  ZsaCheckSetzen(c.sys, n, static_cast<int16_t>(std::stoi(a[1])));
                  shows = std::to_string(ZsaCheckWert(c.sys, n));
              } else if (has(ZsaOptionKnoepfe())) {
                  ZsaOptionWaehlen(c.sys, n);
                  shows = ZsaOptionGewaehlt(c.sys, n) ? "1" : "0";
              } else {
                  ZsaListeWaehlen(c.sys, n, std::stoi(a[1]));
                  shows = std::to_string(ZsaListeWert(c.sys, n));
              }
              *c.out << c.sys.st.AktZeit.load() << " dialog " << n << "=\"" << Quoted(shows) << "\"\n";
          }}},
        {"dialog",
         {false, 1, 1,
          [](const std::vector<std::string>& a) {
              return a[0] == "open" || a[0] == "close" ? std::string() : std::string("expected open or close");
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              if (a[0] == "open") {
                  ZsaOeffnen(c.sys);
                  ZsaReiterGewaehlt(c.sys, kZsaReiterLichtschranken);
              } else {
                  ZsaSchliessen(c.sys);
              }
          }}},
        {"export", Command([](SimContext& c, const std::vector<std::string>&) {
             // The replay has no date: its workbooks carry 2000-01-01 and the
             // simulated time of day.
             std::string t = c.wall.TimeOfDay();
             t.erase(std::remove(t.begin(), t.end(), ':'), t.end());
             c.sys.Laps().Export("20000101_" + t);
         })},
    };
    return table;
}

}  // namespace

bool ReadScenarioFile(const std::string& path, std::string& text, std::string& why) {
    // The kind is checked before opening: a FIFO would block, a device never end.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        why = "is a directory";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    text.clear();
    why.clear();
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) why = "not a regular file";
    char buf[65536];
    while (why.empty()) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
        } else if (n == 0) {
            break;
        } else if (text.size() + static_cast<size_t>(n) > kMaxScenarioBytes) {
            why = "larger than " + std::to_string(kMaxScenarioBytes / (1024 * 1024)) + " MiB";
        } else {
            text.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return why.empty();
}

std::vector<std::string> SplitScenarioLine(const std::string& line, bool* ok) {
    std::vector<std::string> words;
    std::string cur;
    bool inQuotes = false, have = false;
    for (char ch : line) {
        if (inQuotes) {
            if (ch == '"') {
                inQuotes = false;
            } else {
                cur += ch;
            }
        } else if (ch == '"') {
            inQuotes = true;
            have = true;
        } else if (ch == ' ' || ch == '\t' || ch == '\r') {
            if (have) words.push_back(cur);
            cur.clear();
            have = false;
        } else {
            cur += ch;
            have = true;
        }
    }
    if (have) words.push_back(cur);
    if (ok) *ok = !inQuotes;
    return words;
}

bool ParseScenario(const std::string& text, Scenario& out, ScenarioError& err) {
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    bool haveEnd = false, haveTime = false;
    while (std::getline(in, raw)) {
        ++lineNo;
        // A '#' outside quotes starts a comment.
        std::string line;
        bool q = false;
        for (char ch : raw) {
            if (ch == '"') q = !q;
            if (ch == '#' && !q) break;
            line += ch;
        }
        bool ok = true;
        auto w = SplitScenarioLine(line, &ok);
        if (!ok) {
            err = {lineNo, "unterminated quote"};
            return false;
        }
        if (w.empty()) continue;
        if (haveEnd) {
            err = {lineNo, "nothing may follow 'end'"};
            return false;
        }
        if (w[0] == "set") {
            if (w.size() != 4) {
                err = {lineNo, "expected: set SECTION KEY VALUE"};
                return false;
            }
            out.settings.push_back(w);
            out.settingsLines.push_back(lineNo);
        } else if (w[0] == "ini") {
            if (w.size() != 2) {
                err = {lineNo, "expected: ini PATH"};
                return false;
            }
            out.settings.push_back(w);
            out.settingsLines.push_back(lineNo);
        } else if (w[0] == "set-time") {
            int32_t sec = 0;
            if (w.size() != 2 || !ParseTimeOfDay(w[1], sec)) {
                err = {lineNo, "expected: set-time HH:MM:SS (00:00:00 to 23:59:59)"};
                return false;
            }
            if (haveTime) {
                err = {lineNo, "set-time given twice"};
                return false;
            }
            out.startTimeOfDay = sec;
            haveTime = true;
        } else if (w[0] == "clock-start") {
            int64_t ms = 0;
            if (w.size() != 2 || !ParseInt(w[1], ms) || ms < 0 || ms > int64_t{UINT32_MAX}) {
                err = {lineNo, "expected: clock-start MS (MS a whole number from 0 to 4294967295)"};
                return false;
            }
            if (out.haveClockStart) {
                err = {lineNo, "'clock-start' given twice"};
                return false;
            }
            out.clockStart = static_cast<uint32_t>(ms);
            out.haveClockStart = true;
        } else if (w[0] == "at") {
            int64_t ms = 0;
            if (w.size() < 3 || !ParseInt(w[1], ms) || ms < 1 || ms > INT32_MAX) {
                err = {lineNo, "expected: at MS ACTION (MS a whole number from 1)"};
                return false;
            }
            const auto it = Actions().find(w[2]);
            if (it == Actions().end()) {
                err = {lineNo, "unknown action '" + w[2] + "'"};
                return false;
            }
            std::vector<std::string> args(w.begin() + 3, w.end());
            if (args.size() < it->second.minArgs || args.size() > it->second.maxArgs) {
                err = {lineNo, "wrong number of arguments for '" + w[2] + "'"};
                return false;
            }
            if (std::string e = it->second.check(args); !e.empty()) {
                err = {lineNo, w[2] + ": " + e};
                return false;
            }
            out.actions.push_back(ScenarioAction{lineNo, static_cast<int32_t>(ms), w[2], std::move(args)});
        } else if (w[0] == "wire") {
            int64_t l = 0, bit = 0;
            if (w.size() != 4 || !ParseInt(w[1], l) || l < 1 || l > 10 || !ParseInt(w[2], bit) || bit < 0 || bit > 7 ||
                (w[3] != "high" && w[3] != "low")) {
                err = {lineNo, "expected: wire L BIT high|low (L 1 to 10, BIT 0 to 7)"};
                return false;
            }
            for (const ScenarioWire& x : out.wires) {
                if (x.input == l || x.bit == bit) {
                    err = {lineNo, x.input == l ? "input " + std::to_string(l) + " is wired twice"
                                                : "bit " + std::to_string(bit) + " is wired twice"};
                    return false;
                }
            }
            out.wires.push_back(ScenarioWire{static_cast<int>(l), static_cast<int>(bit), w[3] == "high"});
        } else if (w[0] == "end") {
            int64_t ms = 0;
            if (w.size() != 2 || !ParseInt(w[1], ms) || ms < 0 || ms > kMaxScenarioMs) {
                err = {lineNo, "expected: end MS (MS a whole number from 0 to " + std::to_string(kMaxScenarioMs) + ")"};
                return false;
            }
            out.endMs = static_cast<int32_t>(ms);
            haveEnd = true;
        } else {
            err = {lineNo, "unknown line '" + w[0] + "'"};
            return false;
        }
    }
    if (!haveEnd) {
        err = {lineNo, "missing 'end MS'"};
        return false;
    }
    for (const auto& a : out.actions) {
        if (a.ms > out.endMs) {
            err = {a.line, "action after the end time"};
            return false;
        }
    }
    return true;
}

bool RunScenario(const Scenario& sc, std::ostream& trace, ScenarioError& err) {
    auto ctx = std::make_unique<SimContext>();
    SimContext& c = *ctx;
    c.out = &trace;
    TraceHooks hooks(c);
    TraceUi traceUi(c);
    RaceSystem& sys = c.sys;
    sys.SetObserver(&hooks);
    sys.SetSerial(&hooks);
    sys.SetSupply(&hooks);
    sys.SetBus(&hooks);
    sys.SetWindows(&hooks);
    c.wires = sc.wires;
    c.port.SetWriteObserver(&hooks);
    sys.SetUi(&traceUi);
    for (const auto& a : sc.actions) {
        if ((a.name == "record" || a.name == "export") && sc.dataDir.empty()) {
            err = {a.line, "'" + a.name + "' needs --data-dir"};
            return false;
        }
    }
    sys.SetDataDir(sc.dataDir);
    sys.Desk().SetLineHook([&traceUi](const std::string& l) { traceUi.DirectorLine(l); });
    sys.Laps().SetExportHook([&traceUi](const std::string& f) { traceUi.Exported(f); });
    sys.SetDirector(&sys.Desk());
    sys.SetRecorder(&sys.Laps());
    sys.SetClub(&sys.ClubRace());
    sys.ClubRace().SetTraceHook([&c, &trace](const std::string& l) { trace << c.sys.st.AktZeit.load() << ' ' << l << '\n'; });
    sys.ClubRace().Spurwechsel()->SetTraceHook(
        [&c](const std::string& l) { *c.out << c.sys.st.AktZeit.load() << ' ' << l << '\n'; });
    sys.SetAnnouncer(&c.ansage);
    c.ansage.SetSoundDirs(sc.soundDirs);
    c.wall.SetStart(sc.startTimeOfDay);
    // Scenario millisecond -> clock reading (two's-complement wrap of the 32-bit clock).
    const auto clockAt = [&sc](int64_t ms) { return static_cast<int32_t>(static_cast<uint32_t>(sc.clockStart + static_cast<uint64_t>(ms))); };
    c.clock.Set(clockAt(0));

    // The settings file of this run, in memory only: the first-run values written
    // out as a valid file; an "ini" line replaces it by a file's content, a "set"
    // line writes one key. The real reader then reads it as at program start.
    ProfileFile ini;
    SetIniDefaults(sys.cfg);
    WriteSettingsDocument(sys, ini.Doc(), true);
    for (size_t i = 0; i < sc.settings.size(); ++i) {
        const auto& w = sc.settings[i];
        if (w[0] == "ini") {
            const std::string path = w[1].empty() || w[1][0] == '/' ? w[1] : sc.baseDir + "/" + w[1];
            ProfileFile src(path);
            if (!src.Exists() || !src.Load()) {
                err = {sc.settingsLines[i], "cannot read settings file " + path};
                return false;
            }
            ini.Doc().SetBytes(src.Doc().Bytes());
            continue;
        }
        if (!IsIniKey(w[1], w[2]) || !ini.Doc().Set(w[1], w[2], w[3])) {
            err = {sc.settingsLines[i], "unknown setting [" + w[1] + "] " + w[2]};
            return false;
        }
    }
    ReadIniFile(sys, ini);
    sys.StartUp([&c] { c.ansage.SoundInit(); });
    // As the program does at start-up, [FrmRennleitung] "RL" 1 loads the desk.
    if (sys.cfg.FrmRennleitung.RL == 1) sys.st.fenster.FensterOffen[kWinRennleitung] = kTrue;

    // Actions sorted by time, scenario order kept within one millisecond.
    std::vector<const ScenarioAction*> acts;
    for (const auto& a : sc.actions) acts.push_back(&a);
    std::stable_sort(acts.begin(), acts.end(), [](auto* a, auto* b) { return a->ms < b->ms; });

    MsStepHooks step;
    step.afterTick = [&] {
        hooks.NotePhase();
        for (auto& left : c.activeLeft)
            if (left > 0) --left;
        // A clip that has ended starts the next digit before the cycle.
        c.ansage.ClipPoll();
    };
    // A change of the sensor source asked for during a race is made once the
    // track is idle, after the cycle, as the program does.
    const auto quelleNachziehen = [&sys, &trace] {
        if (sys.SensorQuelleNachziehen())
            trace << sys.st.AktZeit.load() << " board-source switched " << (sys.cfg.Lpt.Sensoren == 1 ? "board" : "port")
                  << '\n';
    };
    step.afterCycle = [&hooks, quelleNachziehen] {
        hooks.NotePhase();
        quelleNachziehen();
    };
    if (sc.live) {
        sys.SetLive(sc.live);
        step.afterCycle = [&hooks, &sys, &trace, quelleNachziehen] {
            hooks.NotePhase();
            quelleNachziehen();
            sys.PublishLive();
            trace.flush();
        };
    }
    const auto wallStart = std::chrono::steady_clock::now();

    size_t next = 0;
    // 64 bits, so that even an end time at the top of the 32-bit range ends.
    for (int64_t ms64 = 1; ms64 <= sc.endMs; ++ms64) {
        const auto ms = static_cast<int32_t>(ms64);
        const size_t first = next;
        while (next < acts.size() && acts[next]->ms == ms) ++next;
        for (size_t i = first; i < next; ++i) {
            const auto& def = Actions().at(acts[i]->name);
            if (def.input) def.run(c, acts[i]->args);
        }
        // Served live: each cycle waits for its moment on the wall clock.
        if (sc.live && ms % kCycleMs == 0) std::this_thread::sleep_until(wallStart + std::chrono::milliseconds(ms64));
        StepMillisecond(sys, c.clock, c.port, clockAt(ms64), c.InputWord(), ms % kCycleMs == 0, step);
        for (size_t i = first; i < next; ++i) {
            const auto& def = Actions().at(acts[i]->name);
            if (def.input) continue;
            def.run(c, acts[i]->args);
            hooks.NotePhase();
        }
        hooks.AfterMs();
    }
    // Program end as the program runs it: a running race stops, the track gets
    // its power back, recording ends, the display boards' closing sequence, then
    // the windows close (a loaded desk saves its running list).
    ProgramEnd(sys, {}, [&sys] {
        if (sys.st.fenster.FensterOffen[kWinRennleitung] != 0) sys.Desk().Unloaded();
    });
    hooks.NotePhase();
    if (sc.live) {
        sys.PublishLive();
        trace.flush();
        sys.SetLive(nullptr);
    }
    return true;
}

}  // namespace zk
