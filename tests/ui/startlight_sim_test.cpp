// Start-light windows following a start step by step, and the port simulation
// windows producing laps without a track.
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "devices/PpdevLptIo.h"
#include "ui/LapWindow.h"
#include "ui/ParPortWindows.h"
#include "ui/StartLightWindow.h"
#include "ui/WindowGeometry.h"
#include "UiRig.h"

using zk::Lamp;
using zk::test::UiRig;

namespace {
Lamp* LampOf(UiRig& rig, const char* window, int i) {
    QWidget* w = rig.main->Registry().Find(window);
    return w ? w->findChild<Lamp*>(QStringLiteral("ltAmpel1_%1").arg(i)) : nullptr;
}
// Lit lamps 0..14 of a start-light window as a string of 0/1.
QString Lit(UiRig& rig, const char* window) {
    QString s;
    for (int i = 0; i < 15; ++i) {
        Lamp* l = LampOf(rig, window, i);
        s += !l ? QChar('?') : l->Lit() ? QChar('1') : QChar('0');
    }
    return s;
}
}  // namespace

class StartLightSimTest : public QObject {
    Q_OBJECT
private slots:
    void noPortMessageOffersTheSimulationAndWorkingWithoutAPort();
    void startLightFollowsStartStepByStepAndShowsFalseStart();
    void abortInTheSecondWindowClosesBothAndKeepsPower();
    void simulationWindowsProduceLapsAtTheSetLapTime();
    void portTestWindowTogglesOutputsAndRestoresLearnedValues();
    void demoRaceStartsCleanAndCarsDriveOnlyWithPower();
    void safetyCarKeyTogglesOnEveryPressUnderSimulation();
};

void StartLightSimTest::startLightFollowsStartStepByStepAndShowsFalseStart() {
    UiRig rig;
    rig.sys.cfg.AnsichtFenster.Zusatzampel = 1;
    rig.sys.cfg.WindowPositions.AmpelTop = 1500;
    rig.sys.cfg.WindowPositions.AmpelLeft = 3000;
    rig.Load();
    QWidget* lap = rig.Open("frmKVZeit4SpurNeu");
    UiRig::Click(lap, "btnStartRace");
    QVERIFY(rig.main->Registry().IsOpen("frmStartampel"));
    QVERIFY(rig.main->Registry().IsOpen("frmZusatzampel"));
    QWidget* extra = rig.main->Registry().Find("frmZusatzampel");
    QCOMPARE(extra->geometry().topLeft(), QPoint(zk::TwipsToPx(3000, zk::LogicalDpi(extra)), zk::TwipsToPx(1500, zk::LogicalDpi(extra))));
    extra->setGeometry(QRect(QPoint(40, 60), extra->size()));

    const QString dark = QStringLiteral("000000000000000");
    rig.RunTo(800);  // step 0: power on, lamps unchanged
    QCOMPARE(Lit(rig, "frmStartampel"), dark);
    rig.RunTo(1600);
    QCOMPARE(Lit(rig, "frmStartampel"), QStringLiteral("110000000000000"));
    QCOMPARE(Lit(rig, "frmZusatzampel"), QStringLiteral("110000000000000"));
    // A car on lane 2 during the red phase: marked at the next step, power off.
    QVERIFY(LampOf(rig, "frmStartampel", 16)->isHidden());
    rig.RunTo(1999);
    rig.Hold(2, 20);
    rig.RunTo(2400);
    QCOMPARE(Lit(rig, "frmStartampel"), QStringLiteral("111100000000000"));
    for (const char* w : {"frmStartampel", "frmZusatzampel"}) {
        QVERIFY(!LampOf(rig, w, 16)->isHidden());
        QVERIFY(LampOf(rig, w, 16)->Lit());
        QVERIFY(LampOf(rig, w, 15)->isHidden());
        auto* nr = rig.main->Registry().Find(w)->findChild<QLabel*>("SpurNr_1");
        QVERIFY(nr && !nr->isHidden());
    }
    QVERIFY(!rig.sys.st.rennen.SpurStrom[2]);
    // The lap window shows which lane lost its power.
    QCOMPARE(lap->findChild<QPushButton*>("PowerBtn_1")->palette().color(QPalette::Button), QColor(255, 0, 0));
    QCOMPARE(lap->findChild<QPushButton*>("PowerBtn_0")->palette().color(QPalette::Button), QColor(0, 192, 0));
    rig.RunTo(4800);
    QCOMPARE(Lit(rig, "frmStartampel"), QStringLiteral("111111111100000"));
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
    rig.RunTo(5600);
    QCOMPARE(Lit(rig, "frmStartampel"), QStringLiteral("000000000011111"));
    QCOMPARE(Lit(rig, "frmZusatzampel"), QStringLiteral("000000000011111"));
    QVERIFY(rig.sys.st.RennenLaeuft.load());
    // The lit red lamp is solid red, a green one green.
    QCOMPARE(LampOf(rig, "frmStartampel", 0)->Colour(), QColor(255, 0, 0));
    QCOMPARE(LampOf(rig, "frmStartampel", 12)->Colour(), QColor(0, 192, 0));
    rig.RunTo(7200);
    QVERIFY(!rig.main->Registry().IsOpen("frmStartampel"));
    QVERIFY(!rig.main->Registry().IsOpen("frmZusatzampel"));
    // The second window keeps its position.
    const double dpi = zk::LogicalDpi(lap);
    QCOMPARE(rig.sys.cfg.WindowPositions.AmpelLeft, zk::PxToTwips(40, dpi));
    QCOMPARE(rig.sys.cfg.WindowPositions.AmpelTop, zk::PxToTwips(60, dpi));
}

