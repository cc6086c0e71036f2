#pragma once
// A split job over a book of real MP3 files in a temporary folder, with the
// engine link in a program folder of its own and scripted dialogs.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "splitter/core/engine_process.h"
#include "splitter/core/splitjob.h"
#include "splitter/core/tests/audio.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace lumo::splitter::testing {

// The audio the tests draw from, each made when a test first asks for it
// (once per test program).
inline fs::path source(const std::string& name) {
  static std::map<std::string, fs::path> made;
  static const testsupport::TempFolder audio("lumo-splitter-audio");
  const fs::path& folder = audio.path();
  if (auto found = made.find(name); found != made.end()) return found->second;
  struct Tone {
    const char* name;
    double seconds;
    const char* lame;
    const char* pads;
  };
  // 64 kbit/s at 22050 Hz mono: lame writes an Info header frame, as
  // mp3splt then does for every part.
  static const Tone tones[] = {
      {"t40", 40, "-b 64", ""},
      {"t12", 12, "-b 64", ""},
      {"t30", 30, "-b 64", ""},
      {"t12b48", 12, "-b 48", ""},
      // 32 kbit/s frames are too small for lame's Info header.
      {"t30b32", 30, "-b 32", ""},
      // Silences at 50-54, 104-108 and 208-212 s of a 262 s recording.
      {"long", 250, "-b 64", "4@50 4@100 4@200"},
  };
  const fs::path mp3 = folder / (name + ".mp3");
  if (name == "damaged" || name == "damagedNoHeader") {
    // A damaged recording: the first 5 seconds of a 30 s one (whose header,
    // if it has one, still announces 30 s).
    const fs::path whole = source(name == "damaged" ? "t30" : "t30b32");
    if (whole.empty()) return {};
    std::ofstream(mp3, std::ios::binary) << readBytes(whole).substr(0, name == "damaged" ? 40000 : 20000);
    return made[name] = mp3;
  }
  if (name == "vbrStereo") {
    // VBR stereo at 22.05 kHz with silences at 50-54 and 104-108 s of 158 s.
    if (!encodeTone(mp3, 150, "-V 5", "4@50 4@100", 22050, 2)) return {};
    return made[name] = mp3;
  }
  for (const Tone& tone : tones)
    if (name == tone.name && encodeTone(mp3, tone.seconds, tone.lame, tone.pads)) return made[name] = mp3;
  return {};
}

class JobTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "lumo_splitter_tests";
      static char* argv[] = {name, nullptr};
      static QCoreApplication app(argc, argv);
    }
  }

  void SetUp() override {
    const std::string missing = missingTools();
    ASSERT_TRUE(missing.empty()) << missing;
    folder_.emplace(std::string("lumo-splitter-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    dir_ = folder_->path();
    fs::create_directories(dir_ / "program");
    fs::create_directories(dir_ / "book" / "Libro");
    fs::create_directories(dir_ / "export");
    std::string engine = capture("command -v mp3splt");
    while (!engine.empty() && (engine.back() == '\n' || engine.back() == ' ')) engine.pop_back();
    fs::create_symlink(engine, dir_ / "program" / "mp3splt");
    programFolder_.emplace("LUMO_PROGRAM_FOLDER", (dir_ / "program").string());
    ui_ = std::make_shared<ui::ScriptedBackend>();
    previousUi_ = ui::setBackend(ui_);
    previousOpen_ = tools::setShellOpenHook([this](const std::string& target) {
      opened_.push_back(target);
      return 33;
    });
    job_.fields.programFolder = (dir_ / "program").string();
    job_.fields.indexPath = (dir_ / "book" / "marker.txt").string();
    job_.fields.mp3Folder = (dir_ / "book" / "Libro").string() + "/";
    job_.fields.exportPath = (dir_ / "export" / "MyLUMO").string() + "/";
    job_.runEngine = RunWithQProcess;
    job_.hooks.progress = [this](int bar, int value, int maximum, const std::string& percent) {
      progress_.push_back({bar, value, maximum, percent});
    };
  }

  void TearDown() override {
    tools::setShellOpenHook(previousOpen_);
    ui::setBackend(previousUi_);
    programFolder_.reset();
    if (folder_ && HasFailure()) folder_->keep();
    folder_.reset();
  }

  // Writes the book: its index, and under each file's name a copy of the
  // source recording named by `audio`.
  void makeBook(const TestBook& book, const std::vector<std::string>& audio) {
    ASSERT_EQ(book.files.size(), audio.size());
    for (size_t f = 0; f < audio.size(); ++f) {
      const fs::path recording = source(audio[f]);
      ASSERT_FALSE(recording.empty()) << "could not encode " << audio[f];
      fs::copy_file(recording, dir_ / "book" / "Libro" / (book.files[f].name + ".mp3"),
                    fs::copy_options::overwrite_existing);
    }
    writeIndex(book, dir_ / "book" / "marker.txt");
  }

  fs::path bookDir(const std::string& name = "(LB001) Pinocchio") const { return dir_ / "export" / "MyLUMO" / name; }
  fs::path indexDir() const { return bookDir() / "File per indice"; }

  // Texts of the messages shown, in order.
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& m : ui_->shown()) texts.push_back(m.text);
    return texts;
  }

  // The texts of the run log's entries (what follows the date, time and tab).
  std::vector<std::string> logEntries() const {
    std::vector<std::string> entries;
    std::istringstream lines(text::cp1252ToUtf8(readBytes(dir_ / "program" / "LUMOSplitter.log")));
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const size_t tab = line.find('\t');
      if (tab != std::string::npos) entries.push_back(line.substr(tab + 1));
    }
    return entries;
  }

  // The first entry that begins with `start`, or "".
  std::string logEntry(const std::string& start) const {
    for (const std::string& e : logEntries())
      if (e.starts_with(start)) return e;
    return {};
  }

  struct Progress {
    int bar, value, maximum;
    std::string percent;
  };

  std::optional<testsupport::TempFolder> folder_;
  fs::path dir_;
  std::optional<testsupport::ScopedEnv> programFolder_;
  SplitJob job_;
  std::shared_ptr<ui::ScriptedBackend> ui_;
  std::shared_ptr<ui::Backend> previousUi_;
  tools::ShellOpenHook previousOpen_;
  std::vector<std::string> opened_;
  std::vector<Progress> progress_;
};

}  // namespace lumo::splitter::testing
