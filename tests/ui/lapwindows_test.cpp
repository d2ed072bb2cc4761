// Lap-time windows driven by the real tick and cycle: what a car crossing the
// simulated sensor shows, fuel display, closing rules, keys and the window flags.
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QtTest>

#include "ui/LapWindow.h"
#include "ui/WindowGeometry.h"
#include "UiRig.h"

using zk::test::UiRig;

class LapWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void lapShowsInEveryOpenWindowWithinOneCycle();
    void fuelLabelAndBar();
    void closingLastWindowStopsRaceClosingOneOfTwoDoesNot();
    void keysTypedInWindowsReachRaceControl();
    void geometryComesFromTwipsAndGoesBack();
    void allLapWindowsOpenFromTheMenu();
    void fontsScaleWithTheWindow();
    void everyWindowTheCoreOpensExists();
    void buttonsAndMenusFollowTheRace();
    void nothingOfThePreviousRaceStaysOnScreen();
    void smallWindowsShowTheLanesTakingPart();
    void lapCountSaysWhyItDropped();
};

// An empty-tank lap penalty takes laps away; the window says why beside the count.
void LapWindowsTest::lapCountSaysWhyItDropped() {
    UiRig rig;
    rig.Load();
    QWidget* w = rig.Open("frmKVZeit4SpurNeu");
    rig.StartAndRunToGreen(w);
    for (int k = 0; k < 4; ++k) {
        rig.RunFor(6000);
        rig.Hold(2, 20);
    }
    rig.RunFor(200);
    QCOMPARE(UiRig::Text(w, "Spur_Laps_1"), QStringLiteral("3"));
    rig.sys.record.laps.AddCorrection(2, rig.now, -2, zk::LapOrigin::Penalty);
    rig.RunFor(100);
    const QString text = UiRig::Text(w, "Spur_Laps_1");
    QVERIFY2(text.startsWith(QStringLiteral("1<br>")), qPrintable(text));
    QVERIFY2(text.contains(QString::fromUtf8("Tank leer \u22122")), qPrintable(text));
    QCOMPARE(UiRig::Text(w, "Spur_Laps_0"), QStringLiteral("0"));
}

// Every window identifier the core may open names a window the application
// creates under that name; an identifier without a window is reported, not
// silently ignored.
void LapWindowsTest::everyWindowTheCoreOpensExists() {
    UiRig rig;
    rig.Load();
    for (int i = 0; i < zk::kFensterAnzahl; ++i) {
        const auto f = static_cast<zk::Fenster>(i);
        const size_t before = rig.main->Ui().Messages().size();
        rig.sys.ui().OpenWindow(f);
        QVERIFY2(rig.main->Ui().Messages().size() == before, std::string(zk::FensterName(f)).c_str());
        QVERIFY(rig.main->Registry().IsOpen(std::string(zk::FensterName(f))));
        rig.sys.ui().CloseWindow(f);
    }
    QVERIFY(!zk::FensterAusName("frmGibtEsNicht"));
}

void LapWindowsTest::lapShowsInEveryOpenWindowWithinOneCycle() {
    UiRig rig;
    rig.Load();
    const char* names[] = {"frmKVZeit4SpurNeu", "frmZeit4Spur", "frmKVZeit8Spur", "frmKVZeit48SpurNeu",
                           "frmKVZeit3Spur"};
    std::vector<QWidget*> wins;
    for (const char* n : names) wins.push_back(rig.Open(n));
    rig.StartAndRunToGreen(wins[0]);
    QVERIFY(rig.sys.st.RennenLaeuft.load());

    // Start crossing (reaction time only), then the first lap, timed from green:
    // a crossing is stamped at the first millisecond its sensor is active.
    const int32_t green = rig.sys.st.spuren.LetzteDurchfahrt[3];
    rig.RunTo(green + 304);
    rig.Hold(3, 20);
    rig.RunTo(green + 5349);
    rig.Hold(3, 20);
    // Shown by the cycle that follows the crossing.
    rig.RunTo((green + 5350) / 100 * 100 + 100);
    for (QWidget* w : wins) {
        QCOMPARE(UiRig::Text(w, "Spur_LapTime_2"), QStringLiteral("5,350"));
        QCOMPARE(UiRig::Text(w, "Spur_Fastest_2"), QStringLiteral("5,350"));
        QCOMPARE(UiRig::Text(w, "Spur_Laps_2"), QStringLiteral("1"));
    }
    QCOMPARE(UiRig::Text(wins[0], "Spur_Rank_2"), QStringLiteral("1"));
    QCOMPARE(UiRig::Text(wins[0], "Spur_Rank_0"), QStringLiteral("0"));  // no lap yet
    auto* list = wins[1]->findChild<QListWidget*>("lstZeitenT_2");
    QVERIFY(list);
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("1 - 5,350"));

    // A slower lap: lap time and count change, the best lap stays.
    rig.RunTo(green + 5349 + 6012);
    rig.Hold(3, 20);
    rig.RunFor(200);
    for (QWidget* w : wins) {
        QCOMPARE(UiRig::Text(w, "Spur_LapTime_2"), QStringLiteral("6,012"));
        QCOMPARE(UiRig::Text(w, "Spur_Fastest_2"), QStringLiteral("5,350"));
        QCOMPARE(UiRig::Text(w, "Spur_Laps_2"), QStringLiteral("2"));
    }
    // Other lanes stay empty.
    QCOMPARE(UiRig::Text(wins[2], "Spur_LapTime_7"), QString());
}

