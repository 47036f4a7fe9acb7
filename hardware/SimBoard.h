#pragma once
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The simulated board behind Dev:: when TARVOX_ROOT is set. Every device is a
// scriptable object: it records each request it receives, answers it from its
// state (the default answers below let the daemon run on its own), and can
// queue records that the daemon reads from its descriptor on the main loop.
//
// Tests reach a device through the board and script it:
//   auto& hal = Dev::Sim::Board::instance().device("/dev/hal");
//   hal.fail(0x80084D02, EIO);                      // every connect fails with EIO
//   hal.on(0xC0084D05, [](Dev::Sim::Request& r) {   // a read answers 0x42
//     r.record[7] = 0x42; return 0; });
//   EXPECT_EQ(hal.last().word(0), 8200u);           // big-endian word at offset 0
//   auto& dtmf = Dev::Sim::Board::instance().device("/dev/dtmf");
//   dtmf.latest().push(record, 16);                 // one event for the daemon
//   auto frames = mcc.file(0).written();            // what the daemon wrote
//   mcc.file(0).failNextRead(EIO);
//
// Default devices and their answers:
//   /dev/hal         switch connect/disable/write/read (a read gives the byte
//                    last written to the channel, else 0xD5), clock select,
//                    SPI registers (a read gives the value last written; the
//                    status register 51 reads 0xC5, a line in sync)
//   /dev/mcc/ctl     allocate; time slot 9216 + n for the n-th open
//   /dev/maintenance trunk status (all in sync), TCLK mask, clock source
//   /dev/e1-cas      open/close trunk, set/get bits (get gives the bits set),
//                    channel enable/disable
//   /dev/dtmf        every detector and generator request succeeds
//   /dev/dsp         configure/enable/disable succeed; VAD version 2
//   /dev/dsp-data, /dev/spi_tdm, /dev/voice, /dev/mixer, /dev/rtp,
//   /dev/rtp_ext, /dev/mctl: present, every request fails with ENOTTY
// Any other path opens the file of that name below TARVOX_ROOT.
namespace Dev::Sim {

// One request as the device received it.
struct Request {
  uint32_t number = 0;
  std::vector<uint8_t> record;  // the record's bytes; empty for a by-value request
  unsigned long value = 0;      // the argument of a by-value request
  size_t file = 0;              // which open of the device, counted from 0
  uint32_t word(size_t at) const;  // big-endian 32-bit field of the record
};

// How a device answers a request: the result (>= 0), or -errno. The answer may
// change request.record, which goes back to the caller.
using Answer = std::function<int(Request& request)>;

// One open of a device: the board's end of the daemon's descriptor.
class File {
 public:
  File(int peer, size_t index) : peer_(peer), index_(index) {}
  ~File();
  File(File const&) = delete;
  File& operator=(File const&) = delete;

  size_t index() const { return index_; }
  // Queues one record for the daemon's next read; false when it cannot.
  bool push(void const* data, size_t size);
  bool push(std::vector<uint8_t> const& record) { return push(record.data(), record.size()); }
  // What the daemon wrote since the last call, one entry per write.
  std::vector<std::vector<uint8_t>> written();
  // The daemon's next read or write fails with this error number.
  void failNextRead(int error) { readError_ = error; }
  void failNextWrite(int error) { writeError_ = error; }
  // The daemon has closed every descriptor of this open.
  bool closed() const;

  // Keeps what the daemon wrote and releases the board's end.
  void retire();
  int takeReadError() { return std::exchange(readError_, 0); }
  int takeWriteError() { return std::exchange(writeError_, 0); }

 private:
  int peer_;
  size_t index_;
  int readError_ = 0;
  int writeError_ = 0;
  std::vector<std::vector<uint8_t>> kept_;
};

class Device {
 public:
  explicit Device(std::string path) : path_(std::move(path)) {}
  std::string const& path() const { return path_; }

  // The latest requests received, oldest first: the last kKeptRequests.
  static constexpr size_t kKeptRequests = 4096;
  std::deque<Request> const& requests() const { return requests_; }
  size_t count(uint32_t number) const;
  Request const& last() const;  // the latest request (an empty one when none)
  void clear() { requests_.clear(); }

  // Replaces the answer to one request number; fail() answers -error.
  void on(uint32_t number, Answer answer) { answers_[number] = std::move(answer); }
  void fail(uint32_t number, int error);
  // Opening fails with this error number while it is not 0.
  void setOpenError(int error) { openError_ = error; }
  int openError() const { return openError_; }

  size_t files() const { return files_.size(); }
  File& file(size_t index) { return *files_.at(index); }
  // The newest open that the daemon still holds (the newest at all when none is).
  File& latest();
  // Queues a record on the newest open; false when there is none.
  bool push(void const* data, size_t size);
  bool push(std::vector<uint8_t> const& record) { return push(record.data(), record.size()); }

  // Back to no answers, no requests and a working open.
  void reset();
  File& attach(int peer);
  int answer(Request& request);

 private:
  std::string path_;
  int openError_ = 0;
  std::map<uint32_t, Answer> answers_;
  std::deque<Request> requests_;
  std::vector<std::unique_ptr<File>> files_;
};

class Board {
 public:
  // The one simulated board; it is never destroyed, so owners may still issue
  // requests while static objects are destroyed at exit.
  static Board& instance();
  // The board if it has been made, else null.
  static Board* existing();
  // For tests: every device back to its default answers, with no requests
  // seen; opens stay valid.
  static Board& reset();

  // The device of a board path, made (with no answers) on first mention.
  Device& device(std::string const& path);
  Device* find(std::string const& path);

  // Dev:: calls, for a simulated descriptor.
  int open(std::string const& path, int flags);
  // The simulated open behind a descriptor (any duplicate of it), or null.
  // A number seen before is found without a system call.
  File* lookup(int fd, Device** device = nullptr);
  // The descriptor is being closed: its number may come back for another.
  void forget(int fd) { byNumber_.erase(fd); }

 private:
  Board();
  void installDefaults();
  std::map<std::string, std::unique_ptr<Device>> devices_;
  struct Open {
    Device* device;
    File* file;
  };
  std::map<std::pair<dev_t, ino_t>, Open> opens_;
  std::unordered_map<int, Open> byNumber_;  // descriptors already looked up
};

}  // namespace Dev::Sim
