#include "platform/browser/page_accessible.h"

#include <libxml/tree.h>

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

#include "platform/browser/view_links.h"
#include "platform/browser/webbrowser.h"

namespace lumo::browser {
namespace {

constexpr const char* kPageProperty = "lumoPageAccessibility";

// Text as a listener hears it: the view's paragraph and line separators as
// line ends.
QString plain(QString s) {
  s.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  s.replace(QChar::LineSeparator, QLatin1Char('\n'));
  s.replace(QChar::Nbsp, QLatin1Char(' '));
  s.replace(QChar(0xfdd0), QLatin1Char('\n'));  // a table cell begins
  s.replace(QChar(0xfdd1), QLatin1Char('\n'));  // and ends
  return s;
}

bool isCell(const xmlNode* n) {
  return n->type == XML_ELEMENT_NODE &&
         (xmlStrcasecmp(n->name, BAD_CAST "td") == 0 || xmlStrcasecmp(n->name, BAD_CAST "th") == 0);
}

// The text of the first cell of the table row that holds the link, when
// that is another cell than the link's own; "" otherwise.
QString rowHeading(const HtmlElement& link) {
  const xmlNode* cell = link.node();
  while (cell != nullptr && !(cell->type == XML_ELEMENT_NODE && isCell(cell))) cell = cell->parent;
  if (cell == nullptr || cell->parent == nullptr) return {};
  const xmlNode* first = cell->parent->children;
  while (first != nullptr && !isCell(first)) first = first->next;
  if (first == nullptr || first == cell) return {};
  xmlChar* content = xmlNodeGetContent(first);
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(content)).simplified();
  xmlFree(content);
  return text;
}

QRect viewRectOf(const QTextBrowser* view, int start, int end) {
  QTextCursor c(view->document());
  c.setPosition(start);
  QRect r = view->cursorRect(c);
  c.setPosition(end);
  r = r.united(view->cursorRect(c));
  return QRect(view->viewport()->mapToGlobal(r.topLeft()), r.size());
}

// ---- A link of the page ----------------------------------------------------

class LinkAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  LinkAccessible(PageAccessibility* page, int index) : page_(page), index_(index) {}

  bool isValid() const override { return page_ && index_ < static_cast<int>(page_->links().size()); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return page_ ? page_->view()->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return page_ ? page_->pageInterface() : nullptr; }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    const PageAccessibility::Link& link = page_->links()[static_cast<size_t>(index_)];
    switch (t) {
      case QAccessible::Name: return link.name;
      case QAccessible::Description: return link.title;
      case QAccessible::Value: return link.address;
      default: return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!isValid()) return {};
    const PageAccessibility::Link& link = page_->links()[static_cast<size_t>(index_)];
    return viewRectOf(page_->view(), link.start, link.end);
  }
  QAccessible::Role role() const override { return QAccessible::Link; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.focusable = true;
    s.linked = true;
    s.readOnly = true;
    s.focused = page_->focusedLink() == index_ && page_->view()->hasFocus();
    if (!page_->view()->isVisible()) s.invisible = true;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  // Activating the link from the reader does what Enter on it does.
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action != pressAction() || !isValid()) return;
    const int number = page_->links()[static_cast<size_t>(index_)].number;
    auto* browser = qobject_cast<WebBrowser*>(page_->parent());
    if (browser == nullptr) return;
    QPointer<WebBrowser> target(browser);
    QMetaObject::invokeMethod(
        browser,
        [target, number] {
          if (!target || number >= static_cast<int>(target->links().size())) return;
          try {
            target->click(target->links()[static_cast<size_t>(number)]);
          } catch (...) {
            // A failing handler must not unwind into Qt's event dispatch.
          }
        },
        Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<PageAccessibility> page_;
  int index_;
};

// ---- The page shown: a document of its own for every page ------------------

class PageDocumentAccessible : public QAccessibleInterface, public QAccessibleTextInterface {
 public:
  explicit PageDocumentAccessible(PageAccessibility* page) : page_(page) {}

  QTextBrowser* view() const { return page_->view(); }

