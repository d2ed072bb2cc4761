#include "system/RaceSystem.h"

#include "race/RS232.h"
#include "devices/BoardReader.h"
#include "base/DurableFile.h"
#include "race/RaceResult.h"
#include "race/RaceSequence.h"
#include "system/LiveSnapshot.h"

namespace zk {

RaceSystem::RaceSystem(MsClock& clock, LptIo& port, WallClock& wall) : RaceContext(clock, port, wall) {
    SetUi(nullptr);
    SetSerial(nullptr);
    SetBus(nullptr);
    SetSupply(nullptr);
    SetAnnouncer(nullptr);
    SetRecorder(nullptr);
    SetDirector(nullptr);
    SetClub(nullptr);
    SetObserver(nullptr);
    SetWindows(nullptr);
    SetBoard(nullptr);
    SetIniDefaults(cfg);
    ApplySettings();
    clubRennen_.SetProtokoll(&clubLog_);
}

void RaceSystem::ApplySettings() {
    for (int n = 1; n <= 10; ++n) {
        st.Maske[n] = cfg.Masken.MS[n];
        st.Vergleich[n] = cfg.Masken.CS[n];
    }
    st.GelbphaseEin = cfg.Lpt.Gelbphase == 1;
    st.ChaosEin = cfg.Lpt.Chaos == 1;
    // A pulse registers with its first active sample at the least.
    st.MinLength = cfg.LiZeit.MinLength < 1 ? int16_t{1} : cfg.LiZeit.MinLength;
    // The lockout is also the shortest possible lap; it never goes below the floor.
    st.MinZeit = cfg.LiZeit.Minimum < kLockoutFloorMs ? int16_t{kLockoutFloorMs} : cfg.LiZeit.Minimum;
    st.Nachzeit = cfg.NachZeit.Nachzeit;
    AskAfterRun(*this, NachlaufWunsch::Reload);
    for (int l = 1; l <= kLanes; ++l) st.SpurAktiv[l] = cfg.AktiveSpuren.Spur[l] != 0;
    st.I2CAktiv = cfg.I2COutput.Aktiv == 1;
    st.zyklus.RLMeldung = cfg.FrmRennleitung.RL;
    st.LptPort = cfg.Lpt.Port;
    // Any other port value leaves the base address unchanged.
    if (const int16_t b = LptBasisForPort(cfg.Lpt.Port)) st.LptBasis = b;
}

void RaceSystem::StartUp(const std::function<void()>& openSound, bool lineAlways) {
    st.seriell.ComOffen = false;
    const bool keineOption = ComBrauchtFuer(cfg).empty();
    ComProgrammStart(*this);
    if (lineAlways && keineOption) ComOeffnen(*this);
    if (cfg.Audio.Zeitansage == 1 && openSound) openSound();
    InitProgram();
    port().SetBase(static_cast<uint16_t>(st.LptBasis));
}

void RaceSystem::SetBoard(SensorBoard* p, int64_t nullpunktUs) {
    board_ = p ? p : &noBoard_;
    st.BoardQuelle = p != nullptr;
    quelleBoard_ = p != nullptr;
    quelleWartet_ = false;
    st.BoardNullpunktUs = nullpunktUs;
}

bool RaceSystem::OpenSensorBoard(const BoardSuche& suche) {
    auto reader = std::make_unique<BoardReader>(cfg.Lpt.Sensorboard, std::function<int64_t()>{}, suche);
    SetBoard(reader.get(), MsClockOriginUs(clock()));
    sensorBoard_ = std::move(reader);
    // The tick has not started: the source is set directly.
    quelleBoard_ = cfg.Lpt.Sensoren == 1;
    quelleWartet_ = false;
    st.BoardQuelle = quelleBoard_;
    if (quelleBoard_) sensorBoard_->Start();
    return quelleBoard_;
}

bool RaceSystem::TrackIdle() const { return record.phase == RacePhase::Idle && !st.StartPhase; }

std::string RaceSystem::SensorQuelleAnwenden() {
    if (board_ == &noBoard_) return {};
    const bool board = cfg.Lpt.Sensoren == 1;
    const bool geraetNeu = board && sensorBoard_ && sensorBoard_->Geraet() != cfg.Lpt.Sensorboard;
    if (board == quelleBoard_ && !geraetNeu) {
        quelleWartet_ = false;
        return {};
    }
    if (!TrackIdle()) {
        quelleWartet_ = true;
        return board ? "Die Sensoren werden nach dem Rennen auf das USB-Sensorboard umgestellt."
                     : "Die Sensoren werden nach dem Rennen auf den Parallelport umgestellt.";
    }
    SensorQuelleUmstellen();
    return board ? "Die Sensoren sind jetzt am USB-Sensorboard. Bitte die Lichtschranken neu einlernen."
                 : "Die Sensoren sind jetzt am Parallelport. Bitte die Lichtschranken neu einlernen.";
}

bool RaceSystem::SensorQuelleNachziehen() {
    if (!quelleWartet_ || !TrackIdle()) return false;
    SensorQuelleUmstellen();
    return true;
}

void RaceSystem::SensorQuelleUmstellen() {
    const bool board = cfg.Lpt.Sensoren == 1;
    // The old reader stops first: once Stop returns, nothing it read can reach
    // the tick; the tick may take a new reader's messages the moment it starts.
    if (sensorBoard_) {
        sensorBoard_->Stop();
        if (board) {
            sensorBoard_->Geraet(cfg.Lpt.Sensorboard);
            sensorBoard_->Start();
        }
    }
    if (board != quelleBoard_) AskBoardQuelle(st, board);
    quelleBoard_ = board;
    quelleWartet_ = false;
}

int RaceSystem::SetDataDir(const std::string& dir) {
    datenVerzeichnis = dir;
    desk_.SetDataDir(dir);
    laps_.SetDataDir(dir);
    clubLog_.SetDataDir(dir);
    if (dir.empty()) return 0;
    return RemoveStaleTemporaries(dir) + ErgebnisseAufraeumen(dir + "/" + kErgebnisOrdner);
}

void RaceSystem::InitProgram() {
    st.SimulationActive = false;
    st.zyklus.AnlaufZaehler = 0;
    st.rennen.AutoStartScharf = false;
    st.rennen.NeustartNachPause = false;
    for (int l = 1; l <= kLanes; ++l) st.ErsteDurchfahrt[l] = true;
    ApplySettings();
    st.LptDaten = 0;
    bus().I2CReset(st, port());
    ResetLaneState(*this, cfg.Tankoption.Tankinhalt);
    st.rennen.PauseBeginn = 0;
    st.zyklus.InterneZeitmessung = true;
    st.rennen.Rennmodus = Rennart::Training;
    st.rennen.RennmodusText = "Training";
    st.zyklus.AnzahlAktiveSpuren = 0;
    for (int l = 1; l <= kLanes; ++l) st.zyklus.AnzahlAktiveSpuren = static_cast<int16_t>(st.zyklus.AnzahlAktiveSpuren + (st.SpurAktiv[l] ? 1 : 0));
    for (int l = 0; l <= kLanes; ++l) st.zyklus.SpurAktivGespeichert[l] = st.SpurAktiv[l];
    InitRaceControl(*this);
}

bool RaceSystem::PublishLive() {
    if (!live_->Running()) {
        lastLive_.clear();
        return false;
    }
    std::string snap = LiveSnapshotJson(*this, &clubRennen_);
    if (snap == lastLive_) return false;
    lastLive_ = snap;
    live_->Publish(std::move(snap));
    return true;
}

}  // namespace zk
