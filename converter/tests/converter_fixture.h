#pragma once
// A temporary workspace for whole conversions: a book folder, an export
// base, a program folder, scripted message boxes and a recorded shell.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "converter/conversion.h"
#include "book_fixture.h"
#include "platform/tools/tools.h"
#include "platform/ui/ui.h"

namespace lumo::converter::testing {

class ConverterFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() /
           ("lumo_conv_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "prog");
    std::filesystem::create_directories(root / "docs");
    script = std::make_shared<lumo::ui::ScriptedBackend>();
    previousBackend = lumo::ui::setBackend(script);
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
  void TearDown() override {
    lumo::tools::setShellOpenHook(previousOpen);
    lumo::ui::setBackend(previousBackend);
    std::filesystem::remove_all(root);
  }

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

  std::filesystem::path root;
  ConversionRequest request;
  Conversion conversion;
  std::shared_ptr<lumo::ui::ScriptedBackend> script;
  std::shared_ptr<lumo::ui::Backend> previousBackend;
  lumo::tools::ShellOpenHook previousOpen;
  std::vector<std::string> opened;
  int begun = 0, ended = 0;
};

}  // namespace lumo::converter::testing
