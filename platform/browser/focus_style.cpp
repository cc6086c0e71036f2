#include "platform/browser/focus_style.h"

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QStyleOption>
#include <QTextBrowser>
#include <QTextCharFormat>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/browser/htmldocument.h"
#include "platform/browser/urls.h"

namespace lumo::browser {
namespace {

std::optional<QColor> colourOf(const QString& value) {
  for (const QString& token : value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
    const QColor c = QColor::fromString(token.trimmed());
    if (c.isValid()) return c;
  }
  return std::nullopt;
}

bool namesSelector(const QString& selectors, const QString& selector) {
  for (const QString& s : selectors.split(QLatin1Char(','))) {
    if (s.simplified().compare(selector, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

// The view draws the link that Tab moved to with the style's focus
// indicator format (a thin dotted outline in the text colour by default):
// this style gives it the rule's colours.
class FocusIndicatorStyle : public QProxyStyle {
 public:
  FocusColours colours;

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    const int result = QProxyStyle::styleHint(hint, option, widget, returnData);
    if (hint != SH_TextControl_FocusIndicatorTextCharFormat) return result;
    auto* variant = qstyleoption_cast<QStyleHintReturnVariant*>(returnData);
    if (variant == nullptr) return result;
    QTextCharFormat format = qvariant_cast<QTextFormat>(variant->variant).toCharFormat();
    if (colours.background) format.setBackground(*colours.background);
    if (colours.color) format.setForeground(*colours.color);
    variant->variant = QVariant::fromValue<QTextFormat>(format);
    return 1;
  }
};

void merge(FocusColours& into, const FocusColours& later) {
  if (later.color) into.color = later.color;
  if (later.background) into.background = later.background;
}

}  // namespace

FocusColours focusRule(std::string_view css) { return ruleColours(css, "a:focus"); }

FocusColours ruleColours(std::string_view css, std::string_view selector) {
  const QString wanted = QString::fromUtf8(selector.data(), static_cast<qsizetype>(selector.size())).simplified();
  QString text = QString::fromUtf8(css.data(), static_cast<qsizetype>(css.size()));
  static const QRegularExpression comment(QStringLiteral("/\\*.*?\\*/"),
                                          QRegularExpression::DotMatchesEverythingOption);
  text.remove(comment);
  FocusColours colours;
  static const QRegularExpression rule(QStringLiteral("([^{}]*)\\{([^}]*)\\}"));
  for (auto it = rule.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (!namesSelector(m.captured(1), wanted)) continue;
    for (const QString& declaration : m.captured(2).split(QLatin1Char(';'))) {
      const qsizetype colon = declaration.indexOf(QLatin1Char(':'));
      if (colon < 0) continue;
      const QString property = declaration.left(colon).trimmed().toLower();
      const QString value = declaration.mid(colon + 1).remove(QStringLiteral("!important"));
      if (property == QLatin1String("color")) {
        if (auto c = colourOf(value)) colours.color = c;
      } else if (property == QLatin1String("background-color") || property == QLatin1String("background")) {
        if (auto c = colourOf(value)) colours.background = c;
      }
    }
  }
  return colours;
}

FocusColours focusRuleOf(const HtmlDocument& document) {
  FocusColours colours;
  for (const StyleSheet& sheet : document.styleSheets()) {
    std::string css = sheet.cssText;
    if (sheet.href.empty() || url::scheme(sheet.href) != "file") {
      merge(colours, focusRule(css));
      continue;
    }
    if (auto path = url::findPathIgnoringCase(url::filePath(sheet.href))) {
      skipOnError([&] { css = decodeTextBytes(text::readFileBytes(*path)); });
    }
    merge(colours, focusRule(css));
  }
  return colours;
}

void applyFocusRule(QTextBrowser& view, const HtmlDocument& document) {
  const FocusColours focus = focusRuleOf(document);
  auto* style = view.findChild<FocusIndicatorStyle*>(QString(), Qt::FindDirectChildrenOnly);
  if (style == nullptr) {
    style = new FocusIndicatorStyle;
    style->setParent(&view);
    view.setStyle(style);
  }
  style->colours = focus;
  // A link selected by the program (not by Tab) is drawn as a selection.
  QPalette palette = QApplication::palette(&view);
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    if (focus.background) palette.setColor(group, QPalette::Highlight, *focus.background);
    if (focus.color) palette.setColor(group, QPalette::HighlightedText, *focus.color);
  }
  view.setPalette(palette);
  view.viewport()->update();
}

}  // namespace lumo::browser
