#include "platform/browser/htmldocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <regex>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/browser/urls.h"
#include "platform/browser/view_links.h"

namespace lumo::browser {
namespace {

// Tag soup is the normal case: recover, never touch the network, stay
// silent, and keep the encoding we decided on (the bytes reach libxml2
// already as UTF-8, whatever the page's <meta> says).
constexpr int kParseOptions =
    HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_IGNORE_ENC;

constexpr std::string_view kBlankMarkup = "<html><head><title></title></head><body></body></html>";

const char* nameOf(const xmlNode* n) { return reinterpret_cast<const char*>(n->name); }
const xmlChar* xml(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

bool isElement(const xmlNode* n, std::string_view name = {}) {
  return n != nullptr && n->type == XML_ELEMENT_NODE && (name.empty() || text::iequals(nameOf(n), name));
}

// Elements below root in document order (root itself excluded).
template <typename F>
void forEachElement(xmlNode* root, F&& visit) {
  if (root == nullptr) return;
  xmlNode* n = root->children;
  while (n != nullptr && n != root) {
    if (n->type == XML_ELEMENT_NODE) visit(n);
    if (n->children != nullptr && n->type == XML_ELEMENT_NODE) {
      n = n->children;
      continue;
    }
    while (n != root && n->next == nullptr) n = n->parent;
    if (n != root) n = n->next;
  }
}

std::vector<xmlNode*> elementsBelow(xmlNode* root) {
  std::vector<xmlNode*> out;
  forEachElement(root, [&](xmlNode* n) { out.push_back(n); });
  return out;
}

std::optional<std::string> attribute(const xmlNode* n, std::string_view name) {
  const std::string lower = text::toLowerAscii(name);
  for (xmlAttr* a = n->properties; a != nullptr; a = a->next) {
    if (!text::iequals(reinterpret_cast<const char*>(a->name), lower)) continue;
    xmlChar* v = xmlNodeListGetString(n->doc, a->children, 1);
    std::string value = v != nullptr ? reinterpret_cast<const char*>(v) : "";
    xmlFree(v);
    return value;
  }
  return std::nullopt;
}

std::string textContent(const xmlNode* n) {
  xmlChar* c = xmlNodeGetContent(n);
  std::string s = c != nullptr ? reinterpret_cast<const char*>(c) : "";
  xmlFree(c);
  return s;
}

std::string collapseWhiteSpace(std::string_view s) {
  std::string out;
  bool blank = false;
  for (char c : s) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string dumpNode(xmlDoc* doc, xmlNode* node) {
  xmlOutputBufferPtr out = xmlAllocOutputBuffer(nullptr);
  if (out == nullptr) return {};
  htmlNodeDumpFormatOutput(out, doc, node, nullptr, 0);
  xmlOutputBufferFlush(out);
  std::string s(reinterpret_cast<const char*>(xmlOutputBufferGetContent(out)), xmlOutputBufferGetSize(out));
  xmlOutputBufferClose(out);
  return s;
}

bool isStyleSheetLink(const xmlNode* n) {
  if (!isElement(n, "link") || !attribute(n, "href")) return false;
  std::string rel = " " + text::toLowerAscii(attribute(n, "rel").value_or("")) + " ";
  for (char& c : rel)
    if (std::isspace(static_cast<unsigned char>(c))) c = ' ';
  return rel.find(" stylesheet ") != std::string::npos && rel.find(" alternate ") == std::string::npos;
}

// "<! text >" that is neither a comment nor a doctype is a comment to a
// browser; libxml2 would show it as text (the page builder writes
// "<! **** TABELLA COMANDI ****>" before each table).
std::string fixBogusComments(std::string_view html) {
  std::string out;
  out.reserve(html.size());
  size_t i = 0;
  while (i < html.size()) {
    const size_t open = html.find("<!", i);
    if (open == std::string_view::npos) break;
    out.append(html.substr(i, open - i));
    const std::string_view after = html.substr(open + 2);
    const bool proper = after.rfind("--", 0) == 0 || after.rfind("[", 0) == 0 ||
                        (after.size() >= 7 && text::iequals(after.substr(0, 7), "doctype"));
    const size_t close = html.find('>', open);
    if (proper || close == std::string_view::npos) {
      out.append("<!");
      i = open + 2;
      continue;
    }
    std::string inner(html.substr(open + 2, close - open - 2));
    for (size_t k = inner.find("--"); k != std::string::npos; k = inner.find("--", k)) inner[k] = ' ';
    out.append("<!--").append(inner).append("-->");
    i = close + 1;
  }
  out.append(html.substr(std::min(i, html.size())));
  return out;
}

// Length of the valid UTF-8 sequence at s[i], 0 when there is none.
size_t utf8SequenceAt(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  const size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  return text::isValidUtf8(s.substr(i, len)) ? len : 0;
}

// Declared UTF-8 with a few stray bytes: the strays are most likely
// windows-1252 letters typed by hand into the page.
std::string utf8WithStrayBytes(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t len = utf8SequenceAt(s, i);
    if (len == 0) {
      out += text::cp1252ToUtf8(s.substr(i, 1));
      ++i;
    } else {
      out.append(s.substr(i, len));
      i += len;
    }
  }
  return out;
}

std::optional<std::string> iconvToUtf8(std::string_view bytes, const std::string& charset) {
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

std::string declaredCharset(std::string_view bytes) {
  static const std::regex kCharset(R"(<meta\b[^>]*?charset\s*=\s*["']?\s*([A-Za-z0-9._:\-]+))", std::regex::icase);
  const std::string head(bytes.substr(0, 16384));
  std::smatch m;
  if (!std::regex_search(head, m, kCharset)) return {};
  return text::toLowerAscii(m[1].str());
}

bool isCp1252Family(const std::string& cs) {
  static const char* const kNames[] = {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
                                       "iso_8859-1",   "latin1", "l1",       "us-ascii",   "ascii"};
  for (const char* n : kNames)
    if (cs == n) return true;
  return false;
}

}  // namespace

// ---- decoding ------------------------------------------------------------

std::string decodeTextBytes(std::string_view bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.remove_prefix(3);
  return text::isValidUtf8(bytes) ? std::string(bytes) : text::cp1252ToUtf8(bytes);
}

std::string decodeHtmlBytes(std::string_view bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return utf8WithStrayBytes(bytes.substr(3));
  if (bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0) {
    if (auto s = iconvToUtf8(bytes, "UTF-16")) return *s;
  }
  const std::string cs = declaredCharset(bytes);
  if (isCp1252Family(cs)) return text::cp1252ToUtf8(bytes);
  if (cs == "utf-8" || cs == "utf8") return utf8WithStrayBytes(bytes);
  if (!cs.empty()) {
    if (auto s = iconvToUtf8(bytes, cs)) return *s;
  }
  return decodeTextBytes(bytes);
}

// ---- HtmlElement ---------------------------------------------------------

xmlNode* HtmlElement::checked() const {
  if (node_ == nullptr) throw RuntimeError(err::ObjectNotSet);
  return node_;
}

HtmlDocument& HtmlElement::document() const {
  checked();
  return *doc_;
}

std::string HtmlElement::tagName() const { return text::toLowerAscii(nameOf(checked())); }

std::string HtmlElement::getAttribute(std::string_view name) const { return attribute(checked(), name).value_or(""); }

bool HtmlElement::hasAttribute(std::string_view name) const { return attribute(checked(), name).has_value(); }

void HtmlElement::setAttribute(std::string_view name, std::string_view value) {
  const std::string n = text::toLowerAscii(name);
  const std::string v(value);
  xmlSetProp(checked(), xml(n.c_str()), xml(v.c_str()));
  document().notifyChanged();
}

std::string HtmlElement::href() const {
  const auto h = attribute(checked(), "href");
  return h ? url::resolve(*h, doc_->url()) : std::string{};
}

std::string HtmlElement::innerHTML() const {
  std::string out;
  for (xmlNode* c = checked()->children; c != nullptr; c = c->next) out += dumpNode(doc_->doc_, c);
  return out;
}

void HtmlElement::setInnerHTML(std::string_view html) {
  xmlNode* target = checked();
  const std::string markup = "<html><head></head><body>" + fixBogusComments(html) + "</body></html>";
  xmlDoc* parsed = htmlReadMemory(markup.data(), static_cast<int>(markup.size()), nullptr, "UTF-8", kParseOptions);
  xmlNode* copies = nullptr;
  if (parsed != nullptr) {
    xmlNode* root = xmlDocGetRootElement(parsed);
    for (xmlNode* c = root != nullptr ? root->children : nullptr; c != nullptr; c = c->next) {
      if (isElement(c, "body") && c->children != nullptr) {
        copies = xmlDocCopyNodeList(doc_->doc_, c->children);
        break;
      }
    }
    xmlFreeDoc(parsed);
  }
  while (xmlNode* old = target->children) {
    xmlUnlinkNode(old);
    doc_->keepDetached(old);
  }
  if (copies != nullptr) xmlAddChildList(target, copies);
  doc_->notifyChanged();
}

std::string HtmlElement::outerHTML() const { return dumpNode(doc_->doc_, checked()); }

std::string HtmlElement::innerText() const { return textContent(checked()); }

std::vector<HtmlElement> HtmlElement::allElements() const {
  std::vector<HtmlElement> out;
  for (xmlNode* n : elementsBelow(checked())) out.push_back(HtmlElement(doc_, n));
  return out;
}

HtmlElement HtmlElement::All(int index) const {
  const auto all = allElements();
  if (index < 0 || index >= static_cast<int>(all.size())) return {};
  return all[static_cast<size_t>(index)];
}

std::vector<HtmlElement> HtmlElement::getElementsByTagName(std::string_view tag) const {
  std::vector<HtmlElement> out;
  for (xmlNode* n : elementsBelow(checked()))
    if (tag == "*" || isElement(n, tag)) out.push_back(HtmlElement(doc_, n));
  return out;
}

void HtmlElement::focus() const { document().requestFocus(*this); }

// ---- HtmlDocument --------------------------------------------------------

HtmlDocument::HtmlDocument(Token, _xmlDoc* doc, std::string url) : doc_(doc), url_(std::move(url)) {}

HtmlDocument::~HtmlDocument() {
  for (xmlNode* n : detached_) xmlFreeNode(n);
  xmlFreeDoc(doc_);
}

std::shared_ptr<HtmlDocument> HtmlDocument::fromBytes(std::string_view bytes, std::string url) {
  return fromHtml(decodeHtmlBytes(bytes), std::move(url));
}

std::shared_ptr<HtmlDocument> HtmlDocument::fromHtml(std::string_view utf8, std::string url) {
  const std::string markup = fixBogusComments(utf8);
  xmlDoc* d = nullptr;
  if (!markup.empty())
    d = htmlReadMemory(markup.data(), static_cast<int>(markup.size()), nullptr, "UTF-8", kParseOptions);
  if (d == nullptr)
    d = htmlReadMemory(kBlankMarkup.data(), static_cast<int>(kBlankMarkup.size()), nullptr, "UTF-8", kParseOptions);
  if (d == nullptr) throw std::bad_alloc();
  // Serialise as UTF-8 whatever the page's <meta> declares.
  if (d->encoding != nullptr) xmlFree(const_cast<xmlChar*>(d->encoding));
  d->encoding = xmlStrdup(xml("UTF-8"));
  xmlNode* root = xmlDocGetRootElement(d);
  if (root == nullptr) {
    root = xmlNewDocNode(d, nullptr, xml("html"), nullptr);
    xmlDocSetRootElement(d, root);
  }
  bool hasBody = false;
  for (xmlNode* c = root->children; c != nullptr; c = c->next)
    hasBody |= isElement(c, "body") || isElement(c, "frameset");
  if (!hasBody) xmlAddChild(root, xmlNewDocNode(d, nullptr, xml("body"), nullptr));
  return std::make_shared<HtmlDocument>(Token{}, d, std::move(url));
}

std::shared_ptr<HtmlDocument> HtmlDocument::blank() { return fromHtml(kBlankMarkup, "about:blank"); }

HtmlElement HtmlDocument::wrap(_xmlNode* node) const {
  if (node == nullptr) return {};
  return HtmlElement(std::const_pointer_cast<HtmlDocument>(shared_from_this()), node);
}

std::string HtmlDocument::title() const {
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(doc_)))
    if (isElement(n, "title")) return collapseWhiteSpace(textContent(n));
  return {};
}

HtmlElement HtmlDocument::documentElement() const { return wrap(xmlDocGetRootElement(doc_)); }

HtmlElement HtmlDocument::body() const {
  xmlNode* root = xmlDocGetRootElement(doc_);
  for (xmlNode* c = root != nullptr ? root->children : nullptr; c != nullptr; c = c->next)
    if (isElement(c, "body") || isElement(c, "frameset")) return wrap(c);
  return {};
}

HtmlElement HtmlDocument::All(std::string_view name) const {
  xmlNode* anyCase = nullptr;
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(doc_))) {
    for (const char* key : {"id", "name"}) {
      const auto v = attribute(n, key);
      if (!v) continue;
      if (*v == name) return wrap(n);
      if (anyCase == nullptr && text::iequals(*v, name)) anyCase = n;
    }
  }
  return wrap(anyCase);
}

