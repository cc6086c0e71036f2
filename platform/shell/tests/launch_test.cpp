#include "platform/shell/launch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace fs = std::filesystem;
using namespace lumo::shell;
using lumo::testsupport::readBytes;
using lumo::testsupport::ScopedEnv;

namespace {

// Runs the request and waits for the child; its exit status, or -1 when it
// did not start.
int runAndWait(const LaunchRequest& request) {
  pid_t pid = 0;
  if (launch(request, pid) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

LaunchRequest shell(const std::string& script, std::vector<std::string> args = {}) {
  LaunchRequest request;
  request.program = "/bin/sh";
  request.arguments = {"-c", script, "sh"};
  request.arguments.insert(request.arguments.end(), args.begin(), args.end());
  request.environment = currentEnvironment();
  return request;
}

std::vector<std::string> splitAtNul(const std::string& bytes) {
  std::vector<std::string> parts;
  std::istringstream in(bytes);
  for (std::string part; std::getline(in, part, '\0');) parts.push_back(part);
  return parts;
}

}  // namespace

TEST(Launch, ChildGetsExactlyTheEnvironmentGiven) {
  const lumo::testsupport::TempFolder temp("lumo-launch");
  const ScopedEnv replaced("LUMO_LAUNCH_SET", "old");
  const ScopedEnv lookalike("LUMO_LAUNCH_SETX", "kept");
  const ScopedEnv removed("LUMO_LAUNCH_GONE", "present");
  Environment env = currentEnvironment();
  setVariable(env, "LUMO_LAUNCH_SET", "new value=with equals");
  setVariable(env, "LUMO_LAUNCH_ADDED", "");
  removeVariable(env, "LUMO_LAUNCH_GONE");

  // cp reads its own environment, untouched by any shell.
  const fs::path out = temp.path() / "environ";
  LaunchRequest request;
  request.program = "/bin/cp";
  request.arguments = {"/proc/self/environ", out.string()};
  request.environment = env;
  ASSERT_EQ(runAndWait(request), 0);
  const std::vector<std::string> seen = splitAtNul(readBytes(out));
  EXPECT_EQ(seen, env);
  EXPECT_NE(std::find(seen.begin(), seen.end(), "LUMO_LAUNCH_SET=new value=with equals"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "LUMO_LAUNCH_SETX=kept"), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), "LUMO_LAUNCH_ADDED="), seen.end());
  for (const std::string& entry : seen) EXPECT_NE(entry.rfind("LUMO_LAUNCH_GONE=", 0), 0u) << entry;
  // The caller's own environment is not changed.
  EXPECT_STREQ(std::getenv("LUMO_LAUNCH_SET"), "old");
  EXPECT_STREQ(std::getenv("LUMO_LAUNCH_GONE"), "present");
  EXPECT_EQ(std::getenv("LUMO_LAUNCH_ADDED"), nullptr);

  // An empty environment stays empty.
  request.environment.clear();
  ASSERT_EQ(runAndWait(request), 0);
  EXPECT_EQ(readBytes(out), "");
}

TEST(Launch, ArgumentsAndWorkingFolderReachTheChild) {
  const lumo::testsupport::TempFolder temp("lumo-launch");
  const fs::path folder = temp.path() / "dir with space";
  fs::create_directories(folder);
  const fs::path out = temp.path() / "out";
  LaunchRequest request =
      shell("printf '%s|%s|' \"$1\" \"$2\" > \"$3\"; pwd -P >> \"$3\"", {"two words", "*", out.string()});
  request.workingFolder = folder.string();
  ASSERT_EQ(runAndWait(request), 0);
  EXPECT_EQ(readBytes(out), "two words|*|" + fs::canonical(folder).string() + "\n");
}

