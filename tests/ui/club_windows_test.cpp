// The driver window and the club result window through the main window's real
// cycle: drivers defined and confirmed open the club races; heats driven on the
// simulated port show their result, the ranking and the next heat, and the
// window's buttons and pause countdown act on the club race.
#include <QLineEdit>
#include <functional>
#include <QListWidget>
#include <QTreeWidget>
#include <QtTest>

#include "race/ClubRennen.h"
#include "race/Fahrer.h"
#include "race/RaceResult.h"
#include "UiRig.h"

using zk::test::UiRig;

class ClubWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void driversConfirmedOpenTheClubRaces();
    void aClubRaceTakesAtMost101Drivers();
    void resultWindowShowsTheHeatAndTheNext();
    void pauseCountsDownAndRepeatAsksFirst();
    void autoStartStartsTheNextHeatWithItsDrivers();
    void windowsSayTheClubRaceIsOver();
};

namespace {

QStringList Items(QWidget* w, const char* list) {
    QStringList o;
    if (auto* l = w->findChild<QListWidget*>(list))
        for (int i = 0; i < l->count(); ++i) o << l->item(i)->text();
    return o;
}

void Type(QWidget* w, const QString& text) {
    auto* e = w->findChild<QLineEdit*>("AddDriverWindow");
    e->setText(text);
    UiRig::Click(w, "btnAddDriver");
}

void DoubleClick(QWidget* w, const char* list, const QString& text) {
    auto* l = w->findChild<QListWidget*>(list);
    const auto found = l->findItems(text, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    l->scrollToItem(found.front());
    QApplication::processEvents();
    const QPoint at = l->visualItemRect(found.front()).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
}

QString Edit(QWidget* w, const QString& name) {
    auto* e = w->findChild<QLineEdit*>(name);
    return e ? e->text() : QStringLiteral("<%1 fehlt>").arg(name);
}

}  // namespace

void ClubWindowsTest::driversConfirmedOpenTheClubRaces() {
    UiRig rig;
    rig.sys.cfg.Fahrer.clear();
    rig.Load();
    QAction* club[] = {rig.main->findChild<QAction*>("mnuClubrennen"), rig.main->findChild<QAction*>("mnuClubRundenRennen"),
                       rig.main->findChild<QAction*>("mnuClubZeitRennen")};
    for (QAction* a : club) QVERIFY(a && !a->isEnabled());

    rig.main->findChild<QAction*>("mnuFahrer")->trigger();
    QWidget* w = rig.main->Registry().Find("frmFahrer");
    QVERIFY(w);
    QCOMPARE(Items(w, "lstDriverListe"), QStringList{"TAVO"});
    for (const char* n : {"Anna", "Bert", "Cleo"}) Type(w, n);
    QCOMPARE(UiRig::Text(w, "lblDriverLst2"), QStringLiteral("Bekannt: 4"));
    w->findChild<QListWidget*>("lstDriverListe")->setCurrentRow(0);
    UiRig::Click(w, "btnRemoveDriver");
    QCOMPARE(Items(w, "lstDriverListe"), (QStringList{"Anna", "Bert", "Cleo"}));

    // One driver confirmed is not a club race.
    DoubleClick(w, "lstDriverListe", "Anna");
    QCOMPARE(Items(w, "lstActiveDriver"), QStringList{"Anna"});
    UiRig::Click(w, "cmdFahrerFertig");
    rig.RunFor(100);
    QVERIFY(!rig.main->Registry().IsOpen("frmFahrer"));
    for (QAction* a : club) QVERIFY(!a->isEnabled());

    // Reopened: the pool and the active list as confirmed; a second driver
    // goes over, one comes back, another goes over.
    rig.main->findChild<QAction*>("mnuFahrer")->trigger();
    w = rig.main->Registry().Find("frmFahrer");
    QCOMPARE(Items(w, "lstDriverListe"), (QStringList{"Bert", "Cleo"}));
    QCOMPARE(Items(w, "lstActiveDriver"), QStringList{"Anna"});
    w->findChild<QListWidget*>("lstDriverListe")->setCurrentRow(0);
    UiRig::Click(w, "btnAddToDriverList");
    DoubleClick(w, "lstActiveDriver", "Anna");
    DoubleClick(w, "lstDriverListe", "Cleo");
    QCOMPARE(Items(w, "lstActiveDriver"), (QStringList{"Bert", "Cleo"}));
    QCOMPARE(UiRig::Text(w, "lblActiveDrv2"), QStringLiteral("Im Clubrennen: 2"));
    UiRig::Click(w, "cmdFahrerFertig");
    rig.RunFor(100);
    for (QAction* a : club) QVERIFY(a->isEnabled());
    QCOMPARE(rig.sys.cfg.Fahrer, (std::vector<std::string>{"Anna"}));

    // The club race is set up and its schedule shows.
    club[0]->trigger();
    QCOMPARE(rig.sys.st.rennen.Rennmodus, zk::Rennart::Clubrennen);
    QWidget* r = rig.main->Registry().Find("frmClubResult");
    QVERIFY(r && r->isVisible());
    auto* tree = r->findChild<QTreeWidget*>("trvClubRaceShedule");
    QVERIFY(tree->topLevelItemCount() >= 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Rennen 1"));
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Spur 1 Bert"));
    QCOMPARE(UiRig::Text(r, "lblNextRace"), QString::fromUtf8("Nächstes Rennen 1"));

    // Lane names of ordinary races: the lap windows and the director follow.
    rig.main->findChild<QAction*>("mnuDefFahrer")->trigger();
    QWidget* sel = rig.main->Registry().Find("frmSelectDriver");
    QVERIFY(sel);
    UiRig::Click(sel, "Command1");
    QVERIFY(!rig.main->Registry().IsOpen("frmSelectDriver"));
    QCOMPARE(QString::fromStdString(zk::FahrerName(rig.sys.st, 8)), QStringLiteral("TEAM 8"));
}

// A club race takes at most 101 drivers: the 102nd stays in the pool and the
// window says why.
void ClubWindowsTest::aClubRaceTakesAtMost101Drivers() {
    UiRig rig;
    rig.sys.cfg.Fahrer.clear();
    for (int k = 1; k <= 105; ++k) rig.sys.cfg.Fahrer.push_back("F" + std::to_string(k));
    rig.Load();
    rig.main->findChild<QAction*>("mnuFahrer")->trigger();
    QWidget* w = rig.main->Registry().Find("frmFahrer");
    QVERIFY(w);
    w->findChild<QListWidget*>("lstDriverListe")->setCurrentRow(0);
    for (int k = 0; k < 105; ++k) UiRig::Click(w, "btnAddToDriverList");
    QCOMPARE(Items(w, "lstActiveDriver").size(), 101);
    QCOMPARE(Items(w, "lstDriverListe").size(), 4);
    QCOMPARE(UiRig::Text(w, "lblMeldung"), QString::fromUtf8(zk::kFahrerListeVoll));
}

namespace {

// Three drivers on lanes 1..3, one lap a heat, a minute's auto-start pause,
// lane 2 in blue: the club race the result window's tests share. After heat 1
// "Wiederholen" is pressed once and then "Weiter"; heat 2 is driven, the
// pause runs out and heat 3 starts by itself; the driver window is opened
// while it runs, and heat 3 is driven to the end. `at` is called at each named
// moment with the club race and the lap window.
void DriveClubHeats(UiRig& rig, const std::function<void(const QString&, zk::ClubRennen&, QWidget*)>& at) {
    for (int l = 1; l <= 8; ++l) rig.sys.cfg.AktiveSpuren.Spur[l] = l <= 3 ? 1 : 0;
    rig.sys.cfg.Letzte.Runden = 1;
    rig.sys.cfg.LiZeit.Minimum = 500;
    rig.sys.cfg.AutoStart.Enabled = 1;
    rig.sys.cfg.AutoStart.Time = 1;
    rig.sys.cfg.Farben.TS[2] = zk::Rgb{0, 0, 255};
    rig.Load();
    zk::FahrerListen fl;
    fl.aktiv = {"Anna", "Bert", "Cleo"};
    zk::FahrerBestaetigen(rig.sys, fl);
    rig.RunFor(100);
    rig.main->findChild<QAction*>("mnuClubrennen")->trigger();
    zk::ClubRennen& club = *rig.main->Context().club;
    QCOMPARE(club.AnzahlRennen(), 3);
    QWidget* lap = rig.Open("frmKVZeit4SpurNeu");

    // Every lane crosses every 800 ms until `done`.
    auto drive = [&](const std::function<bool()>& done) {
        for (int i = 0; i < 3000 && !done(); ++i) {
            rig.RunFor(10);
            if (i % 80 == 40)
                for (int l = 1; l <= 3; ++l) rig.Hold(l, 20);
        }
    };
    // Drives the prepared heat from its start to its end.
    auto heat = [&] {
        const int turn = club.Turn();
        rig.StartAndRunToGreen(lap);
        drive([&] { return club.Turn() != turn; });
        rig.RunFor(100);
    };
    heat();
    at("rennen 1", club, lap);
    rig.RunFor(2000);
    at("pause", club, lap);
    QWidget* r = rig.main->Registry().Find("frmClubResult");
    QVERIFY(r);
    UiRig::Click(r, "btnRepeat");
    at("wiederholen?", club, lap);
    UiRig::Click(r, "btnWeiter");
    at("weiter", club, lap);
    heat();
    at("rennen 2", club, lap);
    for (int k = 0; k < 700 && r->isVisible(); ++k) rig.RunFor(100);
    at("automatisch gestartet", club, lap);
    rig.main->findChild<QAction*>("mnuFahrer")->trigger();
    at("fahrerfenster", club, lap);
    if (QWidget* f = rig.main->Registry().Find("frmFahrer")) f->close();
    drive([&] { return club.Ende(); });
    rig.RunFor(3000);
    at("ende", club, lap);
}

QWidget* ClubResult(UiRig& rig) { return rig.main->Registry().Find("frmClubResult"); }

}  // namespace

// After a heat the result window opens with the heat's list and ranking, and
// shows the next heat's drivers in their lanes' colours.
void ClubWindowsTest::resultWindowShowsTheHeatAndTheNext() {
    UiRig rig;
    bool seen = false;
    DriveClubHeats(rig, [&](const QString& m, zk::ClubRennen&, QWidget*) {
        if (m != "rennen 1") return;
        seen = true;
        QWidget* r = ClubResult(rig);
        QVERIFY(r && r->isVisible());
        const QStringList list = Items(r, "lstClubResult");
        QCOMPARE(list.value(0), QStringLiteral(" --- Rennen 1 --- "));
        QVERIFY2(list.contains(QStringLiteral(" --- Platzierung --- ")), qPrintable(list.join('|')));
        QCOMPARE(r->findChild<QListWidget*>("lstClubResult")->currentRow(), list.size() - 1);
        QCOMPARE(UiRig::Text(r, "lblClubRaceOfRace"), QStringLiteral("Rennen 1 von 3"));
        QCOMPARE(UiRig::Text(r, "lblNextRace"), QString::fromUtf8("Nächstes Rennen 2"));
        // Heat 2: Bert, Cleo, Anna on lanes 1..3; lane 2 in its track colour.
        QCOMPARE(Edit(r, "txtTrackDriver_0"), QStringLiteral("Bert"));
        QCOMPARE(Edit(r, "txtTrackDriver_2"), QStringLiteral("Anna"));
        QVERIFY(!r->findChild<QLineEdit*>("txtTrackDriver_3")->isVisible());
        QCOMPARE(r->findChild<QLineEdit*>("txtTrackColor_1")->palette().color(QPalette::Base), QColor(0, 0, 255));
        auto* tree = r->findChild<QTreeWidget*>("trvClubRaceShedule");
        QVERIFY(tree->topLevelItem(1)->isExpanded() && !tree->topLevelItem(0)->isExpanded());
    });
    QVERIFY(seen);
}

// The pause counts down from the heat's end; "Wiederholen" asks first, and
// "Weiter" then drops the question and the pause.
void ClubWindowsTest::pauseCountsDownAndRepeatAsksFirst() {
    UiRig rig;
    QStringList seen;
    DriveClubHeats(rig, [&](const QString& m, zk::ClubRennen& club, QWidget*) {
        QWidget* r = ClubResult(rig);
        if (!r) return;
        auto* repeat = r->findChild<QPushButton*>("btnRepeat");
        if (m == "rennen 1") {
            seen << m;
            QVERIFY2(Edit(r, "txtCountdown") == "01:00" || Edit(r, "txtCountdown") == "00:59",
                     qPrintable(Edit(r, "txtCountdown")));
        }
        if (m == "pause") {
            seen << m;
            QVERIFY2(Edit(r, "txtCountdown").startsWith(QStringLiteral("00:5")), qPrintable(Edit(r, "txtCountdown")));
        }
        if (m == "wiederholen?") {
            seen << m;
            QCOMPARE(repeat->text(), QString::fromUtf8("bestätigen"));
            QVERIFY(Items(r, "lstClubResult").contains(QString::fromUtf8(" !!! Rennen 1 Wiederholen, bestätigen !!!")));
        }
        if (m == "weiter") {
            seen << m;
            QVERIFY(!r->isVisible());
            QCOMPARE(repeat->text(), QStringLiteral("Wiederholen"));
            QCOMPARE(Edit(r, "txtCountdown"), QStringLiteral("00:00"));
            QCOMPARE(club.Turn(), 2);
        }
    });
    QCOMPARE(seen, (QStringList{"rennen 1", "pause", "wiederholen?", "weiter"}));
}

// When the pause after a heat runs out, the next heat starts by itself; while
// it runs its drivers stay: the driver window cannot confirm.
void ClubWindowsTest::autoStartStartsTheNextHeatWithItsDrivers() {
    UiRig rig;
    QStringList seen;
    DriveClubHeats(rig, [&](const QString& m, zk::ClubRennen& club, QWidget*) {
        QWidget* r = ClubResult(rig);
        if (m == "rennen 2") {
            seen << m;
            QVERIFY(r && r->isVisible());
            QCOMPARE(UiRig::Text(r, "lblClubRaceOfRace"), QStringLiteral("Rennen 2 von 3"));
        }
        if (m == "automatisch gestartet") {
            seen << m;
            QVERIFY(r && !r->isVisible());
            QVERIFY(rig.sys.st.StartPhase || rig.sys.st.RennenLaeuft);
            QCOMPARE(club.Turn(), 3);
        }
        if (m == "fahrerfenster") {
            seen << m;
            QWidget* f = rig.main->Registry().Find("frmFahrer");
            QVERIFY(f);
            QVERIFY(!f->findChild<QPushButton*>("cmdFahrerFertig")->isEnabled());
            QCOMPARE(rig.sys.st.fahrer.AnzahlClubFahrer, int16_t{3});
        }
    });
    QCOMPARE(seen, (QStringList{"rennen 2", "automatisch gestartet", "fahrerfenster"}));
}

// The last heat ends: the main window and the lap window say the club race is
// over, and keep saying it.
void ClubWindowsTest::windowsSayTheClubRaceIsOver() {
    UiRig rig;
    bool seen = false;
    DriveClubHeats(rig, [&](const QString& m, zk::ClubRennen& club, QWidget* lap) {
        if (m != "ende") return;
        seen = true;
        QVERIFY(club.Ende());
        const QString modus = UiRig::Text(rig.main.get(), "lblRennmodus");
        QVERIFY2(modus.contains(QStringLiteral("Rennen 3 von 3")) && modus.endsWith(QStringLiteral("Clubrennen beendet")),
                 qPrintable(modus));
        QVERIFY2(lap->windowTitle().contains(QStringLiteral("Clubrennen beendet")), qPrintable(lap->windowTitle()));
    });
    QVERIFY(seen);
}

QTEST_MAIN(ClubWindowsTest)
#include "club_windows_test.moc"
