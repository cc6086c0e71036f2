// The cut at the markers: every source file of the book is cut with one
// run of mp3splt at its markers' starts, its parts named by book-wide
// numbers (a part that continues the previous file is marked to be joined)
// and, where they can be, tagged as the engine writes them.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/errors/errors.h"
#include "common/text/text.h"
#include "common/tools/pump.h"
#include "platform/shell/shell.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "splitter/core/engine_output.h"
#include "splitter/core/fields.h"
#include "splitter/core/frame_cut.h"
#include "splitter/core/job_tables.h"
#include "splitter/core/part_files.h"
#include "splitter/core/part_receiver.h"
#include "splitter/core/splitjob.h"

namespace lumo::splitter {
namespace {

// A marker's start as mp3splt's time: whole minutes, ".", two-digit seconds.
std::string splitTime(int16_t s) { return std::to_string(s / 60) + "." + twoDigits(s % 60); }

// A time in whole seconds as the tables show it: minutes, ":", two-digit seconds.
std::string clockTime(int16_t s) { return std::to_string(s / 60) + ":" + twoDigits(s % 60); }

// Why mp3splt refuses a file's markers, in the reader's words: the first
// marker that starts before the one before it, or together with it.
std::string orderProblem(const std::vector<int16_t>& starts, const std::vector<std::string>& descriptions) {
  for (size_t j = 1; j < starts.size() && j < descriptions.size(); ++j) {
    if (starts[j] > starts[j - 1]) continue;
    return "La parte " + std::to_string(j + 1) + " («" + descriptions[j] + "») inizia a " + clockTime(starts[j]) +
           (starts[j] < starts[j - 1] ? ", prima della parte che la precede (" + clockTime(starts[j - 1]) + ")"
                                      : ", insieme alla parte che la precede");
  }
  return {};
}

// The parts of one file that are tagged as the engine writes them: each
// holds a FIFO open while the engine runs.
constexpr int kMaxReceivedParts = 256;

// The name of a part: its number, its page ("_p" and the page, unless
// "-") and, when asked, its description, cut to fit a file name.
std::string partName(const std::string& number, const std::string& page, const std::string& description,
                     bool withDescription) {
  std::string name = number;
  if (page != "-") {
    std::string label = page;
    name += "_p" + tools::SanitizeFileName(label);
  }
  if (withDescription) {
    std::string words = description;
    name += "_" + tools::SanitizeFileName(words);
  }
  return text::cutUtf8(fileNameSafe(firstChars(name, 120)), kNameBytes);
}

}  // namespace

// The cut points of one file, as the engine takes them and as the reader
// is told why the engine refused them.
struct SplitJob::CutPoints {
  std::vector<std::string> times;  // mp3splt's times
  std::vector<int16_t> starts;
  std::vector<std::string> descriptions;
  std::string timeList;  // the times as the table shows them
};

SplitJob::CutPoints SplitJob::listMarkers(const bookindex::FileRecord& record, int fileNumber, int16_t& offset) {
  CutPoints points;
  const int16_t M = record.markerCount;
  for (int j = 1; j <= M; ++j) {
    const bookindex::Marker& marker = record.markers[static_cast<size_t>(j) - 1];
    const std::string page = text::ltrim(marker.page);
    points.times.push_back(splitTime(marker.start));
    points.starts.push_back(marker.start);
    points.descriptions.push_back(marker.description);
    points.timeList += " " + points.times.back();
    const int row = lv4.addRow(std::to_string(j));
    lv4.setCell(row, lv4c::RealName, marker.description);
    std::string name;
    if (fields.joinContinuations && !prevLastDescription_.empty() && fileNumber >= 2 && j == 1 &&
        IsContinuation(marker.description)) {
      name = kContinuationMark;
      offset = text::toInt16(static_cast<long long>(offset) - 1);
    } else {
      lv4.setCell(row, lv4c::Page, page);
      const std::string number = threeDigits(j + offset);
      lv4.setCell(row, lv4c::GlobalId, number);
      name = partName(number, page, marker.description, fields.namesWithDescription);
    }
    lv4.setCell(row, lv4c::NewName, name);
  }
  offset = text::toInt16(static_cast<long long>(offset) + M);
  return points;
}

bool SplitJob::runFiles(const std::vector<bookindex::FileRecord>& files) {
  int16_t offset = 0;
  const auto fileCount = static_cast<int16_t>(files.size());
  for (int i = 1; i <= fileCount; ++i) {
    progress(1, i, fileCount, fileCount);
    const bookindex::FileRecord& record = files[static_cast<size_t>(i) - 1];
    const std::string P = fields.mp3Folder + record.name + ".mp3";
    const std::string source = shell::resolvePath(P);
    if (tools::runPumped(hooks.yield, [&] { return mp3::GetMp3Info(source, info_); }) != 1) {
      ui::MsgBox("Path: " + P + "\nFile mp3 non trovato!", ui::mb::Critical);
      log("Errore critico nel percorso " + P + ": file non trovato");
      return false;
    }
    const int16_t M = record.markerCount;
    const CutPoints points = listMarkers(record, i, offset);
    // A file without markers has no last part to carry on from.
    if (M <= 0) throw RuntimeError(err::SubscriptOutOfRange);

    const PrivateFolder folder(fields.exportPath.empty() ? indexDir_ : bookDir_);
    const std::string base = patternBase(record.name);
    std::vector<std::string> args = {"-f", "-d", folder.path(), source};
    args.insert(args.end(), points.times.begin(), points.times.end());
    args.insert(args.end(), {"EOF", "-n", "-o", base + "_@n"});
    log("Stringa di taglio: " + commandLine(engineProgram(), args));
    addFileRow(record.name, points.timeList);

    // The parts get their tag as mp3splt writes them, while only this job
    // sees them: the tag writer would write each part a second time.
    std::optional<PartReceiver> receiver;
    if (fields.tags && !fields.cutByLength && M <= kMaxReceivedParts) {
      std::vector<PartToReceive> expected;
      for (int j = 1; j <= M; ++j) {
        // A continuation is joined or renamed first: the tag writer tags it.
        if (lv4.cell(j, lv4c::NewName) == kContinuationMark) continue;
        expected.push_back(
            {enginePartName(base, j, M), partTag(lv4.cell(j, lv4c::RealName), lv4.cell(j, lv4c::GlobalId))});
      }
      receiver.emplace(folder.path(), std::move(expected));
    }
    tagged_.clear();
    const auto parts = cut(args, folder.path(), P, static_cast<size_t>(M),
                           orderProblem(points.starts, points.descriptions), receiver ? &*receiver : nullptr);
    if (!parts) return false;
    if (receiver)
      for (const std::string& part : *parts)
        if (receiver->tagged(part)) tagged_.insert(part);
    if (!addVbrHeaders(*parts, P)) return false;
    lv.setCell(fileRow_, lvc::Cut, "OK");
    log("Taglio file " + record.name + " eseguito correttamente.");
    currentFile_ = record.name;
    ProcessIndexParts(*parts);

    if (text::toUpperLatin(record.name) != "A-EDI") {
      const std::string& last = lv4.cell(M, lv4c::NewName);
      if (last != kContinuationMark) prevLastName_ = last;
      prevLastDescription_ = lv4.cell(M, lv4c::RealName);
    } else {
      prevLastName_.clear();
      prevLastDescription_.clear();
    }
    lv4.clear();
    if (working_ == 0) return false;
  }
  return true;
}

// mp3splt cuts a VBR recording without a VBR header into parts without
// one, whose length is then guessed from a bitrate: they get one (a part
// that held its tag, behind that tag).
bool SplitJob::addVbrHeaders(const std::vector<std::string>& parts, const std::string& source) {
  for (size_t p = 0; p < parts.size(); ++p) {
    const std::string& part = parts[p];
    const int row = static_cast<int>(p) + 1;
    std::optional<id3::TypeTagV2> tag;
    if (tagged_.count(part) != 0) tag = partTag(lv4.cell(row, lv4c::RealName), lv4.cell(row, lv4c::GlobalId));
    bool rewritten = false, stillTagged = false;
    const std::string why = AddVbrHeader(part, &rewritten, tag ? &*tag : nullptr, &stillTagged);
    if (rewritten && !stillTagged) tagged_.erase(part);
    if (why.empty()) continue;
    log("Errore nel taglio del file " + source + ": " + why);
    ui::MsgBox("Il taglio del file " + source + " non è riuscito.\n" + why, ui::mb::Critical);
    failed_ = true;
    return false;
  }
  return true;
}

}  // namespace lumo::splitter
