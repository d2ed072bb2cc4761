// The lap-time windows for two to eight lanes (frmKVZeit2Spur .. frmKVZeit8Spur,
// frmKVZeit48SpurNeu). One implementation; the window table gives each its lane
// count and the number of blocks side by side.
#pragma once

#include "ui/LapWindow.h"

namespace zk {

class KVZeitWindow : public LapWindow {
    Q_OBJECT
public:
    // `blocks` is 1, or 2 for 2 x 4 lanes side by side.
    KVZeitWindow(UiContext& ctx, Fenster id, int lanes, int blocks);
    void Update() override;
    void ClearWindow() override;

protected:
    void LanesChanged() override;

private:
    QWidget* MakeBlock(int firstLane, int count);
    // The rows of the window with two blocks side by side (2 x 4 lanes).
    QWidget* MakeCompactBlock(int firstLane, int count);
    // The labels and buttons of row i (lane LaneOf(i)); `compact` for two-line rows.
    void MakeRowWidgets(int i, QWidget* block, bool compact);
    // Lane colours of [Farben] on row i for the lane it shows.
    void ColourElement(int i);

    std::vector<QWidget*> strips_;  // per element: the coloured strip behind the row
};

}  // namespace zk