std::vector<HtmlElement> HtmlDocument::allElements() const {
  std::vector<HtmlElement> out;
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(doc_))) out.push_back(wrap(n));
  return out;
}

std::vector<HtmlElement> HtmlDocument::getElementsByTagName(std::string_view tag) const {
  std::vector<HtmlElement> out;
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(doc_)))
    if (tag == "*" || isElement(n, tag)) out.push_back(wrap(n));
  return out;
}

std::vector<HtmlElement> HtmlDocument::links() const {
  std::vector<HtmlElement> out;
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(doc_)))
    if (isElement(n, "a") && attribute(n, "href")) out.push_back(wrap(n));
  return out;
}

std::vector<StyleSheet> HtmlDocument::styleSheets() const {
  std::vector<StyleSheet> out;
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(doc_))) {
    if (isStyleSheetLink(n))
      out.push_back({url::resolve(attribute(n, "href").value_or(""), url_), {}, wrap(n)});
    else if (isElement(n, "style"))
      out.push_back({{}, textContent(n), wrap(n)});
  }
  return out;
}

xmlNode* HtmlDocument::head() {
  xmlNode* root = xmlDocGetRootElement(doc_);
  for (xmlNode* c = root->children; c != nullptr; c = c->next)
    if (isElement(c, "head")) return c;
  xmlNode* h = xmlNewDocNode(doc_, nullptr, xml("head"), nullptr);
  return root->children != nullptr ? xmlAddPrevSibling(root->children, h) : xmlAddChild(root, h);
}

