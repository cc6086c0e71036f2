#pragma once
// A DAISY fileset written whole or not at all. The files go into a hidden
// folder beside the fileset folder, each with one open, one write and one
// close; commit() then puts that folder in the fileset folder's place with
// one rename (an atomic exchange when a previous fileset stands there), so a
// player or a failed run only ever sees the previous fileset or the new one.
// Files of the previous fileset folder that are no part of a fileset (the
// producer's own) are carried into the new one. What a crash leaves beside
// the fileset folder is cleared by the next conversion of the same book.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/tools/tools.h"

namespace lumo::converter {

class StagedFileset {
 public:
  // Clears what an interrupted conversion left beside filesetFolder and
  // makes the empty hidden folder there. discinfo.html goes to bookFolder.
  // Throws RuntimeError 75 (naming filesetFolder) when it cannot.
  StagedFileset(std::string filesetFolder, std::string bookFolder);
  ~StagedFileset();  // removes the hidden folder unless committed
  StagedFileset(const StagedFileset&) = delete;
  StagedFileset& operator=(const StagedFileset&) = delete;

  const std::string& filesetFolder() const { return filesetFolder_; }

  // One file of the fileset, its bytes as they stand; throws RuntimeError 75
  // naming the file's final path.
  void write(const std::string& name, std::string_view bytes);
  // discinfo.html, for the book folder; written with the fileset.
  void writeDiscinfo(std::string_view bytes);
  // Copies each file into the fileset under its own name, keeping its
  // modification time; progress is reported before each file and at the
  // end. False when a file could not be copied (the copy stops there);
  // copyFailure() then tells which and why.
  using Progress = std::function<void(const tools::CopyProgress&)>;
  bool copyAudio(const std::vector<std::string>& files, const Progress& progress);
  // The same copy in the background, so that the caller can read the
  // sources meanwhile: beginCopyAudio() starts it on a thread of its own
  // (which makes only system calls and calls no hook but the copy fault of
  // the tests), reportCopyProgress() reports the files it has begun since
  // the last report, and endCopyAudio() waits for its end, reporting, and
  // calling `yield` about every 20 ms; it returns what copyAudio() would.
  // Progress is reported on the caller's thread only, each file once and
  // in order. The destructor stops a copy still running after its current
  // file.
  void beginCopyAudio(std::vector<std::string> files);
  void reportCopyProgress(const Progress& progress);
  bool endCopyAudio(const Progress& progress, const std::function<void()>& yield = {});
  // True once the background copy has stopped at a file it could not copy.
  bool copyHasFailed();
  struct CopyFailure {
    std::string file;  // the source file, as given
    int error = 0;     // its errno
  };
  const CopyFailure& copyFailure() const { return copyFailure_; }
  // The previous fileset's MP3 files become the new one's.
  void keepPreviousAudio() { keepAudio_ = true; }

  // Puts the new fileset in place of the previous one and discinfo.html in
  // the book folder, then removes the previous fileset. Throws RuntimeError
  // 75 when the fileset could not be put in place (the previous one stays).
  // Stopped at any point (a kill, a crash), the fileset folder holds the
  // previous fileset or the new one, each whole and nothing else of a
  // fileset; what lies beside it is cleared by the next conversion.
  void commit();

 private:
  void carryPrevious();
  void retire(const std::string& name);
  void copyFiles();  // the background copy's own work
  void stopCopy();

  std::string filesetFolder_, bookFolder_;
  std::string parent_, name_;  // the fileset folder as its parent and its name
  std::string stageName_;      // the hidden folder's name in parent_
  std::string discinfoName_;   // discinfo.html's hidden name in bookFolder_, once written
  int parentFd_ = -1, stageFd_ = -1, bookFd_ = -1;
  CopyFailure copyFailure_;
  // The background copy: its files, how many it has begun (the one that
  // failed included) and whether it has ended, under copyMutex_.
  std::vector<std::string> copyFiles_;
  std::thread copyThread_;
  std::mutex copyMutex_;
  std::condition_variable copyChanged_;
  int copyBegun_ = 0;
  bool copyEnded_ = false;
  int copyReported_ = 0;  // the files reported to the caller
  std::atomic<bool> copyStop_{false};
  bool keepAudio_ = false;
  bool committed_ = false;
};

// Tests: commit() as on a file system that cannot exchange two folders
// (FAT, for one). Returns the previous setting.
bool setExchangeUnavailableForTesting(bool unavailable);

// Tests: the points of commit() where a kill leaves something to look at.
// AsideOnly is reached only where the file system cannot exchange two
// folders, between the previous fileset's stepping aside and the new one's
// taking its name; it is called in the child process that does those two
// renames (see staging.cpp).
enum class CommitStep { Carried, AsideOnly, InPlace, DiscinfoPlaced };
using CommitStepHook = std::function<void(CommitStep)>;
CommitStepHook setCommitStepHookForTesting(CommitStepHook hook);

// Tests: an errno that the copy of an audio file fails with (0: none), as
// on a full disk. Returns the previous hook.
using CopyFaultHook = std::function<int(const std::string& file)>;
CopyFaultHook setCopyFaultForTesting(CopyFaultHook hook);

// True for the names a conversion writes into a fileset folder: ncc.html,
// the SMIL files clp000001.smil ..., the audio (*.mp3 in any case) and
// discinfo.html (whose place is the book folder; a fileset folder holding
// one is passed over).
bool isFilesetName(const std::string& name);

}  // namespace lumo::converter
