#include "ui/LapWindow.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QStringList>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "race/RaceResult.h"
#include "system/RaceSystem.h"
#include "ui/RaceActions.h"
#include "ui/WindowRegistry.h"

namespace zk {

QString ArrayName(const char* base, int index) { return QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(index); }

QString GermanDecimal(double v, int decimals) {
    QLocale de(QLocale::German, QLocale::Germany);
    de.setNumberOptions(QLocale::OmitGroupSeparator);
    return de.toString(v, 'f', decimals);
}

QString ZeitText(const std::string& t) {
    QString q = QString::fromStdString(t);
    const qsizetype dot = q.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) q[dot] = QLatin1Char(',');
    return q;
}

FuelBar::FuelBar(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(6);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void FuelBar::Set(double fraction, const QColor& colour) {
    fraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    if (fraction == fraction_ && colour == colour_) return;
    fraction_ = fraction;
    colour_ = colour;
    update();
}

void FuelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.fillRect(r, QColor(60, 60, 60));
    p.fillRect(QRect(r.left(), r.top(), static_cast<int>(std::lround(r.width() * fraction_)), r.height()), colour_);
    p.setPen(QColor(20, 20, 20));
    p.drawRect(r);
}

LapWindow::LapWindow(UiContext& ctx, Fenster id, int lanes) : ProgramWindow(id), ctx_(ctx), lanes_(lanes) {
    setFocusPolicy(Qt::StrongFocus);
    ChooseLanes();
}

bool LapWindow::ChooseLanes() {
    std::vector<int> shown;
    if (lanes_ < kLanes && Id() != Fenster::Zeit4Spur) {
        std::vector<int> taking, others;
        for (int lane = 1; lane <= kLanes; ++lane)
            (ctx_.sys.st.SpurAktiv[lane] ? taking : others).push_back(lane);
        shown = taking;
        if (static_cast<int>(shown.size()) > lanes_) shown.resize(lanes_);
        for (size_t k = 0; static_cast<int>(shown.size()) < lanes_ && k < others.size(); ++k) shown.push_back(others[k]);
        std::sort(shown.begin(), shown.end());
    } else {
        for (int i = 0; i < lanes_; ++i) shown.push_back(i + 1);
    }
    if (shown == laneOf_) return false;
    laneOf_ = std::move(shown);
    return true;
}

int LapWindow::ElementOf(int lane) const {
    for (int i = 0; i < lanes_; ++i)
        if (LaneOf(i) == lane) return i;
    return -1;
}

QLabel* LapWindow::MakeLabel(const QString& name, const QString& text, double pt, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignCenter);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    l->setMinimumSize(1, 1);
    scaler_.Add(l, pt);
    return l;
}

void LapWindow::ShowCountdownAndLaps() {
    const RaceState& s = ctx_.sys.st;
    if (banner_) banner_->Show(BannerBerechnen(ctx_.sys));
    ShowHeading();
    // The countdown as h:mm:ss here; the display boards keep their own form.
    const bool countdown = !ctx_.race.CountdownText().empty();
    lblGesZeit->setText(countdown ? QString::fromStdString(LesbarerCountdown(s.rennen.RestStunden, s.rennen.RestMinuten, s.rennen.RestSekunden))
                                  : QString());
    for (int i = 0; i < lanes_; ++i) {
        const int lane = LaneOf(i);
        // The driver names follow the lanes' names as they are chosen.
        if (i < static_cast<int>(Spur_Driver.size()) && Spur_Driver[i]) {
            const QString name = DriverName(lane);
            if (Spur_Driver[i]->text() != name) Spur_Driver[i]->setText(name);
        }
        // The lap count is the lap list's: a correction of the race director
        // shows at once, not only with the lane's next lap. Below it, why it
        // differs from the laps driven (empty-tank penalties, corrections).
        QString laps = QString::number(ctx_.sys.record.laps.Laps(lane));
        if (const std::string why = RundenHinweis(ctx_.sys.record.laps, lane); !why.empty())
            laps += QStringLiteral("<br><small>") + QString::fromStdString(why).toHtmlEscaped() +
                    QStringLiteral("</small>");
        if (Spur_Laps[i]->text() != laps) Spur_Laps[i]->setText(laps);
        const SpurSatz& r = s.spuren.SpurDaten[lane];
        if (r.NeueRunde == 0) continue;
        const QString text = ZeitText(r.SekText + r.MsText);
        Spur_LapTime[i]->setText(text);
        if (r.NeueBestzeit != 0) Spur_Fastest[i]->setText(text);
    }
}

QVBoxLayout* LapWindow::MakeLayoutWithHead(double titlePt, double timePt) {
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(6, 6, 6, 6);
    top->setSpacing(4);
    auto* head = new QHBoxLayout;
    lblTitel_ = MakeLabel("lblTitel", QString(), titlePt, this);
    lblTitel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblGesZeit = MakeLabel("lblGesZeit", "00:00.00", timePt, this);
    lblGesZeit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    head->addWidget(lblTitel_, 3);
    head->addWidget(lblGesZeit, 1);
    top->addLayout(head, 1);
    banner_ = new RaceBanner(this);
    scaler_.Add(banner_->TextLabel(), 1.6 * timePt);
    scaler_.Add(banner_->ZeileLabel(), 0.6 * timePt);
    banner_->Show(BannerBerechnen(ctx_.sys));
    top->addWidget(banner_, 3);
    return top;
}

