#include "core/Protocol.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

std::string name_of(Protocol const* layer);

// A layer with one header byte: it pushes the byte on the way down and checks
// and strips it on the way up; every call of the framework is logged.
class Layer : public Protocol {
 public:
  Layer(char const* name, Log& log) : name_(name), log_(log) {}
  ~Layer() override { log_.push_back(name_ + " deleted"); }

  void local_prepare_head(Packet& p) override { p.reserve_head(1); }
  void local_activate() override {
    log_.push_back(name_ + ".local_activate");
    Protocol::local_activate();
  }
  void local_deactivate() override {
    log_.push_back(name_ + ".local_deactivate");
    Protocol::local_deactivate();
  }
  void message(Packet& p) override {
    p.push8(static_cast<uint8_t>(name_[0]));
    transmit(p);
  }
  void receive(Packet& p) override {
    if (p.pull8() != static_cast<uint8_t>(name_[0])) log_.push_back(name_ + " bad header");
    on_message(p);
  }
  void fail(char const* text) { on_deactivate(new Protocol_status_error(this, text)); }
  std::string const& label() const { return name_; }

 private:
  std::string name_;
  Log& log_;
};

std::string name_of(Protocol const* layer) {
  if (auto l = dynamic_cast<Layer const*>(layer)) return l->label();
  return layer ? "family" : "none";
}

// The outermost owner: learns that the stack is up or down, and takes the
// frames that leave the bottom and the top.
template <class Base>
class Owner : public Base {
 public:
  explicit Owner(Log& log) : log_(log) {}
  void on_activated(Protocol* layer) override {
    log_.push_back("owner.on_activated(" + name_of(layer) + ")");
    Base::on_activated(layer);
  }
  void on_deactivated(Protocol* layer, Protocol_status status) override {
    log_.push_back("owner.on_deactivated(" + name_of(layer) + ", " + status->message() + " from " +
                   name_of(status->origin()) + ")");
    last = status;
    Base::on_deactivated(layer, status);
  }
  void transmit(Packet& p) override { sent = p; }
  void on_message(Packet& p) override { received = p; }

  Protocol_status last;
  Packet sent;
  Packet received;

 private:
  Log& log_;
};

// L1 (bottom), L2, L3 (top) in a family that is the outermost owner.
struct ThreeLayers {
  Log log;
  Owner<ProtocolsFamily> family{log};
  Layer* l1 = add("L1");
  Layer* l2 = add("L2");
  Layer* l3 = add("L3");
  Layer* add(char const* name) { return static_cast<Layer*>(family.add_protocol_tail(new Layer(name, log))); }
};

// B below a family of L1, L2, L3, with A on top, all in an outer list.
struct Nested {
  Log log;
  Owner<ProtocolsList> outer{log};
  Layer* b = static_cast<Layer*>(outer.add_protocol_tail(new Layer("B", log)));
  ProtocolsFamily* family = static_cast<ProtocolsFamily*>(outer.add_protocol_tail(new ProtocolsFamily));
  Layer* l1 = static_cast<Layer*>(family->add_protocol_tail(new Layer("L1", log)));
  Layer* l2 = static_cast<Layer*>(family->add_protocol_tail(new Layer("L2", log)));
  Layer* l3 = static_cast<Layer*>(family->add_protocol_tail(new Layer("L3", log)));
  Layer* a = static_cast<Layer*>(outer.add_protocol_tail(new Layer("A", log)));
};

}  // namespace

// ---- activation and deactivation ----

TEST(ProtocolFamily, ActivatesBottomUpAndTheOwnerHearsFromTheTop) {
  ThreeLayers s;
  s.family.activate();
  EXPECT_EQ(s.log, (Log{"L1.local_activate", "L2.local_activate", "L3.local_activate", "owner.on_activated(L3)"}));

  s.log.clear();
  s.l2->activate();
  EXPECT_EQ(s.log.front(), "L1.local_activate");
}

