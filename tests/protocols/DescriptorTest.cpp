#include "protocols/LGCP.h"
#include "protocols/MON.h"

#include <gtest/gtest.h>

TEST(DescriptorTest, Builds) {
  LGCP::Message m;
  m.get_pdu().set_command().set_ping();
  EXPECT_TRUE(m.isValid());
}