TEST(Launch, FailuresAreReportedWithNoChildLeft) {
  const lumo::testsupport::TempFolder temp("lumo-launch");
  const fs::path plain = temp.path() / "plain";
  lumo::testsupport::writeBytes(plain, "#!/bin/sh\n");
  fs::permissions(plain, fs::perms::owner_read | fs::perms::owner_write);
  struct Case {
    const char* what;
    LaunchRequest request;
    int error;
  };
  LaunchRequest missing{.program = (temp.path() / "nothing").string()};
  LaunchRequest notExecutable{.program = plain.string()};
  LaunchRequest folder{.program = temp.path().string()};
  LaunchRequest notOnPath{.program = "lumo-no-such-program", .searchPath = true};
  LaunchRequest badFolder{.program = "/bin/true", .workingFolder = (temp.path() / "nowhere").string()};
  LaunchRequest empty{};
  const Case cases[] = {
      {"missing", missing, ENOENT},       {"not executable", notExecutable, EACCES},     {"a folder", folder, EACCES},
      {"not on PATH", notOnPath, ENOENT}, {"missing working folder", badFolder, ENOENT}, {"no program", empty, ENOENT}};
  for (const Case& c : cases) {
    pid_t pid = 12345;
    EXPECT_EQ(launch(c.request, pid), c.error) << c.what;
    EXPECT_EQ(pid, 0) << c.what;
    EXPECT_EQ(launchDetached(c.request), c.error) << c.what;
  }
  // Every failed start was reaped by the C library: this process has no child.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(Launch, SearchesThePathOnlyWhenAsked) {
  const lumo::testsupport::TempFolder temp("lumo-launch");
  const fs::path tool = temp.path() / "lumo-tool";
  const fs::path out = temp.path() / "out";
  lumo::testsupport::writeBytes(tool, "#!/bin/sh\necho \"$0 $1\" > \"$1\"\n");
  fs::permissions(tool, fs::perms::owner_all);
  const ScopedEnv path("PATH", temp.path().string() + ":/usr/bin:/bin");
  LaunchRequest request{.program = "lumo-tool", .searchPath = true, .arguments = {out.string()}};
  EXPECT_EQ(runAndWait(request), 0);
  EXPECT_EQ(readBytes(out), tool.string() + " " + out.string() + "\n");
  request.searchPath = false;
  pid_t pid = 0;
  EXPECT_EQ(launch(request, pid), ENOENT);  // not in the current folder
}

TEST(Launch, DetachedChildIsReapedAndStartsInANewSession) {
  const lumo::testsupport::TempFolder temp("lumo-launch");
  const fs::path out = temp.path() / "out";
  LaunchRequest request = shell("ps -o sid= -p $$ > \"$1.part\" && mv \"$1.part\" \"$1\"", {out.string()});
  request.newSession = true;
  pid_t pid = 0;
  ASSERT_EQ(launchDetached(request, &pid), 0);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(lumo::testsupport::reaped(pid));  // no zombie: the launcher waited for it
  std::string session = readBytes(out);
  session.erase(0, session.find_first_not_of(' '));
  EXPECT_EQ(session, std::to_string(pid) + "\n");  // it leads its own session
}

// The programs run Qt and mpv threads. Starting a program while other threads
// allocate, touch the file system and hold the environment's lock (setenv)
// must work every time: a child that took any of those locks between fork
// and exec could wait forever for a thread that no longer exists in it.
TEST(Launch, StartsRepeatedlyWhileOtherThreadsAreBusy) {
  const lumo::testsupport::TempFolder temp("lumo-launch");
  const ScopedEnv busyVariable("LUMO_LAUNCH_BUSY", "0");
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  threads.emplace_back([&stop] {
    // Replaces the value of a variable that exists, which keeps the
    // environment array in place while it takes the lock.
    for (unsigned i = 0; !stop; ++i) ::setenv("LUMO_LAUNCH_BUSY", i % 2 ? "1" : "0", 1);
  });
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&stop, &temp] {
      while (!stop) {
        std::vector<std::string> garbage(64, std::string(200, 'x'));
        std::error_code ec;
        (void)fs::exists(temp.path() / "nothing", ec);
      }
    });
  int started = 0;
  for (int i = 0; i < 200; ++i) {
    LaunchRequest request{.program = "/bin/true", .environment = currentEnvironment()};
    if (i % 2) {
      if (runAndWait(request) == 0) ++started;
    } else {
      pid_t pid = 0;
      if (launchDetached(request, &pid) == 0 && lumo::testsupport::reaped(pid)) ++started;
    }
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(started, 200);
}

TEST(Environment, SetAndRemoveKeepOneEntryPerName) {
  Environment env = {"A=1", "AB=2", "A=3", "B", "=x"};
  setVariable(env, "A", "9");
  EXPECT_EQ(env, (Environment{"A=9", "AB=2", "B", "=x"}));
  setVariable(env, "C", "");
  removeVariable(env, "AB");
  removeVariable(env, "B");  // an entry without "=" names no variable
  EXPECT_EQ(env, (Environment{"A=9", "B", "=x", "C="}));
}
