// Programming voltage: the Vpp code names a level, two bytes in Latch3 and Latch2
// select it in the box.
//
// Latch3 [7,5,4]: Vpp regulator select;  Latch2 [7,5,4]: Vpp regulator trim
// (the device cycles use the low bits of Latch2 as switches of their own).
#pragma once

#include <cstdint>

namespace tarnwick {

class Control;
class Link;
struct ProgramState;

struct VppLevel {
  uint8_t latch2;
  uint8_t latch3;
  const char* caption;  // null: the Vpp button keeps its caption
};

// By VppCode 0..11; any other code sends the bytes of code 0 and keeps the caption.
inline constexpr VppLevel kVppLevels[] = {
    {0x3F, 0x30, nullptr},       {0x0F, 0xB0, "Vpp = 25"},   {0x1F, 0xB0, "Vpp = 21"},
    {0xBF, 0xB0, "Vpp = 12.75"}, {0x3F, 0x30, "Vpp = 12"},   {0x3F, 0x30, "Vpp = 5"},
    {0xBF, 0xB0, "Vpp = 12.75"}, {0x3F, 0xB0, "Vpp = 12.5"}, {0xBF, 0x30, "Vpp = 12"},
    {0x3F, 0x20, "Vpp = 12/3"},  {0x3F, 0x00, "Vpp = 3"},    {0x3F, 0x30, "Vpp = 12"},
};

// The test panel's levels by TestVppStep 1..4: bit 4 of the Latch3 byte cleared.
inline constexpr VppLevel kTestVppLevels[] = {
    {0x0F, 0xA0, "Vpp = 25"},
    {0x1F, 0xA0, "Vpp = 21"},
    {0xBF, 0xA0, "Vpp = 12.5"},
    {0x3F, 0x20, "Vpp = 12"},
};

class Vpp {
 public:
  // vpp_button shows the level; test_vpp is the test panel's button.
  Vpp(ProgramState& state, Link& link, Control& vpp_button, Control& test_vpp)
      : s_(state), link_(link), vppBut_(vpp_button), testVpp_(test_vpp) {}
  void Wire();

  // Latch2Base, Latch3Base and the Vpp caption from VppCode; loads the two latches
  // (Latch3 first) when the programmer was found.
  void ApplyVpp();
  void Test_VppClick();

 private:
  ProgramState& s_;
  Link& link_;
  Control& vppBut_;
  Control& testVpp_;
};

}  // namespace tarnwick
