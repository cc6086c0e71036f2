// The search and its page, on a machine of the test's own: mount tables
// with library discs, downloads and additional folders, settings present
// and missing.

#include <gtest/gtest.h>

#include "common/errors/errors.h"
#include "common/organisation.h"
#include "finder/core/leggiregistro.h"
#include "finder/core/search.h"
#include "testsupport/common/test_files.h"
#include "testsupport/finder_fixture.h"

using namespace lumo::finder;
using namespace lumo::finder::testing;
using lumo::registry::SaveSetting;
using Lines = std::vector<std::string>;

namespace {

const std::string kSuiteLink =
    std::string("<a id=\"http\" href=\"http://") + lumo::organisation::WebHost +
    "/download/lumosuite.exe\" target=\"_blank\">SCARICA LumoPlayer dal sito internet</a></p>";
const std::string kDownloaderLink =
    std::string("<a id=\"http\" href=\"http://") + lumo::organisation::DownloaderWebHost +
    "/files/lumodownloader.exe\" target=\"_blank\">SCARICA LumoDownloader dal sito internet</a></p>";

class SearchTest : public FinderFixture {
 protected:
  Lines search() {
    Finder finder((root / "prog").string(), lv);
    const std::string page = finder.Search();
    EXPECT_EQ(page, (root / "prog" / kPageName).string());
    path = finder.Path();
    return linesOf(page);
  }

  // The lines of the section that starts with heading (and its blank
  // line), up to the next one.
  Lines section(const std::string& heading) {
    const Lines all = search();
    const auto start = std::find(all.begin(), all.end(), heading);
    EXPECT_TRUE(start != all.end() && start + 1 != all.end() && start[1].empty()) << heading;
    if (start == all.end() || start + 1 == all.end()) return {};
    const auto end = std::find_if(start + 2, all.end(),
                                  [](const std::string& l) { return l.starts_with("<h3>") || l == "</body>"; });
    return Lines(start + 2, end);
  }
  Lines downloads() { return section("<h3>Audiolibri scaricati:</h3>"); }
  Lines custom() { return section("<h3>Audiolibri nella cartella aggiuntiva:</h3>"); }

  // The two entry lines of a folder book, each followed by its blank line.
  static Lines entry(const std::string& path, const std::string& title, const std::string& author) {
    return {"<p><a id=\"" + path + "\" href=\"#2\" title=\"" + path + "\">" + title + "</a><br>", "",
            "<i>" + author + "</i></p>", ""};
  }

  void registerDownloader() {
    lumo::registry::Store machine((root / "machine.sqlite").string());
    machine.setValue(kDownloaderComponentKey,
                     {kDownloaderProductCode, lumo::registry::ValueType::String, "C:\\LumoDownloader\\lumodwn.exe"});
  }

