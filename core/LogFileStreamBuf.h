#pragma once
#include <fstream>
#include <memory>
#include <streambuf>
#include <string>

// A stream buffer that writes into hourly log files named
// "<directory>/%Y_%m_%d-%H.log" after the local time of the loop clock. Every
// line starts with "mm:ss:uuuuu: ", the minute, second and microseconds of
// its writing; a line that began before the turn of the hour is finished in
// the old file. Files are opened for appending, so a restart within the hour
// goes on after what is there.
class LogFileStreamBuf : public std::streambuf {
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
  std::streambuf* setbuf(char_type* s, std::streamsize n) override;
  // Writes the pending text and flushes the file.
  int sync() override;
  int_type overflow(int_type c) override;

 private:
  void emit();
  void write(char const* text, size_t n);
  void openFor(std::string const& stamp);
  void use(char* buffer, size_t size);

  std::filebuf file_;
  std::string directory_;
  std::string stamp_;  // the date and hour of the open file
  std::string path_;
  bool continues_ = false;
  std::unique_ptr<char[]> own_;
};
