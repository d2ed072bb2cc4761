#include "ui/IniStore.h"

#include <cstdio>

#include "system/IniFileIO.h"
#include "system/RaceSystem.h"

namespace zk {

namespace {

// Passes everything on to the program's UI port except message boxes, which
// become one line on standard error.
class LogOnlyUi final : public UiPort {
public:
    explicit LogOnlyUi(UiPort& inner) : inner_(inner) {}
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
        std::string line = caption + ": " + text;
        for (char& c : line)
            if (c == '\n') c = ' ';
        std::fprintf(stderr, "zirkato: %s\n", line.c_str());
    }
    void OpenWindow(Fenster window) override { inner_.OpenWindow(window); }
    void CloseWindow(Fenster window) override { inner_.CloseWindow(window); }
    void AddListLine(const std::string& list, const std::string& line) override { inner_.AddListLine(list, line); }
    int AsyncKeyState(int vk) override { return inner_.AsyncKeyState(vk); }

private:
    UiPort& inner_;
};

}  // namespace

void IniSettingsStore::ReadIniFile(RaceSystem& sys) {
    file_.RemoveStaleTemporaries();
    const ReadIniResult r = zk::ReadIniFile(sys, file_);
    toldAtStart_ = !r.readable || !r.writable;
    firstRun_ = r.readable && !r.valid;
}

std::vector<Fenster> IniSettingsStore::ReadOpenWindows(RaceSystem& sys) {
    // The settings module opens the windows itself, through the UI port.
    zk::ReadOpenWindows(sys, file_);
    return {};
}

void IniSettingsStore::WriteOpenWindows(RaceSystem& sys) { zk::WriteOpenWindows(sys, file_); }
void IniSettingsStore::WriteIniFile(RaceSystem& sys) { zk::WriteIniFile(sys, file_, saveProgress); }
void IniSettingsStore::WriteWindowPositions(RaceSystem& sys) { zk::WriteWindowPositions(sys, file_); }
void IniSettingsStore::WriteSoundFiles(RaceSystem& sys) { zk::WriteSoundFiles(sys, file_); }

void IniSettingsStore::WriteLaneVoltage(RaceSystem& sys, int lane) { zk::WriteLaneVoltage(sys, file_, lane); }

void IniSettingsStore::SaveAtProgramEnd(RaceSystem& sys, const std::function<void()>& closeWindows) {
    if (!unattended_ && !toldAtStart_) {
        zk::SaveAtProgramEnd(sys, file_, closeWindows);
        return;
    }
    UiPort& ui = sys.ui();
    LogOnlyUi log(ui);
    sys.SetUi(&log);
    zk::SaveAtProgramEnd(sys, file_, closeWindows);
    sys.SetUi(&ui);
}

}  // namespace zk
