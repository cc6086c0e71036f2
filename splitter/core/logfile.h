#pragma once
// The run log of LumoSplitter: a windows-1252 text file with CR LF line ends
// beside the program, named after the program's title ("LUMOSplitter.log"
// in the program folder, platform/shell's programFolder()). Every split job
// starts it anew with a header that names the deploying organisation and the
// program's version; every entry is one line of the date and time, a tab and
// the entry's text. Before an entry is written to a log that has grown past
// 2,000,000 bytes, the log is moved to the rotated copy
// "LUMOSplitter.log.old" (one generation) and starts again empty.
//
// The log never fails its caller: a log that cannot be written (a read-only
// program folder, for instance) loses the entry without a word.
//
//   WriteLog("", 1);                                  // a new job: a new log with its header
//   WriteLog("Percorso file mp3: " + folder, 0);      // an entry

#include <cstdint>
#include <string>

namespace lumo::splitter {

// The program's title (App.Title), which also names its log.
inline constexpr const char* kApplicationTitle = "LUMOSplitter";

// A log larger than this is rotated before the next entry.
inline constexpr int32_t kLogRotateSize = 2000000;

// The log's path: the program folder, "/", the title and ".log".
std::string LogFilePath();

// Mode 1 starts a new log: it empties the log (or creates it) and writes the
// header, the text being ignored; the rotated copy is left as it is. Any
// other mode appends one entry: the user's short date, a blank and the long
// time (of the environment's LC_TIME locale, as strftime's %x and %X give
// them), a tab and the text, then CR LF; the text is written as
// windows-1252, a character it lacks as "?". Every error is swallowed.
void WriteLog(const std::string& text, int16_t mode) noexcept;

// The size in bytes of the file at path, or -1 when no such file exists
// (a folder is no file, and neither is a file that cannot be looked at).
// Errors pass to the caller: run-time error 6 for a file of 2^31 bytes or more.
int32_t GetFileSize(const std::string& path);

}  // namespace lumo::splitter
