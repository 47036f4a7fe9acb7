#include "core/INet4.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace INet4 {

static_assert(sizeof(sockaddr_in) == 16, "an address is laid out as sockaddr_in");

void Addr::Reset() {
  std::memset(&sa_, 0, sizeof sa_);
  sa_.sin_family = AF_INET;
}

bool Addr::Assign(char const* text, int* port_out) {
  if (text == nullptr) return false;
  char const* colon = std::strchr(text, ':');
  if (colon == nullptr) {
    if (port_out) *port_out = -1;
    return ::inet_aton(text, &sa_.sin_addr) != 0;
  }
  long port = std::strtol(colon + 1, nullptr, 10);
  sa_.sin_port = htons(static_cast<uint16_t>(port));
  if (port_out) *port_out = static_cast<int>(port);
  // The address part is copied with a bound: a dotted quad never needs more
  // than "255.255.255.255", so anything that does not fit is not an address.
  char address[32];
  size_t length = static_cast<size_t>(colon - text);
  if (length >= sizeof address) return false;
  std::memcpy(address, text, length);
  address[length] = '\0';
  return ::inet_aton(address, &sa_.sin_addr) != 0;
}

bool Addr::IsEqual(Addr const& other) const {
  return sa_.sin_addr.s_addr == other.sa_.sin_addr.s_addr && sa_.sin_port == other.sa_.sin_port;
}

void Addr::Put(std::ostream& os) const { os << GetString(); }

std::string Addr::GetString() const {
  char buffer[INET_ADDRSTRLEN + 8];
  char dotted[INET_ADDRSTRLEN];
  ::inet_ntop(AF_INET, &sa_.sin_addr, dotted, sizeof dotted);
  std::snprintf(buffer, sizeof buffer, "%s:%d", dotted, static_cast<int>(ntohs(sa_.sin_port)));
  return buffer;
}

std::vector<char> Addr::GetVector() const {
  char const* bytes = reinterpret_cast<char const*>(&sa_.sin_addr.s_addr);
  return std::vector<char>(bytes, bytes + 4);
}

std::ostream& operator<<(std::ostream& os, Addr const& a) {
  a.Put(os);
  return os;
}

}  // namespace INet4
