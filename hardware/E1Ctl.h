#pragma once
#include <array>
#include <cstdint>
#include <iosfwd>

#include "control/CtrlSrv.h"
#include "core/Fd.h"
#include "core/Multiplexer.h"
#include "hardware/Device.h"

// The board's four E1 trunks. From the first controller connection on it
// reports the synchronisation status of every trunk once a second as
// "trunkStatus" signals (they go to whichever controller is connected), keeps
// the TCLK mask that makes trunks clock slaves ("trunkCfg"), and drives
// channel-associated signalling through "/dev/e1-cas": CAS commands arrive as
// "ioctl" without a slot number, and every change of received bits leaves as
// a "cas" signal.
class E1Ctl : public CtrlSrv::Service {
 public:
  static constexpr int kTrunks = 4;
  static constexpr unsigned kStatusPeriodMs = 1000;
  // "/dev/maintenance"
  static constexpr uint32_t kTrunkStatus = Dev::iowr('M', 3, 80);  // 0xC0504D03
  static constexpr uint32_t kTclkMask = Dev::iowr('M', 11, 4);     // 0xC0044D0B
  static constexpr uint32_t kClockSource = Dev::iowr('M', 10, 4);  // 0xC0044D0A
  // "/dev/e1-cas"
  static constexpr uint32_t kCasOpen = Dev::iow('C', 0, 4);           // 0x80044300
  static constexpr uint32_t kCasClose = Dev::iow('C', 1, 4);          // 0x80044301
  static constexpr uint32_t kCasSet = Dev::iowr('C', 2, 12);          // 0xC00C4302
  static constexpr uint32_t kCasGet = Dev::iowr('C', 3, 12);          // 0xC00C4303
  static constexpr uint32_t kCasChannelEnable = Dev::iowr('C', 4, 16);  // 0xC0104304
  static constexpr size_t kCasRecordSize = 12;

  static E1Ctl& instance();
  ~E1Ctl() override;

  void OnConnect() override;
  void OnDisconnect() override {}
  bool OnCommand(LGCP::Command const& command) override;
  void OnCheckStatus(Timer*);
  // The CAS device's callback: its event records, or its failure.
  void OnUpdateCas(int fd, short revents);
  void select_source(int source);
  std::ostream& PutHeader(std::ostream& os) const;

  uint32_t tclk() const { return tclk_; }
  bool cas_open(int trunk) const { return trunk >= 0 && trunk < kTrunks && casOpen_[static_cast<size_t>(trunk)]; }
  bool cas_device_open() const { return cas_.valid(); }

 private:
  E1Ctl() = default;
  bool OpenMaintenance();
  void SendStatus();
  void SetMode(LGCP::TrunkCfg const& cfg);
  bool UpdateTclk(uint32_t mask);  // writes the mask and keeps it on success
  bool CheckOpenCas();
  void CloseCas();
  void HandleCas(LGCP::IoctlParams const& params);
  void CasOpen(int trunk, int ts, int value);
  void CasClose(int trunk, int ts);
  void CasSet(int trunk, int ts, int value);
  // Reads a channel's bits and reports them, or the failure.
  void CasReport(int trunk, int ts);
  void SendCas(int trunk, int ts, int rx, int tx);
  // A request on one channel: the 12-byte channel record with tx, and the
  // enable flag after it; the driver's result, its record in `record`.
  int CasRequest(uint32_t request, int trunk, int ts, int tx, int flag, Dev::Record<16>& record);
  int CasRequest(uint32_t request, int trunk, int ts, int tx, int flag);
  enum { kEnable = 0, kDisable = 1 };

  int maintenance_ = -1;
  Timer timer_;
  Fd cas_;
  Event casEvent_;
  std::array<bool, kTrunks> casOpen_{};
  uint32_t tclk_ = 0;
};
