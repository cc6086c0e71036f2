#include "splitter/core/splitjob.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "platform/shell/shell.h"
#include "platform/tools/book_sources.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "splitter/core/engine_output.h"
#include "splitter/core/fields.h"
#include "splitter/core/job_tables.h"
#include "splitter/core/logfile.h"
#include "splitter/core/part_receiver.h"

// The split job itself: its start and stop, its run from the index to the
// clean-up, and one run of the engine. The cuts, the parts' names and tags
// and the book's folders are in marker_cut.cpp, length_cut.cpp,
// index_parts.cpp and book_folders.cpp.

namespace lumo::splitter {
namespace {

// The file records of an index and their markers, as the job cuts them.
// A record without markers has no part to cut and raises run-time error 9,
// as the cut of such a file would.
std::vector<bookindex::FileRecord> readFileRecords(bookindex::IndexReader& reader, int16_t fileCount) {
  std::vector<bookindex::FileRecord> files;
  for (int i = 0; i < fileCount; ++i) {
    bookindex::FileRecord record = bookindex::readFileRecord(reader);
    if (record.markerCount <= 0) throw RuntimeError(err::SubscriptOutOfRange);
    for (int j = 0; j < record.markerCount; ++j) record.markers.push_back(bookindex::readMarker(reader));
    files.push_back(std::move(record));
  }
  return files;
}

int percent(int value, int divisor) {
  if (divisor <= 0) return value > 0 ? 100 : 0;
  return static_cast<int>(std::lround(100.0 / divisor * value));
}

}  // namespace

std::string ChannelMode(uint8_t Num) {
  static const char* const kModes[4] = {"Stereo", "Joint Stereo", "Dual channel", "Mono"};
  if (Num > 3) throw RuntimeError(err::SubscriptOutOfRange);
  return kModes[Num];
}

std::string firstChars(const std::string& utf8, size_t n) {
  size_t at = 0;
  for (size_t count = 0; at < utf8.size() && count < n; ++count) {
    char32_t cp = 0;
    const size_t length = text::decodeUtf8(utf8, at, cp);
    at += length == 0 ? 1 : length;
  }
  return utf8.substr(0, at);
}

SplitJob::SplitJob()
    : lv({"N°", "File in esame", "Proprietà", "Durata", "Tempi di taglio richiesti", "Taglio", "Unione"}),
      lv4({"id", "nome reale", "nuovonome", "globalid", "pagina"}),
      lv6({"id", "nome file", "titolo", "pagina"}),
      lv8({"nomefile", "descrizione", "pagina"}) {}

void SplitJob::log(const std::string& text) { WriteLog(text, 0); }

std::string SplitJob::engineProgram() const { return shell::withSlash(fields.programFolder) + "mp3splt"; }

void SplitJob::StartOrStop() {
  if (running_) {
    if (ui::MsgBox("Lumosplitter sta lavorando.\nDesiseri ugualmente fermare il ciclo di lavoro?\n"
                   "Verrai ugualmente indirizzato nella cartella di esportazione",
                   ui::mb::YesNo, "Interrompi?") == ui::Answer::Yes) {
      if (hooks.progressCaption) hooks.progressCaption("Attendere il termine del ciclo...");
      StopJob();
    }
    return;
  }
  run();
}

void SplitJob::StopJob() {
  working_ = 0;
  stopAsked_ = true;
  log("***** Sequenza di taglio interrotta dall'utente. *****");
}

bool SplitJob::RequestUnload() {
  if (!running_) return false;
  if (working_ == 1) StopJob();
  unloadPending_ = 1;
  if (hooks.progressCaption) hooks.progressCaption("Applicazione in fase di chiusura. Attendere...");
  return true;
}

void SplitJob::progress(int bar, int value, int maximum, int divisor) {
  if (hooks.progress) hooks.progress(bar, value, maximum, std::to_string(percent(value, divisor)) + "%");
}

void SplitJob::run() {
  result_ = "0";
  failed_ = false;
  stopAsked_ = false;
  untagged_.clear();
  WriteLog("", 1);  // every job starts a new log
  working_ = 1;
  if (fields.exportPath.empty() || !tools::fileexists(fields.indexPath)) {
    working_ = 0;
    return;
  }
  running_ = true;
  unloadPending_ = 0;
  if (hooks.running) hooks.running(true);
  prevLastDescription_.clear();
  prevLastName_.clear();
  try {
    bookindex::IndexReader reader(shell::resolvePath(fields.indexPath));
    log("Percorso file marker: " + fields.indexPath);
    log("Percorso file mp3: " + fields.mp3Folder);
    // The whole index is read before anything is made or cut, so a damaged
    // index leaves no folder and no part behind.
    std::vector<bookindex::FileRecord> files;
    int16_t fileCount = 0;
    try {
      book_ = bookindex::readHeader(reader);
      fileCount = reader.numberField();
      log("Opera in esame: " + book_.code + " " + book_.title);
      files = readFileRecords(reader, fileCount);
    } catch (const RuntimeError& e) {
      const std::string error = "Errore " + std::to_string(e.number()) + " " + e.description();
      log("Il file indice " + fields.indexPath + " è incompleto o danneggiato: " + error);
      ui::MsgBox("Il file indice\n" + fields.indexPath + "\nè incompleto o danneggiato (" + error +
                     "): nessun file è stato tagliato.",
                 ui::mb::Critical);
      result_ = "1";
      cleanUp();
      return;
    }
    if (!bookindex::describesBook(fileCount)) {
      // No list of files: this is no book index (a damaged or foreign
      // file), and no folder is made for it.
      log("Il file indice " + fields.indexPath + " non contiene alcun file mp3 da tagliare.");
      ui::MsgBox("Il file indice\n" + fields.indexPath +
                     "\nnon descrive alcun libro: non contiene l'elenco dei file mp3 da tagliare.",
                 ui::mb::Critical);
      result_ = "1";
      cleanUp();
      return;
    }
    formFolders();
    log("Cartella finale su cui scrivere: " + indexDir_);
    PrepareOutputFolders();
    if (cancelled_ == 1) {
      result_ = "1";
    } else {
      if (hooks.showProgress) hooks.showProgress();
      progress(1, 0, fileCount, fileCount);
      lv.clear();
      log("***** Inizio Tagli per indice *****");
      if (runFiles(files)) {
        log("***** Tagli per indice eseguiti correttamente *****");
        writeIndex(lv6, lv6c::Name, lv6c::Title, lv6c::Page);
        if (fields.cutByLength) {
          CutByDuration();
          writeIndex(lv8, lv8c::Name, lv8c::Description, lv8c::Page);
        } else {
          ui::MsgBox(
              "Sono stati eseguiti tutti i tagli ai file mp3. \n"
              "Verrai indirizzato sulla cartella contenente il risultato." +
                  untaggedReport(),
              ui::mb::Information);
        }
      }
      if (failed_) result_ = "1";
    }
  } catch (const RuntimeError& e) {
    ui::MsgBox("Errore " + std::to_string(e.number()) + " " + e.description(), ui::mb::Critical);
    result_ = "1";
  } catch (const std::exception& e) {
    ui::MsgBox("Errore " + std::to_string(err::PathFileAccess) + " " + e.what(), ui::mb::Critical);
    result_ = "1";
  }
  cleanUp();
}

std::optional<std::vector<std::string>> SplitJob::cut(const std::vector<std::string>& args, const std::string& folder,
                                                      const std::string& source, size_t expected,
                                                      const std::string& cause, PartReceiver* receiver) {
  EngineResult r;
  if (runEngine) r = runEngine(engineProgram(), args, hooks.yield);
  if (receiver != nullptr) receiver->finish();
  std::vector<std::string> parts = collectParts(folder);
  std::string why;
  if (!r.started || r.crashed || r.exitCode != 0) {
    why = engineErrorText(r);
    // mp3splt's own words stay behind the cause, for the record.
    if (r.started && !r.crashed && r.errors.find("error:") != std::string::npos)
      why = (cause.empty() ? std::string("mp3splt ha segnalato un errore") : cause) + ".\nmp3splt: " + why;
  } else if (parts.size() < expected) {
    why = receiver != nullptr && !receiver->failure().empty()
              ? receiver->failure()
              : "mp3splt ha creato " + std::to_string(parts.size()) + " parti invece di " + std::to_string(expected);
  }
  if (why.empty()) return parts;
  std::string logged = why;
  std::replace(logged.begin(), logged.end(), '\n', ' ');
  log("Errore nel taglio del file " + source + ": " + logged);
  ui::MsgBox("Il taglio del file " + source + " non è riuscito.\n" + why, ui::mb::Critical);
  failed_ = true;
  return std::nullopt;
}

void SplitJob::addFileRow(const std::string& name, const std::string& times) {
  fileRow_ = text::toInt16(static_cast<long long>(lv.rowCount()) + 1);
  lv.addRow(std::to_string(fileRow_));
  lv.setCell(fileRow_, lvc::File, name);
  lv.setCell(fileRow_, lvc::Properties,
             std::to_string(info_.SampleRate) + " Hz - " + std::to_string(info_.Bitrate) + " Kbps - " +
                 ChannelMode(info_.ChannelModeIndex));
  lv.setCell(fileRow_, lvc::Duration, std::to_string(info_.Duration / 60) + ":" + twoDigits(info_.Duration % 60));
  lv.setCell(fileRow_, lvc::Times, times);
}

void SplitJob::cleanUp() {
  bookLock_.release();
  durationFileCount_ = 0;
  if (hooks.closeProgress) hooks.closeProgress();
  working_ = 0;
  lv4.clear();
  lv6.clear();
  indexFileCount_ = 0;  // the rows of lv6, so the next job counts its own parts
  lv8.clear();
  running_ = false;
  if (hooks.running) hooks.running(false);
  // A job that ended on the stop request says so before the folder opens:
  // the reader would otherwise hear only the window it is back in. A window
  // that is closing says nothing more.
  if (stopAsked_ && unloadPending_ == 0 && result_ == "0")
    ui::MsgBox("Sequenza di taglio interrotta dall'utente.", ui::mb::Information);
  if (result_ == "0" && fields.openWhenDone) tools::OpenWithShell(indexDir_);
  if (unloadPending_ == 1 && hooks.closeWindow) hooks.closeWindow();
}

}  // namespace lumo::splitter
