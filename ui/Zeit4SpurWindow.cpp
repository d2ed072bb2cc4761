#include "ui/Zeit4SpurWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "tick/FastTimer.h"
#include "race/InterneZeit.h"
#include "race/RaceResult.h"
#include "system/RaceSystem.h"
#include "ui/RaceActions.h"
#include "ui/WindowRegistry.h"

namespace zk {

namespace {
constexpr int kStd4Lanes = 4;
}  // namespace

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {
    setMinimumSize(12, 12);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void StatusLamp::SetColour(const QColor& c) {
    if (c == colour_) return;
    colour_ = c;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::min(width(), height()) - 2;
    p.setBrush(colour_);
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(QRect((width() - d) / 2, (height() - d) / 2, d, d));
}

Zeit4SpurWindow::Zeit4SpurWindow(UiContext& ctx) : LapWindow(ctx, Fenster::Zeit4Spur, kStd4Lanes) {
    QVBoxLayout* top = MakeLayoutWithHead(15, 18);

    auto* lanes = new QHBoxLayout;
    lanes->setSpacing(6);
    for (auto* v : {&Spur_Laps, &Spur_LapTime, &Spur_Fastest, &Spur_Driver, &Spur_FuelVal, &lblTotal, &lblThroughTime,
                    &lblStandT})
        v->resize(kStd4Lanes, nullptr);
    Spur_FuelBar.resize(kStd4Lanes, nullptr);
    lstZeitenT.resize(kStd4Lanes, nullptr);
    shpStatus.resize(kStd4Lanes, nullptr);
    laneColumn_.resize(kStd4Lanes, nullptr);
    for (int i = 0; i < kStd4Lanes; ++i) {
        const int lane = i + 1;
        auto* col = new QWidget(this);
        col->setObjectName(ArrayName("Spur_Streifen", i));
        laneColumn_[i] = col;
        auto* g = new QGridLayout(col);
        g->setContentsMargins(4, 4, 4, 4);
        g->setVerticalSpacing(2);
        auto* number = MakeLabel(ArrayName("lblSpur", i), QStringLiteral("Spur %1").arg(lane), 13, col);
        shpStatus[i] = new StatusLamp(col);
        shpStatus[i]->setObjectName(ArrayName("shpStatus", i));
        Spur_Driver[i] = MakeLabel(ArrayName("Spur_Driver", i), "Fahrer", 12, col);
        Spur_Laps[i] = MakeLabel(ArrayName("Spur_Laps", i), QString(), 26, col);
        Spur_LapTime[i] = MakeLabel(ArrayName("Spur_LapTime", i), QString(), 24, col);
        Spur_Fastest[i] = MakeLabel(ArrayName("Spur_Fastest", i), QString(), 16, col);
        lblTotal[i] = MakeLabel(ArrayName("lblTotal", i), QString(), 11, col);
        lblStandT[i] = MakeLabel(ArrayName("lblStandT", i), QString(), 10, col);
        lblThroughTime[i] = MakeLabel(ArrayName("lblThroughTime", i), QString(), 10, col);
        Spur_FuelVal[i] = MakeLabel(ArrayName("Spur_FuelVal", i), "100,00", 10, col);
        Spur_FuelBar[i] = new FuelBar(col);
        Spur_FuelBar[i]->setObjectName(ArrayName("Spur_FuelBar", i));
        lstZeitenT[i] = new QListWidget(col);
        lstZeitenT[i]->setObjectName(ArrayName("lstZeitenT", i));
        lstZeitenT[i]->setFocusPolicy(Qt::NoFocus);
        lstZeitenT[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        scaler_.Add(lstZeitenT[i], 10);

        auto small = [&](const char* t) { return MakeLabel(QString(), QString::fromUtf8(t), 8, col); };
        int r = 0;
        g->addWidget(shpStatus[i], r, 0);
        g->addWidget(number, r++, 1);
        g->addWidget(Spur_Driver[i], r++, 0, 1, 2);
        g->addWidget(small("Runden"), r, 0);
        g->addWidget(Spur_Laps[i], r++, 1);
        g->addWidget(small("Zeit"), r, 0);
        g->addWidget(Spur_LapTime[i], r++, 1);
        g->addWidget(small("Beste"), r, 0);
        g->addWidget(Spur_Fastest[i], r++, 1);
        g->addWidget(small("Gesamt"), r, 0);
        g->addWidget(lblTotal[i], r++, 1);
        g->addWidget(small("Stand"), r, 0);
        g->addWidget(lblStandT[i], r++, 1);
        g->addWidget(small("Durchfahrt"), r, 0);
        g->addWidget(lblThroughTime[i], r++, 1);
        g->addWidget(Spur_FuelVal[i], r, 0);
        g->addWidget(Spur_FuelBar[i], r++, 1);
        g->addWidget(lstZeitenT[i], r, 0, 1, 2);
        for (int k = 0; k < r; ++k) g->setRowStretch(k, k == 2 || k == 3 ? 4 : 2);
        g->setRowStretch(r, 12);
        g->setColumnStretch(0, 2);
        g->setColumnStretch(1, 5);
        ApplyLaneColours(col, number, lane,
                         {Spur_Driver[i], Spur_Laps[i], Spur_LapTime[i], Spur_Fastest[i], lblTotal[i], lblStandT[i],
                          lblThroughTime[i], Spur_FuelVal[i]});
        lanes->addWidget(col, 1);
    }
    top->addLayout(lanes, 12);

    auto* info = new QHBoxLayout;
    lblPausenzeit = MakeLabel("lblPausenzeit", QString(), 10, this);
    lblDispNachlauf = MakeLabel("lblDispNachlauf", QString(), 10, this);
    txtNachlaufzeit = new QLineEdit(this);
    txtNachlaufzeit->setObjectName("txtNachlaufzeit");
    txtNachlaufzeit->setReadOnly(true);
    txtNachlaufzeit->setFocusPolicy(Qt::NoFocus);
    txtNachlaufzeit->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    scaler_.Add(txtNachlaufzeit, 10);
    lblSpwAnzeige = MakeLabel("lblSpwAnzeige", QString(), 10, this);
    btnZmsInfo = MakeButton("btnZmsInfo", "Info", 10, this);
    btnShowClubRace = MakeButton("btnShowClubRace", "Clubrennen", 10, this);
    info->addWidget(MakeLabel(QString(), "Pause:", 9, this), 1);
    info->addWidget(lblPausenzeit, 2);
    info->addWidget(MakeLabel(QString(), "Nachlauf:", 9, this), 1);
    info->addWidget(lblDispNachlauf, 2);
    info->addWidget(txtNachlaufzeit, 1);
    info->addWidget(lblSpwAnzeige, 3);
    info->addWidget(btnZmsInfo, 1);
    info->addWidget(btnShowClubRace, 2);
    top->addLayout(info, 1);
    top->addWidget(MakeRaceButtons(true), 1);

    connect(btnShowClubRace, &QPushButton::clicked, this, [this] { ctx_.registry.Open(Fenster::ClubResult); });
    connect(btnZmsInfo, &QPushButton::clicked, this, [this] { ctx_.registry.Open(Fenster::AnzeigeZrEinteilung); });

    // Fits a 1024x768 screen with title bar and panel; larger windows scale up.
    scaler_.SetDesignSize(QSize(960, 660));
    resize(scaler_.DesignSize());
    RebuildWindow();
}

void Zeit4SpurWindow::ShowLanes() {
    for (int i = 0; i < kStd4Lanes; ++i) laneColumn_[i]->setVisible(ctx_.sys.st.SpurAktiv[i + 1]);
}

void Zeit4SpurWindow::BlankStatusLights() {
    for (auto* l : shpStatus) l->SetColour(QColor(Qt::lightGray));
}

void Zeit4SpurWindow::ClearRundenzeitenListbox() {
    for (auto* l : lstZeitenT) l->clear();
}

void Zeit4SpurWindow::RebuildWindow() {
    RefreshWindow();
    ClearWindow();
}

void Zeit4SpurWindow::RefreshWindow() {
    ShowLanes();
    const RaceUiState& v = ctx_.sys.view;
    lblGesZeit->setVisible(v.GesZeitSichtbar != 0);
    btnZmsInfo->setVisible(v.ZmsInfoSichtbar != 0);
    lblSpwAnzeige->setVisible(v.SpwAnzeigeSichtbar != 0);
    const SpurwechselRennen* w = ctx_.sys.club().Spurwechsel();
    lblSpwAnzeige->setText(w && w->Aktiv() ? QString::fromStdString("Rennen " + w->RennenVon()) : QString());
    btnShowClubRace->setVisible(ctx_.sys.st.rennen.Rennmodus >= Rennart::Clubrennen);
    txtNachlaufzeit->setText(QString::number(ctx_.sys.cfg.NachZeit.Nachzeit));
}

void Zeit4SpurWindow::SetSafetyCarColour(const QColor& c) {
    QPalette p = btnSafetyCar->palette();
    if (p.color(QPalette::Button) == c) return;
    p.setColor(QPalette::Button, c);
    btnSafetyCar->setPalette(p);
    btnSafetyCar->setAutoFillBackground(true);
}

void Zeit4SpurWindow::ClearWindow() {
    LapWindow::ClearWindow();
    ClearRundenzeitenListbox();
    for (int i = 0; i < kStd4Lanes; ++i) {
        lblTotal[i]->clear();
        lblStandT[i]->clear();
        lblThroughTime[i]->clear();
    }
    lblTitel_->setText(heading_);
}

void Zeit4SpurWindow::Update() {
    ShowCountdownAndLaps();
    Refresh();
}

void Zeit4SpurWindow::Refresh() {
    const RaceState& s = ctx_.sys.st;
    // Readable times (m:ss.mmm) in the window only; the window leaves the race's
    // own time texts alone.
    lblDispNachlauf->setText(QString::fromStdString(LesbareZeit(s.NachlaufRest)));
    lblPausenzeit->setText(s.rennen.PauseText.empty() ? QString()
                                               : QString::fromStdString(LesbareZeit(TimeDiff(s.rennen.PauseLetzte, s.rennen.PauseBeginn))));
    for (int i = 0; i < kStd4Lanes; ++i) {
        const int lane = i + 1;
        const SpurSatz& r = s.spuren.SpurDaten[lane];
        if (!s.ErsteDurchfahrt[lane] && r.NeueRunde != 0) {
            lstZeitenT[i]->addItem(QString::number(r.Runden) + QStringLiteral(" - ") + ZeitText(r.SekText + r.MsText));
            lstZeitenT[i]->scrollToBottom();
        }
        lblTotal[i]->setText(ZeitText(LesbareZeit(ctx_.sys.record.laps.Total(lane))));
    }
    for (int i = 0; i < kStd4Lanes; ++i) {
        lblStandT[i]->setText(ZeitText(LesbareZeit(s.AktivAbtastungen[i + 1])));
    }
    for (int i = 0; i < kStd4Lanes; ++i) lblThroughTime[i]->setText(QString::number(s.PulsLaenge[i + 1]));
    if (!s.RennenLaeuft) {
        // Sensors can be tried out before a race: green while the input is active.
        const uint16_t in = s.Eingang;
        for (int i = 0; i < kStd4Lanes; ++i)
            shpStatus[i]->SetColour(InputActive(s, i + 1, in) ? QColor(0, 192, 0) : QColor(255, 0, 0));
    }
}

void Zeit4SpurWindow::KeyTyped(char key) { ctx_.race.StandardKeys(key); }

}  // namespace zk