  bool isValid() const override { return !page_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return page_ ? view()->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override {
    return page_ ? QAccessible::queryAccessibleInterface(view()) : nullptr;
  }
  int childCount() const override { return page_ ? static_cast<int>(page_->links().size()) : 0; }
  QAccessibleInterface* child(int index) const override { return page_ ? page_->linkInterface(index) : nullptr; }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < childCount(); ++i) {
      if (page_->linkInterface(i) == child) return i;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    for (int i = 0; i < childCount(); ++i) {
      QAccessibleInterface* c = child(i);
      if (c && c->rect().contains(x, y)) return c;
    }
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (page_ && page_->focusedLink() >= 0) return page_->linkInterface(page_->focusedLink());
    return nullptr;
  }
  QString text(QAccessible::Text t) const override {
    if (!page_ || t != QAccessible::Name) return {};
    return view()->accessibleName();
  }
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override {
    if (!page_) return {};
    const QWidget* area = view()->viewport();
    return QRect(area->mapToGlobal(QPoint(0, 0)), area->size());
  }
  QAccessible::Role role() const override { return QAccessible::Document; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!page_) {
      s.invalid = true;
      return s;
    }
    s.readOnly = true;
    s.focusable = true;
    s.multiLine = true;
    s.focused = view()->hasFocus() && page_->focusedLink() < 0;
    if (!view()->isVisible()) s.invisible = true;
    return s;
  }
  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    return nullptr;
  }

  // The text of the page as the view lays it out.
  int characterCount() const override { return page_ ? std::max(0, view()->document()->characterCount() - 1) : 0; }
  QString text(int startOffset, int endOffset) const override {
    if (!page_) return {};
    const int count = characterCount();
    startOffset = std::clamp(startOffset, 0, count);
    endOffset = endOffset < 0 ? count : std::clamp(endOffset, startOffset, count);
    QTextCursor c(view()->document());
    c.setPosition(startOffset);
    c.setPosition(endOffset, QTextCursor::KeepAnchor);
    return plain(c.selectedText());
  }
  int cursorPosition() const override { return page_ ? view()->textCursor().position() : 0; }
  void setCursorPosition(int position) override {
    if (!page_) return;
    QTextCursor c(view()->document());
    c.setPosition(std::clamp(position, 0, characterCount()));
    view()->setTextCursor(c);
  }
  int selectionCount() const override { return page_ && view()->textCursor().hasSelection() ? 1 : 0; }
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
    if (!page_ || selectionIndex != 0) return;
    const QTextCursor c = view()->textCursor();
    if (!c.hasSelection()) return;
    *startOffset = c.selectionStart();
    *endOffset = c.selectionEnd();
  }
  void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
  void removeSelection(int) override {
    if (!page_) return;
    QTextCursor c = view()->textCursor();
    c.clearSelection();
    view()->setTextCursor(c);
  }
  void setSelection(int, int startOffset, int endOffset) override {
    if (!page_) return;
    const int count = characterCount();
    QTextCursor c(view()->document());
    c.setPosition(std::clamp(startOffset, 0, count));
    c.setPosition(std::clamp(endOffset, 0, count), QTextCursor::KeepAnchor);
    view()->setTextCursor(c);
  }
  QRect characterRect(int offset) const override {
    if (!page_) return {};
    QTextCursor c(view()->document());
    c.setPosition(std::clamp(offset, 0, characterCount()));
    QRect r = view()->cursorRect(c);
    const QString ch = text(offset, offset + 1);
    r.setWidth(std::max(1, QFontMetrics(c.charFormat().font()).horizontalAdvance(ch)));
    return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    if (!page_) return -1;
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(local)) return -1;
    return view()->cursorForPosition(local).position();
  }
  void scrollToSubstring(int startIndex, int) override {
    if (!page_) return;
    QTextCursor c(view()->document());
    c.setPosition(std::clamp(startIndex, 0, characterCount()));
    const QRect r = view()->cursorRect(c);
    view()->verticalScrollBar()->setValue(view()->verticalScrollBar()->value() + r.top());
  }
  QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = std::clamp(offset, 0, characterCount());
    *endOffset = characterCount();
    return {};
  }

 private:
  QPointer<PageAccessibility> page_;
};

// ---- The view: the frame in which the pages are shown --------------------

// The view holds the page shown as its one child. Its own text events (a
// rendering replacing the text, the selection moving) are not passed on to
// readers: the page's document and its links carry what the reader hears.
class PageViewAccessible : public QAccessibleWidget {
 public:
  PageViewAccessible(QTextBrowser* view, PageAccessibility* page)
      : QAccessibleWidget(view, QAccessible::Pane), page_(page) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return widget()->accessibleName();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return page_ ? 1 : 0; }
  QAccessibleInterface* child(int index) const override {
    return page_ && index == 0 ? page_->pageInterface() : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return page_ && child == page_->pageInterface() ? 0 : -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    QAccessibleInterface* page = child(0);
    return page && page->rect().contains(x, y) ? page : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (!page_ || !widget()->hasFocus()) return nullptr;
    if (page_->focusedLink() >= 0) return page_->linkInterface(page_->focusedLink());
    return page_->pageInterface();
  }

 private:
  QPointer<PageAccessibility> page_;
};

