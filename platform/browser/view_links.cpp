#include "platform/browser/view_links.h"

#include <QString>

namespace lumo::browser {
namespace {

// "lumo-link:", what every view href begins with.
QString viewLinkPrefix() {
  return QString::fromLatin1(kViewLinkScheme.data(), static_cast<qsizetype>(kViewLinkScheme.size())) + QLatin1Char(':');
}

}  // namespace

std::string viewLinkHref(int n) { return std::string(kViewLinkScheme) + ":" + std::to_string(n); }

QString viewHref(int n) { return viewLinkPrefix() + QString::number(n); }

int linkNumber(const QString& href) {
  const QString prefix = viewLinkPrefix();
  if (!href.startsWith(prefix)) return -1;
  bool ok = false;
  const int n = href.mid(prefix.size()).toInt(&ok);
  return ok ? n : -1;
}

}  // namespace lumo::browser
