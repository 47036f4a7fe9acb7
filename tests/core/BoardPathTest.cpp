#include "core/BoardPath.h"

#include <gtest/gtest.h>
#include <cstdlib>

TEST(BoardPath, PrefixesTheRootButNeverProc) {
  ::unsetenv("TARVOX_ROOT");
  EXPECT_EQ(Board::path("/dev/hal"), "/dev/hal");
  ::setenv("TARVOX_ROOT", "/tmp/root/", 1);
  EXPECT_EQ(Board::path("/dev/hal"), "/tmp/root/dev/hal");
  EXPECT_EQ(Board::path("/var/monitoring/"), "/tmp/root/var/monitoring/");
  EXPECT_EQ(Board::path("/proc/temperature"), "/proc/temperature");
  EXPECT_EQ(Board::path("/proc"), "/proc");
  EXPECT_EQ(Board::path("/processes"), "/tmp/root/processes");
  ::setenv("TARVOX_ROOT", "", 1);
  EXPECT_EQ(Board::path("/dev/hal"), "/dev/hal");
  ::unsetenv("TARVOX_ROOT");
}
