// The split job keeps its window alive while it works: the engine's wait
// serves the window at every turn, a stop asked while the engine works is
// asked at once, and a stopped job says that it stopped.

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace lumo::splitter::testing
