#include "finder/core/search.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/organisation.h"
#include "common/text/html_escape.h"
#include "common/text/text.h"
#include "finder/core/leggiregistro.h"
#include "platform/registry/registry.h"
#include "platform/shell/drives.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::finder {
namespace {

// The first three lines of a book index: code (passed over), author, title.
struct IndexHead {
  std::string author, title;
};

IndexHead readHead(const std::string& markerFile) {
  bookindex::IndexReader reader(markerFile);
  reader.lineRead();
  IndexHead head;
  head.author = reader.lineRead();
  head.title = reader.lineRead();
  return head;
}

// The marker.txt of a folder, found without regard to case; "" when the
// folder holds none.
std::string markerIn(const std::string& folder) {
  const std::string marker = shell::resolvePath(shell::withSlash(folder) + "marker.txt");
  std::error_code ec;
  return fs::is_regular_file(marker, ec) ? marker : std::string{};
}

bool titleLessBytes(const std::string& a, const std::string& b) { return a < b; }

}  // namespace

std::string linkId(std::string_view path) {
  static const char* digits = "0123456789ABCDEF";
  std::string kept;
  auto percent = [&](std::string_view bytes) {
    for (char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      kept += '%';
      kept += digits[b >> 4];
      kept += digits[b & 15];
    }
  };
  for (size_t i = 0; i < path.size();) {
    char32_t cp = 0;
    const size_t n = text::decodeUtf8(path, i, cp);
    if (n == 0) {  // a byte that is no UTF-8
      percent(path.substr(i++, 1));
      continue;
    }
    const std::string_view seq = path.substr(i, n);
    i += n;
    const bool control = cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
    if (control || cp == '%')
      percent(seq);
    else
      kept += seq;
  }
  return text::htmlAttribute(kept);
}

std::string pathOfLinkId(std::string_view id) {
  auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1; };
  std::string path;
  for (size_t i = 0; i < id.size(); ++i) {
    if (id[i] == '%' && i + 2 < id.size() && hex(id[i + 1]) >= 0 && hex(id[i + 2]) >= 0) {
      path += static_cast<char>(hex(id[i + 1]) * 16 + hex(id[i + 2]));
      i += 2;
      continue;
    }
    path += id[i];
  }
  return path;
}

bool ControllaCartella(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  return fs::is_directory(path, ec);
}

// ---- Sort buffer ------------------------------------------------------------

SortBuffer::SortBuffer(TitleOrder order) : order_(std::move(order)) {}

void SortBuffer::insertTop(FoundBook book) { rows_.insert(rows_.begin(), std::move(book)); }

void SortBuffer::sortByTitle() {
  const TitleOrder less = order_ ? order_ : TitleOrder(titleLessBytes);
  std::stable_sort(rows_.begin(), rows_.end(), [&](const FoundBook& a, const FoundBook& b) {
    if (less(a.title, b.title)) return true;
    if (less(b.title, a.title)) return false;
    return a.path < b.path;
  });
}

// ---- Page -------------------------------------------------------------------

PageWriter::PageWriter(const std::string& file) : file_(std::make_unique<text::AtomicTextFile>(file)) {}
PageWriter::~PageWriter() = default;
void PageWriter::line(std::string_view utf8) { file_->writeLine(utf8); }
void PageWriter::para(std::string_view utf8) {
  file_->writeLine(utf8);
  file_->writeLine("");
}
void PageWriter::commit() { file_->commit(); }

// ---- Folder listing ---------------------------------------------------------

void sfoglia::ContarArchivos(const std::string& folder) {
  try {
    lv_.clear();
    if (yield_) yield_();
    int count = 0;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (const fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
      std::error_code dirError;
      if (!it->is_directory(dirError)) continue;
      const std::string path = shell::withSlash(folder) + it->path().filename().string();
      const std::string marker = markerIn(path);
      if (marker.empty()) continue;
      const IndexHead head = readHead(marker);
      lv_.insertTop({head.title, head.author, path});
      ++count;
    }
    if (ec) throw RuntimeError(ec.value() == EACCES ? err::PermissionDenied : err::PathNotFound);
    lv_.sortByTitle();
    for (const FoundBook& book : lv_.rows()) {
      page_.para("<p><a id=\"" + linkId(book.path) + "\" href=\"#2\" title=\"" + text::htmlAttribute(book.path) +
                 "\">" + text::htmlAttribute(book.title) + "</a><br>");
      page_.para("<i>" + text::htmlAttribute(book.author) + "</i></p>");
    }
    if (count == 0) page_.para("<p>Non si rilevano audiolibri in questa cartella.</p>");
  } catch (const RuntimeError& e) {
    ui::MsgBox(std::string(kListingError) + e.description(), ui::mb::OKOnly);
  }
}

// ---- Search -----------------------------------------------------------------

Finder::Finder(std::string programFolder, SortBuffer& lv, std::function<void()> yield)
    : programFolder_(std::move(programFolder)), lv_(lv), yield_(std::move(yield)) {}

