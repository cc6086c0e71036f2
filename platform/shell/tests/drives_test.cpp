#include "platform/shell/drives.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testsupport/common/test_files.h"
#include "testsupport/test_env.h"

namespace fs = std::filesystem;
using namespace lumo::shell;

namespace {

class DrivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(table) << "/dev/vda1 / ext4 rw,relatime 0 0\n"
                            "proc /proc proc rw 0 0\n"
                            "/dev/sr0 /media/cdrom0 iso9660 ro 0 0\n"
                            "/dev/sdb1 /media/Libro\\040di\\040Lucia udf ro 0 0\n"
                            "/dev/sr1 /media/sr1/ auto ro 0 0\n"
                            "/dev/loop0 /mnt/img iso9660 ro 0 0\n"
                            "server:/books /mnt/net nfs4 rw 0 0\n"
                            "tmpfs /tmp tmpfs rw 0 0\n"
                            "/dev/sdc1 /media/usb vfat rw 0 0\n"
                            "/dev/sr0 /mnt/over ext4 rw 0 0\n"
                            "/dev/sdd1 /mnt/over ext4 rw 0 0\n"
                            "garbage\n";
  }
  lumo::testsupport::TempFolder temp{"lumo-mounts"};
  fs::path table = temp.path() / "mounts";
  lumo::testsupport::ScopedEnv mountsEnv{"LUMO_MOUNTS", table.string()};
};

}  // namespace

TEST_F(DrivesTest, RootsComeInTableOrderEndingInSlash) {
  const std::vector<std::string> expected = {"/",           "/proc/",    "/media/cdrom0/", "/media/Libro di Lucia/",
                                             "/media/sr1/", "/mnt/img/", "/mnt/net/",      "/tmp/",
                                             "/media/usb/", "/mnt/over/"};
  EXPECT_EQ(driveRoots(), expected);
}

TEST_F(DrivesTest, TypesFollowDeviceAndFileSystem) {
  struct Case {
    const char* root;
    int type;
  } cases[] = {
      {"/media/cdrom0/", drive::CdRom},         // /dev/sr* and iso9660
      {"/media/Libro di Lucia", drive::CdRom},  // udf, name with an escaped blank
      {"/media/sr1/", drive::CdRom},            // by the device alone
      {"/mnt/img/", drive::CdRom},              // a mounted disc image
      {"/mnt/net/", drive::Remote},
      {"/tmp/", drive::RamDisk},
      {"/", drive::Fixed},
      {"/media/usb/", drive::Fixed},
      {"/proc/", drive::Unknown},
      {"/mnt/over/", drive::Fixed},  // the later mount hides the disc below it
      {"/media/", drive::NoRootDir},
  };
  for (const Case& c : cases) EXPECT_EQ(driveType(c.root), c.type) << c.root;
}

TEST_F(DrivesTest, AnUnreadableTableHasNoDrives) {
  ::setenv("LUMO_MOUNTS", (table.string() + ".missing").c_str(), 1);
  EXPECT_TRUE(driveRoots().empty());
  EXPECT_EQ(driveType("/"), drive::NoRootDir);
}

TEST(DrivesOfThisMachine, TheRootIsListed) {
  ::unsetenv("LUMO_MOUNTS");
  const auto roots = driveRoots();
  EXPECT_NE(std::find(roots.begin(), roots.end(), "/"), roots.end());
}