void StartLightSimTest::abortInTheSecondWindowClosesBothAndKeepsPower() {
    UiRig rig;
    rig.sys.cfg.AnsichtFenster.Zusatzampel = 1;
    rig.Load();
    QWidget* lap = rig.Open("frmKVZeit2Spur");
    UiRig::Click(lap, "btnStartRace");
    rig.RunTo(2000);
    UiRig::Click(rig.main->Registry().Find("frmZusatzampel"), "btnAmpelAbbruch");
    QVERIFY(!rig.main->Registry().IsOpen("frmStartampel"));
    QVERIFY(!rig.main->Registry().IsOpen("frmZusatzampel"));
    QVERIFY(!rig.sys.st.StartPhase.load());
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
    QVERIFY(rig.sys.st.rennen.SpurStrom[1]);
    rig.RunTo(6000);
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
}

void StartLightSimTest::simulationWindowsProduceLapsAtTheSetLapTime() {
    UiRig rig;
    rig.Load();
    QAction* sim = rig.main->findChild<QAction*>("mnuParPortSim");
    QVERIFY(sim);
    sim->trigger();
    QWidget* ps = rig.main->Registry().Find("frmParPortSim");
    QVERIFY(ps);
    QVERIFY(rig.sys.st.SimulationActive.load());
    QVERIFY(rig.main->findChild<QWidget*>("DebugFrame")->isVisibleTo(rig.main.get()));
    ps->findChild<QCheckBox*>("Check1")->setChecked(true);
    // Lane n on bit n-1, active low; short signals, 2.5 s lockout.
    QCOMPARE(rig.sys.st.Maske[3].load(), int16_t{4});
    QCOMPARE(rig.sys.st.Vergleich[3].load(), int16_t{0});
    QCOMPARE(rig.sys.st.MinZeit.load(), int16_t{2500});
    QVERIFY(rig.sys.st.fenster.SimMaskenAktiv);

    rig.main->findChild<QAction*>("mnuParPortDebug")->trigger();
    QWidget* pd = rig.main->Registry().Find("frmParPortDebug");
    QVERIFY(pd);
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinParDebug], zk::kTrue);
    // Default lap times MinZeit + 100 x lane; lane 1 set to 3 s by hand.
    QCOMPARE(pd->findChild<QLineEdit*>("AutoZeit_1")->text(), QStringLiteral("2700"));
    pd->findChild<QLineEdit*>("AutoZeit_0")->setText(QStringLiteral("3000"));

    QWidget* lap = rig.Open("frmKVZeit6Spur");
    rig.StartAndRunToGreen(lap);
    rig.RunFor(20000);
    QCOMPARE(UiRig::Text(lap, "Spur_LapTime_0"), QStringLiteral("3,000"));
    QCOMPARE(UiRig::Text(lap, "Spur_LapTime_1"), QStringLiteral("2,700"));
    QCOMPARE(UiRig::Text(lap, "Spur_LapTime_5"), QStringLiteral("3,100"));
    QVERIFY(UiRig::Text(lap, "Spur_Laps_1").toInt() >= 5);

    // "Tanken": a fill value above the capacity fills to the capacity.
    rig.sys.cfg.Tankoption.Tankinhalt = 100;
    pd->findChild<QLineEdit*>("TankWert_2")->setText(QStringLiteral("150"));
    UiRig::Click(pd, "Tanken_2");
    QCOMPARE(rig.sys.st.tank.TankStand[3], 100.0);
    pd->findChild<QLineEdit*>("TankWert_2")->setText(QStringLiteral("37,5"));
    UiRig::Click(pd, "Tanken_2");
    QCOMPARE(rig.sys.st.tank.TankStand[3], 37.5);

    // "Automatische Simulation ausschalten" stops the crossings.
    pd->findChild<QCheckBox*>("AutoAus")->setChecked(true);
    const QString laps = UiRig::Text(lap, "Spur_Laps_1");
    rig.RunFor(8000);
    QCOMPARE(UiRig::Text(lap, "Spur_Laps_1"), laps);
    pd->close();
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinParDebug], int16_t{0});
}

