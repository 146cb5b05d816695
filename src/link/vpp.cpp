#include "link/vpp.h"

#include "app/main_form.h"

namespace tarnwick {

void Vpp::Wire() {
  f_.Vpp_But.OnClick = [this] { Vpp_ButClick(); };
  f_.Test_Vpp.OnClick = [this] { Test_VppClick(); };
}

void Vpp::ApplyVpp() {
  ProgramState& s = f_.s;
  const bool known = s.VppCode >= 0 && s.VppCode <= 11;
  const VppLevel& level = kVppLevels[known ? s.VppCode : 0];
  s.Latch2Base = level.latch2;
  s.Latch3Base = level.latch3;
  if (level.caption != nullptr) f_.Vpp_But.caption = level.caption;
  if (s.ProgrammerFound > 0) {
    f_.link.Load(kLatch3, s.Latch3Base);
    f_.link.Load(kLatch2, s.Latch2Base);
  }
}

void Vpp::Vpp_ButClick() {
  ProgramState& s = f_.s;
  // Only the 874X parts and the 8751H have a choice of high voltages: 25, 21, 12.75.
  if (s.DeviceFamily < 4) {
    if (s.VppCode == 1)
      s.VppCode = 2;
    else if (s.VppCode == 2)
      s.VppCode = 3;
    else if (s.VppCode == 3)
      s.VppCode = 1;
  }
  ApplyVpp();
}

void Vpp::Test_VppClick() {
  ProgramState& s = f_.s;
  if (s.TestVppStep >= 1 && s.TestVppStep <= 4) s.TestVppStep = s.TestVppStep % 4 + 1;
  s.Latch2Base = 0x3F;
  s.Latch3Base = 0x20;
  if (s.TestVppStep >= 1 && s.TestVppStep <= 4) {
    const VppLevel& level = kTestVppLevels[s.TestVppStep - 1];
    s.Latch2Base = level.latch2;
    s.Latch3Base = level.latch3;
    f_.Test_Vpp.caption = level.caption;
  }
  // No port is open before the programmer was found: nothing to send the level to.
  if (s.ProgrammerFound < 1) return;
  f_.link.Load(kLatch3, s.Latch3Base);
  f_.link.Load(kLatch2, s.Latch2Base & 0xFA);  // Vpp switched to the socket, no chip cycle
}

}  // namespace tarnwick
