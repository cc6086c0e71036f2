#pragma once
// What the media host's tests share: the scripted dialogs installed for a test,
// and the reports they recorded.

#include <QString>
#include <QStringList>
#include <memory>

#include "platform/ui/ui.h"
#include "player/media_host/mdlMain.h"

namespace lumo::player::testing {

// Installs scripted dialogs for the life of the object.
class ScriptedDialogs {
 public:
  ScriptedDialogs() : backend_(std::make_shared<ui::ScriptedBackend>()) { previous_ = ui::setBackend(backend_); }
  ~ScriptedDialogs() { ui::setBackend(previous_); }
  ScriptedDialogs(const ScriptedDialogs&) = delete;
  ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

  ui::ScriptedBackend& backend() { return *backend_; }

  // The procedure labels of the error reports shown so far.
  QStringList reportedLabels() const {
    QStringList labels;
    for (const auto& shown : backend_->shown()) {
      const QString text = QString::fromStdString(shown.text);
      const qsizetype at = text.lastIndexOf(QStringLiteral("\r\nPrg: "));
      if (shown.title == kErrorTitle && at >= 0) labels << text.mid(at + 7);
    }
    return labels;
  }
  void clear() { backend_->clear(); }

 private:
  std::shared_ptr<ui::ScriptedBackend> backend_;
  std::shared_ptr<ui::Backend> previous_;
};

}  // namespace lumo::player::testing
