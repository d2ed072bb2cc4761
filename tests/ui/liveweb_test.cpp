// The live pages in the program: switched on in the settings dialog, served at
// the next cycle with the address in the status line and, with its QR code, in
// the window of the "Ansicht" menu; switched off again, the port is closed.
#include <QCheckBox>
#include <QSpinBox>
#include <QTcpSocket>
#include <QtTest>

#include <unistd.h>

#include "UiRig.h"
#include "ui/LiveWeb.h"

using zk::test::UiRig;

class LiveWebTest : public QObject {
    Q_OBJECT
private slots:
    void switchedOnServedAndOffAgain();
    void qrCodeHasQuietZoneAndFinderPattern();
};

namespace {

// GET `path` from 127.0.0.1:`port`; the answer, "" when refused.
QByteArray Get(int port, const char* path) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    if (!s.waitForConnected(3000)) return {};
    s.write(QByteArray("GET ") + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    QByteArray got;
    while (s.waitForReadyRead(3000)) got += s.readAll();
    return got;
}

}  // namespace

void LiveWebTest::switchedOnServedAndOffAgain() {
    UiRig rig;
    rig.Load();
    const int port = 20000 + static_cast<int>(::getpid() % 10000);
    auto* lbl = rig.main->findChild<QLabel*>("lblWeb");
    QVERIFY(lbl);
    rig.RunFor(200);
    QVERIFY(lbl->isHidden());  // off by default
    QVERIFY(Get(port, "/").isEmpty());

    QWidget* dlg = rig.Open("frmZSA");
    QVERIFY(dlg);
    auto* an = dlg->findChild<QCheckBox*>("chkWebAktiv");
    auto* lokal = dlg->findChild<QCheckBox*>("chkWebNurLokal");
    auto* portBox = dlg->findChild<QSpinBox*>("txtWebPort");
    QVERIFY(an && lokal && portBox);
    portBox->setValue(port);
    emit portBox->editingFinished();
    lokal->click();
    an->click();
    QCOMPARE(rig.sys.cfg.Web.Aktiv, int16_t{1});
    QCOMPARE(rig.sys.cfg.Web.NurLokal, int16_t{1});
    QCOMPARE(rig.sys.cfg.Web.Port, static_cast<int16_t>(port));

    rig.RunFor(100);
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(port);
    QVERIFY(!lbl->isHidden());
    QCOMPARE(lbl->text(), QStringLiteral("Live: ") + address);
    const QByteArray snap = Get(port, "/snapshot.json");
    QVERIFY2(snap.startsWith("HTTP/1.1 200") && snap.contains("\"banner\""), snap.left(200).constData());
    QVERIFY(Get(port, "/").contains("/app.js"));

    rig.main->findChild<QAction*>("mnuLiveWeb")->trigger();
    auto* fenster = rig.main->findChild<QDialog*>("frmLiveWeb");
    QVERIFY(fenster && fenster->isVisible());
    QCOMPARE(fenster->findChild<QLabel*>("lblWebAdresse")->text(), address);

    an->click();
    rig.RunFor(100);
    QVERIFY(lbl->isHidden());
    QVERIFY(Get(port, "/").isEmpty());
}

void LiveWebTest::qrCodeHasQuietZoneAndFinderPattern() {
    const int m = 5;
    const QImage q = zk::QrCodeBild(QStringLiteral("http://192.168.178.20:8080/"), m);
    QVERIFY(!q.isNull());
    QCOMPARE(q.width(), q.height());
    QCOMPARE(q.width() % m, 0);
    const int modules = q.width() / m - 8;
    QVERIFY(modules >= 21 && (modules - 21) % 4 == 0);  // a QR version's size
    const auto dark = [&](int x, int y) { return qGray(q.pixel(x * m + m / 2, y * m + m / 2)) < 128; };
    // Quiet zone white; the top-left finder: a dark ring, a light ring, a dark core.
    for (int i = 0; i < 4; ++i) QVERIFY(!dark(i, i));
    QVERIFY(dark(4, 4) && dark(10, 4) && dark(4, 10));
    QVERIFY(!dark(5, 5) && dark(6, 6) && dark(7, 7) && !dark(9, 9));
}

QTEST_MAIN(LiveWebTest)
#include "liveweb_test.moc"
