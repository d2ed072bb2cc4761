#include "devices/BoardReader.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <glob.h>

#include "base/Clock.h"

namespace zk {

bool SensorboardSuchen(const std::string& geraet) { return geraet.empty() || geraet == "auto"; }

std::vector<std::string> BoardKandidaten(const std::vector<std::string>& muster) {
    std::vector<std::string> out;
    for (const std::string& m : muster) {
        glob_t g{};
        if (::glob(m.c_str(), 0, nullptr, &g) == 0) {
            for (size_t i = 0; i < g.gl_pathc; ++i) {
                char real[PATH_MAX];
                if (!::realpath(g.gl_pathv[i], real)) continue;  // a dangling link: the device went away
                const std::string r = real;
                bool schon = false;
                for (const std::string& o : out) schon = schon || o == r;
                if (!schon) out.push_back(r);
            }
        }
        ::globfree(&g);
    }
    return out;
}

BoardReader::BoardReader(std::string geraet, std::function<int64_t()> nowUs, BoardSuche suche)
    : geraet_(std::move(geraet)), suche_(std::move(suche)), nowUs_(std::move(nowUs)) {
    if (!nowUs_) nowUs_ = [] { return MonotonicNs() / 1000; };
}

void BoardReader::Start() {
    if (thread_.joinable()) return;
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void BoardReader::Stop() {
    {
        std::lock_guard<std::mutex> l(mu_);
        stop_ = true;
    }
    cv_.notify_all();
    if (!thread_.joinable()) return;
    thread_.join();
    // No producer runs now: what the tick has not taken is void, and the levels
    // it knows are no longer the board's.
    source_.Verwerfen();
    source_.LineLost(nowUs_());
    std::lock_guard<std::mutex> l(mu_);
    zustand_.verbunden = false;
    zustand_.text = "Sensorboard nicht in Gebrauch.";
}

bool BoardReader::NaechsteKante(Kante& k) {
    BoardMeldung m;
    while (source_.NaechsteMeldung(m)) {
        if (m.art != BoardMeldung::Kante) continue;
        k = {m.input, m.level, m.hostUs};
        return true;
    }
    return false;
}

void BoardReader::Ausgaenge(uint8_t power, uint8_t lamps) {
    std::lock_guard<std::mutex> l(mu_);
    if (ausgaengeGesetzt_ && power == power_ && lamps == lamps_) return;
    ausgaengeGesetzt_ = true;
    power_ = power;
    lamps_ = lamps;
    ausgaengeNeu_ = true;
}

BoardReader::Zustand BoardReader::Lesen() const {
    std::lock_guard<std::mutex> l(mu_);
    return zustand_;
}

void BoardReader::Status(const std::string& text, bool verbunden) {
    std::lock_guard<std::mutex> l(mu_);
    zustand_.text = text;
    zustand_.verbunden = verbunden;
}

bool BoardReader::Suchen(BoardLine& line, std::string& gefunden, std::string& start, int64_t& startUs) {
    using Steady = std::chrono::steady_clock;
    const std::vector<std::string> kandidaten = BoardKandidaten(suche_.muster);
    std::string versucht;
    uint8_t buf[512];
    std::vector<BoardEvent> events;
    // A device that went away is asked again when it comes back.
    for (auto it = keinBoard_.begin(); it != keinBoard_.end();) {
        bool da = false;
        for (const std::string& k : kandidaten) da = da || k == it->first;
        it = da ? std::next(it) : keinBoard_.erase(it);
    }
    for (const std::string& k : kandidaten) {
        if (stop_) return false;
        if (!versucht.empty()) versucht += "; ";
        if (const auto it = keinBoard_.find(k); it != keinBoard_.end() && nowUs_() < it->second.wiederUs) {
            versucht += k + ": " + it->second.grund;
            continue;
        }
        if (!line.Oeffnen(k)) {
            versucht += line.Fehler();
            continue;
        }
        Status("Sensorboard wird gesucht: " + k + " …", false);
        // A decoder of its own: nothing a device says before it has shown
        // itself to be a board reaches the tick or the board's counters.
        UsbBoard probe;
        std::string rahmen;  // the frame in progress: a hello may come in two reads
        std::string grund = "antwortet nicht";
        line.Schreiben(probe.HelloRequestFrame());
        auto gefragt = Steady::now();
        const auto ende = gefragt + std::chrono::milliseconds(suche_.antwortMs);
        while (!stop_ && Steady::now() < ende) {
            if (Steady::now() - gefragt >= std::chrono::seconds(1)) {
                gefragt = Steady::now();
                line.Schreiben(probe.HelloRequestFrame());
            }
            if (!line.Warten(50)) continue;
            const long n = line.Lesen(buf, sizeof buf);
            if (n < 0) {
                grund = "getrennt";
                break;
            }
            if (n == 0) continue;
            const int64_t t = nowUs_();
            probe.Feed(buf, static_cast<size_t>(n), t, events);
            bool hallo = false, abgelehnt = false;
            for (const BoardEvent& e : events) {
                if (e.art == BoardEvent::Art::Hello || e.art == BoardEvent::Art::Restart) hallo = true;
                if (e.art == BoardEvent::Art::Refused) {
                    abgelehnt = true;
                    grund = e.text;
                }
            }
            events.clear();
            rahmen.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
            if (hallo) {
                gefunden = k;
                start = std::move(rahmen);
                startUs = t;
                return true;
            }
            if (abgelehnt) break;
            const size_t z = rahmen.rfind('\0');
            if (z != std::string::npos)
                rahmen.erase(0, z);
            else if (rahmen.size() > board::kMaxFrame)
                rahmen.clear();
        }
        int64_t pauseMs = suche_.stummPauseMs;
        if (grund == "antwortet nicht" && probe.Stats().bytes > 0) {
            grund = "keine gültige Begrüßung (" + std::to_string(probe.Stats().bytes) + " Bytes)";
            pauseMs = suche_.fremdPauseMs;
        }
        versucht += k + ": " + grund;
        line.Schliessen();
        if (grund != "getrennt" && !stop_) {
            const bool bisWeg = grund.rfind("antwortet nicht", 0) != 0 && grund.rfind("keine gültige", 0) != 0;
            keinBoard_[k] = {grund, bisWeg ? INT64_MAX : nowUs_() + pauseMs * 1000};
        }
    }
    Status(kandidaten.empty() ? std::string("Kein Sensorboard gefunden: kein USB-Seriell-Gerät angeschlossen. "
                                            "Es wird weiter gesucht.")
                              : "Kein Sensorboard gefunden (versucht: " + versucht + "). Es wird weiter gesucht.",
           false);
    return false;
}

void BoardReader::Verarbeiten(const std::vector<BoardEvent>& events, const std::string& geraet, bool& getrennt) {
    const UsbBoard& board = source_.Decoder();
    std::string text;
    bool neueBegruessung = false;
    for (const BoardEvent& e : events) {
        switch (e.art) {
            case BoardEvent::Art::Edge: break;
            case BoardEvent::Art::Hello:
            case BoardEvent::Art::Restart: {
                const BoardHello& h = board.Hello();
                char id[16];
                std::snprintf(id, sizeof id, "%08X", static_cast<unsigned>(h.boardId));
                text = (e.art == BoardEvent::Art::Restart ? "Sensorboard neu gestartet, verbunden an "
                                                          : "Sensorboard verbunden an ") +
                       geraet + " (Firmware " + std::to_string(h.fwMajor) + "." + std::to_string(h.fwMinor) +
                       ", Board " + id + ")";
                neueBegruessung = true;
                getrennt = false;
                break;
            }
            case BoardEvent::Art::Refused: text = e.text; break;
            case BoardEvent::Art::Heartbeat:
            case BoardEvent::Art::Applied: break;
        }
    }
    std::lock_guard<std::mutex> l(mu_);
    zustand_.stats = board.Stats();
    zustand_.drift = board.Clock().Drift();
    zustand_.verworfen = source_.Verworfen();
    for (const BoardEvent& e : events)
        if (e.art == BoardEvent::Art::Heartbeat) zustand_.levels = e.levels;
    zustand_.verbunden = board.Connected();
    if (!text.empty()) zustand_.text = text;
    // A board that (re)started has its outputs off: send them again.
    if (neueBegruessung && ausgaengeGesetzt_) ausgaengeNeu_ = true;
}

void BoardReader::Run() {
    BoardLine line;
    UsbBoard& board = source_.Decoder();
    std::vector<BoardEvent> events;
    uint8_t buf[512];
    int64_t helloAskedUs = 0;
    bool getrennt = false;  // the line went away; until a new hello the status says so
    const bool suchen = SensorboardSuchen(geraet_);
    std::string aktiv = geraet_;  // the device in use
    auto warten = [this](int ms) {
        std::unique_lock<std::mutex> l(mu_);
        cv_.wait_for(l, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
    };
    while (!stop_) {
        if (!line.Offen()) {
            if (suchen) {
                std::string start;
                int64_t startUs = 0;
                if (!Suchen(line, aktiv, start, startUs)) {
                    warten(suche_.pauseMs);
                    continue;
                }
                // The board has said hello: its decoder starts afresh with the
                // bytes that carried the hello, and what came after them.
                source_.LineLost(startUs);
                helloAskedUs = startUs;
                source_.Feed(reinterpret_cast<const uint8_t*>(start.data()), start.size(), startUs, events);
                Verarbeiten(events, aktiv, getrennt);
                continue;
            }
            if (!line.Oeffnen(geraet_)) {
                Status(getrennt ? "Sensorboard getrennt – wird wieder gesucht (" + line.Fehler() + ")"
                                : "Sensorboard nicht gefunden: " + line.Fehler(),
                       false);
                warten(1000);
                continue;
            }
            source_.LineLost(nowUs_());
            Status("Sensorboard: warte auf Begrüßung (" + geraet_ + ")", false);
            helloAskedUs = nowUs_();
            line.Schreiben(board.HelloRequestFrame());
        }
        // No hello within a second: ask again (the board may have been running
        // before the line was opened, or the request was lost).
        if (!board.Connected() && nowUs_() - helloAskedUs > 1000000) {
            helloAskedUs = nowUs_();
            line.Schreiben(board.HelloRequestFrame());
            if (board.NothingValid())
                Status("Am Gerät " + aktiv + " antwortet kein Sensorboard (falsche Baudrate oder anderes Gerät).",
                       false);
        }
        bool senden = false;
        uint8_t power = 0, lamps = 0;
        {
            std::lock_guard<std::mutex> l(mu_);
            if (ausgaengeNeu_ && board.Connected()) {
                senden = true;
                ausgaengeNeu_ = false;
                power = power_;
                lamps = lamps_;
            }
        }
        if (senden) line.Schreiben(board.OutputsFrame(power, lamps));

        if (!line.Warten(50)) continue;
        const long n = line.Lesen(buf, sizeof buf);
        if (n < 0) {
            getrennt = true;
            source_.LineLost(nowUs_());
            Status(line.Fehler() + (suchen ? " – wird wieder gesucht; die anderen Zeitquellen laufen weiter."
                                           : " – die anderen Zeitquellen laufen weiter."),
                   false);
            // Looking again at once would only overwrite this line: the first
            // round starts after the pause.
            if (suchen) warten(suche_.pauseMs);
            continue;
        }
        if (n == 0) continue;
        source_.Feed(buf, static_cast<size_t>(n), nowUs_(), events);
        Verarbeiten(events, aktiv, getrennt);
    }
}

}  // namespace zk
