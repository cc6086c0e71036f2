#pragma once
// The file counter of LumoSplitter: counts the files of one folder by
// extension and name prefix (the cut by length learns how many pieces the
// engine made of a part), and lists a folder's files of one extension into
// a table of the window.
//
// Names compare without regard to case: the extension is matched against
// the name in lower case and the prefix in upper case against the name in
// upper case, so the caller passes the extension in lower case ("mp3",
// without the dot). Only files directly in the folder count; subfolders are
// not entered. A failure (a folder that does not exist, for instance) shows
// "Errore nel modulo del conteggio archivio." followed by the error's
// description through platform/ui (OK button, no icon) and gives 0.

#include <cstdint>
#include <functional>
#include <string>

#include "splitter/core/list_table.h"

namespace lumo::splitter {

class contafile {
 public:
  // yield lets the window handle its pending events, once in each walk.
  explicit contafile(std::function<void()> yield = {}) : yield_(std::move(yield)) {}

  // A flag kept for callers that expect it; no walk consults it.
  bool Cancel() const { return cancel_; }
  void Cancel(bool aCancel) { cancel_ = aCancel; }

  // The number of files in the folder path whose name ends with est and
  // begins with nfmp3 (an empty est or nfmp3 matches every name; "mp3" also
  // matches a name ending in "mp3" without a dot). Yields once, before the walk.
  int32_t Contrinper(const std::string& path, const std::string& nfmp3, const std::string& est);

  // Clears lv6, yields once, then adds a row for each file of the folder path
  // whose name ends with est, in name order: the row's text is its number
  // (1, 2, 3 ...) and its column 1 the name without its last 4 characters
  // (a three-letter extension and its dot). Returns the number of files. A
  // name of fewer than 4 characters ends the walk with the message (error 5);
  // the rows added so far stay.
  int32_t ContarArchivos(const std::string& path, const std::string& est, ListTable& lv6);

 private:
  std::function<void()> yield_;
  bool cancel_ = false;
};

}  // namespace lumo::splitter
