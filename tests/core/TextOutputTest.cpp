#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "core/Ext.h"
#include "core/Multiplexer.h"
#include "core/Profile.h"
#include "core/Version.h"
#include "support/LoopHelpers.h"

namespace {

std::string delimiter162() {
  std::string line = "+";
  for (int w : {40, 30, 10, 10, 5, 60}) line += std::string(static_cast<size_t>(w), '-') + "+";
  return line + "\n";
}

// Moves the clock by `us` microseconds from the current offset.
void advance_us(int64_t us) { Mux::set_test_offset(Mux::test_offset() + us); }

struct Owner {
  int n;
  std::ostream& PutHeader(std::ostream& os) const { return os << "obj[" << n << "] "; }
};

}  // namespace

TEST(TextOutput, HeaderQuotedAndHex) {
  std::ostringstream os;
  Owner owner{7};
  os << ext::header(&owner) << "up " << ext::quoted("x y") << ' ';
  unsigned char bytes[] = {0x0A, 0xFF, 0x01};
  os << ext::OutBufInHex(bytes, bytes + 3) << '|' << ext::OutBufInHex(bytes, bytes) << '|';
  os << ext::OutUnsignedInHex(0xBEEF) << ' ' << ext::OutUnsignedInHex(0) << ' ' << 42;
  EXPECT_EQ(os.str(), "obj[7] up \"x y\" 0A FF 01 ||0xBEEF 0x0 42");
  os.str("");
  os.width(6);
  os << 5;  // formatting state is restored afterwards
  EXPECT_EQ(os.str(), "     5");
}

TEST(TextOutput, TableCentresCellsWidensLongOnesAndCompletesOpenRows) {
  std::ostringstream os;
  ext::Table table(5, 3);
  {
    ext::Table::Sentry s(os, table);
    s << ext::delimeter << ext::beginrow << "ab" << ext::nextrow << "x" << ext::nextrow;
  }
  EXPECT_EQ(os.str(), "+-----+---+\n| ab  | x |\n");
  os.str("");
  {
    ext::Table::Sentry s(os, table);
    s << ext::beginrow << "toolong" << ext::nextrow << "y" << ext::nextrow << "dropped" << ext::nextrow;
  }
  EXPECT_EQ(os.str(), "|toolong| y |\n");
  os.str("");
  {
    ext::Table::Sentry s(os, table);
    s << ext::beginrow << 12 << ext::nextrow;  // ends mid-row
  }
  EXPECT_EQ(os.str(), "| 12  |   |\n");
  os.str("");
  table.gap(os);
  EXPECT_EQ(os.str(), "|     |   |\n");
  os.str("");
  ext::Table none;
  none.delimeter(os);
  none.gap(os);
  EXPECT_EQ(os.str(), "");
}

TEST(TextOutput, MeasureKeepsMinMaxLastAndCount) {
  Mux::freeze_test_clock(true);
  Measure m;
  std::ostringstream os;
  m.put(os);
  EXPECT_EQ(os.str(), "min=0 max=0 avg=0 counter=0");
  m.begin();
  advance_us(300);
  EXPECT_EQ(m.end(), 300u);
  m.begin();
  advance_us(100);
  m.end();
  m.begin();
  advance_us(200);
  m.end();
  Mux::set_test_offset(0);
  os.str("");
  os << m;
  EXPECT_EQ(os.str(), "min=100 max=300 avg=200 counter=3");
}

TEST(TextOutput, ProfilePointsListNewestFirst) {
  Mux::freeze_test_clock(true);
  Profile::Point first("first step");
  Profile::Point second("second step");
  first.begin();
  advance_us(250);
  first.end();
  second.begin();
  advance_us(300);
  second.end();
  second.begin();
  advance_us(100);
  second.end();
  Mux::set_test_offset(0);
  std::ostringstream os;
  Profile::dump(os);
  EXPECT_EQ(os.str(),
            "[second step]: min=100 max=300 avg=100 counter=2\n"
            "[first step]: min=250 max=250 avg=250 counter=1\n");
}

