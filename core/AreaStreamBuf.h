#pragma once
#include <cstddef>
#include <memory>
#include <streambuf>

// An output stream buffer over an area of its own, or over one the caller
// hands in with pubsetbuf. When the area is full, `drain` empties it.
class AreaStreamBuf : public std::streambuf {
 protected:
  // `spare` bytes at the end of the area stay free.
  AreaStreamBuf(size_t size, size_t spare) : spare_(spare), own_(new char[size]) { use(own_.get(), size); }

  // Passes on the area's text. With `all` also an unfinished line; without
  // it the area must have room afterwards.
  virtual void drain(bool all) = 0;

  std::streambuf* setbuf(char_type* s, std::streamsize n) override {
    if (s == nullptr || n < 2) return this;
    drain(true);
    use(s, static_cast<size_t>(n));
    own_.reset();
    return this;
  }

  int_type overflow(int_type c) override {
    drain(false);
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

 private:
  void use(char* area, size_t size) { setp(area, area + size - spare_); }

  size_t spare_;
  std::unique_ptr<char[]> own_;
};
