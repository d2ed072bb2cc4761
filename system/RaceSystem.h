// One race system: the race state, the settings and every part of the system
// (clock, time of day, parallel port, serial line, bus queue, power supply,
// announcer, lap recorder, race-director list, club, observer, window refresh,
// UI port), wired together.
//
// Nothing here is global: a test creates as many independent systems as it likes,
// each with its own manual clock and simulated port. Each part starts as its
// do-nothing stand-in; the application and the tests put theirs in place before
// the tick thread starts (nullptr restores the stand-in).
#pragma once

#include <functional>
#include <memory>

#include "devices/BoardReader.h"
#include "race/ClubRennen.h"
#include "race/Race.h"
#include "system/ClubLogFile.h"
#include "system/DirectorDesk.h"
#include "system/LapFile.h"
#include "system/LiveServer.h"

namespace zk {

class RaceSystem : public RaceContext {
public:
    RaceSystem(MsClock& clock, LptIo& port, WallClock& wall);

    void SetUi(UiPort* p) { ui_ = p ? p : &noUi_; }
    void SetSerial(SerialLine* p) { serial_ = p ? p : &noSerial_; }
    void SetBus(BusQueue* p) { bus_ = p ? p : &noBus_; }
    void SetSupply(PowerSupply* p) { supply_ = p ? p : &noSupply_; }
    void SetAnnouncer(Announcer* p) { announcer_ = p ? p : &noAnnouncer_; }
    void SetRecorder(LapRecorder* p) { recorder_ = p ? p : &noRecorder_; }
    void SetDirector(DirectorList* p) { director_ = p ? p : &noDirector_; }
    void SetClub(Club* p) { club_ = p ? p : &noClub_; }
    void SetObserver(RaceObserver* p) { observer_ = p ? p : &noObserver_; }
    void SetWindows(WindowRefresh* p) { windows_ = p ? p : &noWindows_; }
    // The spectators' web server (stand-in: none).
    void SetLive(LiveServer* p) { live_ = p ? p : &noLive_; }
    LiveServer& Live() { return *live_; }
    // The sensor board whose messages the tick takes, and the host microsecond
    // (CLOCK_MONOTONIC or the replay's clock) at which the program clock read
    // 0. Only before the tick starts: the tick holds on to the board.
    void SetBoard(SensorBoard* p, int64_t nullpunktUs = 0);

    // Copies the sensor configuration and the other values the timing core reads
    // from the settings into the race state (masks, limits, active lanes, port).
    void ApplySettings();

    // Program initialisation: race state to its start-up values, port base
    // address, lane records, then race control (fuel, mode, power, idle lamps).
    void InitProgram();

    // Program start-up once the settings are read, in the program's order, for
    // the program, the replay and the tests alike: the serial line to the
    // display boards opens, the sound output opens when spoken lap times are on
    // (`openSound`, if given), then InitProgram, and the port learns its base
    // address. The caller opens its windows and starts the tick afterwards:
    // the tick is the last thing started. The serial line opens only for an
    // option that uses it, unless `lineAlways` (a test's recording line).
    void StartUp(const std::function<void()>& openSound = {}, bool lineAlways = false);

    // The program's sensor board: puts a reader in place as the board the tick
    // takes messages from, and with the sensors on the USB board ([Lpt]
    // Sensoren = 1) starts it at [Lpt] Sensorboard ("" or "auto": looked for
    // as `suche` says) and makes its edges time the race. The program calls it
    // after StartUp, before the tick starts; false when the port stays the
    // source. Only a system that has called it can switch its source later.
    bool OpenSensorBoard(const BoardSuche& suche = {});

    // UI thread, when the settings dialog changed the sensor source or the
    // board's device: the choice takes effect at once while the track is idle
    // (no race, no start light): a board that stops being the source has its
    // reader stopped (what it queued is void), a new one is started, and the
    // tick changes its source at its next tick. During a race the switch waits
    // for the race's end (SensorQuelleNachziehen). Returns a line for the user
    // ("" when nothing changed).
    std::string SensorQuelleAnwenden();
    // UI thread, after each 100 ms cycle: makes a switch that waited for the
    // race's end once the track is idle. True when it made one.
    bool SensorQuelleNachziehen();
    // A switch waits for the race's end.
    bool SensorQuelleWartet() const { return quelleWartet_; }

    // The race director's lists and the lap file. The application and the
    // replay put them in place (SetDirector(&Desk()), SetRecorder(&Laps())) and
    // give them the data directory, where "_Test.txt" and the lap files go.
    DirectorDesk& Desk() { return desk_; }
    const DirectorDesk& Desk() const { return desk_; }
    LapFile& Laps() { return laps_; }
    // The club races (with the time race with lane change) and their race log
    // "Logfile.txt" in the data directory (SetClub(&ClubRace()) puts them in place).
    ClubRennen& ClubRace() { return clubRennen_; }
    ClubLogFile& ClubLog() { return clubLog_; }
    // Also removes what writers killed in an earlier run left in it: their
    // temporaries, and a result pair of which only one file got its name is
    // finished. Returns the count of files removed or finished.
    int SetDataDir(const std::string& dir);

    // After each 100 ms cycle: while the web server runs, builds the live
    // snapshot and hands it over when it differs from the last one. Returns
    // whether it handed one over.
    bool PublishLive();

private:
    UiPort noUi_;
    NullSerialLine noSerial_;
    NullBusQueue noBus_;
    PowerSupply noSupply_;
    Announcer noAnnouncer_;
    LapRecorder noRecorder_;
    DirectorList noDirector_;
    Club noClub_;
    RaceObserver noObserver_;
    WindowRefresh noWindows_;
    LiveServer noLive_;
    LiveServer* live_ = &noLive_;
    std::string lastLive_;
    SensorBoard noBoard_;
    bool TrackIdle() const;
    void SensorQuelleUmstellen();

    std::unique_ptr<BoardReader> sensorBoard_;  // the reader OpenSensorBoard put in place
    bool quelleBoard_ = false;   // the source last asked of the tick is the board
    bool quelleWartet_ = false;  // a switch waits for the race's end
    DirectorDesk desk_{*this};
    LapFile laps_{*this};
    ClubLogFile clubLog_{*this};
    ClubRennen clubRennen_{*this};
};

}  // namespace zk
