#include "ui/ResultWindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QStandardPaths>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QUrl>
#include <QVBoxLayout>

#include "race/RaceResult.h"
#include "ui/LapWindow.h"
#include "system/RaceSystem.h"

namespace zk {

QString ResultFolder(const RaceSystem& sys) {
    if (sys.datenVerzeichnis.empty()) return {};
    return QString::fromStdString(sys.datenVerzeichnis + "/" + kErgebnisOrdner);
}

bool OpenResultFolder(const RaceSystem& sys) {
    const QString dir = ResultFolder(sys);
    if (dir.isEmpty() || !QDir().mkpath(dir)) return false;
    // Without xdg-open the desktop cannot show a folder (and says nothing).
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(dir));
}

QString ResultFolderText(const RaceSystem& sys, bool opened) {
    const QString dir = ResultFolder(sys);
    if (dir.isEmpty()) return QString::fromUtf8("Kein Datenverzeichnis gewählt, daher kein Ergebnisordner.");
    return opened ? QString::fromUtf8("Ergebnisordner: %1").arg(dir)
                  : QString::fromUtf8("Kein Dateimanager zum Öffnen gefunden. Der Ergebnisordner ist: %1").arg(dir);
}

ResultWindow::ResultWindow(const RaceSystem& sys) : ProgramWindow(Fenster::Ergebnis), sys_(sys) {
    setWindowTitle(QStringLiteral("Ergebnis"));
    auto* v = new QVBoxLayout(this);
    lblTitel_ = new QLabel(this);
    lblTitel_->setObjectName("lblErgebnisTitel");
    QFont tf = lblTitel_->font();
    tf.setPointSizeF(tf.pointSizeF() * 1.4);
    tf.setBold(true);
    lblTitel_->setFont(tf);
    lblSieger_ = new QLabel(this);
    lblSieger_->setObjectName("lblSieger");
    QFont sf = lblSieger_->font();
    sf.setPointSizeF(sf.pointSizeF() * 1.8);
    sf.setBold(true);
    lblSieger_->setFont(sf);
    lstErgebnis_ = new QTableWidget(0, 8, this);
    lstErgebnis_->setObjectName("lstErgebnis");
    lstErgebnis_->setHorizontalHeaderLabels({QStringLiteral("Platz"), QStringLiteral("Spur"), QStringLiteral("Fahrer"),
                                             QStringLiteral("Runden"), QStringLiteral("Gesamtzeit"),
                                             QStringLiteral("Beste Runde"), QStringLiteral("Fehlstarts"),
                                             QStringLiteral("Tankstrafen")});
    lstErgebnis_->verticalHeader()->hide();
    lstErgebnis_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstErgebnis_->setSelectionMode(QAbstractItemView::NoSelection);
    lstErgebnis_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    lstErgebnis_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    lblDateien_ = new QLabel(this);
    lblDateien_->setObjectName("lblDateien");
    lblDateien_->setWordWrap(true);
    lblDateien_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QHBoxLayout;
    btnOrdner_ = new QPushButton(QString::fromUtf8("Ergebnisordner öffnen"), this);
    btnOrdner_->setObjectName("btnOrdner");
    auto* btnSchliessen = new QPushButton(QString::fromUtf8("Schließen"), this);
    btnSchliessen->setObjectName("btnSchliessen");
    buttons->addWidget(btnOrdner_);
    buttons->addStretch(1);
    buttons->addWidget(btnSchliessen);
    v->addWidget(lblTitel_);
    v->addWidget(lblSieger_);
    v->addWidget(lstErgebnis_, 1);
    v->addWidget(lblDateien_);
    v->addLayout(buttons);
    connect(btnOrdner_, &QPushButton::clicked, this,
            [this] { lblDateien_->setText(ResultFolderText(sys_, OpenResultFolder(sys_))); });
    connect(btnSchliessen, &QPushButton::clicked, this, &QWidget::close);
    resize(820, 420);
    Fill();
}

void ResultWindow::Fill() {
    const RaceUiState& v = sys_.view;
    const RennErgebnis& e = v.ergebnis;
    if (v.ergebnisNummer == 0) {
        lblTitel_->setText(QString::fromUtf8("Noch kein Rennen beendet"));
        lblSieger_->clear();
        lstErgebnis_->setRowCount(0);
        lblDateien_->clear();
    } else {
        lblTitel_->setText(QString::fromStdString(e.titel + " – " + v.ergebnisZeit));
        const int s = e.SiegerSpur();
        lblSieger_->setText(e.abgebrochen ? QString::fromUtf8("Rennen abgebrochen – kein Sieger")
                            : s == 0      ? QString::fromUtf8("Keine Runde gefahren")
                                          : QString::fromStdString("Sieger: Spur " + std::to_string(s) + " – " + e.zeilen[0].fahrer));
        lstErgebnis_->setRowCount(static_cast<int>(e.zeilen.size()));
        for (int r = 0; r < static_cast<int>(e.zeilen.size()); ++r) {
            const ErgebnisZeile& z = e.zeilen[r];
            const QString cells[8] = {QString::number(z.platz),
                                      QString::number(z.spur),
                                      QString::fromStdString(z.fahrer),
                                      QString::number(z.runden),
                                      z.runden > 0 ? ZeitText(LesbareZeit(z.gesamtzeit)) : QStringLiteral("–"),
                                      z.besteText.empty() ? QStringLiteral("–") : ZeitText(z.besteText),
                                      QString::number(z.fehlstarts),
                                      QString::number(z.strafen)};
            for (int c = 0; c < 8; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                item->setTextAlignment(c == 2 ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter);
                lstErgebnis_->setItem(r, c, item);
            }
        }
        QStringList files;
        for (const std::string& p : v.ergebnisDateien) files << QFileInfo(QString::fromStdString(p)).fileName();
        if (!files.isEmpty()) {
            lblDateien_->setText(QString::fromUtf8("Gespeichert in %1: %2").arg(ResultFolder(sys_), files.join(", ")));
        } else if (sys_.datenVerzeichnis.empty()) {
            lblDateien_->setText(QString::fromUtf8("Ohne Datenverzeichnis wird das Ergebnis nicht gespeichert."));
        } else {
            lblDateien_->setText(QString::fromUtf8("Das Ergebnis wurde nicht gespeichert."));
        }
    }
    const bool ordner = !sys_.datenVerzeichnis.empty();
    btnOrdner_->setEnabled(ordner);
    btnOrdner_->setToolTip(ordner ? ResultFolder(sys_) : QString::fromUtf8("Kein Datenverzeichnis gewählt"));
}

}  // namespace zk
