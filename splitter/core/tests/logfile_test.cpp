// The run log: a job's header, entries and their date and time in the
// environment's locale, the rotation at 2,000,000 bytes, and a program
// folder that cannot be written.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>
#include <string>

#include "common/errors/errors.h"
#include "common/organisation.h"
#include "lumo_version.h"
#include "splitter/core/logfile.h"
#include "testsupport/common/test_files.h"

namespace lumo::splitter {
namespace {

namespace fs = std::filesystem;
using testsupport::readBytes;
using testsupport::writeBytes;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

const std::string kHeader = std::string("\r\n") + organisation::Name + "\r\n" + organisation::PostalAddress +
                            "\r\nTel. " + organisation::Telephone + " - Fax " + organisation::Fax + " - E-mail " +
                            organisation::Email + "\r\n\r\n------ LUMOSplitter " + std::to_string(LUMO_VERSION_MAJOR) +
                            "." + std::to_string(LUMO_VERSION_MINOR) + " ------\r\n\r\n";

// An entry line in the C locale: "12/31/26 23:59:59", a tab and the text.
const std::regex kCEntry(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\t([^\r\n]*)\r\n)");

class LogTest : public ::testing::Test {
 protected:
  std::string log() const { return folder_ / "LUMOSplitter.log"; }
  std::string old() const { return folder_ / "LUMOSplitter.log.old"; }

  testsupport::TempFolder folder_{"lumo-splitter-log"};
  ScopedEnv programFolder_{"LUMO_PROGRAM_FOLDER", folder_.path().string()};
  ScopedEnv all_{"LC_ALL", "C"};
};

TEST_F(LogTest, AJobStartsANewLogWithItsHeaderAndEntriesFollow) {
  EXPECT_EQ(LogFilePath(), log());
  writeBytes(log(), std::string(5000, 'x'));
  writeBytes(old(), "rotated");
  WriteLog("ignored", 1);
  EXPECT_EQ(readBytes(log()), kHeader);
  WriteLog("Percorso file mp3: /libri/Perché Ω/", 0);
  WriteLog("", 0);
  WriteLog("due\r\nrighe", 0);
  const std::string text = readBytes(log());
  ASSERT_EQ(text.substr(0, kHeader.size()), kHeader);
  std::string rest = text.substr(kHeader.size());
  std::smatch m;
  ASSERT_TRUE(std::regex_search(rest, m, kCEntry, std::regex_constants::match_continuous)) << rest;
  EXPECT_EQ(m[1], "Percorso file mp3: /libri/Perch\xE9 ?/");
  rest = m.suffix();
  ASSERT_TRUE(std::regex_search(rest, m, kCEntry, std::regex_constants::match_continuous)) << rest;
  EXPECT_EQ(m[1], "");
  rest = m.suffix();
  ASSERT_TRUE(
      std::regex_search(rest, m, std::regex(R"([^\t]*\tdue\r\nrighe\r\n)"), std::regex_constants::match_continuous))
      << rest;
  EXPECT_EQ(m.suffix(), "");
  // A new job empties the log again and leaves the rotated copy alone.
  WriteLog("", 1);
  EXPECT_EQ(readBytes(log()), kHeader);
  EXPECT_EQ(readBytes(old()), "rotated");
}

TEST_F(LogTest, AnEntryWithoutALogCreatesItWithoutHeader) {
  WriteLog("prima", 0);
  EXPECT_TRUE(std::regex_match(readBytes(log()), kCEntry));
  EXPECT_FALSE(fs::exists(old()));
}

TEST_F(LogTest, RotatesOnlyALogLargerThan2000000Bytes) {
  const std::string full(2000000, 'a');
  writeBytes(log(), full);
  WriteLog("dopo", 0);
  const std::string kept = readBytes(log());
  EXPECT_EQ(kept.substr(0, full.size()), full);
  EXPECT_TRUE(std::regex_match(kept.substr(full.size()), kCEntry));
  EXPECT_FALSE(fs::exists(old()));

  const std::string over(2000001, 'b');
  writeBytes(log(), over);
  writeBytes(old(), "an earlier copy");
  WriteLog("ruota", 0);
  EXPECT_EQ(readBytes(old()), over);
  std::smatch m;
  const std::string fresh = readBytes(log());
  ASSERT_TRUE(std::regex_match(fresh, m, kCEntry)) << fresh.substr(0, 100);
  EXPECT_EQ(m[1], "ruota");
}

TEST_F(LogTest, AProgramFolderThatCannotBeWrittenGivesNoLogAndNoError) {
  fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(testsupport::runInChild([] {
              WriteLog("", 1);
              WriteLog("voce", 0);
              return 0;
            }),
            0);
  EXPECT_FALSE(fs::exists(log()));

  ScopedEnv missing("LUMO_PROGRAM_FOLDER", (folder_.path() / "missing").string());
  WriteLog("", 1);
  WriteLog("voce", 0);
  EXPECT_FALSE(fs::exists(folder_.path() / "missing"));
}

TEST_F(LogTest, TheDateAndTimeAreTheLocalesShortDateAndLongTime) {
  // An Italian locale compiled for the test: day, month and the whole year.
  ASSERT_TRUE(testsupport::haveTool("localedef")) << "localedef is needed (Debian package libc-bin)";
  const fs::path locales = folder_.path() / "locales";
  fs::create_directory(locales);
  ASSERT_EQ(testsupport::runCommand("localedef -i it_IT -f UTF-8 '" + (locales / "it_IT.UTF-8").string() + "' 2>&1"), 0)
      << "the Italian locale sources are needed (Debian package locales)";
  ScopedEnv path("LOCPATH", locales.string());
  ScopedEnv all("LC_ALL", std::nullopt);
  ScopedEnv time("LC_TIME", "it_IT.UTF-8");

  auto today = [] {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
    return std::string(buffer);
  };
  const std::string before = today();
  WriteLog("voce", 0);
  const std::string after = today();
  std::smatch m;
  const std::string line = readBytes(log());
  ASSERT_TRUE(std::regex_match(line, m, std::regex(R"((\d\d/\d\d/\d{4}) \d\d:\d\d:\d\d\tvoce\r\n)"))) << line;
  EXPECT_TRUE(m[1] == before || m[1] == after) << m[1];
}

TEST(GetFileSize, SizeOrMinusOne) {
  testsupport::TempFolder folder("lumo-splitter-size");
  writeBytes(folder / "a.log", std::string(1234, 'a'));
  EXPECT_EQ(GetFileSize(folder / "a.log"), 1234);
  EXPECT_EQ(GetFileSize(folder / "missing.log"), -1);
  EXPECT_EQ(GetFileSize(folder.path().string()), -1);
  // A (sparse) file of 2^31 bytes does not fit the 32-bit size.
  fs::resize_file(folder / "a.log", uintmax_t{1} << 31);
  try {
    GetFileSize(folder / "a.log");
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::Overflow);
  }
}

}  // namespace
}  // namespace lumo::splitter
