#pragma once
// The document model of the web browser control: libxml2's tree of one
// page, with the members the programs use on it (title, body and its inner
// HTML, elements by name through All, elements by tag, attributes, style
// sheets in cascade order). The view (webbrowser.h) shows the rendering of
// this tree and renders it again whenever the programs change it.
//
// Element handles behave like the original object references: a handle
// keeps its document alive, and a null handle (a lookup that found
// nothing) raises run-time error 91 when it is used.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace lumo::browser {

class HtmlDocument;

class HtmlElement {
 public:
  HtmlElement() = default;

  bool isNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const HtmlElement& other) const { return node_ == other.node_; }

  std::string tagName() const;  // lower case
  // An attribute's value ("" when absent); names compare without case.
  std::string getAttribute(std::string_view name) const;
  bool hasAttribute(std::string_view name) const;
  void setAttribute(std::string_view name, std::string_view value);
  std::string content() const { return getAttribute("content"); }  // meta tags
  std::string value() const { return getAttribute("value"); }
  std::string id() const { return getAttribute("id"); }
  std::string name() const { return getAttribute("name"); }
  // The link's address resolved against the page ("" without href).
  std::string href() const;

  std::string innerHTML() const;
  void setInnerHTML(std::string_view html);  // the view renders again
  std::string outerHTML() const;
  std::string innerText() const;

  // Every element inside this one, in document order (the element
  // collection "all"); All(i) is its item i counted from 0, or a null
  // handle when there is none.
  std::vector<HtmlElement> allElements() const;
  HtmlElement All(int index) const;
  std::vector<HtmlElement> getElementsByTagName(std::string_view tag) const;

  // Moves the keyboard focus of the view to this element: to the element's
  // link, or to the first link after the element when it is no link.
  void focus() const;

  _xmlNode* node() const { return node_; }

 private:
  friend class HtmlDocument;
  HtmlElement(std::shared_ptr<HtmlDocument> doc, _xmlNode* node) : doc_(std::move(doc)), node_(node) {}
  _xmlNode* checked() const;  // the node; error 91 on a null handle
  HtmlDocument& document() const;

  std::shared_ptr<HtmlDocument> doc_;
  _xmlNode* node_ = nullptr;
};

// One entry of the document's styleSheets collection.
struct StyleSheet {
  std::string href;     // resolved address; empty for a <style> element
  std::string cssText;  // the CSS of a <style> element
  HtmlElement owner;    // the <link> or <style> element
};

class HtmlDocument : public std::enable_shared_from_this<HtmlDocument> {
  struct Token {};

 public:
  // A page from its bytes, read by its declared charset, else as UTF-8
  // when valid, else as windows-1252. url is the page's address: relative
  // links, sheets and images resolve against it.
  static std::shared_ptr<HtmlDocument> fromBytes(std::string_view bytes, std::string url);
  // A page from UTF-8 markup (inline pages, error pages).
  static std::shared_ptr<HtmlDocument> fromHtml(std::string_view utf8, std::string url);
  // The blank document ("about:blank").
  static std::shared_ptr<HtmlDocument> blank();

  HtmlDocument(Token, _xmlDoc* doc, std::string url);
  ~HtmlDocument();
  HtmlDocument(const HtmlDocument&) = delete;
  HtmlDocument& operator=(const HtmlDocument&) = delete;

  const std::string& url() const { return url_; }
  // The text of <title>, blanks trimmed and runs of white space made one.
  std::string title() const;
  HtmlElement body() const;
  HtmlElement documentElement() const;

  // The first element whose id or name is name (exact case first, then any
  // case), or a null handle.
  HtmlElement All(std::string_view name) const;
  std::vector<HtmlElement> allElements() const;
  std::vector<HtmlElement> getElementsByTagName(std::string_view tag) const;  // "*" = all
  // The links of the page (<a> with href) in document order.
  std::vector<HtmlElement> links() const;

  // The styleSheets collection: <link rel=stylesheet> and <style> elements
  // in document order, which is the cascade order (later sheets win).
  std::vector<StyleSheet> styleSheets() const;
  int styleSheetCount() const { return static_cast<int>(styleSheets().size()); }
  // Adds a sheet linked from href at position index of the collection
  // (beyond the end or negative: at the end); returns its position. A sheet
  // the page already links (same resolved address) is not added again: it
  // moves to index when that is later in the cascade (the later link is the
  // one that counts), else it stays, and the page does not change.
  int createStyleSheet(std::string_view href = {}, int index = -1);

  // The page as the view shows it: every sheet's CSS inlined in cascade
  // order, scripts dropped, images resolved to file addresses, and each
  // link's href replaced by "lumo-link:" and its number in links()
  // (view_links.h), so the view reports exactly which element was activated.
  std::string renderHtml() const { return renderHtml({}); }
  // The same with the rows of some tables (numbered 0, 1, ... in document
  // order) laid out in rows of at most so many cells, for a view too
  // narrow for them; a table whose cells span rows or columns keeps its
  // rows.
  std::string renderHtml(const std::map<int, int>& rowLimits) const;

  // The host's hooks: a change of the tree (the view renders again), a
  // request for focus, and per-link click hooks. A click hook runs before
  // anything else when its link is activated; it returns whether the
  // control goes on with the link (false: the link does nothing).
  void setChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }
  void setFocusHandler(std::function<void(const HtmlElement&)> handler) { focus_ = std::move(handler); }
  using ClickHook = std::function<bool(const HtmlElement&)>;
  void setClickHook(const HtmlElement& link, ClickHook hook);
  void clearClickHooks() { clickHooks_.clear(); }
  const ClickHook* clickHook(const HtmlElement& link) const;

 private:
  friend class HtmlElement;
  HtmlElement wrap(_xmlNode* node) const;
  std::string sheetCss(_xmlNode* sheet) const;  // a file that cannot be read adds nothing
  void notifyChanged() const;
  void requestFocus(const HtmlElement& element) const;
  // Detached subtrees stay alive (handles may still point into them) and
  // are freed with the document.
  void keepDetached(_xmlNode* node);
  _xmlNode* head();

  _xmlDoc* doc_;
  std::string url_;
  std::vector<_xmlNode*> detached_;
  std::map<_xmlNode*, ClickHook> clickHooks_;
  std::function<void()> changed_;
  std::function<void(const HtmlElement&)> focus_;
};

// The text of a page's bytes as UTF-8: by the charset that a <meta> tag
// declares (http-equiv content "charset=..." or <meta charset>), else as
// UTF-8 when the bytes are valid UTF-8, else as windows-1252.
std::string decodeHtmlBytes(std::string_view bytes);

// The text of a style sheet file as UTF-8 (UTF-8 when valid, else
// windows-1252).
std::string decodeTextBytes(std::string_view bytes);

}  // namespace lumo::browser
