// frmZSA: the settings dialog. Its tabs show every option of the settings; each
// change goes to the dialog's core functions (race/ZsaOptionen.h and the
// handlers of the port, bus, supply and serial modules), and afterwards every
// control shows again what the core reports, so exclusive options, chains and
// clamps appear at once. The sensor tab "Lichtschranken" (index 2) teaches the
// ten inputs in and shows every input live (green active, red idle); its 100 ms
// pass runs from the main cycle while the dialog is open. "speichern" writes
// all settings; nothing else here writes the settings file, except what the
// options themselves require (ticking "Einstellungen beim Beenden Speichern",
// lane voltages lowered by gain 3.2).
#pragma once

#include <QFrame>
#include <QHash>
#include <QPushButton>
#include <QTabWidget>
#include <array>

#include "race/ZsaOptionen.h"
#include "ui/ProgramWindow.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;

namespace zk {

struct UiContext;

class ZsaWindow : public ProgramWindow {
    Q_OBJECT
public:
    explicit ZsaWindow(UiContext& ctx);
    // Shows the captions and indicator colours of the last teach-in pass.
    void Anzeigen();
    // Every control from the settings: values, enabled state, labels.
    void Aktualisieren();

protected:
    void Closing(QCloseEvent* e) override;

private:
    QWidget* BuildAllgemein();
    QWidget* BuildParallelport();
    QWidget* BuildLichtschranken();
    QWidget* BuildTanken();
    QWidget* BuildBusNetzteil();
    QWidget* BuildSeriell();
    QWidget* BuildSound();
    QWidget* BuildFenster();

    // Controls bound to an option by their object name.
    QCheckBox* Check(QWidget* parent, const char* name, const char* caption, const char* tip = nullptr);
    QLineEdit* Text(QWidget* parent, const char* name, int width = 70);
    // A text box with its caption in one row of `g`.
    QLineEdit* TextRow(QGridLayout* g, QWidget* parent, const char* name, const char* caption,
                       const char* tip = nullptr, int width = 70);
    QRadioButton* Option(QWidget* parent, QButtonGroup* group, const char* name, const char* caption);
    QComboBox* Liste(QWidget* parent, const char* name, const QStringList& items);

    void Folge(const ZsaFolge& f);
    // Text boxes edited but not yet finished take effect (before a save or close).
    void OffeneEingaben();
    void FarbeWaehlen(int knopf);
    void FarbeAnzeigen();
    void SperrzeitAnzeigen();
    void ComListeFuellen();

    UiContext& ctx_;
    QTabWidget* SSTab1 = nullptr;
    std::array<QPushButton*, 10> btnZsaTrack{};  // inputs 1..10
    std::array<QFrame*, 10> shpTeach{};
    QHash<QString, QCheckBox*> checks_;
    QHash<QString, QLineEdit*> texts_;
    QHash<QString, QRadioButton*> options_;
    QList<QButtonGroup*> groups_;
    QHash<QString, QComboBox*> lists_;
    std::array<QLabel*, 3> lblAdr0{};
    std::array<QPushButton*, 24> btnTrackColor{};
    std::array<QScrollBar*, 3> vsc{};  // vscRot, vscGruen, vscBlau
    std::array<QLabel*, 3> vscWert{};
    QLabel* lblFarbeGewaehlt = nullptr;
    QLabel* lblSperrzeit = nullptr;  // the lockout, said on the sensor tab
    int farbKnopf_ = 16;
    QComboBox* AZT_ComSelect = nullptr;
    std::vector<int> comPorts_;
};

}  // namespace zk
