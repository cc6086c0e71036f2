#include "platform/browser/webbrowser.h"

#include <QAbstractTextDocumentLayout>
#include <QDesktopServices>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/errors/errors.h"
#include "common/text/html_escape.h"
#include "common/text/text.h"
#include "platform/browser/focus_style.h"
#include "platform/browser/page_accessible.h"
#include "platform/browser/urls.h"
#include "platform/browser/view_links.h"

namespace lumo::browser {
namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The error page is UTF-8: the address stands as typed, but for the markup
// characters and the quotes.
std::string escapeHtml(std::string_view s) {
  return text::escapeMarkup(s, {.references = text::References::None, .quotes = true});
}

std::shared_ptr<HtmlDocument> errorPage(const std::string& address) {
  const std::string title = WebBrowser::kErrorPageTitle;
  return HtmlDocument::fromHtml("<html><head><title>" + title + "</title></head><body><h1>" + title +
                                    "</h1><p>Impossibile trovare " + escapeHtml(address) + ".</p></body></html>",
                                address);
}

bool callsWindowClose(std::string_view script) {
  return text::toLowerAscii(script).find("window.close(") != std::string::npos;
}

}  // namespace

WebBrowser::WebBrowser(QWidget* parent)
    : QWidget(parent),
      view_(new QTextBrowser(this)),
      opener_([](const QUrl& u) { QDesktopServices::openUrl(u); }),
      accessibility_(new PageAccessibility(this, view_)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(view_);
  // Links are ours to follow: the view only reports which one was chosen.
  view_->setOpenLinks(false);
  view_->setOpenExternalLinks(false);
  view_->setUndoRedoEnabled(false);
  view_->setTextInteractionFlags(Qt::TextBrowserInteraction);
  // Break lines only between words: large type in narrow table cells must
  // stay readable words, never "Pla / y/ Pa / us / a".
  view_->setWordWrapMode(QTextOption::WordWrap);
  setFocusProxy(view_);
  connect(view_, &QTextBrowser::anchorClicked, this, &WebBrowser::onAnchorClicked);
}

WebBrowser::~WebBrowser() {
  if (doc_) {
    doc_->setChangeHandler({});
    doc_->setFocusHandler({});
  }
}

QString WebBrowser::LocationName() const { return qs(url::locationName(location_)); }

HtmlDocument& WebBrowser::Document() const {
  if (!doc_) throw RuntimeError(err::ObjectNotSet);
  return *doc_;
}

void WebBrowser::Navigate2(const QString& address) {
  const std::string absolute = url::resolve(address.toStdString(), location_);
  QPointer<WebBrowser> self(this);
  bool cancel = false;
  emit BeforeNavigate2(qs(absolute), cancel);
  if (self && !cancel) navigateTo(absolute);
}

void WebBrowser::onAnchorClicked(const QUrl& link) noexcept {
  try {
    const int n = linkNumber(link.toString());
    if (n < 0 || n >= static_cast<int>(links_.size())) return;
    const HtmlElement element = links_[static_cast<size_t>(n)];
    click(element);
  } catch (...) {
    // A failing handler must not unwind into Qt's event dispatch.
  }
}

void WebBrowser::click(const HtmlElement& link) {
  if (link.isNull()) throw RuntimeError(err::ObjectNotSet);
  QPointer<WebBrowser> self(this);
  const std::shared_ptr<HtmlDocument> doc = doc_;  // alive through the handlers
  if (doc) {
    if (const HtmlDocument::ClickHook* hook = doc->clickHook(link)) {
      const HtmlDocument::ClickHook run = *hook;
      if (!run(link) || !self) return;
    }
  }
  const std::string href = link.getAttribute("href");
  const bool script = url::scheme(href) == "javascript";
  if (callsWindowClose(link.getAttribute("onclick")) || (script && callsWindowClose(href))) {
    closeWindow();
    return;
  }
  if (!link.hasAttribute("href")) return;
  // Scripts are not run; their address still reaches the handler, which
  // may recognise a command in it.
  const std::string absolute = script ? href : link.href();
  bool cancel = false;
  emit BeforeNavigate2(qs(absolute), cancel);
  if (!self || cancel || script) return;
  if (text::iequals(link.getAttribute("target"), "_blank")) {
    openExternal(absolute);
    return;
  }
  navigateTo(absolute);
}