QPushButton* LapWindow::MakeButton(const QString& name, const QString& text, double pt, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    // Width from the layout, height from the (scaled) font.
    b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    b->setMinimumSize(1, 1);
    b->setFocusPolicy(Qt::NoFocus);  // keys stay with the window
    scaler_.Add(b, pt);
    return b;
}

QWidget* LapWindow::MakeRaceButtons(bool withPowerAll) {
    auto* bar = new QWidget(this);
    auto* h = new QHBoxLayout(bar);
    h->setContentsMargins(0, 0, 0, 0);
    btnStartRace = MakeButton("btnStartRace", "Start", 11, bar);
    btnStopRace = MakeButton("btnStopRace", "Stop", 11, bar);
    btnPause = MakeButton("btnPause", "Pause", 11, bar);
    btnWeiter = MakeButton("btnWeiter", "Weiter", 11, bar);
    btnSafetyCar = MakeButton("btnSafetyCar", "Safety Car", 11, bar);
    btnFahrer = MakeButton("btnFahrer", "Fahrer", 11, bar);
    btnClose = MakeButton("bntZmClose", "Schließen", 11, bar);
    for (QPushButton* b : {btnStartRace, btnStopRace, btnPause, btnWeiter, btnSafetyCar}) h->addWidget(b, 2);
    if (withPowerAll) {
        PowerAll = MakeButton("PowerAll", "Strom", 11, bar);
        h->addWidget(PowerAll, 2);
        connect(PowerAll, &QPushButton::clicked, this, [this] { ctx_.race.PowerAllOn(); });
    }
    h->addWidget(btnFahrer, 2);
    h->addStretch(1);
    h->addWidget(btnClose, 2);
    connect(btnStartRace, &QPushButton::clicked, this, [this] { ctx_.race.Start(); });
    connect(btnStopRace, &QPushButton::clicked, this, [this] { ctx_.race.Stop(); });
    connect(btnPause, &QPushButton::clicked, this, [this] { ctx_.race.Pause(); });
    connect(btnWeiter, &QPushButton::clicked, this, [this] { ctx_.race.Resume(); });
    connect(btnSafetyCar, &QPushButton::clicked, this, [this] { ctx_.race.SafetyCarButton(); });
    connect(btnFahrer, &QPushButton::clicked, this, [this] { ctx_.openOrSay(Fenster::SelectDriver); });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    SetRaceButtons(ctx_.race.StartEnabled(), ctx_.race.PauseEnabled(), ctx_.race.WeiterEnabled());
    return bar;
}

void LapWindow::ApplyLaneColours(QWidget* strip, QLabel* laneNumber, int lane, const std::vector<QLabel*>& texts) {
    const Settings& c = ctx_.sys.cfg;
    const QColor bg = FromRgb(c.Farben.S[lane]);
    const QColor fg = ReadableOn(FromRgb(c.Farben.FS[lane]), bg);
    QPalette pal = strip->palette();
    pal.setColor(QPalette::Window, bg);
    pal.setColor(QPalette::WindowText, fg);
    strip->setPalette(pal);
    strip->setAutoFillBackground(true);
    for (QLabel* l : texts) {
        QPalette lp = l->palette();
        lp.setColor(QPalette::WindowText, fg);
        l->setPalette(lp);
    }
    if (laneNumber) {
        const QColor track = FromRgb(c.Farben.TS[lane]);
        QPalette np = laneNumber->palette();
        np.setColor(QPalette::Window, track);
        np.setColor(QPalette::WindowText, ReadableOn(fg, track));
        laneNumber->setPalette(np);
        laneNumber->setAutoFillBackground(true);
    }
}

QString LapWindow::DriverName(int lane) const {
    // The drivers of the race the laps belong to (a club heat's, a lane-change
    // segment's team) until the next one starts.
    return QString::fromStdString(RennFahrer(ctx_.sys, lane));
}

void LapWindow::ShowHeading() {
    const QString titel = QString::fromStdString(RennUeberschrift(ctx_.sys));
    if (titel != heading_ || windowTitle().isEmpty()) {
        heading_ = titel;
        // Several lap windows open side by side are told apart by their titles.
        setWindowTitle(heading_ + QStringLiteral(" \u2013 ") + ViewCaption());
    }
    if (lblTitel_ && lblTitel_->text() != heading_) {
        lblTitel_->setText(heading_);
        FitHeading();
    }
}

void LapWindow::FitHeading() {
    if (!lblTitel_ || headingPt_ <= 0) return;
    // The heading keeps the scaled size while it fits; a longer one (a club
    // heat, a lane-change segment) gets smaller rather than cut off.
    QFont f = lblTitel_->font();
    f.setPointSizeF(headingPt_);
    const int room = lblTitel_->contentsRect().width();
    while (f.pointSizeF() > 5 && QFontMetrics(f).horizontalAdvance(heading_) > room) f.setPointSizeF(f.pointSizeF() * 0.92);
    if (f != lblTitel_->font()) lblTitel_->setFont(f);
}

