#pragma once
#include <iosfwd>
#include <string>

class LogFileStreamBuf;

// Daemon mode: the process detaches from its terminal and its output, error
// and log streams go to the system log or to hourly log files.
namespace Daemon {

enum LogKind { sysLog = 0, logFiles = 1 };

struct Params {
  int kind = sysLog;
  // Passed to daemon() as its first argument.
  bool keepDirectory = false;
  // The identifier in the system log, or the board folder of the log files.
  std::string text = "unknown";
};

// Does the switch; lives until the process ends.
class Sentry {
 public:
  explicit Sentry(Params const& params);
  Sentry(Sentry const&) = delete;
  Sentry& operator=(Sentry const&) = delete;
  // Puts the log files' streams back on their own buffers and closes the file.
  ~Sentry();

 private:
  int kind_;
  LogFileStreamBuf* logFile_ = nullptr;
  std::streambuf* saved_[3] = {};
};

// The first call detaches the process and redirects the streams; later calls
// do nothing, whatever their parameters.
void Init(Params const& params);

}  // namespace Daemon
