#include "monitoring/SnmpAgentInstance.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Type = SnmpAgentInstance::MonitoringAddressType;

// Reads the optional address-type key "type" of a "snmpagent" occurrence.
struct Read {
  bool found;
  Type value;
  std::string messages;
};

Read read(std::string const& text, Type initial = SnmpAgentInstance::addressTova) {
  IniFile::File file;
  std::istringstream in("[snmpagent]\ntype = " + text + "\n");
  in >> file;
  std::ostringstream out;
  Read result{false, initial, ""};
  IniFile::Reader reader("snmpagent: ", out);
  bool& found = reader.optional.add(&result.value, "type", SnmpAgentInstance::addressTypeNames);
  EXPECT_TRUE(reader.parse(*file["snmpagent"].first()));
  result.found = found;
  result.messages = out.str();
  return result;
}

}  // namespace

TEST(SnmpAgentAddressType, NamesFromTheTable) {
  EXPECT_EQ(read("zedoro").value, SnmpAgentInstance::addressZedoro);
  EXPECT_EQ(read("tova", SnmpAgentInstance::addressZedoro).value, SnmpAgentInstance::addressTova);
  EXPECT_EQ(read("zedoro.qz").value, SnmpAgentInstance::addressZedoroQz);
  EXPECT_EQ(static_cast<int>(SnmpAgentInstance::addressZedoro), 1);
  EXPECT_EQ(static_cast<int>(SnmpAgentInstance::addressTova), 2);
  EXPECT_EQ(static_cast<int>(SnmpAgentInstance::addressZedoroQz), 4);
}

TEST(SnmpAgentAddressType, WholeNumbersInEveryBase) {
  struct Case {
    char const* text;
    int value;
  } const cases[] = {{"0x10", 16}, {"010", 8}, {"12", 12}, {"0", 0}, {"-1", -1}, {"0X1f", 31}};
  for (Case const& c : cases) {
    Read r = read(c.text);
    EXPECT_TRUE(r.found) << c.text;
    EXPECT_EQ(static_cast<int>(r.value), c.value) << c.text;
    EXPECT_EQ(r.messages, "");
  }
}

TEST(SnmpAgentAddressType, AnythingElseIsInvalidAndLeavesTheTarget) {
  for (char const* bad : {"12abc", "Zedoro", "zedoro.QZ", "tova x", "0x", "08", "99999999999"}) {
    Read r = read(bad);
    EXPECT_FALSE(r.found) << bad;
    EXPECT_EQ(r.value, SnmpAgentInstance::addressTova) << bad;
  }
  EXPECT_EQ(read("12abc").messages,
            "snmpagent: optional key \"type\" has invalid value=\"12abc\", line 2. Key will be ignored.\n");
  // The empty text is no number either.
  EXPECT_FALSE(read("").found);
}
