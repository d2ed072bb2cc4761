// The race director's lists: the running list `Counts` (every lap while the desk
// is loaded, every lap correction) and the race-flow list `lstRennablauf`
// (reaction times and the club's lines). The desk window shows them; the list
// file "_Test.txt" in the data directory keeps the running list.
//
// "_Test.txt" is replaced as a whole (never left half written) when the window
// unloads, at every race end while the window is loaded, and before the running
// list is cleared (race start, or the list is full), so clearing never loses
// what the file would hold. UI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "race/Components.h"

namespace zk {

class RaceContext;

class DirectorDesk : public DirectorList {
public:
    // The running list holds at most this many lines; when it is full it is
    // saved and starts afresh.
    static constexpr size_t kMaxLines = 32000;

    explicit DirectorDesk(RaceContext& sys) : sys_(sys) {}

    // Folder of "_Test.txt"; without one nothing is written.
    void SetDataDir(std::string dir) { dir_ = std::move(dir); }
    // Called with every line added to either list (the replay's trace).
    void SetLineHook(std::function<void(const std::string&)> hook) { hook_ = std::move(hook); }

    void Line(const std::string& line) override;
    void ClearFlow() override;
    void CountsLine(const std::string& line) override;
    void RaceEnded() override;

    // ClearWindow: the running list is saved, then emptied.
    void Clear();
    // Window unload: the running list is saved.
    void Unloaded() { Save(); }
    // Writes "_Test.txt". A failure is reported in German (once, until a save
    // succeeds again) and returns false.
    bool Save();
    std::string FilePath() const;

    const std::vector<std::string>& Counts() const { return counts_; }
    const std::vector<std::string>& Flow() const { return flow_; }
    // Counts how often each list started afresh, so that a view can tell an
    // emptied list from one that merely did not grow.
    uint32_t CountsGeneration() const { return countsGen_; }
    uint32_t FlowGeneration() const { return flowGen_; }

private:
    RaceContext& sys_;
    std::string dir_;
    std::function<void(const std::string&)> hook_;
    std::vector<std::string> counts_, flow_;
    uint32_t countsGen_ = 0, flowGen_ = 0;
    bool failureShown_ = false;
};

}  // namespace zk