void LapWindow::FuelUpdate(int laneIndex) {
    const int i = ElementOf(laneIndex + 1);
    if (i < 0 || i >= static_cast<int>(Spur_FuelVal.size()) || !Spur_FuelVal[i]) return;
    const SpurSatz& r = ctx_.sys.st.spuren.SpurDaten[laneIndex + 1];
    Spur_FuelVal[i]->setText(GermanDecimal(r.Tank, 2));
    const double inhalt = ctx_.sys.cfg.Tankoption.Tankinhalt;
    // Whole percent of the tank; no capacity configured shows an empty bar.
    const double fraction = inhalt > 0 ? std::nearbyint(r.Tank * 100.0 / inhalt) / 100.0 : 0.0;
    if (i < static_cast<int>(Spur_FuelBar.size())) Spur_FuelBar[i]->Set(fraction, FromBgr(r.Farbe));
}

void LapWindow::ShowBestLapReset(int lane) {
    const int i = ElementOf(lane);
    if (i >= 0 && i < static_cast<int>(Spur_Fastest.size()) && Spur_Fastest[i])
        Spur_Fastest[i]->setText(QStringLiteral("0,000"));
}

void LapWindow::ClearWindow() {
    if (ChooseLanes()) {
        shownPower_.clear();
        LanesChanged();
        setWindowTitle(QString());  // the title names the lanes shown
    }
    for (int i = 0; i < lanes_; ++i) {
        if (i < static_cast<int>(Spur_LapTime.size())) Spur_LapTime[i]->clear();
        if (i < static_cast<int>(Spur_Fastest.size())) Spur_Fastest[i]->clear();
        if (i < static_cast<int>(Spur_Laps.size())) Spur_Laps[i]->clear();
        if (i < static_cast<int>(Spur_Driver.size())) Spur_Driver[i]->setText(DriverName(LaneOf(i)));
        FuelUpdate(LaneOf(i) - 1);
    }
    ShowHeading();
}

QString LapWindow::ViewCaption() const {
    bool inOrder = true;
    QStringList shown;
    for (int i = 0; i < lanes_; ++i) {
        inOrder = inOrder && LaneOf(i) == i + 1;
        shown << QString::number(LaneOf(i));
    }
    const QString lanes = inOrder ? QString::fromUtf8("(Spur 1\u2013%1)").arg(lanes_)
                                  : QStringLiteral("(Spur %1)").arg(shown.join(QStringLiteral(", ")));
    switch (Id()) {
        case Fenster::Zeit4Spur: return QStringLiteral("Standard 4 Spuren");
        case Fenster::KVZeit4SpurNeu: return QString::fromUtf8("Anzeige 4 Spuren groß ") + lanes;
        case Fenster::KVZeit48SpurNeu: return QString::fromUtf8("Anzeige 8 Spuren 2 \u00d7 4 ") + lanes;
        default: return QStringLiteral("Anzeige %1 Spuren ").arg(lanes_) + lanes;
    }
}

void LapWindow::SetRaceButtons(bool startEnabled, bool pauseEnabled, bool weiterEnabled) {
    if (btnStartRace) btnStartRace->setEnabled(startEnabled);
    if (btnPause) btnPause->setEnabled(pauseEnabled);
    if (btnWeiter) btnWeiter->setEnabled(weiterEnabled);
}

void LapWindow::ShowLanePower(const RaceActions& race) {
    shownPower_.resize(PowerBtn.size(), -1);
    for (size_t i = 0; i < PowerBtn.size(); ++i) {
        const int on = race.LanePowered(LaneOf(static_cast<int>(i))) ? 1 : 0;
        if (!PowerBtn[i] || shownPower_[i] == on) continue;
        shownPower_[i] = on;
        QPalette p = PowerBtn[i]->palette();
        p.setColor(QPalette::Button, on ? QColor(0, 192, 0) : QColor(255, 0, 0));
        p.setColor(QPalette::ButtonText, on ? QColor(Qt::black) : QColor(Qt::white));
        PowerBtn[i]->setPalette(p);
    }
}

void LapWindow::KeyTyped(char key) { ctx_.race.Keys(key); }

void LapWindow::keyPressEvent(QKeyEvent* e) {
    const QString t = e->text();
    if (t.size() == 1 && t.at(0).unicode() < 128 && t.at(0).unicode() >= 32) {
        KeyTyped(static_cast<char>(t.at(0).unicode()));
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

void LapWindow::Closing(QCloseEvent*) {
    // Closing the last lap window ends a race that is under way, so no race runs
    // on without a window showing it. (At program end the shutdown stops it.)
    if (!ShuttingDown() && ctx_.race.OpenLapWindows() == 1 && ctx_.race.RaceActive()) ctx_.race.LastWindowClosing();
}

void LapWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    scaler_.Apply(size());
    if (lblTitel_) {
        headingPt_ = lblTitel_->font().pointSizeF();
        FitHeading();
    }
}

}  // namespace zk
