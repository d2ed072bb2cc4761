// Race day through the main window's real cycle: the race-state banner of a lap
// window through a whole lap race, and the result files that race leaves,
// compared with what the lap window shows at the end.
#include <QDir>
#include <functional>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "base/Version.h"
#include "ui/RaceBanner.h"
#include "ui/ResultWindow.h"
#include "UiRig.h"

using zk::test::UiRig;

class RaceDayTest : public QObject {
    Q_OBJECT
private slots:
    void bannerFollowsALapRace();
    void resultFilesAgreeWithTheLapWindow();
    void resultFilesAreNeverOverwritten();
};

namespace {

struct BannerSeen {
    QString text, zeile;
    QColor bg;
};

BannerSeen Seen(QWidget* w) {
    auto* b = w->findChild<zk::RaceBanner*>("RaceBanner");
    if (!b) return {"<kein Banner>", {}, {}};
    return {b->Text(), b->Zeile(), b->Hintergrund()};
}

// The lap race both tests drive: 3 laps, a false start of lane 4 in the red
// phase, a pause, the safety car, and lane 2 winning although lane 1 led after
// lap 1 (lane 1 rolls over the line in the after-run). `at` is called at each
// named moment, with the cycle that shows it done.
void DriveLapRace(UiRig& rig, QWidget* w, const std::function<void(const QString&)>& at) {
    rig.RunFor(100);
    at("bereit");
    UiRig::Click(w, "btnStartRace");
    rig.RunFor(1700);
    at("ampel");
    rig.Hold(4, 20);
    rig.RunFor(1000);
    at("fehlstart");
    for (int k = 0; k < 60 && !rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    rig.RunFor(100);
    at("gruen");
    rig.RunFor(2500);
    at("strafe vorbei");
    // Start crossings, then one lap each of lanes 1 and 2.
    rig.Hold(1, 20);
    rig.Hold(2, 20);
    rig.RunFor(3000);
    rig.Hold(1, 20);
    rig.RunFor(400);
    rig.Hold(2, 20);
    rig.RunFor(600);
    at("runde 1");
    QTest::keyClicks(w, " ");
    rig.RunFor(100);
    at("pause");
    QTest::keyClicks(w, "w");
    rig.RunFor(100);
    at("neustart");
    for (int k = 0; k < 60 && rig.sys.st.Pause; ++k) rig.RunFor(100);
    rig.RunFor(100);
    at("weiter");
    QTest::keyClicks(w, "c");
    rig.RunFor(100);
    at("safety car");
    QTest::keyClicks(w, "c");
    rig.RunFor(100);
    at("safety car aus");
    rig.Hold(2, 20);
    rig.RunFor(3000);
    rig.Hold(2, 20);
    rig.RunFor(300);
    rig.Hold(1, 20);
    rig.RunFor(200);
    at("nachlauf");
    for (int k = 0; k < 400 && rig.sys.st.RennenLaeuft; ++k) rig.RunFor(100);
    rig.RunFor(100);
    at("ziel");
}

// A rig set up for that race, with its result folder in `data`.
QWidget* LapRaceWindow(UiRig& rig, const QTemporaryDir& data) {
    rig.sys.cfg.Letzte.Runden = 3;
    rig.sys.cfg.Fehlstart.Strafzeit = 20;
    rig.sys.cfg.LiZeit.Minimum = 500;
    rig.sys.cfg.NachZeit.Nachzeit = 3000;
    rig.sys.datenVerzeichnis = data.path().toStdString();
    rig.Load();
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    return rig.Open("frmKVZeit4SpurNeu");
}

}  // namespace

// The banner names every phase of the race, with its colour and second line.
void RaceDayTest::bannerFollowsALapRace() {
    QTemporaryDir data;
    UiRig rig;
    QWidget* w = LapRaceWindow(rig, data);
    QStringList seen;
    DriveLapRace(rig, w, [&](const QString& moment) {
        const BannerSeen b = Seen(w);
        seen << moment + ": " + b.text + " / " + b.zeile;
        if (moment == "ampel") QCOMPARE(b.bg, QColor(200, 0, 0));
        if (moment == "safety car") QCOMPARE(b.bg, QColor(255, 215, 0));
        if (moment == "ziel") QCOMPARE(b.bg, QColor(0, 0, 0));
        if (moment == "gruen") {
            QVERIFY2(b.zeile.startsWith(QStringLiteral("Noch 3 Runden")), qPrintable(b.zeile));
            QVERIFY(b.zeile.contains(QStringLiteral("Fehlstart Spur 4")));
        }
    });
    const QStringList expected = {
        "bereit: BEREIT / ",
        "ampel: AMPEL / ",
        QString::fromUtf8("fehlstart: AMPEL / Fehlstart Spur 4 – 2,0 s Strafe"),
        "strafe vorbei: RENNEN / Noch 3 Runden",
        "runde 1: RENNEN / Noch 2 Runden",
        "pause: PAUSE / ",
        "neustart: AMPEL / Neustart nach der Pause",
        "weiter: RENNEN / Noch 2 Runden",
        "safety car: SAFETY CAR / ",
        "safety car aus: RENNEN / Noch 2 Runden",
        QString::fromUtf8("nachlauf: NACHLAUF / Sieger: Spur 2 – Fahrer 2"),
        QString::fromUtf8("ziel: ZIEL / Sieger: Spur 2 – Fahrer 2"),
    };
    for (const QString& e : expected) {
        const QString moment = e.section(QStringLiteral(": "), 0, 0);
        const QStringList at = seen.filter(QRegularExpression("^" + QRegularExpression::escape(moment) + ": "));
        QVERIFY2(at.size() == 1, qPrintable(moment));
        // Where the expectation leaves the second line open, only the state counts.
        if (e.endsWith(QStringLiteral(" / ")))
            QVERIFY2(at[0].startsWith(e), qPrintable(at[0] + " <> " + e));
        else
            QCOMPARE(at[0], e);
    }
}

// The race leaves one table and one page, named by date and mode; every line of
// the table agrees with what the lap window shows at the end.
void RaceDayTest::resultFilesAgreeWithTheLapWindow() {
    QTemporaryDir data;
    UiRig rig;
    QWidget* w = LapRaceWindow(rig, data);
    DriveLapRace(rig, w, [](const QString&) {});

    // The result window opened by itself; one table and one page were written.
    QVERIFY(rig.main->Registry().Find("frmErgebnis"));
    QDir dir(data.path() + "/Ergebnisse");
    const QStringList csv = dir.entryList({"*_Rundenrennen.csv"}, QDir::Files);
    const QStringList html = dir.entryList({"*_Rundenrennen.html"}, QDir::Files);
    QCOMPARE(csv.size(), 1);
    QCOMPARE(html.size(), 1);
    QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden).size(), 2);  // no temporary file left
    QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d_Rundenrennen\\.csv$").match(csv[0]).hasMatch());

    // Read back: every line agrees with the lap window's final values.
    QFile f(dir.filePath(csv[0]));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).remove(QChar(0xFEFF)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines[2], QStringLiteral("Programm;Zirkato ") + QString::fromUtf8(zk::ProgramVersion()));
    QCOMPARE(lines[3], QStringLiteral("Platz;Spur;Fahrer;Runden;Gesamtzeit;Gesamtzeit (ms);Beste Runde;Fehlstarts;Tankstrafen"));
    QCOMPARE(lines.size(), 4 + 8);
    QStringList order;
    for (int k = 4; k < lines.size(); ++k) {
        const QStringList c = lines[k].split(';');
        QCOMPARE(c.size(), 9);
        const int i = c[1].toInt() - 1;
        order << c[1];
        QCOMPARE(c[0].toInt(), k - 3);
        QCOMPARE(c[7], QString(i == 3 ? "1" : "0"));
        if (i >= 4) {  // lanes the 4-lane window does not show drove nothing
            QCOMPARE(c[3], QStringLiteral("0"));
            continue;
        }
        QCOMPARE(c[2], UiRig::Text(w, QStringLiteral("Spur_Driver_%1").arg(i)));
        const QString laps = UiRig::Text(w, QStringLiteral("Spur_Laps_%1").arg(i));
        QCOMPARE(c[3], laps.isEmpty() ? QStringLiteral("0") : laps);
        // The file keeps its decimal point; the window shows the decimal comma.
        QCOMPARE(QString(c[6]).replace(QLatin1Char('.'), QLatin1Char(',')),
                 UiRig::Text(w, QStringLiteral("Spur_Fastest_%1").arg(i)));
    }
    QCOMPARE(order.mid(0, 2), (QStringList{"2", "1"}));
    QFile page(dir.filePath(html[0]));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString pageText = QString::fromUtf8(page.readAll());
    QVERIFY(pageText.contains(QStringLiteral("<meta name=\"generator\" content=\"Zirkato ") +
                              QString::fromUtf8(zk::ProgramVersion()) + "\">"));
}

