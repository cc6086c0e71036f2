#pragma once
// A machine of the test's own for the finder: a home folder, a program
// folder, settings stores, a mount table, scripted message boxes and
// pickers, and book folders made on the spot.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/text/text.h"
#include "platform/registry/registry.h"
#include "platform/ui/ui.h"
#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace lumo::finder::testing {

namespace fs = std::filesystem;

class FinderFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.emplace(std::string("lumo_finder_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    root = folder_->path();
    for (const char* d : {"home", "config", "prog", "media"}) fs::create_directories(root / d);
    setEnv("HOME", (root / "home").string());
    setEnv("XDG_CONFIG_HOME", (root / "config").string());
    setEnv("LUMO_MACHINE_REGISTRY", (root / "machine.sqlite").string());
    setEnv("LUMO_PROGRAM_FOLDER", (root / "prog").string());
    setEnv("LUMO_MOUNTS", (root / "mounts").string());
    mounts({});
    ui::setProgramTitle("Lumofind");
  }
  void TearDown() override {
    while (!env_.empty()) env_.pop_back();
    folder_.reset();
  }

  // The mount table: "/" and the given CD-ROM mounts (as table lines).
  void mounts(const std::vector<std::string>& cdLines) {
    std::ofstream table(root / "mounts");
    table << "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\n";
    for (const std::string& line : cdLines) table << line << "\n";
    table.close();
  }

  // A book folder: marker.txt with the given code, author and title.
  static void book(const fs::path& folder, const std::string& code, const std::string& author,
                   const std::string& title) {
    fs::create_directories(folder);
    text::writeTextFile(folder / "marker.txt", {code, author, title, "Editore", "Roma 2001", "Lettore", " 1 ", "A,0,"});
  }

  // An installation of Zivuvu and the player in folder, named in Zivuvu\Default\Path.
  void installSuite(const fs::path& folder) {
    fs::create_directories(folder);
    for (const char* program : {"dazide.zev", "LumoPlayer"}) {
      std::ofstream(folder / program) << "#!/bin/sh\n";
      fs::permissions(folder / program, fs::perms::owner_all);
    }
    registry::SaveSetting("Zivuvu", "Default", "Path", folder.string());
  }

  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const auto& m : script->shown()) out.push_back(m.title + "|" + std::to_string(m.style) + "|" + m.text);
    return out;
  }

  // The lines of a CR LF text file of the suite, as UTF-8.
  static std::vector<std::string> linesOf(const fs::path& file) {
    const std::string text = text::cp1252ToUtf8(text::readFileBytes(file));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
      lines.push_back(text.substr(start, p - start));
    EXPECT_EQ(start, text.size()) << "every line must end with CR LF: " << file;
    return lines;
  }

  fs::path root;
  testsupport::ScriptedUi script;

 private:
  void setEnv(const char* name, const std::string& value) {
    env_.push_back(std::make_unique<testsupport::ScopedEnv>(name, value));
  }
  std::optional<testsupport::TempFolder> folder_;
  std::vector<std::unique_ptr<testsupport::ScopedEnv>> env_;
};

}  // namespace lumo::finder::testing