void StartLightSimTest::portTestWindowTogglesOutputsAndRestoresLearnedValues() {
    UiRig rig;
    rig.sys.cfg.LiZeit.Minimum = 3000;
    rig.sys.cfg.LiZeit.MinLength = 7;
    rig.Load();
    QWidget* ps = rig.Open("frmParPortSim");
    rig.port.ClearWrites();
    const uint16_t before = rig.sys.st.LptDaten;
    UiRig::Click(ps, "SpurTrue_5");
    QCOMPARE(rig.sys.st.LptDaten.load(), static_cast<uint16_t>(before ^ 0x20));
    QCOMPARE(rig.port.DataRegister(), static_cast<uint8_t>((before ^ 0x20) & 0xFF));
    const uint8_t steuer = rig.sys.st.LptSteuer;
    UiRig::Click(ps, "ConfPin16");
    QCOMPARE(rig.sys.st.LptSteuer.load(), static_cast<uint8_t>(steuer ^ 0x04));
    QCOMPARE(rig.port.ControlRegister(), static_cast<uint8_t>(steuer ^ 0x04));

    ps->findChild<QCheckBox*>("Check1")->setChecked(true);
    // Unticking rewrites the masks too; only closing restores the learned ones.
    ps->findChild<QCheckBox*>("Check1")->setChecked(false);
    QCOMPARE(rig.sys.st.Maske[1].load(), int16_t{1});
    QVERIFY(!rig.sys.st.fenster.SimMaskenAktiv);
    ps->findChild<QCheckBox*>("Check1")->setChecked(true);
    ps->close();
    QVERIFY(!rig.sys.st.SimulationActive.load());
    QVERIFY(!rig.sys.st.fenster.SimMaskenAktiv);
    QCOMPARE(rig.sys.st.Maske[1].load(), int16_t{8});
    QCOMPARE(rig.sys.st.Vergleich[1].load(), int16_t{8});
    QCOMPARE(rig.sys.st.MinZeit.load(), int16_t{3000});
    QCOMPARE(rig.sys.st.MinLength.load(), int16_t{7});
    QVERIFY(!rig.main->findChild<QWidget*>("DebugFrame")->isVisibleTo(rig.main.get()));
}