int HtmlDocument::createStyleSheet(std::string_view href, int index) {
  const auto sheets = styleSheets();
  const int count = static_cast<int>(sheets.size());
  const int at = index >= 0 && index < count ? index : count;
  if (!href.empty()) {
    // A page holds a sheet once. Of two links to one sheet only the later
    // one counts in the cascade, so a sheet asked for again is moved there
    // when it would come later, and otherwise left where it is.
    const std::string address = url::resolve(href, url_);
    for (int j = 0; j < count; ++j) {
      if (sheets[static_cast<size_t>(j)].href != address) continue;
      if (at <= j + 1) return j;
      xmlNode* sheet = sheets[static_cast<size_t>(j)].owner.node();
      xmlUnlinkNode(sheet);
      if (at < count)
        xmlAddPrevSibling(sheets[static_cast<size_t>(at)].owner.node(), sheet);
      else
        xmlAddNextSibling(sheets.back().owner.node(), sheet);
      notifyChanged();
      return at - 1;
    }
  }
  xmlNode* sheet = nullptr;
  if (href.empty()) {
    sheet = xmlNewDocNode(doc_, nullptr, xml("style"), nullptr);
  } else {
    const std::string h(href);
    sheet = xmlNewDocNode(doc_, nullptr, xml("link"), nullptr);
    xmlNewProp(sheet, xml("rel"), xml("stylesheet"));
    xmlNewProp(sheet, xml("type"), xml("text/css"));
    xmlNewProp(sheet, xml("href"), xml(h.c_str()));
  }
  const int position = at;
  if (at < count) {
    xmlAddPrevSibling(sheets[static_cast<size_t>(at)].owner.node(), sheet);
  } else if (!sheets.empty()) {
    xmlAddNextSibling(sheets.back().owner.node(), sheet);
  } else {
    xmlAddChild(head(), sheet);
  }
  notifyChanged();
  return position;
}

