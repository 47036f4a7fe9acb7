// The daemon's entry point: reads the configuration, installs the signal
// handlers, parses the command line, makes the process-wide objects, binds the
// services to the control server, listens for the controller and runs the loop.

#include <getopt.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>

#include "control/Acceptor.h"
#include "control/CtrlSrv.h"
#include "control/HeartBeatCtl.h"
#include "control/TraceCtl.h"
#include "core/BoardPath.h"
#include "core/ChildWait.h"
#include "core/Daemon.h"
#include "core/IniFile.h"
#include "core/Multiplexer.h"
#include "core/OsHelpers.h"
#include "core/PidFile.h"
#include "core/Version.h"
#include "hardware/BusCtl.h"
#include "hardware/E1Ctl.h"
#include "hardware/HwMux.h"
#include "hardware/HwTests.h"
#include "hardware/spiCtrl.h"
#include "monitoring/MonitoringCtl.h"
#include "rtp/RtpFactories.h"
#include "slots/Factories.h"
#include "slots/Slots.h"

namespace {

char const* const configFile = "/usr/local/etc/server.conf";
char const* const cfgTraces = "traces";
char const* const statusFile = "/var/log/server-status";
int const defaultPort = 20001;

char const* const sUsageText =
    "Usage:\n"
    " tarvox -Dh\n"
    "  -D --daemon                      run as daemon\n"
    "  -p --port                        use this port\n"
    "     --disable-clock               disable clock control\n"
    "     --version                     print version\n"
    "  -h --help                        display this information\n";

int print_version = 0;
enum { optPort = 1000, optDisableClock };
option const long_options[] = {
    {"daemon", no_argument, nullptr, 'D'},
    {"port", required_argument, nullptr, optPort},
    {"disable-clock", no_argument, nullptr, optDisableClock},
    {"version", no_argument, &print_version, 1},
    {"help", no_argument, nullptr, 'h'},
    {nullptr, 0, nullptr, 0},
};

// Written by the signal handlers, read and cleared by CheckSignals.
volatile std::sig_atomic_t doDumpStatus = 0;
volatile std::sig_atomic_t updateResources = 0;
volatile std::sig_atomic_t stopRequested = 0;

void SigPipeHandler(int, siginfo_t*, void*) {}

void SigTermHandler(int, siginfo_t*, void*) {
  stopRequested = 1;
  multiplexer.terminate();
}

void SigUsr2Handler(int, siginfo_t*, void*) { doDumpStatus = 1; }
void SigHupHandler(int, siginfo_t*, void*) { updateResources = 1; }

[[noreturn]] void Usage(int status) {
  std::cout << sUsageText << std::endl;
  std::exit(status);
}

// A whole decimal number in 1..65535, or 0.
int ParsePort(char const* text) {
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 65535) return 0;
  return static_cast<int>(value);
}

void CheckDumpStatus() {
  if (!doDumpStatus) return;
  doDumpStatus = 0;
  std::ofstream out(Board::path(statusFile), std::ios::out | std::ios::trunc);
  if (!out) {
    std::cerr << "dump status error" << std::endl;
    return;
  }
  out << "server status information. (written on SIGUSR2, rewritten whole each time)\n";
  out << "version : " << Version::current << '\n';
  multiplexer.dump(out);
}

void CheckUpdateResources() {
  if (!updateResources) return;
  updateResources = 0;
  std::clog << "update hardware resources" << std::endl;
  Slots::instance().UpdateHardwareResources();
}

void CheckSignals() {
  // A stop that arrived before the loop ran is honoured on its first pass.
  if (stopRequested) multiplexer.terminate();
  CheckDumpStatus();
  CheckUpdateResources();
}

void RunDaemon() {
  Daemon::Params params;
  params.text = "kvo-" + Version::current.tag();
  Daemon::Init(params);
}

}  // namespace

int main(int argc, char** argv) {
  auto config = std::make_unique<IniFile::File>();
  if (config->Open(Board::path(configFile))) {
    traces = TraceCtl();
    traces.Configure((*config)[cfgTraces]);
  }

  IPC::Signal::handle(SIGPIPE, SigPipeHandler, SA_RESTART);
  IPC::Signal::handle(SIGTERM, SigTermHandler, 0);
  IPC::Signal::handle(SIGINT, SigTermHandler, 0);
  IPC::Signal::handle(SIGUSR2, SigUsr2Handler, SA_RESTART);
  IPC::Signal::handle(SIGHUP, SigHupHandler, SA_RESTART);

  bool daemonMode = false;
  int port = defaultPort;
  opterr = 1;
  for (int c; (c = getopt_long(argc, argv, "Dh", long_options, nullptr)) != -1;) {
    switch (c) {
      case 0: break;  // --version, set by getopt itself
      case 'D': daemonMode = true; break;
      case 'h': Usage(0);
      case optDisableClock: BusCtl::instance().DisableControl(); break;
      case optPort:
        port = ParsePort(optarg);
        if (port == 0) {
          std::cerr << argv[0] << ": invalid port '" << optarg << "'" << std::endl;
          Usage(2);
        }
        break;
      default: Usage(2);
    }
  }
  if (print_version) {
    std::cout << "server version: " << Version::current << std::endl;
    return 2;
  }

  // Process-wide factories, each joining the head of the chain.
  static MapFactory mapFactory;
  static PstnFactory pstnFactory;
  static RtpFactory rtpFactory;
  static ModemFactory modemFactory;
  static Mixer::MixerFactory mixerFactory;
  static ExtFactory extFactory;
  static MccFactory mccFactory;
  static EchoFactory echoFactory;
  static VoiceFactory voiceFactory;
  static T38SoftFactory t38SoftFactory;
  static IsdnFactory isdnFactory;
  static RtpZERIFactory rtpZeriFactory;
  static RtpED137Factory rtpEd137Factory;
  static HdlcSlotFactory hdlcSlotFactory;

  HwMux::instance();

  MonitoringCtl::instance().Configure(*config);

  if (daemonMode) RunDaemon();

  auto pidFile = std::make_unique<Linux::Run>("server");
  std::cout << "Starting server [" << Version::current << "], port=" << port << std::endl;

  ctrlServer.Bind(&HeartBeatCtl::instance());
  ctrlServer.Bind(&Slots::instance());
  ctrlServer.Bind(&HwTests::instance());
  ctrlServer.Bind(&BusCtl::instance());
  ctrlServer.Bind(&E1Ctl::instance());
  ctrlServer.Bind(&spiCtrl::instance());
  ctrlServer.Bind(&MonitoringCtl::instance());

  ChildWait::Activate();

  Dpc signalCheck;
  signalCheck.Bind(new DpcHandler1(CheckSignals));
  signalCheck.Activate();

  ctrlServer.Activate(new Control::AcceptorNetCheckConnection(port));
  if (!stopRequested) multiplexer.run(true, true);

  ctrlServer.Deactivate();
  signalCheck.Deactivate();
  signalCheck.Bind(nullptr);
  pidFile.reset();
  config.reset();
  return 0;
}
