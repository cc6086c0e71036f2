#pragma once
// A temporary workspace for whole conversions: a book folder, an export
// base, a program folder, scripted message boxes and a recorded shell.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "converter/core/conversion.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"
#include "testsupport/common/test_files.h"
#include "testsupport/converter_book.h"
#include "testsupport/test_env.h"

namespace lumo::converter::testing {

class ConverterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(root / "prog");
    std::filesystem::create_directories(root / "docs");
    lumo::ui::setProgramTitle("LumoDarivaziduduza");
    previousOpen = lumo::tools::setShellOpenHook([this](const std::string& t) {
      opened.push_back(t);
      return 42;
    });
    request.exportBase = (root / "docs").string() + "/";
    request.exportFolder = request.exportBase + "MyLUMO/DAISY/";
    request.indexPath = (root / "book" / "marker.txt").string();
    request.mp3Folder = (root / "book" / "Libro").string() + "/";
    request.programFolder = (root / "prog").string() + "/";
    conversion.today = [] {
      std::tm tm{};
      tm.tm_mday = 5;
      tm.tm_mon = 2;
      tm.tm_year = 124;
      return tm;
    };
  }
  void TearDown() override { lumo::tools::setShellOpenHook(previousOpen); }

  void write(const TestBook& book) { writeBook(book, root / "book", root / "book" / "Libro"); }

  RunOutcome convert() {
    begun = ended = 0;
    RunHooks hooks;
    hooks.begin = [this] { ++begun; };
    hooks.end = [this] { ++ended; };
    return conversion.Converti(request, hooks);
  }

  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& m : script->shown()) out.push_back(m.text);
    return out;
  }

  lumo::testsupport::TempFolder temp{"lumo-conv"};
  std::filesystem::path root = temp.path();
  ConversionRequest request;
  Conversion conversion;
  lumo::testsupport::ScriptedUi script;
  lumo::tools::ShellOpenHook previousOpen;
  std::vector<std::string> opened;
  int begun = 0, ended = 0;
};

}  // namespace lumo::converter::testing
