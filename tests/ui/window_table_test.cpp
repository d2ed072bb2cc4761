// The window table: every window opens, flags and places itself from its own
// row and slot, and puts its position back there alone; the race director's
// window hides on its close button and unloads on the close box.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <type_traits>

#include "system/RaceSystem.h"
#include "ui/DirectorWindow.h"
#include "ui/UiContext.h"
#include "ui/WindowGeometry.h"
#include "ui/WindowTable.h"
#include "UiRig.h"

using zk::test::UiRig;

// Windows see the race system only through a const reference: a write compiles
// only in the command classes and the program's wiring.
static_assert(std::is_same_v<decltype(zk::UiContext::sys), const zk::RaceSystem&>,
              "windows must get a read-only view of the race system");

class WindowTableTest : public QObject {
    Q_OBJECT
private slots:
    void everyWindowUsesOnlyItsOwnFlagAndSlot();
    void portDebugKeepsItsPlaceOnlyWithItsTopOnScreen();
    void directorWindowHidesOnCloseButtonAndUnloadsOnCloseBox();
};

namespace {

// Every position slot and open flag, to see which ones a window changed.
struct Snapshot {
    std::array<int16_t, zk::kWinCount> top{}, left{}, height{}, width{};
    std::array<int16_t, zk::kSmallWinCount> smallTop{}, smallLeft{};
    int16_t ampelTop = 0, ampelLeft = 0;
    std::array<int16_t, zk::kWinCount> offen{};
    std::array<int16_t, zk::kSmallWinCount> offen2{};
    int zeitfenster = 0;

    explicit Snapshot(UiRig& rig) {
        const auto& wp = rig.sys.cfg.WindowPositions;
        top = wp.Top, left = wp.Left, height = wp.Height, width = wp.Width;
        smallTop = wp.SmallTop, smallLeft = wp.SmallLeft;
        ampelTop = wp.AmpelTop, ampelLeft = wp.AmpelLeft;
        offen = rig.sys.st.fenster.FensterOffen, offen2 = rig.sys.st.fenster.FensterOffen2;
        zeitfenster = rig.main->Registry().OffeneZeitfenster();
    }
};

// Distinct stored positions for every slot, each well inside the screen.
void FillSlots(zk::Settings& cfg) {
    auto& wp = cfg.WindowPositions;
    for (int no = 0; no < zk::kWinCount; ++no) {
        wp.Top[no] = static_cast<int16_t>(300 + 150 * no);
        wp.Left[no] = static_cast<int16_t>(450 + 150 * no);
    }
    for (int no = 0; no < zk::kSmallWinCount; ++no) {
        wp.SmallTop[no] = static_cast<int16_t>(2400 + 150 * no);
        wp.SmallLeft[no] = static_cast<int16_t>(2550 + 150 * no);
    }
    wp.AmpelTop = 3300;
    wp.AmpelLeft = 3450;
}

struct SlotRef {
    int16_t* top = nullptr;
    int16_t* left = nullptr;
};

SlotRef SlotOf(zk::Settings& cfg, const zk::FensterDaten& d) {
    auto& wp = cfg.WindowPositions;
    switch (d.ablage) {
        case zk::FensterAblage::Gross: return {&wp.Top[d.nr], &wp.Left[d.nr]};
        case zk::FensterAblage::Klein: return {&wp.SmallTop[d.nr], &wp.SmallLeft[d.nr]};
        case zk::FensterAblage::Ampel: return {&wp.AmpelTop, &wp.AmpelLeft};
        case zk::FensterAblage::Keine: break;
    }
    return {};
}

}  // namespace

