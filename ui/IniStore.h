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
    void ReadIniFile(RaceSystem& sys) override;
    std::vector<std::string> ReadOpenWindows(RaceSystem& sys) override;
    void WriteOpenWindows(RaceSystem& sys) override;
    void WriteIniFile(RaceSystem& sys) override;
    void WriteWindowPositions(RaceSystem& sys) override;
    void SaveAtProgramEnd(RaceSystem& sys, const std::function<void()>& closeWindows) override;
    const std::string& Path() const { return file_.Path(); }

private:
    ProfileFile file_;
};

}  // namespace zk
