#pragma once
#include <cstddef>
#include <cstdint>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>

#include "core/AreaStreamBuf.h"

// The system log client. Messages are formatted here, collected in a batch
// and sent to the local log socket "/dev/log" when the stream flushes: the
// messages of a batch travel one after another, each ended by a zero byte,
// in as few datagrams as a logger keeps whole. A message that cannot be sent
// goes to "/dev/console" when LOG_CONS is among the options.
class SysLogManager {
 public:
  static constexpr size_t messageSize = 1024;
  static constexpr size_t batchSize = 16384;
  static constexpr int maxParts = 256;
  // A batch this full is sent at once.
  static constexpr size_t flushBytes = 12289;
  // What a logger keeps of one datagram: rsyslogd keeps 8096 bytes and shows
  // each zero byte inside as the four characters "#000". A datagram stays
  // within that, counted the logger's way.
  static constexpr size_t datagramKept = 8096;
  static constexpr size_t zeroShownAs = 4;
  // How long a send waits for the log socket to take a datagram before the
  // logger counts as stalled.
  static constexpr int sendWaitMs = 100;

  SysLogManager();
  SysLogManager(SysLogManager const&) = delete;
  SysLogManager& operator=(SysLogManager const&) = delete;
  ~SysLogManager();

  // A non-null identifier replaces the current one (at most 79 characters
  // kept); a facility of 0 keeps the default one. Connects at once with
  // LOG_NDELAY.
  void openlog(char const* ident, int option, int facility);
  // Sends what is queued, then closes the connection.
  void closelog();
  // Allows the severities whose bits are set; 0 only asks. Returns the old mask.
  int setlogmask(int mask);

  // A printf-style message.
  void syslog(int priority, char const* format, ...) __attribute__((format(printf, 3, 4)));
  // Plain text, never taken as a format; text too long for one message is
  // sent in several.
  void log(int priority, char const* text, size_t length);
  // Sends the batch; what cannot be sent, also after one retry on a new
  // connection, goes to the console. Returns the bytes sent, -1 when a
  // message failed, or 0 when nothing was queued.
  int sendmsg();

  bool connected() const { return connected_; }
  int socket() const { return socket_; }

 private:
  bool connect(int options);
  void disconnect();
  void queue(size_t length, size_t identAt);
  int send(int first, ssize_t& bytes);
  ssize_t transmit(msghdr const& header);
  void toConsole(char const* const* texts, size_t const* lengths, int count);

  int type_;
  int socket_ = -1;
  bool connected_ = false;
  // The last wait for the socket was in vain: no further waits until the
  // logger takes a message again.
  bool stalled_ = false;
  int options_ = 0;
  char ident_[80];
  int facility_ = 8;
  int mask_ = 0xff;
  char message_[messageSize];
  char batch_[batchSize];
  uint32_t used_ = 0;
  iovec parts_[maxParts];
  uint16_t identAt_[maxParts];  // where each queued message's identifier starts
  int count_ = 0;
};

// The one log client of the process; it lives until the process ends, so
// streams may still log while static objects are destroyed.
extern SysLogManager& syslogManager;

// A stream buffer that logs every line written to it as one message of a
// fixed priority through the system library's syslog(). A line longer than
// the buffer is logged in chunks of the buffer's size.
class SysLogStreamBuf : public AreaStreamBuf {
 public:
  // The facility number (daemon is 3) and the severity.
  SysLogStreamBuf(int facility, int severity) : SysLogStreamBuf(facility, severity, 1024) {}
  ~SysLogStreamBuf() override;

  int priority() const { return priority_; }

 protected:
  SysLogStreamBuf(int facility, int severity, size_t size);

  int sync() override;
  // Logs every complete line; with `all` also an unfinished one. An
  // unfinished line stays for the next write unless it fills the area.
  void drain(bool all) override;
  // Logs one line, without its line break.
  virtual void logLine(char const* text, size_t length);

 private:
  int priority_;
};

// The same through `syslogManager`: the lines of one flush leave together in
// one datagram.
class ManagedSysLogStreamBuf : public SysLogStreamBuf {
 public:
  ManagedSysLogStreamBuf(int facility, int severity) : SysLogStreamBuf(facility, severity, 16384) {}
  ~ManagedSysLogStreamBuf() override;

 protected:
  // Logs the lines, then sends them.
  void drain(bool all) override;
  void logLine(char const* text, size_t length) override;
};
