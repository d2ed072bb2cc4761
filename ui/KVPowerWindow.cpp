#include "ui/KVPowerWindow.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "race/NetzTeil.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"

namespace zk {

namespace {
struct KnopfDef {
    const char* name;      // per lane
    const char* alle;      // "Alle Spuren"
    const char* text;
    const char* alleText;
    VoltKnopf k;
};
const KnopfDef kKnoepfe[] = {
    {"Volt9", "Alle9V", "9 Volt", "9 Volt", VoltKnopf::Volt9},
    {"Volt12", "Alle12V", "12 Volt", "12 Volt", VoltKnopf::Volt12},
    {"Volt15", "Alle15V", "15 Volt", "15 Volt", VoltKnopf::Volt15},
    {"Volt18", "Alle18V", "18 Volt", "18 Volt", VoltKnopf::Volt18},
    {"Plus1", "AP01", "+ 0,1 Volt", "+ 0,1 Volt", VoltKnopf::Plus1},
    {"Plus10", "AP10", "+ 1 Volt", "+ 1 Volt", VoltKnopf::Plus10},
    {"Minus1", "AM01", "− 0,1 Volt", "− 0,1 Volt", VoltKnopf::Minus1},
    {"Minus10", "AM10", "− 1 Volt", "− 1 Volt", VoltKnopf::Minus10},
};
}  // namespace

KVPowerWindow::KVPowerWindow(UiContext& ctx) : ProgramWindow(Fenster::KVPower), ctx_(ctx) {
    setWindowTitle(QString::fromUtf8("Bahnspannung für Tanknetzteil"));
    auto* v = new QVBoxLayout(this);
    auto* lanes = new QGridLayout;
    v->addLayout(lanes);
    // Two buttons a row in a lane's frame and four in "Alle Spuren": four lanes
    // side by side fit a 1024-pixel screen.
    auto buttons = [this](QWidget* parent, QGridLayout* g, int lane, int row) {
        const int perRow = lane == 0 ? 4 : 2;
        for (int i = 0; i < 8; ++i) {
            const KnopfDef& d = kKnoepfe[i];
            auto* b = new QPushButton(QString::fromUtf8(lane == 0 ? d.alleText : d.text), parent);
            b->setObjectName(QString::fromUtf8(lane == 0 ? d.alle : d.name) +
                             (lane == 0 ? QString() : QStringLiteral("_%1").arg(lane - 1)));
            g->addWidget(b, row + i / perRow, i % perRow);
            connect(b, &QPushButton::clicked, this, [this, lane, i] { Knopf(lane, i); });
        }
    };
    for (int lane = 1; lane <= 8; ++lane) {
        auto* f = new QGroupBox(QStringLiteral("Spur %1").arg(lane), this);
        f->setObjectName(QStringLiteral("Frame_%1").arg(lane - 1));
        auto* g = new QGridLayout(f);
        SpurSpannung[lane] = new QLabel(f);
        SpurSpannung[lane]->setObjectName(QStringLiteral("SpurSpannung_%1").arg(lane - 1));
        QFont font = SpurSpannung[lane]->font();
        font.setPointSize(font.pointSize() + 4);
        font.setBold(true);
        SpurSpannung[lane]->setFont(font);
        lblWert[lane] = new QLabel(f);
        lblWert[lane]->setObjectName(QStringLiteral("lblWert_%1").arg(lane - 1));
        lblWert[lane]->setToolTip(QString::fromUtf8("Zuletzt an das Netzteil gesendet"));
        g->addWidget(SpurSpannung[lane], 0, 0);
        g->addWidget(lblWert[lane], 0, 1, Qt::AlignRight);
        buttons(f, g, lane, 1);
        chkTankOff[lane] = new QCheckBox(QString::fromUtf8("Tankfunktion aus"), f);
        chkTankOff[lane]->setToolTip(QString::fromUtf8("Tankfunktion auf dieser Spur ausschalten"));
        chkTankOff[lane]->setObjectName(QStringLiteral("chkTankOff_%1").arg(lane - 1));
        chkTankOff[lane]->setChecked(ctx_.sys.st.spannung.TankAus[lane] != 0);
        connect(chkTankOff[lane], &QCheckBox::toggled, this,
                [this, lane](bool on) { ctx_.cmd.TankOffSetzen(lane, on ? 1 : 0); });
        g->addWidget(chkTankOff[lane], 5, 0, 1, 2);
        lanes->addWidget(f, (lane - 1) / 4, (lane - 1) % 4);
    }
    auto* alle = new QGroupBox(QStringLiteral("Alle Spuren"), this);
    alle->setObjectName("fraAlle");
    auto* ga = new QGridLayout(alle);
    buttons(alle, ga, 0, 0);
    v->addWidget(alle);

    // Loading sends all eight values and takes them into the settings file.
    ctx_.cmd.KVPowerLaden();
    for (int l = 1; l <= 8; ++l) ctx_.writeLaneVoltage(l);
    UpdateAnzeige();
    refresh_.setInterval(200);
    connect(&refresh_, &QTimer::timeout, this, &KVPowerWindow::UpdateAnzeige);
    refresh_.start();
}

void KVPowerWindow::Knopf(int lane, int knopf) {
    const VoltKnopf k = kKnoepfe[knopf].k;
    if (lane == 0) {
        const uint16_t changed = ctx_.cmd.AlleSpurenDruecken(k);
        for (int l = 1; l <= 8; ++l)
            if ((changed >> l) & 1) ctx_.writeLaneVoltage(l);
    } else if (ctx_.cmd.VoltKnopfDruecken(lane, k)) {
        ctx_.writeLaneVoltage(lane);
    }
    UpdateAnzeige();
}

void KVPowerWindow::UpdateAnzeige() {
    const NetzteilAnzeige& a = ctx_.sys.view.netzteil;
    for (int l = 1; l <= 8; ++l) {
        SpurSpannung[l]->setText(QString::fromStdString(a.spannung[l]));
        lblWert[l]->setText(QString::fromStdString(a.wert[l]));
    }
}

void KVPowerWindow::Closing(QCloseEvent*) {
    refresh_.stop();
    ctx_.cmd.KVPowerEntladen();
}

}  // namespace zk
