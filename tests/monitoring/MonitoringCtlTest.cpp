#include "monitoring/MonitoringCtl.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/ControllerPair.h"
#include "support/LoopHelpers.h"

using ::testing::HasSubstr;

namespace {

// An SNMP agent process as the daemon sees it: a TCP listener on loopback.
struct FakeAgent {
  int listener = -1;
  int conn = -1;
  std::string buffer;
  unsigned short port = 0;

  FakeAgent() {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &n);
    port = ntohs(a.sin_port);
    ::listen(listener, 4);
  }
  ~FakeAgent() {
    if (conn >= 0) ::close(conn);
    ::close(listener);
  }
  bool accept() {
    conn = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    return conn >= 0;
  }
  void send(MON::Message const& m) {
    ASN1::Octets body;
    ASSERT_TRUE(ASN1::encode(m, ASN1::CoderEnv(), body));
    std::vector<unsigned char> frame{3, 0, static_cast<unsigned char>((body.size() + 4) >> 8),
                                     static_cast<unsigned char>(body.size() + 4)};
    frame.insert(frame.end(), body.begin(), body.end());
    (void)!::write(conn, frame.data(), frame.size());
  }
  // Messages received so far; `closed` tells whether the daemon hung up.
  std::vector<MON::Message> received(bool* closed = nullptr) {
    char chunk[4096];
    ssize_t n;
    while ((n = ::recv(conn, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) buffer.append(chunk, static_cast<size_t>(n));
    if (closed) *closed = n == 0;
    std::vector<MON::Message> out;
    while (buffer.size() >= 4) {
      size_t length = (static_cast<unsigned char>(buffer[2]) << 8) | static_cast<unsigned char>(buffer[3]);
      if (buffer.size() < length) break;
      MON::Message m;
      auto const* p = reinterpret_cast<unsigned char const*>(buffer.data());
      EXPECT_TRUE(ASN1::decode(p + 4, p + length, ASN1::CoderEnv(), m));
      out.push_back(m);
      buffer.erase(0, length);
    }
    return out;
  }
};

void run_loop(unsigned ms) {
  testsupport::LoopStopper stop(ms);
  multiplexer.run(false, true);
}

void advance(int64_t ms) { Mux::set_test_offset(Mux::test_offset() + ms * 1000); }

std::string config_for(unsigned short port) {
  return "[snmpagent]\nhost = 127.0.0.1:" + std::to_string(port) + "\nname = agent-a\ntype = tova\n"
         "[snmpagent]\nhost = 127.0.0.1:1\n"
         "[snmpagent]\nhost = gateway:161\nname = agent-c\n";
}

}  // namespace

TEST(MonitoringCtl, EveryValidSnmpagentOccurrenceMakesOneLink) {
  FakeAgent agent;
  IniFile::File config;
  std::istringstream(config_for(agent.port)) >> config;
  testing::internal::CaptureStderr();
  MonitoringCtl::instance().Configure(config);
  std::string err = testing::internal::GetCapturedStderr();
  ASSERT_EQ(MonitoringCtl::instance().agents().size(), 1u);
  auto const& link = *MonitoringCtl::instance().agents()[0];
  EXPECT_EQ(link.name(), "agent-a");
  EXPECT_EQ(link.type(), SnmpAgentInstance::addressTova);
  EXPECT_THAT(err, HasSubstr("snmpagent: "));
  EXPECT_THAT(err, HasSubstr("\"gateway:161\""));
}

TEST(MonitoringCtl, LinkAnswersTheAgentPingsWhenIdleAndDropsASilentAgent) {
  Mux::set_test_offset(0);
  FakeAgent agent;
  IniFile::File config;
  std::istringstream(config_for(agent.port)) >> config;
  testing::internal::CaptureStderr();
  MonitoringCtl::instance().Configure(config);
  run_loop(50);
  ASSERT_TRUE(agent.accept());
  run_loop(20);

  MON::Message ping;
  ping.get_pdu().set_command().set_ping();
  agent.send(ping);
  MON::Message set;
  auto& commands = set.get_pdu().set_command().set_snmp_set().get_commands();
  MON::SnmpSetCommand item;
  item.set_uniq(42);
  item.get_id().set_oid("1.3.6.1.2.1.1.5.0");
  item.set_value("x");
  commands.push_back(item);
  agent.send(set);
  run_loop(20);
  auto got = agent.received();
  ASSERT_EQ(got.size(), 2u);
  ASSERT_NE(got[0].get_pdu().get_response(), nullptr);
  ASSERT_NE(got[0].get_pdu().get_response()->get_ping(), nullptr);
  EXPECT_NE(got[0].get_pdu().get_response()->get_ping()->get_success(), nullptr);
  auto const* responses = got[1].get_pdu().get_response()->get_snmp_set();
  ASSERT_NE(responses, nullptr);
  ASSERT_EQ(responses->get_responses().size(), 1u);
  EXPECT_EQ(responses->get_responses()[0].get_uniq().getValue(), 42);

  // Nothing sent for five seconds: the daemon pings.
  advance(5100);
  run_loop(20);
  got = agent.received();
  ASSERT_EQ(got.size(), 1u);
  ASSERT_NE(got[0].get_pdu().get_command(), nullptr);
  EXPECT_NE(got[0].get_pdu().get_command()->get_ping(), nullptr);

  // Nothing received for thirty seconds: the link is dropped.
  advance(24000);
  run_loop(20);
  bool closed = false;
  agent.received(&closed);
  EXPECT_FALSE(closed);
  advance(1500);
  run_loop(20);
  agent.received(&closed);
  EXPECT_TRUE(closed);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("snmpagent [agent-a]: nothing received for 30 s"));
  Mux::set_test_offset(0);
}

TEST(MonitoringCtl, DisplayIsTakenAndAnsweredOtherCommandsAreNot) {
  auto* pair = new testsupport::ControllerPair;
  ctrlServer.Bind(&MonitoringCtl::instance());
  ASSERT_TRUE(ctrlServer.Activate(pair));
  EXPECT_TRUE(MonitoringCtl::instance().controller_connected());
  ctrlServer.OnMessage(testsupport::command_message(LGCP::Command::display_id, 3));
  ctrlServer.OnMessage(testsupport::command_message(LGCP::Command::ping_id, 4));
  auto m = pair->messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_TRUE(testsupport::is_success(m[0]));
  EXPECT_EQ(testsupport::error_of(m[1]), LGCP::ErrorCause::unexpectedMsgType);
  ctrlServer.Deactivate();
  EXPECT_FALSE(MonitoringCtl::instance().controller_connected());
}
