#include "ui/KVZeitWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "race/Director.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "ui/WindowRegistry.h"
#include "ui/RaceActions.h"

namespace zk {

KVZeitWindow::KVZeitWindow(UiContext& ctx, Fenster id, int lanes, int blocks) : LapWindow(ctx, id, lanes) {
    for (auto* v : {&Spur_Laps, &Spur_LapTime, &Spur_Fastest, &Spur_Rank, &Spur_Name, &Spur_Driver, &Spur_FuelVal})
        v->resize(lanes_, nullptr);
    Spur_FuelBar.resize(lanes_, nullptr);
    PowerBtn.resize(lanes_, nullptr);
    ResetBtn.resize(lanes_, nullptr);
    strips_.resize(lanes_, nullptr);

    QVBoxLayout* top = MakeLayoutWithHead(16, 20);

    auto* body = new QHBoxLayout;
    const int perBlock = lanes / blocks;
    for (int b = 0; b < blocks; ++b)
        body->addWidget(blocks == 1 ? MakeBlock(b * perBlock, perBlock) : MakeCompactBlock(b * perBlock, perBlock), 1);
    top->addLayout(body, 2 * perBlock);
    top->addWidget(MakeRaceButtons(false), 1);

    // Eight lanes in one block still fit a 1024x768 screen at the design size.
    // Two blocks side by side are designed for that screen's width, so the lane
    // number, laps and last lap come out as large as in the 4-lane window.
    const int rowH = perBlock <= 4 ? 90 : (perBlock <= 6 ? 75 : 56);
    scaler_.SetDesignSize(blocks == 1 ? QSize(880, 210 + perBlock * rowH) : QSize(1000, 210 + perBlock * rowH));
    resize(scaler_.DesignSize());
    ClearWindow();
}

QWidget* KVZeitWindow::MakeBlock(int firstLane, int count) {
    auto* block = new QWidget(this);
    auto* g = new QGridLayout(block);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(3);
    static const char* heads[] = {"Spur", "Fahrer", "Runden", "Rundenzeit", "Bestzeit", "Platz", "Tank", ""};
    static const int stretch[] = {2, 5, 3, 5, 5, 2, 4, 3};
    for (int c = 0; c < 8; ++c) {
        auto* h = MakeLabel(QString(), QString::fromUtf8(heads[c]), 10, block);
        g->addWidget(h, 0, c);
        g->setColumnStretch(c, stretch[c]);
    }
    g->setRowStretch(0, 1);
    for (int k = 0; k < count; ++k) {
        const int i = firstLane + k;
        const int row = k + 1;
        g->setRowStretch(row, 3);

        MakeRowWidgets(i, block, false);
        g->addWidget(strips_[i], row, 0, 1, 8);

        auto* fuel = new QVBoxLayout;
        fuel->setSpacing(1);
        fuel->addWidget(Spur_FuelVal[i], 3);
        fuel->addWidget(Spur_FuelBar[i], 2);
        auto* btns = new QVBoxLayout;
        btns->setSpacing(1);
        btns->addWidget(PowerBtn[i]);
        btns->addWidget(ResetBtn[i]);

        g->addWidget(Spur_Name[i], row, 0);
        g->addWidget(Spur_Driver[i], row, 1);
        g->addWidget(Spur_Laps[i], row, 2);
        g->addWidget(Spur_LapTime[i], row, 3);
        g->addWidget(Spur_Fastest[i], row, 4);
        g->addWidget(Spur_Rank[i], row, 5);
        g->addLayout(fuel, row, 6);
        g->addLayout(btns, row, 7);
    }
    return block;
}

void KVZeitWindow::MakeRowWidgets(int i, QWidget* block, bool compact) {
    const int lane = LaneOf(i);
    auto* strip = new QWidget(block);
    strip->setObjectName(ArrayName("Spur_Streifen", i));
    strips_[i] = strip;
    Spur_Name[i] = MakeLabel(ArrayName("Spur_Name", i), QString::number(lane), compact ? 28 : 26, block);
    Spur_Driver[i] = MakeLabel(ArrayName("Spur_Driver", i), "Fahrer", compact ? 12 : 14, block);
    Spur_Laps[i] = MakeLabel(ArrayName("Spur_Laps", i), QString(), 28, block);
    Spur_LapTime[i] = MakeLabel(ArrayName("Spur_LapTime", i), QString(), 28, block);
    Spur_Fastest[i] = MakeLabel(ArrayName("Spur_Fastest", i), QString(), compact ? 14 : 20, block);
    Spur_Rank[i] = MakeLabel(ArrayName("Spur_Rank", i), "0", compact ? 14 : 24, block);
    Spur_FuelVal[i] = MakeLabel(ArrayName("Spur_FuelVal", i), "100,00", compact ? 10 : 11, block);
    Spur_FuelBar[i] = new FuelBar(block);
    Spur_FuelBar[i]->setObjectName(ArrayName("Spur_FuelBar", i));
    PowerBtn[i] = MakeButton(ArrayName("PowerBtn", i), "Strom", 9, block);
    ResetBtn[i] = MakeButton(ArrayName("ResetBtn", i), "Reset", 9, block);
    PowerBtn[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ResetBtn[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    ColourElement(i);
    // The buttons act on the lane the row shows when they are pressed.
    connect(PowerBtn[i], &QPushButton::clicked, this, [this, i] { ctx_.race.TogglePower(LaneOf(i)); });
    // Reset: the lane's best lap starts again, as at the race director's desk.
    ResetBtn[i]->setToolTip(QStringLiteral("Bestzeit dieser Spur zurücksetzen"));
    connect(ResetBtn[i], &QPushButton::clicked, this, [this, i] {
        ctx_.cmd.ResetBestLap(LaneOf(i));
        ctx_.registry.ShowBestLapReset(LaneOf(i));
    });
}

// Two lines a lane: lane number, laps and last lap large on the first (as large
// as in the 4-lane window), driver, best lap, place and fuel on the second.
QWidget* KVZeitWindow::MakeCompactBlock(int firstLane, int count) {
    auto* block = new QWidget(this);
    auto* g = new QGridLayout(block);
    g->setContentsMargins(0, 0, 0, 0);
    g->setHorizontalSpacing(4);
    g->setVerticalSpacing(0);
    static const char* heads[] = {"Spur", "Runden\nFahrer", "Rundenzeit\nBestzeit", "Platz\nTank", ""};
    static const int stretch[] = {2, 5, 6, 4, 3};
    for (int c = 0; c < 5; ++c) {
        auto* h = MakeLabel(QString(), QString::fromUtf8(heads[c]), 9, block);
        g->addWidget(h, 0, c);
        g->setColumnStretch(c, stretch[c]);
    }
    g->setRowStretch(0, 2);
    for (int k = 0; k < count; ++k) {
        const int i = firstLane + k;
        const int row = 1 + 2 * k;
        g->setRowStretch(row, 4);
        g->setRowStretch(row + 1, 2);
        MakeRowWidgets(i, block, true);
        g->addWidget(strips_[i], row, 0, 2, 5);
        // A gap between the lanes' strips, as the one-block rows have.
        strips_[i]->setContentsMargins(0, 0, 0, 3);

        auto* rankFuel = new QHBoxLayout;
        rankFuel->setSpacing(2);
        auto* fuel = new QVBoxLayout;
        fuel->setSpacing(1);
        fuel->addWidget(Spur_FuelVal[i], 3);
        fuel->addWidget(Spur_FuelBar[i], 2);
        rankFuel->addWidget(Spur_Rank[i], 2);
        rankFuel->addLayout(fuel, 3);
        auto* btns = new QVBoxLayout;
        btns->setSpacing(1);
        btns->addWidget(PowerBtn[i]);
        btns->addWidget(ResetBtn[i]);

        g->addWidget(Spur_Name[i], row, 0, 2, 1);
        g->addWidget(Spur_Laps[i], row, 1);
        g->addWidget(Spur_LapTime[i], row, 2, 1, 2);
        g->addWidget(Spur_Driver[i], row + 1, 1);
        g->addWidget(Spur_Fastest[i], row + 1, 2);
        g->addLayout(rankFuel, row + 1, 3);
        g->addLayout(btns, row, 4, 2, 1);
    }
    return block;
}

void KVZeitWindow::ColourElement(int i) {
    ApplyLaneColours(strips_[i], Spur_Name[i], LaneOf(i),
                     {Spur_Driver[i], Spur_Laps[i], Spur_LapTime[i], Spur_Fastest[i], Spur_Rank[i], Spur_FuelVal[i]});
}

void KVZeitWindow::LanesChanged() {
    for (int i = 0; i < lanes_; ++i) {
        if (!strips_[i]) continue;
        Spur_Name[i]->setText(QString::number(LaneOf(i)));
        ColourElement(i);
    }
}

void KVZeitWindow::Update() {
    ShowCountdownAndLaps();
    const RaceState& s = ctx_.sys.st;
    for (int i = 0; i < lanes_; ++i) Spur_Rank[i]->setText(QString::number(s.spuren.SpurDaten[LaneOf(i)].Platz));
}

void KVZeitWindow::ClearWindow() {
    LapWindow::ClearWindow();
    lblTitel_->setText(heading_);
}

}  // namespace zk
