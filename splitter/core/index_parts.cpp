// The parts of the cut at the markers put in place: renamed to their
// book-wide names, a part that continues the previous file joined onto that
// file's last part, every part tagged, and the new book index written.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/text/text.h"
#include "common/tools/pump.h"
#include "platform/ui/ui.h"
#include "splitter/core/job_tables.h"
#include "splitter/core/mp3join.h"
#include "splitter/core/part_files.h"
#include "splitter/core/splitjob.h"
#include "splitter/id3/tag_v2.h"

namespace fs = std::filesystem;

namespace lumo::splitter {

bool SplitJob::IsContinuation(const std::string& d) const {
  if (d == prevLastDescription_) return true;
  const auto starts = [&](size_t n, const char* word) { return text::toLowerLatin(firstChars(d, n)) == word; };
  if (starts(8, "cassetta") || starts(4, "file") || starts(5, "segue") || starts(6, "inizio")) return true;
  return d.find("continua") != std::string::npos;
}

// A part whose join was refused (or failed) becomes a file of its own whose
// name sorts right after the part it continues and clashes with no other.
std::string SplitJob::ownContinuationName() const {
  const std::string base = prevLastName_ + "_continua";
  std::string name = base;
  for (int n = 2; isFile(indexDir_ + "/" + name + ".mp3"); ++n) name = base + "_" + std::to_string(n);
  return name;
}

void SplitJob::ProcessIndexParts(const std::vector<std::string>& parts) {
  const int n = lv4.rowCount();
  for (int k = 1; k <= n && k <= static_cast<int>(parts.size()); ++k) {
    const std::string& S = parts[k - 1];
    std::string name = lv4.cell(k, lv4c::NewName);
    if (fields.joinContinuations && name == kContinuationMark) {
      if (joinContinuation(k, S)) continue;
      name = lv4.cell(k, lv4c::NewName);
    }
    const std::string T = indexDir_ + "/" + name + ".mp3";
    moveIntoPlace(S, T, !fields.cutByLength && fields.tags, lv4.cell(k, lv4c::RealName), lv4.cell(k, lv4c::GlobalId));
    // A part that is not there is never listed in the new index.
    if (!isFile(T)) continue;
    indexFileCount_ = text::toInt16(static_cast<long long>(lv6.rowCount()) + 1);
    const int row = lv6.addRow(std::to_string(indexFileCount_));
    lv6.setCell(row, lv6c::Name, name);
    lv6.setCell(row, lv6c::Title, lv4.cell(k, lv4c::RealName));
    lv6.setCell(row, lv6c::Page, lv4.cell(k, lv4c::Page));
  }
}

bool SplitJob::joinContinuation(int k, const std::string& S) {
  const std::string previous = indexDir_ + "/" + prevLastName_ + ".mp3";
  bool equal = false;
  skipOnError([&] { equal = lv.cell(fileRow_, lvc::Properties) == lv.cell(fileRow_ - 1, lvc::Properties); });
  if (equal) {
    log("Stringa di unione dei file: accodamento dell'audio di \"" + S + "\" a \"" + previous +
        "\" (senza il suo frame d'intestazione, contatori dell'intestazione aggiornati)");
    const std::string why = tools::runPumped(hooks.yield, [&] { return AppendMp3(previous, S); });
    if (why.empty()) {
      std::error_code ec;
      fs::remove(S, ec);
      skipOnError([&] { lv.setCell(fileRow_, lvc::Joined, "SI"); });
      return true;
    }
    log("Errore nell'unione del file " + S + " al file " + previous + ": " + why);
    ui::MsgBox("Non è stato possibile unire il file\n" + S + "\nal file\n" + previous + "\n" + why, ui::mb::Critical);
    skipOnError([&] { lv.setCell(fileRow_, lvc::Joined, "NO"); });
  } else {
    skipOnError([&] { lv.setCell(fileRow_, lvc::Joined, "NO"); });
    log("Non posso unire il file " + prevLastName_ + " con il precedente a causa di caratteristiche diverse.");
  }
  lv4.setCell(k, lv4c::NewName, ownContinuationName());
  // It carries on the part it follows, under that part's number.
  const size_t digits = prevLastName_.find_first_not_of("0123456789");
  lv4.setCell(k, lv4c::GlobalId, prevLastName_.substr(0, digits));
  return false;
}

void SplitJob::moveIntoPlace(const std::string& S, const std::string& T, bool tagIt, const std::string& title,
                             const std::string& track) {
  log("Rinomina file - Sorgente: " + S + " Destinazione: " + T);
  const bool renamed = skipOnError([&] { renameNoReplace(S, T); });
  if (!renamed) log("Errore nella rinomina del file " + S + " in " + T);
  if (!tagIt) return;
  if (renamed && tagged_.count(S) != 0) {
    log("Effettuato inserimento TAG al file " + T);
  } else if (isFile(T)) {
    tag(T, title, track);
  } else {
    log("Errore nell'inserimento delle informazioni di TAG - Il File " + T + " non è stato trovato.");
    ui::MsgBox("Il file non esiste", ui::mb::Critical);
  }
}

void SplitJob::tag(const std::string& path, const std::string& title, const std::string& track) {
  // A part whose tag could not be written stays as it is, untagged: the
  // log says why and the end of the job names it.
  std::string why;
  try {
    const id3::TypeTagV2 tag = partTag(title, track);
    if (!tools::runPumped(hooks.yield, [&] { return tag.WriteTag(path); })) why = "nessun frame audio nel file";
  } catch (const RuntimeError& e) {
    why = "Errore " + std::to_string(e.number()) + " " + e.description();
  } catch (const std::exception& e) {
    why = e.what();
  }
  if (why.empty()) {
    log("Effettuato inserimento TAG al file " + path);
    return;
  }
  log("Inserimento TAG non riuscito al file " + path + ": " + why);
  untagged_.push_back(fs::path(path).filename().string());
}

// The tag of a part: its heading, the book's title, its number, genre 28.
id3::TypeTagV2 SplitJob::partTag(const std::string& title, const std::string& track) const {
  id3::TypeTagV2 tag;
  tag.Valide(true);
  tag.Titre(title);
  tag.Album(book_.title);
  tag.Piste(track);
  tag.Genre("28");
  return tag;
}

// The end message's line on the parts left without a tag, or "".
std::string SplitJob::untaggedReport() const {
  if (untagged_.empty()) return {};
  std::string names;
  for (const std::string& name : untagged_) names += "\n" + name;
  return "\nNon è stato possibile inserire il TAG in " + std::to_string(untagged_.size()) +
         (untagged_.size() == 1 ? " file:" : " file (vedere il log):") + names;
}

void SplitJob::writeIndex(const ListTable& table, int nameColumn, int titleColumn, int pageColumn) {
  bookindex::BookIndex index;
  index.header = book_;
  for (int r = 1; r <= table.rowCount(); ++r) {
    bookindex::FileRecord record;
    record.name = table.cell(r, nameColumn);
    record.markerCount = 1;
    if (r < table.rowCount()) record.next = table.cell(r + 1, nameColumn);
    record.markers.push_back({table.cell(r, titleColumn), 0, table.cell(r, pageColumn)});
    index.files.push_back(std::move(record));
  }
  bookindex::writeBookIndex(fs::path(indexDir_) / "marker.txt", index);
}

}  // namespace lumo::splitter
