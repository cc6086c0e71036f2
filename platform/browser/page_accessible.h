#pragma once
// What a screen reader is told about the page view: the view holds the
// page shown as an accessible document named by the page's title, with the
// page's text, and each link of the page is an accessible child of that
// document: a link is named by its text and described by its title (no
// description when it has none, as browsers do); its address is its value,
// so a reader can ask for it without hearing it on every move. Moving to
// a link with Tab or Shift+Tab moves the accessible focus to that link, so
// the reader speaks it; a page that has loaded is a new document, which
// takes the accessible focus, so the reader speaks its title.
//
// A link whose text is only a number (a page number in an index table) is
// named with the heading of its table row before it ("Capitolo primo, 1"),
// since the number alone tells the listener nothing.

#include <QObject>
#include <QString>
#include <vector>

#include <QAccessible>

class QTextBrowser;

namespace lumo::browser {

class WebBrowser;

class PageAccessibility : public QObject {
  Q_OBJECT
 public:
  // One link of the page as a screen reader hears it.
  struct Link {
    int number = -1;  // the link's number in WebBrowser's link list
    int start = 0;    // its text in the view's document
    int end = 0;
    QString name;
    QString title;  // the link's title attribute, trimmed
    QString address;
  };

  explicit PageAccessibility(WebBrowser* browser, QTextBrowser* view);
  ~PageAccessibility() override;

  // The view shows a new rendering of the page (a new page or a change of
  // the page shown).
  void rendered();
  // A new page is on its way: its own set-up (the focus the page's handlers
  // give a link) is not a move of the reader's.
  void pageLoading();
  // The new page is complete and set up: the reader hears its title, or
  // the link its set-up presented.
  void pageLoaded();
  // The link of this number in WebBrowser's link list, which the view's
  // selection is on, takes the accessible focus: announced at once when
  // the view has the keyboard focus and no page is loading, at the end of
  // the load of a page that is loading, else when the view next takes the
  // keyboard focus.
  void presentLink(int number);

  const std::vector<Link>& links() const { return links_; }
  // The link that has the accessible focus, by its index in links(); -1
  // when the view itself has it.
  int focusedLink() const { return focused_; }
  // The index in links() of the link the view's selection is on, or -1.
  int selectedLink() const;

  QTextBrowser* view() const { return view_; }
  // The accessible document of the page shown (a new one for every page),
  // the view's one child; and the accessible child of the document for a
  // link.
  QAccessibleInterface* pageInterface();
  QAccessibleInterface* linkInterface(int index);

 protected:
  // Tab and Shift+Tab in the view: the view moves its selection to the
  // next or previous link without a signal, so the move is followed here.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void selectionMoved();
  // The view drops the link's selection when it loses the focus to another
  // control; the reader who comes back finds the link where he left it.
  void remember();
  void returnToLink();
  void announce(QAccessibleInterface* target);  // gives it the accessible focus
  int indexOfLink(int number) const;            // in links(), or -1
  void dropInterfaces();

  WebBrowser* browser_;
  QTextBrowser* view_;
  std::vector<Link> links_;
  QAccessible::Id pageId_ = 0;        // the page's document, 0 until asked for
  std::vector<QAccessible::Id> ids_;  // one per link, 0 until asked for
  int focused_ = -1;
  int left_ = -1;    // the number of the link the focus left, or -1
  int chosen_ = -1;  // the number of the link the loading page's set-up presented, or -1
  bool loading_ = false;
  // The view took the keyboard focus and the reader has not yet been told
  // what it is on.
  bool focusUntold_ = false;
};

}  // namespace lumo::browser
