#include "core/LogFileStreamBuf.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "core/BoardPath.h"
#include "core/MuxTime.h"

namespace {

size_t const areaSize = 16;

struct LocalNow {
  Mux::timeval tv;
  struct tm tm;
  LocalNow() {
    Mux::mux_gettimeofday(tv);
    time_t secs = tv.tv_sec;
    ::localtime_r(&secs, &tm);
  }
  // The date and hour that name the log file.
  std::string stamp() const {
    char text[32];
    std::strftime(text, sizeof text, "%Y_%m_%d-%H", &tm);
    return text;
  }
};

}  // namespace

LogFileStreamBuf::LogFileStreamBuf(std::string const& directory)
    : AreaStreamBuf(areaSize, 0), directory_(Board::path(directory)) {
  NewFile();
}

LogFileStreamBuf::~LogFileStreamBuf() {
  LogFileStreamBuf::drain(true);
  if (continues_) write("\n", 1);
  file_.reset();
}

void LogFileStreamBuf::NewFile() { openFor(LocalNow().stamp()); }

void LogFileStreamBuf::openFor(std::string const& stamp) {
  file_.reset();
  stamp_ = stamp;
  path_ = directory_ + "/" + stamp + ".log";
  int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return;
  file_.reset(new __gnu_cxx::stdio_filebuf<char>(fd, std::ios::out | std::ios::app | std::ios::binary));
  if (!file_->is_open()) {
    ::close(fd);
    file_.reset();
  }
}

int LogFileStreamBuf::sync() {
  drain(true);
  if (file_) file_->pubsync();
  return 0;
}

void LogFileStreamBuf::write(char const* text, size_t n) {
  if (file_) file_->sputn(text, static_cast<std::streamsize>(n));
}

// A new line whose hour has no file yet opens one; so does any new line
// while no file could be opened.
void LogFileStreamBuf::drain(bool) {
  char const* p = pbase();
  char const* end = pptr();
  if (continues_) {
    char const* eol = static_cast<char const*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    char const* upTo = eol ? eol + 1 : end;
    write(p, static_cast<size_t>(upTo - p));
    continues_ = eol == nullptr;
    p = upTo;
  }
  if (p != end) {
    LocalNow now;
    std::string stamp = now.stamp();
    if (stamp != stamp_ || !file_) openFor(stamp);
    char prefix[32];
    int n = std::snprintf(prefix, sizeof prefix, "%02d:%02d:%05ld: ", now.tm.tm_min, now.tm.tm_sec, now.tv.tv_usec);
    while (p != end) {
      char const* eol = static_cast<char const*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      char const* upTo = eol ? eol + 1 : end;
      write(prefix, static_cast<size_t>(n));
      write(p, static_cast<size_t>(upTo - p));
      continues_ = eol == nullptr;
      p = upTo;
    }
  }
  setp(pbase(), epptr());
}
