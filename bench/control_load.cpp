// Load benchmark of the control connection: ping round trips over loopback
// against the daemon, one at a time and with 64 in flight, beside the same
// traffic against a minimal TPKT echo server (the floor: sockets and framing
// only). Prints median and 99th-percentile round trip, commands per second,
// the ratio to the floor, and the daemon's resident memory over 1,000,000
// commands. Run: build/bench/bench_control_load [commands]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// ping with seq 1, and its answer: success with seq 1.
unsigned char const kPing[] = {0x03, 0x00, 0x00, 0x08, 0x80, 0x01, 0x01, 0x18};
constexpr size_t kFrame = sizeof kPing;

unsigned short free_port() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  ::close(s);
  return ntohs(a.sin_port);
}

int connect_to(unsigned short port) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      int one = 1;
      ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      return s;
    }
    ::close(s);
    ::usleep(50000);
  }
  std::fprintf(stderr, "cannot connect to port %u\n", port);
  std::exit(1);
}

bool read_all(int s, unsigned char* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::read(s, p, n);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool write_all(int s, unsigned char const* p, size_t n) {
  while (n > 0) {
    ssize_t r = ::write(s, p, n);
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

// The floor: one connection, every TPKT frame written back as it came.
pid_t start_echo(unsigned short port) {
  int l = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  ::setsockopt(l, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(l, 1) != 0) std::exit(1);
  pid_t pid = ::fork();
  if (pid != 0) {
    ::close(l);
    return pid;
  }
  int c = ::accept(l, nullptr, nullptr);
  ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  std::vector<unsigned char> body(65536);
  unsigned char header[4];
  while (read_all(c, header, 4)) {
    size_t length = (static_cast<size_t>(header[2]) << 8) | header[3];
    if (length < 4 || !read_all(c, body.data(), length - 4)) break;
    std::vector<unsigned char> frame(header, header + 4);
    frame.insert(frame.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(length - 4));
    if (!write_all(c, frame.data(), frame.size())) break;
  }
  ::_exit(0);
}

pid_t start_daemon(unsigned short port, std::string& root) {
  char templ[] = "/tmp/tarvox-bench-XXXXXX";
  root = ::mkdtemp(templ);
  for (char const* d : {"/var", "/var/run", "/var/log"}) ::mkdir((root + d).c_str(), 0755);
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  ::setenv("TARVOX_ROOT", root.c_str(), 1);
  if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) ::_exit(1);
  std::string portText = std::to_string(port);
  ::execl(TARVOX_DAEMON, TARVOX_DAEMON, "--port", portText.c_str(), static_cast<char*>(nullptr));
  ::_exit(127);
}

long rss_kib(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

struct Figures {
  double medianUs = 0, p99Us = 0, perSecond = 0;
};

Figures one_at_a_time(int s, int count) {
  std::vector<double> us;
  us.reserve(static_cast<size_t>(count));
  unsigned char answer[kFrame];
  for (int i = 0; i < count; ++i) {
    auto t0 = Clock::now();
    if (!write_all(s, kPing, kFrame) || !read_all(s, answer, kFrame)) std::exit(1);
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  std::sort(us.begin(), us.end());
  double total = 0;
  for (double u : us) total += u;
  return {us[us.size() / 2], us[us.size() * 99 / 100], 1e6 * us.size() / total};
}

// Keeps `window` commands outstanding: a batch of `window` pings goes out,
// then its answers come back. The round trip of a batch is that of its pings.
Figures in_flight(int s, int count, int window) {
  std::vector<unsigned char> batch;
  for (int i = 0; i < window; ++i) batch.insert(batch.end(), kPing, kPing + kFrame);
  std::vector<unsigned char> answers(batch.size());
  std::vector<double> us;
  auto start = Clock::now();
  int sent = 0;
  for (; sent < count; sent += window) {
    auto t0 = Clock::now();
    if (!write_all(s, batch.data(), batch.size()) || !read_all(s, answers.data(), answers.size())) std::exit(1);
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
  }
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::sort(us.begin(), us.end());
  return {us[us.size() / 2], us[us.size() * 99 / 100], sent / seconds};
}

void print(char const* what, Figures const& daemon, Figures const& echo) {
  std::printf("%-22s daemon: median %7.1f us  p99 %7.1f us  %9.0f cmd/s | echo: median %7.1f us  p99 %7.1f us  "
              "%9.0f cmd/s | ratio %.2f\n",
              what, daemon.medianUs, daemon.p99Us, daemon.perSecond, echo.medianUs, echo.p99Us, echo.perSecond,
              daemon.medianUs / echo.medianUs);
}

}  // namespace

int main(int argc, char** argv) {
  int total = argc > 1 ? std::atoi(argv[1]) : 1000000;
  ::signal(SIGPIPE, SIG_IGN);
  unsigned short daemonPort = free_port(), echoPort = free_port();
  std::string root;
  pid_t daemon = start_daemon(daemonPort, root);
  pid_t echo = start_echo(echoPort);
  int d = connect_to(daemonPort);
  int e = connect_to(echoPort);
  ::usleep(200000);

  // Warm both up, then measure.
  one_at_a_time(d, 2000);
  one_at_a_time(e, 2000);
  print("one at a time", one_at_a_time(d, 20000), one_at_a_time(e, 20000));
  print("64 in flight", in_flight(d, 200000, 64), in_flight(e, 200000, 64));

  long before = rss_kib(daemon);
  int done = 0;
  long at100k = -1;
  while (done < total) {
    int step = std::min(100000, total - done);
    in_flight(d, step, 64);
    done += step;
    if (done == 100000) at100k = rss_kib(daemon);
  }
  std::printf("daemon resident memory: %ld KiB at start, %ld KiB after 100,000 commands, %ld KiB after %d commands\n",
              before, at100k, rss_kib(daemon), done);

  ::close(d);
  ::close(e);
  ::kill(daemon, SIGTERM);
  int status = 0;
  ::waitpid(daemon, &status, 0);
  ::waitpid(echo, nullptr, 0);
  std::string cleanup = "rm -rf '" + root + "'";
  if (std::system(cleanup.c_str()) != 0) return 1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