TEST(ProtocolFamily, DeactivatesTopDownAndTheOwnerHearsFromTheBottom) {
  ThreeLayers s;
  s.l3->deactivate();
  EXPECT_EQ(s.log, (Log{"L3.local_deactivate", "L2.local_deactivate", "L1.local_deactivate",
                        "owner.on_deactivated(L1, success from L1)"}));
  ASSERT_TRUE(s.family.last);
  EXPECT_TRUE(s.family.last->success());

  s.log.clear();
  s.family.deactivate();
  EXPECT_EQ(s.log.front(), "L3.local_deactivate");
  EXPECT_EQ(s.log.back(), "owner.on_deactivated(L1, success from L1)");
}

TEST(ProtocolFamily, AnErrorTravelsUpWithTheLayerThatFailed) {
  ThreeLayers s;
  s.l1->fail("link down");
  EXPECT_EQ(s.log, (Log{"owner.on_deactivated(L3, link down from L1)"}));
  EXPECT_FALSE(s.family.last->success());
  EXPECT_EQ(s.family.last->origin(), s.l1);
}

TEST(ProtocolFamily, ANestedFamilyIsOneLayerOfTheStackAroundIt) {
  Nested s;
  s.a->activate();
  EXPECT_EQ(s.log, (Log{"B.local_activate", "L1.local_activate", "L2.local_activate", "L3.local_activate",
                        "A.local_activate", "owner.on_activated(A)"}));

  s.log.clear();
  s.family->on_activated(s.l2);
  EXPECT_TRUE(s.log.empty()) << "only the top inner layer confirms the family";

  s.a->deactivate();
  EXPECT_EQ(s.log, (Log{"A.local_deactivate", "L3.local_deactivate", "L2.local_deactivate", "L1.local_deactivate",
                        "B.local_deactivate", "owner.on_deactivated(B, success from B)"}));

  s.log.clear();
  s.l2->fail("timer T200");
  EXPECT_EQ(s.log, (Log{"owner.on_deactivated(A, timer T200 from L2)"}));
}

TEST(ProtocolFamily, AOneLayerStackConfirmsFromThatLayer) {
  Log log;
  Owner<ProtocolsList> list{log};
  Layer* only = static_cast<Layer*>(list.add_protocol_tail(new Layer("L", log)));
  only->activate();
  EXPECT_EQ(log, (Log{"L.local_activate", "owner.on_activated(L)"}));

  log.clear();
  Owner<ProtocolsFamily> family{log};
  family.add_protocol_tail(new Layer("M", log));
  family.activate();
  EXPECT_EQ(log, (Log{"M.local_activate", "owner.on_activated(M)"}));
}

// Between B and A: packets given to an empty family end there, while
// activation and deactivation go on through it.
TEST(ProtocolFamily, AnEmptyFamilyDropsPacketsAndPassesTheStateOn) {
  Log log;
  Owner<ProtocolsList> outer{log};
  Layer* b = static_cast<Layer*>(outer.add_protocol_tail(new Layer("B", log)));
  outer.add_protocol_tail(new ProtocolsFamily);
  Layer* a = static_cast<Layer*>(outer.add_protocol_tail(new Layer("A", log)));

  a->activate();
  EXPECT_EQ(log, (Log{"B.local_activate", "A.local_activate", "owner.on_activated(A)"}));
  log.clear();
  a->deactivate();
  EXPECT_EQ(log, (Log{"A.local_deactivate", "B.local_deactivate", "owner.on_deactivated(B, success from B)"}));

  Packet down;
  a->prepare_head(down);
  EXPECT_EQ(down.headroom(), 2u) << "B and A reserve, the empty family nothing";
  down.put8(0x99);
  a->message(down);
  EXPECT_FALSE(outer.sent);
  Packet up;
  up.reserve_tail(2);
  up.put8('B');
  up.put8(0x99);
  b->receive(up);
  EXPECT_FALSE(outer.received);
}

