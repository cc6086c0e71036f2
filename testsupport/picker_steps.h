#pragma once
// The pickers of a tool window worked by the keyboard: Enter on each picker
// button opens its picker (a window of its own, WindowedDialogs), the
// window is active again afterwards with the focus on the button, and what
// was chosen is heard once from the window's notice line.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QPushButton>
#include <QString>
#include <QTest>
#include <QWidget>
#include <initializer_list>
#include <string>

#include "testsupport/accessible_events.h"
#include "testsupport/window_fit.h"

namespace lumo::testsupport {

struct PickerStep {
  QPushButton* button;
  std::string answer;  // what the picker gives back; "" cancels it
  QString heard;       // what the notice says; "" when nothing is chosen
};

inline void expectPickersWorkByEnter(QWidget& window, const QWidget* notice, WindowedDialogs& dialogs,
                                     ui::testing::AccessibleEventLog& log, std::initializer_list<PickerStep> steps) {
  for (const PickerStep& step : steps) {
    SCOPED_TRACE(step.answer);
    dialogs.queuePath(step.answer);
    step.button->setFocus();
    const int before = dialogs.opened;
    log.clear();
    QTest::keyClick(step.button, Qt::Key_Return);
    EXPECT_GT(dialogs.opened, before) << "Enter pressed the button";
    EXPECT_TRUE(window.isActiveWindow());
    EXPECT_TRUE(step.button->hasFocus());
    const auto heard = log.of(QAccessible::ObjectShow, notice);
    if (step.heard.isEmpty()) {
      EXPECT_TRUE(heard.empty());
    } else {
      ASSERT_EQ(heard.size(), 1u);
      EXPECT_EQ(heard[0].role, QAccessible::Notification);
      EXPECT_EQ(heard[0].name, step.heard);
    }
  }
}

}  // namespace lumo::testsupport
