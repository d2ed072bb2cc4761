// Window positions in twips, colours of the settings file, and the proportional
// font scaling of the lap windows.
//
// The settings file keeps window positions and sizes in twips (1/1440 inch), so
// files written by earlier versions place windows sensibly: pixels are converted
// with the screen's logical DPI (15 twips per pixel at 96 DPI).
#pragma once

#include <QColor>
#include <QFont>
#include <QPointer>
#include <QSize>
#include <cstdint>
#include <vector>

#include "settings/Settings.h"

class QWidget;

namespace zk {

int TwipsToPx(int twips, double dpi);
// Clamped to the 16-bit range the settings file stores.
int16_t PxToTwips(int px, double dpi);
// Logical DPI of the screen the widget is on (96 when there is no screen).
double LogicalDpi(const QWidget* w);

// Places a window from stored twips. A size of 0 keeps `fallback`; a window that
// would lie outside every screen is centred on the primary screen instead.
void RestoreGeometry(QWidget* w, int16_t top, int16_t left, int16_t height, int16_t width, QSize fallback);
void RestorePosition(QWidget* w, int16_t top, int16_t left);
void StoreGeometry(const QWidget* w, int16_t& top, int16_t& left, int16_t& height, int16_t& width);
void StorePosition(const QWidget* w, int16_t& top, int16_t& left);
// The largest size of `w` whose frame (title bar and borders) fits the free area
// of its screen (without panels); before the window manager has framed it, a
// frame of 8 x 40 pixels is assumed.
QSize RoomOnScreen(const QWidget* w);
// Shrinks `w` to RoomOnScreen, never below what its layout needs.
void FitOnScreen(QWidget* w);

// Colour stored as 0x00BBGGRR (the lane record's `Farbe`).
QColor FromBgr(int32_t bgr);
QColor FromRgb(const Rgb& c);
// Text colour that stays readable on `bg` when the configured one would vanish.
QColor ReadableOn(const QColor& fg, const QColor& bg);

// Scales the fonts of registered widgets with the window: every widget keeps
// its design point size multiplied by the ratio of the window's current size to
// its design size.
class FontScaler {
public:
    void SetDesignSize(QSize s) { design_ = s; }
    QSize DesignSize() const { return design_; }
    void Add(QWidget* w, double pointSize);
    void Apply(QSize current);
    double Ratio() const { return ratio_; }

private:
    struct Entry {
        QPointer<QWidget> w;
        double pt;
    };
    QSize design_{800, 500};
    double ratio_ = 1.0;
    std::vector<Entry> entries_;
};

}  // namespace zk
