#pragma once
// The text rules of the player's main window that need no window: page
// section names, the file behind an address, positions in addresses, media
// names, and the numbers and flags the player stores as text.

#include <QLocale>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace lumo::player {

// Every occurrence of what replaced by with (VB's Replace).
QString replaceAll(QString text, const QString& what, const QString& with);

// The page section text of an address (core::SectionText).
QString SectionText(const QString& url, const QString& programFolder, const std::vector<std::string>& mountRoots);

// The summary page (core::isSummaryPage).
bool isSummaryPage(const QString& url);

// The local file that a page address names (query and fragment dropped,
// escapes decoded); the address itself, cut before its "?" or "#", when it
// is no file address.
QString localFileOf(const QString& address);

// The local folder of a page address, ending with "/"; "" when the address
// names no folder.
QString localFolderOf(const QString& address);

// The address of the folder a page lies in (core::pageFolderAddress).
QString pageFolderAddress(const QString& address);

// The position text after the page protocol's position keyword and the one
// character that follows it ("="), to the end; "" when there is none.
QString positionAfterKeyword(const QString& text);

// The locale of the numbers the player stores as text: the user's regional
// format (LC_NUMERIC, LANG), without group separators.
QLocale regionalLocale();
// A number as decimal text in the regional format: a single-precision
// value with up to 7 significant digits, a double with up to 15.
QString singleText(float value);
QString doubleText(double value);
// A number read from text in the regional format (blanks around allowed);
// run-time error 13 when the text is no number.
double regionalNumber(const QString& text);
// VB's CSng of a text: the regional number as single precision; error 13
// when it is no number, 6 when it lies beyond the single-precision range.
float singleNumber(const QString& text);
// VB's CInt of a text: the regional number rounded halves to even; error
// 13 when it is no number, 6 when it does not fit in 16 bits.
int16_t wholeNumber(const QString& text);
// VB's CBool of a text: "True"/"False" (any case) or a number (not 0 is
// true); error 13 otherwise.
bool flagOf(const QString& text);
// A flag as the player stores it: "True" or "False".
QString flagText(bool flag);

// "MM:SS" of whole seconds within the hour: hours are not shown (3725 s
// give "02:05").
QString strtempo(int32_t seconds);

// The HTML text with &, <, > and " escaped.
QString escapeHtml(const QString& text);

}  // namespace lumo::player