void WebBrowser::closeWindow() {
  QPointer<WebBrowser> self(this);
  bool cancel = false;
  emit WindowClosing(false, cancel);
  if (self && !cancel) window()->close();
}

void WebBrowser::navigateTo(const std::string& address) {
  const std::string scheme = url::scheme(address);
  if (scheme == "about") {
    loadAbout(address);
  } else if (scheme == "file") {
    loadFile(address);
  } else if (scheme == "javascript") {
    // Scripts are not run.
  } else if (scheme.empty()) {
    fail(address);  // a relative address with no page to resolve it against
  } else {
    openExternal(address);
  }
}

void WebBrowser::loadFile(const std::string& address) {
  const std::string requested = url::filePath(address);
  const size_t cut = address.find_first_of("?#", std::string_view("file://").size());
  const std::string rest = cut == std::string::npos ? std::string{} : address.substr(cut);
  const auto found = url::findPathIgnoringCase(requested);
  const std::string canonical = url::fileAddress(found.value_or(requested), rest);

  // Same page, other fragment: move within the page without reloading.
  if (doc_ && url::fragment(address) && url::scheme(location_) == "file" &&
      (url::withoutFragment(canonical) == url::withoutFragment(location_) ||
       url::withoutFragment(address) == url::withoutFragment(location_))) {
    moveWithinPage(url::withoutFragment(location_) + "#" + *url::fragment(address));
    return;
  }
  std::error_code ec;
  if (found && std::filesystem::is_directory(*found, ec)) {
    openExternal(canonical);  // a folder opens in the file manager
    return;
  }
  std::string bytes;
  if (!found || !skipOnError([&] { bytes = text::readFileBytes(*found); })) {
    fail(address);
    return;
  }
  readyState_ = READYSTATE_LOADING;
  showPage(HtmlDocument::fromBytes(bytes, url::withoutFragment(canonical)), canonical);
}

void WebBrowser::loadAbout(const std::string& address) {
  if (text::iequals(url::withoutFragment(address), "about:blank")) {
    if (doc_ && url::fragment(address) && url::scheme(location_) == "about") {
      moveWithinPage(address);
      return;
    }
    showPage(HtmlDocument::blank(), url::withoutFragment(address));
    return;
  }
  std::string_view html = address;
  html.remove_prefix(std::string_view("about:").size());
  while (!html.empty() && (html.front() == ' ' || html.front() == '\t')) html.remove_prefix(1);
  showPage(HtmlDocument::fromHtml(html, "about:blank"), address);
}

void WebBrowser::fail(const std::string& address) {
  QPointer<WebBrowser> self(this);
  bool cancel = false;
  emit NavigateError(qs(address), INET_E_RESOURCE_NOT_FOUND, cancel);
  if (self && !cancel) showPage(errorPage(address), address);
}

void WebBrowser::openExternal(const std::string& address) {
  QUrl target;
  if (url::scheme(address) == "file") {
    const std::string path = url::filePath(address);
    target = QUrl::fromLocalFile(qs(url::findPathIgnoringCase(path).value_or(path)));
  } else {
    target = QUrl(qs(address), QUrl::TolerantMode);
  }
  if (opener_) opener_(target);
}

