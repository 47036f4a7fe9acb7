#include "control/TraceCtl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

TEST(TraceCtl, LastSectionDecidesEverySwitchAndBadKeysAreReported) {
  IniFile::File config;
  std::istringstream(
      "[traces]\nsignalling.hdlc = yes\nsignalling.events = on\n"
      "[other]\nmonitoring.internal = yes\n"
      "[traces]\nsignalling.zedoro = enabled\nmonitoring.internal = 1\n") >>
      config;
  TraceCtl t;
  testing::internal::CaptureStderr();
  t.Configure(config["traces"]);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(t.signalling_hdlc);  // named only by the first occurrence
  EXPECT_TRUE(t.signalling_zedoro);
  EXPECT_FALSE(t.signalling_events);
  EXPECT_TRUE(t.monitoring_internal);
  EXPECT_THAT(err, ::testing::HasSubstr("traces: "));
  EXPECT_THAT(err, ::testing::HasSubstr("signalling.events"));
}
