// Not a test: opens every window of the program on a simulated race and saves a
// picture of each, for looking at layouts, colours and texts.
// Usage (under a display, e.g. xvfb-run): ui_screenshot_tour OUTDIR
#include <QCheckBox>
#include <QDir>
#include <QScreen>
#include <QtTest>

#include "ui/LapWindow.h"
#include "UiRig.h"

using zk::test::UiRig;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    UiRig rig;
    rig.sys.cfg.AnsichtFenster.Zusatzampel = 1;
    rig.sys.cfg.Tankoption.Tankoption = 1;
    rig.Load();
    rig.main->show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const char* windows[] = {"frmZeit4Spur",   "frmKVZeit2Spur", "frmKVZeit3Spur",    "frmKVZeit4SpurNeu",
                             "frmKVZeit5Spur", "frmKVZeit6Spur", "frmKVZeit8Spur",    "frmKVZeit48SpurNeu",
                             "frmRundeneingabe", "frmZeiteingabe", "frmParPortSim",  "frmParPortDebug"};
    for (const char* n : windows)
        if (std::string(n).rfind("frmParPort", 0) != 0) rig.Open(n);
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    UiRig::Click(rig.main->Forms().Find("frmZeit4Spur"), "btnStartRace");
    auto shoot = [&](const char* name, const QString& file) {
        QWidget* w = std::string(name) == "frmMain" ? rig.main.get() : rig.main->Forms().Find(name);
        if (!w) return;
        QApplication::processEvents();
        w->grab().save(out + "/" + file + ".png");
    };
    // Start light at the third red pair, with a false start on lane 2.
    rig.RunTo(1999);
    rig.Hold(2, 20);
    rig.RunTo(3300);
    for (const char* n : {"frmStartampel", "frmZusatzampel"}) {
        QWidget* w = rig.main->Forms().Find(n);
        if (w) w->resize(screen.size() * 0.6);
        shoot(n, n);
    }
    rig.RunTo(6000);
    // Simulated cars from here on.
    rig.main->StartSimulationWithoutTrack();
    rig.RunFor(16000);
    for (const char* n : windows) {
        QWidget* w = rig.main->Forms().Find(n);
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
    return 0;
}
