// The common base of every window of the window table: it carries the name of
// its row (its object name), is destroyed when it closes, and tells the window
// registry once, after its own closing work, that it has gone. The registry
// then stores its position and clears its open flag as the table says.
#pragma once

#include <QWidget>

#include "base/Windows.h"

class QCloseEvent;

namespace zk {

class ProgramWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProgramWindow(Fenster id, Qt::WindowFlags extraFlags = {});

    Fenster Id() const { return id_; }
    // Program end: closes the window without the rules that apply when a user
    // closes it (a lap window does not end the race, an input window does not
    // take its text).
    void CloseForShutdown();

signals:
    void Unloaded(ProgramWindow* w);

protected:
    // The window's own work as it closes; runs once, before Unloaded.
    virtual void Closing(QCloseEvent* /*e*/) {}
    bool ShuttingDown() const { return shutdown_; }

    void closeEvent(QCloseEvent* e) final;

private:
    const Fenster id_;
    bool shutdown_ = false;
    bool closing_ = false;
};

}  // namespace zk
