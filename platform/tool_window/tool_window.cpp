#include "platform/tool_window/tool_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyleFactory>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "common/errors/errors.h"
#include "platform/shell/shell.h"
#include "platform/tools/book_sources.h"
#include "platform/tools/tools.h"
#include "platform/ui/drive_list.h"
#include "platform/ui/notification.h"
#include "platform/ui/text_scale.h"
#include "platform/ui/ui.h"

namespace lumo::ui {
namespace {

// A push button that is no dialog's takes Space only; Enter, which it
// ignores, goes on to its window, where this filter presses the button
// that has the focus. A dialog's buttons take Enter themselves and never
// let it reach here.
class EnterPressesButtons : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (key->isAutoRepeat() || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
    if (button == nullptr || button->window() != watched || !button->isEnabled() || !button->isVisible()) return false;
    button->click();
    return true;
  }
};

// Check boxes and option buttons whose marks grow with their text; the
// style draws them at its own size for the design text size.
class TextSizedIndicators : public QProxyStyle {
 public:
  // Over the application's own style, whichever it is.
  TextSizedIndicators() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight:
      case PM_CheckBoxLabelSpacing:
      case PM_RadioButtonLabelSpacing: return widget != nullptr ? scaled(size, textScale(widget->font())) : size;
      default: return size;
    }
  }
};

QStyle* indicatorStyle() {
  static QPointer<QStyle> style;
  if (style.isNull()) {
    style = new TextSizedIndicators;
    style->setParent(qApp);
  }
  return style;
}

// The window that a dialog opening now belongs to: the active one, or the
// window of the control with the keyboard focus.
QWidget* dialogOwner() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  if (QWidget* focus = QApplication::focusWidget()) return focus->window();
  return nullptr;
}

void watchDialogs() {
  static bool watching = false;
  if (watching) return;
  watching = true;
  setDialogWatch([]() -> std::function<void()> {
    QPointer<QWidget> owner = dialogOwner();
    return [owner] { takeActivationBack(owner); };
  });
}

}  // namespace

void setUpToolWindow(QWidget* window) {
  window->installEventFilter(new EnterPressesButtons(window));
  watchDialogs();
  for (QAbstractButton* mark : window->findChildren<QAbstractButton*>())
    if (qobject_cast<QCheckBox*>(mark) != nullptr || qobject_cast<QRadioButton*>(mark) != nullptr)
      mark->setStyle(indicatorStyle());
}

// A dialog or picker was the active window. When it closes, the window
// manager may leave the keyboard focus on the window that opened it without
// Qt taking that window as active again; a screen reader then ignores the
// window, although its keys still reach it.
void takeActivationBack(QWidget* window) {
  if (window == nullptr || !window->isVisible()) return;
  window->raise();
  window->activateWindow();
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
  if (!window->isActiveWindow()) QApplication::setActiveWindow(window);
#endif
}

QWidget* makeScrollingPanel(QMainWindow* window, const char* panelName) {
  auto* area = new QScrollArea(window);
  area->setObjectName(QStringLiteral("scroll"));
  area->setFrameShape(QFrame::NoFrame);
  area->setWidgetResizable(true);
  auto* panel = new QWidget(area);
  panel->setObjectName(panelName);
  area->setWidget(panel);
  window->setCentralWidget(area);
  return panel;
}

QLabel* makeNotice(QMainWindow* window) {
  auto* notice = new QLabel(window->statusBar());
  notice->setObjectName(QStringLiteral("notice"));
  notice->setWordWrap(true);
  notice->setTextFormat(Qt::PlainText);
  makeNotification(notice);
  window->statusBar()->addWidget(notice, 1);
  notice->hide();
  return notice;
}

void announce(QLabel* notice, const QString& text) {
  notice->setText(text);
  ui::announce(static_cast<QWidget*>(notice), text);
}

QString choiceText(const QLabel* caption, const QString& path) { return caption->text() + ' ' + path; }

