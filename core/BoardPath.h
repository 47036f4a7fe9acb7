#pragma once
#include <string>

// Every fixed absolute path of the board ("/dev/hal", "/var/run/", ...) is
// resolved here: when the environment variable TARVOX_ROOT names a folder the
// path is taken below it, so that tests and the simulated board never touch the
// real paths. /proc is never prefixed: it is the host's own.
namespace Board {

std::string path(std::string const& absolute);

}  // namespace Board
