#pragma once
#include <cstdint>
#include <iosfwd>

// The board's device names, so that every owner opens the same path, and the
// text forms of codec numbers and of the RTP driver's records for diagnostics.

char const* GetVoiceDevName();    // "/dev/voice"
char const* GetMixerDevName();    // "/dev/mixer"
char const* GetDTMFDevName();     // "/dev/dtmf"
char const* GetDSPDevName();      // "/dev/dsp"
char const* GetRtpDevName();      // "/dev/rtp"
char const* GetRtpExtDevName();   // "/dev/rtp_ext"
char const* GetModemDevName();    // "/dev/mctl"
char const* GetMaintenance();     // "/dev/maintenance"
char const* GetSpiTdmDevName();   // "/dev/spi_tdm"

// "unknown", "g711", "g723", "g729", "tonec", "g711-rtp", "g729-rtp",
// "g723-rtp", "conf" for 0..8; "invalid" for any other number.
char const* GetCodecAsStr(int codec);

// A failed RTP driver call: prints the system error text of errno as it was
// when the object was made.
class RtpErr {
 public:
  explicit RtpErr(int code);
  int code() const { return code_; }
  int error() const { return errno_; }
  std::ostream& Put(std::ostream& os) const;

 private:
  int code_;
  int errno_;
};
std::ostream& operator<<(std::ostream& os, RtpErr const& e);

// Records of the RTP driver.
struct rtp_connection_params {
  uint16_t packet_factor;
  uint16_t rx_pt;
  uint16_t tx_pt;
  uint32_t ssrc;
};
struct rtp_attach_session_params {
  int fd_rtp;
  int pid_rtp;
};
struct rtp_ext_attach_session_params {
  int fd_rtp;
  int pid_rtp;
};
struct rtp_ext_init_params {
  uint16_t etype;
};
struct rtp_channel_info {
  int tdm;
  int dev_no;
  int chn;
};

std::ostream& operator<<(std::ostream& os, rtp_connection_params const& p);
std::ostream& operator<<(std::ostream& os, rtp_attach_session_params const& p);
std::ostream& operator<<(std::ostream& os, rtp_ext_attach_session_params const& p);
std::ostream& operator<<(std::ostream& os, rtp_ext_init_params const& p);
// On one line, without a line break.
std::ostream& operator<<(std::ostream& os, rtp_channel_info const& p);
