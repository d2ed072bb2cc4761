// The lap-time windows for two to eight lanes. One implementation, seven
// configurations: lane count, number of blocks side by side, window number.
#pragma once

#include <string>
#include <vector>

#include "ui/LapWindow.h"

namespace zk {

struct KVZeitConfig {
    const char* name;  // Qt object name = window name
    int lanes;
    int blocks;  // 1, or 2 for 2 x 4 lanes side by side
    int flag;    // window number of the open-window flags and position tables
};

// frmKVZeit2Spur, frmKVZeit3Spur, frmKVZeit4SpurNeu, frmKVZeit5Spur,
// frmKVZeit6Spur, frmKVZeit8Spur, frmKVZeit48SpurNeu.
const std::vector<KVZeitConfig>& KVZeitConfigs();
const KVZeitConfig* FindKVZeitConfig(const std::string& name);

class KVZeitWindow : public LapWindow {
    Q_OBJECT
public:
    KVZeitWindow(UiContext& ctx, const KVZeitConfig& cfg);
    void Update() override;
    void ClearWindow() override;

private:
    QWidget* MakeBlock(int firstLane, int count);
};

}  // namespace zk
