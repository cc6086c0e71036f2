#include "platform/shell/drives.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lumo::shell {
namespace {

// The mount table writes blanks, tabs, line ends and backslashes in names
// as a backslash and three octal digits.
std::string decodeOctalEscapes(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string::npos) {
        out += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

std::string withoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

int typeOf(const MountEntry& m) {
  if (m.device.starts_with("/dev/sr") || m.device.starts_with("/dev/cdrom") || m.type == "iso9660" || m.type == "udf")
    return drive::CdRom;
  static const char* const remote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs"};
  for (const char* r : remote)
    if (m.type == r) return drive::Remote;
  if (m.type == "tmpfs" || m.type == "ramfs") return drive::RamDisk;
  if (m.device.starts_with("/dev/")) return drive::Fixed;
  return drive::Unknown;
}

}  // namespace

std::vector<MountEntry> readMountTable() {
  const char* forced = std::getenv("LUMO_MOUNTS");
  std::ifstream in(forced && *forced ? forced : "/proc/self/mounts");
  std::vector<MountEntry> table;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    MountEntry entry;
    if (!(fields >> entry.device >> entry.mountPoint >> entry.type)) continue;
    entry.device = decodeOctalEscapes(entry.device);
    entry.mountPoint = withoutTrailingSlash(decodeOctalEscapes(entry.mountPoint));
    entry.type = decodeOctalEscapes(entry.type);
    table.push_back(std::move(entry));
  }
  return table;
}

std::vector<std::string> driveRoots() {
  std::vector<std::string> roots;
  for (const MountEntry& m : readMountTable()) {
    const std::string root = m.mountPoint == "/" ? "/" : m.mountPoint + "/";
    bool listed = false;
    for (const std::string& r : roots) listed = listed || r == root;
    if (!listed) roots.push_back(root);
  }
  return roots;
}

int driveType(const std::string& root) {
  const std::string point = withoutTrailingSlash(root);
  int type = drive::NoRootDir;
  for (const MountEntry& m : readMountTable())
    if (m.mountPoint == point) type = typeOf(m);
  return type;
}

}  // namespace lumo::shell
