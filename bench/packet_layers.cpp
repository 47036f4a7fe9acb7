// Pooled packets and protocol stacks: what one frame costs on its way down.
#include <benchmark/benchmark.h>

#include "core/Protocol.h"

namespace {

// Taking a buffer from the pool and giving it back.
void BM_PacketTakeRelease(benchmark::State& state) {
  for (auto _ : state) {
    Packet p;
    p.reserve_head(0);
    benchmark::DoNotOptimize(p.get());
  }
}
BENCHMARK(BM_PacketTakeRelease);

// Sharing a packet and changing one holder: the copy-on-write of a frame of
// state.range(0) bytes.
void BM_PacketCopyOnWrite(benchmark::State& state) {
  Packet original;
  original.reserve_head(8);
  original.put(static_cast<unsigned>(state.range(0)));
  for (auto _ : state) {
    Packet copy = original;
    copy.push8(0x7E);
    benchmark::DoNotOptimize(copy.get());
  }
}
BENCHMARK(BM_PacketCopyOnWrite)->Arg(32)->Arg(1500);

// A layer with a two-byte header pushed on the way down.
class HeaderLayer : public Protocol {
 public:
  explicit HeaderLayer(uint16_t header) : header_(header) {}
  void local_prepare_head(Packet& p) override { p.reserve_head(2); }
  void message(Packet& p) override {
    p.push16_b(header_);
    transmit(p);
  }

 private:
  uint16_t header_;
};

// The outermost owner takes the frame that leaves the bottom layer.
class Sink : public ProtocolsFamily {
 public:
  void transmit(Packet& p) override { sent += p.length(); }
  uint64_t sent = 0;
};

// A frame built with the room of three layers, filled with a payload and
// handed down through all three.
void BM_FrameDownThreeLayers(benchmark::State& state) {
  Sink family;
  for (uint16_t h = 1; h <= 3; ++h) family.add_protocol_tail(new HeaderLayer(h));
  unsigned const payload = static_cast<unsigned>(state.range(0));
  for (auto _ : state) {
    Packet p;
    family.prepare_head(p);
    p.put(payload);
    family.message(p);
  }
  benchmark::DoNotOptimize(family.sent);
  if (family.sent != static_cast<uint64_t>(state.iterations()) * (payload + 6)) state.SkipWithError("frames lost their headers");
}
BENCHMARK(BM_FrameDownThreeLayers)->Arg(32)->Arg(1500);

}  // namespace

BENCHMARK_MAIN();
