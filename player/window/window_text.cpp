#include "player/window/window_text.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/bookpage/bookpage.h"
#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"
#include "player/core/pages.h"
#include "player/core/rules.h"

namespace lumo::player {

namespace url = lumo::browser::url;

QString replaceAll(QString text, const QString& what, const QString& with) {
  if (what.isEmpty()) return text;
  return text.replace(what, with, Qt::CaseSensitive);
}

QString SectionText(const QString& url, const QString& programFolder, const std::vector<std::string>& mountRoots) {
  return QString::fromStdString(core::SectionText(url.toStdString(), programFolder.toStdString(), mountRoots));
}

bool isSummaryPage(const QString& url) { return core::isSummaryPage(url.toStdString()); }

QString localFileOf(const QString& address) {
  const std::string a = address.toStdString();
  if (url::scheme(a) == "file") return QString::fromStdString(url::filePath(a));
  QString s = address;
  const qsizetype cut = s.indexOf(QRegularExpression(QStringLiteral("[?#]")));
  if (cut >= 0) s.truncate(cut);
  return replaceAll(s, QStringLiteral("%20"), QStringLiteral(" "));
}

QString localFolderOf(const QString& address) {
  QString path = replaceAll(localFileOf(address), QStringLiteral("\\"), QStringLiteral("/"));
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? QString() : path.left(slash + 1);
}

QString pageFolderAddress(const QString& address) {
  return QString::fromStdString(core::pageFolderAddress(address.toStdString()));
}

QString positionAfterKeyword(const QString& text) {
  return QString::fromStdString(bookpage::positionText(text.toStdString()));
}

QLocale regionalLocale() {
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale;
}

QString singleText(float value) { return regionalLocale().toString(double(value), 'g', 7); }

QString doubleText(double value) { return regionalLocale().toString(value, 'g', 15); }

double regionalNumber(const QString& text) {
  bool ok = false;
  const double value = QLocale::system().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(value)) throw RuntimeError(err::TypeMismatch);
  return value;
}

float singleNumber(const QString& text) {
  const double value = regionalNumber(text);
  if (std::fabs(value) > double(std::numeric_limits<float>::max())) {
    throw RuntimeError(err::Overflow);
  }
  return static_cast<float>(value);
}

int16_t wholeNumber(const QString& text) { return lumo::text::toInt16(regionalNumber(text)); }

bool flagOf(const QString& text) {
  const QString t = text.trimmed();
  if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) return true;
  if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) return false;
  return regionalNumber(t) != 0;
}

QString flagText(bool flag) { return flag ? QStringLiteral("True") : QStringLiteral("False"); }

QString strtempo(int32_t seconds) { return QString::fromStdString(core::strtempo(seconds)); }

QString escapeHtml(const QString& text) { return text.toHtmlEscaped(); }

}  // namespace lumo::player
