#pragma once
// The reader's commands under test: the window on a file page of the book
// folder LB01 whose audio (in the program's Libro folder) the fake control
// plays, keys sent as the keyboard sends them, answers for the input box,
// and a mount table of the test's own.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/window/tests/window_fixture.h"
#include "testsupport/test_media.h"

class QWidget;

namespace lumo::player::testing {

class CommandsTest : public WindowTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  struct FilePage {
    std::string audio = "A.mp3";       // in the program's Libro folder; "" for none
    std::vector<std::string> anchors;  // the positions the LumoIndex_ anchors name
    std::string prev, next;            // the previous and next page's names
    std::string head, body;            // more markup for the head and the body
  };
  // Writes the page LB01/<name> of the program folder (and its audio, 60 s
  // for the fake) and returns its address.
  QString writeFilePage(const std::string& name, const FilePage& page);
  // Opens the window on a page and waits for the page's set-up.
  frmBrowser& openOn(const QString& address);

  // A key pressed and released, sent to the widget given, or else to the
  // page view.
  void press(int keyCode, int shiftState, QWidget* target = nullptr);
  // The message on screen ("" when none), and whether it stays there.
  QString osd() const;
  bool osdStays() const;
  // Puts the fake's medium at a position, playing or paused, and forgets
  // the calls made so far.
  void at(double seconds, bool playing = true);

  // Answers the next input box: OK with the text, or Annulla. The title it
  // had goes to *title when given.
  void answerInputBox(std::optional<QString> text, QString* title = nullptr);
  // A bookmark in the store; no audio value when audio is nullopt.
  void storeMarker(const std::string& section, int n, const std::string& position, const std::string& description,
                   std::optional<std::string> audio);
  QStringList rows() const;  // the rows of the bookmark list
  // The mount table (lines "device mount-point type"), from now on.
  void mountTable(const std::vector<std::string>& lines);

  fs::path libro() const { return program_ / "Libro"; }
  QString libroFile(const std::string& name) const;

 private:
  std::unique_ptr<lumo::testing::ScopedEnv> mounts_;
};

}  // namespace lumo::player::testing
