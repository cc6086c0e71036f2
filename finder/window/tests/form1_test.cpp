// The finder's window, offscreen, used as a reader uses it: the wait page,
// the found-books page, and clicks on its links through the browser layer.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <thread>

#include "finder/window/cimgs.h"
#include "finder/window/form1.h"
#include "platform/browser/urls.h"
#include "platform/tool_window/tool_window.h"
#include "testsupport/accessible_events.h"
#include "testsupport/book_fixture.h"
#include "testsupport/finder_fixture.h"
#include "testsupport/text_size.h"
#include "testsupport/window_fit.h"

using namespace lumo::finder;
using namespace lumo::finder::testing;
using lumo::registry::GetSetting;
using lumo::registry::SaveSetting;
using lumo::ui::q;
using Lines = std::vector<std::string>;

namespace {

class WindowTest : public FinderFixture {
 protected:
  void SetUp() override {
    FinderFixture::SetUp();
    launch.start = [this](const std::string& program) {
      started.push_back(program);
      return true;
    };
    launch.explore = [this](const std::string& folder) { explored.push_back(folder); };
  }
  void TearDown() override {
    w.reset();
    FinderFixture::TearDown();
  }

  // Opens the window and waits for the found-books page, as a reader would.
  void open() {
    w = std::make_unique<Form1>();
    w->setLauncher(launch);
    w->WebBrowser1->setExternalOpener([this](const QUrl& u) { opened.push_back(u.toString().toStdString()); });
    w->show();
    waitFor([&] { return w->WebBrowser1->LocationURL().endsWith(kPageName); });
    settle();
  }
  void waitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(done());
  }
  void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

  // A mouse click on the visible text of a link.
  void clickOn(const QString& label) {
    QTextBrowser* view = w->WebBrowser1->view();
    const QTextCursor c = view->document()->find(label);
    ASSERT_FALSE(c.isNull()) << label.toStdString();
    // The middle of the link's first letter (a long link may wrap).
    QTextCursor a(view->document()), b(view->document());
    a.setPosition(c.selectionStart());
    b.setPosition(c.selectionStart() + 1);
    view->setTextCursor(a);
    view->ensureCursorVisible();
    const QRect ra = view->cursorRect(a), rb = view->cursorRect(b);
    const QPoint point((ra.left() + rb.left()) / 2, ra.center().y());
    ASSERT_FALSE(view->anchorAt(point).isEmpty()) << label.toStdString();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, point);
    settle();
  }
  bool shows(const QString& text) const { return !w->WebBrowser1->view()->document()->find(text).isNull(); }

  std::unique_ptr<Form1> w;
  Launcher launch;
  Lines started, explored, opened;
};

TEST_F(WindowTest, TheWaitPageThenTheFoundBooksPage) {
  w = std::make_unique<Form1>();
  EXPECT_EQ(w->windowTitle(), "Ricerca audiolibri");
  EXPECT_EQ(w->Timer1->interval(), 100);
  EXPECT_TRUE(w->Timer1->isActive());
  settle();
  // The inline page follows "about: " as one text.
  EXPECT_EQ(w->WebBrowser1->LocationURL(), QStringLiteral("about: ") + QString::fromUtf8(kWaitPage));
  EXPECT_TRUE(w->WebBrowser1->view()->toPlainText().contains(
      QString::fromUtf8("Attendere... sto ricercando gli audiolibri nelle unità")));
  ASSERT_NE(w->clsImgs(), nullptr);
  EXPECT_EQ(w->clsImgs()->count(), 0);  // the wait page has no links

  w.reset();
  open();
  EXPECT_FALSE(w->Timer1->isActive());  // the search runs once
  EXPECT_EQ(w->WebBrowser1->LocationURL(), q(lumo::browser::url::fileAddress((root / "prog" / kPageName).string())));
  EXPECT_TRUE(shows("Ricerca audiolibri nel sistema"));
  // Hooked: "Definisci cartella aggiuntiva"; the two download links are not.
  EXPECT_EQ(w->clsImgs()->count(), 1);
}

TEST_F(WindowTest, AFolderBookClickedGoesToZivuvuWithItsExactPath) {
  installSuite(root / "lumo");
  const fs::path folder = root / "Libri & \"altro\"";
  const std::string bookPath = (folder / "Ωmega <1>").string();
  book(bookPath, "B1", "Autore", "Tom & Jerry <1>");
  SaveSetting(kCustomApp, kCustomSection, kCustomKey, folder.string() + "/");
  open();
  EXPECT_TRUE(w->isVisible());
  clickOn("Tom & Jerry <1>");
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), bookPath);
  EXPECT_EQ(started, Lines{(root / "lumo").string() + "/dazide.zev"});
  EXPECT_FALSE(w->isVisible());  // the finder ends
}

