#include "core/Packet.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <new>
#include <sstream>
#include <vector>

#include "RunHelpers.h"

namespace {

Packet bytes(std::initializer_list<uint8_t> values) {
  Packet p;
  p.reserve_head(0);
  for (uint8_t v : values) p.put8(v);
  return p;
}

}  // namespace

// ---- byte order and reading ----

TEST(Packet, HeadersGoInFrontAndValuesKeepTheirByteOrder) {
  Packet p;
  p.reserve_head(2);
  p.push16_b(0x1234);
  p.put16(0x1234);
  p.put16_b(0xABCD);
  EXPECT_EQ(p.text(), "12 34 34 12 AB CD");
  EXPECT_EQ(p.headroom(), 0u);
  EXPECT_EQ(p.pull16_b(), 0x1234);
  EXPECT_EQ(p.pull16_l(), 0x1234);
  EXPECT_EQ(p.pull16_b(), 0xABCD);
  EXPECT_EQ(p.length(), 0u);
}

TEST(Packet, BytesMissingAtTheEndReadAsZero) {
  Packet p = bytes({0xAB});
  EXPECT_EQ(p.pull16_b(), 0xAB00);
  EXPECT_EQ(p.length(), 0u);
  EXPECT_EQ(p.pull8(), 0);
  EXPECT_EQ(p.pull16_l(), 0);

  Packet cut = bytes({3, 'a', 'b'});
  EXPECT_EQ(cut.pull_string(), std::string("ab\0", 3));
}

TEST(Packet, TextsRoundTripAndOneTooLongForItsLengthByteIsRefused) {
  Packet p;
  p.reserve_head(0);
  EXPECT_TRUE(p.put(std::string("hello")));
  EXPECT_TRUE(p.put(std::string(255, 'x')));
  unsigned before = p.length();
  testloop::Capture err(std::cerr);
  EXPECT_FALSE(p.put(std::string(256, 'y')));
  EXPECT_EQ(p.length(), before);
  EXPECT_NE(err.text().find("256"), std::string::npos);
  EXPECT_EQ(p.pull_string(), "hello");
  EXPECT_EQ(p.pull_string(), std::string(255, 'x'));
  EXPECT_EQ(p.length(), 0u);
}

TEST(Packet, SubAndAppendCopyTheRightBytes) {
  Packet source = bytes({1, 2, 3, 4});
  Packet part = source.sub(1, 2);
  EXPECT_EQ(part.text(), "02 03");
  EXPECT_EQ(source.text(), "01 02 03 04");
  EXPECT_EQ(source.sub(4, 0).length(), 0u);

  part.put(source);
  EXPECT_EQ(part.text(), "02 03 01 02 03 04");
  part.put(part);
  EXPECT_EQ(part.length(), 12u);
  EXPECT_EQ(part.text(), "02 03 01 02 03 04 02 03 01 02 03 04");
  part.put(Packet());
  EXPECT_EQ(part.length(), 12u);
}

// ---- room ----

TEST(Packet, ReservedRoomOnANewPacket) {
  Packet head;
  head.reserve_head(0);
  EXPECT_EQ(head.length(), 0u);
  EXPECT_EQ(head.headroom(), 0u);
  EXPECT_EQ(head.tailroom(), packet_max_size);

  Packet tail;
  tail.reserve_tail(0);
  EXPECT_EQ(tail.headroom(), packet_max_size);
  EXPECT_EQ(tail.tailroom(), 0u);

  Packet layered;
  layered.reserve_head(4);
  layered.reserve_head(2);
  EXPECT_EQ(layered.headroom(), 6u);
  EXPECT_EQ(layered.tailroom(), packet_max_size - 6);
}

TEST(Packet, ReservingRoomOnAPacketWithDataKeepsTheData) {
  Packet p = bytes({7, 8, 9});
  p.reserve_head(5);
  EXPECT_EQ(p.headroom(), 5u);
  EXPECT_EQ(p.text(), "07 08 09");
  p.reserve_tail(3);
  EXPECT_EQ(p.headroom(), 2u);
  EXPECT_EQ(p.tailroom(), packet_max_size - 5);
  EXPECT_EQ(p.text(), "07 08 09");
}

// ---- sharing and the pool ----

TEST(Packet, ChangingASharedPacketCopiesItAndLeavesTheOtherHolder) {
  Packet a;
  a.reserve_head(3);
  a.put8(1);
  a.put8(2);
  Packet b = a;
  unsigned available = Packet::pool_available();
  b.put8(3);
  b.push8(0);
  EXPECT_EQ(a.text(), "01 02");
  EXPECT_EQ(a.headroom(), 3u);
  EXPECT_EQ(b.text(), "00 01 02 03");
  EXPECT_EQ(Packet::pool_available(), available - 1);

  Packet c = a;
  EXPECT_EQ(c.pull8(), 1);
  EXPECT_EQ(a.text(), "01 02");
  EXPECT_EQ(c.text(), "02");
}

