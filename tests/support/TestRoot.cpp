#include "support/TestRoot.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

TestRoot::TestRoot() {
  std::string templ = (fs::temp_directory_path() / "tarvox-test-XXXXXX").string();
  if (::mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  dir_ = templ;
  if (char const* old = std::getenv("TARVOX_ROOT")) {
    previous_ = old;
    hadPrevious_ = true;
  }
  ::setenv("TARVOX_ROOT", dir_.c_str(), 1);
}

TestRoot::~TestRoot() {
  if (hadPrevious_)
    ::setenv("TARVOX_ROOT", previous_.c_str(), 1);
  else
    ::unsetenv("TARVOX_ROOT");
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string TestRoot::file(std::string const& boardPath) const {
  fs::path p = fs::path(dir_) / fs::path(boardPath).relative_path();
  std::error_code ec;
  fs::create_directories(p.parent_path(), ec);
  return p.string();
}

std::string TestRoot::read(std::string const& boardPath) const {
  std::ifstream in(file(boardPath), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void TestRoot::write(std::string const& boardPath, std::string const& content) const {
  std::ofstream(file(boardPath), std::ios::binary) << content;
}

}  // namespace testsupport
