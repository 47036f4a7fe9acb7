#include "control/Tpkt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ControlTestSupport.h"

using controltest::advance;
using controltest::bytes;
using controltest::count;
using controltest::frame;
using testloop::Capture;

namespace {

// A TPKT layer alone in a family that records what it delivers and sends.
struct Framing : ProtocolsFamily {
  Tpkt_protocol* tpkt = new Tpkt_protocol;
  std::vector<std::string> bodies;
  std::string sent;

  Framing() {
    add_protocol_tail(tpkt);
    activate();
  }
  void on_message(Packet& body) override { bodies.emplace_back(reinterpret_cast<char const*>(body.data()), body.length()); }
  void transmit(Packet& packet) override { sent.append(reinterpret_cast<char const*>(packet.data()), packet.length()); }

  void feed(std::string const& chunk) {
    Packet packet;
    packet.reserve_head(0);
    std::memcpy(packet.put(static_cast<unsigned>(chunk.size())), chunk.data(), chunk.size());
    receive(packet);
  }
  void feed_bytewise(std::string const& stream) {
    for (char c : stream) feed(std::string(1, c));
  }
  void send(std::string const& body) {
    Packet packet;
    prepare_head(packet);
    std::memcpy(packet.put(static_cast<unsigned>(body.size())), body.data(), body.size());
    message(packet);
  }
};

std::string body_of(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

}  // namespace

// ---- reassembly ----

TEST(TpktReassembly, OneFrameWholeOrByteByByteGivesTheSameSingleBody) {
  std::string stream = bytes({0x03, 0x00, 0x00, 0x07, 0x41, 0x42, 0x43});
  Framing whole, split;
  whole.feed(stream);
  split.feed_bytewise(stream);
  EXPECT_EQ(whole.bodies, std::vector<std::string>{"ABC"});
  EXPECT_EQ(split.bodies, std::vector<std::string>{"ABC"});
  EXPECT_EQ(split.tpkt->state(), Tpkt_protocol::Idle);
}

TEST(TpktReassembly, ManyFramesInOneReadComeOutInOrderWhateverTheChunking) {
  std::vector<std::string> expected;
  std::string stream;
  for (unsigned i = 0; stream.size() < 60000; ++i) {
    expected.push_back(body_of(i % 97, i));
    stream += frame(expected.back());
  }
  Framing oneRead;
  oneRead.feed(stream);
  EXPECT_EQ(oneRead.bodies, expected);

  // Random cut points, also inside headers.
  std::mt19937 gen(7);
  Framing chunked;
  for (size_t at = 0; at < stream.size();) {
    size_t n = std::min<size_t>(1 + gen() % 300, stream.size() - at);
    chunked.feed(stream.substr(at, n));
    at += n;
  }
  EXPECT_EQ(chunked.bodies, expected);
}

TEST(TpktReassembly, EmptyAndLargestBodiesAreDelivered) {
  Framing f;
  f.feed(bytes({0x03, 0x00, 0x00, 0x04}));
  ASSERT_EQ(f.bodies.size(), 1u);
  EXPECT_TRUE(f.bodies[0].empty());

  std::string largest = body_of(Tpkt_protocol::kMaxBody, 3);
  std::string stream = frame(largest);
  ASSERT_EQ(stream.size(), 65535u);
  EXPECT_EQ(static_cast<uint8_t>(stream[2]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(stream[3]), 0xFF);
  f.feed(stream);
  f.feed(stream.substr(0, 30000));
  f.feed(stream.substr(30000));
  ASSERT_EQ(f.bodies.size(), 3u);
  EXPECT_TRUE(f.bodies[1] == largest);
  EXPECT_TRUE(f.bodies[2] == largest);
}

// ---- resynchronisation ----

TEST(TpktResync, StrayBytesBeforeAFrameAreReportedOnceAndSkipped) {
  Capture log(std::clog);
  Framing f;
  f.feed(bytes({0x05, 0x03, 0x00, 0x00, 0x05, 0x58}));
  EXPECT_EQ(f.bodies, std::vector<std::string>{"X"});
  EXPECT_EQ(log.text(), "(no name) bad TPKT packet start.\n");

  // A long run of garbage, even across reads, is one line, not one per byte.
  std::string garbage(70000, 'G');
  f.feed(garbage.substr(0, 65536));
  f.feed(garbage.substr(65536) + frame("after"));
  EXPECT_EQ(count(log.text(), "bad TPKT packet start."), 2);
  EXPECT_EQ(f.bodies.back(), "after");
}

TEST(TpktResync, BadReservedByteIsConsumedAndTheSearchGoesOn) {
  Capture log(std::clog);
  Framing f;
  f.feed(bytes({0x03, 0x01}) + frame("ok"));
  EXPECT_EQ(f.bodies, std::vector<std::string>{"ok"});
  EXPECT_EQ(log.text(), "(no name) bad TPKT reserved.\n");

  // A stray 0x03 right before a frame does not swallow the frame.
  f.feed(bytes({0x03}) + frame("again"));
  EXPECT_EQ(f.bodies.back(), "again");
  EXPECT_EQ(count(log.text(), "bad TPKT reserved."), 2);
}

TEST(TpktResync, LengthsBelowTheHeaderAreRefusedAndTheNextFrameIsRead) {
  for (int length : {0, 1, 2, 3}) {
    Capture log(std::clog);
    Framing f;
    f.feed(bytes({0x03, 0x00, 0x00, length}) + frame("next"));
    EXPECT_EQ(f.bodies, std::vector<std::string>{"next"}) << length;
    EXPECT_EQ(log.text(), "TPKT too small " + std::to_string(length) + "\n");
  }
}

// ---- incomplete frames ----

TEST(TpktTimeout, AnIncompleteFrameIsDiscarded3000msAfterItsLastBytes) {
  Capture log(std::clog);
  Framing f;
  f.feed(bytes({0x03, 0x00, 0x00, 0x10, 0x01, 0x02, 0x03}));
  advance(2900);
  EXPECT_EQ(count(log.text(), "TPKT packet timeout."), 0);
  advance(200);
  EXPECT_EQ(count(log.text(), "\n TPKT packet timeout.\n"), 1) << log.text();
  EXPECT_EQ(f.tpkt->state(), Tpkt_protocol::Idle);

  // What comes later starts a new frame.
  f.feed(frame("fresh"));
  EXPECT_EQ(f.bodies, std::vector<std::string>{"fresh"});
}

TEST(TpktTimeout, EveryByteOfTheFrameRestartsThe3000ms) {
  Capture log(std::clog);
  Framing f;
  std::string stream = frame("slow");
  for (size_t i = 0; i + 1 < stream.size(); ++i) {
    f.feed(stream.substr(i, 1));
    advance(2000);
  }
  EXPECT_EQ(count(log.text(), "timeout"), 0) << "each byte came within 3000 ms of the one before";
  f.feed(stream.substr(stream.size() - 1));
  EXPECT_EQ(f.bodies, std::vector<std::string>{"slow"});
  advance(5000);
  EXPECT_EQ(count(log.text(), "timeout"), 0) << "a completed frame leaves no timer behind";
}

TEST(TpktTimeout, DeactivationForgetsThePartialFrameAndDropsLaterBytes) {
  Capture log(std::clog);
  Framing f;
  f.feed(frame("lost").substr(0, 5));
  f.deactivate();
  EXPECT_FALSE(f.tpkt->active());
  f.feed(frame("ignored"));
  advance(3500);
  EXPECT_EQ(count(log.text(), "TPKT"), 0);
  f.activate();
  f.feed(frame("kept"));
  EXPECT_EQ(f.bodies, std::vector<std::string>{"kept"});
}

// ---- sending ----

TEST(TpktSend, HeaderCarriesTheWholeLengthUpToTheLargestBody) {
  Framing f;
  f.send("hi");
  EXPECT_EQ(f.sent, bytes({0x03, 0x00, 0x00, 0x06, 'h', 'i'}));

  f.sent.clear();
  std::string largest = body_of(Tpkt_protocol::kMaxBody, 5);
  f.send(largest);
  EXPECT_TRUE(f.sent == frame(largest));
}

TEST(TpktSend, ABodyTooLongForAFrameIsRefusedWithALogLine) {
  Capture log(std::clog);
  Framing f;
  f.send(std::string(Tpkt_protocol::kMaxBody + 1, 'x'));
  EXPECT_TRUE(f.sent.empty());
  EXPECT_NE(log.text().find("TPKT message too long, length = 65532 max = 65531"), std::string::npos) << log.text();
}

TEST(TpktSend, APacketWithoutHeadRoomIsFramedAllTheSame) {
  Framing f;
  Packet body;
  body.reserve_head(0);
  std::memcpy(body.put(3), "abc", 3);
  f.message(body);
  EXPECT_EQ(f.sent, frame("abc"));
}
