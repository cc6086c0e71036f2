#pragma once
// The one way the suite replaces a file: the new content goes to a file of
// its own beside the target, under a hidden name, and is renamed over the
// target only once it is whole. Until then the target stays as it was; a
// failure at any step, or a replacement given up, leaves nothing behind.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "common/file/file.h"

namespace lumo::file {

class ReplacementFile {
 public:
  struct Options {
    // The hidden name: prefix, a number, suffix. A prefix of its own lets
    // a program know its leftovers after a crash.
    std::string prefix = ".lumo";
    std::string suffix;
    // The mode the file is created with (less the umask): 0666 where the
    // result takes a new file's mode; 0600 where the caller gives it the
    // mode it must have before commit(), so its data is never open to more
    // users meanwhile.
    mode_t mode = 0600;
    // Whether commit() waits for the data to reach the disk before the
    // rename, for a file that cannot be made again (a join of parts).
    bool sync = false;
  };

  // A file that takes a new file's mode (0666 less the umask) under the
  // suite's short hidden name ".lumo<pid>-<n>.tmp", so that any target
  // name the file system takes can be written: text files, exports.
  static Options newFileOptions();

  ReplacementFile(std::filesystem::path target, Options options);
  ~ReplacementFile();  // removes the hidden file unless committed
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the hidden file: 0, or the errno of the failure. The name is
  // created, never opened (O_EXCL|O_NOFOLLOW): a file or a link that
  // someone else put there (the folder may be shared) is left alone and
  // another number tried. A target name longer than file systems take
  // fails here, not at the rename after all the data was written.
  int create();

  // The open hidden file, for writes, copies and its mode.
  int fd() const { return file_.get(); }
  // Appends bytes: 0, or the errno of the failure.
  int write(std::string_view bytes) { return writeAll(file_.get(), bytes.data(), bytes.size()); }

  // Syncs (as asked), closes and renames the file over the target: 0, or
  // the errno of the first step that failed, the hidden file then removed
  // and the target as it was.
  int commit();

  const std::filesystem::path& target() const { return target_; }

 private:
  void discard() noexcept;

  std::filesystem::path target_;
  Options options_;
  std::filesystem::path temp_;
  Handle file_;
};

namespace testing {
// The numbers of the hidden names; tests choose their own (nullptr: random).
extern unsigned (*tempNumberSource)();
}  // namespace testing

}  // namespace lumo::file
