#pragma once
// The split job of LumoSplitter: reads a book index, cuts every source MP3
// file at its markers with one run of mp3splt per file, names the parts
// with book-wide numbers, joins a part that continues the previous file onto
// that file's last part, tags the parts and writes a new marker.txt of the
// parts; on request it then cuts every part again into pieces of a chosen
// length at pauses and indexes the pieces.
//
// The job runs synchronously inside the window's click handler and yields to
// the window through the hooks; every question and message goes through
// platform/ui. It does not use Qt: the engine is run through an
// EngineRunner that the program provides.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/bookindex/bookindex.h"
#include "common/mp3/mp3.h"
#include "splitter/core/book_lock.h"
#include "splitter/core/engine_runner.h"
#include "splitter/core/list_table.h"
#include "splitter/id3/tag_v2.h"

namespace lumo::splitter {

class PartReceiver;

// The window's fields that a job reads, as the user left them.
struct JobFields {
  std::string programFolder;         // AppDir: where the engine link "mp3splt" lies (with or without "/")
  std::string indexPath;             // txtmarker
  std::string mp3Folder;             // txtmp3, ends in "/"
  std::string exportPath;            // txtSelected, ends in "MyLUMO/"
  bool tags = true;                  // tid3
  bool joinContinuations = true;     // Checkunion
  bool openWhenDone = true;          // Check1
  bool cutByLength = false;          // Check2
  bool namesWithDescription = true;  // optExample(3); false: optExample(2)
  std::string partMinutes = "5";     // durfile
  std::string threshold = "35";      // th
  std::string minSilence = "3";      // thsec
};

// How the job talks to its window; each may be empty.
struct JobHooks {
  std::function<void()> yield;
  std::function<void()> showProgress;  // Form3, topmost
  std::function<void()> closeProgress;
  std::function<void(const std::string& caption)> progressCaption;
  // The bar of the cut by index (1) or by length (2): value, maximum, percentage text.
  std::function<void(int bar, int value, int maximum, const std::string& percent)> progress;
  // The captions of vai and of the menu Taglia: running ("INTERROMPI") or idle ("TAGLIA").
  std::function<void(bool running)> running;
  std::function<void()> closeWindow;  // the window was asked to close during the job
};

// The continuation mark a part's new name holds while it is to be joined.
inline constexpr const char* kContinuationMark = "--- continua ---";

// The text of an MPEG channel mode (0 to 3); run-time error 9 for others.
std::string ChannelMode(uint8_t Num);

// The first n characters (not bytes) of a UTF-8 text.
std::string firstChars(const std::string& utf8, size_t n);

class SplitJob {
 public:
  SplitJob();
  SplitJob(const SplitJob&) = delete;
  SplitJob& operator=(const SplitJob&) = delete;

  JobFields fields;
  JobHooks hooks;
  EngineRunner runEngine;  // required to cut anything

  // The four tables of the window.
  ListTable lv;   // source files (and the parts cut by length)
  ListTable lv4;  // the markers of the file in hand
  ListTable lv6;  // the index parts of the book
  ListTable lv8;  // the pieces of the cut by length

  // Starts a job and runs it to its end, or, while one runs, asks the user
  // whether to stop it (the window's vai button and its Esc key).
  void StartOrStop();
  // The stop request: clears Working and logs the stop.
  void StopJob();
  // The window asks to close: stops a running job and closes the window at
  // its end (true), or lets it close at once (false).
  bool RequestUnload();

  bool IsContinuation(const std::string& description) const;

  // The steps of a job, usable on their own by tests.
  void PrepareOutputFolders();
  void CutByDuration();

  int16_t Working() const { return working_; }
  int16_t UnloadPending() const { return unloadPending_; }
  // "0" success or stopped by the user, "1" cancelled or failed.
  const std::string& result() const { return result_; }
  const std::string& BookDir() const { return bookDir_; }
  const std::string& IndexDir() const { return indexDir_; }
  const std::string& DurationDir() const { return durationDir_; }
  int16_t IndexFileCount() const { return indexFileCount_; }
  int32_t DurationFileCount() const { return durationFileCount_; }
  const bookindex::Header& book() const { return book_; }

