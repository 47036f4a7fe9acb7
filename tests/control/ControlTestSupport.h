#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "control/Control.h"
#include "core/MuxTime.h"
#include "core/RunHelpers.h"

namespace controltest {

// One TPKT frame around a body.
inline std::string frame(std::string const& body) {
  unsigned total = static_cast<unsigned>(body.size()) + 4;
  return std::string{'\x03', '\x00', static_cast<char>(total >> 8), static_cast<char>(total & 0xFF)} + body;
}

inline std::string bytes(std::vector<int> const& values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

// Moves loop time forward, then lets the loop run briefly so that due timers fire.
inline void advance(unsigned ms, unsigned runMs = 10) {
  Mux::set_test_offset(Mux::test_offset() + static_cast<int64_t>(ms) * 1000);
  testloop::run_loop(runMs);
}

// Milliseconds until a pending timer expires (negative when overdue), -1000000 when none.
inline int32_t due_in(Timer const& timer) {
  if (!timer.pending()) return -1000000;
  return static_cast<int32_t>(timer.get()->expiry() - Mux::milliseconds());
}

// Moves loop time to just past a pending timer's expiry.
inline void jump_past(Timer const& timer) {
  int32_t left = due_in(timer);
  if (left > -1000000 && left >= 0) Mux::set_test_offset(Mux::test_offset() + (static_cast<int64_t>(left) + 1) * 1000);
}

// Counts how many times a text occurs.
inline int count(std::string const& text, std::string const& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// Records every call a connection makes on its listener.
struct Recorder : Control::Notify {
  int connects = 0;
  int disconnects = 0;
  std::vector<std::string> messages;
  std::function<void()> onConnect;
  std::function<void(std::string const&)> onMessage;
  void OnConnect() override {
    ++connects;
    if (onConnect) onConnect();
  }
  void OnDisconnect() override { ++disconnects; }
  void OnMessage(char const* data, int length) override {
    messages.emplace_back(data, static_cast<size_t>(length));
    if (onMessage) onMessage(messages.back());
  }
};

// A blocking TCP client of 127.0.0.1.
struct Client {
  Fd socket{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  bool connect(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  void send(std::string const& data) { (void)!::send(socket.get(), data.data(), data.size(), MSG_NOSIGNAL); }
  // What arrives within `waitMs`, until `n` bytes or the end of the stream.
  std::string read(size_t n, int waitMs = 500) { return read_from(socket.get(), n, waitMs, &ended); }
  bool ended = false;

  static std::string read_from(int fd, size_t n, int waitMs, bool* ended) {
    std::string got;
    while (got.size() < n) {
      pollfd entry{fd, POLLIN, 0};
      if (::poll(&entry, 1, waitMs) != 1) break;
      char buffer[65536];
      ssize_t r = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (r == 0 || (r < 0 && errno == ECONNRESET)) {
        if (ended) *ended = true;
        break;
      }
      if (r < 0) break;
      got.append(buffer, static_cast<size_t>(r));
    }
    return got;
  }
};

// A TCP port the kernel picked, bound so that nobody else takes it; nobody
// listens on it until listen() is called.
struct ClosedPort {
  Fd socket{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
  unsigned short port = 0;
  explicit ClosedPort(in_addr_t address = INADDR_LOOPBACK) {
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr.s_addr = htonl(address);
    ::bind(socket.get(), reinterpret_cast<sockaddr*>(&bound), sizeof bound);
    socklen_t length = sizeof bound;
    ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&bound), &length);
    port = ntohs(bound.sin_port);
  }
  void listen() { ::listen(socket.get(), 4); }
};

}  // namespace controltest
