// The settings dialog through the main window's real cycle on a fresh data
// directory: the first-start hint, the live teach-in of a lane from a simulated
// crossing, the save with its progress window, and what closing the dialog does.
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "ui/IniStore.h"
#include "UiRig.h"

using zk::test::UiRig;

class ZsaTest : public QObject {
    Q_OBJECT
private slots:
    void teachLaneOneLiveAndSave();
    void optionsReachTheFileOnlyBySave();
};

namespace {

QColor Lamp(QWidget* dlg, int k) {
    auto* s = dlg->findChild<QFrame*>(QStringLiteral("shpTeach_%1").arg(k));
    return s ? s->palette().color(QPalette::Window) : QColor();
}

QString Caption(QWidget* dlg, int k) {
    auto* b = dlg->findChild<QPushButton*>(QStringLiteral("btnZsaTrack_%1").arg(k));
    return b ? b->text() : QStringLiteral("<fehlt>");
}

}  // namespace

void ZsaTest::teachLaneOneLiveAndSave() {
    QTemporaryDir data;
    const QString ini = data.filePath("Zirkato.ini");
    zk::IniSettingsStore store(ini.toStdString());
    UiRig rig(&store);
    rig.Load();
    // No settings file: the first start says how the track is taught in.
    auto* hint = rig.main->findChild<QLabel*>("lblErsterStart");
    QVERIFY(hint && !hint->isHidden());
    QVERIFY(hint->text().contains(QStringLiteral("Lichtschranken")));
    QCOMPARE(rig.sys.cfg.Masken.MS[1], int16_t{0});

    // The simulated track has lane 1's sensor on status bit 6, active high.
    rig.sys.st.Maske[1] = 64;
    rig.sys.st.Vergleich[1] = 64;

    rig.main->findChild<QAction*>("mnuEinstellungen")->trigger();
    QWidget* dlg = rig.main->Registry().Find("frmZSA");
    QVERIFY(dlg);
    QCOMPARE(dlg->findChild<QTabWidget*>("SSTab1")->currentIndex(), 2);
    rig.RunFor(100);
    QCOMPARE(Caption(dlg, 0), QStringLiteral("Spur 1"));
    QCOMPARE(Caption(dlg, 8), QStringLiteral("Gelbphase"));
    QCOMPARE(Lamp(dlg, 0), QColor(255, 0, 0));

    UiRig::Click(dlg, "btnZsaTrack_0");
    QCOMPARE(Caption(dlg, 0), QStringLiteral("Teach In aktiv"));
    rig.RunFor(100);
    QCOMPARE(Caption(dlg, 0), QStringLiteral("Teach In aktiv"));  // nothing has moved yet
    rig.Hold(1, 300);
    rig.RunFor(100);
    QCOMPARE(rig.sys.cfg.Masken.MS[1], int16_t{64});
    QCOMPARE(rig.sys.cfg.Masken.CS[1], int16_t{64});
    QCOMPARE(Caption(dlg, 0), QStringLiteral("Spur 1"));
    QCOMPARE(Lamp(dlg, 0), QColor(0, 192, 0));  // the lamp follows the car
    rig.RunFor(300);
    QCOMPARE(Lamp(dlg, 0), QColor(255, 0, 0));

    // "speichern": the progress window opens and closes, the file holds the lane.
    bool progressSeen = false;
    QObject::connect(&rig.main->Registry(), &zk::WindowRegistry::WindowsChanged, [&] {
        if (rig.main->Registry().IsOpen("frmSaveDisplay")) progressSeen = true;
    });
    UiRig::Click(dlg, "btnSave");
    QVERIFY(progressSeen);
    QVERIFY(!rig.main->Registry().IsOpen("frmSaveDisplay"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("MS1= 64") && text.contains("CS1= 64"), text.constData());

    // The sensor tab says what the lockout does, with its first-run value.
    QVERIFY(UiRig::Text(dlg, "lblSperrzeit").contains(QStringLiteral("1000 ms")));
    // "Alle Werte löschen" asks; cancelling keeps the taught lane.
    UiRig::Click(dlg, "TeachIn_Reset");
    auto* ask = dlg->findChild<QMessageBox*>("msgTeachInLoeschen");
    QVERIFY(ask && ask->isVisible());
    ask->reject();
    QCOMPARE(rig.sys.cfg.Masken.MS[1], int16_t{64});
    QTRY_VERIFY(!dlg->findChild<QMessageBox*>("msgTeachInLoeschen"));
    UiRig::Click(dlg, "TeachIn_Reset");
    UiRig::Click(dlg->findChild<QMessageBox*>("msgTeachInLoeschen"), "btnAlleLoeschen");
    QCOMPARE(rig.sys.cfg.Masken.MS[1], int16_t{0});

    // Closing disarms the lanes and refreshes the race-length menu.
    UiRig::Click(dlg, "btnZsaTrack_1");
    rig.sys.cfg.LapTime.L[1] = 7;
    UiRig::Click(dlg, "btnClose");
    QVERIFY(!rig.main->Registry().IsOpen("frmZSA"));
    QCOMPARE(rig.sys.st.anlernen.TeachAktiv[2], int16_t{0});
    QVERIFY(!rig.sys.st.fenster.ZsaOffen);
    QCOMPARE(rig.main->findChild<QAction*>("mnuZehnR")->text(), QStringLiteral("7 Runden"));
}

// A clamp through a text box, the pin and bus options shown as the core decides
// them, and the settings file untouched until "speichern".
void ZsaTest::optionsReachTheFileOnlyBySave() {
    QTemporaryDir data;
    const QString ini = data.filePath("Zirkato.ini");
    zk::IniSettingsStore store(ini.toStdString());
    UiRig rig(&store);
    rig.Load();
    rig.main->findChild<QAction*>("mnuEinstellungen")->trigger();
    QWidget* dlg = rig.main->Registry().Find("frmZSA");
    QVERIFY(dlg);
    auto* tabs = dlg->findChild<QTabWidget*>("SSTab1");
    tabs->setCurrentIndex(0);

    auto* len = dlg->findChild<QLineEdit*>("txtMinSignalLength");
    QVERIFY(len);
    len->setFocus();
    len->selectAll();
    QTest::keyClicks(len, "0");
    QTest::keyClick(len, Qt::Key_Return);
    QCOMPARE(len->text(), QStringLiteral("1"));
    QCOMPARE(rig.sys.st.MinLength.load(), int16_t{1});
    len->selectAll();
    QTest::keyClicks(len, "x");
    QTest::keyClick(len, Qt::Key_Return);
    QCOMPARE(len->text(), QStringLiteral("1"));

    // Pin 14 as an input switches the bus off; its boxes follow at once.
    auto* bus = dlg->findChild<QCheckBox*>("chkI2C");
    bus->click();
    QVERIFY(bus->isChecked());
    QVERIFY(dlg->findChild<QCheckBox*>("chkI2cNetzteil")->isEnabled());
    dlg->findChild<QAbstractButton*>("optPinI2C_Input")->click();
    QVERIFY(!bus->isChecked());
    QVERIFY(!dlg->findChild<QCheckBox*>("chkI2cNetzteil")->isEnabled());
    QVERIFY(!dlg->findChild<QAbstractButton*>("optPinI2C_Output")->isChecked());
    QVERIFY(!QFile::exists(ini));

    UiRig::Click(dlg, "btnSave");
    QFile f(ini);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(text.contains("MinLength= 1") && text.contains("PinI2CInput= 1"), text.constData());
    f.close();

    // Ticking "Einstellungen beim Beenden Speichern" saves at once.
    QVERIFY(QFile::remove(ini));
    auto* all = dlg->findChild<QCheckBox*>("chkSaveAll");
    all->click();
    QVERIFY(!QFile::exists(ini));
    all->click();
    QVERIFY(QFile::exists(ini));
    UiRig::Click(dlg, "btnClose");
}

QTEST_MAIN(ZsaTest)
#include "zsa_test.moc"
