#include "core/Daemon.h"

#include <cstdlib>
#include <iostream>
#include <syslog.h>
#include <unistd.h>

#include "core/LogFileStreamBuf.h"
#include "core/SysLog.h"

namespace Daemon {

namespace {

int const daemonFacility = LOG_DAEMON >> 3;

std::ostream* const streams[3] = {&std::cout, &std::cerr, &std::clog};

}  // namespace

Sentry::Sentry(Params const& params) : kind_(params.kind) {
  if (::daemon(params.keepDirectory, 0) != 0) {
    std::cerr << "daemon() fail!" << std::endl;
    std::exit(2);
  }
  if (kind_ == sysLog) {
    // A message the log socket does not take goes to the console.
    syslogManager.openlog(params.text.c_str(), LOG_NDELAY | LOG_CONS, 0);
    std::cout.rdbuf(new ManagedSysLogStreamBuf(daemonFacility, LOG_NOTICE));
    std::cerr.rdbuf(new ManagedSysLogStreamBuf(daemonFacility, LOG_ERR));
    std::clog.rdbuf(new ManagedSysLogStreamBuf(daemonFacility, LOG_DEBUG));
    std::cin.tie(&std::cout);
    // Text written straight to the descriptors, also by child processes,
    // reaches the log socket as well.
    if (syslogManager.socket() >= 0) {
      ::dup2(syslogManager.socket(), STDOUT_FILENO);
      ::dup2(syslogManager.socket(), STDERR_FILENO);
    }
  } else if (kind_ == logFiles) {
    logFile_ = new LogFileStreamBuf(params.text);
    for (int i = 0; i < 3; ++i) saved_[i] = streams[i]->rdbuf(logFile_);
  }
}

Sentry::~Sentry() {
  if (!logFile_) return;
  for (int i = 0; i < 3; ++i) {
    streams[i]->flush();
    streams[i]->rdbuf(saved_[i]);
  }
  delete logFile_;
}

void Init(Params const& params) { static Sentry sentry(params); }

}  // namespace Daemon
