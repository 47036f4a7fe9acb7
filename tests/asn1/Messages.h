#pragma once
// Messages of the test module that the tests of several coders take.

#include "TestModule.h"

namespace asn1test {

// seq 5, slot 12 and the command ping.
inline TestLGCP::Message pingMessage() {
  TestLGCP::Message m;
  m.set_seq(5);
  m.set_slot(12);
  m.get_pdu().set_command().set_ping();
  return m;
}

}  // namespace asn1test
