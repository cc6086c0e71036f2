#pragma once
// Tool windows at a reader's large text size or scale: the check that a
// window opens inside the screen's free area with every text whole, and a
// picker or message box that is a window of its own while it is open.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QString>
#include <QStyle>
#include <QTreeView>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>

#include "platform/ui/ui.h"
#include "testsupport/text_size.h"

namespace lumo::testsupport {

// The application font at `points` points for the guard's life, as a
// desktop whose font is set to that size gives it.
class ScopedPointSize {
 public:
  explicit ScopedPointSize(double points) : saved_(QApplication::font()) {
    QFont large = saved_;
    large.setPointSizeF(points);
    QApplication::setFont(large);
  }
  ~ScopedPointSize() { QApplication::setFont(saved_); }
  ScopedPointSize(const ScopedPointSize&) = delete;
  ScopedPointSize& operator=(const ScopedPointSize&) = delete;

 private:
  QFont saved_;
};

// The reader's text size of a window test: 18 points, or the design's 9
// where the test runs at a scale (QT_SCALE_FACTOR), which grows the text
// itself.
inline double readerPointSize() { return qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR") ? 18.0 : 9.0; }

// Every text of the window's visible controls has the room it needs: labels
// their size hint (a wrapped label the height its width needs), buttons and
// check boxes their minimum, fields a line of text, table headers their
// captions; check boxes and option buttons have marks as tall as their
// text's capitals at least.
inline void expectTextsWhole(const QWidget& window) {
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&window) || w->window() != &window) continue;
    if (auto* label = qobject_cast<const QLabel*>(w)) {
      if (label->text().isEmpty()) continue;
      if (label->wordWrap()) {
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << nameOf(w) << " is cut off at the bottom";
        continue;
      }
      EXPECT_GE(label->width(), label->sizeHint().width()) << nameOf(w) << " is cut off at the side";
      EXPECT_GE(label->height(), label->sizeHint().height()) << nameOf(w) << " is cut off at the bottom";
    } else if (auto* tree = qobject_cast<const QTreeView*>(w)) {
      const QHeaderView* header = tree->header();
      for (int column = 0; column < header->count(); ++column)
        EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column))
            << nameOf(w) << "'s header " << column << " is cut off";
    } else if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w)) {
      expectShowsItsText(w);
    }
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w)) {
      const bool check = qobject_cast<const QCheckBox*>(w) != nullptr;
      const int mark =
          w->style()->pixelMetric(check ? QStyle::PM_IndicatorHeight : QStyle::PM_ExclusiveIndicatorHeight, nullptr, w);
      EXPECT_GE(mark, w->fontMetrics().capHeight()) << nameOf(w) << "'s mark is smaller than its text";
    }
  }
}

// The window, frame and title bar included, lies inside the screen's
// available area; where it holds a scrolling panel, the panel has at least
// the room its layout asks for (the rest scrolls) and every text is whole.
inline void expectFitsScreen(const QWidget& window) {
  SCOPED_TRACE(nameOf(&window));
  const QRect area = window.screen()->availableGeometry();
  EXPECT_TRUE(area.contains(window.frameGeometry()))
      << nameOf(&window) << " at " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " "
      << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " on " << area.width() << "x"
      << area.height();
  EXPECT_GE(window.geometry().top(), area.top()) << "the title bar is above the screen";
  for (const QScrollArea* scroll : window.findChildren<QScrollArea*>()) {
    if (const QWidget* panel = scroll->widget(); panel != nullptr && scroll->widgetResizable()) {
      EXPECT_GE(panel->width(), panel->minimumSizeHint().width()) << nameOf(panel) << " is squeezed";
      EXPECT_GE(panel->height(), panel->minimumSizeHint().height()) << nameOf(panel) << " is squeezed";
    }
  }
  expectTextsWhole(window);
}

// Saves a grab of the window as <LUMO_GRAB_DIR>/<name>.png when that
// variable names a folder, for a person to look at.
inline void saveGrab(QWidget& window, const QString& name) {
  const QString folder = qEnvironmentVariable("LUMO_GRAB_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  window.grab().save(folder + "/" + name + ".png");
}

// Message boxes and pickers that are a window of their own while they are
// open: the window takes the activation, then closes and leaves no window
// active, as a desktop's file dialog may. The answers come from the script.
class WindowedDialogs : public ui::ScriptedBackend {
 public:
  WindowedDialogs() { dialog_.setFocusPolicy(Qt::StrongFocus); }
  ui::Answer messageBox(const ui::MessageBoxRequest& request) override {
    openAndClose();
    return ScriptedBackend::messageBox(request);
  }
  std::string pickFolder(const ui::FolderPickRequest& request) override {
    openAndClose();
    return ScriptedBackend::pickFolder(request);
  }
  std::string pickOpenFile(const ui::FilePickRequest& request) override {
    openAndClose();
    return ScriptedBackend::pickOpenFile(request);
  }
  int opened = 0;

 private:
  void openAndClose() {
    ++opened;
    dialog_.show();
    QApplication::setActiveWindow(&dialog_);
    dialog_.setFocus();
    QApplication::processEvents();
    dialog_.hide();
    QApplication::setActiveWindow(nullptr);
    QApplication::processEvents();
  }
  QWidget dialog_;
};

}  // namespace lumo::testsupport
