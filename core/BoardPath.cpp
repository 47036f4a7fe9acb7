#include "core/BoardPath.h"

#include <cstdlib>

namespace Board {

std::string path(std::string const& absolute) {
  char const* root = std::getenv("TARVOX_ROOT");
  if (root == nullptr || *root == '\0' || absolute.compare(0, 6, "/proc/") == 0 || absolute == "/proc")
    return absolute;
  std::string result(root);
  while (!result.empty() && result.back() == '/') result.pop_back();
  if (absolute.empty() || absolute[0] != '/') result += '/';
  return result + absolute;
}

}  // namespace Board
