#pragma once
// A split job's hold on its book folder: an exclusive lock on the folder,
// kept until the job's clean-up (the system drops it when the process
// dies). Two sessions thus never cut one book at once, and temporaries in a
// book folder that no job holds are leftovers of a job that was killed.

#include <string>

namespace lumo::splitter {

class BookLock {
 public:
  enum class State {
    Held,           // this job holds the book
    HeldElsewhere,  // another job (another session) holds it
    Unavailable,    // the folder could not be opened or locked
  };

  BookLock() = default;
  ~BookLock() { release(); }
  BookLock(const BookLock&) = delete;
  BookLock& operator=(const BookLock&) = delete;

  // Locks the folder, without waiting; an earlier hold is released first.
  State acquire(const std::string& folder);
  void release();

 private:
  int fd_ = -1;
};

}  // namespace lumo::splitter
