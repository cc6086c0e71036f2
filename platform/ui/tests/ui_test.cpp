#include "platform/ui/ui.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "testsupport/test_files.h"

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
