#include "platform/ui/text_scale.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QScreen>
#include <QWidget>
#include <QWindow>
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

QMargins frameAllowance(const QWidget& window) {
  if (const QWindow* handle = window.windowHandle(); handle != nullptr && window.isVisible()) {
    const QMargins real = handle->frameMargins();
    if (!real.isNull()) return real;
  }
  const int line = window.fontMetrics().height();
  const int border = std::max(1, line / 4);
  return {border, 2 * line, border, border};
}

QRect availableArea(const QWidget& window) {
  const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

void fitToScreen(QWidget& window, QSize size) {
  const QRect area = availableArea(window);
  if (area.isValid()) size = size.boundedTo(area.size().shrunkBy(frameAllowance(window)));
  window.resize(size);
}

void resizeForText(QWidget& window, QSize design) { fitToScreen(window, scaled(design, textScale(window.font()))); }

}  // namespace lumo::ui