// Folder names the page's encoding cannot hold as they stand: a click hands
// over the exact bytes of the folder's path, and the page keeps its lines.
TEST_F(WindowTest, EveryFolderBookLinkHandsOverItsExactPath) {
  installSuite(root / "lumo");
  const std::string names[] = {"citt\xE0", "riga\nnuova\r", "& < \" ' >", "100% &amp; %41 \xC2\x81\x7F", "Ωmega 😀"};
  int n = 0;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const fs::path folder = root / ("extra" + std::to_string(n));
    const std::string bookPath = (folder / name).string();
    const std::string title = "Libro " + std::to_string(n++);
    book(bookPath, "B1", "Autore", title);
    SaveSetting(kCustomApp, kCustomSection, kCustomKey, folder.string() + "/");
    open();
    const std::string page = lumo::testsupport::readBytes(root / "prog" / kPageName);
    EXPECT_EQ(page.find_first_of("\r\n"), page.find("\r\n"));
    for (size_t at = page.find("\r\n"); at != std::string::npos; at = page.find("\r\n", at + 2))
      EXPECT_EQ(page.find_first_of("\r\n", at + 2), page.find("\r\n", at + 2)) << "a line end inside a line";
    clickOn(q(title));
    EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), bookPath);
    EXPECT_EQ(started, Lines{(root / "lumo").string() + "/dazide.zev"});
    started.clear();
    w.reset();
  }
}

TEST_F(WindowTest, ABookIsReachedWithTabAndOpenedWithEnter) {
  installSuite(root / "lumo");
  const fs::path folder = root / "libri";
  book(folder / "A", "A1", "Autore", "Alfa");
  SaveSetting(kCustomApp, kCustomSection, kCustomKey, folder.string() + "/");
  open();
  QTextBrowser* view = w->WebBrowser1->view();
  view->setFocus();
  // The links in page order: the downloader's, "Ridefinisci ...", the book.
  for (int i = 0; i < 3; ++i) QTest::keyClick(view, Qt::Key_Tab);
  ASSERT_TRUE(view->textCursor().selectedText().startsWith("A"));
  QTest::keyClick(view, Qt::Key_Return);
  settle();
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), (folder / "A").string());
  EXPECT_EQ(started, Lines{(root / "lumo").string() + "/dazide.zev"});
  EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowTest, ADiscClickedStartsItsStartProgram) {
  const fs::path disc = root / "media" / "cd 0";
  book(disc, "D1", "Autore", "Libro del disco");
  std::ofstream(disc / "start.exe") << "#!/bin/sh\n";
  fs::permissions(disc / "start.exe", fs::perms::owner_all);
  mounts({"/dev/sr0 " + (root / "media" / "cd\\0400").string() + " iso9660 ro 0 0"});
  open();
  clickOn("Libro del disco");
  EXPECT_EQ(started, Lines{disc.string() + "/start.exe"});
  EXPECT_FALSE(w->isVisible());
}

TEST_F(WindowTest, DefiningTheAdditionalFolderRebuildsThePage) {
  const fs::path folder = root / "I miei libri";
  book(folder / "E", "E1", "Virgilio", QString::fromUtf8("Èneide").toStdString());
  book(folder / "F", "F1", "Autore", "Fiabe");
  book(folder / "G", "G1", "Umberto", "Eco");
  open();
  script->queuePath(folder.string());
  clickOn("Definisci cartella aggiuntiva");
  ASSERT_EQ(script->folderPicks().size(), 1u);
  EXPECT_EQ(script->folderPicks()[0].initialFolder, (root / "home").string());
  EXPECT_EQ(GetSetting(kCustomApp, kCustomSection, kCustomKey), folder.string() + "/");
  EXPECT_TRUE(w->isVisible());
  waitFor([&] { return shows("Ridefinisci cartella aggiuntiva"); });
  settle();
  // Listed in the reader's order, the accented title between its neighbours.
  const QString page = w->WebBrowser1->view()->toPlainText();
  const qsizetype eco = page.indexOf("Eco"), eneide = page.indexOf(QString::fromUtf8("Èneide")),
                  fiabe = page.indexOf("Fiabe");
  EXPECT_TRUE(eco >= 0 && eco < eneide && eneide < fiabe) << page.toStdString();
  // The new page is hooked too: the "Ridefinisci" link opens the picker at the folder.
  script->queuePath("");
  clickOn("Ridefinisci cartella aggiuntiva");
  ASSERT_EQ(script->folderPicks().size(), 2u);
  EXPECT_EQ(script->folderPicks()[1].initialFolder, folder.string() + "/");
  EXPECT_TRUE(started.empty());
}

