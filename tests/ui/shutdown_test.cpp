// Start-up and shutdown of the main window: order of the steps, the tick started
// last and stopped last, the race stopped with all lanes powered, settings
// written as [Save] says, windows of the last run reopened.
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QtTest>

#include "base/Version.h"
#include "devices/PpdevLptIo.h"
#include "settings/ProfileFile.h"
#include "ui/IniStore.h"
#include "UiRig.h"

using zk::test::UiRig;

class ShutdownTest : public QObject {
    Q_OBJECT
private slots:
    void startupReadsSettingsReopensWindowsAndStartsTickLast();
    void closingDuringRaceStopsItPowersLanesWritesSettingsThenStopsTick();
    void saveModesDecideWhatIsWritten();
    void menusCarryTheRaceLengthCaptions();
    void aboutBoxNamesTheVersion();
    void openWindowsAndGeometrySurviveARestartThroughTheSettingsFile();
    void statusMessageStaysBesideThePortState();
    void startUpMessagesComeInFrontOfTheMainWindow();
};

// A status message of the race system (here: no audio output) is shown beside
// the port state, not over it, and stays when a menu's status tip comes and
// goes.
void ShutdownTest::statusMessageStaysBesideThePortState() {
    UiRig rig;
    rig.Load();
    const QString port = UiRig::Text(rig.main.get(), QStringLiteral("lblStatus"));
    QVERIFY(!port.isEmpty());
    const std::string text = "Keine Audioausgabe (kein Gerät): Zeitansage für diesen Programmlauf aus";
    rig.sys.ui().ShowStatus(text);
    rig.main->statusBar()->showMessage(QStringLiteral("Statustipp eines Menüs"));
    rig.main->statusBar()->clearMessage();
    QCOMPARE(UiRig::Text(rig.main.get(), QStringLiteral("lblMeldung")), QString::fromStdString(text));
    QCOMPARE(UiRig::Text(rig.main.get(), QStringLiteral("lblStatus")), port);
    QVERIFY(rig.main->statusBar()->currentMessage().isEmpty());
}

void ShutdownTest::startUpMessagesComeInFrontOfTheMainWindow() {
    UiRig rig;
    rig.options = [](zk::MainOptions& o) {
        o.quietMessages = false;
        o.openPort = [](zk::RaceSystem&, zk::UiPort& ui) {
            ui.ShowMessage("Kein Zugriff auf /dev/parport0", zk::kPpdevCaption, zk::MessageIcon::Warning);
            ui.ShowMessage("Noch etwas", "Zirkato", zk::MessageIcon::Information);
        };
    };
    rig.Load();
    QList<QMessageBox*> boxes = rig.main->findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), 2);
    // Held back while the main window is not shown; owned by it, so the window
    // manager keeps them in front of it.
    for (QMessageBox* b : boxes) QVERIFY(!b->isVisible());
    rig.main->show();
    for (QMessageBox* b : boxes) QTRY_VERIFY(b->isVisible());
    QVERIFY(rig.main->findChild<QMessageBox*>("msgKeinPort"));
    for (QMessageBox* b : boxes) b->close();
}

void ShutdownTest::startupReadsSettingsReopensWindowsAndStartsTickLast() {
    UiRig rig;
    rig.fakeStore.reopen = {zk::Fenster::KVZeit3Spur, zk::Fenster::Zeit4Spur};
    rig.Load();
    const std::vector<std::string> expected = {"ReadIniFile", "ReadOpenWindows", "TickStart"};
    QCOMPARE(rig.journal.calls, expected);
    QVERIFY(rig.main->Registry().IsOpen("frmKVZeit3Spur"));
    QVERIFY(rig.main->Registry().IsOpen("frmZeit4Spur"));
    QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 2);
    QCOMPARE(rig.sys.st.rennen.RennmodusText, std::string("Training"));
}

