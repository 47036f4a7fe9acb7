#include "control/StrmProtocol.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "support/LoopHelpers.h"

using testloop::Capture;
using testsupport::SocketPair;

namespace {

// A stream layer alone in a family that records what comes up.
struct Stream : ProtocolsFamily {
  StrmProtocol* strm = new StrmProtocol;
  std::string received;
  std::vector<std::string> errors;
  SocketPair pair;

  Stream() {
    add_protocol_tail(strm);
    strm->attach(Fd(::dup(pair.fd[0])));
    activate();
  }
  int peer() const { return pair.fd[1]; }
  void on_message(Packet& packet) override {
    received.append(reinterpret_cast<char const*>(packet.data()), packet.length());
  }
  void on_deactivated(Protocol*, Protocol_status status) override { errors.push_back(status->message()); }
};

}  // namespace

TEST(StrmEvents, AReadableEventWithNothingToReadChangesNothing) {
  Stream s;
  s.strm->on_event(s.strm->socket(), POLLIN);
  EXPECT_TRUE(s.errors.empty());
  EXPECT_TRUE(s.received.empty());
  EXPECT_GE(s.strm->socket(), 0);
}

TEST(StrmEvents, AnErrorWithInputIsAnErrorAndTheInputIsNotRead) {
  Stream s;
  (void)!::write(s.peer(), "data", 4);
  s.strm->on_event(s.strm->socket(), POLLERR | POLLIN);
  ASSERT_EQ(s.errors.size(), 1u);
  EXPECT_EQ(s.errors[0].rfind("pollerr: ", 0), 0u);
  EXPECT_TRUE(s.received.empty());
  EXPECT_LT(s.strm->socket(), 0) << "the socket is released";
}

TEST(StrmEvents, DataSentRightBeforeAHangUpIsDeliveredThenTheEndIsReported) {
  Stream s;
  (void)!::write(s.peer(), "last words", 10);
  ::close(s.pair.fd[1]);
  s.pair.fd[1] = -1;
  testloop::run_until([&] { return !s.errors.empty(); }, 1000);
  EXPECT_EQ(s.received, "last words");
  EXPECT_EQ(s.errors, std::vector<std::string>{"read error: connection closed by peer"});
}

TEST(StrmEvents, ActivationWithoutASocketIsAnError) {
  struct Empty : ProtocolsFamily {
    std::vector<std::string> errors;
    void on_deactivated(Protocol*, Protocol_status status) override { errors.push_back(status->message()); }
  } family;
  family.add_protocol_tail(new StrmProtocol);
  family.activate();
  EXPECT_EQ(family.errors, std::vector<std::string>{"fd not attached"});
}

TEST(StrmFigures, FreeSpaceIsTheSendBufferLessWhatIsQueued) {
  Stream s;
  int sendbuf = s.strm->sendbuf_space();
  ASSERT_GT(sendbuf, 0);
  EXPECT_EQ(s.strm->outq_space(), 0);
  EXPECT_EQ(s.strm->free_space(), sendbuf);
  std::string chunk(1000, 'q');
  Packet packet;
  packet.reserve_head(0);
  std::memcpy(packet.put(1000), chunk.data(), 1000);
  s.strm->message(packet);
  EXPECT_GT(s.strm->outq_space(), 0);
  EXPECT_EQ(s.strm->free_space(), sendbuf - s.strm->outq_space());
  EXPECT_EQ(s.strm->write_measure().counter(), 1u);
}
