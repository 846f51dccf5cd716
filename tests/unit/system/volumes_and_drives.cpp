// Drive classes and volume labels: a network-share prefix asks about a root made of its
// first character and yields the fixed class; a label NAME.EXT is written NAME EXT; a drive
// that does not exist has no label.
#include <gtest/gtest.h>

#include <string>

#include "system/system.h"

TEST(VolumesAndDrives, UnknownRootsAreFixedDrives) {
  EXPECT_EQ(SYS_DRIVE_FIXED, SysDriveType("\\\\server\\share\\file"));
  int type = SysDriveType("C:\\");
  EXPECT_TRUE(type >= SYS_DRIVE_REMOVABLE && type <= SYS_DRIVE_RAMDISK) << type;
}

TEST(VolumesAndDrives, LabelDotBecomesABlank) {
  char label[] = "DISK.001";
  EXPECT_EQ(1, SysSetVolumeLabel("Q:", label));  // no drive Q: (and no labels on Linux)
  EXPECT_EQ(std::string("DISK 001"), label);
  char japanese[] = "表.示.x";  // only the first full stop, never a second byte
  SysSetVolumeLabel("Q:", japanese);
  EXPECT_EQ(std::string("表 示.x"), japanese);
}

TEST(VolumesAndDrives, MissingDriveHasNoLabel) {
  char label[SYS_PATH_MAX + 1] = "old";
  uint32_t serial = 5;
  EXPECT_EQ(1, SysGetVolumeLabel("Q:\\", label, &serial));
  EXPECT_EQ(std::string(), label);
  EXPECT_EQ(0u, serial);
}