QAccessibleInterface* pageViewFactory(const QString&, QObject* object) {
  auto* view = qobject_cast<QTextBrowser*>(object);
  if (view == nullptr) return nullptr;
  auto* page = qobject_cast<PageAccessibility*>(view->property(kPageProperty).value<QObject*>());
  return page ? new PageViewAccessible(view, page) : nullptr;
}

}  // namespace

PageAccessibility::PageAccessibility(WebBrowser* browser, QTextBrowser* view)
    : QObject(browser), browser_(browser), view_(view) {
  static const bool installed = [] {
    QAccessible::installFactory(pageViewFactory);
    return true;
  }();
  (void)installed;
  view_->setProperty(kPageProperty, QVariant::fromValue<QObject*>(this));
  // An interface made before this one existed is dropped, so the next
  // question gets the page's own.
  QAccessibleInterface* existing = QAccessible::queryAccessibleInterface(view_);
  if (existing && !dynamic_cast<PageViewAccessible*>(existing)) {
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(existing));
  }
  view_->installEventFilter(this);
}

PageAccessibility::~PageAccessibility() { dropInterfaces(); }

void PageAccessibility::dropInterfaces() {
  for (QAccessible::Id id : ids_) {
    if (id != 0) QAccessible::deleteAccessibleInterface(id);
  }
  ids_.clear();
  if (pageId_ != 0) QAccessible::deleteAccessibleInterface(pageId_);
  pageId_ = 0;
}

QAccessibleInterface* PageAccessibility::pageInterface() {
  if (pageId_ == 0) pageId_ = QAccessible::registerAccessibleInterface(new PageDocumentAccessible(this));
  return QAccessible::accessibleInterface(pageId_);
}

void PageAccessibility::announce(QAccessibleInterface* target) {
  if (target == nullptr) return;
  QAccessibleEvent focus(target, QAccessible::Focus);
  QAccessible::updateAccessibility(&focus);
}

QAccessibleInterface* PageAccessibility::linkInterface(int index) {
  if (index < 0 || index >= static_cast<int>(links_.size())) return nullptr;
  if (ids_.size() < links_.size()) ids_.resize(links_.size(), 0);
  QAccessible::Id& id = ids_[static_cast<size_t>(index)];
  if (id == 0) id = QAccessible::registerAccessibleInterface(new LinkAccessible(this, index));
  return QAccessible::accessibleInterface(id);
}

void PageAccessibility::rendered() {
  const int focusedNumber = focused_ >= 0 ? links_[static_cast<size_t>(focused_)].number : -1;
  links_.clear();
  const auto& elements = browser_->links();
  for (QTextBlock b = view_->document()->begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      const int n = linkNumber(f.charFormat().anchorHref());
      if (n < 0 || n >= static_cast<int>(elements.size())) continue;
      if (!links_.empty() && links_.back().number == n && links_.back().end == f.position()) {
        links_.back().end = f.position() + f.length();  // the same link goes on
        continue;
      }
      Link link;
      link.number = n;
      link.start = f.position();
      link.end = f.position() + f.length();
      const HtmlElement& element = elements[static_cast<size_t>(n)];
      const std::string href = element.href();
      link.address = QString::fromStdString(href.empty() ? element.getAttribute("href") : href);
      link.title = QString::fromStdString(element.getAttribute("title")).simplified();
      links_.push_back(link);
    }
  }
  static const QRegularExpression number(QStringLiteral("^\\d+$"));
  QTextCursor c(view_->document());
  for (Link& link : links_) {
    c.setPosition(link.start);
    c.setPosition(link.end, QTextCursor::KeepAnchor);
    link.name = plain(c.selectedText()).remove(QChar::ObjectReplacementCharacter).simplified();
    // A link without text (an image) is named by its title, as browsers do.
    if (link.name.isEmpty()) std::swap(link.name, link.title);
    if (number.match(link.name).hasMatch()) {
      const QString heading = rowHeading(elements[static_cast<size_t>(link.number)]);
      if (!heading.isEmpty()) link.name = heading + QStringLiteral(", ") + link.name;
    }
  }
  // The children keep their identity across a new rendering of the same
  // page (a reader may hold one); those beyond the new count go.
  while (ids_.size() > links_.size()) {
    if (ids_.back() != 0) QAccessible::deleteAccessibleInterface(ids_.back());
    ids_.pop_back();
  }
  focused_ = -1;
  for (size_t i = 0; i < links_.size(); ++i) {
    if (links_[i].number == focusedNumber) focused_ = static_cast<int>(i);
  }
  if (pageId_ != 0) {
    QAccessibleEvent reorder(pageInterface(), QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reorder);
  }
}