void ShutdownTest::closingDuringRaceStopsItPowersLanesWritesSettingsThenStopsTick() {
    UiRig rig;
    rig.sys.cfg.Save.All = 1;
    rig.Load();
    QWidget* lap = rig.Open("frmKVZeit4SpurNeu");
    rig.StartAndRunToGreen(lap);
    QVERIFY(rig.sys.st.RennenLaeuft.load());
    rig.journal.calls.clear();
    // The close box asks first; "Weiterfahren" keeps the race and the program.
    auto* beenden = rig.main->findChild<QAction*>("mnuBeenden");
    rig.RunFor(100);
    QVERIFY(!beenden->isEnabled());
    QVERIFY(!beenden->toolTip().isEmpty());
    rig.main->close();
    auto* ask = rig.main->findChild<QMessageBox*>("msgRennenLaeuft");
    QVERIFY(ask && ask->isVisible());
    QVERIFY(rig.journal.calls.empty());
    UiRig::Click(ask, "btnWeiterfahren");
    QVERIFY(!rig.main->IsShutDown());
    QVERIFY(rig.sys.st.RennenLaeuft.load());
    QTRY_VERIFY(!rig.main->findChild<QMessageBox*>("msgRennenLaeuft"));
    rig.main->close();
    ask = rig.main->findChild<QMessageBox*>("msgRennenLaeuft");
    QVERIFY(ask);
    UiRig::Click(ask, "btnRennenBeenden");
    const std::vector<std::string> expected = {"WriteOpenWindows", "WriteIniFile", "TickStop"};
    QCOMPARE(rig.journal.calls, expected);
    QVERIFY(!rig.journal.raceRunningAtTickStop);
    QVERIFY(rig.journal.allPoweredAtTickStop);
    // The lap windows were closed without the last-window race stop, and the
    // open-window flags were written before that.
    QVERIFY(!rig.main->Registry().IsOpen("frmKVZeit4SpurNeu"));
    // A second close or the destructor does not run the shutdown again.
    rig.main->Shutdown();
    QCOMPARE(rig.journal.calls.size(), expected.size());
}

void ShutdownTest::saveModesDecideWhatIsWritten() {
    struct Case {
        int16_t all, speichern;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {1, 0, {"WriteOpenWindows", "WriteIniFile", "TickStop"}},
        {0, 1, {"WriteOpenWindows", "WriteWindowPositions", "TickStop"}},
        {0, 2, {"WriteOpenWindows", "TickStop"}},
    };
    for (const Case& c : cases) {
        UiRig rig;
        rig.sys.cfg.Save.All = c.all;
        rig.sys.cfg.AnsichtFenster.Speichern = c.speichern;
        rig.Load();
        rig.journal.calls.clear();
        rig.main->close();
        QCOMPARE(rig.journal.calls, c.calls);
    }
}

void ShutdownTest::aboutBoxNamesTheVersion() {
    UiRig rig;
    rig.Load();
    auto* about = rig.main->findChild<QAction*>("mnuUeber");
    QVERIFY(about);
    about->trigger();
    // The box does not block: it is open once the trigger returns.
    auto* box = rig.main->findChild<QMessageBox*>("msgUeber");
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(box->text().contains(QStringLiteral("Zirkato ") + QString::fromUtf8(zk::ProgramVersion())));
    box->accept();
}

