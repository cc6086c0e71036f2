#pragma once
// The library discs in the CD drives, as the production tools list them in
// their drive lists: every CD-ROM mount whose marker.txt can be read as far
// as the book's title (its third line), in mount-table order.

#include <string>
#include <vector>

namespace lumo::tools {

struct LibraryDisc {
  std::string root;   // the mount root, with "/" at its end
  std::string title;  // line 3 of the disc's marker.txt
};

std::vector<LibraryDisc> libraryDiscs();

}  // namespace lumo::tools
