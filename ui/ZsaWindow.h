// frmZSA: the settings dialog. Its sensor tab "Lichtschranken" teaches the ten
// inputs in and shows every input live (green active, red idle); "speichern"
// writes all settings. The tab's 100 ms pass runs from the main cycle while
// the dialog is open.
#pragma once

#include <QFrame>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <array>

namespace zk {

struct UiContext;

class ZsaWindow : public QWidget {
    Q_OBJECT
public:
    explicit ZsaWindow(UiContext& ctx);
    // Shows the captions and indicator colours of the last teach-in pass.
    void Anzeigen();

signals:
    void Unloaded(QWidget* w);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* BuildLichtschranken();
    QWidget* BuildNochNichtDa(const char* name);

    UiContext& ctx_;
    QTabWidget* SSTab1 = nullptr;
    std::array<QPushButton*, 10> btnZsaTrack{};  // inputs 1..10
    std::array<QFrame*, 10> shpTeach{};
};

}  // namespace zk
