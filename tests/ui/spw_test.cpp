// The lane-change window of the time race with automatic lane change, in the
// program: it opens when a segment has run out, holds the lap windows until its
// Start button is pressed, and Start continues the series with the next teams.
#include <QAction>
#include <QtTest>

#include "ui/LapWindow.h"
#include "UiRig.h"

using zk::test::UiRig;

class SpwTest : public QObject {
    Q_OBJECT
private slots:
    void segmentEndOpensTheWindowAndStartContinues();
};

void SpwTest::segmentEndOpensTheWindowAndStartContinues() {
    UiRig rig;
    QWidget* std4 = rig.LoadLaneChangeSeries();
    QCOMPARE(UiRig::Text(std4, "lblSpwAnzeige"), QStringLiteral("Rennen 1 von 3"));

    // The Info button shows the division of the 10 minutes.
    UiRig::Click(std4, "btnZmsInfo");
    QWidget* plan = rig.main->Registry().Find("frmAnzeigeZrEinteilung");
    QVERIFY(plan);
    QCOMPARE(UiRig::Text(plan, "lblMinuten_0"), QStringLiteral("4 Minuten"));
    QCOMPARE(UiRig::Text(plan, "lblMinuten_2"), QStringLiteral("3 Minuten"));
    QCOMPARE(UiRig::Text(plan, "lblGesamtzeit"), QStringLiteral("10 Minuten"));
    QCOMPARE(UiRig::Text(plan, "lblAnzahl"), QStringLiteral("3"));
    plan->close();

    // Segment 1: lane 1 drives two laps; then the countdown is cut short.
    rig.StartAndRunToGreen(std4);
    QCOMPARE(rig.sys.st.RennenLaeuft.load(), zk::kTrue);
    for (int k = 0; k < 3; ++k) {
        rig.RunFor(6000);  // beyond the lockout after a crossing
        rig.Hold(1, 20);
    }
    rig.RunFor(1000);
    rig.sys.st.rennen.RestMinuten = 0;
    rig.sys.st.rennen.RestSekunden = 2;
    for (int k = 0; k < 100 && !rig.main->Registry().Find("frmSpwDisplay"); ++k) rig.RunFor(100);
    QWidget* spw = rig.main->Registry().Find("frmSpwDisplay");
    QVERIFY(spw);
    QCOMPARE(rig.sys.record.laps.Laps(1), 2);
    QCOMPARE(UiRig::Text(spw, "lblRvonR"), QStringLiteral("1 von 3"));
    QCOMPARE(UiRig::Text(spw, "lblTeam_0"), QStringLiteral("Fahrer 1"));
    QCOMPARE(UiRig::Text(spw, "lblRundenT_0"), QStringLiteral("2"));
    QCOMPARE(UiRig::Text(spw, "lblRundenT_2"), QStringLiteral("0"));
    // The lap windows wait for the lane-change window.
    QVERIFY(!std4->isEnabled());

    UiRig::Click(spw, "Start");
    QVERIFY(!rig.main->Registry().Find("frmSpwDisplay"));
    QVERIFY(std4->isEnabled());
    QCOMPARE(std4->windowTitle(),
             QString::fromUtf8("Zeitrennen mit Automatischem Spurwechsel   Rennen 2 von 3 – Standard 4 Spuren"));
    QCOMPARE(UiRig::Text(std4, "Spur_Driver_0"), QStringLiteral("Fahrer 2"));
    QCOMPARE(UiRig::Text(std4, "Spur_Driver_2"), QStringLiteral("Fahrer 1"));
    QCOMPARE(UiRig::Text(std4, "lblSpwAnzeige"), QStringLiteral("Rennen 2 von 3"));
    QCOMPARE(rig.sys.st.rennen.RestMinuten, int16_t{3});

    // Segment 2 starts from the standard window as any race does.
    rig.StartAndRunToGreen(std4);
    QCOMPARE(rig.sys.st.RennenLaeuft.load(), zk::kTrue);
    QCOMPARE(rig.sys.club().Spurwechsel()->WechselNr(), 2);
}

QTEST_MAIN(SpwTest)
#include "spw_test.moc"
