// The race log of club races: "Logfile.txt" in the data directory, in
// Windows-1252. A new club race keeps the previous log under the date and time
// it was last written ("Logfile_2024-03-01_19-30-12.txt"); the header replaces
// the file crash-safely, each heat is appended and synced to disk, so a power
// cut loses at most the heat being written. A heat that does not fit (full
// disk) is cut off again, so the log holds whole heats only; a race whose log
// could not be started writes no heats. A failure shows one German message
// per club race and the race goes on.
#pragma once

#include <string>

#include "race/ClubRennen.h"

namespace zk {

class RaceContext;

// The message shown when the log cannot be written.
std::string ClubLogFehlerText(const std::string& path);

class ClubLogFile : public ClubProtokoll {
public:
    explicit ClubLogFile(RaceContext& sys) : sys_(sys) {}
    // "" = nothing is written.
    void SetDataDir(const std::string& dir) { dir_ = dir; }
    std::string Path() const { return dir_.empty() ? std::string() : dir_ + "/Logfile.txt"; }

    void Kopf(const std::string& text) override;
    void Turn(const std::string& text) override;

private:
    void Fehler();
    RaceContext& sys_;
    std::string dir_;
    bool gemeldet_ = false;  // one message per club race
    // The header of this club race could not be written (or the previous log
    // not be kept): its heats are not appended to whatever log is there.
    bool gescheitert_ = false;
};

// UTF-8 to Windows-1252; a character the code page lacks becomes '?'.
std::string LogBytes(const std::string& utf8);

}  // namespace zk
