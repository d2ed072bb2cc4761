#include "sim/Scenario.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>
#include <ostream>
#include <sstream>

#include "hardware/SimLptIo.h"
#include "settings/ProfileParse.h"
#include "settings/Settings.h"
#include "timing/Clock.h"
#include "timing/FastTimer.h"
#include "timing/InterneZeit.h"
#include "timing/RaceSystem.h"

namespace zk {

namespace {

bool ParseInt(const std::string& s, int64_t& v) {
    const char* b = s.data();
    const char* e = s.data() + s.size();
    auto r = std::from_chars(b, e, v);
    return r.ec == std::errc() && r.ptr == e;
}

// The state a running scenario works on.
struct SimContext {
    ManualMsClock clock{0};
    SimLptIo port{&clock};
    DerivedWallClock wall{clock};
    RaceSystem sys{clock, port, wall};
    std::array<int32_t, 11> activeLeft{};  // remaining active ticks per input 1..10
    std::ostream* out = nullptr;

    // Input word with no input active, and with the inputs that are held now.
    uint8_t InputWord() const {
        uint8_t w = 0;
        for (int n = 1; n <= 10; ++n) {
            const auto m = static_cast<uint8_t>(sys.st.Maske[n].load());
            const auto c = static_cast<uint8_t>(sys.st.Vergleich[n].load());
            w = static_cast<uint8_t>((w & ~m) | (~c & m));
        }
        for (int n = 1; n <= 10; ++n) {
            if (activeLeft[n] <= 0) continue;
            const auto m = static_cast<uint8_t>(sys.st.Maske[n].load());
            const auto c = static_cast<uint8_t>(sys.st.Vergleich[n].load());
            w = static_cast<uint8_t>((w & ~m) | (c & m));
        }
        return w;
    }
};

// Writes one trace line per observed event.
class TraceHooks : public RaceHooks {
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

const std::map<std::string, ActionDef>& Actions() {
    static const std::map<std::string, ActionDef> table = {
        {"car",
         {true, 2, 2,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 1, 8, "lane");
              return e.empty() ? CheckRange(a[1], 1, 100000000, "duration") : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              c.activeLeft[std::stoi(a[0])] = std::stoi(a[1]);
          }}},
        {"input",
         {true, 2, 2,
          [](const std::vector<std::string>& a) {
              std::string e = CheckRange(a[0], 1, 10, "input");
              return e.empty() ? CheckRange(a[1], 1, 100000000, "duration") : e;
          },
          [](SimContext& c, const std::vector<std::string>& a) {
              c.activeLeft[std::stoi(a[0])] = std::stoi(a[1]);
          }}},
        {"green",
         {false, 0, 0, [](const std::vector<std::string>&) { return std::string(); },
          [](SimContext& c, const std::vector<std::string>&) {
              RaceState& s = c.sys.st;
              s.RennenLaeuft = kTrue;
              for (int l = 0; l <= kLanes; ++l) s.LetzteDurchfahrt[l] = s.AktZeit;
          }}},
    };
    return table;
}

}  // namespace

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
    bool haveEnd = false;
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
        if (w[0] == "set") {
            if (w.size() != 4) {
                err = {lineNo, "expected: set SECTION KEY VALUE"};
                return false;
            }
            out.settings.push_back(w);
            out.settingsLines.push_back(lineNo);
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
            if (w.size() != 2 || !ParseInt(w[1], ms) || ms < 0 || ms > INT32_MAX) {
                err = {lineNo, "expected: end MS"};
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
    RaceSystem& sys = c.sys;
    sys.SetHooks(&hooks);

    SetIniDefaults(sys.cfg);
    for (size_t i = 0; i < sc.settings.size(); ++i) {
        const auto& w = sc.settings[i];
        const KeyDef* def = FindSettingsKey(w[1], w[2]);
        if (!def) {
            err = {sc.settingsLines[i], "unknown setting [" + w[1] + "] " + w[2]};
            return false;
        }
        SetKeyFromText(sys.cfg, *def, w[3]);
    }
    sys.InitProgram();
    c.port.SetBase(static_cast<uint16_t>(sys.st.LptBasis));

    // Actions sorted by time, scenario order kept within one millisecond.
    std::vector<const ScenarioAction*> acts;
    for (const auto& a : sc.actions) acts.push_back(&a);
    std::stable_sort(acts.begin(), acts.end(), [](auto* a, auto* b) { return a->ms < b->ms; });

    size_t next = 0;
    for (int32_t ms = 1; ms <= sc.endMs; ++ms) {
        const size_t first = next;
        while (next < acts.size() && acts[next]->ms == ms) ++next;
        for (size_t i = first; i < next; ++i) {
            const auto& def = Actions().at(acts[i]->name);
            if (def.input) def.run(c, acts[i]->args);
        }
        c.clock.Set(ms);
        c.port.SetInputWord(c.InputWord());
        FastTimerTick(sys);
        for (auto& left : c.activeLeft)
            if (left > 0) --left;
        if (ms % 100 == 0) MainLoopCycle(sys);
        for (size_t i = first; i < next; ++i) {
            const auto& def = Actions().at(acts[i]->name);
            if (!def.input) def.run(c, acts[i]->args);
        }
    }
    return true;
}

}  // namespace zk
