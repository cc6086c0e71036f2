#pragma once
// The files of a split job's parts and pieces: how their names are made to
// fit the file system, and how they are moved into place.

#include <cstddef>
#include <string>

namespace lumo::splitter {

// A file's name has at most 255 bytes: a name made of a long description
// (in letters that take two or three bytes each) is cut to fit with ".mp3".
inline constexpr size_t kNameBytes = 250;

// A number of at least three digits, with leading zeros ("007").
std::string threeDigits(long long n);

// A name as a file or folder name can hold it: "/" and NUL (and the other
// control characters) become "_".
std::string fileNameSafe(std::string name);

// True when path names a regular file (or a link to one).
bool isFile(const std::string& path);

// Renames without ever replacing a file that is already there; raises
// run-time error 75 when to exists or the rename fails.
void renameNoReplace(const std::string& from, const std::string& to);

}  // namespace lumo::splitter
