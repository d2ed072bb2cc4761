// The main window frmMain: brings the program up in a fixed order, runs the
// 100 ms main loop `tmr_100`, carries the race-mode, window and diagnostics menus
// and the hidden diagnostics frame, and shuts everything down in a fixed order.
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "system/RaceCommands.h"
#include "ui/GlobalKeys.h"
#include "ui/LiveWeb.h"
#include "ui/QtPorts.h"
#include "ui/RaceActions.h"
#include "ui/UiContext.h"
#include "ui/WindowRegistry.h"

namespace zk {

class RaceSystem;
class FastTimerThread;
class Zeitansage;

// The 1 ms tick as the main window starts and stops it.
class TickControl {
public:
    virtual ~TickControl() = default;
    virtual void Start() = 0;
    // Returns after a running tick has finished.
    virtual void Stop() = 0;
};

// Captions of the [Timer] "Wecken" choice in the settings dialog (values 1, 2).
inline constexpr char kCaptionTimerWecken[] = "1-ms-Takt wecken";
inline constexpr char kCaptionTimerWeckenSchlafen[] = "Bis zum Takt schlafen (wenig Rechenzeit)";
inline constexpr char kCaptionTimerWeckenSpin[] = "Vor dem Takt aktiv warten (braucht 15 % eines Kerns)";

// The text of "Hilfe → Über Zirkato": the program and its version.
QString AboutText();

// The real-time thread. Its wake-up mode comes from [Timer] "Wecken" when it starts.
class ThreadTickControl final : public TickControl {
public:
    explicit ThreadTickControl(RaceSystem& sys);
    ~ThreadTickControl() override;
    void Start() override;
    void Stop() override;

private:
    RaceSystem& sys_;
    std::unique_ptr<FastTimerThread> thread_;
};

// Settings-file operations of start-up and shutdown. The base class keeps
// everything in memory; IniSettingsStore works on the settings file.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual void ReadIniFile(RaceSystem&) {}
    // Opens the windows of the last run; returns further windows to open (a
    // store that opens them itself returns none).
    virtual std::vector<Fenster> ReadOpenWindows(RaceSystem&) { return {}; }
    virtual void WriteOpenWindows(RaceSystem&) {}
    virtual void WriteIniFile(RaceSystem&) {}
    virtual void WriteWindowPositions(RaceSystem&) {}
    virtual void WriteSoundFiles(RaceSystem&) {}
    // One lane's set voltage (the lane-voltage window writes each change at once).
    virtual void WriteLaneVoltage(RaceSystem&, int /*lane*/) {}
    // Program end: the open windows, then `closeWindows` (windows store their
    // positions as they close), then the settings as [Save] "All" and
    // [AnsichtFenster] "Speichern" say.
    virtual void SaveAtProgramEnd(RaceSystem& sys, const std::function<void()>& closeWindows);
    // True after ReadIniFile found no valid settings file (a first start).
    virtual bool FirstRun() const { return false; }
    // Called with the percentage at every step of WriteIniFile (the progress window).
    std::function<void(int)> saveProgress;
};

struct MainOptions {
    bool runTimers = true;       // false: the caller drives Cycle() itself (tests)
    bool quietMessages = false;  // record message boxes instead of showing them
    // Chooses the parallel port once the settings are read.
    std::function<void(RaceSystem&, UiPort&)> openPort;
    // The spoken lap times; null: none (tests).
    Zeitansage* ansage = nullptr;
};

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain(RaceSystem& sys, TickControl& tick, SettingsStore& store, MainOptions opt = {});
    ~frmMain() override;

    // One event of tmr_100: the main loop, then the views that follow race control.
    void Cycle();
    // The shutdown sequence; runs once (later calls do nothing).
    void Shutdown();
    bool IsShutDown() const { return shutDown_; }

    WindowRegistry& Registry() { return registry_; }
    RaceActions& Race() { return race_; }
    QtUiPort& Ui() { return uiPort_; }
    UiContext& Context() { return ctx_; }

    // Captions of the race-length menu items from the presets and current values.
    void UpdateLapTimeSettings();
    // Shows the captions race control has set for the race-length menus.
    void ApplyMenuCaptions();
    // Sets up a race without a track: port simulator with automatic counting,
    // automatic crossings, and a lap window.
    void StartSimulationWithoutTrack();