void WebBrowser::showPage(std::shared_ptr<HtmlDocument> doc, std::string location) {
  if (doc_) {
    doc_->setChangeHandler({});
    doc_->setFocusHandler({});
  }
  doc_ = std::move(doc);
  location_ = std::move(location);
  accessibility_->pageLoading();
  doc_->setChangeHandler([this] { renderKeepingPlace(); });
  doc_->setFocusHandler([this](const HtmlElement& e) { focusElement(e); });
  render();
  if (const auto f = url::fragment(location_)) caretToAnchor(*f);
  readyState_ = READYSTATE_INTERACTIVE;
  queueCompletion(true);
}

void WebBrowser::moveWithinPage(std::string location) {
  location_ = std::move(location);
  if (const auto f = url::fragment(location_)) caretToAnchor(*f);
  queueCompletion(false);
}

void WebBrowser::render() {
  links_ = doc_->links();
  view_->document()->setBaseUrl(QUrl(qs(url::withoutFragment(location_))));
  rowLimits_.clear();
  view_->setHtml(qs(doc_->renderHtml()));
  fitTablesToWidth();
  applyFocusRule(*view_, *doc_);  // the focused link as the sheets draw it
  const std::string title = doc_->title();
  view_->setAccessibleName(qs(title.empty() ? url::locationName(location_) : title));
  accessibility_->rendered();
}

namespace {

void collectTables(QTextFrame* frame, std::vector<QTextTable*>& tables) {
  for (QTextFrame* child : frame->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(child)) tables.push_back(table);
    collectTables(child, tables);
  }
}

}  // namespace

// Large type in a narrow window: a table whose cells' words do not fit
// side by side (the command tables of a book page) would make the reader
// scroll sideways. Its rows are laid out again with as many cells to a row
// as fit; words are never broken.
void WebBrowser::fitTablesToWidth() {
  QTextDocument* document = view_->document();
  for (int round = 0; round < 4; ++round) {
    const qreal room = document->textWidth() - 2 * document->rootFrame()->frameFormat().margin();
    if (room <= 0 || document->idealWidth() <= document->textWidth()) return;
    std::vector<QTextTable*> tables;
    collectTables(document->rootFrame(), tables);
    bool changed = false;
    for (size_t i = 0; i < tables.size(); ++i) {
      const qreal width = document->documentLayout()->frameBoundingRect(tables[i]).width();
      if (width <= room || tables[i]->columns() < 2) continue;
      const int key = static_cast<int>(i);
      const int cells = rowLimits_.count(key) ? rowLimits_[key] : tables[i]->columns();
      const int fit = std::max(1, std::min(cells - 1, static_cast<int>(cells * room / width)));
      if (fit < cells) {
        rowLimits_[key] = fit;
        changed = true;
      }
    }
    if (!changed) return;
    view_->setHtml(qs(doc_->renderHtml(rowLimits_)));
  }
}

void WebBrowser::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!doc_ || refitQueued_) return;
  // Once the view has its new width: only a page that does not fit, or
  // one laid out for a narrower view, is laid out again.
  refitQueued_ = true;
  QPointer<WebBrowser> self(this);
  QMetaObject::invokeMethod(
      this,
      [self] {
        if (!self) return;
        self->refitQueued_ = false;
        if (!self->doc_) return;
        QTextDocument* document = self->view_->document();
        if (!self->rowLimits_.empty() || document->idealWidth() > document->textWidth()) self->renderKeepingPlace();
      },
      Qt::QueuedConnection);
}

// A change of the document (inner HTML, a style sheet) renders the page
// again; the reader stays on the link or at the place where he was.
void WebBrowser::renderKeepingPlace() {
  const int link = selectedLink();
  const HtmlElement keep = link >= 0 ? links_[static_cast<size_t>(link)] : HtmlElement{};
  const int caret = view_->textCursor().position();
  const int scroll = view_->verticalScrollBar()->value();
  render();
  if (keep) {
    const auto it = std::find(links_.begin(), links_.end(), keep);
    if (it != links_.end() && selectLink(static_cast<int>(it - links_.begin()))) return;
  }
  QTextCursor c(view_->document());
  c.setPosition(std::min(caret, view_->document()->characterCount() - 1));
  view_->setTextCursor(c);
  view_->verticalScrollBar()->setValue(scroll);
}