void LapWindowsTest::fuelLabelAndBar() {
    UiRig rig;
    rig.sys.cfg.Tankoption.Tankinhalt = 100;
    rig.Load();
    QWidget* w = rig.Open("frmKVZeit4SpurNeu");
    QWidget* std4 = rig.Open("frmZeit4Spur");
    rig.sys.st.spuren.SpurDaten[2].Tank = 37.4;
    rig.sys.st.spuren.SpurDaten[2].Farbe = 0x0000FF;  // red
    rig.main->Registry().FuelUpdateAll(1);
    for (QWidget* x : {w, std4}) {
        QCOMPARE(UiRig::Text(x, "Spur_FuelVal_1"), QStringLiteral("37,40"));
        auto* bar = x->findChild<zk::FuelBar*>("Spur_FuelBar_1");
        QVERIFY(bar);
        QCOMPARE(bar->Fraction(), 0.37);
        QCOMPARE(bar->Colour(), QColor(255, 0, 0));
    }
    // An element the window does not have is ignored.
    rig.main->Registry().FuelUpdateAll(6);
    QCOMPARE(UiRig::Text(w, "Spur_FuelVal_0"), QStringLiteral("100,00"));
}

void LapWindowsTest::closingLastWindowStopsRaceClosingOneOfTwoDoesNot() {
    UiRig rig;
    rig.Load();
    QWidget* a = rig.Open("frmKVZeit2Spur");
    QWidget* b = rig.Open("frmZeit4Spur");
    QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 2);
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinKV2], zk::kTrue);
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinStd4], zk::kTrue);
    rig.StartAndRunToGreen(a);
    QVERIFY(rig.sys.st.RennenLaeuft.load());

    UiRig::Click(a, "bntZmClose");
    QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 1);
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinKV2], int16_t{0});
    QVERIFY(rig.sys.st.RennenLaeuft.load());

    b->close();  // the close box counts like the close button
    QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 0);
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
    QVERIFY(!rig.main->Registry().IsOpen("frmZeit4Spur"));

    // On an idle track closing the last window leaves the power alone.
    QWidget* c = rig.Open("frmKVZeit3Spur");
    rig.main->Race().PowerAllOn();
    UiRig::Click(c, "bntZmClose");
    QVERIFY(rig.sys.st.rennen.SpurStrom[1]);
}

