#pragma once
// The conversion report lumodaisylog.html: the book's summary and its whole
// conversion table, for the producer to check in a browser. Each run
// replaces it.

#include <string>

#include "converter/core/fileset.h"

namespace lumo::converter {

// Writes the report to path (windows-1252, CR LF). Values are written as
// they stand in the table and the summary. Raises RuntimeError 75 when the
// file cannot be written.
void writeReport(const std::string& path, const FilesetData& data);

}  // namespace lumo::converter