void WindowTableTest::everyWindowUsesOnlyItsOwnFlagAndSlot() {
    UiRig rig;
    FillSlots(rig.sys.cfg);
    rig.Load();
    for (int i = 0; i < zk::kFensterAnzahl; ++i) {
        const zk::FensterDaten& d = zk::kFensterTabelle[i];
        const zk::Placement placement = zk::WindowRowOf(d.id).placement;
        const QByteArray what(d.name.data(), static_cast<qsizetype>(d.name.size()));
        const SlotRef slot = SlotOf(rig.sys.cfg, d);
        QVERIFY2((placement == zk::Placement::None) == (slot.top == nullptr), what);

        const Snapshot before(rig);
        QWidget* w = rig.main->Registry().Open(d.id);
        QVERIFY2(w, what);
        QCOMPARE(w->objectName(), QString::fromLatin1(what));
        // Opened: its own flag is set (a lap window is counted), no other.
        Snapshot open(rig);
        if (d.zeitfenster) QCOMPARE(open.zeitfenster, before.zeitfenster + 1);
        if (d.ablage == zk::FensterAblage::Gross) open.offen[d.nr] = before.offen[d.nr];
        if (d.ablage == zk::FensterAblage::Klein) open.offen2[d.nr] = before.offen2[d.nr];
        QVERIFY2(open.offen == before.offen && open.offen2 == before.offen2, what);
        if (d.ablage == zk::FensterAblage::Gross) QVERIFY2(rig.sys.st.fenster.FensterOffen[d.nr] != 0, what);
        if (d.ablage == zk::FensterAblage::Klein) QVERIFY2(rig.sys.st.fenster.FensterOffen2[d.nr] != 0, what);

        const double dpi = zk::LogicalDpi(w);
        if (slot.top) {
            QCOMPARE(w->geometry().topLeft(), QPoint(zk::TwipsToPx(*slot.left, dpi), zk::TwipsToPx(*slot.top, dpi)));
            w->setGeometry(w->geometry().translated(7, 5));
        }
        const QPoint moved = w->geometry().topLeft();
        const QSize size = w->size();
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Closed: flag cleared, its own slot holds where it was, nothing else moved.
        QVERIFY2(!rig.main->Registry().IsOpen(d.id), what);
        Snapshot closed(rig);
        QCOMPARE(closed.zeitfenster, before.zeitfenster);
        QVERIFY2(closed.offen == before.offen && closed.offen2 == before.offen2, what);
        if (slot.top) {
            QCOMPARE(*slot.left, zk::PxToTwips(moved.x(), dpi));
            QCOMPARE(*slot.top, zk::PxToTwips(moved.y(), dpi));
            *slot.top = d.ablage == zk::FensterAblage::Gross ? before.top[d.nr]
                        : d.ablage == zk::FensterAblage::Klein ? before.smallTop[d.nr]
                                                               : before.ampelTop;
            *slot.left = d.ablage == zk::FensterAblage::Gross ? before.left[d.nr]
                         : d.ablage == zk::FensterAblage::Klein ? before.smallLeft[d.nr]
                                                                : before.ampelLeft;
        }
        // A window that keeps its size stores it; the others leave the sizes alone.
        Snapshot restored(rig);
        if (placement == zk::Placement::PositionAndSize) {
            QCOMPARE(restored.width[d.nr], zk::PxToTwips(size.width(), dpi));
            QCOMPARE(restored.height[d.nr], zk::PxToTwips(size.height(), dpi));
            restored.height[d.nr] = before.height[d.nr];
            restored.width[d.nr] = before.width[d.nr];
        }
        QVERIFY2(restored.top == before.top && restored.left == before.left && restored.height == before.height &&
                     restored.width == before.width && restored.smallTop == before.smallTop &&
                     restored.smallLeft == before.smallLeft && restored.ampelTop == before.ampelTop &&
                     restored.ampelLeft == before.ampelLeft,
                 what);
    }
}

void WindowTableTest::portDebugKeepsItsPlaceOnlyWithItsTopOnScreen() {
    UiRig rig;
    auto& wp = rig.sys.cfg.WindowPositions;
    wp.Top[zk::kWinParDebug] = 600;
    wp.Left[zk::kWinParDebug] = 900;
    rig.Load();
    QWidget* w = rig.Open("frmParPortDebug");
    w->move(200, -30);
    w->close();
    QCOMPARE(wp.Top[zk::kWinParDebug], int16_t{600});
    QCOMPARE(wp.Left[zk::kWinParDebug], int16_t{900});
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinParDebug], int16_t{0});
}

void WindowTableTest::directorWindowHidesOnCloseButtonAndUnloadsOnCloseBox() {
    QTemporaryDir data;
    UiRig rig;
    rig.sys.Desk().SetDataDir(data.path().toStdString());
    rig.Load();
    const QString list = data.filePath(QStringLiteral("_Test.txt"));
    QPointer<QWidget> w = rig.Open("frmRennleitung");
    QVERIFY(qobject_cast<zk::DirectorWindow*>(w.data()));
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinRennleitung], zk::kTrue);

    // Schließen hides it: still loaded, still flagged, nothing saved yet.
    UiRig::Click(w, "bntZmClose");
    QVERIFY(!w->isVisible());
    QCOMPARE(rig.main->Registry().Find("frmRennleitung"), w.data());
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinRennleitung], zk::kTrue);
    QVERIFY(!QFile::exists(list));
    QCOMPARE(rig.Open("frmRennleitung"), w.data());  // the same window comes back

    // The close box unloads it: the list is saved, the flag cleared, the window gone.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(QFile::exists(list));
    QCOMPARE(rig.sys.st.fenster.FensterOffen[zk::kWinRennleitung], int16_t{0});
    QVERIFY(!rig.main->Registry().IsOpen("frmRennleitung"));
    QVERIFY(w.isNull());
}

QTEST_MAIN(WindowTableTest)
#include "window_table_test.moc"
