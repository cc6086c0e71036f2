#pragma once
// Shell scripts run in a mount namespace of their own, where a test can make
// a folder read-only (a read-only bind mount) or put it on a tiny file system
// (a tmpfs) without touching the machine. Root cannot write to either, so the
// fixtures hold for the root user of CI as well as for a developer, who gets
// the namespace through a user namespace ("unshare -r").

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace lumo::testsupport {

// Quotes a text for the shell.
inline std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The command that starts a private mount namespace here ("unshare -m" for
// root, "unshare -rm" for others), or "" when this machine has none to give.
inline const std::string& privateMountsCommand() {
  static const std::string command = [] {
    const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
    const std::string probe = unshare +
                              " sh -c 'd=$(mktemp -d) && mount -t tmpfs -o size=64k lumo \"$d\"; r=$?; "
                              "umount \"$d\" 2>/dev/null; rmdir \"$d\"; exit $r' >/dev/null 2>&1";
    return std::system(probe.c_str()) == 0 ? unshare : std::string();
  }();
  return command;
}

// Runs a shell script in a private mount namespace; returns its exit status
// (-1 when it could not run).
inline int runWithPrivateMounts(const std::string& script) {
  if (privateMountsCommand().empty()) return -1;
  const std::string command = privateMountsCommand() + " sh -c " + shellQuoted(script);
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Script lines that make a folder read-only for what follows.
inline std::string readOnlyFolder(const std::filesystem::path& folder) {
  const std::string f = shellQuoted(folder.string());
  return "mount --bind " + f + " " + f + " && mount -o remount,bind,ro " + f + " " + f + " || exit 90\n";
}

// Script lines that put a folder, with what it holds, on a file system of its
// own that has only about freeBytes left: its content is copied onto a tmpfs
// mounted over it, and a filler file takes all but freeBytes of the room.
inline std::string nearlyFullFolder(const std::filesystem::path& folder, long freeBytes) {
  const std::string f = shellQuoted(folder.string());
  return "s=$(mktemp -d) && cp -a " + f + "/. \"$s\"/ && mount -t tmpfs -o size=64m lumo " + f + " && cp -a \"$s\"/. " +
         f + "/ && rm -rf \"$s\" || exit 91\n" + "head -c 70000000 /dev/zero > " + f +
         "/.filler 2>/dev/null; truncate -s -" + std::to_string(freeBytes) + " " + f + "/.filler || exit 92\n";
}

}  // namespace lumo::testsupport
