#pragma once
#include <iosfwd>
#include <string>
#include <sys/types.h>

namespace Linux {

// The daemon's pid file: constructing the holder writes the process id in
// decimal, without a line end, to "/var/run/" + name + ".pid" (below the board
// root); destroying it removes the file. The descriptor stays open, close-on-
// exec, for the holder's lifetime. A failure to open is not reported.
class Run {
 public:
  explicit Run(char const* name);
  ~Run();
  Run(Run const&) = delete;
  Run& operator=(Run const&) = delete;

  int fd() const { return fd_; }
  std::string const& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
  // The process that wrote the file; a forked child leaving never removes it.
  pid_t owner_ = -1;
};

}  // namespace Linux

// The local time as "%d/%m %H:%M:%S"; nothing when the clock cannot be read.
std::ostream& timestamp(std::ostream& os);
