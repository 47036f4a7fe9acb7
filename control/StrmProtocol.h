#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>

#include "core/Fd.h"
#include "core/Multiplexer.h"
#include "core/Protocol.h"

// The bottom layer of a framed connection: owns one connected stream socket,
// hands up whatever arrives, and writes each outgoing packet synchronously
// within 1000 ms while keeping the watchdog alive. A socket error, a hang-up,
// the end of the stream or a failed write releases the socket and sends an
// error status up, which ends the connection.
class StrmProtocol : public Protocol {
 public:
  // The longest a write may block the loop.
  static constexpr uint32_t kWriteBudgetMs = 1000;

  StrmProtocol();
  explicit StrmProtocol(Fd const& socket);
  ~StrmProtocol() override;

  // Holds a duplicate of `socket`, releasing the one held before.
  void attach(Fd const& socket);
  // Ends the connection on the held socket (the peer sees the end of the
  // stream even if another copy of the descriptor is still open) and closes it.
  void release();

  void local_prepare_head(Packet& packet) override { packet.reserve_head(0); }
  void local_prepare_tail(Packet& packet) override { packet.reserve_tail(0); }
  void local_activate() override;
  void local_deactivate() override;
  void message(Packet& packet) override;

  void on_event(int fd, short revents);
  void do_read();
  void on_error(std::string const& text);

  // Figures of the held socket: buffer sizes, bytes waiting to be read, the
  // output-queue figure and the free room in the send buffer.
  int sendbuf_space() const;
  int recvbuf_space() const;
  int inq_space() const;
  int outq_space() const;
  int free_space() const;

  std::ostream& PutHeader(std::ostream& os) const;

  // The connection's name in the log prefix.
  std::string const& display_name() const { return name_; }
  void set_display_name(std::string const& name) { name_ = name; }
  int socket() const { return fd_.get(); }
  Measure const& read_measure() const { return readMeasure_; }
  Measure const& write_measure() const { return writeMeasure_; }
  uint32_t write_failures() const { return writeFailures_; }

 private:
  void init();
  void write_failed(char const* what, int error);
  void cork(bool on);

  Fd fd_;
  bool outqFree_ = false;  // the output-queue request reports free room, not queued bytes
  std::string name_;
  Event event_;
  Measure readMeasure_;
  Measure writeMeasure_;
  uint32_t writeFailures_ = 0;
  // Answers written while one read is handed up: from the second one on they
  // are corked and leave together when the read has been handled.
  int writesInRead_ = -1;  // -1 outside a read
  bool corked_ = false;
};