void HtmlDocument::setClickHook(const HtmlElement& link, ClickHook hook) {
  if (link.isNull()) throw RuntimeError(err::ObjectNotSet);
  if (hook)
    clickHooks_[link.node()] = std::move(hook);
  else
    clickHooks_.erase(link.node());
}

const HtmlDocument::ClickHook* HtmlDocument::clickHook(const HtmlElement& link) const {
  const auto it = clickHooks_.find(link.node());
  return it == clickHooks_.end() ? nullptr : &it->second;
}

void HtmlDocument::notifyChanged() const {
  if (changed_) changed_();
}

void HtmlDocument::requestFocus(const HtmlElement& element) const {
  if (focus_) focus_(element);
}

void HtmlDocument::keepDetached(_xmlNode* node) { detached_.push_back(node); }

std::string HtmlDocument::sheetCss(_xmlNode* sheet) const {
  if (isElement(sheet, "style")) return textContent(sheet);
  std::string css;
  const std::string address = url::resolve(attribute(sheet, "href").value_or(""), url_);
  if (url::scheme(address) != "file") return css;
  if (auto path = url::findPathIgnoringCase(url::filePath(address)))
    skipOnError([&] { css = decodeTextBytes(text::readFileBytes(*path)); });
  return css;
}

namespace {

bool isCellNode(const xmlNode* n) { return isElement(n, "td") || isElement(n, "th"); }

// The rows of a table, its own (not those of a table inside it).
std::vector<xmlNode*> tableRows(xmlNode* table) {
  std::vector<xmlNode*> rows;
  for (xmlNode* c = table->children; c != nullptr; c = c->next) {
    if (isElement(c, "tr")) {
      rows.push_back(c);
    } else if (isElement(c, "tbody") || isElement(c, "thead") || isElement(c, "tfoot")) {
      for (xmlNode* r = c->children; r != nullptr; r = r->next)
        if (isElement(r, "tr")) rows.push_back(r);
    }
  }
  return rows;
}

// Lays a table's rows out in rows of at most `limit` cells each.
void splitRows(xmlDoc* copy, xmlNode* table, int limit) {
  const std::vector<xmlNode*> rows = tableRows(table);
  for (xmlNode* row : rows)
    for (xmlNode* c = row->children; c != nullptr; c = c->next)
      if (isCellNode(c) && (attribute(c, "rowspan") || attribute(c, "colspan"))) return;
  for (xmlNode* row : rows) {
    std::vector<xmlNode*> cells;
    for (xmlNode* c = row->children; c != nullptr; c = c->next)
      if (isCellNode(c)) cells.push_back(c);
    xmlNode* at = row;
    for (size_t i = static_cast<size_t>(limit); i < cells.size(); i += static_cast<size_t>(limit)) {
      xmlNode* next = xmlNewDocNode(copy, nullptr, xml("tr"), nullptr);
      at = xmlAddNextSibling(at, next);
      for (size_t j = i; j < std::min(cells.size(), i + static_cast<size_t>(limit)); ++j) {
        xmlUnlinkNode(cells[j]);
        xmlAddChild(at, cells[j]);
      }
    }
  }
}

}  // namespace

