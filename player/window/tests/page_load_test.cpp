// The set-up of each page that completes, on Zivuvu's pages and on pages
// that use the other keywords: the media file a page means, where it is
// looked for, its start position, the next medium or page at the end of
// one, the summary page's bookmarks and messages, and the reader's style
// sheet. The media control is the fake one.

#include <QApplication>
#include <QListWidget>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTextDocument>
#include <fstream>

#include "platform/browser/webbrowser.h"
#include "platform/registry/registry.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/window_fixture.h"

namespace lumo::player::testing {
namespace {

namespace ps = media::ps;

// A page whose head carries the given meta tags (name, content).
std::string pageWithMeta(const std::vector<std::pair<std::string, std::string>>& metas,
                         const std::string& title = "Pagina di prova") {
  std::string html = "<html><head><title>" + title + "</title>";
  for (const auto& [name, content] : metas) html += "<meta name=\"" + name + "\" content=\"" + content + "\">";
  return html + "</head><body><p><a href=\"#subito\">Vai</a></p></body></html>";
}

void touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "audio";
}

class PageLoadTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    book_ = makeZivuvuBook();
    openWindow();
    splashTick();
  }
  QStringList positionCalls() const { return fake()->calls().filter(QStringLiteral("controls.currentPosition=")); }
  QString bookAudio(const char* name) const { return QString::fromStdString((book_ / "Libro" / name).string()); }
  fs::path book_;
};