  SortBuffer lv;
  std::string path;
};

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(SearchTest, ThePageListsTheDiscsInDriveOrderAndTellsWhatIsMissing) {
  const fs::path media = root / "media";
  book(media / "cd0", "ABC", "Autore Uno", "Primo libro");       // a book code of letters
  book(media / "cd 1", "40000", "Autore Due", "Secondo libro");  // a code above 32767
  fs::create_directories(media / "cd2");                         // a disc that is no book
  book(media / "usb", "U1", "Autore Tre", "Non un disco");       // not a CD drive
  mounts({"/dev/sr0 " + (media / "cd0").string() + " iso9660 ro 0 0",
          "/dev/sdb1 " + (media / "usb").string() + " vfat rw 0 0",
          "/dev/sr1 " + (media / "cd\\0401").string() + " udf ro 0 0",
          "/dev/sr2 " + (media / "cd2").string() + " iso9660 ro 0 0"});
  const std::string cd0 = (media / "cd0").string() + "/", cd1 = (media / "cd 1").string() + "/";

  const Lines expected = {"<html>", "<body>",
                          "",       "<h1 align=\"center\">Ricerca audiolibri nel sistema</h1>",
                          "",       "<p>LumoPlayer non è stato installato in questa macchina.<br>",
                          "",       "per usufruire al meglio delle funzionalità degli audiolibri<br>",
                          "",       kSuiteLink,
                          "",       "<h3>Audiolibri nelle unità ottiche:</h3>",
                          "",       "<p><a id=\"" + cd0 + "\" href=\"#1\" title=\"" + cd0 + "\">Primo libro</a><br>",
                          "",       "<i>Autore Uno</i></p>",
                          "",       "<p><a id=\"" + cd1 + "\" href=\"#1\" title=\"" + cd1 + "\">Secondo libro</a><br>",
                          "",       "<i>Autore Due</i></p>",
                          "",       "<hr>",
                          "",       "<h3>Audiolibri scaricati:</h3>",
                          "",       "<p>Cartella di scaricamento non configurata.</p>",
                          "",       "<p>LumoDownloader non è stato installato in questa macchina.</br>",
                          "",       kDownloaderLink,
                          "",       "<hr>",
                          "",       "<h3>Audiolibri nella cartella aggiuntiva:</h3>",
                          "",       "<p>Nessuna cartella aggiuntiva definita</br>",
                          "",       "<a id=\"\" href=\"#0\">Definisci cartella aggiuntiva</a></p>",
                          "",       "</body>",
                          "</html>"};
  const Lines actual = search();
  for (size_t i = 0; i < std::max(actual.size(), expected.size()); ++i)
    ASSERT_EQ(i < actual.size() ? actual[i] : "<missing>", i < expected.size() ? expected[i] : "<missing>")
        << "line " << i + 1;
  EXPECT_EQ(path, "");
  EXPECT_TRUE(script->shown().empty());
  // Written whole and renamed into place: nothing else is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "prog"), fs::directory_iterator()), 1);
}

TEST_F(SearchTest, WithoutDiscsTheSectionSaysSoAndADiscWithABrokenIndexIsPassedOver) {
  EXPECT_EQ(section("<h3>Audiolibri nelle unità ottiche:</h3>"),
            (Lines{"<p>Nessun drive contiene cd mp3 del L.U.M.O.</p>", "<hr>", ""}));

  const fs::path media = root / "media";
  fs::create_directories(media / "cd0");
  lumo::text::writeTextFile(media / "cd0" / "MARKER.TXT", {"X1", "Solo autore"});  // ends before the title
  book(media / "cd1", "X2", "Autore <Rossi> & \"Bianchi\"", "Libro & co");
  mounts({"/dev/sr0 " + (media / "cd0").string() + " iso9660 ro 0 0",
          "/dev/sr1 " + (media / "cd1").string() + " iso9660 ro 0 0"});
  const std::string cd1 = (media / "cd1").string() + "/";
  EXPECT_EQ(section("<h3>Audiolibri nelle unità ottiche:</h3>"),
            (Lines{"<p><a id=\"" + cd1 + "\" href=\"#1\" title=\"" + cd1 + "\">Libro &amp; co</a><br>", "",
                   "<i>Autore &lt;Rossi&gt; &amp; &quot;Bianchi&quot;</i></p>", "", "<hr>", ""}));
  EXPECT_TRUE(script->shown().empty());
}

TEST_F(SearchTest, TheSuiteCountsAsInstalledOnlyWithBothPrograms) {
  installSuite(root / "lumo");
  Lines page = search();
  EXPECT_EQ(path, (root / "lumo").string());
  EXPECT_EQ(std::count(page.begin(), page.end(), kSuiteLink), 0);

  fs::remove(root / "lumo" / "LumoPlayer");
  page = search();
  EXPECT_EQ(path, "");
  EXPECT_EQ(std::count(page.begin(), page.end(), kSuiteLink), 1);
}

TEST_F(SearchTest, WithoutAUsableSettingTheProgramsBesideLumofindAreTheInstallation) {
  const std::string notInstalled = "<p>LumoPlayer non è stato installato in questa macchina.<br>";
  // Another user's empty settings store, Lumofind's own folder holding both programs.
  installSuite(root / "prog");
  lumo::registry::DeleteSetting("Zivuvu", "Default", "Path");
  Lines page = search();
  EXPECT_EQ(path, (root / "prog").string());
  EXPECT_EQ(std::count(page.begin(), page.end(), notInstalled), 0);
  EXPECT_EQ(std::count(page.begin(), page.end(), kSuiteLink), 0);

  // A setting naming a folder without the programs.
  SaveSetting("Zivuvu", "Default", "Path", (root / "gone").string());
  search();
  EXPECT_EQ(path, (root / "prog").string());

  // A setting naming a complete installation still comes first.
  installSuite(root / "lumo");
  search();
  EXPECT_EQ(path, (root / "lumo").string());

  // Neither place holds both programs.
  fs::remove(root / "lumo" / "dazide.zev");
  fs::remove(root / "prog" / "LumoPlayer");
  page = search();
  EXPECT_EQ(path, "");
  EXPECT_EQ(std::count(page.begin(), page.end(), notInstalled), 1);
}

TEST_F(SearchTest, TheDownloadsFolderListsItsBooksByTitle) {
  const fs::path dl = root / "scaricati";
  book(dl / "A", "Z1", "Autore Zeta", "Zeta");
  book(dl / "B", "A1", "Autore Alfa", "Alfa");
  fs::create_directories(dl / "C");  // no marker.txt: no book
  std::ofstream(dl / "note.txt") << "a file, not a folder";
  SaveSetting(kDownloaderApp, kDownloaderSection, kDownloaderKey, dl.string());
  EXPECT_EQ(downloads(), (Lines{"<p><font color=\"green\">" + dl.string() + "</font></p>", ""} +
                          entry((dl / "B").string(), "Alfa", "Autore Alfa") +
                          entry((dl / "A").string(), "Zeta", "Autore Zeta") + Lines{"<hr>", ""}));
}

TEST_F(SearchTest, TheDownloadsSectionForEachStateOfItsSettings) {
  const std::string empty = (root / "vuota").string();
  fs::create_directories(empty);
  const std::string notConfigured = "<p>Cartella di scaricamento non configurata.</p>";
  struct Case {
    const char* what;
    std::string setting;
    bool registered;
    Lines expected;
  } cases[] = {
      {"no setting, no downloader",
       "",
       false,
       {notConfigured, "", "<p>LumoDownloader non è stato installato in questa macchina.</br>", "", kDownloaderLink, "",
        "<hr>", ""}},
      {"no setting, downloader registered", "", true, {notConfigured, "", "<hr>", ""}},
      {"a folder that does not exist",
       (root / "nessuna").string(),
       false,
       {"<p>Cartella di scaricamento inesistente.</p>", "", "<hr>", ""}},
      {"a folder without books",
       empty,
       false,
       {"<p><font color=\"green\">" + empty + "</font></p>", "",
        "<p>Non si rilevano audiolibri in questa cartella.</p>", "", "<hr>", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.setting.empty())
      lumo::skipOnError([] { lumo::registry::DeleteSetting(kDownloaderApp, kDownloaderSection, kDownloaderKey); });
    else
      SaveSetting(kDownloaderApp, kDownloaderSection, kDownloaderKey, c.setting);
    if (c.registered) registerDownloader();
    EXPECT_EQ(downloads(), c.expected);
  }
}

TEST_F(SearchTest, TheAdditionalFolderWithMarkupInItsNamesIsEscaped) {
  const fs::path folder = root / "Miei \"libri\" & co";
  book(folder / "T<1>", "T1", "Anna \"la\" Rossi", "Tom & Jerry <1> \"bis\"");
  SaveSetting(kCustomApp, kCustomSection, kCustomKey, folder.string() + "/");
  const std::string id = (root / "Miei &quot;libri&quot; &amp; co").string() + "/";
  EXPECT_EQ(custom(),
            (Lines{"<p><font color=\"green\">" + id + "</font></br>", "",
                   "<a id=\"" + id + "\" href=\"#0\">Ridefinisci cartella aggiuntiva</a></p>", ""} +
             entry(id + "T&lt;1&gt;", "Tom &amp; Jerry &lt;1&gt; &quot;bis&quot;", "Anna &quot;la&quot; Rossi")));

  fs::remove_all(folder);
  EXPECT_EQ(custom(), (Lines{"<p><font color=\"green\">" + id + "</font></br>", "",
                             "<a id=\"" + id + "\" href=\"#0\">Ridefinisci cartella aggiuntiva</a></p>", "",
                             "<p>La cartella definita è inesistente.</p>", ""}));
}

TEST_F(SearchTest, AFolderWithABrokenIndexStopsItsListingWithAMessageAndThePageGoesOn) {
  const fs::path dl = root / "scaricati";
  book(dl / "A", "A1", "Autore", "Buono");
  fs::create_directories(dl / "B");
  lumo::text::writeTextFile(dl / "B" / "marker.txt", {"B1", "Autore"});
  SaveSetting(kDownloaderApp, kDownloaderSection, kDownloaderKey, dl.string());
  const fs::path other = root / "altri";
  book(other / "C", "C1", "Autore C", "Terzo");
  SaveSetting(kCustomApp, kCustomSection, kCustomKey, other.string() + "/");

  const Lines page = search();
  EXPECT_EQ(messages(), Lines{"Lumofind|0|Errore nel modulo del conteggio archivio." +
                              lumo::errorDescription(lumo::err::InputPastEnd)});
  EXPECT_EQ(std::count(page.begin(), page.end(), "<p><font color=\"green\">" + dl.string() + "</font></p>"), 1);
  EXPECT_EQ(std::count_if(page.begin(), page.end(), [](const std::string& l) { return l.find(">Buono<") != l.npos; }),
            0);
  EXPECT_EQ(std::count_if(page.begin(), page.end(), [](const std::string& l) { return l.find(">Terzo<") != l.npos; }),
            1);
  EXPECT_EQ(page.back(), "</html>");
}

TEST_F(SearchTest, AFolderThatCannotBeReadStopsItsListingWithAMessage) {
  const fs::path locked = root / "chiusa";
  book(locked / "A", "A1", "Autore", "Alfa");
  fs::permissions(locked, fs::perms::owner_write);  // neither listed nor entered
  const fs::path out = root / "pagina";
  fs::create_directories(out);
  fs::permissions(out, fs::perms::all);
  // As a user without privileges, for whom the permissions hold.
  const int result = lumo::testsupport::runInChild([&] {
    PageWriter page((out / "p.html").string());
    sfoglia listing(page, lv, {});
    listing.ContarArchivos(locked.string());
    page.line("</html>");
    page.commit();
    const std::string expected = std::string(kListingError) + lumo::errorDescription(lumo::err::PermissionDenied);
    return script->shown().size() == 1 && script->shown()[0].text == expected ? 0 : 1;
  });
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(linesOf(out / "p.html"), Lines{"</html>"});  // nothing of the listing
}

TEST_F(SearchTest, APageThatCannotBeWrittenIsAnErrorAndLeavesNothingBehind) {
  Finder finder((root / "nessuna").string(), lv);
  try {
    finder.Search();
    FAIL() << "no error";
  } catch (const lumo::RuntimeError& e) {
    EXPECT_EQ(e.number(), lumo::err::PathFileAccess);
  }
  EXPECT_FALSE(fs::exists(root / "nessuna"));
}

TEST(SortBufferTest, TitlesInTheGivenOrderAndEqualTitlesByPath) {
  SortBuffer lv([](const std::string& a, const std::string& b) { return a.size() < b.size(); });
  lv.insertTop({"ccc", "", "/1"});
  lv.insertTop({"a", "", "/3"});
  lv.insertTop({"bb", "", "/2"});
  lv.insertTop({"a", "", "/0"});
  lv.sortByTitle();
  std::vector<std::string> order;
  for (const FoundBook& b : lv.rows()) order.push_back(b.title + b.path);
  EXPECT_EQ(order, (std::vector<std::string>{"a/0", "a/3", "bb/2", "ccc/1"}));
}

}  // namespace

// A page's link id and the path it gives back, for the bytes a path may
// hold: "%", the C0 controls, DEL and the C1 controls and bytes that are
// no UTF-8 are written "%XX"; what windows-1252 lacks is a character
// reference; everything else stays as it is.
TEST(LinkIdTest, EveryPathComesBackByteForByte) {
  struct Case {
    const char* what;
    std::string path, id;
  };
  const Case cases[] = {
      {"plain", "/media/cdrom/Libro 1", "/media/cdrom/Libro 1"},
      {"a percent sign, also before hex digits", "100% %41", "100%25 %2541"},
      {"C0 controls and space", std::string("a\x01\x1F \tb\n", 7), "a%01%1F %09b%0A"},
      {"DEL", "a\x7F~", "a%7F~"},
      {"the first and last C1 control", "\xC2\x80\xC2\x9F", "%C2%80%C2%9F"},
      {"no-break space and Latin-1 letters stay",
       "\xC2\xA0"
       "citt\xC3\xA0",
       "\xC2\xA0"
       "citt\xC3\xA0"},
      {"bytes that are no UTF-8", "citt\xE0 \xC2", "citt%E0 %C2"},
      {"markup", "R&D <\"x\">", "R&amp;D &lt;&quot;x&quot;&gt;"},
      {"what windows-1252 lacks", "\xCE\xA9mega", "&#937;mega"},
  };
  // What the page's tree gives back for an attribute value.
  const auto unescaped = [](std::string s) {
    for (const auto& [ref, text] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#937;", "\xCE\xA9"}, {"&amp;", "&"}})
      for (size_t at; (at = s.find(ref)) != std::string::npos;) s.replace(at, ref.size(), text);
    return s;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(linkId(c.path), c.id);
    EXPECT_EQ(pathOfLinkId(unescaped(linkId(c.path))), c.path);
  }
}
