#include "core/SysLog.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <syslog.h>
#include <unistd.h>
#include <vector>

#include "core/BoardPath.h"
#include "core/MuxTime.h"

namespace {

char const defaultIdent[] = "syslog-qz";

// A zero byte inside a text would end its message early in the batch.
void copyText(char* to, char const* from, size_t n) {
  for (size_t i = 0; i < n; ++i) to[i] = from[i] == '\0' ? ' ' : from[i];
}

// How much of `n` bytes fits into `room` without cutting a UTF-8 sequence.
size_t fitting(char const* text, size_t n, size_t room) {
  if (n <= room) return n;
  size_t cut = room;
  while (cut > 0 && room - cut < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return cut > 0 ? cut : room;
}

}  // namespace

SysLogManager& syslogManager = *new SysLogManager;

SysLogManager::SysLogManager() : type_(SOCK_DGRAM) { std::strcpy(ident_, defaultIdent); }

SysLogManager::~SysLogManager() { closelog(); }

void SysLogManager::openlog(char const* ident, int option, int facility) {
  if (ident) {
    std::strncpy(ident_, ident, sizeof ident_ - 1);
    ident_[sizeof ident_ - 1] = '\0';
  }
  options_ = option;
  if (facility != 0 && (facility & ~LOG_FACMASK) == 0) facility_ = facility;
  connect(options_);
}

void SysLogManager::closelog() {
  sendmsg();
  disconnect();
  std::strcpy(ident_, defaultIdent);
  type_ = SOCK_DGRAM;
}

int SysLogManager::setlogmask(int mask) {
  int old = mask_;
  if (mask != 0) mask_ = mask;
  return old;
}

// At most two attempts: a socket of the wrong kind is retried with the other one.
bool SysLogManager::connect(int options) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (socket_ < 0) {
      if (!(options & LOG_NDELAY)) return false;
      // Non-blocking while connecting: a stream logger whose backlog is full
      // refuses at once instead of holding the loop.
      socket_ = ::socket(AF_UNIX, type_ | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (socket_ < 0) return false;
    }
    if (connected_) return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string path = Board::path("/dev/log");
    if (path.size() >= sizeof address.sun_path) {
      disconnect();
      return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size());
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      // Blocking again for those who share the descriptor (the daemon puts it
      // on its standard output and error); sends here wait a bounded time.
      int flags = ::fcntl(socket_, F_GETFL);
      if (flags >= 0) ::fcntl(socket_, F_SETFL, flags & ~O_NONBLOCK);
      connected_ = true;
      return true;
    }
    int error = errno;
    disconnect();
    if (error != EPROTOTYPE) return false;
    type_ = type_ == SOCK_DGRAM ? SOCK_STREAM : SOCK_DGRAM;
  }
  return false;
}

void SysLogManager::disconnect() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  connected_ = false;
}

void SysLogManager::syslog(int priority, char const* format, ...) {
  char text[messageSize];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof text) return log(priority, text, static_cast<size_t>(n));
  std::vector<char> longer(static_cast<size_t>(n) + 1);
  va_start(args, format);
  std::vsnprintf(longer.data(), longer.size(), format, args);
  va_end(args);
  log(priority, longer.data(), static_cast<size_t>(n));
}

void SysLogManager::log(int priority, char const* text, size_t length) {
  if (!(mask_ & (1 << (priority & LOG_PRIMASK)))) return;
  priority &= LOG_PRIMASK | LOG_FACMASK;
  if ((priority & LOG_FACMASK) == 0) priority |= facility_;

  time_t now = Mux::seconds();
  struct tm local;
  ::localtime_r(&now, &local);
  size_t done = 0;
  do {
    size_t n = static_cast<size_t>(std::snprintf(message_, messageSize, "<%d>", priority));
    n += std::strftime(message_ + n, messageSize - n, "%h %e %T ", &local);
    size_t identAt = n;
    if (ident_[0]) n += static_cast<size_t>(std::snprintf(message_ + n, messageSize - n, "%s", ident_));
    if (options_ & LOG_PID) n += static_cast<size_t>(std::snprintf(message_ + n, messageSize - n, "[%d]", ::getpid()));
    if (ident_[0]) n += static_cast<size_t>(std::snprintf(message_ + n, messageSize - n, ": "));

    size_t chunk = fitting(text + done, length - done, messageSize - 1 - n);
    copyText(message_ + n, text + done, chunk);
    n += chunk;
    done += chunk;

    if (options_ & LOG_PERROR) {
      iovec out[2] = {{message_ + identAt, n - identAt}, {const_cast<char*>("\n"), 1}};
      (void)!::writev(STDERR_FILENO, out, message_[n - 1] == '\n' ? 1 : 2);
    }
    if (!connected_) connect(options_ | LOG_NDELAY);
    if (connected_) {
      queue(n, identAt);
    } else {
      char const* from = message_ + identAt;
      size_t size = n - identAt;
      toConsole(&from, &size, 1);
    }
  } while (done < length);
}