void RaceDayTest::resultFilesAreNeverOverwritten() {
    QTemporaryDir data;
    const std::string dir = (data.path() + "/Ergebnisse").toStdString();
    std::string why;
    const std::string a = zk::ErgebnisDateienSchreiben(dir, "2026-12-06_21-38_Rundenrennen", "erstes", "<p>", &why);
    const std::string b = zk::ErgebnisDateienSchreiben(dir, "2026-12-06_21-38_Rundenrennen", "zweites", "<p>", &why);
    QCOMPARE(QString::fromStdString(a), data.path() + "/Ergebnisse/2026-12-06_21-38_Rundenrennen");
    QCOMPARE(QString::fromStdString(b), data.path() + "/Ergebnisse/2026-12-06_21-38_Rundenrennen_2");
    QFile fa(QString::fromStdString(a + ".csv"));
    QVERIFY(fa.open(QIODevice::ReadOnly));
    QCOMPARE(fa.readAll(), QByteArray("erstes"));

    // A folder that cannot be made is reported, in German, and nothing claims success.
    QFile blocker(data.path() + "/blockiert");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    why.clear();
    const std::string c = zk::ErgebnisDateienSchreiben((data.path() + "/blockiert/Ergebnisse").toStdString(), "x", "y", "z", &why);
    QVERIFY(c.empty());
    QVERIFY(QString::fromStdString(why).contains(QStringLiteral("nicht angelegt")));
}

QTEST_MAIN(RaceDayTest)
#include "raceday_test.moc"
