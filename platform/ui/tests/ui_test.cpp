#include "platform/ui/ui.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "testsupport/common/test_files.h"

using namespace lumo::ui;

TEST(ScriptedBackend, AnswersFromItsQueueThenTakesDefaults) {
  auto scripted = std::make_shared<ScriptedBackend>();
  setBackend(scripted);
  setProgramTitle("Zivuvu");
  scripted->queueAnswer(Answer::No);
  scripted->queuePath("/books/abc");
  EXPECT_EQ(MsgBox("Sovrascrivere?", mb::YesNo | mb::Question), Answer::No);
  EXPECT_EQ(backend().pickFolder({"Scegli", "/"}), "/books/abc");
  EXPECT_EQ(backend().pickOpenFile({"Apri", "/", {}}), "");  // script ran out: cancelled
  EXPECT_EQ(MsgBox("Di nuovo?", mb::YesNo | mb::DefaultButton2), Answer::No);
  EXPECT_EQ(MsgBox("Fatto", mb::Information, "Titolo"), Answer::OK);
  ASSERT_EQ(scripted->shown().size(), 3u);
  EXPECT_EQ(scripted->shown()[0].title, "Zivuvu");
  EXPECT_EQ(scripted->shown()[0].icon(), mb::Question);
  EXPECT_EQ(scripted->shown()[2].title, "Titolo");
}

TEST(ScriptedBackend, FilesAcrossProcessesLogEveryMessageOnOneLine) {
  namespace fs = std::filesystem;
  const lumo::testsupport::TempFolder temp("lumo-ui");
  const fs::path& dir = temp.path();
  fs::create_directories(dir);
  std::ofstream(dir / "script") << "Yes\r\n\r\n";
  ScriptedBackend scripted((dir / "script").string(), (dir / "log").string());
  EXPECT_EQ(scripted.messageBox({"a\r\nb", "T", mb::YesNo | mb::Critical}), Answer::Yes);
  EXPECT_EQ(scripted.messageBox({"c", "T", mb::OKCancel}), Answer::OK);  // empty line: default
  std::ifstream log(dir / "log");
  std::stringstream all;
  all << log.rdbuf();
  EXPECT_EQ(all.str(), "T\tcritical\t4\ta\\nb\nT\tnone\t1\tc\n");
}

TEST(DefaultAnswer, FirstOrSecondButton) {
  EXPECT_EQ(defaultAnswer(mb::OKOnly), Answer::OK);
  EXPECT_EQ(defaultAnswer(mb::YesNoCancel), Answer::Yes);
  EXPECT_EQ(defaultAnswer(mb::YesNo | mb::DefaultButton2), Answer::No);
  EXPECT_EQ(defaultAnswer(mb::OKCancel | mb::DefaultButton2), Answer::Cancel);
}

// A backend whose every dialog fails, as a display gone away would.
class FailingBackend : public ScriptedBackend {
 public:
  Answer messageBox(const MessageBoxRequest&) override { throw std::runtime_error("no display"); }
};

// The watch runs around every message box and picker, once each, in order:
// what follows a dialog runs after it has answered, and also when it failed.
TEST(DialogWatch, RunsAroundEveryDialogAlsoOneThatFails) {
  std::vector<std::string> events;
  auto scripted = std::make_shared<ScriptedBackend>();
  setBackend(scripted);
  const DialogWatch previous = setDialogWatch([&]() -> std::function<void()> {
    events.push_back("open " + std::to_string(scripted->shown().size() + scripted->folderPicks().size() +
                                              scripted->filePicks().size()));
    return [&] { events.push_back("closed"); };
  });
  scripted->queueAnswer(Answer::No);
  scripted->queuePath("/books/abc");
  EXPECT_EQ(MsgBox("Interrompi?", mb::YesNo), Answer::No);
  EXPECT_EQ(pickFolder({"Scegli", "/"}), "/books/abc");
  EXPECT_EQ(pickOpenFile({"Apri", "/", {}}), "");
  EXPECT_EQ(events, (std::vector<std::string>{"open 0", "closed", "open 1", "closed", "open 2", "closed"}));

  events.clear();
  setBackend(std::make_shared<FailingBackend>());
  EXPECT_THROW(MsgBox("Interrompi?", mb::YesNo), std::runtime_error);
  EXPECT_EQ(events, (std::vector<std::string>{"open 3", "closed"}));

  setDialogWatch(previous);
  setBackend(nullptr);
}