TEST_F(PageLoadTest, TheStartPositionComesFromTheAddressElseFromThePage) {
  const QString withMeta =
      writePage(program_ / "P" / "pos.htm",
                pageWithMeta({{"QENPLAYER_AUDIO", bookAudio("B.mp3").toStdString()}, {"QENPLAYER_AUDIO_POS", "40"}}));
  struct Case {
    QString address;
    QString audio;
    QStringList positions;
  };
  const Case cases[] = {
      {programAddress("LB01/A.htm", "#QENPLAYER_AUDIO_POS=95"),
       bookAudio("A.mp3"),
       {QStringLiteral("controls.currentPosition=95")}},
      {programAddress("LB01/A.htm"), bookAudio("A.mp3"), {}},  // from 0
      {withMeta, bookAudio("B.mp3"), {QStringLiteral("controls.currentPosition=40")}},
      {withMeta + QStringLiteral("#QENPLAYER_AUDIO_POS=7"),
       bookAudio("B.mp3"),
       {QStringLiteral("controls.currentPosition=7")}},
  };
  for (const Case& c : cases) {
    openPage(programAddress("index.htm"));
    fake()->clearCalls();
    openPage(c.address);
    EXPECT_EQ(mediaUrl(), c.audio) << c.address.toStdString();
    EXPECT_EQ(positionCalls(), c.positions) << c.address.toStdString();
    EXPECT_EQ(fake()->playState(), ps::Playing) << c.address.toStdString();
    EXPECT_TRUE(fake()->calls().contains(QStringLiteral("settings.autoStart=true")));
  }
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(PageLoadTest, ANewPageSetsTheCaptionAndStartsItsIndexEntriesAgain) {
  openPage(programAddress("LB01/A.htm"));
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Indice del file A"));
  EXPECT_EQ(window_->pageLoad().currentPage(), "A.htm");
  window_->pageLoad().setCurrentIndex(2);
  openPage(programAddress("LB01/A.htm", "#QENPLAYER_AUDIO_POS=30"));  // the same page
  EXPECT_EQ(window_->pageLoad().currentIndex(), 2);
  EXPECT_EQ(positionCalls().last(), QStringLiteral("controls.currentPosition=30"));
  openPage(programAddress("LB01/B.htm"));
  EXPECT_EQ(window_->pageLoad().currentIndex(), 0);
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Indice del file B"));
}

TEST_F(PageLoadTest, AMediaNameWithoutExtensionIsCompletedInOrder) {
  const fs::path folder = program_ / "P";
  const QString page = writePage(folder / "probe.htm", pageWithMeta({{"QENPLAYER_AUDIO", "voce"}}));
  struct Case {
    std::vector<const char*> files;
    const char* chosen;  // nullptr: nothing is loaded
    bool video;
  };
  const Case cases[] = {
      {{".mp3", ".wma"}, ".wma", false},
      {{".wav", ".mp3", ".avi"}, ".mp3", false},
      {{".avi", ".wav"}, ".wav", false},
      {{".m1v", ".avi"}, ".m1v", true},
      {{".avi"}, ".avi", true},
      {{"", ".wav"}, ".wav", false},
      {{""}, "", false},  // no extension fits: the name as it stands
      {{".ogg"}, nullptr, false},
  };
  for (const Case& c : cases) {
    for (const char* ext : {".wma", ".wmv", ".mp3", ".wav", ".m1v", ".avi", ".ogg", ""})
      fs::remove(folder / (std::string("voce") + ext));
    for (const char* ext : c.files) touch(folder / (std::string("voce") + ext));
    openPage(programAddress("index.htm"));
    const QString before = mediaUrl();
    fake()->clearCalls();
    openPage(page);
    const std::string what = c.chosen ? c.chosen : "none";
    if (!c.chosen) {
      EXPECT_EQ(mediaUrl(), before) << "the player keeps its file";
      EXPECT_NE(fake()->playState(), ps::Playing);
      EXPECT_FALSE(window_->Playaudio(page, false, false));
      continue;
    }
    EXPECT_EQ(mediaUrl(), QString::fromStdString((folder / (std::string("voce") + c.chosen)).string())) << what;
    EXPECT_EQ(fake()->playState() == ps::Playing, !c.video) << what << ": a video waits for the reader";
    EXPECT_TRUE(fake()->calls().contains(c.video ? QStringLiteral("settings.autoStart=false")
                                                 : QStringLiteral("settings.autoStart=true")))
        << what;
  }
}

TEST_F(PageLoadTest, TheMediaFileIsLookedForBesideThePageThenInTheProgramFolder) {
  const fs::path pageFolder = program_ / "P";
  struct Case {
    std::string name;             // the page's media name
    std::vector<fs::path> files;  // the files that exist
    const char* found;            // relative to the program folder
  };
  const std::string absolute = (program_ / "altrove" / "x.mp3").string();
  const Case cases[] = {
      {"x.mp3", {pageFolder / "x.mp3", program_ / "x.mp3"}, "P/x.mp3"},
      {"x.mp3", {program_ / "x.mp3", program_ / "Libro" / "x.mp3"}, "x.mp3"},
      {"x.mp3", {program_ / "Libro" / "x.mp3"}, "Libro/x.mp3"},
      {"sub\\x.mp3", {pageFolder / "sub" / "x.mp3"}, "P/sub/x.mp3"},
      {"X.MP3", {pageFolder / "x.mp3"}, "P/x.mp3"},  // letter case does not matter
      {absolute, {program_ / "altrove" / "x.mp3"}, "altrove/x.mp3"},
      {"x.mp3", {}, nullptr},
  };
  for (const Case& c : cases) {
    for (const char* f : {"P/x.mp3", "x.mp3", "Libro/x.mp3", "P/sub/x.mp3", "altrove/x.mp3"}) fs::remove(program_ / f);
    for (const fs::path& f : c.files) touch(f);
    const QString page = writePage(pageFolder / "where.htm", pageWithMeta({{"QENPLAYER_AUDIO", c.name}}));
    openPage(programAddress("index.htm"));
    openPage(page);
    const QString expected = c.found ? QString::fromStdString((program_ / c.found).string()) : QString();
    EXPECT_EQ(window_->Playaudio(page, false, false), c.found != nullptr) << c.name;
    if (c.found) {
      EXPECT_EQ(mediaUrl(), expected) << c.name;
    }
  }
}

TEST_F(PageLoadTest, TheEndOfAMediumPlaysThePageNextMediumOrOpensTheNextPage) {
  // Zivuvu's page: its only audio, then the page its next meta names.
  openPage(programAddress("LB01/A.htm"));
  fake()->endMedium();
  waitFor([&] { return window_->objwb->LocationURL() == programAddress("LB01/B.htm"); }, "the next page");
  waitFor([&] { return mediaUrl() == bookAudio("B.mp3"); }, "the next page's audio");
  EXPECT_EQ(window_->pageLoad().audioIndex(), 0);

  // A page of three media files, the second with its own start position.
  const fs::path folder = program_ / "P";
  touch(folder / "uno.mp3");
  touch(folder / "due.mp3");
  const QString page = writePage(folder / "tre.htm", pageWithMeta({{"QENPLAYER_AUDIO", "uno.mp3"},
                                                                   {"QENPLAYER_AUDIO_1", "due.mp3"},
                                                                   {"QENPLAYER_AUDIO_POS_1", "7"},
                                                                   {"QENPLAYER_AUDIO_NEXTHTML_2", "fine.htm"}}));
  const QString end = writePage(folder / "fine.htm", pageWithMeta({}));
  openPage(page);
  // A fragment kept from a reload of the page names a place in its first
  // medium, not in the next one.
  window_->pageLoad().setPendingFragment("QENPLAYER_AUDIO_POS=95");
  fake()->clearCalls();
  fake()->endMedium();
  waitFor([&] { return mediaUrl().endsWith(QStringLiteral("due.mp3")); }, "the second medium");
  EXPECT_EQ(positionCalls(), QStringList{QStringLiteral("controls.currentPosition=7")});
  EXPECT_EQ(window_->pageLoad().audioIndex(), 1);
  window_->pageLoad().setPendingFragment({});
  fake()->endMedium();
  waitFor([&] { return window_->objwb->LocationURL() == end; }, "the page after the last medium");

  // A page whose only audio has no next page: nothing happens.
  const QString last = writePage(folder / "ultima.htm", pageWithMeta({{"QENPLAYER_AUDIO", "uno.mp3"}}));
  openPage(last);
  ASSERT_EQ(fake()->playState(), ps::Playing);
  fake()->endMedium();
  waitFor([&] { return window_->pageLoad().audioIndex() == 1; }, "the end of the medium to reach the window");
  EXPECT_EQ(window_->objwb->LocationURL(), last);
  EXPECT_TRUE(mediaUrl().endsWith(QStringLiteral("uno.mp3")));
  EXPECT_NE(fake()->playState(), ps::Playing);
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(PageLoadTest, TheSummaryPageStopsTheAudioAndListsTheBookmarksOfEveryBookPage) {
  auto mark = [](const std::string& section, int n, const char* pos, const char* name) {
    const std::string k = std::to_string(n);
    registry::SaveSetting(kAppName, section, k, pos);
    registry::SaveSetting(kAppName, section, k + "NOME", name);
    registry::SaveSetting(kAppName, section, k + "NOMEAUDIO", "A.mp3");
  };
  touch(program_ / "ALTRO" / "x.htm");
  mark("ALTRO\\X.HTM", 1, "5", "Altro libro");
  mark("LB01\\A.HTM", 2, "10", "Capitolo");  // renumbered to 1 by the load
  mark("LB01\\A.HTM", 5, "75", "Paragrafo");
  mark("LB01\\B.HTM", 1, "30", "Capitolo");    // the same description on another page
  mark("Include\\HELP.htm", 1, "1", "Guida");  // the shared folder is no book

  openPage(programAddress("LB01/A.htm"));
  ASSERT_EQ(fake()->playState(), ps::Playing);
  openPage(programAddress("index.htm"));
  EXPECT_NE(fake()->playState(), ps::Playing) << "the summary page stops the audio";

  QStringList rows, sections;
  for (int i = 0; i < window_->ListMarkers->count(); ++i) rows << window_->ListMarkers->item(i)->text();
  for (int i = 0; i < window_->lstapp->count(); ++i) sections << window_->lstapp->item(i)->text();
  EXPECT_EQ(rows, (QStringList{QStringLiteral("00:05 - Altro libro"), QStringLiteral("00:10 - Capitolo"),
                               QStringLiteral("01:15 - Paragrafo"), QStringLiteral("00:30 - Capitolo")}));
  EXPECT_EQ(sections, (QStringList{QStringLiteral("ALTRO\\x.htm*1"), QStringLiteral("LB01\\A.htm*1"),
                                   QStringLiteral("LB01\\A.htm*2"), QStringLiteral("LB01\\B.htm*1")}));
  ASSERT_EQ(window_->markers().Count(), 4);
  EXPECT_EQ(window_->markers().Key(2), QStringLiteral("-2-Capitolo"));
  EXPECT_EQ(window_->markers().Key(4), QStringLiteral("-3-Capitolo"));
  EXPECT_EQ(window_->markersIndex().Item(4), QStringLiteral("LB01\\B.htm"));
  EXPECT_EQ(registry::GetSetting(kAppName, "LB01\\A.HTM", "1NOME"), "Capitolo");
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(PageLoadTest, TheReaderStyleSheetIsLinkedAroundThePageOwnSheet) {
  setPlayerSetting("StyleSheet", "2");
  window_.reset();
  openWindow();
  splashTick();
  const QString reader = QString::fromStdString("file://" + program_.string() + "/INCLUDE/Style2.CSS");
  auto sheets = [&] {
    QStringList hrefs;
    for (const browser::StyleSheet& sheet : window_->objwb->Document().styleSheets())
      hrefs << QString::fromStdString(sheet.href);
    return hrefs;
  };
  openPage(programAddress("LB01/A.htm"));
  // Once, after the page's own sheet: it wins over it.
  const QStringList own = sheets();
  ASSERT_EQ(own.size(), 2);
  EXPECT_TRUE(own[0].endsWith(QStringLiteral("/Include/Style1.css"))) << own[0].toStdString();
  EXPECT_EQ(own[1], reader);

  // Index moves within the page (each one a completed navigation) neither
  // link the sheet again nor render the page again.
  std::vector<std::string> entries;
  for (const browser::HtmlElement& a : window_->objwb->Document().links())
    if (a.getAttribute("href").find("QENPLAYER_AUDIO_POS=") != std::string::npos)
      entries.push_back(a.getAttribute("href"));
  ASSERT_GE(entries.size(), 2u);
  QSignalSpy renders(window_->objwb->view()->document(), &QTextDocument::contentsChanged);
  for (int i = 0; i < 30; ++i) clickLink(entries[static_cast<size_t>(i) % entries.size()]);
  EXPECT_TRUE(window_->objwb->LocationURL().contains(QStringLiteral("#QENPLAYER_AUDIO_POS=")));
  EXPECT_EQ(renders.count(), 0);
  EXPECT_EQ(sheets(), own);

  const QString plain = writePage(program_ / "P" / "plain.htm", pageWithMeta({}));
  openPage(plain);
  EXPECT_EQ(sheets(), QStringList{reader});
}

TEST_F(PageLoadTest, ASummaryPageMayReplaceTheMessageTexts) {
  const QString ordinary =
      writePage(program_ / "P" / "pagina.htm", pageWithMeta({{"QENPLAYER_MSG_USCITA", "Uscire davvero?"}}));
  openPage(ordinary);
  EXPECT_EQ(window_->messages().USCITA, QStringLiteral("Sei sicuro di voler uscire?"));

  const QString summary =
      writePage(program_ / "P" / "index.htm", pageWithMeta({{"QENPLAYER_MSG_USCITA", "Uscire davvero?"}}));
  openPage(summary);
  const MessageTexts defaults;
  EXPECT_EQ(window_->messages().USCITA, QStringLiteral("Uscire davvero?"));
  EXPECT_EQ(window_->messages().MARKNONE, defaults.MARKNONE);
  EXPECT_EQ(window_->messages().MARKEXIST, defaults.MARKEXIST);

  // The replaced text stays, also on a summary page without it.
  openPage(programAddress("index.htm"));
  window_->show();
  ui().clear();
  ui().queueAnswer(ui::Answer::No);
  window_->close();
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Uscire davvero?");
}

}  // namespace
}  // namespace lumo::player::testing