// ---- packets ----

TEST(ProtocolFamily, FramesGoDownWithEveryHeaderAndComeUpStripped) {
  Nested s;
  Packet p;
  s.a->prepare_head(p);
  EXPECT_EQ(p.headroom(), 5u) << "every layer reserves its header, the bottom first";
  p.put8(0x99);
  s.a->message(p);
  EXPECT_EQ(s.outer.sent.text(), "42 4C 4C 4C 41 99");  // B L1 L2 L3 A payload
  EXPECT_EQ(s.outer.sent.headroom(), 0u);

  Packet in = s.outer.sent;
  s.b->receive(in);
  EXPECT_EQ(s.outer.received.text(), "99");
  EXPECT_TRUE(s.log.empty()) << s.log.front();
}

TEST(ProtocolFamily, AFrameReachesTheOwnerFromTheBottomLayer) {
  ThreeLayers s;
  Packet p;
  s.family.prepare_head(p);
  p.put8(1);
  s.family.message(p);
  EXPECT_EQ(s.family.sent.text(), "4C 4C 4C 01");

  Layer lonely("X", s.log);
  Packet q = p;
  lonely.transmit(q);  // no neighbour and no owner: dropped
  lonely.on_message(q);
  lonely.on_status(new Protocol_status_success(&lonely));
}

// ---- names, search, initialisation and ownership ----

TEST(Protocol, NamesCompareByKindAndText) {
  Protocol_name_null a, b;
  Protocol_name_str lapd("LAPD"), lapd2("LAPD"), ss7("SS7"), none(nullptr);
  EXPECT_TRUE(a.compare(b));
  EXPECT_FALSE(lapd.compare(a));
  EXPECT_FALSE(a.compare(lapd));
  EXPECT_TRUE(lapd.compare(lapd2));
  EXPECT_FALSE(lapd.compare(ss7));
  EXPECT_EQ(none.name(), "(no name)");

  ThreeLayers s;
  EXPECT_EQ(s.family.search(a), nullptr);
  EXPECT_EQ(s.family.search(lapd), nullptr);
}

TEST(Protocol, InitializeReportsTheFirstLayerFromTheBottomThatFails) {
  struct Failing : Layer {
    using Layer::Layer;
    Protocol_status local_initialize() override { return new Protocol_initialize_error(this); }
  };
  ThreeLayers s;
  EXPECT_TRUE(s.family.initialize()->success());
  Layer* broken = static_cast<Layer*>(s.family.add_protocol_head(new Failing("L0", s.log)));
  Protocol_status status = s.l3->initialize();
  EXPECT_FALSE(status->success());
  EXPECT_EQ(status->origin(), broken);
  EXPECT_EQ(status->message(), "error");

  ProtocolsFamily empty;
  EXPECT_FALSE(empty.initialize()->success());
}

TEST(Protocol, TheListDeletesItsLayersTopFirstAndALayerCanLeaveByItself) {
  Log log;
  {
    ProtocolsList list;
    list.add_protocol_tail(new Layer("L2", log));
    list.add_protocol_head(new Layer("L1", log));
    Protocol* top = list.add_protocol_tail(new Layer("L3", log));
    Protocol* middle = top->below();
    EXPECT_EQ(name_of(list.bottom()), "L1");
    delete middle;
    EXPECT_EQ(list.layers(), 2u);
    EXPECT_EQ(top->below(), list.bottom());
  }
  EXPECT_EQ(log, (Log{"L2 deleted", "L3 deleted", "L1 deleted"}));
}

TEST(ProtocolDeathTest, ANullStatusIsAnInternalError) {
  Log log;
  Layer layer("L", log);
  EXPECT_DEATH(layer.on_deactivate(Protocol_status()), "SMART POINTER ASSERTION!");
}