void StartLightSimTest::demoRaceStartsCleanAndCarsDriveOnlyWithPower() {
    UiRig rig;
    rig.Load();
    rig.main->findChild<QAction*>("mnuSimulationOhneBahn")->trigger();
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    QCOMPARE(rig.sys.st.rennen.RennRunden, int16_t{10});
    QWidget* lap = rig.Open("frmKVZeit6Spur");
    QWidget* pd = rig.main->Registry().Find("frmParPortDebug");
    QVERIFY(pd);

    // Through the five red steps to green, nobody jumps the start.
    rig.StartAndRunToGreen(lap);
    QVERIFY(rig.rig.rec.falseStarts.empty());
    for (int l = 1; l <= 6; ++l) QVERIFY(rig.sys.st.rennen.SpurStrom[l]);
    // The start crossing after one lap time, then laps of exactly that time.
    rig.RunFor(3 * 3100 + 300);
    for (int i = 0; i < 6; ++i) {
        const QString t = QStringLiteral("%1,%2").arg((2600 + 100 * i) / 1000).arg((2600 + 100 * i) % 1000, 3, 10, QChar('0'));
        QCOMPARE(UiRig::Text(lap, zk::ArrayName("Spur_LapTime", i)), t);
        QCOMPARE(UiRig::Text(lap, zk::ArrayName("Spur_Fastest", i)), t);
    }

    // Lane 2's power off: its car stands; back on, it drives on.
    UiRig::Click(lap, "PowerBtn_1");
    const QString laps = UiRig::Text(lap, "Spur_Laps_1");
    const QString laps1 = UiRig::Text(lap, "Spur_Laps_0");
    rig.RunFor(6000);
    QCOMPARE(UiRig::Text(lap, "Spur_Laps_1"), laps);
    QVERIFY(UiRig::Text(lap, "Spur_Laps_0").toInt() >= laps1.toInt() + 2);
    UiRig::Click(lap, "PowerBtn_1");
    rig.RunFor(3000);
    QVERIFY(UiRig::Text(lap, "Spur_Laps_1").toInt() > laps.toInt());

    // Lane 1 wins with ten clean laps.
    for (int k = 0; k < 400 && rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    QVERIFY(!rig.sys.st.RennenLaeuft.load());
    QCOMPARE(UiRig::Text(lap, "Spur_Laps_0"), QStringLiteral("10"));
    QCOMPARE(UiRig::Text(lap, "Spur_Rank_0"), QStringLiteral("1"));

    // A false start can still be made by hand: lane 3 held during the red light.
    UiRig::Click(lap, "btnStartRace");
    rig.RunFor(2000);
    auto* hand = pd->findChild<QPushButton*>("SpurTrue_2");
    QTest::mousePress(hand, Qt::LeftButton);
    rig.RunFor(30);
    QTest::mouseRelease(hand, Qt::LeftButton);
    for (int k = 0; k < 100 && !rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    QCOMPARE(rig.rig.rec.falseStarts, std::vector<int>{3});
}

void StartLightSimTest::safetyCarKeyTogglesOnEveryPressUnderSimulation() {
    UiRig rig;
    rig.Load();
    rig.main->findChild<QAction*>("mnuSimulationOhneBahn")->trigger();
    QVERIFY(rig.sys.st.SimulationActive.load());
    QWidget* lap = rig.Open("frmKVZeit4SpurNeu");
    rig.StartAndRunToGreen(lap);
    for (int16_t expected : {1, 0, 1, 0}) {
        QTest::keyClick(lap, Qt::Key_C);
        QCOMPARE(rig.sys.st.rennen.SafetyCar, expected);
        rig.RunFor(300);
    }
    // The same after the simulation window is closed and the port is read again.
    rig.main->Registry().Close("frmParPortSim");
    QVERIFY(!rig.sys.st.SimulationActive.load());
    for (int16_t expected : {1, 0}) {
        QTest::keyClick(lap, Qt::Key_C);
        QCOMPARE(rig.sys.st.rennen.SafetyCar, expected);
        rig.RunFor(300);
    }
}

QTEST_MAIN(StartLightSimTest)
#include "startlight_sim_test.moc"

// A port that cannot be opened: the message says why, "Simulation starten" sets
// up the race without a track, "nicht mehr anzeigen" works without a port from
// now on (no message next time, the port outputs off).
void StartLightSimTest::noPortMessageOffersTheSimulationAndWorkingWithoutAPort() {
    UiRig rig;
    rig.sys.cfg.Lpt.Port = 1;
    rig.options = [](zk::MainOptions& o) {
        o.quietMessages = false;
        o.openPort = [](zk::RaceSystem&, zk::UiPort& ui) {
            ui.ShowMessage("Der Parallelport /dev/parport0 kann nicht geöffnet werden", zk::kPpdevCaption,
                           zk::MessageIcon::Warning);
        };
    };
    rig.Load();
    QMessageBox* box = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "msgKeinPort") box = qobject_cast<QMessageBox*>(w);
    QVERIFY(box);
    QVERIFY(box->text().contains("kann nicht geöffnet werden"));
    box->findChild<QCheckBox*>("chkNichtMehrAnzeigen")->setChecked(true);
    box->findChild<QPushButton*>("btnSimulationStarten")->click();
    QCOMPARE(rig.sys.cfg.Lpt.Port, int16_t{0});
    QVERIFY(rig.sys.st.SimulationActive.load());
    QVERIFY(rig.main->Registry().IsOpen("frmParPortSim"));
}
