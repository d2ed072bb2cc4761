// The settings store of the program: the settings file "Zirkato.ini" in the data
// directory, read and written by the settings module.
#pragma once

#include <string>

#include "settings/ProfileFile.h"
#include "ui/FrmMain.h"

namespace zk {

class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(std::string path) : file_(std::move(path)) {}
    // Also removes temporary files that killed saves left behind.
    void ReadIniFile(RaceSystem& sys) override;
    std::vector<Fenster> ReadOpenWindows(RaceSystem& sys) override;
    void WriteOpenWindows(RaceSystem& sys) override;
    void WriteIniFile(RaceSystem& sys) override;
    void WriteWindowPositions(RaceSystem& sys) override;
    void WriteLaneVoltage(RaceSystem& sys, int lane) override;
    void WriteSoundFiles(RaceSystem& sys) override;
    // A failure is shown in a message box only when nobody has been told yet and
    // a person closed the program; otherwise it goes to standard error, so a
    // shutdown never waits for a click.
    void SaveAtProgramEnd(RaceSystem& sys, const std::function<void()>& closeWindows) override;
    const std::string& Path() const { return file_.Path(); }
    bool FirstRun() const override { return firstRun_; }

    // The program ends by a signal or with the session: no one may be there to
    // close a message box.
    void SetUnattended() { unattended_ = true; }

private:
    ProfileFile file_;
    bool unattended_ = false;
    bool toldAtStart_ = false;
    bool firstRun_ = false;  // no valid settings file was found  // the start-up said that the file cannot be read or written
};

}  // namespace zk
