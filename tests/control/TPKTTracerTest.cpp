#include "control/TPKTTracer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"

using controltest::bytes;
using controltest::Client;
using controltest::frame;
using testloop::Capture;

namespace {

struct Tracer : TPKTTracer::Receiver {
  TPKTTracer tracer;
  std::vector<std::string> bodies;
  std::string reply;
  Tracer() {
    tracer.SetReceiver(this);
    tracer.Listen(0);
  }
  void OnMessage(void const* data, unsigned length) override {
    bodies.emplace_back(static_cast<char const*>(data), length);
    if (!reply.empty()) tracer.Send(reply.data(), static_cast<unsigned>(reply.size()));
  }
  bool settle(size_t connections) {
    return testloop::run_until([&] { return tracer.connections() == connections; }, 1000);
  }
};

}  // namespace

TEST(TracerFrames, FramesOfOneReadAreAllDeliveredAndEmptyOnesSkipped) {
  Capture log(std::clog);
  Tracer t;
  ASSERT_NE(t.tracer.port(), 0);
  Client c;
  ASSERT_TRUE(c.connect(t.tracer.port()));
  ASSERT_TRUE(t.settle(1));
  EXPECT_NE(log.text().find("ACP connection open from 127.0.0.1:"), std::string::npos);
  c.send(frame("one") + frame("") + frame("two"));
  testloop::run_until([&] { return t.bodies.size() == 2; }, 1000);
  EXPECT_EQ(t.bodies, (std::vector<std::string>{"one", "two"}));
}

TEST(TracerFrames, A512ByteBodyIsTakenAndA513ByteOneClosesOnlyThatClient) {
  Tracer t;
  Client good, bad;
  ASSERT_TRUE(good.connect(t.tracer.port()));
  ASSERT_TRUE(bad.connect(t.tracer.port()));
  ASSERT_TRUE(t.settle(2));
  good.send(frame(std::string(512, 'g')));
  bad.send(frame(std::string(513, 'b')));
  ASSERT_TRUE(t.settle(1));
  testloop::run_until([&] { return t.bodies.size() == 1; }, 1000);
  EXPECT_EQ(t.bodies, std::vector<std::string>{std::string(512, 'g')});
  bad.read(1);
  EXPECT_TRUE(bad.ended);
}

TEST(TracerFrames, AnyOtherFrameStartClosesTheClient) {
  for (std::string start : {bytes({0x04, 0x00}), bytes({0x03, 0x01}), bytes({0x03, 0x00, 0x00, 0x03})}) {
    Tracer t;
    Client c;
    ASSERT_TRUE(c.connect(t.tracer.port()));
    ASSERT_TRUE(t.settle(1));
    c.send(start + std::string(4, '\0'));
    EXPECT_TRUE(t.settle(0));
    EXPECT_TRUE(t.bodies.empty());
  }
}

TEST(TracerSend, AReplyGoesToTheSenderOnlyOtherMessagesToEveryone) {
  Tracer t;
  t.reply = "ack";
  Client a, b;
  ASSERT_TRUE(a.connect(t.tracer.port()));
  ASSERT_TRUE(b.connect(t.tracer.port()));
  ASSERT_TRUE(t.settle(2));
  a.send(frame("question"));
  testloop::run_until([&] { return t.bodies.size() == 1; }, 1000);
  EXPECT_EQ(a.read(7), frame("ack"));
  EXPECT_EQ(b.read(1, 100), "");

  t.tracer.Send("all", 3);
  EXPECT_EQ(a.read(7), frame("all"));
  EXPECT_EQ(b.read(7), frame("all"));
}
