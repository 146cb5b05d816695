#include "link/vpp.h"

#include "base/controls.h"
#include "base/program_state.h"
#include "link/latch_bits.h"
#include "link/latches.h"

namespace tarnwick {

void Vpp::Wire() {
  testVpp_.OnClick = [this] { Test_VppClick(); };
}

void Vpp::ApplyVpp() {
  ProgramState& s = s_;
  const bool known = s.VppCode >= 0 && s.VppCode <= 11;
  const VppLevel& level = kVppLevels[known ? s.VppCode : 0];
  s.Latch2Base = level.latch2;
  s.Latch3Base = level.latch3;
  if (level.caption != nullptr) vppBut_.caption = level.caption;
  if (s.ProgrammerFound > 0) {
    link_.Load(kLatch3, s.Latch3Base);
    link_.Load(kLatch2, s.Latch2Base);
  }
}

void Vpp::Test_VppClick() {
  ProgramState& s = s_;
  if (s.TestVppStep >= 1 && s.TestVppStep <= 4) s.TestVppStep = s.TestVppStep % 4 + 1;
  s.Latch2Base = 0x3F;
  s.Latch3Base = 0x20;
  if (s.TestVppStep >= 1 && s.TestVppStep <= 4) {
    const VppLevel& level = kTestVppLevels[s.TestVppStep - 1];
    s.Latch2Base = level.latch2;
    s.Latch3Base = level.latch3;
    testVpp_.caption = level.caption;
  }
  // No port is open before the programmer was found: nothing to send the level to.
  if (s.ProgrammerFound < 1) return;
  link_.Load(kLatch3, s.Latch3Base);
  link_.Load(kLatch2,
             s.Latch2Base & Without(kL2VppHold));  // Vpp switched to the socket, no chip cycle
}

}  // namespace tarnwick
