#pragma once
// The playing times of a book's MP3 files, measured a few files at a time on
// threads of their own, ahead of the page that needs each one, so that the
// reads of one file overlap those of the next ones and the writing of the
// pages. Each file's path is looked up (its case resolved) and the file
// measured on its own (GetMp3Info with a record of its own); the results are
// taken in the book's order. The yield is called only on the thread that
// takes the results, while it waits.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/mp3/mp3.h"

namespace lumo::zivuvu {

class MeasureAhead {
 public:
  // Gives a path as it is to be opened (its case resolved).
  using Resolve = std::function<std::string(const std::string&)>;

  // Starts measuring resolve(paths[0]), resolve(paths[1]), ... at once.
  MeasureAhead(std::vector<std::string> paths, Resolve resolve, mp3::YieldFn yield, size_t threads = kThreads);
  // Waits for the measurements under way and stops.
  ~MeasureAhead();
  MeasureAhead(const MeasureAhead&) = delete;
  MeasureAhead& operator=(const MeasureAhead&) = delete;

  struct Measured {
    std::string path;                 // resolve(paths[i])
    std::optional<int32_t> duration;  // in whole seconds; nothing when GetMp3Info did not return 1 or raised an error
  };
  // The file paths[i], measured. Taken in order: i is the one after the
  // index taken before.
  Measured take(size_t i);

  // Threads that measure, and how many files beyond the one taken last
  // they may measure (what a disk serves at once; the results wait in
  // memory, a few bytes each).
  static constexpr size_t kThreads = 4;
  static constexpr size_t kAhead = 32;

  // The threads for the files of a folder: one on a CD-ROM drive (the
  // mount that holds the folder is one, as the drive list tells it), whose
  // head would otherwise go back and forth between the files; kThreads
  // elsewhere.
  static size_t threadsFor(const std::string& folder);

 private:
  enum class State { Waiting, Measuring, Done };
  struct File {
    State state = State::Waiting;
    Measured measured;  // path: as given until measured
  };

  void measure(File& file, const mp3::YieldFn& yield) const;
  void work();

  std::vector<File> files_;
  Resolve resolve_;
  mp3::YieldFn yield_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0;   // the next file a thread takes
  size_t taken_ = 0;  // the files whose results were taken
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace lumo::zivuvu
