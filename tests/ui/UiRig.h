// The program's main window on a manual clock and a simulated port: each Step()
// is one millisecond (inputs, the real 1 ms tick, and the main window's 100 ms
// cycle at every multiple of 100), as the program runs them.
#pragma once

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devices/SimLptIo.h"
#include "base/Clock.h"
#include "tick/FastTimer.h"
#include "tests/TestRig.h"
#include "system/RaceSystem.h"
#include "ui/FrmMain.h"

namespace zk::test {

// Records what start-up and shutdown did to the 1 ms tick and the settings file,
// with the race state at the moment the tick was stopped.
struct Journal {
    std::vector<std::string> calls;
    bool raceRunningAtTickStop = true;
    bool allPoweredAtTickStop = false;
};

class FakeTick : public TickControl {
public:
    FakeTick(Journal& j, RaceSystem& sys) : j_(j), sys_(sys) {}
    void Start() override { j_.calls.push_back("TickStart"); }
    void Stop() override {
        j_.calls.push_back("TickStop");
        j_.raceRunningAtTickStop = sys_.st.RennenLaeuft || sys_.st.StartPhase;
        bool all = true;
        for (int l = 1; l <= kLanes; ++l) all = all && sys_.st.rennen.SpurStrom[l];
        j_.allPoweredAtTickStop = all;
    }

private:
    Journal& j_;
    RaceSystem& sys_;
};

class FakeStore : public SettingsStore {
public:
    explicit FakeStore(Journal& j) : j_(j) {}
    void ReadIniFile(RaceSystem&) override { j_.calls.push_back("ReadIniFile"); }
    std::vector<Fenster> ReadOpenWindows(RaceSystem&) override {
        j_.calls.push_back("ReadOpenWindows");
        return reopen;
    }
    void WriteOpenWindows(RaceSystem&) override { j_.calls.push_back("WriteOpenWindows"); }
    void WriteIniFile(RaceSystem&) override { j_.calls.push_back("WriteIniFile"); }
    void WriteWindowPositions(RaceSystem&) override { j_.calls.push_back("WriteWindowPositions"); }
    std::vector<Fenster> reopen;

private:
    Journal& j_;
};

class UiRig {
public:
    explicit UiRig(SettingsStore* store = nullptr)
        : tick(journal, sys), fakeStore(journal), store_(store ? store : &fakeStore) {
        // The standard wiring; all lanes take part. The main window's cycle
        // takes the place of the bare 100 ms cycle.
        StandardWiring(sys.cfg);
        for (int n = 1; n <= 8; ++n) sys.cfg.AktiveSpuren.Spur[n] = 1;
        rig.cycle = [this] { main->Cycle(); };
        sys.cfg.AnsichtFenster.Ansicht = 0;  // no default window unless a test asks
        sys.cfg.Tastatur.GlobalOn = 0;
    }
    ~UiRig() { main.reset(); }

    // Start-up of the main window (after the test has set the settings).
    void Load() {
        MainOptions opt;
        opt.runTimers = false;
        opt.quietMessages = true;
        if (options) options(opt);
        main = std::make_unique<frmMain>(sys, tick, *store_, opt);
    }

    // The time race with lane change over 10 minutes on lanes 1..3, chosen from
    // the menu with the standard window open; returns that window.
    QWidget* LoadLaneChangeSeries() {
        sys.cfg.ZrMitWechsel.Wechsel = 1;
        for (int l = 4; l <= kLanes; ++l) sys.cfg.AktiveSpuren.Spur[l] = 0;
        sys.cfg.Letzte.Zeit = 10;
        Load();
        QWidget* std4 = Open("frmZeit4Spur");
        main->findChild<QAction*>("mnuZeitrennen")->trigger();
        return std4;
    }

    void Hold(int lane, int ms) { rig.Hold(lane, ms); }
    void Step() { rig.Step(); }
    void RunTo(int32_t t) { rig.RunTo(t); }
    void RunFor(int32_t ms) { rig.RunFor(ms); }

    // Start button of a window, then the start light up to green.
    void StartAndRunToGreen(QWidget* w) {
        Click(w, "btnStartRace");
        for (int k = 0; k < 100 && !sys.st.RennenLaeuft; ++k) RunFor(100);
    }

    QWidget* Open(const char* name) { return main->Registry().Open(name); }

    static QString Text(QWidget* w, const QString& name) {
        auto* l = w->findChild<QLabel*>(name);
        return l ? l->text() : QStringLiteral("<%1 fehlt>").arg(name);
    }
    static void Click(QWidget* w, const char* name) {
        auto* b = w->findChild<QPushButton*>(name);
        if (b) b->click();
    }

    Journal journal;
    Rig rig;
    ManualMsClock& clock = rig.clock;
    SimLptIo& port = rig.port;
    RaceSystem& sys = rig.sys;
    int32_t& now = rig.now;
    FakeTick tick;
    FakeStore fakeStore;
    std::unique_ptr<frmMain> main;
    std::function<void(MainOptions&)> options;  // changes the start-up options before Load()

private:
    SettingsStore* store_;
};

}  // namespace zk::test
