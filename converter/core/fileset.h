#pragma once
// The DAISY 2.02 audio-NCC fileset of a converted book: one SMIL 1.0 file
// per group of rows and ncc.html in the fileset folder, discinfo.html in the
// book folder. Everything is written from the finished conversion table.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "converter/core/book_data.h"
#include "converter/core/conversion_table.h"

namespace lumo::converter {

// What the writers read; they change none of it.
struct FilesetData {
  const ConversionTable& table;
  const Summary& summary;
  const BookData& book;
  std::string folderCode;    // the book code as the fileset folder is named
  int32_t maxPageNormal;     // -1 when the book has no normal page
  std::tm date;              // written into ncc.html as dd-mm-yyyy
  int major = 0, minor = 0;  // 0, 0: the suite's own version
};

// One group: a row of level 1 or 2 (or row 1) with the level-0 rows after it.
struct Group {
  int first;  // row number
  int count;  // its "Invoice"
};
std::vector<Group> groupsOf(const ConversionTable& table);

// Seconds as h:mm:ss (3725 gives 1:02:05).
std::string clockForm(int64_t seconds);

// A counter as six digits with leading zeros (1 gives 000001).
std::string sixDigits(int32_t counter);

// Text placed in the XML files: "&", "<", ">" and double quotes become
// entities, so that every title, name and description keeps the files
// well-formed; the "&quot;" already made from a description's quotes stays.
// Control characters (but the tab) become "?", and characters beyond
// ISO-8859-1 become character references ("&#8230;", "&#321;"), so every
// file is well-formed windows-1252 whatever the index holds, and reads the
// same to a player that takes it for ISO-8859-1.
std::string xmlText(const std::string& value);

class StagedFileset;

// Writes clp000001.smil ... and ncc.html into the staged fileset, and its
// discinfo.html. A file that cannot be written raises RuntimeError 75.
void writeFileset(StagedFileset& stage, const FilesetData& data);

// The same into filesetFolder and bookFolder, whole: the previous fileset
// there stays untouched unless every file could be written.
void writeFileset(const std::string& filesetFolder, const std::string& bookFolder, const FilesetData& data);

}  // namespace lumo::converter