void ShutdownTest::menusCarryTheRaceLengthCaptions() {
    UiRig rig;
    rig.sys.cfg.Letzte.Runden = 0;
    rig.Load();
    auto* preset = rig.main->findChild<QAction*>("mnuDreisig");
    QVERIFY(preset);
    QCOMPARE(preset->text(), QStringLiteral("15 Runden"));
    QCOMPARE(rig.main->findChild<QAction*>("mnuFuenfzigM")->text(), QStringLiteral("10 Minuten"));
    preset->trigger();
    QCOMPARE(rig.sys.st.rennen.RennRunden, int16_t{15});
    QCOMPARE(rig.main->findChild<QMenu*>("mnuEingabeRunden")->title(), QStringLiteral("Runden : 15"));

    // Lap race: title with the lap count, the default window opens.
    rig.sys.cfg.AnsichtFenster.Ansicht = 3;
    rig.main->findChild<QAction*>("mnuRundenrennen")->trigger();
    QCOMPARE(rig.sys.st.rennen.Rennmodus, zk::Rennart::Rundenrennen);
    QCOMPARE(rig.sys.st.rennen.RennmodusText, std::string("Rundenrennen über  15 Runden"));
    QVERIFY(rig.main->Registry().IsOpen("frmZeit4Spur"));
    QCOMPARE(rig.main->Registry().Find("frmZeit4Spur")->windowTitle(),
             QString::fromUtf8("Rundenrennen über  15 Runden – Standard 4 Spuren"));

    // The input window: invalid text changes nothing, valid text the count and caption.
    rig.main->findChild<QAction*>("mnuRundenEingabe")->trigger();
    QWidget* in = rig.main->Registry().Find("frmRundeneingabe");
    QVERIFY(in);
    auto* txt = in->findChild<QLineEdit*>("txtRundeneingabe");
    QCOMPARE(txt->text(), QStringLiteral("15"));
    txt->setText(QStringLiteral("abc"));
    QCOMPARE(rig.sys.st.rennen.RennRunden, int16_t{15});
    txt->setText(QStringLiteral("42"));
    QCOMPARE(rig.sys.st.rennen.RennRunden, int16_t{42});
    QCOMPARE(rig.main->findChild<QMenu*>("mnuEingabeRunden")->title(), QStringLiteral("Runden : 42"));

    rig.main->findChild<QAction*>("mnuZeitEingabe")->trigger();
    QWidget* tin = rig.main->Registry().Find("frmZeiteingabe");
    tin->findChild<QLineEdit*>("txtZeiteingabe")->setText(QStringLiteral("0"));
    tin->close();
    QCOMPARE(rig.sys.st.rennen.RennZeit, int16_t{6});
}

void ShutdownTest::openWindowsAndGeometrySurviveARestartThroughTheSettingsFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("Zirkato.ini")).toStdString();
    QPoint pos;
    QSize size;
    {
        zk::IniSettingsStore store(path);
        UiRig rig(&store);
        rig.Load();  // no file yet: first-run values, which save everything at the end
        QWidget* five = rig.Open("frmKVZeit5Spur");
        rig.Open("frmZeit4Spur");
        five->resize(520, 360);
        five->setGeometry(QRect(QPoint(30, 45), five->size()));
        pos = five->geometry().topLeft();
        size = five->size();
        rig.main->Registry().Close("frmZeit4Spur");
        QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 1);
        rig.main->close();
    }
    zk::ProfileFile file(path);
    QVERIFY(file.Load());
    QCOMPARE(file.Doc().GetInt("OpenWindows", "KV4LaneOpen", 0), -1);
    QCOMPARE(file.Doc().GetInt("OpenWindows", "Std4Open", 1), 0);
    QCOMPARE(file.Doc().GetInt("WindowPositions", "KV4LaneTop", 0), 45 * 15);
    {
        zk::IniSettingsStore store(path);
        UiRig rig(&store);
        rig.Load();
        QVERIFY(rig.main->Registry().IsOpen("frmKVZeit5Spur"));
        QVERIFY(!rig.main->Registry().IsOpen("frmZeit4Spur"));
        QCOMPARE(rig.main->Registry().OffeneZeitfenster(), 1);
        QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinKV5], zk::kTrue);
        QWidget* five = rig.main->Registry().Find("frmKVZeit5Spur");
        QCOMPARE(five->geometry().topLeft(), pos);
        QCOMPARE(five->size(), size);
    }
}

QTEST_MAIN(ShutdownTest)
#include "shutdown_test.moc"
