#pragma once
// Windows at the reader's large text size: the application font a desktop
// with a larger font gives, and the check that a window's controls still
// fit in it.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

namespace lumo::testsupport {

// The application font made `factor` times larger for the guard's life,
// as a desktop whose text size is set to factor x 100 % gives it; widgets
// made meanwhile take it.
class ScopedTextSize {
 public:
  explicit ScopedTextSize(double factor) : saved_(QApplication::font()) {
    QFont large = saved_;
    large.setPointSizeF(saved_.pointSizeF() * factor);
    QApplication::setFont(large);
  }
  ~ScopedTextSize() { QApplication::setFont(saved_); }
  ScopedTextSize(const ScopedTextSize&) = delete;
  ScopedTextSize& operator=(const ScopedTextSize&) = delete;

 private:
  QFont saved_;
};

inline std::string nameOf(const QWidget* w) {
  const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
  return name.toStdString();
}

// A control shows its text whole when it has at least the room its text
// needs (buttons, check boxes, labels with text, combo boxes: their size
// hint; a line edit: the height of its text).
inline void expectShowsItsText(const QWidget* w) {
  QSize needed;
  if (auto* label = qobject_cast<const QLabel*>(w)) {
    if (label->text().isEmpty() || label->wordWrap()) return;
    needed = label->minimumSizeHint();
  } else if (qobject_cast<const QAbstractButton*>(w)) {
    needed = w->minimumSizeHint();
  } else if (qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w)) {
    // Long entries scroll or are elided; the text's height must fit.
    needed = QSize(0, w->fontMetrics().height());
  } else {
    return;
  }
  EXPECT_GE(w->width(), needed.width()) << nameOf(w) << " is cut off at the side";
  EXPECT_GE(w->height(), needed.height()) << nameOf(w) << " is cut off at the top or bottom";
}

// Two controls overlap when they share more than a hairline: frames laid
// out in twips may touch by a pixel, which hides nothing.
inline bool overlap(const QRect& a, const QRect& b) {
  const QRect common = a.intersected(b);
  return common.width() > 2 && common.height() > 2;
}

// The visible controls directly inside `panel` lie inside it, do not
// overlap one another and show their texts whole.
inline void expectControlsFit(const QWidget& panel) {
  SCOPED_TRACE(nameOf(&panel));
  std::vector<const QWidget*> shown;
  for (const QWidget* child : panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->isVisibleTo(&panel) && !child->isWindow()) shown.push_back(child);
  EXPECT_FALSE(shown.empty()) << "no control shown";
  const QRect inside = panel.rect();
  for (size_t i = 0; i < shown.size(); ++i) {
    const QRect g = shown[i]->geometry();
    EXPECT_TRUE(inside.contains(g)) << nameOf(shown[i]) << " lies outside the panel";
    expectShowsItsText(shown[i]);
    for (size_t j = i + 1; j < shown.size(); ++j)
      EXPECT_FALSE(overlap(g, shown[j]->geometry())) << nameOf(shown[i]) << " overlaps " << nameOf(shown[j]);
  }
}

}  // namespace lumo::testsupport
