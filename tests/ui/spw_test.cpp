// The lane-change window of the time race with automatic lane change, in the
// program: it opens when a segment has run out, holds the lap windows until its
// Start button is pressed, and Start continues the series with the next teams.
#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QtTest>

#include "ui/LapWindow.h"
#include "UiRig.h"

using zk::test::UiRig;

class SpwTest : public QObject {
    Q_OBJECT
private slots:
    void infoShowsTheDivisionOfTheRaceTime();
    void segmentEndOpensTheWindowAndStartContinues();
    void headingFitsBesideTheCountdown();
    void theSeriesEndsWithItsWinner();
};

// The Info button shows the division of the 10 minutes.
void SpwTest::infoShowsTheDivisionOfTheRaceTime() {
    UiRig rig;
    QWidget* std4 = rig.LoadLaneChangeSeries();
    QCOMPARE(UiRig::Text(std4, "lblSpwAnzeige"), QStringLiteral("Rennen 1 von 3"));
    UiRig::Click(std4, "btnZmsInfo");
    QWidget* plan = rig.main->Registry().Find("frmAnzeigeZrEinteilung");
    QVERIFY(plan);
    QCOMPARE(UiRig::Text(plan, "lblMinuten_0"), QStringLiteral("4 Minuten"));
    QCOMPARE(UiRig::Text(plan, "lblMinuten_2"), QStringLiteral("3 Minuten"));
    QCOMPARE(UiRig::Text(plan, "lblGesamtzeit"), QStringLiteral("10 Minuten"));
    QCOMPARE(UiRig::Text(plan, "lblAnzahl"), QStringLiteral("3"));
}

void SpwTest::segmentEndOpensTheWindowAndStartContinues() {
    UiRig rig;
    QWidget* std4 = rig.LoadLaneChangeSeries();

    // Segment 1: lane 1 drives two laps; then the countdown is cut short.
    rig.StartAndRunToGreen(std4);
    QVERIFY(rig.sys.st.RennenLaeuft.load());
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

    // The lap windows keep the finished segment's teams until the next starts.
    QCOMPARE(UiRig::Text(std4, "Spur_Driver_0"), QStringLiteral("Fahrer 1"));

    // Start: the window closes and segment 2 starts with the teams one lane on.
    UiRig::Click(spw, "Start");
    QVERIFY(!rig.main->Registry().Find("frmSpwDisplay"));
    QVERIFY(std4->isEnabled());
    QVERIFY(rig.sys.st.StartPhase.load());
    QCOMPARE(rig.sys.club().Spurwechsel()->WechselNr(), 2);
    rig.RunFor(100);
    QCOMPARE(std4->windowTitle(),
             QString::fromUtf8("Zeitrennen mit Automatischem Spurwechsel   Rennen 2 von 3 – Standard 4 Spuren"));
    QCOMPARE(UiRig::Text(std4, "Spur_Driver_0"), QStringLiteral("Fahrer 2"));
    QCOMPARE(UiRig::Text(std4, "Spur_Driver_2"), QStringLiteral("Fahrer 1"));
    QCOMPARE(UiRig::Text(std4, "lblSpwAnzeige"), QStringLiteral("Rennen 2 von 3"));
    for (int k = 0; k < 100 && !rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    QVERIFY(rig.sys.st.RennenLaeuft.load());
}

namespace {

// A series of 8 minutes on four lanes, with every lap window that can show it
// open and shown; the first is the standard 4-lane window.
std::vector<QWidget*> FourLaneSeries(UiRig& rig) {
    rig.sys.cfg.ZrMitWechsel.Wechsel = 1;
    for (int l = 5; l <= zk::kLanes; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = 0;
    rig.sys.cfg.Letzte.Zeit = 8;
    rig.Load();
    std::vector<QWidget*> wins;
    for (const char* n : {"frmZeit4Spur", "frmKVZeit4SpurNeu", "frmKVZeit3Spur", "frmKVZeit8Spur", "frmKVZeit48SpurNeu"})
        wins.push_back(rig.Open(n));
    rig.main->findChild<QAction*>("mnuZeitrennen")->trigger();
    for (QWidget* w : wins) {
        w->show();
        if (!QTest::qWaitForWindowExposed(w)) return {};
    }
    rig.RunFor(100);
    return wins;
}

}  // namespace

// Four lanes: the heading "… Rennen 1 von 4" fits beside the countdown in
// every lap window at the size it opens with.
void SpwTest::headingFitsBesideTheCountdown() {
    UiRig rig;
    const std::vector<QWidget*> wins = FourLaneSeries(rig);
    QVERIFY(!wins.empty());
    for (QWidget* w : wins) {
        auto* titel = w->findChild<QLabel*>("lblTitel");
        QVERIFY(titel);
        QCOMPARE(titel->text(), QString::fromUtf8("Zeitrennen mit Automatischem Spurwechsel   Rennen 1 von 4"));
        QVERIFY2(QFontMetrics(titel->font()).horizontalAdvance(titel->text()) <= titel->contentsRect().width(),
                 qPrintable(w->objectName()));
    }
}

// After the last segment the window names the series' winner, the series has
// its one result, and the window's Start begins a new series.
void SpwTest::theSeriesEndsWithItsWinner() {
    UiRig rig;
    const std::vector<QWidget*> wins = FourLaneSeries(rig);
    QVERIFY(!wins.empty());
    // Four segments, lane 1 drives a lap in each, and three in segment 2, when
    // team 2 is on it: team 2 wins.
    QWidget* std4 = wins[0];
    for (int seg = 1; seg <= 4; ++seg) {
        if (seg == 1) {
            rig.StartAndRunToGreen(std4);
        } else {
            QWidget* spw = rig.main->Registry().Find("frmSpwDisplay");
            QVERIFY(spw);
            UiRig::Click(spw, "Start");
            for (int k = 0; k < 100 && !rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
        }
        QVERIFY(rig.sys.st.RennenLaeuft.load());
        const int laps = seg == 2 ? 3 : 1;  // segment 2: team 2 on lane 1 drives three laps
        for (int k = 0; k <= laps; ++k) {
            rig.RunFor(6000);
            rig.Hold(1, 20);
        }
        rig.RunFor(1000);
        rig.sys.st.rennen.RestMinuten = 0;
        rig.sys.st.rennen.RestSekunden = 2;
        for (int k = 0; k < 100 && !rig.main->Registry().Find("frmSpwDisplay"); ++k) rig.RunFor(100);
        QVERIFY(rig.main->Registry().Find("frmSpwDisplay"));
    }
    QWidget* spw = rig.main->Registry().Find("frmSpwDisplay");
    QCOMPARE(UiRig::Text(spw, "lblSieger"), QString::fromUtf8("Sieger: Fahrer 2 mit 3 Runden"));
    QCOMPARE(rig.sys.view.ergebnisNummer, 1);
    QVERIFY(rig.sys.view.ergebnis.titel.find("Spurwechsel") != std::string::npos);
    // Start after the last segment: a new series from its first segment.
    UiRig::Click(spw, "Start");
    QCOMPARE(rig.sys.club().Spurwechsel()->WechselNr(), 1);
    QVERIFY(rig.sys.st.StartPhase.load());
}

QTEST_MAIN(SpwTest)
#include "spw_test.moc"
