// The link keywords of the book pages: links clicked on a page whose audio
// the fake control plays; the cleaning of media links into paths; the
// browser's title and window-closing events.

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "platform/browser/webbrowser.h"
#include "player/media_host/oAnaPlayer.h"
#include "player/window/tests/commands_fixture.h"

namespace lumo::player::testing {
namespace {

class LinksTest : public CommandsTest {
 protected:
  QString writeLinkPage() {
    return writeFilePage("L.htm",
                         {.body = "<a id=\"reload\" href=\"javascript:location.reload()\">Ricarica</a>\n"
                                  "<a id=\"stop\" href=\"#QENP_STOP#\">Stop</a>\n"
                                  "<a id=\"pause\" href=\"#QENP_PAUSE#\">Pausa</a>\n"
                                  "<a id=\"play\" href=\"#QENP_PLAY#\">Play</a>\n"
                                  "<a id=\"ctrl3\" href=\"#QENP_KEYCMD##KEYCTRL#51\">Play/Pausa</a>\n"
                                  "<a id=\"altplus\" href=\"#QENP_KEYCMD##KEYALT#187\">Velocità +</a>\n"
                                  "<a id=\"all\" href=\"#QENP_KEYCMD##KEYSHIFT##KEYALT##KEYCTRL#65\">Debug</a>\n"
                                  "<a id=\"badcode\" href=\"#QENP_KEYCMD##KEYCTRL#tre\">?</a>\n"
                                  "<a id=\"lower\" href=\"#qenp_stop#\">stop</a>\n"
                                  "<a id=\"both\" href=\"#QENP_STOP#LOCATION.RELOAD\">Riparti</a>\n"
                                  "<a id=\"pers\" href=\"#VIDEO_PERS#clip.wmv\">Clip</a>\n"
                                  "<a id=\"persat\" href=\"@VIDEO_PERS@@NOFULL@clip.wmv\">Clip in finestra</a>\n"
                                  "<a id=\"wmv\" href=\"video/film.WMV\">Film</a>\n"
                                  "<a id=\"dict\" href=\"#PLAYVIDEODIZIONARIO\">Dizionario</a>\n"
                                  "<input type=\"hidden\" name=\"VideoNomeFile\" value=\"/video/segno.avi\">\n"});
  }
  void click(const char* id) {
    window_->objwb->click(window_->objwb->Document().All(id));
    QApplication::processEvents();
  }
  QString inBook(const std::string& relative) const {
    return QString::fromStdString((program_ / "LB01" / relative).string());
  }
};

TEST_F(LinksTest, CommandLinksRunTheirCommandAndStayOnThePage) {
  frmBrowser& w = openOn(writeLinkPage());
  const QString page = w.objwb->LocationURL();
  struct Case {
    const char* id;
    bool playing;
    QStringList calls;
    QString message;
    bool stays;
  } const cases[] = {
      // LOCATION.RELOAD in any case, before every other keyword: the
      // current file again from its start.
      {"reload", true, {"controls.stop", "controls.play"}, "", false},
      {"both", true, {"controls.stop", "controls.play"}, "", false},
      {"stop", true, {"controls.stop"}, "STOP 00:00", false},
      {"pause", true, {"controls.pause"}, "PAUSA 00:30 premere ctrl+3", true},
      {"play", false, {"controls.play"}, "PLAY 00:30", false},
      // A keyboard command: Ctrl and key code 51 is Ctrl+3.
      {"ctrl3", true, {"controls.pause"}, "PAUSA 00:30 premere ctrl+3", true},
      {"altplus", true, {"settings.rate=1.1"}, "Lettura più veloce - Rate 1.1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    at(30, c.playing);
    click(c.id);
    EXPECT_EQ(fake()->calls(), c.calls);
    EXPECT_EQ(osd(), c.message);
    if (!c.message.isEmpty()) {
      EXPECT_EQ(osdStays(), c.stays);
    }
    EXPECT_EQ(w.objwb->LocationURL(), page) << "the link's navigation is cancelled";
  }
  // The shift state is the sum of the modifiers the link names: 7 shows
  // the debug frame.
  click("all");
  EXPECT_FALSE(w.fraDebug->isHidden());
  EXPECT_EQ(w.TextURL->text(), page + QStringLiteral("#QENP_KEYCMD##KEYSHIFT##KEYALT##KEYCTRL#65"));
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(LinksTest, AKeywordInAnotherCaseOrABadKeyCodeIsAnOrdinaryLink) {
  frmBrowser& w = openOn(writeLinkPage());
  const QString page = w.objwb->LocationURL();
  at(30);
  click("lower");
  EXPECT_EQ(w.objwb->LocationURL(), page + QStringLiteral("#qenp_stop#"));
  EXPECT_EQ(osd(), QString()) << "no stop command ran";
  EXPECT_TRUE(errorReports().empty());

  // A key code that is no number: reported, and the browser goes on.
  click("badcode");
  EXPECT_EQ(errorReports(), std::vector<std::string>{"objWB_BeforeNavigate2"});
  EXPECT_EQ(w.objwb->LocationURL(), page + QStringLiteral("#QENP_KEYCMD##KEYCTRL#tre"));
}

TEST_F(LinksTest, MediaLinksPlayTheFileTheyName) {
  frmBrowser& w = openOn(writeLinkPage());
  const QString page = w.objwb->LocationURL();
  struct Case {
    const char* id;
    QString file;
    const char* uiMode;  // "none" is full screen
  } const cases[] = {
      {"pers", inBook("clip.wmv"), "none"},
      {"persat", inBook("clip.wmv"), "mini"},
      {"wmv", inBook("video/film.WMV"), "none"},
      {"dict", QStringLiteral("/video/segno.avi"), "mini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    at(30);
    click(c.id);
    EXPECT_EQ(w.anaPlayer()->FileName(), c.file);
    EXPECT_TRUE(fake()->calls().contains(QStringLiteral("uiMode=") + QLatin1String(c.uiMode)))
        << fake()->calls().join(' ').toStdString();
    EXPECT_EQ(w.objwb->LocationURL(), page);
  }
}

TEST_F(LinksTest, ThePageOfAnUnreachableServerLeadsHome) {
  writePage(program_ / "Index.htm", "<html><head><title>Indice</title></head><body>i</body></html>");
  frmBrowser& w = openOn(writeFilePage("L.htm", {}));
  const QString other =
      writePage(program_ / "LB01" / "T.htm", "<html><head><title>Un titolo</title></head><body>t</body></html>");
  openPage(other);
  EXPECT_EQ(w.objwb->LocationURL(), other);
  writePage(program_ / "LB01" / "S.htm",
            "<html><head><title>Impossibile Trovare Il Server</title></head><body>x</body></html>");
  w.objwb->Navigate2(programAddress("LB01/S.htm"));
  waitFor([&] { return w.objwb->LocationURL() == programAddress("Index.htm"); }, "the home page");
  EXPECT_TRUE(errorReports().empty());
}

TEST_F(LinksTest, TheExitLinkAsksTheExitQuestion) {
  frmBrowser& w = openOn(programAddress("Include/HELP.htm"));
  browser::HtmlElement exit;
  for (const browser::HtmlElement& a : w.objwb->Document().links())
    if (a.innerText() == "Esci") exit = a;
  ASSERT_FALSE(exit.isNull());

  ui().queueAnswer(ui::Answer::No);
  w.objwb->click(exit);
  ASSERT_EQ(shown().size(), 1u);
  EXPECT_EQ(shown()[0].text, "Sei sicuro di voler uscire?");
  EXPECT_EQ(shown()[0].title, "LUMO Player");
  EXPECT_TRUE(w.anaPlayer()) << "answered No, the player stays";

  ui().queueAnswer(ui::Answer::Yes);
  w.objwb->click(exit);
  EXPECT_FALSE(w.anaPlayer()) << "answered Yes, the program ends";
  EXPECT_EQ(playerSetting("Brano"), "");
}

}  // namespace
}  // namespace lumo::player::testing
