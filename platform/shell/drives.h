#pragma once
// Drive roots and drive types from the mount table.
//
// A drive root is a mount point of the mount table (/proc/self/mounts, or the
// file named by LUMO_MOUNTS) with "/" at its end, listed in table order. A
// drive is a CD-ROM when its device is /dev/sr* or /dev/cdrom*, or its file
// system is iso9660 or udf.

#include <string>
#include <vector>

namespace lumo::shell {

// The drive types of the Windows shell, as the callers test them.
namespace drive {
inline constexpr int Unknown = 0;
inline constexpr int NoRootDir = 1;
inline constexpr int Removable = 2;
inline constexpr int Fixed = 3;
inline constexpr int Remote = 4;
inline constexpr int CdRom = 5;
inline constexpr int RamDisk = 6;
}  // namespace drive

// One line of the mount table, its octal escapes (\040 for a blank) decoded.
struct MountEntry {
  std::string device;
  std::string mountPoint;  // as in the table, without a trailing "/"
  std::string type;
};

// The mount table in table order; empty when it cannot be read.
std::vector<MountEntry> readMountTable();

// Every drive root, each ending in "/", in table order; a mount point that
// appears more than once is listed once.
std::vector<std::string> driveRoots();

// The type of the drive whose root is given (with or without the trailing
// "/"): the type of the last mount on that point, which is the one visible
// there; NoRootDir when nothing is mounted there.
int driveType(const std::string& root);

}  // namespace lumo::shell
