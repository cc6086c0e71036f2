#include "player/window/style_colours.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/browser/focus_style.h"
#include "platform/browser/htmldocument.h"
#include "platform/shell/shell.h"

namespace lumo::player {

namespace {

// The least contrast of a selected row's text against its background.
constexpr double kReadableContrast = 4.5;

double channel(double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double luminance(const QColor& c) {
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

constexpr QPalette::ColorGroup kGroups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};

void setAll(QPalette& palette, QPalette::ColorRole role, const QColor& colour) {
  for (const auto group : kGroups) palette.setColor(group, role, colour);
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette panelPalette(const QString& sheetFile, int style) {
  std::string css;
  skipOnError([&] { css = browser::decodeTextBytes(text::readFileBytes(sheetFile.toStdString())); });
  const browser::FocusColours page = browser::ruleColours(css, "body");
  const browser::FocusColours focus = browser::ruleColours(css, "a:focus");

  QPalette palette = QApplication::palette();
  const bool highContrast = style >= 2 && page.color && page.background;
  if (highContrast) {
    for (const auto role :
         {QPalette::Window, QPalette::Base, QPalette::AlternateBase, QPalette::Button, QPalette::ToolTipBase})
      setAll(palette, role, *page.background);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText,
                            QPalette::BrightText, QPalette::PlaceholderText})
      setAll(palette, role, *page.color);
    // The frames and bevels of the controls in the text's colour.
    for (const auto role : {QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow})
      setAll(palette, role, *page.color);
  }
  // The selected row: the focused link's colours; where the sheet gives
  // none that read, the page's colours the other way round, or white on
  // the plain sheet's dark blue.
  std::optional<std::pair<QColor, QColor>> selection;
  if (focus.color && focus.background && contrastRatio(*focus.color, *focus.background) >= kReadableContrast)
    selection.emplace(*focus.color, *focus.background);
  else if (highContrast && contrastRatio(*page.color, *page.background) >= kReadableContrast)
    selection.emplace(*page.background, *page.color);
  else
    selection.emplace(QColor(0xFF, 0xFF, 0xFF), QColor(0x00, 0x33, 0xAA));
  setAll(palette, QPalette::HighlightedText, selection->first);
  setAll(palette, QPalette::Highlight, selection->second);
  return palette;
}

QString panelStyleSheet(const QPalette& palette, int style) {
  if (style < 2) return {};
  // The desktop's style draws the frames of text boxes and check boxes a
  // shade off the face, which vanishes on a dark one: they are drawn in
  // the text's colour, the check box as large as a capital letter.
  const QString text = palette.color(QPalette::Text).name(), face = palette.color(QPalette::Base).name();
  const int box = std::max(13, QFontMetrics(QApplication::font()).height() * 3 / 4);
  return QStringLiteral(
             "QLineEdit { border: 1px solid %1; background: %2; color: %1; }"
             "QLineEdit:focus { border: 2px solid %1; }"
             "QCheckBox { color: %1; }"
             "QCheckBox::indicator { width: %3px; height: %3px; border: 2px solid %1; background: %2; }"
             "QCheckBox::indicator:checked { background: %1; }")
      .arg(text, face, QString::number(box));
}

namespace {

// Where a control keeps the style sheet of its own, to which the style's
// rules are added each time anew.
constexpr const char* kOwnSheet = "lumoOwnStyleSheet";

}  // namespace

void styleControls(QWidget& root, const QString& rules) {
  QList<QWidget*> controls;
  for (QLineEdit* edit : root.findChildren<QLineEdit*>()) controls << edit;
  for (QCheckBox* box : root.findChildren<QCheckBox*>()) controls << box;
  for (QWidget* control : controls) {
    if (!control->property(kOwnSheet).isValid()) control->setProperty(kOwnSheet, control->styleSheet());
    control->setStyleSheet(control->property(kOwnSheet).toString() + rules);
  }
}

}  // namespace lumo::player
