#include "hardware/DevNames.h"

#include <cerrno>
#include <cstring>
#include <ostream>

char const* GetVoiceDevName() { return "/dev/voice"; }
char const* GetMixerDevName() { return "/dev/mixer"; }
char const* GetDTMFDevName() { return "/dev/dtmf"; }
char const* GetDSPDevName() { return "/dev/dsp"; }
char const* GetRtpDevName() { return "/dev/rtp"; }
char const* GetRtpExtDevName() { return "/dev/rtp_ext"; }
char const* GetModemDevName() { return "/dev/mctl"; }
char const* GetMaintenance() { return "/dev/maintenance"; }
char const* GetSpiTdmDevName() { return "/dev/spi_tdm"; }

char const* GetCodecAsStr(int codec) {
  static char const* const names[] = {"unknown",  "g711",     "g723",     "g729", "tonec",
                                      "g711-rtp", "g729-rtp", "g723-rtp", "conf"};
  if (codec < 0 || codec >= static_cast<int>(sizeof names / sizeof names[0])) return "invalid";
  return names[codec];
}

RtpErr::RtpErr(int code) : code_(code), errno_(errno) {}

std::ostream& RtpErr::Put(std::ostream& os) const { return os << std::strerror(errno_); }

std::ostream& operator<<(std::ostream& os, RtpErr const& e) { return e.Put(os); }

namespace {

char const* const I = "  ";

// The indented block shared by the session records: name, "{", the lines, "}".
template <class Body>
std::ostream& block(std::ostream& os, char const* name, Body body) {
  os << I << name << '\n' << I << "{\n";
  body();
  return os << I << "}\n";
}

template <class T>
std::ostream& attach(std::ostream& os, char const* name, T const& p) {
  return block(os, name, [&] {
    os << I << " fd_rtp = " << p.fd_rtp << '\n';
    os << I << " pid_rtp = " << p.pid_rtp << '\n';
  });
}

}  // namespace

std::ostream& operator<<(std::ostream& os, rtp_connection_params const& p) {
  return block(os, "rtp_connection_params", [&] {
    os << I << " packet_factor = " << p.packet_factor << '\n';
    os << I << " rx_pt = " << p.rx_pt << '\n';
    os << I << " tx_pt = " << p.tx_pt << '\n';
    os << I << " ssrc = " << p.ssrc << '\n';
  });
}

std::ostream& operator<<(std::ostream& os, rtp_attach_session_params const& p) {
  return attach(os, "rtp_attach_session_params", p);
}

std::ostream& operator<<(std::ostream& os, rtp_ext_attach_session_params const& p) {
  return attach(os, "rtp_ext_attach_session_params", p);
}

std::ostream& operator<<(std::ostream& os, rtp_ext_init_params const& p) {
  return block(os, "rtp_ext_init_params", [&] { os << I << " etype = " << p.etype << '\n'; });
}

std::ostream& operator<<(std::ostream& os, rtp_channel_info const& p) {
  return os << "rtp_channel_info" << " {" << " tdm=" << p.tdm << " dev_no=" << p.dev_no << " chn=" << p.chn << " }";
}