// Adds the message (with its zero byte) to the batch, sending the batch first
// when it has no room and afterwards when it is full enough.
void SysLogManager::queue(size_t length, size_t identAt) {
  message_[length++] = '\0';
  if (used_ + length >= batchSize || count_ >= maxParts) sendmsg();
  std::memcpy(batch_ + used_, message_, length);
  parts_[count_] = {batch_ + used_, length};
  identAt_[count_] = static_cast<uint16_t>(identAt);
  used_ += static_cast<uint32_t>(length);
  ++count_;
  if (count_ >= maxParts || used_ >= flushBytes) sendmsg();
}

// Sends the queued messages from `first` on, in datagrams the logger keeps
// whole. Returns the index of the first message not wholly sent (count_ when
// all were); the bytes sent go to `bytes`.
int SysLogManager::send(int first, ssize_t& bytes) {
  if (socket_ < 0) return first;
  auto kept = [this](int i) { return parts_[i].iov_len + zeroShownAs - 1; };
  for (int next = first; next < count_;) {
    int end = next + 1;
    for (size_t size = kept(next); end < count_ && size + kept(end) <= datagramKept; ++end) size += kept(end);
    msghdr header{};
    header.msg_iov = parts_ + next;
    header.msg_iovlen = static_cast<size_t>(end - next);
    ssize_t result = transmit(header);
    if (result < 0) return next;
    bytes += result;
    // A stream socket may take only part of it.
    for (size_t left = static_cast<size_t>(result); next < end && left >= parts_[next].iov_len; ++next)
      left -= parts_[next].iov_len;
    if (next < end) return next;
  }
  return count_;
}

// One sendmsg(), waiting up to sendWaitMs for room in the socket, so that a
// burst gets through a logger's short queue while a stalled logger holds
// the loop only once. Returns sendmsg()'s result.
ssize_t SysLogManager::transmit(msghdr const& header) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(sendWaitMs);
  for (;;) {
    ssize_t result = ::sendmsg(socket_, &header, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (result >= 0) {
      stalled_ = false;
      return result;
    }
    if (errno == EINTR) continue;
    if ((errno != EAGAIN && errno != EWOULDBLOCK) || stalled_) return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    pollfd p{socket_, POLLOUT, 0};
    int ready = left > 0 ? ::poll(&p, 1, static_cast<int>(left)) : 0;
    if (ready == 0) stalled_ = true;
    if (ready == 0 || (ready < 0 && errno != EINTR)) return -1;
  }
}

// What a send leaves is tried once more on a new connection (a message cut
// short on the old one is sent whole), then written to the console, so that
// no message is lost. Returns the bytes sent, or -1 when any message failed.
int SysLogManager::sendmsg() {
  if (count_ == 0) return 0;
  ssize_t bytes = 0;
  int sent = send(0, bytes);
  if (sent < count_) {
    disconnect();
    if (connect(options_ | LOG_NDELAY)) sent = send(sent, bytes);
  }
  if (sent < count_) {
    disconnect();
    char const* texts[maxParts];
    size_t lengths[maxParts];
    int n = 0;
    for (int i = sent; i < count_; ++i, ++n) {
      texts[n] = static_cast<char const*>(parts_[i].iov_base) + identAt_[i];
      lengths[n] = parts_[i].iov_len - identAt_[i] - 1;
    }
    toConsole(texts, lengths, n);
  }
  bool complete = sent == count_;
  used_ = 0;
  count_ = 0;
  return complete ? static_cast<int>(bytes) : -1;
}

void SysLogManager::toConsole(char const* const* texts, size_t const* lengths, int count) {
  if (!(options_ & LOG_CONS)) return;
  int fd = ::open(Board::path("/dev/console").c_str(), O_WRONLY | O_NOCTTY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return;
  for (int i = 0; i < count; ++i) {
    iovec out[2] = {{const_cast<char*>(texts[i]), lengths[i]}, {const_cast<char*>("\r\n"), 2}};
    (void)!::writev(fd, out, 2);
  }
  ::close(fd);
}

SysLogStreamBuf::SysLogStreamBuf(int facility, int severity, size_t size)
    : AreaStreamBuf(size, 1), priority_(facility * 8 + severity) {}

SysLogStreamBuf::~SysLogStreamBuf() { SysLogStreamBuf::drain(true); }

int SysLogStreamBuf::sync() {
  drain(false);
  return 0;
}

void SysLogStreamBuf::drain(bool all) {
  char* p = pbase();
  char* end = pptr();
  while (char* eol = static_cast<char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) {
    logLine(p, static_cast<size_t>(eol - p));
    p = eol + 1;
  }
  if (p != end && (all || (p == pbase() && end == epptr()))) {
    logLine(p, static_cast<size_t>(end - p));
    p = end;
  }
  size_t rest = static_cast<size_t>(end - p);
  std::memmove(pbase(), p, rest);
  setp(pbase(), epptr());
  pbump(static_cast<int>(rest));
}

void SysLogStreamBuf::logLine(char const* text, size_t length) {
  ::syslog(priority_, "%.*s", static_cast<int>(length), text);
}

ManagedSysLogStreamBuf::~ManagedSysLogStreamBuf() { ManagedSysLogStreamBuf::drain(true); }

void ManagedSysLogStreamBuf::drain(bool all) {
  SysLogStreamBuf::drain(all);
  syslogManager.sendmsg();
}

void ManagedSysLogStreamBuf::logLine(char const* text, size_t length) { syslogManager.log(priority(), text, length); }