 private:
  struct CutPoints;

  // The job (splitjob.cpp): its run from the index to the clean-up, and one
  // run of the engine as both cuts make it.
  void run();
  void cleanUp();
  void log(const std::string& text);
  void progress(int bar, int value, int maximum, int divisor);
  std::string engineProgram() const;
  // Runs the engine into `folder` and returns the parts it wrote there, in
  // the order of their numbers; on a failed run reports it and returns nullopt,
  // led by `cause` (what is wrong, in the reader's words) when mp3splt refused.
  std::optional<std::vector<std::string>> cut(const std::vector<std::string>& args, const std::string& folder,
                                              const std::string& source, size_t expected, const std::string& cause = {},
                                              PartReceiver* receiver = nullptr);
  // The row of lv for the file in hand (info_), with its cut times.
  void addFileRow(const std::string& name, const std::string& times);

  // The cut at the markers (marker_cut.cpp).
  // Cuts the book's files; false when the job ended early (stop, a file
  // that cannot be read, a failed engine run).
  bool runFiles(const std::vector<bookindex::FileRecord>& files);
  // Lists a file's markers in lv4 with the names of their parts; offset
  // carries the book-wide part numbers from file to file.
  CutPoints listMarkers(const bookindex::FileRecord& record, int fileNumber, int16_t& offset);
  // Gives the parts of a VBR recording the VBR header mp3splt leaves out;
  // false (after reporting it) when one could not be written.
  bool addVbrHeaders(const std::vector<std::string>& parts, const std::string& source);

  // The parts' names, joins and tags (index_parts.cpp).
  void ProcessIndexParts(const std::vector<std::string>& parts);
  // Joins part S, which continues the previous file, onto that file's last
  // part; true when joined. A part left apart gets its own name in lv4's row k.
  bool joinContinuation(int k, const std::string& S);
  std::string ownContinuationName() const;
  // Moves part S to T and tags it there (when tagIt) unless it already holds its tag.
  void moveIntoPlace(const std::string& S, const std::string& T, bool tagIt, const std::string& title,
                     const std::string& track);
  void tag(const std::string& path, const std::string& title, const std::string& track);
  id3::TypeTagV2 partTag(const std::string& title, const std::string& track) const;
  std::string untaggedReport() const;
  void writeIndex(const ListTable& table, int nameColumn, int titleColumn, int pageColumn);

  // The cut by length (length_cut.cpp).
  std::optional<std::vector<std::string>> recutAtFrames(const std::string& part, const std::string& folder,
                                                        const std::string& base,
                                                        const std::vector<std::string>& enginePieces, int row);
  void ProcessDurationParts(int r, const std::string& folder, const std::string& base,
                            const std::vector<std::string>& pieces);

  // The book's folders and its lock (book_folders.cpp).
  void formFolders();
  // True (after telling the reader) when a folder the parts go to is the
  // folder of the MP3 files.
  bool outputIsSource();
  void makeBookFolders();
  bool writableFolders();
  // Takes the book for this job; false when another session holds it.
  bool lockBook();

  bool running_ = false;  // between the start of a job and its clean-up
  int16_t working_ = 0;
  int16_t cancelled_ = 0;
  int16_t unloadPending_ = 0;
  bool failed_ = false;                // an error of this job's own (engine, join) ended it
  std::vector<std::string> untagged_;  // the parts whose tag could not be written
  std::set<std::string> tagged_;       // the parts (or pieces) of the file in hand that already hold their tag
  BookLock bookLock_;                  // the book folder, locked while the job runs
  std::string result_ = "0";
  std::string bookDir_, indexDir_, durationDir_;
  std::string currentFile_;
  int16_t fileRow_ = 0;
  std::string prevLastDescription_, prevLastName_;
  int16_t indexFileCount_ = 0;
  int32_t durationFileCount_ = 0;
  // The user asked this job to stop (its end says so).
  bool stopAsked_ = false;
  bookindex::Header book_;
  mp3::Mp3Info info_;
};

}  // namespace lumo::splitter