// A folder picker that is a window of its own while it is open.
class PickerWindow : public lumo::ui::ScriptedBackend {
 public:
  explicit PickerWindow(std::function<void()> open) : open_(std::move(open)) {}
  std::string pickFolder(const lumo::ui::FolderPickRequest& request) override {
    open_();
    return ScriptedBackend::pickFolder(request);
  }

 private:
  std::function<void()> open_;
};

// What a screen reader hears: the found-books page presented as a new page
// (a document named by its title), then the links Tab reaches, by their
// names, never by their addresses; and the same for the page rebuilt after
// the additional folder was chosen in the folder picker, a window of its
// own that leaves no window active when it closes.
TEST_F(WindowTest, TheFoundBooksPageIsHeardAndSoIsThePageRebuilt) {
  const fs::path folder = root / "libri";
  book(folder / "A", "A1", "Autore", "Alfa");
  lumo::ui::testing::AccessibleEventLog log;
  open();
  QTextBrowser* view = w->WebBrowser1->view();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  view->setFocus();
  settle();
  struct Heard {
    std::vector<lumo::ui::testing::AccessibleEventRecord> page, tabs;
  };
  // What the reader hears of the page shown, from its presentation to
  // three Tabs on it.
  auto heardPage = [&](Heard& heard) {
    for (const auto& e : log.of(QAccessible::Focus))
      if (e.role == QAccessible::Document) heard.page.push_back(e);
    log.clear();
    for (int i = 0; i < 4; ++i) QTest::keyClick(view, Qt::Key_Tab);
    heard.tabs = log.of(QAccessible::Focus);
    log.clear();
  };
  Heard first;
  log.clear();
  w->WebBrowser1->Navigate2(w->WebBrowser1->LocationURL());
  waitFor([&] { return !log.of(QAccessible::Focus).empty(); });
  settle();
  heardPage(first);
  ASSERT_FALSE(first.page.empty());
  EXPECT_EQ(first.page.back().name, QStringLiteral("audiolibri.html")) << "the page has no title";

  QWidget picker;
  picker.setFocusPolicy(Qt::StrongFocus);
  auto windowed = std::make_shared<PickerWindow>([&] {
    picker.show();
    QApplication::setActiveWindow(&picker);
    picker.setFocus();
    QApplication::processEvents();
    picker.hide();
    // The window manager gives the activation to no window.
    QApplication::setActiveWindow(nullptr);
    QApplication::processEvents();
  });
  windowed->queuePath(folder.string());
  lumo::ui::setBackend(windowed);
  view->moveCursor(QTextCursor::Start);
  clickOn("Definisci cartella aggiuntiva");
  lumo::ui::setBackend(script.shared());
  ASSERT_EQ(windowed->folderPicks().size(), 1u);
  waitFor([&] { return shows("Ridefinisci cartella aggiuntiva"); });
  waitFor([&] { return w->isActiveWindow() && view->hasFocus(); });
  settle();
  Heard rebuilt;
  view->moveCursor(QTextCursor::Start);
  heardPage(rebuilt);
  ASSERT_FALSE(rebuilt.page.empty()) << "the rebuilt page is presented as a new page";
  EXPECT_EQ(rebuilt.page.back().name, first.page.back().name);
  EXPECT_TRUE(rebuilt.page.back().focused);
  ASSERT_EQ(rebuilt.tabs.size(), 4u) << "every Tab is heard";
  for (const auto& e : rebuilt.tabs) {
    EXPECT_EQ(e.role, QAccessible::Link);
    EXPECT_TRUE(e.focused) << e.name.toStdString();
    EXPECT_FALSE(e.description.contains(QStringLiteral("audiolibri.html"))) << e.description.toStdString();
  }
  // The two download links, "Ridefinisci cartella aggiuntiva", the book.
  EXPECT_EQ(rebuilt.tabs[2].name, QStringLiteral("Ridefinisci cartella aggiuntiva"));
  EXPECT_EQ(rebuilt.tabs[3].name, QStringLiteral("Alfa")) << "the book, by its title";
}

TEST_F(WindowTest, ADownloadLinkIsNotCaught) {
  open();
  clickOn("SCARICA LumoPlayer dal sito internet");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].starts_with("http://") && opened[0].ends_with("/download/lumosuite.exe")) << opened[0];
  EXPECT_TRUE(started.empty());
  EXPECT_TRUE(script->folderPicks().empty());
  EXPECT_TRUE(w->isVisible());
}

TEST_F(WindowTest, APageThatCannotBeWrittenIsReported) {
  ::setenv("LUMO_PROGRAM_FOLDER", (root / "nessuna").c_str(), 1);
  w = std::make_unique<Form1>();
  waitFor([&] { return !script->shown().empty(); });
  EXPECT_EQ(script->shown()[0].icon(), lumo::ui::mb::Critical);
  EXPECT_FALSE(script->shown()[0].text.empty());
  EXPECT_FALSE(w->Timer1->isActive());
  EXPECT_TRUE(w->WebBrowser1->LocationURL().startsWith("about:"));
}

