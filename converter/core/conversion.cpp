#include "converter/core/conversion.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/bookindex/bookindex.h"
#include "common/errors/errors.h"
#include "common/text/text.h"
#include "common/tools/pump.h"
#include "converter/core/fileset.h"
#include "converter/core/report.h"
#include "platform/shell/shell.h"
#include "platform/tools/book_sources.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"

namespace fs = std::filesystem;

namespace lumo::converter {
namespace {

// VB's Val on the whole numbers the table holds.
int64_t cellNumber(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

std::tm localToday() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}

bool sameFolder(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(shell::resolvePath(a), shell::resolvePath(b), ec);
}

// Why a file could not be copied, in the words of the catalogue.
std::string copyCause(int error) { return error == EFBIG ? "file troppo grande" : ioErrorCause(error); }

// The description of a failure kept for later, "" for none.
std::string describe(const std::exception_ptr& failure) {
  if (!failure) return {};
  try {
    std::rethrow_exception(failure);
  } catch (const RuntimeError& e) {
    return e.description();
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace

std::string lowerText(const std::string& utf8) { return text::toLowerLatin(utf8); }

bool IsContinuationMarker(const std::string& t, const std::string& p) {
  if (t == p) return true;
  for (const char* word : {"cassetta", "file", "segue", "inizio"})
    if (t.starts_with(word)) return true;
  return t.find("continua") != std::string::npos;
}

bool IsSubsectionMarker(const std::string& t) {
  for (const char* prefix : {"\u2026", "..", "par ", "paragrafo", "par. "})
    if (t.starts_with(prefix)) return true;
  for (size_t p = t.find('.'); p != std::string::npos; p = t.find('.', p + 1))
    if (p + 1 < t.size() && t[p + 1] >= '1' && t[p + 1] <= '9') return true;
  return false;
}

RunOutcome Conversion::Converti(const ConversionRequest& request, const RunHooks& hooks) {
  request_ = request;
  bool ended = false;
  RunHooks own = hooks;
  own.end = [&] {
    if (!ended && hooks.end) hooks.end();
    ended = true;
  };
  if (hooks.begin) hooks.begin();
  RunOutcome outcome = RunOutcome::Failed;
  std::string failure;
  madeFolders_.clear();
  copying_ = false;
  try {
    outcome = run(own);
    stage_.reset();  // a run that stopped leaves the previous fileset as it was
  } catch (const RuntimeError& e) {
    failure = "Errore " + std::to_string(e.number()) + ": " + e.description();
  } catch (const std::exception& e) {
    failure = std::string("Errore: ") + e.what();
  }
  stage_.reset();
  copying_ = false;
  // A run that ended early leaves no folder of its own behind: those it
  // made and that stayed empty go, the deepest first.
  if (outcome != RunOutcome::Completed)
    for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it) {
      std::error_code ec;
      fs::remove(*it, ec);  // only an empty folder
    }
  madeFolders_.clear();
  yield_ = nullptr;
  own.end();
  // The window is usable again before the producer learns why the run ended.
  if (!failure.empty()) ui::MsgBox("La conversione non è stata completata.\n" + failure, ui::mb::Critical);
  return outcome;
}

// Folders of the run: the book folder B = X "(" code ") " title, the fileset
// folder S = B "/" code. The title is made safe for a file name; the code
// loses only what cannot stand in one folder's name ("/", "\", NUL) or in
// a link to it (control characters), or would name the book folder itself
// or its parent ("." and "..").
void Conversion::formFolders() {
  std::string title = book_.title;
  folderCode_.clear();
  for (size_t p = 0; p < book_.code.size(); ++p) {
    const auto c = static_cast<unsigned char>(book_.code[p]);
    // Control characters (C1 ones are two bytes in UTF-8) could not stand
    // in discinfo.html's link to the folder.
    const bool c1 = c == 0xC2 && p + 1 < book_.code.size() && static_cast<unsigned char>(book_.code[p + 1]) < 0xA0;
    if (c1) ++p;
    folderCode_ += c == '/' || c == '\\' || c < 0x20 || c == 0x7F || c1 ? '_' : book_.code[p];
  }
  if (folderCode_ == "." || folderCode_ == "..") folderCode_.assign(folderCode_.size(), '_');
  // A folder's name has at most 255 bytes: a long title is cut to fit, on
  // a character boundary, rather than failing the whole export.
  constexpr size_t kNameMax = 255;
  bookFolder_ = shell::withSlash(request_.exportFolder) +
                text::cutUtf8("(" + folderCode_ + ") " + tools::SanitizeFileName(title), kNameMax);
  filesetFolder_ = bookFolder_ + "/" + folderCode_;
}

RunOutcome Conversion::run(const RunHooks& hooks) {
  if (request_.exportFolder.empty()) return RunOutcome::Stopped;
  if (!tools::fileexists(request_.indexPath)) return RunOutcome::Stopped;

  copyProgress_ = hooks.copyProgress;
  yield_ = hooks.yield;
  counter_ = tools::contasize();
  byteTotal_ = 0;
  summary_.Text5 = "1";
  // Each run starts afresh: a book never continues the last heading of the
  // book converted before it.
  previous_.clear();

  // The whole index is read before anything is written, so that an index
  // that holds no book, or is cut short, is refused with nothing made for it.
  bookindex::IndexReader reader(shell::resolvePath(request_.indexPath));
  // A failure of the read names the index.
  const auto named = [&](const RuntimeError& e) {
    return RuntimeError(e.number(), e.description() + ": " + request_.indexPath);
  };
  bookindex::Header header;
  int16_t fileCount = 0;
  try {
    header = bookindex::readHeader(reader);
    fileCount = reader.numberField();
  } catch (const RuntimeError& e) {
    // An index that ends before its seventh line (an empty file) lists no
    // audio file at all.
    if (e.number() != err::InputPastEnd) throw named(e);
    fileCount = 0;
  }
  if (!bookindex::describesBook(fileCount)) {
    ui::MsgBox("Il file indice\n" + request_.indexPath +
                   "\nnon descrive alcun libro: non contiene l'elenco dei file mp3 da convertire.",
               ui::mb::Critical);
    return RunOutcome::Stopped;
  }
  std::vector<bookindex::FileRecord> records;
  try {
    for (int f = 1; f <= fileCount; ++f) {
      bookindex::FileRecord record = bookindex::readFileRecord(reader);
      for (int i = 1; i <= record.markerCount; ++i) record.markers.push_back(bookindex::readMarker(reader));
      records.push_back(std::move(record));
    }
  } catch (const RuntimeError& e) {
    throw named(e);
  }
  book_ = {header.code, header.author, header.title, header.narrator, fileCount};
  formFolders();
  // A fileset without its audio is no finished book: a failed copy ends the
  // run. The audio is copied while the files are measured; the run waits
  // for the copy before it tells of anything else, so a failed copy is
  // reported as before the measure, and the table is made only then.
  const auto copyFailed = [&] {
    std::string message = "Non è stato possibile copiare i file mp3 nella cartella:\n" + filesetFolder_;
    if (!stage_)
      message += "\n" + describe(stageFailure_);
    else if (const StagedFileset::CopyFailure& failure = stage_->copyFailure(); !failure.file.empty())
      message += "\n" + failure.file + ": " + copyCause(failure.error);
    ui::MsgBox(message, ui::mb::Critical);
    return RunOutcome::Stopped;
  };
  if (!PrepareExportFolder(true)) return copyFailed();

  const std::string mp3Folder = request_.mp3Folder;
  std::vector<int32_t> durations;  // of the files measured, in the index's order
  const auto makeRows = [&] {
    table_.clear();
    for (size_t f = 0; f < durations.size(); ++f) {
      const bookindex::FileRecord& record = records[f];
      for (int i = 1; i <= record.markerCount; ++i) {
        const bookindex::Marker& marker = record.markers[static_cast<size_t>(i - 1)];
        makeRow(static_cast<int>(f) + 1, i, record.markerCount, marker.description, marker.start, marker.page,
                record.name, durations[f]);
      }
    }
  };
  for (int f = 1; f <= book_.fileCount; ++f) {
    try {
      if (copying_) {
        stage_->reportCopyProgress(copyProgress_);
        // No need to measure the rest for a run that stops.
        if (stage_->copyHasFailed() && !audioCopied(hooks.yield)) return copyFailed();
      }
      const bookindex::FileRecord& record = records[static_cast<size_t>(f - 1)];
      const std::string P = mp3Folder + record.name + ".mp3";
      const std::string resolved = shell::resolvePath(P);
      if (tools::runPumped(hooks.yield, [&] { return mp3::GetMp3Info(resolved, info_); }) != 1) {
        if (!audioCopied(hooks.yield)) return copyFailed();
        makeRows();
        std::error_code ec;
        if (fs::is_regular_file(resolved, ec)) {
          // There, but no audio a player could play (cut short, empty).
          ui::MsgBox("Path: " + P + "\nFile mp3 danneggiato o vuoto: non contiene audio riproducibile.",
                     ui::mb::Critical);
          return RunOutcome::Stopped;
        }
        ui::MsgBox("Path: " + P + "\nFile mp3 non trovato!", ui::mb::Critical);
        ui::MsgBox("Path del file mp3 in esame non trovato!", ui::mb::Critical);
        return RunOutcome::Stopped;
      }
      if (counter_.ContarArchivos(resolved) != 1) {
        if (!audioCopied(hooks.yield)) return copyFailed();
        makeRows();
        ui::MsgBox("Path del file mp3 in esame non trovato!", ui::mb::Critical);
        return RunOutcome::Stopped;
      }
      byteTotal_ += std::strtod(counter_.Dimensione().c_str(), nullptr);
      durations.push_back(info_.Duration);
    } catch (...) {
      // A failed copy is still told of first.
      if (!audioCopied(hooks.yield)) return copyFailed();
      makeRows();
      throw;
    }
  }
  if (!audioCopied(hooks.yield)) return copyFailed();
  makeRows();

  GroupPass();
  PagePass();
  DurationPass();
  SetTotals();

  const FilesetData data{table_, summary_, book_, folderCode_, maxPageNormal_, today ? today() : localToday()};
  if (!stage_) std::rethrow_exception(stageFailure_);
  writeFileset(*stage_, data);
  // Putting it in place may copy what the previous fileset keeps (where the
  // file system has no links): the window is served meanwhile.
  tools::runPumped(hooks.yield, [&] { stage_->commit(); });
  stage_.reset();
  writeReport(shell::withSlash(request_.programFolder) + "lumodaisylog.html", data);

  if (hooks.end) hooks.end();
  ui::MsgBox("Conversione completata.\nPuoi vedere l'esito della conversione in questa cartella:\n" + bookFolder_,
             ui::mb::Information);
  if (request_.openWhenDone) tools::OpenWithShell(bookFolder_);
  return RunOutcome::Completed;
}

bool Conversion::audioCopied(const std::function<void()>& yield) {
  if (!copying_) return true;
  copying_ = false;
  return stage_->endCopyAudio(copyProgress_, yield);
}

bool Conversion::PrepareExportFolder(bool inBackground) {
  const std::string X = shell::withSlash(request_.exportFolder);
  // The folders that this run makes, outermost first, for a run that ends
  // early to take away again.
  for (const std::string& folder : {request_.exportBase + "MyLUMO", X, bookFolder_}) {
    std::vector<fs::path> missing;
    std::error_code ec;
    for (fs::path p = fs::path(shell::resolvePath(folder)).lexically_normal(); !p.empty();) {
      if (!p.has_filename()) p = p.parent_path();
      if (p.empty() || fs::exists(p, ec) || ec) break;
      missing.push_back(p);
      if (p.parent_path() == p) break;
      p = p.parent_path();
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
      if (std::find(madeFolders_.begin(), madeFolders_.end(), *it) == madeFolders_.end()) madeFolders_.push_back(*it);
  }
  for (const std::string& folder : {request_.exportBase + "MyLUMO", X, bookFolder_}) {
    std::error_code ec;
    fs::create_directory(shell::resolvePath(folder), ec);
  }
  // The copy of the audio used to make any folder still missing on its way
  // (an export base that is gone); the book folder is made the same way.
  std::error_code ec;
  fs::create_directories(shell::resolvePath(bookFolder_), ec);
  const std::string resolved = shell::resolvePath(filesetFolder_);
  const std::string S = shell::withSlash(resolved);
  // The new fileset takes shape beside the previous one, which stays as it
  // is until the new one is complete. A folder that cannot be made shows
  // up when the audio is copied, or when the fileset is written.
  stage_.reset();
  copying_ = false;
  stageFailure_ = nullptr;
  try {
    stage_ = std::make_unique<StagedFileset>(resolved, shell::resolvePath(bookFolder_));
  } catch (const RuntimeError&) {
    stageFailure_ = std::current_exception();
  }
  // Converting a fileset folder of its own audio keeps that audio.
  bool copy = !sameFolder(S, request_.mp3Folder);
  // With no MP3 file in M there is nothing to copy: the measure of the
  // book's files then names the first one that is missing.
  const std::vector<std::string> sources = tools::FilesMatching(request_.mp3Folder + "*.mp3");
  if (sources.empty()) copy = false;
  skipOnError([&] {
    if (!copy) return;
    if (tools::FilesMatching(S + "*.mp3").empty()) return;
    if (ui::MsgBox("La cartella contiene già file mp3.\nÉ necessario ricopiarli?", ui::mb::YesNo,
                   "File mp3 esistenti") == ui::Answer::No)
      copy = false;
  });
  if (!copy) {
    if (stage_) stage_->keepPreviousAudio();
    return true;
  }
  if (!stage_) return false;
  if (!inBackground) {
    // The copy of a book's audio is long: the window keeps handling its
    // events meanwhile and shows the copy's progress from its own thread.
    tools::PostedCalls shown;
    const StagedFileset::Progress progress = [&](const tools::CopyProgress& p) {
      if (copyProgress_) shown.post([this, p] { copyProgress_(p); });
    };
    return tools::runPumped(yield_, &shown, [&] { return stage_->copyAudio(sources, progress); });
  }
  stage_->beginCopyAudio(sources);
  copying_ = true;
  return true;
}

void Conversion::makeRow(int f, int i, int markerCount, const std::string& description, int16_t start,
                         const std::string& page, const std::string& fileName, int32_t fileDuration) {
  std::string level = "1";
  current_ = lowerText(text::trim(description));
  if (f > 1 && i == 1 && IsContinuationMarker()) {
    level = "0";
  } else if (IsSubsectionMarker()) {
    level = "2";
    summary_.Text5 = "2";
  }
  const int r = table_.addRow(level);
  std::string escaped = description;
  table_.setCell(r, Descrizione, tools::EscapeQuotes(escaped));
  table_.setCell(r, Start, std::to_string(start));
  if (!request_.onePagePerFile)
    table_.setCell(r, Pagina, text::trim(page));
  else if (i == 1)
    table_.setCell(r, Pagina, std::to_string(f));
  table_.setCell(r, File, fileName);
  if (i == markerCount) {
    previous_ = current_;
    if (markerCount > 1) setEnd(r - 1, start);
    setEnd(r, fileDuration);
  } else if (i > 1) {
    setEnd(r - 1, start);
  }
}

// A clip never ends before it begins: a marker beyond the end of its file,
// or markers out of order, give an empty clip instead of a negative
// duration and clock values like "0:-1:-40" that no DAISY player can read.
void Conversion::setEnd(int row, int32_t end) {
  const int64_t begin = cellNumber(table_.cell(row, Start));
  table_.setCell(row, End, std::to_string(std::max<int64_t>(end, begin)));
}

void Conversion::GroupPass() {
  const int R = table_.rowCount();
  int c = 0;
  for (int r = 1; r <= R; ++r) {
    if (table_.cell(r, Livello) == "0") {
      ++c;
      continue;
    }
    if (r != 1) table_.setCell(r - c, Invoice, std::to_string(c));
    c = 1;
  }
  if (R > 0) table_.setCell(R - c + 1, Invoice, std::to_string(c));
}

void Conversion::PagePass() {
  summary_.Text1 = "0";
  summary_.Text4 = "0";
  maxPageNormal_ = -1;
  int32_t normal = 0, special = 0;
  for (int r = 1; r <= table_.rowCount(); ++r) {
    const std::string& label = table_.cell(r, Pagina);
    if (label.empty()) continue;
    double value = 0;
    if (isNumericLabel(label, &value)) {
      if (value > maxPageNormal_) {
        maxPageNormal_ = text::toInt32(value);
        ++normal;
      } else {
        table_.setCell(r, Pagina, label + "s");
        ++special;
      }
    } else {
      ++special;
    }
  }
  summary_.Text1 = std::to_string(normal);
  summary_.Text4 = std::to_string(special);
}

void Conversion::DurationPass() {
  runningTotal_ = 0;
  const int R = table_.rowCount();
  for (int o = 1; o <= R;) {
    const int n = std::max<int64_t>(1, cellNumber(table_.cell(o, Invoice)));
    int64_t durata = 0;
    for (int r = o; r < o + n && r <= R; ++r)
      durata += cellNumber(table_.cell(r, End)) - cellNumber(table_.cell(r, Start));
    table_.setCell(o, Elapsed, std::to_string(runningTotal_));
    table_.setCell(o, Durata, std::to_string(text::toInt32(static_cast<long long>(durata))));
    runningTotal_ = text::toInt32(static_cast<long long>(runningTotal_ + durata));
    o += n;
  }
}

void Conversion::SetTotals() {
  summary_.Text2 = std::to_string(runningTotal_);
  // Kilobytes rounded half away from zero, and no text at all for 0.
  const double kb = std::round(byteTotal_ / 1024.0);
  summary_.Text3 = kb == 0 ? std::string() : std::to_string(static_cast<long long>(kb));
}

}  // namespace lumo::converter
