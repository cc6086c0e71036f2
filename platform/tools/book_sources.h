#pragma once
// Where the production tools (the converter, the splitter) take a book from:
// a library disc in a CD drive, or an index file and an MP3 folder that the
// producer picks by hand.

#include <string>
#include <vector>

namespace lumo::tools {

struct LibraryDisc {
  std::string root;   // the mount root, with "/" at its end
  std::string title;  // line 3 of the disc's marker.txt
};

// The library discs, as the drive lists show them: every CD-ROM mount whose
// marker.txt can be read as far as the book's title (its third line), in
// mount-table order.
std::vector<LibraryDisc> libraryDiscs();

// The index-file picker; it starts in the MP3 folder when one is chosen, else
// in the home folder. Returns the file chosen, or "".
std::string PickBookIndex(const std::string& mp3Folder);

// The MP3-folder picker; it starts in the index file's folder when one is
// chosen. A folder without MP3 files is refused with "La cartella selezionata
// non contiene file mp3". Returns the folder chosen with "/" at its end, or "".
std::string PickMp3Folder(const std::string& indexPath);

// True when the index file opens for reading; otherwise shows "Il percorso
// selezionato precedentemente non è più attivo." and returns false.
bool fileexists(const std::string& indexPath);

}  // namespace lumo::tools
