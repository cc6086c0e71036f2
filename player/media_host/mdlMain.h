#pragma once
// The player's error reporter and unit helpers, and the error-trap
// convention every procedure of the player follows: a procedure runs its
// body through Trap(); a run-time error is reported once, by that procedure,
// through ShowError with the procedure's label, and the procedure returns
// normally with what it had assigned to its result so far.

#include <QRect>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>

#include "common/errors/errors.h"

namespace lumo::player {

// The pending error (VB's Err object): the error the last trap caught.
struct ErrObject {
  int Number = 0;
  QString Description;
  void Clear() {
    Number = 0;
    Description.clear();
  }
};
ErrObject& Err();

// Fills Err from a caught exception: a RuntimeError gives its own number and
// description; any other exception is an invalid call (5) with its text.
void SetErrFrom(const std::exception& error);
void SetErrFrom(std::exception_ptr error);

// Shows the error dialog frmErrore modally with the failed procedure's label
// and Message, or, when Message is empty, the pending error's description,
// CR LF, "Codice: " and its number. Returns when the reader has closed it.
// With the scripted dialogs of the tests the report goes through MsgBox
// instead (see ErrorReportText).
void ShowError(const QString& Label, const QString& Message);

// The message that ShowError puts in the dialog for Message.
QString ErrorMessageText(const QString& Message);
// The text of a report as the scripted dialogs record it: the dialog's
// heading, message and procedure line, joined by CR LF.
QString ErrorReportText(const QString& Label, const QString& ErrorText);
// The title of every report.
inline const char* const kErrorTitle = "LUMO Player - Segnalazioni";

// Runs body; a run-time error (or any other exception) is caught, kept in
// Err and reported with ShowError(label, ""). Returns true when body ran
// without error. Never lets an exception out.
bool Trap(const QString& label, const std::function<void()>& body) noexcept;
// The same with a label built at the time of the failure (a procedure that
// names the step it reached).
bool Trap(const std::function<QString()>& label, const std::function<void()>& body) noexcept;

// Lets the platform deliver the events that are waiting (VB's DoEvents).
void DoEvents();

// Twips: 15 to a pixel on this platform.
inline constexpr int kTwipsPerPixel = 15;
// Pixels times the screen's twips per pixel, rounded (halves to even); run-
// time error 6 when the result does not fit in 32 bits.
int32_t PixelsToTwipsX(int32_t Pixels);
int32_t PixelsToTwipsY(int32_t Pixels);
// Twips to whole pixels, rounded (for placing windows given in twips).
int TwipsToPixels(int twips);
// A rectangle given in twips (left, top, width, height) in pixels; each edge
// is rounded on its own, so rectangles that share an edge in twips share it
// in pixels.
QRect TwipsRect(int left, int top, int width, int height);

}  // namespace lumo::player
