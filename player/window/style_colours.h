#pragma once
// The colours of the main window's panels (the configuration panel, the
// bookmark list and its file panel, the debug frame) and of the input box,
// which follow the reader's style sheet: in the plain style (1) the
// desktop's colours, in the high-contrast styles (2 and up) the colours of
// the sheet's page ("body"); in every style a selected row is drawn in the
// colours the sheet gives the focused link ("a:focus"), as the page's
// selected link is, and never below a contrast of 4.5:1.

#include <QColor>
#include <QPalette>
#include <QString>

class QWidget;

namespace lumo::player {

// WCAG 2 contrast ratio of two colours (1 to 21), from their relative
// luminance.
double contrastRatio(const QColor& a, const QColor& b);

// The palette of the panels for style sheet number style, read from the
// sheet file (a sheet that cannot be read gives the desktop's colours with
// a readable selection).
QPalette panelPalette(const QString& sheetFile, int style);

// What the high-contrast styles add to the desktop's drawing of the
// panels' controls (frames in the text's colour); "" for the plain style.
QString panelStyleSheet(const QPalette& palette, int style);

// The text boxes and check boxes of a panel or dialog take the style's
// rules after their own (the input box's "*" for a protected text); the
// panel itself keeps its palette, which a style sheet on it would override.
void styleControls(QWidget& root, const QString& rules);

}  // namespace lumo::player
