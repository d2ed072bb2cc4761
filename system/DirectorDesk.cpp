#include "system/DirectorDesk.h"

#include "race/Race.h"
#include "settings/DataDir.h"
#include "base/DurableFile.h"

namespace zk {

void DirectorDesk::Line(const std::string& line) {
    if (flow_.size() >= kMaxLines) {
        flow_.clear();
        ++flowGen_;
    }
    flow_.push_back(line);
    if (hook_) hook_(line);
}

void DirectorDesk::ClearFlow() {
    flow_.clear();
    ++flowGen_;
}

void DirectorDesk::CountsLine(const std::string& line) {
    if (counts_.size() >= kMaxLines) Clear();
    counts_.push_back(line);
    if (hook_) hook_(line);
}

void DirectorDesk::RaceEnded() {
    if (sys_.st.fenster.FensterOffen[kWinRennleitung] != 0) Save();
}

void DirectorDesk::Clear() {
    if (!counts_.empty()) Save();
    counts_.clear();
    ++countsGen_;
}

std::string DirectorDesk::FilePath() const { return dir_.empty() ? std::string() : DataPath(dir_, kDirectorListName); }

bool DirectorDesk::Save() {
    if (dir_.empty()) return true;
    std::string text;
    for (const std::string& l : counts_) text += l + "\n";
    std::string why;
    const std::string path = FilePath();
    if (!DurableReplace(path, text, &why)) {
        if (!failureShown_) {
            failureShown_ = true;
            sys_.ui().ShowMessage("Die Liste der Rennleitung konnte nicht gespeichert werden:\n" + path + "\n" + why,
                                  "Rennleitung", MessageIcon::Warning);
        }
        return false;
    }
    failureShown_ = false;
    return true;
}

}  // namespace zk
