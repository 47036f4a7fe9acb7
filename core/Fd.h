#pragma once

// Descriptor helpers. Each returns whether it worked, except SetCloexec,
// which returns true when it failed.
bool NonBlockMode(int fd);
bool BlockMode(int fd);
bool SetCloexec(int fd, bool on);

// Told of each descriptor an Fd closes, just before its number becomes free
// (the simulated board forgets what it knew of that number); none by default.
using FdCloseObserver = void (*)(int fd);
void SetFdCloseObserver(FdCloseObserver observer);

// Owner of one file descriptor (-1 when empty). Descriptors it takes are made
// close-on-exec; a copy holds a duplicate; destruction closes.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {
    if (fd_ >= 0) SetCloexec(fd_, true);
  }
  Fd(Fd const& other) : fd_(other.dup()) {}
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd const& other);
  Fd& operator=(Fd&& other) noexcept;
  ~Fd();

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  bool valid() const { return fd_ >= 0; }

  int dup() const;
  int close();
  bool NonBlock() const { return fd_ >= 0 && NonBlockMode(fd_); }
  // Gives up ownership without closing.
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_ = -1;
};