TEST(TextOutput, ProfilePointLeavesTheListWhenDestroyed) {
  Profile::Point keep("keep");
  { Profile::Point gone("gone"); }
  std::ostringstream os;
  Profile::dump(os);
  EXPECT_EQ(os.str(), "[keep]: min=0 max=0 avg=0 counter=0\n");
}

TEST(TextOutput, VersionPrintsItsTagAndTypeNames) {
  std::ostringstream os;
  os << Version::current << ' ' << Version::release << ' ' << static_cast<Version::Type>(9);
  EXPECT_EQ(os.str(), "T240205-1126 release unknown");
  EXPECT_STREQ(version_suffix(Version::unit_test), "T");
  EXPECT_STREQ(version_suffix(static_cast<Version::Type>(-1)), "U");
  os.str("");
  { Trace::Block block(true, "scope", os); }
  { Trace::Block block(false, "quiet", os); }
  EXPECT_EQ(os.str(), "Enter scope\nLeave scope\n");
}

TEST(StatusDump, EmptyLoopHasFigureLinesAndAnEmptyTable) {
  std::ostringstream os;
  multiplexer.dump(os);
  std::string d = delimiter162();
  EXPECT_EQ(d.size(), 163u);
  EXPECT_EQ(os.str(),
            "dpc transition measurement (min/max/cur/counter): min=0 max=0 avg=0 counter=0\n"
            "event transition measurement (min/max/cur/counter): min=0 max=0 avg=0 counter=0\n"
            "timer transition measurement (min/max/cur/counter): min=0 max=0 avg=0 counter=0\n" +
                d +
                "|                  name                  |            events            |  count   "
                "| handler  | fd  |                          measure                           |\n" +
                d + d + "\n");
}

namespace {
struct Sink {
  void serve(int, short) { multiplexer.terminate(); }
};
}  // namespace

TEST(StatusDump, ListsPolledEventsButNotNewArrivals) {
  testsupport::SocketPair a, b;
  Sink sink;
  Event bound, unbound, arrival;
  bound.Bind("ctrl listener", &Sink::serve, &sink);
  bound.Schedule(Fd(::dup(a.fd[0])), POLLIN);
  unbound.set_name("spare");
  unbound.Schedule(Fd(::dup(a.fd[1])), POLLIN | POLLOUT);
  a.send("x", 1);
  multiplexer.run(false, true);
  arrival.Schedule(Fd(::dup(b.fd[0])), POLLIN);  // not polled yet: no row

  std::ostringstream os;
  multiplexer.dump(os);
  std::string text = os.str();
  std::string d = delimiter162();
  size_t table = text.find(d);
  ASSERT_NE(table, std::string::npos);
  std::istringstream lines(text.substr(table));
  std::string line;
  std::vector<std::string> rows;
  while (std::getline(lines, line)) rows.push_back(line);
  ASSERT_EQ(rows.size(), 7u);  // delimiter, header, delimiter, two rows, delimiter, empty line
  EXPECT_EQ(rows[3].size(), 162u);
  std::string fd = std::to_string(bound.fd().get());
  EXPECT_EQ(rows[3],
            "|             ctrl listener              |            POLLIN            |    1     "
            "| attached |" +
                std::string((5 - fd.size()) / 2, ' ') + fd + std::string((5 - fd.size() + 1) / 2, ' ') +
                "|                min=0 max=0 avg=0 counter=0                 |");
  EXPECT_EQ(rows[4].find("|" + std::string(17, ' ') + "spare" + std::string(18, ' ') + "|"), 0u);
  EXPECT_NE(rows[4].find("POLLIN|POLLOUT"), std::string::npos);
  EXPECT_NE(rows[4].find("unattached"), std::string::npos);
  EXPECT_EQ(rows[5] + "\n", d);
  EXPECT_EQ(rows[6], "");
  EXPECT_EQ(text.find("event transition measurement (min/max/cur/counter): min="), text.find("event"));
}
