// Changing a chip without the buffer: the flash chip erase and the three security
// (lock) bits of the 875X adapter's chips.
#pragma once

#include <cstdint>

#include "link/latch_bits.h"
#include "ops/ops_parts.h"

namespace tarnwick {

class Control;
class ProgramOps;
class ReadOps;

inline constexpr const char* kErasingText = "Erasing Flash Device........";
inline constexpr const char* kErasedText = "Device has been Erase, Do a Blank Check........";

// One row of Security_List. The EPROMs and the parallel-programmed flash chips select
// the bit by mode (LatchB) and the P2.6/P2.7/P3.6/P3.7 levels (Latch1); the serially
// programmable flash chips take all three bits as zeros on the data byte.
struct SecurityRow {
  uint8_t latchBMode;
  uint8_t latch1Pulse;
  uint8_t flashData;
};

inline constexpr SecurityRow kSecurityRows[] = {
    {kLBModeLock12, Without(kL1ProgramEnable), Without(1 << 7)},
    {kLBModeLock12, Without(kL1ProgramEnable | kL1P37 | kL1P36), Without(1 << 6)},
    {kLBModeEraseOrLock3, Without(kL1ProgramEnable | kL1P36), Without(1 << 5)},
};
inline constexpr int kSecurityCancelRow = 3;

class EraseOps {
 public:
  // security_list is the list of lock bits the Security button opens.
  EraseOps(OpsParts parts, ReadOps& reads, ProgramOps& programs, Control& security_list)
      : p_(parts), reads_(reads), programs_(programs), securityList_(security_list) {}

  void Erase_ButClick();
  void SecurityClick();
  void Security_ListClick();

 private:
  OpsParts p_;
  ReadOps& reads_;
  ProgramOps& programs_;
  Control& securityList_;
};

}  // namespace tarnwick
