// Encode and decode of whole control messages: ns and allocations per message.
//
// Until the protocol modules are built, the messages are those of the test module, which
// has the envelope's shape; it is compiled into this benchmark.

#include "tests/asn1/TestModule.cpp"

#include "asn1/CoderEnv.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

namespace {
std::size_t allocations = 0;
}  // namespace

// Kept out of line: inlined into their callers, GCC takes the free() for a mismatch.
__attribute__((noinline)) void* operator new(std::size_t n) {
  ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
__attribute__((noinline)) void operator delete(void* p) noexcept { std::free(p); }
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace TestLGCP;

void ping(Message& m) {
  m.set_seq(5);
  m.set_slot(12);
  m.get_pdu().set_command().set_ping();
}

void success(Message& m) {
  m.set_seq(5);
  m.set_slot(12);
  m.get_pdu().set_response().set_success();
}

// About 100 octets: nested SEQUENCEs, CHOICEs, lists and strings.
void resources(Message& m) {
  m.set_slot(3);
  Resources& r = m.get_pdu().set_signal().set_query();
  r.set_boardMajor(2);
  r.set_boardMinor(17);
  r.set_drvVersion("tarvox media gateway driver 1.4.2");
  for (int unit = 0; unit < 5; ++unit) {
    MixerResources_subtype& mixer = r.get_mixer().append();
    mixer.set_unit(unit);
    mixer.set_tdm_inputs(32 + unit);
  }
  r.set_mux(true);
  for (int bus = 0; bus < 10; ++bus) r.get_echoBus().push_back(300 + bus);
}

// Runs `step` once per iteration on the built message and its encoding; counts the
// allocations of the loop per message.
template <class Step>
void measure(benchmark::State& state, void (*build)(Message&), Step step) {
  Message m;
  build(m);
  ASN1::CoderEnv env;
  ASN1::Octets octets;
  octets.reserve(256);
  ASN1::encode(m, env, octets);
  state.counters["octets"] = double(octets.size());
  std::size_t before = allocations;
  for (auto _ : state)
    if (!step(m, env, octets)) state.SkipWithError("coder failed");
  state.counters["allocs/msg"] = double(allocations - before) / double(state.iterations());
}

bool encode(const Message& m, const ASN1::CoderEnv& env, ASN1::Octets& out) {
  out.clear();
  bool ok = ASN1::encode(m, env, out);
  benchmark::DoNotOptimize(out.data());
  return ok;
}

bool decode(const Message&, const ASN1::CoderEnv& env, ASN1::Octets& in) {
  Message back;
  bool ok = ASN1::decode(in, env, back, true);
  benchmark::DoNotOptimize(&back);
  return ok;
}

template <void (*Build)(Message&)>
void Encode(benchmark::State& state) { measure(state, Build, encode); }

template <void (*Build)(Message&)>
void Decode(benchmark::State& state) { measure(state, Build, decode); }

template <void (*Build)(Message&)>
void EncodeDecode(benchmark::State& state) {
  measure(state, Build, [](const Message& m, const ASN1::CoderEnv& env, ASN1::Octets& octets) {
    return encode(m, env, octets) && decode(m, env, octets);
  });
}

BENCHMARK_TEMPLATE(Encode, ping);
BENCHMARK_TEMPLATE(Decode, ping);
BENCHMARK_TEMPLATE(EncodeDecode, ping);
BENCHMARK_TEMPLATE(Encode, success);
BENCHMARK_TEMPLATE(Decode, success);
BENCHMARK_TEMPLATE(EncodeDecode, success);
BENCHMARK_TEMPLATE(Encode, resources);
BENCHMARK_TEMPLATE(Decode, resources);
BENCHMARK_TEMPLATE(EncodeDecode, resources);

}  // namespace

BENCHMARK_MAIN();