TEST(TitleOrderTest, TheReadersCollation) {
  const TitleOrder less = titleOrder(QLocale(QLocale::Italian, QLocale::Italy));
  const std::string eneide = QString::fromUtf8("Èneide").toStdString();
  EXPECT_TRUE(less("Eco", eneide));
  EXPECT_TRUE(less(eneide, "Fiabe"));
  EXPECT_TRUE(less("alfa", "Beta"));
  EXPECT_FALSE(less("Fiabe", eneide));
}

// The installed program, from an installation folder of its own with the
// real Zivuvu and a recording player: it lists the books of the additional
// folder, and a click on one opens it in the player.
class InstalledTest : public WindowTest {};

TEST_F(InstalledTest, LumofindListsTheBooksAndOneOpensInThePlayer) {
  const fs::path app = root / "lumo";
  fs::create_directories(app / "Include");
  std::ofstream(app / "Include" / "Style1.css") << "body {}";
  for (const fs::path program : {LUMO_LUMOFIND_PROGRAM, LUMO_ZIVUVU_PROGRAM})
    fs::copy_file(program, app / program.filename());
  std::ofstream(app / "LumoPlayer") << "#!/bin/sh\necho \"$LUMO_WINDOW_STATE\" > '"
                                    << (root / "player-started").string() << "'\n";
  fs::permissions(app / "LumoPlayer", fs::perms::owner_all);
  SaveSetting("Zivuvu", "Default", "Path", app.string());
  const fs::path books = root / "libri";
  lumo::testsupport::book::makeBook(books / "Primo", "PRIMO1", true);
  SaveSetting(kCustomApp, kCustomSection, kCustomKey, books.string() + "/");

  // The program itself writes its page into its installation folder.
  ::unsetenv("LUMO_PROGRAM_FOLDER");
  QProcess finder;
  finder.start(q((app / "Lumofind").string()), {});
  ASSERT_TRUE(finder.waitForStarted());
  const fs::path page = app / kPageName;
  waitFor([&] {
    std::error_code ec;
    return fs::exists(page, ec) && linesOf(page).back() == "</html>";
  });
  finder.kill();
  finder.waitForFinished();
  const Lines lines = linesOf(page);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "<p><a id=\"" + (books / "Primo").string() + "\" href=\"#2\" title=\"" +
                          (books / "Primo").string() + "\">Il libro &amp; le &lt;note&gt;</a><br>"),
            lines.end());

  // The same click in the window with the system's own starter.
  ::setenv("LUMO_PROGRAM_FOLDER", app.c_str(), 1);
  launch = systemLauncher();
  open();
  clickOn("Il libro & le <note>");
  EXPECT_EQ(GetSetting("Zivuvu", "Default", "CD"), (books / "Primo").string());
  waitFor([&] { return fs::exists(root / "player-started"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::ifstream state(root / "player-started");
  std::string line;
  std::getline(state, line);
  EXPECT_EQ(line, "maximised");
  EXPECT_TRUE(fs::exists(app / "index.htm"));
}

// At twice the desktop's text size the window grows with the text, within
// the screen, and its page fills it.
TEST_F(WindowTest, AtTwiceTheTextSizeTheWindowGrowsAndThePageFillsIt) {
  QSize normal;
  {
    Form1 plain;
    normal = plain.size();
  }
  const lumo::testsupport::ScopedTextSize twice(2.0);
  open();
  const QSize screen = w->screen()->availableGeometry().size();
  // As large as the text asks, but within the screen with its frame and
  // title bar.
  EXPECT_TRUE(w->screen()->availableGeometry().contains(w->frameGeometry()));
  EXPECT_GE(w->width(), std::min(normal.width() * 2, screen.width() * 9 / 10));
  EXPECT_GE(w->height(), std::min(normal.height() * 2, screen.height() * 9 / 10));
  lumo::testsupport::expectControlsFit(*w);
  EXPECT_EQ(w->WebBrowser1->geometry(), w->rect());
}

}  // namespace

// At an 18 point text (and, run again so, at twice the scale on a
// 1280x1024 screen) the window opens inside the screen's free area with its
// title bar on it.
TEST_F(WindowTest, AtALargeTextTheWindowFitsTheScreen) {
  const lumo::testsupport::ScopedPointSize large(lumo::testsupport::readerPointSize());
  open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  waitFor([&] { return shows("Definisci cartella aggiuntiva"); });
  lumo::testsupport::expectFitsScreen(*w);
  lumo::testsupport::saveGrab(*w, "finder-Form1");
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
