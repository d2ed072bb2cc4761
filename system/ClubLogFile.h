// The race log of club races: "Logfile.txt" in the data directory, in
// Windows-1252. A new club race keeps the previous log under its date and time
// ("Logfile_20240301_193012.txt"); the header replaces the file crash-safely,
// each heat is appended and flushed to disk. A failure shows one message and
// the race goes on.
#pragma once

#include <string>

#include "base/UiPort.h"
#include "race/ClubRennen.h"

namespace zk {

class ClubLogFile : public ClubProtokoll {
public:
    explicit ClubLogFile(UiPort& ui) : ui_(&ui) {}
    void SetUi(UiPort& ui) { ui_ = &ui; }
    // "" = nothing is written.
    void SetDataDir(const std::string& dir) { dir_ = dir; }
    std::string Path() const { return dir_.empty() ? std::string() : dir_ + "/Logfile.txt"; }

    void Kopf(const std::string& text) override;
    void Turn(const std::string& text) override;

private:
    void Fehler(const std::string& why);
    UiPort* ui_;
    std::string dir_;
    bool gemeldet_ = false;  // one message per club race
};

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string LogBytes(const std::string& utf8);

}  // namespace zk
