// A conversion keeps its window alive: the window is served while the book's
// audio is copied and measured, and the copy's progress reaches the window
// on the window's own thread, in order.

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "converter/core/tests/converter_fixture.h"

using namespace lumo::converter;
using namespace lumo::converter::testing;

TEST_F(ConverterFixture, TheWindowIsServedDuringTheRunAndSeesTheCopysProgressInOrder) {
  TestBook book;
  book.files = {{"01", 30, {{"Capitolo primo", 0, "1"}}},
                {"02", 20, {{"Capitolo secondo", 0, "2"}}},
                {"03", 15, {{"Capitolo terzo", 0, "3"}}}};
  write(book);
  const std::thread::id window = std::this_thread::get_id();
  int yields = 0;
  bool onTheWindowThread = true;
  std::vector<std::string> progress;
  RunHooks hooks;
  hooks.yield = [&] {
    ++yields;
    onTheWindowThread = onTheWindowThread && std::this_thread::get_id() == window;
  };
  hooks.copyProgress = [&](const lumo::tools::CopyProgress& p) {
    onTheWindowThread = onTheWindowThread && std::this_thread::get_id() == window;
    progress.push_back(p.finished ? "fine"
                                  : p.file + " " + std::to_string(p.fileIndex) + "/" + std::to_string(p.fileCount));
  };
  ASSERT_EQ(conversion.Converti(request, hooks), RunOutcome::Completed) << ::testing::PrintToString(texts());
  EXPECT_EQ(progress, (std::vector<std::string>{"01.mp3 1/3", "02.mp3 2/3", "03.mp3 3/3", "fine"}));
  EXPECT_TRUE(onTheWindowThread);
  // Served at least once for the copy and once for each file measured.
  EXPECT_GE(yields, 4);
  EXPECT_EQ(conversion.table().rowCount(), 3);
  EXPECT_EQ(conversion.summary().Text2, "65");
}
