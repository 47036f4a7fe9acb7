#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/MuxTime.h"

namespace testsupport {

// Puts the loop clock at the given moment, read as UTC (the process's local
// time zone is switched to UTC).
inline void setClock(int year, int month, int day, int hour, int minute, int second, long usec = 0) {
  ::setenv("TZ", "UTC0", 1);
  ::tzset();
  struct tm when {};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  int64_t target = static_cast<int64_t>(::timegm(&when)) * 1000000 + usec;
  ::timeval now;
  ::gettimeofday(&now, nullptr);
  Mux::set_test_offset(target - (static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_usec));
}

// A datagram socket bound at a path, as a system logger listens.
class DatagramSink {
 public:
  explicit DatagramSink(std::string const& path) : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ::unlink(path.c_str());
    bound_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~DatagramSink() { close(); }
  DatagramSink(DatagramSink const&) = delete;
  DatagramSink& operator=(DatagramSink const&) = delete;

  bool bound() const { return bound_; }
  // The next datagram, or "" when none comes within the time.
  std::string receive(int timeoutMs = 5000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return "";
    char buffer[65536];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
  }
  // Stops listening: the socket is closed and its name removed.
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    ::unlink(path_.c_str());
  }

 private:
  std::string path_;
  int fd_ = -1;
  bool bound_ = false;
};

// The lines of a log file with their prefix taken off; every line must have one.
inline std::string withoutPrefixes(std::string const& text) {
  static std::regex const prefix("^[0-5][0-9]:[0-5][0-9]:[0-9]{5,6}: ");
  std::string result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start + 1);
    std::smatch m;
    EXPECT_TRUE(std::regex_search(line, m, prefix)) << line;
    result += m.suffix();
    start += line.size();
  }
  return result;
}

}  // namespace testsupport
