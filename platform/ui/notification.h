#pragma once
// Short messages that a window shows over its content (a confirmation, a
// state) reach a screen reader as notifications: the panel that shows them
// has the accessible role of a notification, its accessible name is the
// message, and each message raises the event that AT-SPI readers (Orca)
// speak for a notification that appears. The keyboard focus stays where
// it was.

class QString;
class QWidget;

namespace lumo::ui {

// Makes region a notification for screen readers; call it once, when the
// widget is created.
void makeNotification(QWidget* region);

// Shows text in a notification region: the region becomes visible (raised
// over its siblings) and its accessible name becomes text; a screen reader
// hears the message once, also when the region was already showing an
// earlier one. A region in a hidden window is announced when the window
// appears.
void announce(QWidget* region, const QString& text);

// A screen reader asks the program about every accessible event it is sent
// and gets its answers only while events are handled, which a long job does
// seldom. Around opening a job's progress window the program waits in its
// event loop for a moment, answering at once, so that the reader has taken
// the events that came before (controls locked) when the window's
// announcement comes, and is not behind when it does: a reader far behind
// drops announcements. Without a screen reader there is no wait.
void answerScreenReader(int milliseconds);

}  // namespace lumo::ui
