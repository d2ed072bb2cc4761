// Opens every window of the program on a simulated race and saves a picture of
// each, for looking at layouts, colours and texts. Under a window manager it
// also checks that every window, title bar and borders included, fits the free
// area of the screen (without panels), and fails when one does not.
// Usage (under a display): ui_screenshot_tour OUTDIR; scripts/screenshot-tour.sh
// runs it at 1024x768 and 1280x800 under Xvfb with a window manager and a panel.
#include <QCheckBox>
#include <cstdio>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

#include "base/Windows.h"
#include "ui/LapWindow.h"
#include "UiRig.h"

using zk::test::UiRig;

// Every window of the table opened on its own, as it opens for a user; those
// whose frame does not fit the free area of the screen are listed in `bad`.
static void FitTour(const QString& out, QStringList& bad) {
    UiRig rig;
    rig.sys.cfg.KVPowerSetup.I2C_Netzteil = 1;
    rig.sys.cfg.Tankoption.Tankoption = 1;
    rig.sys.cfg.AnsichtFenster.Zusatzampel = 1;
    rig.Load();
    rig.main->show();
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    for (int i = 0; i < zk::kFensterAnzahl; ++i) {
        QWidget* w = rig.main->Registry().Open(static_cast<zk::Fenster>(i));
        if (!w) continue;
        (void)QTest::qWaitForWindowExposed(w, 2000);
        // The window manager's frame arrives after the window is mapped.
        (void)QTest::qWaitFor([w] { return w->frameGeometry().size() != w->size(); }, 1000);
        QApplication::processEvents();
        const QRect frame = w->frameGeometry();
        const QString name = w->objectName();
        if (frame.width() > free.width() || frame.height() > free.height())
            bad << QStringLiteral("%1: frame %2x%3 larger than the free %4x%5")
                       .arg(name)
                       .arg(frame.width())
                       .arg(frame.height())
                       .arg(free.width())
                       .arg(free.height());
        w->grab().save(QStringLiteral("%1/fit_%2.png").arg(out, name));
        // Closed and opened again, the window comes back exactly where it was
        // (the place is stored at closing and restored at opening, as between
        // two runs of the program).
        const QPoint before = w->geometry().topLeft();
        w->close();
        QApplication::processEvents();
        QWidget* again = rig.main->Registry().Open(static_cast<zk::Fenster>(i));
        if (again) {
            (void)QTest::qWaitForWindowExposed(again, 2000);
            (void)QTest::qWaitFor([again] { return again->frameGeometry().size() != again->size(); }, 1000);
            QApplication::processEvents();
            if (again->geometry().topLeft() != before)
                bad << QStringLiteral("%1: opened again at %2,%3 instead of %4,%5")
                           .arg(name)
                           .arg(again->geometry().x())
                           .arg(again->geometry().y())
                           .arg(before.x())
                           .arg(before.y());
            again->close();
            QApplication::processEvents();
        }
    }
}

