#pragma once
// The web browser control of the player's window: a QTextBrowser that
// shows the rendering of a libxml2 document (htmldocument.h), with the
// members and events the programs use (Navigate2, ReadyState, LocationURL,
// LocationName, Document; BeforeNavigate2, DocumentComplete, TitleChange,
// NavigateError, WindowClosing).
//
// It shows local files ("file://" and an absolute path, or the plain
// path), "about:blank" and "about:" followed by inline HTML. Web and mail
// addresses and links with target="_blank" go to the desktop.
//
// Every link activation, by mouse or keyboard, raises BeforeNavigate2 with
// the absolute address first, also for a link that only changes the
// fragment; a handler that sets Cancel stops it. A link whose onclick
// calls window.close() raises WindowClosing instead. Loading a local file
// is synchronous, but its DocumentComplete arrives from the event loop
// after Navigate2 has returned, as from the original control; ReadyState
// is 4 (complete) from then on.
//
// The handlers are connected directly (same thread): the Cancel flags are
// references that a handler sets.

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/browser/htmldocument.h"

class QTextBrowser;

namespace lumo::browser {

class PageAccessibility;

class WebBrowser : public QWidget {
  Q_OBJECT

 public:
  // ReadyState values.
  enum : int {
    READYSTATE_UNINITIALIZED = 0,
    READYSTATE_LOADING = 1,
    READYSTATE_LOADED = 2,
    READYSTATE_INTERACTIVE = 3,
    READYSTATE_COMPLETE = 4,
  };
  // NavigateError's status for a page that does not exist.
  static constexpr int INET_E_RESOURCE_NOT_FOUND = static_cast<int>(0x800C0005u);
  // The title of the page shown after a failed navigation.
  static constexpr const char* kErrorPageTitle = "Impossibile visualizzare la pagina";

  explicit WebBrowser(QWidget* parent = nullptr);
  ~WebBrowser() override;

  // Navigates to an address: absolute, or relative to the current page.
  void Navigate2(const QString& url);
  int ReadyState() const { return readyState_; }
  // "file:///abs/path#fragment" (spaces as "%20", fragment as written),
  // "about:blank", or the "about:" address as given; "" before the first
  // navigation.
  QString LocationURL() const { return QString::fromStdString(location_); }
  // The last path segment of LocationURL as it stands there, without
  // query or fragment.
  QString LocationName() const;
  // The current document; run-time error 91 before the first navigation.
  HtmlDocument& Document() const;
  std::shared_ptr<HtmlDocument> document() const { return doc_; }

  // Activates a link of the current document as a click on it would.
  void click(const HtmlElement& link);

  // Puts the selection on the link an element is or the first link after
  // it, as focus() does, but leaves the keyboard focus where it is: the
  // reader finds that link when he comes back to the page.
  bool selectElement(const HtmlElement& element);
  // Puts the selection on a link of the page shown and gives that link the
  // accessible focus, so that a screen reader says its name: at once when
  // the view has the keyboard focus (takeFocus gives it), when the page's
  // load ends for a page that is still loading, else when the reader comes
  // back to the view. False when the page has no such link.
  bool presentLink(const HtmlElement& link, bool takeFocus);
  // The link the view's selection is on, or a null handle.
  HtmlElement selectedElement() const;

  // The view, for key handling and tests.
  QTextBrowser* view() const { return view_; }
  // The links of the page shown, numbered as the view numbers them.
  const std::vector<HtmlElement>& links() const { return links_; }
  // What screen readers are told of the page (page_accessible.h).
  PageAccessibility* accessibility() const { return accessibility_; }

  // How addresses reach the desktop (default: QDesktopServices::openUrl).
  void setExternalOpener(std::function<void(const QUrl&)> opener) { opener_ = std::move(opener); }

 signals:
  void BeforeNavigate2(const QString& URL, bool& Cancel);
  void DocumentComplete(const QString& URL);
  void TitleChange(const QString& Text);
  void NavigateError(const QString& URL, int StatusCode, bool& Cancel);
  void WindowClosing(bool IsChildWindow, bool& Cancel);

 protected:
  // A view of another width lays the page's tables out again.
  void resizeEvent(QResizeEvent* event) override;

 private:
  void onAnchorClicked(const QUrl& link) noexcept;
  void navigateTo(const std::string& address);
  void loadFile(const std::string& address);
  void loadAbout(const std::string& address);
  void fail(const std::string& address);
  void openExternal(const std::string& address);
  void closeWindow();
  void showPage(std::shared_ptr<HtmlDocument> doc, std::string location);
  void moveWithinPage(std::string location);
  void render();
  // The rows of tables too wide for the view are laid out again in rows
  // of fewer cells, so the page fits the view's width.
  void fitTablesToWidth();
  void renderKeepingPlace();
  void focusElement(const HtmlElement& element);
  int linkAtOrAfter(const HtmlElement& element) const;
  int selectedLink() const;
  bool selectLink(int index);
  bool caretToAnchor(const std::string& fragment);
  void queueCompletion(bool newDocument);
  void complete(unsigned serial, bool newDocument) noexcept;

  QTextBrowser* view_;
  std::shared_ptr<HtmlDocument> doc_;
  std::string location_;
  int readyState_ = READYSTATE_UNINITIALIZED;
  unsigned serial_ = 0;
  std::vector<HtmlElement> links_;  // the links as numbered in the view
  std::map<int, int> rowLimits_;    // the cells a row of a table holds at most, by table
  bool refitQueued_ = false;
  std::function<void(const QUrl&)> opener_;
  PageAccessibility* accessibility_;
};

}  // namespace lumo::browser