void WebBrowser::focusElement(const HtmlElement& element) {
  view_->setFocus(Qt::OtherFocusReason);
  selectElement(element);
}

// The number of the link an element is, or of the first link after it; -1
// when there is none.
int WebBrowser::linkAtOrAfter(const HtmlElement& element) const {
  if (!doc_) return -1;
  const auto all = doc_->allElements();
  for (auto it = std::find(all.begin(), all.end(), element); it != all.end(); ++it) {
    const auto link = std::find(links_.begin(), links_.end(), *it);
    if (link != links_.end()) return static_cast<int>(link - links_.begin());
  }
  return -1;
}

bool WebBrowser::selectElement(const HtmlElement& element) {
  const int link = linkAtOrAfter(element);
  return link >= 0 && selectLink(link);
}

bool WebBrowser::presentLink(const HtmlElement& link, bool takeFocus) {
  const auto it = std::find(links_.begin(), links_.end(), link);
  if (link.isNull() || it == links_.end()) return false;
  const int number = static_cast<int>(it - links_.begin());
  if (!selectLink(number)) return false;
  if (takeFocus) view_->setFocus(Qt::OtherFocusReason);
  accessibility_->presentLink(number);
  return true;
}

HtmlElement WebBrowser::selectedElement() const {
  const int link = selectedLink();
  return link >= 0 ? links_[static_cast<size_t>(link)] : HtmlElement{};
}

int WebBrowser::selectedLink() const {
  const QTextCursor cursor = view_->textCursor();
  if (!cursor.hasSelection()) return -1;
  QTextCursor probe(view_->document());
  probe.setPosition(cursor.selectionStart() + 1);
  const int n = linkNumber(probe.charFormat().anchorHref());
  return n < static_cast<int>(links_.size()) ? n : -1;
}

bool WebBrowser::selectLink(int index) {
  const QString href = viewHref(index);
  int start = -1, end = -1;
  for (QTextBlock b = view_->document()->begin(); b.isValid() && start < 0; b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (f.charFormat().anchorHref() == href) {
        if (start < 0) start = f.position();
        end = f.position() + f.length();
      } else if (start >= 0) {
        break;
      }
    }
  }
  if (start < 0) return false;
  QTextCursor c(view_->document());
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  view_->setTextCursor(c);
  view_->ensureCursorVisible();
  return true;
}

// Puts the caret on a named anchor and scrolls it into view, so that the
// reader (and a screen reader) goes on from there.
bool WebBrowser::caretToAnchor(const std::string& fragment) {
  const QString name = qs(fragment);
  for (QTextBlock b = view_->document()->begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (f.charFormat().anchorNames().contains(name)) {
        QTextCursor c(view_->document());
        c.setPosition(f.position());
        view_->setTextCursor(c);
        view_->scrollToAnchor(name);
        return true;
      }
    }
  }
  return false;
}

void WebBrowser::queueCompletion(bool newDocument) {
  const unsigned serial = ++serial_;
  QMetaObject::invokeMethod(
      this, [this, serial, newDocument] { complete(serial, newDocument); }, Qt::QueuedConnection);
}

void WebBrowser::complete(unsigned serial, bool newDocument) noexcept {
  if (serial != serial_ || !doc_) return;  // a later navigation took over
  try {
    QPointer<WebBrowser> self(this);
    readyState_ = READYSTATE_COMPLETE;
    const QString location = LocationURL();
    if (newDocument) {
      const std::string title = doc_->title();
      emit TitleChange(title.empty() ? location : qs(title));
      if (!self || serial != serial_) return;
    }
    emit DocumentComplete(location);
    if (self && newDocument && serial == serial_) accessibility_->pageLoaded();
  } catch (...) {
    // A failing handler must not unwind into Qt's event dispatch.
  }
}

}  // namespace lumo::browser