// The race-state banner of a 4-lane, an 8-lane and the 2 x 4 window in every phase of a lap
// race, at 1024x768 and 1920x1080: banner_PHASE_WINDOW_WIDTH.png, and the
// result window at the end.
static void BannerTour(const QString& out) {
    UiRig rig;
    rig.sys.cfg.Letzte.Runden = 3;
    rig.sys.cfg.Fehlstart.Strafzeit = 50;
    rig.sys.cfg.LiZeit.Minimum = 500;
    rig.sys.cfg.NachZeit.Nachzeit = 3000;
    const QString data = out + "/daten";
    QDir().mkpath(data);
    rig.sys.datenVerzeichnis = data.toStdString();
    rig.Load();
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    QWidget* four = rig.Open("frmKVZeit4SpurNeu");
    QWidget* eight = rig.Open("frmKVZeit8Spur");
    QWidget* twoByFour = rig.Open("frmKVZeit48SpurNeu");
    auto shoot = [&](const char* phase) {
        for (QWidget* w : {four, eight, twoByFour}) {
            for (QSize s : {QSize(1024, 768), QSize(1920, 1080)}) {
                w->resize(s);
                QApplication::processEvents();
                w->grab().save(QStringLiteral("%1/banner_%2_%3_%4.png").arg(out, phase, w->objectName()).arg(s.width()));
            }
        }
    };
    rig.RunFor(100);
    shoot("BEREIT");
    UiRig::Click(four, "btnStartRace");
    rig.RunFor(1700);
    rig.Hold(4, 20);
    rig.RunFor(1000);
    shoot("AMPEL");
    for (int k = 0; k < 60 && !rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    rig.Hold(1, 20);
    rig.Hold(2, 20);
    rig.RunFor(3000);
    rig.Hold(1, 20);
    rig.RunFor(400);
    rig.Hold(2, 20);
    rig.RunFor(200);
    shoot("RENNEN");
    QTest::keyClicks(four, " ");
    rig.RunFor(300);
    shoot("PAUSE");
    QTest::keyClicks(four, "w");
    for (int k = 0; k < 60 && rig.sys.st.Pause; ++k) rig.RunFor(100);
    QTest::keyClicks(four, "c");
    rig.RunFor(200);
    shoot("SAFETYCAR");
    QTest::keyClicks(four, "c");
    rig.Hold(2, 20);
    rig.RunFor(3000);
    rig.Hold(2, 20);
    rig.RunFor(400);
    shoot("NACHLAUF");
    for (int k = 0; k < 400 && rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    rig.RunFor(200);
    shoot("ZIEL");
    if (QWidget* r = rig.main->Registry().Find("frmErgebnis")) {
        QApplication::processEvents();
        r->grab().save(out + "/frmErgebnis.png");
    }
}

// The time race with lane change on three lanes: the segment window, and the
// lane-change window at the end of the first segment over the standard window.
static void LaneChangeTour(const QString& out) {
    UiRig rig;
    QWidget* std4 = rig.LoadLaneChangeSeries();
    UiRig::Click(std4, "btnZmsInfo");
    if (QWidget* plan = rig.main->Registry().Find("frmAnzeigeZrEinteilung")) {
        QApplication::processEvents();
        plan->grab().save(out + "/frmAnzeigeZrEinteilung.png");
        plan->close();
    }
    rig.StartAndRunToGreen(std4);
    for (int k = 0; k < 4; ++k) {
        rig.RunFor(6000);
        for (int l = 1; l <= 3; ++l)
            if (k < 5 - l) rig.Hold(l, 20);
    }
    rig.sys.st.rennen.RestMinuten = 0;
    rig.sys.st.rennen.RestSekunden = 2;
    for (int k = 0; k < 100 && !rig.main->Registry().Find("frmSpwDisplay"); ++k) rig.RunFor(100);
    if (QWidget* spw = rig.main->Registry().Find("frmSpwDisplay")) {
        QApplication::processEvents();
        spw->grab().save(out + "/frmSpwDisplay.png");
        UiRig::Click(spw, "Start");
        QApplication::processEvents();
        std4->grab().save(out + "/frmZeit4Spur_spurwechsel.png");
    }
}

// The driver windows and the club result window after the first heat of a club
// race with five drivers on four lanes.
static void ClubTour(const QString& out) {
    UiRig rig;
    for (int l = 1; l <= 8; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = l <= 4 ? 1 : 0;
    rig.sys.cfg.Letzte.Runden = 2;
    rig.sys.cfg.LiZeit.Minimum = 500;
    rig.sys.cfg.AutoStart.Enabled = 1;
    rig.sys.cfg.AutoStart.Time = 2;
    rig.sys.cfg.Fahrer = {"Anna Schäfer", "Bert Müller", "Cleo", "Dirk", "Emil", "Jörg Weißhaupt", "Uli"};
    rig.Load();
    auto shoot = [&](const char* name) {
        QWidget* w = rig.main->Registry().Find(name);
        if (!w) return;
        QApplication::processEvents();
        w->grab().save(out + "/" + name + ".png");
    };
    rig.main->findChild<QAction*>("mnuFahrer")->trigger();
    if (QWidget* f = rig.main->Registry().Find("frmFahrer")) {
        auto* pool = f->findChild<QListWidget*>("lstDriverListe");
        for (int k = 0; k < 5; ++k) {
            pool->setCurrentRow(0);
            UiRig::Click(f, "btnAddToDriverList");
        }
        shoot("frmFahrer");
        UiRig::Click(f, "cmdFahrerFertig");
    }
    rig.main->findChild<QAction*>("mnuDefFahrer")->trigger();
    shoot("frmSelectDriver");
    if (QWidget* s = rig.main->Registry().Find("frmSelectDriver")) s->close();
    rig.RunFor(100);
    if (auto* zm = rig.main->findChild<QMenu*>("mnuZeitmessung")) {
        zm->popup(QPoint(0, 0));
        QApplication::processEvents();
        zm->grab().save(out + "/mnuZeitmessung_club.png");
        zm->hide();
    }
    rig.main->findChild<QAction*>("mnuClubrennen")->trigger();
    QWidget* lap = rig.Open("frmKVZeit4SpurNeu");
    rig.StartAndRunToGreen(lap);
    const int32_t t0 = rig.now;
    for (int i = 0; i < 3000 && rig.sys.st.RennenLaeuft; ++i) {
        rig.RunFor(10);
        for (int l = 1; l <= 4; ++l)
            if ((rig.now - t0) % (700 + 90 * l) < 10) rig.Hold(l, 20);
    }
    rig.RunFor(3000);
    shoot("frmClubResult");
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QStringList tooBig;
    FitTour(out, tooBig);
    UiRig rig;
    rig.sys.cfg.AnsichtFenster.Zusatzampel = 1;
    rig.sys.cfg.Tankoption.Tankoption = 1;
    rig.Load();
    rig.main->show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const char* windows[] = {"frmZeit4Spur",   "frmKVZeit2Spur", "frmKVZeit3Spur",    "frmKVZeit4SpurNeu",
                             "frmKVZeit5Spur", "frmKVZeit6Spur", "frmKVZeit8Spur",    "frmKVZeit48SpurNeu",
                             "frmRundeneingabe", "frmZeiteingabe", "frmParPortSim",  "frmParPortDebug",
                             "frmRennleitung",   "frmKVPower",     "frmSaveDisplay"};
    for (const char* n : windows)
        if (std::string(n).rfind("frmParPort", 0) != 0) rig.Open(n);
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    UiRig::Click(rig.main->Registry().Find("frmZeit4Spur"), "btnStartRace");
    auto shoot = [&](const char* name, const QString& file) {
        QWidget* w = std::string(name) == "frmMain" ? rig.main.get() : rig.main->Registry().Find(name);
        if (!w) return;
        QApplication::processEvents();
        w->grab().save(out + "/" + file + ".png");
    };
    // Start light at the third red pair, with a false start on lane 2.
    rig.RunTo(1999);
    rig.Hold(2, 20);
    rig.RunTo(3300);
    for (const char* n : {"frmStartampel", "frmZusatzampel"}) {
        QWidget* w = rig.main->Registry().Find(n);
        if (w) w->resize(screen.size() * 0.6);
        shoot(n, n);
    }
    rig.RunTo(6000);
    // Simulated cars from here on.
    rig.main->StartSimulationWithoutTrack();
    rig.RunFor(16000);
    for (const char* n : windows) {
        QWidget* w = rig.main->Registry().Find(n);
        if (!w) continue;
        shoot(n, QString::fromLatin1(n));
        if (qobject_cast<zk::LapWindow*>(w)) {
            w->showMaximized();
            w->resize(screen.size());
            QApplication::processEvents();
            shoot(n, QString::fromLatin1(n) + "_max");
            w->showNormal();
        }
    }
    shoot("frmMain", "frmMain");
    // The settings dialog, every tab; on the sensor tab lane 2 is armed and
    // lane 1's car is over its sensor.
    rig.main->findChild<QAction*>("mnuEinstellungen")->trigger();
    if (QWidget* z = rig.main->Registry().Find("frmZSA")) {
        auto* tabs = z->findChild<QTabWidget*>("SSTab1");
        UiRig::Click(z, "btnZsaTrack_1");
        rig.Hold(1, 500);
        rig.RunFor(200);
        for (int i = 0; tabs && i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            shoot("frmZSA", QStringLiteral("frmZSA_%1").arg(i));
        }
        z->close();
    }
    BannerTour(out);
    LaneChangeTour(out);
    ClubTour(out);
    for (const QString& b : tooBig) std::fprintf(stderr, "ui_screenshot_tour: %s\n", qPrintable(b));
    return tooBig.isEmpty() ? 0 : 1;
}
