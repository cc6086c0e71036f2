#include "common/file/replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

namespace lumo::file {

namespace testing {
unsigned (*tempNumberSource)() = nullptr;
}  // namespace testing

namespace {
constexpr size_t kLongestName = 255;
constexpr int kAttempts = 100;
}  // namespace

ReplacementFile::Options ReplacementFile::newFileOptions() {
  return {.prefix = ".lumo" + std::to_string(::getpid()) + "-", .suffix = ".tmp", .mode = 0666, .sync = false};
}

ReplacementFile::ReplacementFile(std::filesystem::path target, Options options)
    : target_(std::move(target)), options_(std::move(options)) {}

ReplacementFile::~ReplacementFile() { discard(); }

int ReplacementFile::create() {
  if (target_.filename().string().size() > kLongestName) return ENAMETOOLONG;
  std::random_device rd;
  int error = EEXIST;
  for (int attempt = 0; attempt < kAttempts && error == EEXIST; ++attempt) {
    const unsigned number = testing::tempNumberSource ? testing::tempNumberSource() : rd();
    temp_ = target_.parent_path() / (options_.prefix + std::to_string(number % 1000000) + options_.suffix);
    file_.reset(::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, options_.mode));
    if (file_.isOpen()) return 0;
    error = errno;
  }
  temp_.clear();
  return error;
}

int ReplacementFile::commit() {
  if (!file_.isOpen()) return EBADF;
  int error = options_.sync && ::fsync(file_.get()) != 0 ? errno : 0;
  if (const int closed = file_.close(); error == 0) error = closed;
  if (error == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0) {
    discard();
    return error;
  }
  temp_.clear();
  return 0;
}

void ReplacementFile::discard() noexcept {
  file_.reset();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace lumo::file
