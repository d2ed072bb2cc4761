// Windows that are not part of the program yet. Their menu entries and buttons
// stay visible but disabled, with a tooltip that says why; a window that arrives
// leaves this list and its entries work.
#pragma once

#include <QAction>
#include <QString>
#include <QWidget>
#include <string_view>

namespace zk {

// Every window is built at present.
inline bool WindowPending(std::string_view /*name*/) { return false; }

inline QString PendingTip() { return QString::fromUtf8("Noch nicht verfügbar: dieser Teil des Programms wird noch eingebaut."); }

// Disables `w` (a QAction or a QWidget) with the reason when `window` is pending.
template <class W>
void DisableIfPending(W* w, std::string_view window) {
    if (!w || !WindowPending(window)) return;
    w->setEnabled(false);
    w->setToolTip(PendingTip());
}

}  // namespace zk
