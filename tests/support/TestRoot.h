#pragma once
#include <string>

namespace testsupport {

// A private board root for one test process: a fresh folder under the temporary
// directory, exported as TARVOX_ROOT while the object lives, removed afterwards.
class TestRoot {
 public:
  TestRoot();
  ~TestRoot();
  TestRoot(TestRoot const&) = delete;
  TestRoot& operator=(TestRoot const&) = delete;

  std::string const& dir() const { return dir_; }
  // Absolute path of a board path below the root; parent folders are created.
  std::string file(std::string const& boardPath) const;
  std::string read(std::string const& boardPath) const;
  void write(std::string const& boardPath, std::string const& content) const;

 private:
  std::string dir_;
  std::string previous_;
  bool hadPrevious_ = false;
};

}  // namespace testsupport