std::string Finder::pageFile() const { return shell::withSlash(programFolder_) + kPageName; }

// The setting is written for the user who installed the suite only; any
// other user (or a suite installed by root) finds the programs beside
// Lumofind itself.
void Finder::readInstallation() {
  const auto holdsSuite = [](const std::string& folder) {
    return !text::trim(folder).empty() && shell::existsNoCase(folder + "/dazide.zev") &&
           shell::existsNoCase(folder + "/LumoPlayer");
  };
  path_ = registry::GetSetting("Zivuvu", "Default", "Path");
  if (holdsSuite(path_)) return;
  path_ = holdsSuite(programFolder_) ? programFolder_ : std::string();
}

std::string Finder::Search() {
  PageWriter page(pageFile());
  page_ = &page;
  struct Release {
    PageWriter*& p;
    ~Release() { p = nullptr; }
  } release{page_};

  page.line("<html>");
  page.line("<body>");
  page.line("");
  page.para("<h1 align=\"center\">Ricerca audiolibri nel sistema</h1>");

  readInstallation();
  if (text::trim(path_).empty()) {
    page.para("<p>LumoPlayer non è stato installato in questa macchina.<br>");
    page.para("per usufruire al meglio delle funzionalità degli audiolibri<br>");
    page.para(std::string("<a id=\"http\" href=\"http://") + organisation::WebHost +
              "/download/lumosuite.exe\" target=\"_blank\">SCARICA LumoPlayer dal sito internet</a></p>");
  }

  page.para("<h3>Audiolibri nelle unità ottiche:</h3>");
  cercacd();
  page.para("<h3>Audiolibri scaricati:</h3>");
  cercahd();
  page.para("<h3>Audiolibri nella cartella aggiuntiva:</h3>");

  const std::string folder = registry::GetSetting(kCustomApp, kCustomSection, kCustomKey);
  const std::string id = linkId(folder);
  if (!folder.empty()) {
    page.para("<p><font color=\"green\">" + text::htmlAttribute(folder) + "</font></br>");
    page.para("<a id=\"" + id + "\" href=\"#0\">Ridefinisci cartella aggiuntiva</a></p>");
    cercadef(folder);
  } else {
    page.para("<p>Nessuna cartella aggiuntiva definita</br>");
    page.para("<a id=\"" + id + "\" href=\"#0\">Definisci cartella aggiuntiva</a></p>");
  }
  page.line("</body>");
  page.line("</html>");
  page.commit();
  return pageFile();
}

void Finder::cercacd() {
  int discs = 0;
  for (const std::string& root : shell::driveRoots()) {
    if (shell::driveType(root) != shell::drive::CdRom) continue;
    const std::string marker = markerIn(root);
    if (marker.empty()) continue;
    // A disc whose index cannot be read up to its title is no book to list;
    // the other discs are still searched.
    IndexHead head;
    if (!skipOnError([&] { head = readHead(marker); })) continue;
    ++discs;
    page_->para("<p><a id=\"" + linkId(root) + "\" href=\"#1\" title=\"" + text::htmlAttribute(root) + "\">" +
                text::htmlAttribute(head.title) + "</a><br>");
    page_->para("<i>" + text::htmlAttribute(head.author) + "</i></p>");
  }
  if (discs == 0) page_->line("<p>Nessun drive contiene cd mp3 del L.U.M.O.</p>");
  page_->para("<hr>");
}

void Finder::list(const std::string& folder) {
  sfoglia listing(*page_, lv_, yield_);
  listing.ContarArchivos(folder);
}

void Finder::cercahd() {
  const std::string folder = registry::GetSetting(kDownloaderApp, kDownloaderSection, kDownloaderKey);
  if (!folder.empty() && ControllaCartella(folder)) {
    page_->para("<p><font color=\"green\">" + text::htmlAttribute(folder) + "</font></p>");
    list(folder);
  } else if (!folder.empty()) {
    page_->para("<p>Cartella di scaricamento inesistente.</p>");
  } else {
    page_->para("<p>Cartella di scaricamento non configurata.</p>");
    const std::string registered =
        ReadRegistryString(mode::Silent, kDownloaderComponentKey, kDownloaderProductCode, HKEY_LOCAL_MACHINE);
    if (text::trim(registered).empty()) {
      page_->para("<p>LumoDownloader non è stato installato in questa macchina.</br>");
      page_->para(std::string("<a id=\"http\" href=\"http://") + organisation::DownloaderWebHost +
                  "/files/lumodownloader.exe\" target=\"_blank\">SCARICA LumoDownloader dal sito internet</a></p>");
    }
  }
  page_->para("<hr>");
}

void Finder::cercadef(const std::string& folder) {
  if (ControllaCartella(folder))
    list(folder);
  else
    page_->para("<p>La cartella definita è inesistente.</p>");
}

}  // namespace lumo::finder
