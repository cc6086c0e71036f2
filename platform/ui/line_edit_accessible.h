#pragma once
// What a screen reader is told of a line edit. Qt's own interface answers
// every question about text attributes with an empty run at the offset
// asked, and Orca speaks a field's value only up to the end of the runs it
// was given: "90" was read "9", "0" not at all. The interface here answers
// as Qt's does, except that a field's text is one run without attributes.

class QAccessibleInterface;
class QObject;
class QString;

namespace lumo::ui {

// Gives every line edit not yet asked about that interface; installQtBackend
// calls it, and calling it again changes nothing.
void installLineEditAccessibility();

// The factory installed: the interface for a QLineEdit, none for any other
// class or for the line edit of a spin box (which speaks for it, as with Qt's).
QAccessibleInterface* lineEditAccessible(const QString& className, QObject* object);

}  // namespace lumo::ui
