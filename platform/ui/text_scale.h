#pragma once
// Window geometry that grows with the reader's text size.
//
// The suite's forms were laid out for text of kDesignPointSize points, the
// size Qt gives when the desktop names no font. A scale the desktop sets
// (QT_SCALE_FACTOR, Xft.dpi, the screen's scale) reaches Qt as the device
// pixel ratio and grows every length and font alike; a larger desktop font
// reaches it only as the application font. These helpers let fixed
// positions, sizes and fonts follow that font as well.

#include <QFont>
#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace lumo::ui {

inline constexpr double kDesignPointSize = 9.0;

// How many times larger than the design size the font's text is; 1 for
// the design size and anything smaller, so the design layout is a floor.
double textScale(const QFont& font);
// The same for the application's font, which carries the desktop's.
double textScale();

// A design length, position or rectangle in pixels, grown by the scale.
int scaled(int designPixels, double scale);
QSize scaled(QSize design, double scale);
QRect scaled(const QRect& design, double scale);

// The font of a size given for the design: designPoints points at the
// design text size, as much larger as base's text is. Family, weight and
// the rest come from base.
QFont designFont(QFont base, double designPoints);

// Resizes a top-level window to its design size grown with the
// application's text, so that the window with its frame and title bar fits
// the screen's available area.
void resizeForText(QWidget& window, QSize design);

// Resizes a top-level window to size, or less where the window with its
// frame and title bar would not fit the screen's available area.
void fitToScreen(QWidget& window, QSize size);

// The frame and title bar the window manager puts around a top-level
// window: the real ones once the window has them, before that an allowance
// of a title bar two lines of the window's text tall.
QMargins frameAllowance(const QWidget& window);

// The screen's area that windows may take (without panels and docks).
QRect availableArea(const QWidget& window);

}  // namespace lumo::ui
