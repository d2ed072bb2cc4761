#include "devices/BoardReader.h"

#include <chrono>
#include <vector>

#include "base/Clock.h"
#include "devices/BoardLine.h"

namespace zk {

BoardReader::BoardReader(std::string geraet, std::function<int64_t()> nowUs)
    : geraet_(std::move(geraet)), nowUs_(std::move(nowUs)) {
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
    if (thread_.joinable()) thread_.join();
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

void BoardReader::Run() {
    BoardLine line;
    UsbBoard& board = source_.Decoder();
    std::vector<BoardEvent> events;
    uint8_t buf[512];
    int64_t helloAskedUs = 0;
    bool getrennt = false;  // the line went away; until a new hello the status says so
    while (!stop_) {
        if (!line.Offen()) {
            if (!line.Oeffnen(geraet_)) {
                Status(getrennt ? "Sensorboard getrennt – wird wieder gesucht (" + line.Fehler() + ")"
                                : "Sensorboard nicht gefunden: " + line.Fehler(),
                       false);
                std::unique_lock<std::mutex> l(mu_);
                cv_.wait_for(l, std::chrono::seconds(1), [this] { return stop_.load(); });
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
                Status("Am Gerät " + geraet_ + " antwortet kein Sensorboard (falsche Baudrate oder anderes Gerät).",
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
            Status(line.Fehler() + " – die anderen Zeitquellen laufen weiter.", false);
            continue;
        }
        if (n == 0) continue;
        source_.Feed(buf, static_cast<size_t>(n), nowUs_(), events);
        std::string text;
        bool neueBegruessung = false;
        for (const BoardEvent& e : events) {
            switch (e.art) {
                case BoardEvent::Art::Edge: break;
                case BoardEvent::Art::Hello:
                case BoardEvent::Art::Restart: {
                    const BoardHello& h = board.Hello();
                    text = (e.art == BoardEvent::Art::Restart ? "Sensorboard neu gestartet, verbunden: Firmware "
                                                              : "Sensorboard verbunden: Firmware ") +
                           std::to_string(h.fwMajor) + "." + std::to_string(h.fwMinor) + " an " + geraet_;
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
}

}  // namespace zk
