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

void* operator new(std::size_t n) {
  ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { ::operator delete(p); }

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

template <void (*Build)(Message&)>
void Encode(benchmark::State& state) {
  Message m;
  Build(m);
  ASN1::Octets out;
  ASN1::CoderEnv env;
  out.reserve(256);
  std::size_t before = allocations;
  for (auto _ : state) {
    out.clear();
    if (!ASN1::encode(m, env, out)) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["octets"] = double(out.size());
  state.counters["allocs/msg"] = double(allocations - before) / double(state.iterations());
}

template <void (*Build)(Message&)>
void Decode(benchmark::State& state) {
  Message m;
  Build(m);
  ASN1::Octets in;
  ASN1::CoderEnv env;
  ASN1::encode(m, env, in);
  std::size_t before = allocations;
  for (auto _ : state) {
    Message back;
    if (!ASN1::decode(in, env, back, true)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(&back);
  }
  state.counters["allocs/msg"] = double(allocations - before) / double(state.iterations());
}

template <void (*Build)(Message&)>
void EncodeDecode(benchmark::State& state) {
  Message m;
  Build(m);
  ASN1::Octets out;
  ASN1::CoderEnv env;
  out.reserve(256);
  std::size_t before = allocations;
  for (auto _ : state) {
    out.clear();
    ASN1::encode(m, env, out);
    Message back;
    if (!ASN1::decode(out, env, back, true)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(&back);
  }
  state.counters["allocs/msg"] = double(allocations - before) / double(state.iterations());
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
