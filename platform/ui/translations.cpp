#include "platform/ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lumo::ui {

bool installItalianQtTranslations() {
  static const bool loaded = [] {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::Italian, QLocale::Italy), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
      delete translator;
      return false;
    }
    return QCoreApplication::installTranslator(translator);
  }();
  return loaded;
}

}  // namespace lumo::ui
