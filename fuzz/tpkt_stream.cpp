// Feeds arbitrary byte streams, cut into arbitrary reads, through the stream
// socket layer and the TPKT layer on a real socket pair, and checks that the
// bodies delivered do not depend on where the reads were cut: the same stream
// handed to a second TPKT layer in one piece gives the same bodies. Every
// delivered body is sent back through the layers and must come out framed.
//
// Input: a list of chunks, each one control byte then data. The control byte's
// low 7 bits plus one give the chunk's length (the rest of the input when
// fewer bytes are left); its top bit means "3000 ms of silence after this
// chunk", which fires the incomplete-frame timeout in both layers.

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "control/StrmProtocol.h"
#include "control/Tpkt.h"

namespace {

struct Collector : ProtocolsFamily {
  std::vector<std::string> bodies;
  bool echo = false;
  std::string sent;
  void on_message(Packet& body) override {
    bodies.emplace_back(reinterpret_cast<char const*>(body.data()), body.length());
    if (body.length() > Tpkt_protocol::kMaxBody) __builtin_trap();
    if (echo) top()->message(body);
  }
  void transmit(Packet& packet) override { sent.append(reinterpret_cast<char const*>(packet.data()), packet.length()); }
};

// The layers under test: stream layer on one end of a socket pair, TPKT above.
struct Stack : Collector {
  StrmProtocol* strm;
  Tpkt_protocol* tpkt;
  int peer = -1;
  Stack() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) __builtin_trap();
    peer = fds[1];
    strm = new StrmProtocol(Fd(fds[0]));
    tpkt = new Tpkt_protocol;
    add_protocol_tail(strm);
    add_protocol_tail(tpkt);
    echo = true;
    activate();
  }
  ~Stack() override { ::close(peer); }
  // What came back, read after every chunk as a controller reads its answers.
  // Left unread, the echoes fill the socket pair's send buffer (each small
  // write is charged far more than its bytes: 768 for a 9-byte frame here),
  // and the stream layer rightly drops a peer that stops reading once its
  // write budget has passed.
  std::string echoed;
  void write_chunk(uint8_t const* data, size_t n) {
    if (::write(peer, data, n) != static_cast<ssize_t>(n)) __builtin_trap();
    while (strm->inq_space() > 0) strm->on_event(strm->socket(), POLLIN);
    char buffer[65536];
    ssize_t r;
    while ((r = ::read(peer, buffer, sizeof buffer)) > 0) echoed.append(buffer, static_cast<size_t>(r));
  }
};

// The reference: one TPKT layer fed whole segments.
struct Reference : Collector {
  Tpkt_protocol* tpkt = new Tpkt_protocol;
  Reference() {
    add_protocol_tail(tpkt);
    activate();
  }
  void feed(std::string const& bytes) {
    for (size_t at = 0; at < bytes.size(); at += packet_max_size) {
      size_t n = std::min<size_t>(packet_max_size, bytes.size() - at);
      Packet packet;
      packet.reserve_head(0);
      std::memcpy(packet.put(static_cast<unsigned>(n)), bytes.data() + at, n);
      receive(packet);
    }
  }
};

std::string framed(std::vector<std::string> const& bodies) {
  std::string out;
  for (auto const& b : bodies) {
    unsigned total = static_cast<unsigned>(b.size()) + 4;
    out += std::string{'\x03', '\x00', static_cast<char>(total >> 8), static_cast<char>(total & 0xFF)} + b;
  }
  return out;
}

std::ostringstream sink;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::clog.rdbuf(sink.rdbuf());
  std::cerr.rdbuf(sink.rdbuf());
  sink.str("");
  {
    Stack stack;
    Reference reference;
    std::string segment;
    size_t at = 0;
    while (at < size) {
      uint8_t control = data[at++];
      size_t n = std::min<size_t>((control & 0x7F) + 1u, size - at);
      stack.write_chunk(data + at, n);
      segment.append(reinterpret_cast<char const*>(data + at), n);
      at += n;
      if (control & 0x80) {
        stack.tpkt->on_timeout(nullptr);
        reference.feed(segment);
        reference.tpkt->on_timeout(nullptr);
        segment.clear();
      }
    }
    reference.feed(segment);
    if (stack.bodies != reference.bodies) __builtin_trap();
    if (stack.echoed != framed(stack.bodies)) __builtin_trap();
  }
  if (Packet::pool_available() != 1024) __builtin_trap();
  return 0;
}
