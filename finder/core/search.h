#pragma once
// The book search of Lumofind and its found-books page, audiolibri.html in
// the program folder: the books on the library discs in the CD drives, in
// the downloads folder of the library's downloader and in the reader's own
// additional folder. A disc is a book when its root holds marker.txt; in a
// folder every immediate subfolder that holds marker.txt is one.
//
// The page is windows-1252 text with CR LF line ends, written whole to a
// temporary file and renamed into place. Every title, author and path on it
// is HTML-escaped, and a link's id gives back the exact bytes of its path
// (pathOfLinkId).

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lumo::text {
class AtomicTextFile;
}

namespace lumo::finder {

inline constexpr const char* kPageName = "audiolibri.html";

// Settings the finder reads and writes.
inline constexpr const char* kCustomApp = "lumofind";
inline constexpr const char* kCustomSection = "fcustom";
inline constexpr const char* kCustomKey = "path";
inline constexpr const char* kDownloaderApp = "lumodwn";
inline constexpr const char* kDownloaderSection = "settings";
inline constexpr const char* kDownloaderKey = "downloads_path";

// Where the downloader's installation registers itself (HKEY_LOCAL_MACHINE):
// the value named by its packed product code in the key of its packed
// component code.
inline constexpr const char* kDownloaderComponentKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components\\"
    "4C1D2A7E9B3F45D8A61E0C27F5B8D903";
inline constexpr const char* kDownloaderProductCode = "8E3B5A1C72D946F0B1A4C6E2D9F07A35";

// The texts of the page that a test or a caller compares.
inline constexpr const char* kWaitPage =
    "<html><body><h1>Attendere... sto ricercando gli audiolibri nelle unità</h1></body></html>";
inline constexpr const char* kListingError = "Errore nel modulo del conteggio archivio.";

// The id of a link that starts something, for its attribute: the path with
// "%", every byte that is not UTF-8 and every control character written as
// "%" and two hexadecimal digits per byte (a windows-1252 page holds none
// of them as it stands), then escaped as an attribute value.
std::string linkId(std::string_view path);
// The exact path of a link id as the page's tree gives it back.
std::string pathOfLinkId(std::string_view id);

// True when path exists and is a folder; any error gives false.
bool ControllaCartella(const std::string& path);

// A book found in a folder: one row of the sort buffer.
struct FoundBook {
  std::string title;
  std::string author;
  std::string path;  // the book's folder, without a trailing "/"
};

// True when title a comes before title b.
using TitleOrder = std::function<bool(const std::string& a, const std::string& b)>;

// The sort buffer of a folder listing: rows are inserted at the top, then
// sorted by title in the reader's order (equal titles by path, so the page
// reads the same every time).
class SortBuffer {
 public:
  explicit SortBuffer(TitleOrder order = {});
  void setOrder(TitleOrder order) { order_ = std::move(order); }
  void clear() { rows_.clear(); }
  void insertTop(FoundBook book);
  void sortByTitle();
  const std::vector<FoundBook>& rows() const { return rows_; }

 private:
  TitleOrder order_;
  std::vector<FoundBook> rows_;
};

// The page being written: one text and its CR LF per line.
class PageWriter {
 public:
  explicit PageWriter(const std::string& file);
  ~PageWriter();
  // One line.
  void line(std::string_view utf8);
  // One line followed by an empty one.
  void para(std::string_view utf8);
  // Renames the finished page into place.
  void commit();

 private:
  std::unique_ptr<text::AtomicTextFile> file_;
};

// A folder listing: the books of a folder's immediate subfolders, sorted by
// title, written to the page.
class sfoglia {
 public:
  sfoglia(PageWriter& page, SortBuffer& lv, std::function<void()> yield)
      : page_(page), lv_(lv), yield_(std::move(yield)) {}
  // A listing that fails (an index that ends before its title, a folder
  // that cannot be read) stops with the message kListingError followed by
  // the error's description; the page goes on.
  void ContarArchivos(const std::string& folder);

 private:
  PageWriter& page_;
  SortBuffer& lv_;
  std::function<void()> yield_;
};

// The search.
class Finder {
 public:
  // programFolder: where the page is written (without a trailing "/").
  // yield: processes the window's events, once before each folder listing.
  Finder(std::string programFolder, SortBuffer& lv, std::function<void()> yield = {});

  // Writes the whole page; returns its path. Throws RuntimeError when the
  // page cannot be written (the page in place is then left as it was).
  std::string Search();

  // The installation folder of Zivuvu and the player: the setting
  // Zivuvu\Default\Path when both programs are there, else the program
  // folder when they are there, else ""; set by Search.
  const std::string& Path() const { return path_; }
  std::string pageFile() const;

 private:
  void readInstallation();
  void cercacd();
  void cercahd();
  void cercadef(const std::string& folder);
  void list(const std::string& folder);

  std::string programFolder_;
  SortBuffer& lv_;
  std::function<void()> yield_;
  std::string path_;
  PageWriter* page_ = nullptr;
};

}  // namespace lumo::finder
