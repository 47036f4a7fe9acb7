#include "core/CleanQueue.h"

#include <gtest/gtest.h>

#include "core/Packet.h"

namespace {

Packet frame(uint8_t id) {
  Packet p;
  p.reserve_head(0);
  p.put8(id);
  return p;
}

uint8_t id_of(Packet const& p) { return p.length() ? p[0] : 0; }

template <unsigned N>
std::vector<int> drain(CleanQueue<Packet, N>& q) {
  std::vector<int> ids;
  Packet p;
  while (q.get(p)) ids.push_back(id_of(p));
  return ids;
}

}  // namespace

// ---- CleanQueue ----

TEST(CleanQueue, AFullQueueRefusesAndAGetFreesOneSlot) {
  CleanQueue<Packet, 7> q;
  EXPECT_EQ(q.size(), 7u);
  for (uint8_t i = 1; i <= 7; ++i) EXPECT_TRUE(q.put(frame(i)));
  EXPECT_FALSE(q.put(frame(8)));
  EXPECT_FALSE(q.append(frame(9)));
  EXPECT_EQ(q.count(), 7u);

  Packet p;
  EXPECT_TRUE(q.get(&p));
  EXPECT_EQ(id_of(p), 1);
  EXPECT_TRUE(q.put(frame(10)));
  EXPECT_EQ(drain(q), (std::vector<int>{2, 3, 4, 5, 6, 7, 10}));
  EXPECT_TRUE(q.empty());

  Packet untouched = frame(42);
  EXPECT_FALSE(q.get(untouched));
  EXPECT_FALSE(q.get_last(&untouched));
  EXPECT_FALSE(q.preview(&untouched));
  EXPECT_EQ(id_of(untouched), 42);
}

TEST(CleanQueue, GetTakesTheOldestAndGetLastTheNewest) {
  CleanQueue<Packet, 7> q;
  q.put(frame(1));
  q.put(frame(2));
  q.put(frame(3));
  Packet p;
  EXPECT_TRUE(q.preview(&p));
  EXPECT_EQ(id_of(p), 1);
  EXPECT_TRUE(q.get_last(&p));
  EXPECT_EQ(id_of(p), 3);
  EXPECT_EQ(drain(q), (std::vector<int>{1, 2}));

  q.append(frame(4));
  EXPECT_TRUE(q.get_last(&p));
  EXPECT_EQ(id_of(p), 4);
  q.append(frame(5));
  EXPECT_TRUE(q.get(&p));
  EXPECT_EQ(id_of(p), 5);
}

// Frames awaiting acknowledgement go back in front of the send queue, newest
// first through get_last, so that they are sent again in their first order.
TEST(CleanQueue, RetransmissionKeepsTheFirstOrder) {
  CleanQueue<Packet, 7> unacknowledged;
  CleanQueue<Packet, 135> sendQueue;
  for (uint8_t i = 1; i <= 7; ++i) unacknowledged.put(frame(i));
  sendQueue.put(frame(20));
  sendQueue.put(frame(21));

  Packet p;
  while (unacknowledged.get_last(&p)) ASSERT_TRUE(sendQueue.append(p));
  EXPECT_EQ(drain(sendQueue), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 20, 21}));
}

TEST(CleanQueue, ClearedPacketsStayHeldUntilTheirSlotIsWrittenAgain) {
  unsigned available = Packet::pool_available();
  {
    CleanQueue<Packet, 3> q;
    q.put(frame(1));
    q.put(frame(2));
    q.clear();
    EXPECT_EQ(q.count(), 0u);
    Packet p;
    EXPECT_FALSE(q.get(p));
    EXPECT_EQ(Packet::pool_available(), available - 2);

    q.put(frame(3));  // overwrites the slot of 1
    EXPECT_EQ(Packet::pool_available(), available - 2);
    EXPECT_TRUE(q.get(p));
    EXPECT_EQ(id_of(p), 3);
  }
  EXPECT_EQ(Packet::pool_available(), available);
}

TEST(CleanQueue, QueuedPacketsAreSharedNotCopied) {
  CleanQueue<Packet, 7> q;
  Packet original = frame(1);
  unsigned available = Packet::pool_available();
  q.put(original);
  Packet out;
  q.get(out);
  EXPECT_EQ(out.get(), original.get());
  EXPECT_EQ(Packet::pool_available(), available);
}

// ---- Cyclic ----

using Seq = Cyclic<unsigned int, 127u>;

TEST(Cyclic, WrapsModulo128) {
  Seq top(127);
  EXPECT_EQ(++top, 0u);
  Seq zero;
  EXPECT_EQ(--zero, 127u);
  EXPECT_EQ(Seq(100) + Seq(50), 22u);
  EXPECT_EQ(Seq(200), 72u);
  Seq n(5);
  EXPECT_EQ(n++, 5u);
  EXPECT_EQ(n, 6u);
}

TEST(Cyclic, WindowTestAcrossTheWrap) {
  Seq a(120), c(5);
  for (unsigned b : {120u, 126u, 0u, 5u}) EXPECT_TRUE((a <= Seq(b)) <= c) << b;
  for (unsigned b : {6u, 119u, 64u}) EXPECT_FALSE((a <= Seq(b)) <= c) << b;

  Seq same(9);
  EXPECT_TRUE((same <= same) <= same);
  for (unsigned b = 0; b < 128; ++b) {
    if (b == 9) continue;
    EXPECT_FALSE((same <= Seq(b)) <= same) << b;
  }
}
