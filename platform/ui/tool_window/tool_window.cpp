#include "platform/ui/tool_window/tool_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeView>
#include <filesystem>
#include <utility>
#include <vector>

#include "common/errors/errors.h"
#include "platform/shell/shell.h"
#include "platform/tools/book_sources.h"
#include "platform/tools/tools.h"
#include "platform/ui/drive_list.h"
#include "platform/ui/ui.h"

namespace lumo::ui {

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
}

}  // namespace lumo::ui
