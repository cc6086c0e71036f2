#pragma once
// A long step of a job that yields to its window (a big file copied, joined,
// tagged or measured) runs on a thread of its own while the window's thread
// waits for it and keeps handling its events through the job's yield, so a
// key, a click or a screen reader's question is answered during the step
// and not only after it. A step touches only its own files and values; what
// it has to tell the window (its progress) it posts, and the waiting thread
// makes those calls, in order.

#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace lumo::tools {

// How long the waiting thread sleeps between two yields.
inline constexpr std::chrono::milliseconds kPumpWait{10};

// Calls a step makes on the waiting thread.
class PostedCalls {
 public:
  // From the step: the call is made on the waiting thread, after those posted before it.
  void post(std::function<void()> call) {
    const std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
  }
  // On the waiting thread: makes the calls posted so far.
  void deliver() {
    std::vector<std::function<void()>> calls;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      calls.swap(calls_);
    }
    for (const std::function<void()>& call : calls) call();
  }

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> calls_;
};

// Runs step and returns its result (or throws its exception). With a yield
// the step runs on a thread of its own and yield is called before it and
// then every kPumpWait until it has ended, the posted calls made at each
// turn and once more at the end; without one it runs here, as a plain call.
template <class Step>
std::invoke_result_t<Step&> runPumped(const std::function<void()>& yield, PostedCalls* posted, Step&& step) {
  if (!yield) {
    if constexpr (std::is_void_v<std::invoke_result_t<Step&>>) {
      step();
      if (posted) posted->deliver();
      return;
    } else {
      auto value = step();
      if (posted) posted->deliver();
      return value;
    }
  }
  auto done = std::async(std::launch::async, [&step] { return step(); });
  do {
    yield();
    if (posted) posted->deliver();
  } while (done.wait_for(kPumpWait) != std::future_status::ready);
  if (posted) posted->deliver();
  return done.get();
}

template <class Step>
std::invoke_result_t<Step&> runPumped(const std::function<void()>& yield, Step&& step) {
  return runPumped(yield, nullptr, std::forward<Step>(step));
}

}  // namespace lumo::tools
