#include "ui/IniStore.h"

#include "system/IniFileIO.h"

namespace zk {

void IniSettingsStore::ReadIniFile(RaceSystem& sys) { zk::ReadIniFile(sys, file_); }

std::vector<std::string> IniSettingsStore::ReadOpenWindows(RaceSystem& sys) {
    // The settings module opens the windows itself, through the UI port.
    zk::ReadOpenWindows(sys, file_);
    return {};
}

void IniSettingsStore::WriteOpenWindows(RaceSystem& sys) { zk::WriteOpenWindows(sys, file_); }
void IniSettingsStore::WriteIniFile(RaceSystem& sys) { zk::WriteIniFile(sys, file_); }
void IniSettingsStore::WriteWindowPositions(RaceSystem& sys) { zk::WriteWindowPositions(sys, file_); }

void IniSettingsStore::SaveAtProgramEnd(RaceSystem& sys, const std::function<void()>& closeWindows) {
    zk::SaveAtProgramEnd(sys, file_, closeWindows);
}

}  // namespace zk