void LapWindowsTest::keysTypedInWindowsReachRaceControl() {
    UiRig rig;
    rig.Load();
    QWidget* kv = rig.Open("frmKVZeit4SpurNeu");
    QWidget* std4 = rig.Open("frmZeit4Spur");
    // "S" starts only in the standard window.
    QTest::keyClick(kv, Qt::Key_S);
    QVERIFY(!rig.sys.st.StartPhase.load());
    QTest::keyClick(std4, Qt::Key_S);
    QVERIFY(rig.sys.st.StartPhase.load());
    for (int k = 0; k < 100 && !rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    auto* pause = kv->findChild<QPushButton*>("btnPause");
    auto* weiter = kv->findChild<QPushButton*>("btnWeiter");
    QVERIFY(pause->isEnabled());
    QVERIFY(!weiter->isEnabled());
    // Space pauses from any lap window; the buttons follow within a cycle.
    QTest::keyClick(kv, Qt::Key_Space);
    QVERIFY(rig.sys.st.Pause.load());
    rig.RunFor(100);
    QVERIFY(!pause->isEnabled());
    QVERIFY(weiter->isEnabled());
    // "T" stops from the standard window.
    QTest::keyClick(std4, Qt::Key_T);
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
}

void LapWindowsTest::geometryComesFromTwipsAndGoesBack() {
    UiRig rig;
    auto& wp = rig.sys.cfg.WindowPositions;
    wp.Top[zk::kWinKV6] = 1500;  // 100 px at 96 DPI
    wp.Left[zk::kWinKV6] = 3000;
    wp.Height[zk::kWinKV6] = 6000;
    wp.Width[zk::kWinKV6] = 9000;
    rig.Load();
    QWidget* w = rig.Open("frmKVZeit6Spur");
    const double dpi = zk::LogicalDpi(w);
    QCOMPARE(w->geometry().topLeft(), QPoint(zk::TwipsToPx(3000, dpi), zk::TwipsToPx(1500, dpi)));
    QCOMPARE(w->size(), QSize(zk::TwipsToPx(9000, dpi), zk::TwipsToPx(6000, dpi)));
    w->setGeometry(QRect(QPoint(zk::TwipsToPx(4500, dpi), zk::TwipsToPx(750, dpi)), w->size()));
    w->close();
    QCOMPARE(wp.Left[zk::kWinKV6], zk::PxToTwips(zk::TwipsToPx(4500, dpi), dpi));
    QCOMPARE(wp.Top[zk::kWinKV6], zk::PxToTwips(zk::TwipsToPx(750, dpi), dpi));
    QCOMPARE(wp.Width[zk::kWinKV6], zk::PxToTwips(zk::TwipsToPx(9000, dpi), dpi));
    // 15 twips per pixel at 96 DPI; values beyond 16 bits are clamped.
    QCOMPARE(zk::PxToTwips(100, 96.0), int16_t{1500});
    QCOMPARE(zk::PxToTwips(5000, 96.0), int16_t{32767});
}

void LapWindowsTest::allLapWindowsOpenFromTheMenu() {
    UiRig rig;
    rig.Load();
    const std::pair<const char*, std::vector<const char*>> items[] = {
        {"mnuStd4Spur", {"frmZeit4Spur"}},
        {"mnuZweiSpuren", {"frmKVZeit2Spur"}},
        {"mnuDreiSpuren", {"frmKVZeit3Spur"}},
        {"mnuVierSpurGroß", {"frmKVZeit4SpurNeu"}},
        {"mnuFunfSpuren", {"frmKVZeit5Spur"}},
        {"mnuSechsSpuren", {"frmKVZeit6Spur"}},
        {"mnuAchtSpuren", {"frmKVZeit8Spur"}},
        {"mnuAchtDoppel", {"frmKVZeit4SpurNeu", "frmKVZeit48SpurNeu"}},
    };
    int lanes[] = {4, 2, 3, 4, 5, 6, 8, 8};
    int k = 0;
    for (const auto& [action, windows] : items) {
        auto* a = rig.main->findChild<QAction*>(QString::fromUtf8(action));
        QVERIFY2(a, action);
        a->trigger();
        for (const char* n : windows) QVERIFY2(rig.main->Registry().IsOpen(n), n);
        auto* lap = qobject_cast<zk::LapWindow*>(rig.main->Registry().Find(windows.back()));
        QCOMPARE(lap->findChildren<QLabel*>(QRegularExpression("^Spur_LapTime_\\d$")).size(), lanes[k]);
        ++k;
    }
    QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 8);
}

void LapWindowsTest::fontsScaleWithTheWindow() {
    UiRig rig;
    rig.Load();
    QWidget* w = rig.Open("frmKVZeit4SpurNeu");
    auto pt = [w](const char* name) { return w->findChild<QWidget*>(name)->font().pointSizeF(); };
    // Design size of the 4-lane window 880 x 570 with 28 pt lap times, 11 pt buttons.
    w->resize(1760, 1140);
    QCOMPARE(pt("Spur_LapTime_0"), 56.0);
    QCOMPARE(pt("btnStartRace"), 22.0);
    // Only wider: the smaller ratio decides, so nothing outgrows its cell.
    w->resize(2640, 570);
    QCOMPARE(pt("Spur_LapTime_0"), 28.0);
    w->resize(440, 285);
    QCOMPARE(pt("Spur_LapTime_0"), 14.0);
}

