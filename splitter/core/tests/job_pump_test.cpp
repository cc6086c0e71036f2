// The split job keeps its window alive while it works: the engine's wait
// serves the window at every turn, a stop asked while the engine works is
// asked at once, and a stopped job says that it stopped.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "splitter/core/engine_process.h"
#include "splitter/core/tests/job_fixture.h"

namespace lumo::splitter::testing {
namespace {

// The engine's wait yields again and again while the program runs, not
// once per run: a program that can only end after the window has been
// served five times does end, and is reported as it ended.
TEST_F(JobTest, TheEngineWaitServesTheWindowWhileTheProgramRuns) {
  const fs::path flag = dir_ / "served";
  int yields = 0;
  const EngineResult r =
      RunWithQProcess("/bin/sh", {"-c", "while [ ! -e \"$0\" ]; do sleep 0.01; done; echo fine", flag.string()}, [&] {
        if (++yields == 5) std::ofstream(flag) << "x";
      });
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.crashed);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "fine\n");
  EXPECT_GE(yields, 5);
}

// An engine that takes K steps, serving the window at each, then cuts with
// the real mp3splt. The window's yield is where a key reaches the job: the
// question comes at the step the key was pressed, not after the file. The
// job then finishes the file in hand and ends without the new index; asked
// through the question it says that it stopped, closing the window it does not.
TEST_F(JobTest, AStopAskedWhileTheEngineWorksIsAskedAtOnceAndTheStoppedJobSaysSo) {
  constexpr int kSteps = 8;
  struct Case {
    const char* how;
    bool byQuestion;
  };
  for (const Case& c : {Case{"the stop question", true}, Case{"closing the window", false}}) {
    SCOPED_TRACE(c.how);
    ui_->clear();
    opened_.clear();
    TestBook book;
    book.files = {{"CAP1", {{"Capitolo primo", 0, "1"}, {"Il grillo parlante", 10, "5"}}},
                  {"CAP2", {{"Capitolo secondo", 0, "9"}}}};
    makeBook(book, {"t40", "t12"});
    int engineRuns = 0, engineStep = 0, askedAtStep = 0;
    bool pressed = false;
    job_.runEngine = [&](const std::string& program, const std::vector<std::string>& args,
                         const std::function<void()>& yield) {
      ++engineRuns;
      for (engineStep = 1; engineStep <= kSteps; ++engineStep) yield();
      engineStep = 0;
      return RunWithQProcess(program, args, yield);
    };
    job_.hooks.yield = [&] {
      if (pressed || engineRuns != 1 || engineStep != 3) return;
      pressed = true;
      if (c.byQuestion) {
        ui_->queueAnswer(ui::Answer::Yes);
        job_.StartOrStop();  // Esc in the progress window
        if (!ui_->shown().empty() && ui_->shown().back().title == "Interrompi?") askedAtStep = engineStep;
      } else {
        EXPECT_TRUE(job_.RequestUnload());
      }
    };
    job_.StartOrStop();
    EXPECT_EQ(job_.result(), "0");
    EXPECT_EQ(engineRuns, 1) << "the file in hand is finished, no other is cut";
    EXPECT_EQ(mp3Names(indexDir()),
              (std::vector<std::string>{"001_p1_Capitolo primo.mp3", "002_p5_Il grillo parlante.mp3"}));
    EXPECT_FALSE(fs::exists(indexDir() / "marker.txt"));
    EXPECT_NE(logEntry("***** Sequenza di taglio interrotta dall'utente. *****"), "");
    if (c.byQuestion) {
      EXPECT_EQ(askedAtStep, 3);
      EXPECT_EQ(messages(), (std::vector<std::string>{"Lumosplitter sta lavorando.\nDesiseri ugualmente fermare il "
                                                      "ciclo di lavoro?\nVerrai ugualmente indirizzato nella cartella "
                                                      "di esportazione",
                                                      "Sequenza di taglio interrotta dall'utente."}));
      EXPECT_EQ(ui_->shown().back().icon(), ui::mb::Information);
      EXPECT_EQ(opened_, std::vector<std::string>{indexDir().string()});
    } else {
      EXPECT_TRUE(messages().empty()) << ::testing::PrintToString(messages());
      EXPECT_EQ(job_.UnloadPending(), 1);
    }
    std::error_code ec;
    fs::remove_all(bookDir(), ec);
  }
}

}  // namespace
}  // namespace lumo::splitter::testing
