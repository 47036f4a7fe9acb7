#pragma once
#include <functional>
#include <vector>

#include "HwTestSupport.h"
#include "control/CtrlSrv.h"
#include "core/MuxTime.h"
#include "support/ControllerPair.h"

namespace hwtest {

// A board service bound to the control server on a fresh simulated board,
// with a real controller connection to read the answers and signals from.
// The service is made (and may open its devices) once the board is there.
template <class S>
class ServiceTest : public BoardTest {
 protected:
  ServiceTest() { ctrlServer.Bind(&S::instance()); }
  // Loop time stands still but for Advance, so periods are exact however
  // slowly the test runs.
  void SetUp() override {
    Mux::set_test_offset(0);
    Mux::freeze_test_clock(true);
  }
  void TearDown() override {
    ctrlServer.Deactivate();
    Mux::freeze_test_clock(false);
    Mux::set_test_offset(0);
  }

  // A controller arrives; the services hear OnConnect.
  void Connect() {
    pair_ = new testsupport::ControllerPair;
    ASSERT_TRUE(ctrlServer.Activate(pair_));
  }
  // The controller goes; the services hear OnDisconnect.
  void Disconnect() {
    ctrlServer.Deactivate();
    pair_ = nullptr;
  }
  // Every message the controller received since the last call.
  std::vector<LGCP::Message> Sent() { return pair_ ? pair_->messages() : std::vector<LGCP::Message>{}; }

  // Handles one command as the controller sent it, with seq 1 and no slot.
  void Command(std::function<void(LGCP::Command&)> const& fill) {
    LGCP::Message m;
    m.set_seq(1);
    fill(m.get_pdu().set_command());
    ctrlServer.OnMessage(m);
  }

  // Moves loop time on and fires the timers due by then, in one pass.
  void Advance(unsigned ms) {
    Mux::set_test_offset(Mux::test_offset() + int64_t(ms) * 1000);
    testsupport::LoopStopper stop(0);  // due now, so after every timer due earlier
    multiplexer.run(false, true);
  }
  // Lets the loop serve the descriptors for a moment of real time.
  void Settle() {
    Mux::freeze_test_clock(false);
    runFor(30);
    Mux::freeze_test_clock(true);
  }

 private:
  testsupport::ControllerPair* pair_ = nullptr;
};

// The trunk status reports among the messages, as (type, trunk, state, slips).
struct Status {
  int type, trunk, state, slips;
  bool operator==(Status const& o) const {
    return type == o.type && trunk == o.trunk && state == o.state && slips == o.slips;
  }
};
inline std::vector<Status> StatusReports(std::vector<LGCP::Message> const& messages) {
  std::vector<Status> out;
  for (auto const& m : messages) {
    LGCP::Signal const* s = m.get_pdu().get_signal();
    if (s == nullptr || s->get_trunkStatus() == nullptr) continue;
    ACP::TrunkStatus const& t = *s->get_trunkStatus();
    out.push_back({t.get_type().getValue(), t.get_trunk().getValue(), t.get_state().getValue(), t.get_slips().getValue()});
  }
  return out;
}
inline std::ostream& operator<<(std::ostream& os, Status const& s) {
  return os << "{type " << s.type << " trunk " << s.trunk << " state " << s.state << " slips " << s.slips << "}";
}

}  // namespace hwtest