void LapWindowsTest::buttonsAndMenusFollowTheRace() {
    UiRig rig;
    rig.Load();
    QWidget* w = rig.Open("frmKVZeit4SpurNeu");
    auto* pause = w->findChild<QPushButton*>("btnPause");
    QAction* beenden = rig.main->findChild<QAction*>("mnuBeenden");
    auto menu = [&](const char* name) { return rig.main->findChild<QMenu*>(name); };

    // The lap input refuses counts below 1 and keeps the last one.
    rig.main->findChild<QAction*>("mnuRundenEingabe")->trigger();
    auto* runden = rig.main->Registry().Find("frmRundeneingabe")->findChild<QLineEdit*>("txtRundeneingabe");
    runden->setText("3");
    runden->setText("-3");
    runden->setText("0");
    QCOMPARE(rig.sys.st.rennen.RennRunden, int16_t{3});
    QCOMPARE(menu("mnuEingabeRunden")->title(), QStringLiteral("Runden : 3"));
    // The time menu says what the race will run: 0 typed is 6 minutes.
    rig.main->findChild<QAction*>("mnuZeitEingabe")->trigger();
    QWidget* zeit = rig.main->Registry().Find("frmZeiteingabe");
    zeit->findChild<QLineEdit*>("txtZeiteingabe")->setText("0");
    zeit->close();
    QCOMPARE(rig.sys.st.rennen.RennZeit, int16_t{6});
    QCOMPARE(menu("mnuZeitvorgabe")->title(), QStringLiteral("Zeitvorgabe : 6 Minuten"));

    // An aborted start light leaves nothing to pause, and the program may end.
    UiRig::Click(w, "btnStartRace");
    rig.RunFor(1000);
    QVERIFY(pause->isEnabled());
    QVERIFY(!beenden->isEnabled());
    UiRig::Click(rig.main->Registry().Find("frmStartampel"), "btnAmpelAbbruch");
    rig.RunFor(100);
    QVERIFY(!pause->isEnabled());
    QVERIFY(beenden->isEnabled());

    // A lap race of 3 laps that ends by itself enables "Beenden" again.
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    rig.StartAndRunToGreen(w);
    QVERIFY(!beenden->isEnabled());
    const int32_t green = rig.sys.st.spuren.LetzteDurchfahrt[1];
    for (int k = 0; k <= 3; ++k) {
        rig.RunTo(green + 300 + 5500 * k);
        rig.Hold(1, 20);
    }
    for (int k = 0; k < 20 && rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
    rig.RunFor(100);
    QVERIFY(!pause->isEnabled());
    QVERIFY(beenden->isEnabled());

    // "Fahrer" opens the choice of the lanes' drivers.
    UiRig::Click(w, "btnFahrer");
    QVERIFY(rig.main->Registry().IsOpen("frmSelectDriver"));
}

void LapWindowsTest::nothingOfThePreviousRaceStaysOnScreen() {
    UiRig rig;
    rig.sys.cfg.Letzte.Zeit = 1;
    rig.Load();
    QWidget* kv = rig.Open("frmKVZeit4SpurNeu");
    QWidget* std4 = rig.Open("frmZeit4Spur");
    rig.main->findChild<QAction*>("mnuZeitrennen")->trigger();
    rig.RunFor(100);
    QCOMPARE(UiRig::Text(kv, "lblGesZeit"), QStringLiteral("0:01:00"));

    // A time race with a pause and one lap on lane 2, run to its end.
    rig.StartAndRunToGreen(kv);
    const int32_t green = rig.sys.st.spuren.LetzteDurchfahrt[2];
    rig.RunTo(green + 300);
    rig.Hold(2, 20);
    rig.RunTo(green + 5800);
    rig.Hold(2, 20);
    rig.RunFor(500);
    QTest::keyClick(kv, Qt::Key_Space);
    rig.RunFor(1500);
    QTest::keyClick(kv, Qt::Key_W);
    for (int k = 0; k < 100 && rig.sys.st.Pause; ++k) rig.RunFor(100);
    QVERIFY(!UiRig::Text(std4, "lblPausenzeit").isEmpty());
    for (int k = 0; k < 900 && rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
    rig.RunFor(100);
    QCOMPARE(UiRig::Text(kv, "lblGesZeit"), QStringLiteral("0:00:00"));
    QCOMPARE(UiRig::Text(kv, "Spur_Rank_1"), QStringLiteral("1"));

    // The next start forgets the last pause.
    rig.StartAndRunToGreen(kv);
    QCOMPARE(UiRig::Text(std4, "lblPausenzeit"), QString());
    QCOMPARE(UiRig::Text(kv, "lblGesZeit"), QStringLiteral("0:01:00"));
    const int32_t green2 = rig.sys.st.spuren.LetzteDurchfahrt[2];
    rig.RunTo(green2 + 300);
    rig.Hold(2, 20);
    rig.RunTo(green2 + 5800);
    rig.Hold(2, 20);
    rig.RunFor(500);
    QCOMPARE(UiRig::Text(kv, "Spur_Rank_1"), QStringLiteral("1"));
    UiRig::Click(kv, "btnStopRace");

    // Training: no countdown, no positions or totals of the time race.
    rig.main->findChild<QAction*>("mnuTraining")->trigger();
    rig.RunFor(100);
    QCOMPARE(UiRig::Text(kv, "lblGesZeit"), QString());
    QCOMPARE(UiRig::Text(kv, "Spur_Rank_1"), QStringLiteral("0"));
    QCOMPARE(UiRig::Text(std4, "lblTotal_1"), QStringLiteral("0:00,000"));
}

QTEST_MAIN(LapWindowsTest)
#include "lapwindows_test.moc"

// A fresh install races lanes 1 and 4: the 2-lane window shows those two, with
// their numbers, laps, fuel and buttons; its title says which lanes it shows.
// The 3-lane window shows both and the lowest other lane.
void LapWindowsTest::smallWindowsShowTheLanesTakingPart() {
    UiRig rig;
    for (int l = 1; l <= 8; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = (l == 1 || l == 4) ? 1 : 0;
    rig.sys.cfg.Tankoption.Tankinhalt = 100;
    rig.Load();
    QWidget* two = rig.Open("frmKVZeit2Spur");
    QWidget* three = rig.Open("frmKVZeit3Spur");
    QCOMPARE(UiRig::Text(two, "Spur_Name_0"), QStringLiteral("1"));
    QCOMPARE(UiRig::Text(two, "Spur_Name_1"), QStringLiteral("4"));
    QVERIFY2(two->windowTitle().contains(QStringLiteral("(Spur 1, 4)")), qPrintable(two->windowTitle()));
    QCOMPARE(UiRig::Text(three, "Spur_Name_2"), QStringLiteral("4"));
    QVERIFY2(three->windowTitle().contains(QStringLiteral("(Spur 1, 2, 4)")), qPrintable(three->windowTitle()));

    rig.StartAndRunToGreen(two);
    const int32_t green = rig.sys.st.spuren.LetzteDurchfahrt[4];
    // The start crossing, then the first lap, timed from green.
    rig.RunTo(green + 300);
    rig.Hold(4, 20);
    rig.RunTo(green + 4299);
    rig.Hold(4, 20);
    rig.RunFor(200);
    QCOMPARE(UiRig::Text(two, "Spur_LapTime_1"), QStringLiteral("4,300"));
    QCOMPARE(UiRig::Text(two, "Spur_Laps_1"), QStringLiteral("1"));
    QCOMPARE(UiRig::Text(two, "Spur_Laps_0"), QStringLiteral("0"));
    QCOMPARE(UiRig::Text(three, "Spur_LapTime_2"), QStringLiteral("4,300"));

    // Fuel of lane 4 reaches its row; lane 2's, which the window lacks, does not.
    rig.sys.st.spuren.SpurDaten[4].Tank = 42.0;
    rig.main->Registry().FuelUpdateAll(3);
    QCOMPARE(UiRig::Text(two, "Spur_FuelVal_1"), QStringLiteral("42,00"));
    rig.sys.st.spuren.SpurDaten[2].Tank = 10.0;
    rig.main->Registry().FuelUpdateAll(1);
    QCOMPARE(UiRig::Text(two, "Spur_FuelVal_0"), QStringLiteral("100,00"));

    // The row's power button switches the lane the row shows.
    const bool before = rig.main->Race().LanePowered(4);
    UiRig::Click(two, "PowerBtn_1");
    rig.RunFor(100);
    QCOMPARE(rig.main->Race().LanePowered(4), !before);
}
