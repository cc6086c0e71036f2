#include "platform/ui/ui_qt.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "platform/ui/line_edit_accessible.h"
#include "platform/ui/translations.h"
#include "platform/ui/ui.h"

namespace lumo::ui {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

struct ButtonDef {
  const char* caption;
  Answer answer;
  QMessageBox::ButtonRole role;
};

std::vector<ButtonDef> buttonsOf(int buttons) {
  using R = QMessageBox::ButtonRole;
  switch (buttons) {
    case mb::OKCancel: return {{"OK", Answer::OK, R::AcceptRole}, {"Annulla", Answer::Cancel, R::RejectRole}};
    case mb::AbortRetryIgnore:
      return {{"Interrompi", Answer::Abort, R::RejectRole},
              {"Riprova", Answer::Retry, R::AcceptRole},
              {"Ignora", Answer::Ignore, R::AcceptRole}};
    case mb::YesNoCancel:
      return {
          {"Sì", Answer::Yes, R::YesRole}, {"No", Answer::No, R::NoRole}, {"Annulla", Answer::Cancel, R::RejectRole}};
    case mb::YesNo: return {{"Sì", Answer::Yes, R::YesRole}, {"No", Answer::No, R::NoRole}};
    case mb::RetryCancel:
      return {{"Riprova", Answer::Retry, R::AcceptRole}, {"Annulla", Answer::Cancel, R::RejectRole}};
    default: return {{"OK", Answer::OK, R::AcceptRole}};
  }
}

QMessageBox::Icon iconOf(int icon) {
  switch (icon) {
    case mb::Critical: return QMessageBox::Critical;
    case mb::Question: return QMessageBox::Question;
    case mb::Exclamation: return QMessageBox::Warning;
    case mb::Information: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

class QtBackend : public Backend {
 public:
  Answer messageBox(const MessageBoxRequest& request) override {
    QMessageBox box(iconOf(request.icon()), q(request.title), q(request.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    // The reader speaks the text from the box's label when the box opens;
    // no description, which it would speak a second time.
    box.setAccessibleName(q(request.title));
    const auto defs = buttonsOf(request.buttons());
    std::vector<QPushButton*> buttons;
    for (const auto& def : defs) buttons.push_back(box.addButton(QString::fromUtf8(def.caption), def.role));
    const size_t defaultIndex = (request.style & mb::DefaultButton2) && defs.size() > 1 ? 1 : 0;
    box.setDefaultButton(buttons[defaultIndex]);
    // Esc answers Cancel where there is one, else the only button.
    for (size_t i = 0; i < defs.size(); ++i)
      if (defs[i].answer == Answer::Cancel || defs.size() == 1) box.setEscapeButton(buttons[i]);
    box.exec();
    for (size_t i = 0; i < defs.size(); ++i)
      if (box.clickedButton() == buttons[i]) return defs[i].answer;
    return defaultAnswer(request.style);
  }

  std::string pickFolder(const FolderPickRequest& request) override {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), q(request.title), q(request.initialFolder))
        .toStdString();
  }

  std::string pickOpenFile(const FilePickRequest& request) override {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), q(request.title), q(request.initialFolder),
                                        qtNameFilters(request.filters))
        .toStdString();
  }
};

}  // namespace

QString qtNameFilters(const std::vector<std::pair<std::string, std::string>>& filters) {
  QStringList list;
  for (const auto& [description, patterns] : filters) {
    QString p = q(patterns);
    p.replace(';', ' ');
    const QString text = q(description).trimmed();
    const QString bracketed = " (" + p + ")";
    list << (text.endsWith(bracketed) ? text : text + bracketed);
  }
  return list.join(";;");
}

void installQtBackend() {
  installItalianQtTranslations();  // the dialogs' own texts in Italian
  installLineEditAccessibility();  // every field's value read whole
  setBackend(std::make_shared<QtBackend>());
}

}  // namespace lumo::ui
