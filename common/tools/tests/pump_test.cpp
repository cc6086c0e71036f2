#include "common/tools/pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/errors/errors.h"

namespace {

using lumo::tools::PostedCalls;
using lumo::tools::runPumped;

// The window keeps handling its events while the step works: a step that
// can only end once the window has been served several times does end, and
// what it posted reaches the waiting thread in order, before the result.
TEST(RunPumped, TheWindowIsServedWhileTheStepWorks) {
  std::atomic<int> yields{0};
  const std::thread::id window = std::this_thread::get_id();
  std::vector<std::string> delivered;
  bool allOnTheWindowThread = true;
  PostedCalls posted;
  const std::function<void()> yield = [&] { ++yields; };
  const int result = runPumped(yield, &posted, [&] {
    for (int step = 1; step <= 3; ++step) {
      posted.post([&, step] {
        allOnTheWindowThread = allOnTheWindowThread && std::this_thread::get_id() == window;
        delivered.push_back("file " + std::to_string(step));
      });
      // Each part of the work lasts until the window has been served again.
      const int seen = yields.load();
      while (yields.load() < seen + 2) std::this_thread::yield();
    }
    return 42;
  });
  EXPECT_EQ(result, 42);
  EXPECT_GE(yields.load(), 6);
  EXPECT_EQ(delivered, (std::vector<std::string>{"file 1", "file 2", "file 3"}));
  EXPECT_TRUE(allOnTheWindowThread);
}

// A failing step fails the call with its own error, whether it ran beside
// the window or, without a yield, as a plain call on the caller's thread.
TEST(RunPumped, TheStepsErrorReachesTheCallerAndWithoutAYieldItRunsHere) {
  const std::function<void()> yield = [] {};
  for (const std::function<void()>& y : {yield, std::function<void()>()}) {
    SCOPED_TRACE(y ? "with a yield" : "without a yield");
    try {
      runPumped(y, [] { throw lumo::RuntimeError(lumo::err::FileNotFound); });
      ADD_FAILURE() << "no error";
    } catch (const lumo::RuntimeError& e) {
      EXPECT_EQ(e.number(), lumo::err::FileNotFound);
    }
  }
  const std::thread::id caller = std::this_thread::get_id();
  std::thread::id ranOn;
  PostedCalls posted;
  bool delivered = false;
  runPumped({}, &posted, [&] {
    ranOn = std::this_thread::get_id();
    posted.post([&] { delivered = true; });
  });
  EXPECT_EQ(ranOn, caller);
  EXPECT_TRUE(delivered);
}

}  // namespace
