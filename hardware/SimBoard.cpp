#include "hardware/SimBoard.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/BoardPath.h"
#include "core/Fd.h"
#include "hardware/Device.h"

namespace Dev::Sim {

namespace {

Board* theBoard = nullptr;

bool statOf(int fd, std::pair<dev_t, ino_t>& key) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
  key = {st.st_dev, st.st_ino};
  return true;
}

int succeed(Request&) { return 0; }

}  // namespace

uint32_t Request::word(size_t at) const { return at + 4 <= record.size() ? Dev::get32(record.data() + at) : 0; }

// ---- File ----

File::~File() {
  if (peer_ >= 0) ::close(peer_);
}

bool File::push(void const* data, size_t size) {
  return peer_ >= 0 && ::send(peer_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

std::vector<std::vector<uint8_t>> File::written() {
  std::vector<std::vector<uint8_t>> out = std::move(kept_);
  kept_.clear();
  std::vector<uint8_t> buffer(65536);
  while (peer_ >= 0) {
    ssize_t n = ::recv(peer_, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n <= 0) break;
    out.emplace_back(buffer.begin(), buffer.begin() + n);
  }
  return out;
}

void File::retire() {
  kept_ = written();
  ::close(peer_);
  peer_ = -1;
}

bool File::closed() const {
  if (peer_ < 0) return true;
  pollfd p{peer_, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP) != 0;
}

// ---- Device ----

size_t Device::count(uint32_t number) const {
  return static_cast<size_t>(
      std::count_if(requests_.begin(), requests_.end(), [number](Request const& r) { return r.number == number; }));
}

Request const& Device::last() const {
  static Request const none;
  return requests_.empty() ? none : requests_.back();
}

void Device::fail(uint32_t number, int error) {
  on(number, [error](Request&) { return -error; });
}

File& Device::latest() {
  for (auto it = files_.rbegin(); it != files_.rend(); ++it)
    if (!(*it)->closed()) return **it;
  return *files_.at(files_.size() - 1);
}

bool Device::push(void const* data, size_t size) { return !files_.empty() && latest().push(data, size); }

void Device::reset() {
  requests_.clear();
  answers_.clear();
  openError_ = 0;
}

File& Device::attach(int peer) {
  files_.push_back(std::make_unique<File>(peer, files_.size()));
  return *files_.back();
}

int Device::answer(Request& request) {
  if (requests_.size() >= kKeptRequests) requests_.pop_front();
  requests_.push_back(request);
  auto it = answers_.find(request.number);
  return it == answers_.end() ? -ENOTTY : it->second(request);
}

// ---- Board ----

Board& Board::instance() {
  if (theBoard == nullptr) theBoard = new Board;
  return *theBoard;
}

Board* Board::existing() { return theBoard; }

Board& Board::reset() {
  Board& board = instance();
  for (auto& entry : board.devices_) entry.second->reset();
  board.installDefaults();
  return board;
}

Board::Board() {
  installDefaults();
  SetFdCloseObserver([](int fd) { instance().forget(fd); });
}

Device& Board::device(std::string const& path) {
  auto& slot = devices_[path];
  if (!slot) slot = std::make_unique<Device>(path);
  return *slot;
}

Device* Board::find(std::string const& path) {
  auto it = devices_.find(path);
  return it == devices_.end() ? nullptr : it->second.get();
}

int Board::open(std::string const& path, int flags) {
  Device* dev = find(path);
  if (dev == nullptr) return ::open(::Board::path(path).c_str(), flags);
  if (dev->openError() != 0) {
    errno = dev->openError();
    return -1;
  }
  // Opens the daemon has closed for good are forgotten.
  for (auto it = opens_.begin(); it != opens_.end();) {
    if (!it->second.file->closed()) {
      ++it;
      continue;
    }
    File* const gone = it->second.file;
    gone->retire();
    it = opens_.erase(it);
    for (auto n = byNumber_.begin(); n != byNumber_.end();) n = n->second.file == gone ? byNumber_.erase(n) : std::next(n);
  }
  int type = SOCK_SEQPACKET | ((flags & O_CLOEXEC) ? SOCK_CLOEXEC : 0) | ((flags & O_NONBLOCK) ? SOCK_NONBLOCK : 0);
  int pair[2];
  if (::socketpair(AF_UNIX, type, 0, pair) != 0) return -1;
  int peerFlags = ::fcntl(pair[1], F_GETFL);
  ::fcntl(pair[1], F_SETFL, peerFlags | O_NONBLOCK);
  ::fcntl(pair[1], F_SETFD, FD_CLOEXEC);
  std::pair<dev_t, ino_t> key;
  if (!statOf(pair[0], key)) {
    int error = errno;
    ::close(pair[0]);
    ::close(pair[1]);
    errno = error;
    return -1;
  }
  Open const open{dev, &dev->attach(pair[1])};
  opens_[key] = open;
  byNumber_[pair[0]] = open;
  return pair[0];
}

File* Board::lookup(int fd, Device** device) {
  auto known = byNumber_.find(fd);
  if (known == byNumber_.end()) {
    // A duplicate: found once by what it refers to, then by its number.
    std::pair<dev_t, ino_t> key;
    if (!statOf(fd, key)) return nullptr;
    auto it = opens_.find(key);
    if (it == opens_.end()) return nullptr;
    known = byNumber_.emplace(fd, it->second).first;
  }
  if (device) *device = known->second.device;
  return known->second.file;
}

// ---- the default board ----

void Board::installDefaults() {
  // The time-slot switch: what each channel carries.
  auto bytes = std::make_shared<std::map<uint32_t, uint8_t>>();
  Device& hal = device("/dev/hal");
  hal.on(iow('M', 2, 8), succeed);
  hal.on(iow('M', 3, 4), [bytes](Request& r) {
    bytes->erase(r.word(0));
    return 0;
  });
  hal.on(iowr('M', 4, 8), [bytes](Request& r) {
    (*bytes)[r.word(0)] = static_cast<uint8_t>(r.word(4));
    return 0;
  });
  hal.on(iowr('M', 5, 8), [bytes](Request& r) {
    auto it = bytes->find(r.word(0));
    Dev::put32(r.record.data() + 4, it == bytes->end() ? 0xD5 : it->second);
    return 0;
  });
  hal.on(iow('C', 1, 4), succeed);
  // SPI registers of the line interfaces: channel, register, data.
  auto registers = std::make_shared<std::map<std::pair<uint8_t, uint8_t>, uint8_t>>();
  hal.on(iowr('B', 4, 3), [registers](Request& r) {
    (*registers)[{r.record[0], r.record[1]}] = r.record[2];
    return 0;
  });
  hal.on(iowr('B', 3, 3), [registers](Request& r) {
    auto it = registers->find({r.record[0], r.record[1]});
    if (it != registers->end()) return static_cast<int>(it->second);
    return r.record[1] == 51 ? 0xC5 : 0;
  });

  Device& mcc = device("/dev/mcc/ctl");
  mcc.on(ior('M', 0, 20), succeed);
  mcc.on(io('M', 2), [](Request& r) { return static_cast<int>(9216 + r.file % 1024); });

  Device& maintenance = device("/dev/maintenance");
  maintenance.on(iowr('M', 3, 80), [](Request& r) { return r.word(0) < 4 ? 0 : -EINVAL; });
  maintenance.on(iowr('M', 11, 4), succeed);
  maintenance.on(iowr('M', 10, 4), succeed);

  // CAS: a looped line, the bits received are the bits sent.
  auto cas = std::make_shared<std::map<std::pair<uint32_t, uint32_t>, uint8_t>>();
  Device& e1cas = device("/dev/e1-cas");
  e1cas.on(iow('C', 0, 4), succeed);
  e1cas.on(iow('C', 1, 4), succeed);
  auto setBits = [cas](Request& r) {
    (*cas)[{r.word(0), r.word(4)}] = r.record[9] & 15;
    return 0;
  };
  e1cas.on(iowr('C', 2, 12), setBits);
  e1cas.on(iowr('C', 4, 16), setBits);
  e1cas.on(iowr('C', 3, 12), [cas](Request& r) {
    auto it = cas->find({r.word(0), r.word(4)});
    r.record[8] = r.record[9] = it == cas->end() ? 0 : it->second;
    return 0;
  });

  Device& dtmf = device("/dev/dtmf");
  for (uint32_t nr : {2u, 3u, 4u, 5u, 6u, 7u, 9u, 10u, 11u, 12u, 13u, 14u}) {
    static constexpr uint32_t sizes[15] = {0, 0, 20, 8, 4, 12, 4, 4, 0, 4, 4, 4, 4, 8, 12};
    dtmf.on(ior('B', nr, sizes[nr]), succeed);
  }

  Device& dsp = device("/dev/dsp");
  dsp.on(ior('d', 1, 20), succeed);
  dsp.on(ior('d', 2, 12), succeed);
  dsp.on(ior('d', 3, 12), succeed);
  dsp.on(ior('d', 4, 4), [](Request&) { return 2; });

  for (char const* path : {"/dev/dsp-data", "/dev/spi_tdm", "/dev/voice", "/dev/mixer", "/dev/rtp", "/dev/rtp_ext",
                           "/dev/mctl"})
    device(path);
}

}  // namespace Dev::Sim
