// frmSaveDisplay: the progress of a running save of the settings, as the label
// "N%" and a bar. The save opens and closes it.
#pragma once

#include <QLabel>
#include <QProgressBar>
#include <QWidget>

namespace zk {

struct RaceState;

class SaveDisplayWindow : public QWidget {
    Q_OBJECT
public:
    explicit SaveDisplayWindow(const RaceState& st);
    // Shows the progress counter of the running save.
    void UpdateAnzeige();

signals:
    void Unloaded(QWidget* w);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    const RaceState& st_;
    QLabel* Label1 = nullptr;
    QProgressBar* Bar = nullptr;
};

}  // namespace zk
