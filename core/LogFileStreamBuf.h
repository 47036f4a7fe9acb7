#pragma once
#include <ext/stdio_filebuf.h>
#include <memory>
#include <string>

#include "core/AreaStreamBuf.h"

// A stream buffer that writes into hourly log files named
// "<directory>/%Y_%m_%d-%H.log" after the local time of the loop clock. Every
// line starts with "mm:ss:uuuuu: ", the minute, second and microseconds of
// its writing; a line that began before the turn of the hour is finished in
// the old file. Files are opened for appending, so a restart within the hour
// goes on after what is there.
class LogFileStreamBuf : public AreaStreamBuf {
 public:
  // The directory is a board path.
  explicit LogFileStreamBuf(std::string const& directory);
  // Writes what is still buffered, ends an unfinished line and closes the file.
  ~LogFileStreamBuf() override;

  // Closes the current file and opens the one of the current hour.
  void NewFile();
  // The path of the open file ("" before the first one opened).
  std::string const& fileName() const { return path_; }

 protected:
  // Writes the pending text and flushes the file.
  int sync() override;
  // Writes the area: the rest of a line begun earlier as it is, then every
  // new line behind a prefix.
  void drain(bool all) override;

 private:
  void write(char const* text, size_t n);
  void openFor(std::string const& stamp);

  // Over a descriptor of our own, opened close-on-exec: child programs do
  // not inherit the log file.
  std::unique_ptr<__gnu_cxx::stdio_filebuf<char>> file_;
  std::string directory_;
  std::string stamp_;  // the date and hour of the open file
  std::string path_;
  bool continues_ = false;
};
