#include "platform/ui/text_scale.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace lumo::ui {

double textScale(const QFont& font) {
  // Measured rather than read from the point size: a desktop may give its
  // font in pixels, and the line height is what the layouts must hold.
  QFont design = font;
  design.setPointSizeF(kDesignPointSize);
  const double designHeight = QFontMetricsF(design).height();
  if (designHeight <= 0) return 1.0;
  return std::max(1.0, QFontMetricsF(font).height() / designHeight);
}

double textScale() { return textScale(QApplication::font()); }

int scaled(int designPixels, double scale) {
  return static_cast<int>(std::lround(designPixels * std::max(1.0, scale)));
}

QSize scaled(QSize design, double scale) { return {scaled(design.width(), scale), scaled(design.height(), scale)}; }

// The corners are scaled, not the origin and size apart, so rectangles
// that touched in the design still touch.
QRect scaled(const QRect& design, double scale) {
  const int left = scaled(design.left(), scale), top = scaled(design.top(), scale);
  const int right = scaled(design.left() + design.width(), scale);
  const int bottom = scaled(design.top() + design.height(), scale);
  return {left, top, right - left, bottom - top};
}

QFont designFont(QFont base, double designPoints) {
  const double scale = textScale(base);
  base.setPointSizeF(designPoints * scale);
  return base;
}

void resizeForText(QWidget& window, QSize design) {
  QSize size = scaled(design, textScale(window.font()));
  const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) size = size.boundedTo(screen->availableGeometry().size());
  window.resize(size);
}

}  // namespace lumo::ui
