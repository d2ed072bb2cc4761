// Every window fits a 1024x768 screen with a title bar and a panel: its smallest
// size (what its layout needs) and the size it opens with.
#include <QtTest>

#include "base/Windows.h"
#include "ui/WindowTable.h"
#include "UiRig.h"

using zk::test::UiRig;

class WindowFitTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowFitsTheSmallTrackScreen();
    void lapWindowsAreToldApartByTheirTitles();
    void eightLanesSideBySideAreReadableFromAfar();
};

// 1024x768 less a title bar of 30, a panel of 40 and the frame's borders.
static const QSize kRoom(1024 - 10, 768 - 30 - 40 - 8);

void WindowFitTest::everyWindowFitsTheSmallTrackScreen() {
    UiRig rig;
    // Everything a window can show: the supply frame, fuel, the extra light.
    rig.sys.cfg.KVPowerSetup.I2C_Netzteil = 1;
    rig.sys.cfg.Tankoption.Tankoption = 1;
    rig.sys.cfg.AnsichtFenster.Zusatzampel = 1;
    rig.Load();
    QStringList tooBig;
    int opened = 0;
    for (int i = 0; i < zk::kFensterAnzahl; ++i) {
        const auto f = static_cast<zk::Fenster>(i);
        QWidget* w = rig.main->Registry().Open(f);
        if (!w) continue;
        ++opened;
        QApplication::processEvents();
        const QSize least = w->minimumSize().expandedTo(w->minimumSizeHint());
        const QString name = w->objectName();
        if (least.width() > kRoom.width() || least.height() > kRoom.height())
            tooBig << QStringLiteral("%1 needs at least %2x%3").arg(name).arg(least.width()).arg(least.height());
        if (w->width() > kRoom.width() || w->height() > kRoom.height())
            tooBig << QStringLiteral("%1 opens at %2x%3").arg(name).arg(w->width()).arg(w->height());
    }
    QVERIFY(opened >= 20);
    QVERIFY2(tooBig.isEmpty(), qPrintable(tooBig.join(QStringLiteral("; "))));
}

void WindowFitTest::lapWindowsAreToldApartByTheirTitles() {
    UiRig rig;
    rig.Load();
    QSet<QString> titles;
    const char* names[] = {"frmZeit4Spur",   "frmKVZeit2Spur", "frmKVZeit3Spur", "frmKVZeit4SpurNeu",
                           "frmKVZeit5Spur", "frmKVZeit6Spur", "frmKVZeit8Spur", "frmKVZeit48SpurNeu"};
    for (const char* n : names) titles.insert(rig.Open(n)->windowTitle());
    QCOMPARE(titles.size(), 8);
    const QString three = rig.main->Registry().Find("frmKVZeit3Spur")->windowTitle();
    QVERIFY2(three.startsWith(QStringLiteral("Training")) && three.contains(QStringLiteral("Anzeige 3 Spuren")),
             qPrintable(three));
}

// On the small screen the 2 x 4 window shows each lane's number, laps and last
// lap at least as large as the 4-lane window does, so lap times stay readable
// from three metres.
void WindowFitTest::eightLanesSideBySideAreReadableFromAfar() {
    UiRig rig;
    rig.Load();
    QWidget* four = rig.Open("frmKVZeit4SpurNeu");
    QWidget* eight = rig.Open("frmKVZeit48SpurNeu");
    // The sizes they take on that screen: the 4-lane window its own, the
    // 2 x 4 window the screen's width.
    four->resize(880, 570);
    eight->resize(kRoom.width(), 570);
    QApplication::processEvents();
    auto pt = [](QWidget* w, const char* name) {
        auto* l = w->findChild<QLabel*>(QLatin1String(name));
        return l ? l->font().pointSizeF() : 0.0;
    };
    for (const char* name : {"Spur_Name_0", "Spur_Laps_0", "Spur_LapTime_0"}) {
        QVERIFY2(pt(eight, name) >= pt(four, name),
                 qPrintable(QStringLiteral("%1: %2 pt in 2 x 4, %3 pt in the 4-lane window")
                                .arg(QLatin1String(name))
                                .arg(pt(eight, name))
                                .arg(pt(four, name))));
        QVERIFY(pt(eight, name) >= 20);
    }
    // The last lap of the last lane fits its field at that size.
    auto* last = eight->findChild<QLabel*>(QStringLiteral("Spur_LapTime_7"));
    last->setText(QStringLiteral("12,345"));
    QVERIFY(last->fontMetrics().horizontalAdvance(last->text()) <= last->width());
}

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
