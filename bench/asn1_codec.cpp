// Encode and decode of whole control messages (LGCP::Message in aligned PER, as the control
// server codes them): ns and allocations per message.

#include "asn1/CoderEnv.h"
#include "protocols/LGCP.h"

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

using LGCP::Message;

void ping(Message& m) {
  m.set_seq(5);
  m.get_pdu().set_command().set_ping();
}

TERM::HostAddress host(const char* iaddr, unsigned port) {
  TERM::HostAddress h;
  h.set_iaddr(iaddr);
  h.set_port(port);
  return h;
}

// The RTP side of a slot: codec, both hosts, name, jitter buffer, echo and QoS. An optional
// field is made present by setting it, then filled in place.
void rtpParams(TERM::RtpParams& p, const char* dhost, const char* shost, const char* name) {
  p.set_payload(TERM::Payload::ptG711_Alaw);
  p.set_dhost(host(dhost, 40002));
  p.set_shost(host(shost, 40002));
  p.set_dname(std::string(name));
  p.set_jitter(TERM::RtpJitter());
  p.get_jitter().set_start(40);
  p.get_jitter().set_max(200);
  p.set_pfactor(2);
  p.set_crate(8000);
  p.set_vad(true);
  p.set_echo(TERM::RtpEcho());
  p.get_echo().set_canceller(true);
  p.set_ssrc(0x5EED1234u);
  p.set_ttl(64);
  p.set_qos_dscp(TERM::IpQoSDSCP::ef);
}

// About 120 octets: an RTP port of a conference mixer.
void createRtpOnMixer(Message& m) {
  m.set_seq(1201);
  m.set_slot(77);
  LGCP::RtpOnMixerParams& p = m.get_pdu().set_command().set_create().set_rtpOnMixer();
  p.set_unit(1);
  p.set_tdm(34);
  p.set_rtp(35);
  rtpParams(p.get_params(), "192.168.110.21", "192.168.110.4",
            "conference-bridge-7.mixer-unit-1.gateway-board-3.local");
}

// About 700 octets: an RTP session carrying ED-137 radio signalling, the radio's state and
// a request to it, and the RTP header extension handed to another process; hosts by name
// and a SIP session address with its parameters make the long texts.
void createRtp(Message& m) {
  m.set_seq(1202);
  m.set_slot(512);
  LGCP::CreateRtpParams& c = m.get_pdu().set_command().set_create().set_rtp();
  c.set_txPayload(TERM::Payload::ptG711_Ulaw);
  c.set_rxPayload(TERM::Payload::ptG711_Ulaw);
  TERM::RtpParams& p = c.get_codecRTP();
  rtpParams(p, "vhf-main-118725.radio-site-b.approach-east.atc-voice.example.net",
            "vcs-gateway-3.media-board-512.approach-east.atc-voice.example.net",
            "tower-radio-118-725.approach-east.vhf-main.site-b.example.net");
  p.set_radio(TERM::RtpRadioRequest());
  TERM::RtpRadioRequest& r = p.get_radio();
  TERM::ED137RadioStatus& status = r.get_status().set_ed_137();
  status.get_header().set_ptt(TERM::ED137RadioPTT::normal_ptt_on);
  status.get_header().set_ptt_id(12);
  status.set_radio_response(TERM::ED137RadioResponse());
  TERM::ED137RadioResponse& response = status.get_radio_response();
  response.set_ls_pl(TERM::ED137RadioLinkedSessionProtection::ls_deletion_enabled);
  response.set_ls_execute(TERM::ED137RadioLinkedSessionExecution::keep_ls);
  response.set_type(TERM::ED137RadioType::radio_txrx);
  response.set_txrxmode(TERM::ED137RadioTxRxMode::txrx);
  response.set_bss(TERM::ED137RadioBSSMethod::rssi);
  response.set_sigtime(20);
  response.set_ptt_rep(1);
  response.set_r2s_keepalive_period(200);
  response.set_r2s_keepalive_multiplier(10);
  response.set_fid(118725);
  response.set_ptt_id(12);
  response.set_rtphe(1);
  response.set_rx_multicast_addr("239.192.18.7:5004");
  response.set_qos_dscp(TERM::IpQoSDSCP::ef);
  response.set_transmission_depend_on_squ(true);
  status.set_sqi(TERM::ED137RadioExtensionSQI());
  status.get_sqi().set_bss_quality(17);
  r.set_request(TERM::RadioModifier());
  TERM::ED137RadioModifier& request = r.get_request().set_ed_137();
  request.get_addr().set_session_addr(
      "\"Approach East 118.725 main\" <sip:radio-118725-tx@vhf-main-118725.radio-site-b.approach-east."
      "atc-voice.example.net:5060;transport=udp;user=radio>;tag=ed137-txrx-4f1c2a9e;"
      "session=4f1c2a9e-77b3-4d0e-9a51-c3e8d2f60b17;priority=emergency;"
      "wg67-version=radio.02;fid=118725;bss-method=rssi;climax-time=20;"
      "via=vcs-gateway-3.media-board-512.approach-east.atc-voice.example.net;"
      "ptt-id=12;coupling=none;squ-mode=normal;keep-alive=200x10");
  request.get_addr().set_session_ssrc(0x1187250Au);
  request.get_params().set_tx().get_header().set_ptt(TERM::ED137RadioPTT::priority_ptt_on);
  r.set_rx_delay(60);
  r.set_tx_delay(40);
  r.set_bss_enable(true);
  r.set_ng_enable(false);
  r.set_selcal_delay(250);
  p.set_rtp_e2m(TERM::RtpE2M());
  p.get_rtp_e2m().set_slot(512);
  p.get_rtp_e2m().set_channel(3);
  p.get_rtp_e2m().set_mode(TERM::RtpExtMode());
  TERM::RtpExtDescription& ext = p.get_rtp_e2m().get_mode().set_only_rtp();
  ext.set_fd(17);
  ext.set_pid(4242);
}

// Runs `step` once per iteration on the built message and its encoding (the output buffer
// kept from one message to the next); counts the allocations of the loop per message.
template <class Step>
void measure(benchmark::State& state, void (*build)(Message&), Step step) {
  Message m;
  build(m);
  ASN1::CoderEnv env;
  ASN1::Octets octets;
  octets.reserve(256);
  if (!m.isStrictlyValid() || !ASN1::encode(m, env, octets)) state.SkipWithError("not a message to send");
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

BENCHMARK_TEMPLATE(Encode, ping);
BENCHMARK_TEMPLATE(Decode, ping);
BENCHMARK_TEMPLATE(Encode, createRtpOnMixer);
BENCHMARK_TEMPLATE(Decode, createRtpOnMixer);
BENCHMARK_TEMPLATE(Encode, createRtp);
BENCHMARK_TEMPLATE(Decode, createRtp);

}  // namespace

BENCHMARK_MAIN();
