#pragma once
#include <iosfwd>
#include <netinet/in.h>
#include <string>
#include <vector>

namespace INet4 {

// An IPv4 address and port laid out as the system's sockaddr_in, so it can be
// handed to bind, connect and accept unchanged. Text form: dotted quad with an
// optional colon and decimal port; no name is ever looked up.
class Addr {
 public:
  Addr() { Reset(); }
  explicit Addr(char const* text) {
    Reset();
    Assign(text);
  }

  void Reset();
  bool Assign(char const* text, int* port_out = nullptr);
  bool Assign(std::string const& text, int* port_out = nullptr) { return Assign(text.c_str(), port_out); }
  void Assign(unsigned long networkOrderAddress) { sa_.sin_addr.s_addr = static_cast<in_addr_t>(networkOrderAddress); }
  void SetPort(unsigned short port) { sa_.sin_port = htons(port); }

  bool IsEqual(Addr const& other) const;
  void Put(std::ostream& os) const;
  std::string GetString() const;
  std::vector<char> GetVector() const;

  unsigned short port() const { return ntohs(sa_.sin_port); }
  in_addr_t address() const { return sa_.sin_addr.s_addr; }
  sockaddr* sockaddr_ptr() { return reinterpret_cast<sockaddr*>(&sa_); }
  sockaddr const* sockaddr_ptr() const { return reinterpret_cast<sockaddr const*>(&sa_); }
  static socklen_t size() { return sizeof(sockaddr_in); }
  sockaddr_in& raw() { return sa_; }
  sockaddr_in const& raw() const { return sa_; }

 private:
  sockaddr_in sa_;
};

inline bool operator==(Addr const& a, Addr const& b) { return a.IsEqual(b); }
inline bool operator!=(Addr const& a, Addr const& b) { return !a.IsEqual(b); }
std::ostream& operator<<(std::ostream& os, Addr const& a);

}  // namespace INet4
