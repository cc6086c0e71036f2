#pragma once
// The two HTML layouts of the page builder: the file page, one per MP3 file
// of a book, and the book's home page index.htm. Both carry the player's page
// keywords of common/bookpage (audio meta tags, position links, key command
// links and the index anchors). Values are inserted as read,
// escaped for HTML (common/text/html_escape.h) so that the player shows
// them as they stand.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bookindex/bookindex.h"

namespace lumo::zivuvu {

using Lines = std::vector<std::string>;

struct FilePage {
  std::string title;                // the book's title
  std::string name;                 // the MP3 file name without ".mp3"
  std::string audioPath;            // absolute path of the MP3 the page plays
  std::string next;                 // the next file's name, "" for none
  std::optional<std::string> prev;  // the previous file's name, none for the first
  std::optional<int32_t> duration;  // whole seconds, when the MP3 was measured
  std::vector<bookindex::Marker> markers;
};

struct HomeFile {
  std::string name;
  int16_t markerCount = 0;
  std::vector<bookindex::Marker> markers;
};

struct HomePage {
  bookindex::Header header;
  std::string workFolder;  // the folder of the file pages, relative to index.htm
  std::string firstFile;   // the name of the first file page
  std::string mp3Folder;   // absolute folder of the MP3 files, ending with "/"
  int32_t total = 0;       // seconds of every measured file
  std::vector<HomeFile> files;
};

// The name of a file's page (without ".htm") and of the links to it: the
// file's name with every "/", "\" and NUL turned into "_", so that a name
// from the index never places a page outside the work folder.
std::string pageName(const std::string& fileName);

Lines filePageLines(const FilePage& page);
Lines homePageLines(const HomePage& page);

// " - Durata 2:05 (mm:ss)": minutes unpadded, seconds two digits.
std::string fileDurationText(int32_t seconds);
// "1:02:05": hours unpadded, minutes and seconds two digits.
std::string bookDurationText(int32_t seconds);

}  // namespace lumo::zivuvu
