// The cut by length: every part of the cut at the markers cut again into
// pieces of about the chosen length, each ending at a pause, written from
// the part's own frames, tagged and numbered across the book.

#include <algorithm>
#include <cmath>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "common/tools/pump.h"
#include "platform/ui/ui.h"
#include "splitter/core/contafile.h"
#include "splitter/core/engine_output.h"
#include "splitter/core/fields.h"
#include "splitter/core/frame_cut.h"
#include "splitter/core/job_tables.h"
#include "splitter/core/part_files.h"
#include "splitter/core/splitjob.h"
#include "splitter/id3/tag_v2.h"

namespace fs = std::filesystem;

namespace lumo::splitter {

void SplitJob::CutByDuration() {
  log("***** Inizio ulteriore taglio dei file *****");
  const int count = indexFileCount_;
  try {
    const std::optional<std::string> minutes = EngineMinutes(fields.partMinutes);
    if (!minutes) throw RuntimeError(err::TypeMismatch);
    for (int k = 0; k < count; ++k) {
      progress(2, k, std::max(count - 1, 1), count - 1);
      const std::string P = lv6.cell(k + 1, lv6c::Name);
      const std::string path = indexDir_ + "/" + P + ".mp3";
      if (tools::runPumped(hooks.yield, [&] { return mp3::GetMp3Info(path, info_); }) != 1) {
        ui::MsgBox("Path: " + path + "\nFile non trovato!", ui::mb::Critical);
        log("Errore critico nel percorso " + path + ": file non trovato");
        working_ = 0;
        indexDir_ = durationDir_;
        return;
      }
      const PrivateFolder folder(durationDir_);
      const std::string base = patternBase(P);
      const std::string silence =
          "th=-" + EngineNumber(fields.threshold) + ",off=0.5,min=" + EngineNumber(fields.minSilence);
      const std::vector<std::string> args = {"-f", "-d",    folder.path(), "-t", *minutes, "-a",
                                             "-p", silence, path,          "-n", "-o",     base + "_@n"};
      log("Stringa di taglio: " + commandLine(engineProgram(), args));
      addFileRow(P, "File da " + MinutesLabel(fields.partMinutes) + " min.");
      auto pieces = cut(args, folder.path(), path, 1);
      if (pieces) pieces = recutAtFrames(path, folder.path(), base, *pieces, k + 1);
      if (!pieces) break;
      lv.setCell(fileRow_, lvc::Cut, "OK");
      log("Taglio personalizzato file " + P + " eseguito correttamente.");
      currentFile_ = P;
      ProcessDurationParts(k + 1, folder.path(), base, *pieces);
      if (working_ == 0) {
        indexDir_ = durationDir_;
        return;
      }
    }
    if (!failed_) {
      progress(2, std::max(count - 1, 1), std::max(count - 1, 1), std::max(count - 1, 1));
      log("***** Terminato il taglio personalizzato del file *****");
      ui::MsgBox(
          "Sono stati eseguiti tutti i tagli ai file mp3 con la personalizzazione impostata. \n"
          "Sono stati creati " +
              std::to_string(durationFileCount_) + " file totali da " + MinutesLabel(fields.partMinutes) +
              " minuti ciascuno.\nVerrai indirizzato sulla cartella dei file splittati." + untaggedReport(),
          ui::mb::Information);
    }
  } catch (const RuntimeError& e) {
    ui::MsgBox("Errore " + std::to_string(e.number()) + " " + e.description(), ui::mb::Critical);
  } catch (const std::exception& e) {
    ui::MsgBox("Errore " + std::to_string(err::PathFileAccess) + " " + e.what(), ui::mb::Critical);
  }
  working_ = 0;
  indexDir_ = durationDir_;
}

// mp3splt's pieces tell where the pauses are; the pieces themselves are
// written again from the part's frames, so the first begins with the part.
std::optional<std::vector<std::string>> SplitJob::recutAtFrames(const std::string& part, const std::string& folder,
                                                                const std::string& base,
                                                                const std::vector<std::string>& enginePieces, int row) {
  // Each piece is written with its tag in front (its number is the one
  // ProcessDurationParts gives it), so that the tag writer does not write it
  // again.
  tagged_.clear();
  std::string title;
  if (fields.tags) skipOnError([&] { title = lv6.cell(row, lv6c::Title); });
  std::string why;
  try {
    const FrameMap map = tools::runPumped(hooks.yield, [&] { return mapFrames(part); });
    std::vector<size_t> counts;
    for (const std::string& piece : enginePieces)
      counts.push_back(tools::runPumped(hooks.yield, [&] { return mapFrames(piece).audioFrames(); }));
    // No piece is to be shorter than the pause the cuts look for.
    const double pause = TypedNumber(fields.minSilence).value_or(0);
    const size_t minFrames =
        map.samplesPerFrame > 0 ? static_cast<size_t>(std::ceil(pause * map.sampleRate / map.samplesPerFrame)) : 0;
    const std::vector<size_t> starts = pieceStarts(map.audioFrames(), counts, minFrames);
    if (starts.empty()) why = "nessun frame audio";
    for (const std::string& piece : enginePieces) {
      std::error_code ec;
      fs::remove(piece, ec);
    }
    for (size_t k = 0; k < starts.size() && why.empty(); ++k) {
      const std::string piece = folder + "/" + base + "_" + threeDigits(static_cast<long long>(k) + 1) + ".mp3";
      std::optional<id3::TypeTagV2> tag;
      if (fields.tags) tag = partTag(title, threeDigits(static_cast<long long>(k) + 1 + durationFileCount_));
      bool tagged = false;
      why = tools::runPumped(hooks.yield,
                             [&] { return writePiece(map, starts, k, piece, tag ? &*tag : nullptr, &tagged); });
      if (tagged) tagged_.insert(piece);
    }
  } catch (const RuntimeError& e) {
    why = e.description();
  }
  if (why.empty()) return collectParts(folder);
  log("Errore nel taglio del file " + part + ": " + why);
  ui::MsgBox("Il taglio del file " + part + " non è riuscito.\n" + why, ui::mb::Critical);
  failed_ = true;
  return std::nullopt;
}

void SplitJob::ProcessDurationParts(int r, const std::string& folder, const std::string& base,
                                    const std::vector<std::string>& pieces) {
  std::string P, title, page;
  skipOnError([&] {
    P = lv6.cell(r, lv6c::Name);
    title = lv6.cell(r, lv6c::Title);
    page = lv6.cell(r, lv6c::Page);
  });
  const int32_t D = durationFileCount_;
  // The engine's pieces of this part: its folder holds nothing else, so the
  // count by the part's name is exact.
  int n = 0;
  skipOnError([&] { n = contafile(hooks.yield).Contrinper(folder, base, "mp3"); });
  n = std::min(n, static_cast<int>(pieces.size()));
  for (int p = 1; p <= n; ++p) {
    const std::string number = threeDigits(static_cast<long long>(p) + D);
    const std::string name = text::cutUtf8(number + "_" + P, kNameBytes);
    const std::string& S = pieces[p - 1];
    const std::string T = durationDir_ + "/" + name + ".mp3";
    moveIntoPlace(S, T, fields.tags, title, number);
    if (!isFile(T)) continue;
    const int row = lv8.addRow(name);
    lv8.setCell(row, lv8c::Description, title);
    lv8.setCell(row, lv8c::Page, page);
  }
  durationFileCount_ += n;
}

}  // namespace lumo::splitter