std::string HtmlDocument::renderHtml(const std::map<int, int>& rowLimits) const {
  xmlDoc* copy = xmlCopyDoc(doc_, 1);
  if (copy == nullptr) throw std::bad_alloc();
  xmlNode* root = xmlDocGetRootElement(copy);
  std::vector<xmlNode*> drop;
  std::string cascade;
  int linkNumber = 0;
  int tableNumber = 0;
  std::vector<std::pair<xmlNode*, int>> split;
  for (xmlNode* n : elementsBelow(reinterpret_cast<xmlNode*>(copy))) {
    if (isElement(n, "table")) {
      const auto limit = rowLimits.find(tableNumber++);
      if (limit != rowLimits.end() && limit->second > 0) split.emplace_back(n, limit->second);
    } else if (isElement(n, "script")) {
      drop.push_back(n);
    } else if (isElement(n, "a")) {
      if (attribute(n, "href")) {
        const std::string target = viewLinkHref(linkNumber++);
        xmlSetProp(n, xml("href"), xml(target.c_str()));
      }
      const bool named = attribute(n, "name") || attribute(n, "id");
      if (named && attribute(n, "href") && !textContent(n).empty()) {
        // The view gives a link's anchor name to its first letter only,
        // which then stands apart from the rest of the link: Tab would
        // select that letter alone. The name goes to an anchor of its own
        // just before the link.
        xmlNode* mark = xmlNewDocNode(copy, nullptr, xml("a"), nullptr);
        for (const char* key : {"name", "id"}) {
          if (auto value = attribute(n, key)) {
            xmlSetProp(mark, xml(key), xml(value->c_str()));
            xmlUnsetProp(n, xml(key));
          }
        }
        xmlAddChild(mark, xmlNewDocText(copy, xml("\xE2\x80\x8B")));
        xmlAddPrevSibling(n, mark);
      } else if (named && textContent(n).empty()) {
        // The view keeps a named anchor only when it holds some text.
        xmlAddChild(n, xmlNewDocText(copy, xml("\xE2\x80\x8B")));
      }
    } else if (isStyleSheetLink(n) || isElement(n, "style")) {
      cascade += sheetCss(n) + "\n";
      drop.push_back(n);
    } else if (isElement(n, "img") && attribute(n, "src")) {
      const std::string address = url::resolve(*attribute(n, "src"), url_);
      if (url::scheme(address) == "file") {
        if (auto path = url::findPathIgnoringCase(url::filePath(address)))
          xmlSetProp(n, xml("src"), xml(url::fileAddress(*path).c_str()));
      }
    }
  }
  for (xmlNode* n : drop) {
    xmlUnlinkNode(n);
    xmlFreeNode(n);
  }
  for (const auto& [table, limit] : split) splitRows(copy, table, limit);
  // One <style> for all sheets: the view orders rules of equal weight
  // only within one sheet, so the cascade order is kept by concatenation.
  if (!cascade.empty() && root != nullptr) {
    xmlNode* headNode = nullptr;
    for (xmlNode* c = root->children; c != nullptr && headNode == nullptr; c = c->next)
      if (isElement(c, "head")) headNode = c;
    if (headNode == nullptr) {
      headNode = xmlNewDocNode(copy, nullptr, xml("head"), nullptr);
      headNode = root->children != nullptr ? xmlAddPrevSibling(root->children, headNode) : xmlAddChild(root, headNode);
    }
    xmlNode* style = xmlNewDocNode(copy, nullptr, xml("style"), nullptr);
    xmlAddChild(style, xmlNewDocText(copy, xml(cascade.c_str())));
    xmlAddChild(headNode, style);
  }
  std::string html = root != nullptr ? dumpNode(copy, root) : std::string{};
  xmlFreeDoc(copy);
  return html;
}

}  // namespace lumo::browser