void showDiscCount(QLabel* label, QComboBox* list, const QString& text, ScanLabel kind) {
  setSpokenText(label, text);
  // A reader does not repeat a description that is the list's label.
  if (kind == ScanLabel::CaptionOfList) label->setBuddy(list);
  list->setAccessibleDescription(text);
}

std::string errorText(const ErrorFormat& format, std::optional<int> number, std::string_view text) {
  std::string prefix = number ? format.numbered : format.other;
  if (number) {
    const size_t mark = prefix.find('#');
    if (mark != std::string::npos) prefix.replace(mark, 1, std::to_string(*number));
  }
  return prefix.append(text);
}

void reportFailure(const ErrorFormat& format, const std::exception& failure) {
  const auto* error = dynamic_cast<const RuntimeError*>(&failure);
  const std::string text = error ? errorText(format, error->number(), error->description())
                                 : errorText(format, std::nullopt, failure.what());
  MsgBox(text, mb::Critical);
}

QLabel* makeLabel(QWidget* owner, const char* name, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), owner);
  label->setObjectName(name);
  label->setAccessibleName(label->text());
  return label;
}

QPushButton* makeButton(QWidget* owner, const char* name, const char* caption, const char* tip) {
  auto* button = new QPushButton(QString::fromUtf8(caption), owner);
  button->setObjectName(name);
  if (tip) button->setToolTip(QString::fromUtf8(tip));
  button->setAccessibleName(QString::fromUtf8(caption).remove('&'));
  return button;
}

QLineEdit* makeField(QWidget* owner, const char* name, QLabel* caption, const char* tip) {
  auto* box = new QLineEdit(owner);
  box->setObjectName(name);
  if (tip) box->setToolTip(QString::fromUtf8(tip));
  box->setAccessibleName(caption->text());
  caption->setBuddy(box);
  return box;
}

QCheckBox* makeCheck(QWidget* owner, const char* name, const char* caption, bool checked) {
  auto* check = new QCheckBox(QString::fromUtf8(caption), owner);
  check->setObjectName(name);
  check->setChecked(checked);
  // Some captions end in a blank before the field that follows them.
  check->setAccessibleName(check->text().trimmed());
  return check;
}

QTreeView* makeTableView(QWidget* owner, const char* name, const char* accessibleName) {
  auto* view = new QTreeView(owner);
  view->setObjectName(name);
  view->setAccessibleName(QString::fromUtf8(accessibleName));
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  return view;
}

void fitColumnsToHeaders(QTreeView* view) {
  QHeaderView* header = view->header();
  for (int column = 0; column < header->count(); ++column)
    header->resizeSection(column, std::max(header->sectionSize(column), header->sectionSizeHint(column)));
}

QMenu* makeMenu(QMenuBar* bar, const char* name, const char* caption) {
  QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
  menu->setObjectName(name);
  return menu;
}

QAction* makeAction(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(name);
  return action;
}

void setSpokenText(QLabel* label, const QString& text) {
  label->setText(text);
  label->setAccessibleName(label->text());
}

int listLibraryDiscs(QComboBox* list, const QString& lastEntry) {
  std::vector<std::pair<QString, QString>> discs;
  for (const tools::LibraryDisc& disc : tools::libraryDiscs())
    discs.emplace_back(q(disc.root + " " + disc.title), q(disc.root));
  return fillDriveList(list, discs, lastEntry);
}

void openFolderIfPresent(const std::string& folder) {
  std::error_code ec;
  if (!folder.empty() && std::filesystem::is_directory(shell::resolvePath(folder), ec)) tools::OpenWithShell(folder);
}

void EventPump::yield() {
  if (sinceLast_.elapsed() < 20) return;
  sinceLast_.restart();
  QApplication::processEvents();
  // A screen reader asks about each event it is sent, one question at a
  // time, and a question handled only at the next turn waits for it: dozens
  // of controls locked at a job's start would be spoken seconds late, and
  // what comes after them too. With a reader, each turn stays a moment in
  // the event loop, where its questions are answered as they come.
  answerScreenReader(15);
}

}  // namespace lumo::ui