signals:
    // The window was closed and the shutdown has run.
    void Closed();

protected:
    // During a race the close box asks first ("Stop" ends a race in one click).
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void FormLoad();
    // The parallel port could not be opened: the reason, "nicht mehr anzeigen"
    // (work without a port from now on) and a button that starts the simulation.
    void ShowNoPortMessage(const std::string& text);
    // The question before the program ends a running race.
    void AskEndRace();
    void InitProgram();
    void BuildMenus();
    void BuildCentral();
    void ShowAbout();
    void ChooseMode(int mode);
    void ShowDebugFrame(bool show);
    void UpdateDebugFrame();
    void UpdateStatus();
    // The club race entries are open once the drivers are confirmed.
    void UpdateClubMenus();
    void OpenOrSay(Fenster window);
    // "Runden aufzeichnen" and "Excel-Datei erzeugen".
    void ToggleLapRecording(bool on);
    void ExportLaps();
    // The club plan for the race director's race-flow list; the club part
    // fills it once it exists.
    void ShowClubPlanInDirector() {}

    // Steps that belong to parts of the system built elsewhere; each is the
    // named place where that part joins start-up or shutdown.
    void ProbeSerialPorts();
    void InitI2CBus() {}
    void InitSound();
    void InitDisplayBoard() {}
    void CloseSpreadsheet() {}
    void CloseSerialPort();
    void ReleaseSound();

    RaceSystem& sys_;
    TickControl& tick_;
    SettingsStore& store_;
    MainOptions opt_;
    RaceActions race_;
    RaceCommands commands_;
    WindowRegistry registry_;
    UiContext ctx_;
    std::unique_ptr<GlobalKeys> keys_;
    QtUiPort uiPort_;
    QtWindowRefresh refresh_;
    QTimer tmr_100;
    QTimer tmrClipEnde_;  // the end of an announcement clip, polled between the cycles
    bool shutDown_ = false;
    QPointer<QMessageBox> noPortBox_;  // the no-port message while it is open
    QPointer<QMessageBox> endRaceBox_;  // the question of AskEndRace while it is open
    bool endRaceConfirmed_ = false;
    bool inCycle_ = false;
    bool simulationSeen_ = false;  // the port simulation ran in the last cycle
    std::optional<int32_t> lastCycleMs_;

    // menus
    QAction *mnuTraining, *mnuZeitrennen, *mnuRundenrennen, *mnuClubrennen, *mnuClubRundenRennen, *mnuClubZeitRennen;
    QMenu* mnuEingabeRunden = nullptr;
    QMenu* mnuZeitvorgabe = nullptr;
    std::array<QAction*, 6> mnuRundenPreset{};  // 1..5: mnuZehnR .. mnuFuenfzig
    std::array<QAction*, 6> mnuZeitPreset{};    // 1..5: mnuZehnM .. mnuFuenfzigM
    QAction* mnuBahnspannung = nullptr;  // enabled only while the bus supply is in use
    QAction* mnuBeenden = nullptr;
    QAction* mnuRundenAufzeichnen = nullptr;
    QAction* mnuWrtExcel = nullptr;

    // central
    QLabel* lblRennmodus = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblWeb = nullptr;  // the live pages' address while they are served
    std::unique_ptr<LiveWebSteuerung> web_;
    QPointer<LiveWebFenster> webFenster_;
    QLabel* lblMeldung = nullptr;  // the last status message of the race system, kept until replaced
    QLabel* lblErsterStart = nullptr;  // the hint of a first start: teach the sensors in
    QGroupBox* DebugFrame = nullptr;
    QLabel *lblPortwrites, *MaxTick, *lblAbweichung, *lblAktuell, *lblMainAktuell, *lblMainAbweichung, *lblSpaet,
        *lblUeberlauf;
    QLabel* lblI2C = nullptr;  // bus queue: sent, waiting, refused
    QLabel* lblBoard = nullptr;  // the sensor board's counters (with the board as source)
    QLabel* lblSerial = nullptr;  // serial messages dropped on a full output buffer
    QPushButton *btnReset, *btnDiagFront, *btnDiagoff, *TimOff, *WrtExcel;
};

}  // namespace zk
