#include "ui/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace zk {

int TwipsToPx(int twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

int16_t PxToTwips(int px, double dpi) {
    const long v = std::lround(px * 1440.0 / dpi);
    return static_cast<int16_t>(std::clamp<long>(v, -32768, 32767));
}

double LogicalDpi(const QWidget* w) {
    const QScreen* s = w ? w->screen() : nullptr;
    if (!s) s = QGuiApplication::primaryScreen();
    const double dpi = s ? s->logicalDotsPerInchY() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

QSize RoomOnScreen(const QWidget* w) {
    const QScreen* s = w ? w->screen() : nullptr;
    if (!s) s = QGuiApplication::primaryScreen();
    if (!s) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QSize frame = w ? w->frameGeometry().size() - w->size() : QSize();
    if (frame.width() <= 0 && frame.height() <= 0) frame = QSize(8, 40);
    return (s->availableGeometry().size() - frame).expandedTo(QSize(1, 1));
}

void FitOnScreen(QWidget* w) {
    const QSize room = RoomOnScreen(w);
    if (w->width() <= room.width() && w->height() <= room.height()) return;
    w->resize(w->size().boundedTo(room).expandedTo(w->minimumSize()));
}

namespace {
void KeepOnScreen(QWidget* w) {
    const QRect r = w->geometry();
    for (QScreen* s : QGuiApplication::screens()) {
        // At least a corner of 100 x 50 pixels must be reachable.
        const QRect visible = s->availableGeometry().intersected(r);
        if (visible.width() >= 100 && visible.height() >= 50) return;
    }
    if (const QScreen* p = QGuiApplication::primaryScreen()) {
        const QRect a = p->availableGeometry();
        w->resize(w->size().boundedTo(RoomOnScreen(w)));
        w->setGeometry(QRect(a.center() - QPoint(w->width() / 2, w->height() / 2), w->size()));
    }
}
}  // namespace

void RestoreGeometry(QWidget* w, int16_t top, int16_t left, int16_t height, int16_t width, QSize fallback) {
    const double dpi = LogicalDpi(w);
    QSize size = fallback;
    if (height > 0 && width > 0) size = QSize(TwipsToPx(width, dpi), TwipsToPx(height, dpi));
    w->resize(size.boundedTo(RoomOnScreen(w)).expandedTo(w->minimumSize()));
    RestorePosition(w, top, left);
}

void RestorePosition(QWidget* w, int16_t top, int16_t left) {
    const double dpi = LogicalDpi(w);
    if (top == 0 && left == 0) {
        KeepOnScreen(w);  // never stored: let the size decide, keep it visible
        return;
    }
    // The stored place is the window's inner top-left corner, set the same way:
    // a frame position set before the window manager has framed the window is
    // taken for the inner corner by some, and the window would creep by the
    // title bar's height at every start.
    w->setGeometry(QRect(QPoint(TwipsToPx(left, dpi), TwipsToPx(top, dpi)), w->size()));
    KeepOnScreen(w);
}

void StoreGeometry(const QWidget* w, int16_t& top, int16_t& left, int16_t& height, int16_t& width) {
    const double dpi = LogicalDpi(w);
    StorePosition(w, top, left);
    height = PxToTwips(w->height(), dpi);
    width = PxToTwips(w->width(), dpi);
}

void StorePosition(const QWidget* w, int16_t& top, int16_t& left) {
    const double dpi = LogicalDpi(w);
    top = PxToTwips(w->geometry().y(), dpi);
    left = PxToTwips(w->geometry().x(), dpi);
}

QColor FromBgr(int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QColor FromRgb(const Rgb& c) {
    return QColor(std::clamp<int>(c.rot, 0, 255), std::clamp<int>(c.gruen, 0, 255), std::clamp<int>(c.blau, 0, 255));
}

QColor ReadableOn(const QColor& fg, const QColor& bg) {
    const auto luma = [](const QColor& c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    if (std::abs(luma(fg) - luma(bg)) >= 60) return fg;
    return luma(bg) < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

void FontScaler::Add(QWidget* w, double pointSize) {
    entries_.push_back({w, pointSize});
    QFont f = w->font();
    f.setPointSizeF(std::max(6.0, pointSize * ratio_));
    w->setFont(f);
}

void FontScaler::Apply(QSize current) {
    if (design_.isEmpty() || current.isEmpty()) return;
    const double rw = static_cast<double>(current.width()) / design_.width();
    const double rh = static_cast<double>(current.height()) / design_.height();
    ratio_ = std::clamp(std::min(rw, rh), 0.4, 8.0);
    for (auto& e : entries_) {
        if (!e.w) continue;
        QFont f = e.w->font();
        f.setPointSizeF(std::max(6.0, e.pt * ratio_));
        e.w->setFont(f);
    }
}

}  // namespace zk
