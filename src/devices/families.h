// The chip families by DeviceFamily: each selects the cycle variants of the device
// commands.
#pragma once

#include <cstdint>

namespace tarnwick {

enum FamilyCode : int32_t {
  kFamily8741 = 1,   // 874X adapter, the 8741 alone
  kFamily874x = 2,   // 874X adapter: 8742, 8748, 8748H, 8749H
  kFamily8751H = 3,  // 875X adapter, 21 V EPROM
  kFamily87C5x = 4,  // 875X adapter, 12.5 V EPROMs
  kFamily89C = 5,    // Atmel flash, parallel programmed
  kFamily89S = 6,    // Atmel flash with serial programming
};

}  // namespace tarnwick
