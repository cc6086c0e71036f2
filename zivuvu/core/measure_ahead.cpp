#include "zivuvu/core/measure_ahead.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/errors/errors.h"
#include "platform/shell/drives.h"

namespace lumo::zivuvu {

namespace fs = std::filesystem;

namespace {

// How long the waiting thread sleeps between two yields.
constexpr std::chrono::milliseconds kYieldWait{10};

}  // namespace

size_t MeasureAhead::threadsFor(const std::string& folder) {
  std::error_code ec;
  const std::string path = fs::weakly_canonical(folder, ec).string();
  if (ec) return kThreads;
  // The mount that holds the folder: the longest mount point it lies in.
  std::string holder;
  for (const shell::MountEntry& m : shell::readMountTable()) {
    const std::string& point = m.mountPoint;
    const bool inside = point == "/" || path == point || path.starts_with(point + "/");
    if (inside && point.size() >= holder.size()) holder = point;
  }
  return !holder.empty() && shell::driveType(holder) == shell::drive::CdRom ? 1 : kThreads;
}

MeasureAhead::MeasureAhead(std::vector<std::string> paths, Resolve resolve, mp3::YieldFn yield, size_t threads)
    : resolve_(std::move(resolve)), yield_(std::move(yield)) {
  files_.reserve(paths.size());
  for (std::string& path : paths) files_.push_back({State::Waiting, {std::move(path), std::nullopt}});
  threads = std::min(threads, files_.size());
  for (size_t t = 0; t < threads; ++t) {
    try {
      threads_.emplace_back([this] { work(); });
    } catch (const std::system_error&) {
      break;  // the files no thread takes are measured by duration() itself
    }
  }
}

MeasureAhead::~MeasureAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

// Only the thread that claimed the file touches its result until it is Done.
void MeasureAhead::measure(File& file, const mp3::YieldFn& yield) const {
  Measured& m = file.measured;
  if (resolve_) skipOnError([&] { m.path = resolve_(m.path); });
  // A file that cannot be measured only loses its playing time.
  mp3::Mp3Info info;
  skipOnError([&] {
    if (mp3::GetMp3Info(m.path, info, yield) == 1) m.duration = info.Duration;
  });
}

void MeasureAhead::work() {
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || next_ >= files_.size() || next_ < taken_ + kAhead; });
    if (stopping_ || next_ >= files_.size()) return;
    File& file = files_[next_++];
    file.state = State::Measuring;
    lock.unlock();
    // No yield here: it handles the window's events, on the window's thread only.
    measure(file, {});
    lock.lock();
    file.state = State::Done;
    lock.unlock();
    changed_.notify_all();
  }
}

MeasureAhead::Measured MeasureAhead::take(size_t i) {
  std::unique_lock<std::mutex> lock(mutex_);
  taken_ = i;
  changed_.notify_all();
  File& file = files_[i];
  if (file.state == State::Waiting) {
    // No thread has taken it (none could be started, or none has come to
    // it yet): it is measured here, as it would be without threads.
    file.state = State::Measuring;
    next_ = std::max(next_, i + 1);
    lock.unlock();
    measure(file, yield_);
    lock.lock();
    file.state = State::Done;
  }
  while (file.state != State::Done) {
    if (!yield_) {
      changed_.wait(lock);
      continue;
    }
    lock.unlock();
    yield_();
    lock.lock();
    if (file.state != State::Done) changed_.wait_for(lock, kYieldWait);
  }
  taken_ = i + 1;
  Measured measured = std::move(file.measured);
  lock.unlock();
  changed_.notify_all();
  return measured;
}

}  // namespace lumo::zivuvu
