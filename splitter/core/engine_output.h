#pragma once
// What one run of mp3splt is given and leaves behind: a private folder for
// its parts, the name pattern they are written under, the parts it wrote,
// and its command as the log shows it. Both cuts of the split job (at the
// markers and by length) run the engine this way.

#include <string>
#include <vector>

namespace lumo::splitter {

// A folder of its own for one engine run, removed with whatever is left in
// it when the run's parts have been taken out.
class PrivateFolder {
 public:
  explicit PrivateFolder(const std::string& parent);
  ~PrivateFolder();
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The name part of mp3splt's output pattern: "@" (and "%", which mp3splt
// reads as "@") would start one of its variables, "+" becomes a blank in its
// names and "/" a folder.
std::string patternBase(std::string name);

// The name mp3splt gives part j of n with the output pattern base + "_@n":
// the number with as many digits as n has ("1" of 1, "03" of 12).
std::string enginePartName(const std::string& base, int j, int n);

// The MP3 files the engine wrote into its private folder, in the order of
// their part numbers (the digits after the last "_").
std::vector<std::string> collectParts(const std::string& folder);

// The engine's command as it runs, for the log: the program and every
// argument that holds more than letters, digits and ".,=+-" in quotes.
std::string commandLine(const std::string& program, const std::vector<std::string>& args);

}  // namespace lumo::splitter