void PageAccessibility::pageLoading() {
  loading_ = true;
  focused_ = -1;
  left_ = -1;
  chosen_ = -1;
  dropInterfaces();  // another page: another document, other links
}

void PageAccessibility::pageLoaded() {
  loading_ = false;
  focused_ = indexOfLink(std::exchange(chosen_, -1));
  if (!view_->hasFocus()) return;
  focusUntold_ = false;
  // The reader hears the new page by its title: the page is a new
  // document, so it takes the accessible focus from whatever held it. A
  // page opened at one of its links (a heading) is heard by that link.
  announce(focused_ >= 0 ? linkInterface(focused_) : pageInterface());
}

int PageAccessibility::indexOfLink(int number) const {
  for (size_t i = 0; i < links_.size(); ++i) {
    if (links_[i].number == number) return static_cast<int>(i);
  }
  return -1;
}

void PageAccessibility::presentLink(int number) {
  const int index = indexOfLink(number);
  if (index < 0) return;
  left_ = -1;  // the reader who comes back comes back to this link
  if (loading_) {
    chosen_ = number;
    return;
  }
  focused_ = index;
  if (!view_->hasFocus()) return;
  focusUntold_ = false;
  announce(linkInterface(index));
}

int PageAccessibility::selectedLink() const {
  const QTextCursor cursor = view_->textCursor();
  if (!cursor.hasSelection()) return -1;
  const int at = cursor.selectionStart();
  for (size_t i = 0; i < links_.size(); ++i) {
    if (links_[i].start <= at && at < links_[i].end) return static_cast<int>(i);
  }
  return -1;
}

// The reader moved to a link with Tab or Shift+Tab, or off the links: the
// accessible focus follows.
void PageAccessibility::selectionMoved() {
  if (loading_ || !view_->hasFocus()) return;
  const int link = selectedLink();
  if (link == focused_) return;
  focused_ = link;
  announce(link >= 0 ? linkInterface(link) : pageInterface());
}

void PageAccessibility::remember() {
  const int link = selectedLink();
  left_ = link >= 0 ? links_[static_cast<size_t>(link)].number : -1;
}

void PageAccessibility::returnToLink() {
  const int number = std::exchange(left_, -1);
  if (number < 0 || view_->textCursor().hasSelection()) return;
  for (size_t i = 0; i < links_.size(); ++i) {
    if (links_[i].number != number) continue;
    QTextCursor c(view_->document());
    c.setPosition(links_[i].start);
    c.setPosition(links_[i].end, QTextCursor::KeepAnchor);
    view_->setTextCursor(c);
    focused_ = static_cast<int>(i);
    return;
  }
}

bool PageAccessibility::eventFilter(QObject* watched, QEvent* event) {
  if (watched != view_) return false;
  if (event->type() == QEvent::FocusOut) {
    remember();
    return false;
  }
  if (event->type() == QEvent::FocusIn) {
    // A click places the caret itself; any other return is to the link.
    if (static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason) returnToLink();
    left_ = -1;
    // Qt presents the view itself once it has the focus; the reader is
    // then given the page, or its link that has the focus.
    focusUntold_ = true;
    QPointer<PageAccessibility> self(this);
    QMetaObject::invokeMethod(
        this,
        [self] {
          // Told already (a link presented meanwhile), or a page loading,
          // which is heard when its load ends.
          if (!self || !self->focusUntold_ || self->loading_ || !self->view_->hasFocus()) return;
          self->focusUntold_ = false;
          self->announce(self->focused_ >= 0 ? self->linkInterface(self->focused_) : self->pageInterface());
        },
        Qt::QueuedConnection);
    return false;
  }
  if (event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
  if (!tab || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
  // The view handles the key now, so that the move is known when it ends.
  QPointer<QTextBrowser> view(view_);
  static_cast<QObject*>(view_)->event(event);
  if (view) selectionMoved();
  return true;
}

}  // namespace lumo::browser
