#include "sim/Scenario.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <map>
#include <ostream>
#include <sstream>

#include "devices/AudioOutput.h"
#include "devices/SimLptIo.h"
#include "race/RaceModes.h"
#include "race/RaceSequence.h"
#include "race/StartLight.h"
#include "race/Zeitansage.h"
#include "system/IniFileIO.h"
#include "settings/ProfileFile.h"
#include "settings/ProfileParse.h"
#include "settings/Settings.h"
#include "base/Clock.h"
#include "tick/FastTimer.h"
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
    // Spoken lap times: each clip plays for its file's real duration on the
    // simulated clock.
    ClockedAudioOutput audio{clock};
    Zeitansage ansage{sys, audio};
    std::array<int32_t, 11> activeLeft{};  // remaining active ticks per input 1..10
    std::ostream* out = nullptr;

    // Holds input n for d ticks from this one; an input still held stays held
    // until the later of both ends.
    void Hold(int n, int32_t d) { activeLeft[n] = std::max(activeLeft[n], d); }

    // Input word with the inputs that are held now.
    uint8_t InputWord() const {
        uint16_t active = 0;
        for (int n = 1; n <= 10; ++n)
            if (activeLeft[n] > 0) active = static_cast<uint16_t>(active | (1u << n));
        return ComposeInputWord(sys.st, active);
    }
};

