// Device names, codec names and the texts of the RTP driver's records.
#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "hardware/DevNames.h"

namespace {

TEST(DevNames, CodecNamesCoverZeroToEightAndNothingElse) {
  EXPECT_STREQ(GetCodecAsStr(0), "unknown");
  EXPECT_STREQ(GetCodecAsStr(5), "g711-rtp");
  EXPECT_STREQ(GetCodecAsStr(8), "conf");
  EXPECT_STREQ(GetCodecAsStr(9), "invalid");
  EXPECT_STREQ(GetCodecAsStr(-1), "invalid");
}

TEST(DevNames, DeviceTables) {
  EXPECT_STREQ(GetDTMFDevName(), "/dev/dtmf");
  EXPECT_STREQ(GetDSPDevName(), "/dev/dsp");
  EXPECT_STREQ(GetMaintenance(), "/dev/maintenance");
  EXPECT_STREQ(GetModemDevName(), "/dev/mctl");
}

TEST(DevNames, RecordTexts) {
  std::ostringstream os;
  os << rtp_connection_params{160, 8, 0, 4000000000u} << rtp_ext_init_params{0x1337}
     << rtp_ext_attach_session_params{-1, 42} << rtp_channel_info{3, -1, 7};
  EXPECT_EQ(os.str(),
            "  rtp_connection_params\n  {\n   packet_factor = 160\n   rx_pt = 8\n   tx_pt = 0\n"
            "   ssrc = 4000000000\n  }\n"
            "  rtp_ext_init_params\n  {\n   etype = 4919\n  }\n"
            "  rtp_ext_attach_session_params\n  {\n   fd_rtp = -1\n   pid_rtp = 42\n  }\n"
            "rtp_channel_info { tdm=3 dev_no=-1 chn=7 }");
}

TEST(DevNames, RtpErrKeepsTheErrorOfItsMaking) {
  errno = ENOENT;
  RtpErr e(-1);
  errno = 0;
  std::ostringstream os;
  os << e;
  EXPECT_EQ(os.str(), "No such file or directory");
}

}  // namespace
