#pragma once
// The conversion of one book: reads the book index, prepares the export
// folders and copies the MP3 files, measures each MP3 file, builds the
// conversion table and the summary, then writes the DAISY fileset and the
// conversion report. It runs synchronously; the window passes hooks for its
// progress window and a yield.

#include <cstdint>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/mp3/mp3.h"
#include "common/tools/contasize.h"
#include "converter/core/book_data.h"
#include "converter/core/conversion_table.h"
#include "converter/core/staging.h"

namespace lumo::converter {

// What the window holds for a run.
struct ConversionRequest {
  std::string exportBase;       // E, ends in "/"
  std::string exportFolder;     // X: the text of txtselected
  std::string indexPath;        // the text of txtmarker
  std::string mp3Folder;        // M: the text of txtmp3, ends in "/"
  bool onePagePerFile = false;  // Check2: a page number only at the start of each file
  bool openWhenDone = false;    // Check1: open the book folder at the end
  std::string programFolder;    // A, where the report goes
};

// How the run talks to its window. Each may be empty.
struct RunHooks {
  std::function<void()> begin;           // show the progress window, disable the main window
  std::function<void()> end;             // close the progress window, enable the main window
  std::function<void()> yield;           // let the window handle pending events
  StagedFileset::Progress copyProgress;  // before each audio file copied, and at the end
};

enum class RunOutcome {
  Completed,  // fileset and report written, completion shown
  Stopped,    // ended on a checked condition, after its message (if any)
  Failed,     // ended by a run-time error
};

// t: the current marker's text, p: the previous file's last marker text, both
// in lower case and trimmed.
bool IsContinuationMarker(const std::string& t, const std::string& p);
bool IsSubsectionMarker(const std::string& t);

// Lower case of the Latin letters windows-1252 has, other characters kept.
std::string lowerText(const std::string& utf8);

class Conversion {
 public:
  // Converti_Click's run, from the progress window to the completion message.
  RunOutcome Converti(const ConversionRequest& request, const RunHooks& hooks = {});

  ConversionTable& table() { return table_; }
  const ConversionTable& table() const { return table_; }
  const Summary& summary() const { return summary_; }
  const BookData& book() const { return book_; }
  int32_t maxPageNormal() const { return maxPageNormal_; }
  const std::string& bookFolder() const { return bookFolder_; }        // B
  const std::string& filesetFolder() const { return filesetFolder_; }  // S

  // The date written into ncc.html; today by default.
  std::function<std::tm()> today;

  // The steps of the run, each usable on its own.
  // Makes the export folders and the new fileset's hidden folder, and
  // copies the book's audio into it (or keeps the previous fileset's); false
  // when the copy was tried and failed. Nothing the previous fileset holds
  // changes before the new one is complete. In the background, the copy
  // only begins (false only when there is no hidden folder to copy into),
  // and audioCopied() waits for its end.
  bool PrepareExportFolder(bool inBackground = false);
  // Waits for a copy begun in the background, reporting its progress;
  // false when it failed. True when none is running.
  bool audioCopied(const std::function<void()>& yield = {});
  bool IsContinuationMarker() const { return converter::IsContinuationMarker(current_, previous_); }
  bool IsSubsectionMarker() const { return converter::IsSubsectionMarker(current_); }
  void makeRow(int f, int i, int markerCount, const std::string& description, int16_t start, const std::string& page,
               const std::string& fileName, int32_t fileDuration);
  void setEnd(int row, int32_t end);
  void GroupPass();
  void PagePass();
  void DurationPass();
  void SetTotals();

 private:
  RunOutcome run(const RunHooks& hooks);
  void formFolders();

  ConversionRequest request_;
  ConversionTable table_;
  Summary summary_;
  BookData book_;
  double byteTotal_ = 0;
  int32_t maxPageNormal_ = -1;
  int64_t runningTotal_ = 0;
  std::string current_, previous_;
  std::string folderCode_;  // the book code as the folders' names carry it
  std::string bookFolder_, filesetFolder_;
  tools::contasize counter_;
  mp3::Mp3Info info_;
  std::unique_ptr<StagedFileset> stage_;  // the new fileset during a run
  std::exception_ptr stageFailure_;       // why there is none, raised when it is written
  StagedFileset::Progress copyProgress_;
  bool copying_ = false;                            // a copy of the audio runs in the background
  std::vector<std::filesystem::path> madeFolders_;  // by this run, outermost first
  std::function<void()> yield_;                     // the run's, while it lasts
};

}  // namespace lumo::converter
