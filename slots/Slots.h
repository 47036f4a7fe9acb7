#pragma once
#include <array>
#include <memory>
#include <vector>

#include "control/CtrlSrv.h"
#include "core/Multiplexer.h"
#include "slots/Slot.h"

// The slot service: a table of 1024 numbered slots made by the factory chain,
// and the commands that create, connect, activate, configure and destroy them.
class Slots : public CtrlSrv::Service {
 public:
  static constexpr unsigned kSlotCount = 1024;
  // Slots whose destruction is still running when the controller goes are
  // deleted this long afterwards.
  static constexpr unsigned kReleaseDelayMs = 1000;

  static Slots& instance();

  void OnConnect() override {}
  void OnDisconnect() override;
  bool OnCommand(LGCP::Command const& command) override;
  void OnSignal(LGCP::Signal const& signal) override;

  // Sends the board's resource counts, as every factory reports them.
  void UpdateHardwareResources();
  // A slot whose destruction was asynchronous has finished it.
  void on_release(Slot* slot);

  Slot* slot(unsigned number) const { return number < kSlotCount ? table_[number].get() : nullptr; }
  size_t dying() const { return dying_.size(); }

 private:
  Slots() = default;
  void CmdCreate(unsigned number, LGCP::CreateParams const& params);
  void CmdDestroy(Slot& slot);
  void Answer(SlotAnswer answer);
  // Starts the destruction of the slot at `number`; true when it completed.
  bool Destroy(unsigned number);
  void DeleteDying();
  void DeleteReleased();

  std::array<std::unique_ptr<Slot>, kSlotCount> table_;
  std::vector<std::unique_ptr<Slot>> dying_;     // left the table, destruction still running
  std::vector<std::unique_ptr<Slot>> released_;  // finished; deleted outside their own call
  Timer dyingTimer_;
  Timer releasedTimer_;
};