TEST(Packet, BuffersGoBackToThePoolWithTheirLastHandle) {
  unsigned available = Packet::pool_available();
  {
    Packet a = bytes({1});
    Packet b = a;
    Packet c;
    c = b;
    c = c;
    EXPECT_EQ(Packet::pool_available(), available - 1);
    a.reset();
    b = Packet();
    EXPECT_EQ(Packet::pool_available(), available - 1);
    EXPECT_EQ(c.text(), "01");
  }
  EXPECT_EQ(Packet::pool_available(), available);
}

TEST(PacketPool, The1025thBufferHeldAtOnceFails) {
  std::vector<Packet> held(1024);
  for (Packet& p : held) p.reserve_head(0);
  EXPECT_EQ(Packet::pool_available(), 0u);

  Packet extra;
  EXPECT_THROW(extra.reserve_tail(0), std::bad_alloc);
  EXPECT_TRUE(extra.is_null());

  held[0].put8(0x42);
  Packet shared = held[0];
  EXPECT_THROW(shared.put8(0x43), std::bad_alloc);
  EXPECT_EQ(held[0].text(), "42");
  EXPECT_EQ(shared.text(), "42");

  // Freed buffers are reused oldest freed first.
  _Packet* fifth = held[5].get();
  _Packet* ninth = held[9].get();
  held[5].reset();
  held[9].reset();
  Packet first, second;
  first.reserve_head(0);
  second.reserve_head(0);
  EXPECT_EQ(first.get(), fifth);
  EXPECT_EQ(second.get(), ninth);
}

// ---- reports ----

TEST(Packet, TextAndDumps) {
  EXPECT_EQ(Packet().text(), "(null)");
  EXPECT_EQ(bytes({}).text(), "");
  EXPECT_EQ(bytes({0x03, 0x00}).text(), "03 00");

  Packet p;
  p.reserve_head(2);
  for (uint8_t b : {0x03, 0x00, 0x00, 0x1B}) p.put8(b);
  std::ostringstream os;
  EXPECT_TRUE(p.dump(os));
  EXPECT_EQ(os.str(), "head=2, data=4, tail=65530");
  os.str("");
  EXPECT_TRUE(p.dump_context(os));
  EXPECT_EQ(os.str(), "dump: 3 0 0 1b");
  os.str("");
  os << PacketInfo(p);
  EXPECT_EQ(os.str(), "head=2, data=4, tail=65530\ndump:\n 3 0 0 1b\n");
  os.str("");
  os << PacketInfo(Packet());
  EXPECT_EQ(os.str(), "(null)\n");
  EXPECT_FALSE(Packet().dump(os));
  EXPECT_FALSE(Packet().dump_context(os));
}

// ---- internal misuse ends the process ----

TEST(PacketDeathTest, ReadingPastTheEndPrintsTheBannerAndThePacket) {
  EXPECT_DEATH(
      {
        Packet p = bytes({0xAB});
        p.pull(2);
      },
      "PACKET ASSERTION FAILED!\nlen<=_length\\(\\)\nhead=0, data=1, tail=65535\ndump:\n ab\n");
  EXPECT_DEATH(bytes({1})[1], "PACKET ASSERTION FAILED!\nindex out of range");
  EXPECT_DEATH(bytes({1, 2}).sub(1, 0xFFFFFFFFu), "PACKET ASSERTION FAILED!\nstart\\+len<=_length\\(\\)");
}

TEST(PacketDeathTest, NoWriteLeavesTheBuffer) {
  EXPECT_DEATH(
      {
        Packet p;
        p.reserve_head(0);
        p.put(packet_max_size - 10);
        p.reserve_head(11);
      },
      "PACKET ASSERTION FAILED!");
  EXPECT_DEATH(
      {
        Packet p;
        p.reserve_head(0);
        p.put8(1);
        p.reserve_tail(1);
      },
      "PACKET ASSERTION FAILED!");
  EXPECT_DEATH(
      {
        Packet p;
        p.reserve_head(0);
        p.push8(1);
      },
      "PACKET ASSERTION FAILED!\nlen<=_headroom\\(\\)");
  EXPECT_DEATH(
      {
        Packet p;
        p.reserve_tail(1);
        p.put16(1);
      },
      "PACKET ASSERTION FAILED!\nlen<=_tailroom\\(\\)");
  EXPECT_DEATH(Packet().reserve_head(packet_max_size + 1), "PACKET ASSERTION FAILED!\nlength>packet_max_size");
}

TEST(PacketDeathTest, NullPacketsEndTheProcess) {
  EXPECT_DEATH(Packet().push8(1), "PACKET ASSERTION FAILED!\nnull packet\n\\(null\\)");
  EXPECT_DEATH(Packet().pull8(), "PACKET ASSERTION FAILED!\nnull packet");
  EXPECT_DEATH(
      {
        Packet p;
        p->refcount = 0;
      },
      "SMART POINTER ASSERTION!");
  EXPECT_DEATH(
      {
        Smart_pointer<_Packet> const p;
        (void)p->data;
      },
      "SMART POINTER ASSERTION!");
}