// Writes one trace line per observed event.
class TraceHooks : public RaceObserver,
                   public LptWriteObserver,
                   public SerialLine,
                   public PowerSupply,
                   public BusQueue {
public:
    explicit TraceHooks(SimContext& c) : c_(c) {}

    void OnReaction(int lane, int32_t ms) override {
        Line() << "reaction lane=" << lane << " ms=" << ms << '\n';
    }
    void OnLap(int lane) override {
        const SpurSatz& r = c_.sys.st.SpurDaten[lane];
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
    void OnLptWrite(int offset, uint8_t v) override {
        Line() << "lpt " << (offset == 0 ? "data" : "control") << "=0x" << Hex2(v) << '\n';
    }
    void Senden(const std::string& text) override {
        std::string t;
        for (char ch : text) {
            if (ch == '\r') {
                t += "\\r";
            } else if (ch == '"' || ch == '\\') {
                t += '\\';
                t += ch;
            } else {
                t += ch;
            }
        }
        Line() << "serial \"" << t << "\"\n";
    }
    void NetzteilSetzen(int idx, uint8_t v) override {
        Line() << "voltage lane=" << idx + 1 << " value=" << static_cast<int>(v) << '\n';
    }
    void I2CSend(uint8_t addr, uint8_t d1, uint8_t d2, int count) override {
        Line() << "i2c addr=" << static_cast<int>(addr) << " data=" << static_cast<int>(d1) << ','
               << static_cast<int>(d2) << " count=" << count << '\n';
    }
    void I2CTakt(TickState&, LptIo&) override {}

    // Phase and safety-car changes; called after the tick, after the cycle and
    // after each action of a millisecond, so that two changes of one millisecond
    // (a pause and the resume right after it) both show.
    void NotePhase() {
        const RaceState& s = c_.sys.st;
        const char* phase = Phase(s);
        if (phase != phase_) {
            phase_ = phase;
            Line() << "phase " << phase << '\n';
        }
        if (s.SafetyCar != safetyCar_) {
            safetyCar_ = s.SafetyCar;
            Line() << "safetycar " << (safetyCar_ == 1 ? "on" : "off") << '\n';
        }
    }

    // At the end of each simulated millisecond: phase and changed fuel values.
    void AfterMs() {
        NotePhase();
        const RaceState& s = c_.sys.st;
        for (int l = 1; l <= kLanes; ++l) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.2f", s.SpurDaten[l].Tank);
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
    // The phase from the race flags. A set Pause always shows: as "paused" while
    // its after-run runs or is over (also when the start light still shows after
    // green), as "restart" when a start light runs with it. The after-run shows
    // whether or not the start light is still on screen after green.
    static const char* Phase(const RaceState& s) {
        const bool start = s.StartPhase != 0, laeuft = s.RennenLaeuft != 0;
        if (s.Pause != 0) return start && s.NachlaufStatus == Nachlauf::Aus ? "restart" : "paused";
        if (!laeuft) return start ? "startlight" : "idle";
        return s.NachlaufStatus != Nachlauf::Aus ? "afterrun" : "racing";
    }
    std::ostream& Line() { return *c_.out << c_.sys.st.AktZeit.load() << ' '; }
    SimContext& c_;
    const char* phase_ = "idle";
    int16_t safetyCar_ = 0;
    std::array<std::string, kLanes + 1> tank_{};
    bool tankSeen_ = false;
};

// Windows opened and closed by the core.
class TraceUi : public UiPort {
public:
    explicit TraceUi(SimContext& c) : c_(c) {}
    void OpenWindow(Fenster w) override { Line() << "window open " << FensterName(w) << '\n'; }
    void CloseWindow(Fenster w) override { Line() << "window close " << FensterName(w) << '\n'; }

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

// The typed character of a "key" action ("space" for the space bar).
char KeyChar(const std::string& a) { return a == "space" ? ' ' : a[0]; }

const std::map<std::string, ActionDef>& Actions() {
    static const std::map<std::string, ActionDef> table = {
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
          [](SimContext& c, const std::vector<std::string>&) {
              RaceState& s = c.sys.st;
              s.RennenLaeuft = kTrue;
              for (int l = 0; l <= kLanes; ++l) s.LetzteDurchfahrt[l] = s.AktZeit;
          }}},
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
         {false, 1, 1, [](const std::vector<std::string>& a) { return CheckRange(a[0], 0, 2, "mode"); },
          [](SimContext& c, const std::vector<std::string>& a) { ChooseRaceMode(c.sys, std::stoi(a[0])); }}},
        {"laps",
         {false, 1, 1, NoCheck,
          [](SimContext& c, const std::vector<std::string>& a) { LapInputChanged(c.sys, a[0]); }}},
        {"minutes",
         {false, 1, 1, NoCheck,
          [](SimContext& c, const std::vector<std::string>& a) {
              TimeInputChanged(c.sys, a[0]);
              TimeInputClose(c.sys);
          }}},
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
    c.port.SetWriteObserver(&hooks);
    sys.SetUi(&traceUi);
    sys.SetAnnouncer(&c.ansage);
    c.ansage.SetSoundDirs(sc.soundDirs);
    TickContext tick = sys.Tick();
    c.wall.SetStart(sc.startTimeOfDay);

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
    if (sys.cfg.Audio.Zeitansage == 1) c.ansage.SoundInit();
    sys.InitProgram();
    c.port.SetBase(static_cast<uint16_t>(sys.st.LptBasis));

    // Actions sorted by time, scenario order kept within one millisecond.
    std::vector<const ScenarioAction*> acts;
    for (const auto& a : sc.actions) acts.push_back(&a);
    std::stable_sort(acts.begin(), acts.end(), [](auto* a, auto* b) { return a->ms < b->ms; });

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
        c.clock.Set(ms);
        c.port.SetInputWord(c.InputWord());
        FastTimerTick(tick);
        hooks.NotePhase();
        for (auto& left : c.activeLeft)
            if (left > 0) --left;
        // A clip that has ended starts the next digit before the cycle.
        c.ansage.ClipPoll();
        if (ms % 100 == 0) {
            MainLoopCycle(sys);
            hooks.NotePhase();
        }
        for (size_t i = first; i < next; ++i) {
            const auto& def = Actions().at(acts[i]->name);
            if (def.input) continue;
            def.run(c, acts[i]->args);
            hooks.NotePhase();
        }
        hooks.AfterMs();
    }
    return true;
}

}  // namespace zk
