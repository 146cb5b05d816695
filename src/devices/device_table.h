// The chips the Quillbox serves, one row per line of the device list. Heading and
// blank lines select no chip; their entries carry what "No Device" means.
#pragma once

#include <array>
#include <cstdint>

#include "base/program_state.h"
#include "devices/families.h"

namespace tarnwick {

// What the operator is shown before the new voltage reaches the box.
enum class AdapterPrompt : uint8_t {
  kNoDevice,       // heading or blank row: "No Device Was Selected."
  kNone,           // Atmel parts that plug straight into the 875X socket layout
  kInstallJumper,  // 874X adapter, 25 V parts: the jumper must be fitted
  kRemoveJumper,   // 874X adapter, 21 V parts: the jumper must be out
  kAdapter875X,
};

struct DeviceEntry {
  const char* listText;  // the line of the device list, blanks included
  const char* caption;   // the Device button; null for heading and blank rows
  int32_t deviceEnd;     // the chip's last address
  int32_t vppCode;       // see kVppLevels: 1 = 25 V, 2 = 21 V, 4 = 12 V, 7 = 12.5 V
  int32_t family;        // selects the cycle variants of the device operations
  AdapterPrompt prompt;
};

inline constexpr int kDeviceRowCount = 26;

// Selection writes 12.5 V and the 87C5x family before the row is applied, so heading rows and
// the 87C5x rows end up with those values.
inline constexpr std::array<DeviceEntry, kDeviceRowCount> kDeviceTable = {{
    {"       874X Adapter", nullptr, kNoDeviceEnd, 7, kFamily87C5x, AdapterPrompt::kNoDevice},
    {"8741       (25V)     1K X 8 ", "8741", 0x3FF, 1, kFamily8741, AdapterPrompt::kInstallJumper},
    {"8742       (21V)     2K X 8 ", "8742 ", 0x7FF, 2, kFamily874x, AdapterPrompt::kRemoveJumper},
    {"8748       (25V)     1K X 8", "8748 ", 0x3FF, 1, kFamily874x, AdapterPrompt::kInstallJumper},
    {"8748H      (21V)     1K X 8", "8748H", 0x3FF, 2, kFamily874x, AdapterPrompt::kRemoveJumper},
    {"8749H      (21V)     2K X 8", "8749H", 0x7FF, 2, kFamily874x, AdapterPrompt::kRemoveJumper},
    {"", nullptr, kNoDeviceEnd, 7, kFamily87C5x, AdapterPrompt::kNoDevice},
    {"      875X Adapter", nullptr, kNoDeviceEnd, 7, kFamily87C5x, AdapterPrompt::kNoDevice},
    {"8751H      (21V)     4K X 8", "8751H", 0xFFF, 2, kFamily8751H, AdapterPrompt::kAdapter875X},
    {"87C51H     (12.5V)   4K X 8", "87C51H", 0xFFF, 7, kFamily87C5x, AdapterPrompt::kAdapter875X},
    {"87C52H     (12.5V)   8K X 8", "87C52H", 0x1FFF, 7, kFamily87C5x, AdapterPrompt::kAdapter875X},
    {"87C54H     (12.5V)  16K X 8", "87C54H", 0x3FFF, 7, kFamily87C5x, AdapterPrompt::kAdapter875X},
    {"87C58H     (12.5V)  32K X 8", "87C58H", 0x7FFF, 7, kFamily87C5x, AdapterPrompt::kAdapter875X},
    {"", nullptr, kNoDeviceEnd, 7, kFamily87C5x, AdapterPrompt::kNoDevice},
    {"87C51FA    (12.5V)   8K X 8", "87C51FA", 0x1FFF, 7, kFamily87C5x,
     AdapterPrompt::kAdapter875X},
    {"87C51FB    (12.5V)  16K X 8", "87C51FB", 0x3FFF, 7, kFamily87C5x,
     AdapterPrompt::kAdapter875X},
    {"87C51FC    (12.5V)  32K X 8", "87C51FC", 0x7FFF, 7, kFamily87C5x,
     AdapterPrompt::kAdapter875X},
    {"", nullptr, kNoDeviceEnd, 7, kFamily87C5x, AdapterPrompt::kNoDevice},
    {"            Atmel ", nullptr, kNoDeviceEnd, 7, kFamily87C5x, AdapterPrompt::kNoDevice},
    {"89C51      (12V)     4K X 8", "89C51", 0xFFF, 4, kFamily89C, AdapterPrompt::kAdapter875X},
    {"89C52      (12V)     8K X 8", "89C52", 0x1FFF, 4, kFamily89C, AdapterPrompt::kNone},
    {"89S53      (12V)    12K X 8", "89S53", 0x2FFF, 4, kFamily89S, AdapterPrompt::kNone},
    {"89LS53     (12V)    12K X 8", "89LS53", 0x2FFF, 4, kFamily89S, AdapterPrompt::kNone},
    {"89C55      (12V)    20K X 8", "89C55", 0x4FFF, 4, kFamily89C, AdapterPrompt::kNone},
    // The 8252 parts hold 8K of code plus 2K of data EEPROM: 10K, although listed as 8K.
    {"89S8252    (12V)     8K X 8", "89S8252", 0x27FF, 4, kFamily89S, AdapterPrompt::kNone},
    {"89LS8252   (12V)     8K X 8", "89LS8252", 0x27FF, 4, kFamily89S, AdapterPrompt::kNone},
}};

// What a family code implies beyond its cycle variants. Index: family - 1.
struct FamilyTraits {
  int32_t blankValue;    // erased cell: the 874X EPROMs erase to 00, the rest to FF
  bool security;         // Program Security offered
  bool erase;            // Erase Device offered (the electrically erasable Atmel parts)
  int32_t panel8Height;  // shows one, two or three of Panel8's buttons
  bool pulseDiv3;        // the 874X cycles wait a third as long per unit
  bool pulseFixed10;     // the Atmel parts run with PulseWait 10
  int32_t chipEnd;       // 0: the chip's own last address
};

inline constexpr std::array<FamilyTraits, 6> kFamilyTraits = {{
    {0x00, false, false, 27, true, false, 0},
    {0x00, false, false, 27, true, false, 0},
    {0xFF, true, false, 48, false, false, 0},
    {0xFF, true, false, 48, false, false, 0},
    {0xFF, true, true, 68, false, true, 0},
    // These parts take a 14-bit address: the window may run to 3FFF whatever the size.
    {0xFF, true, true, 68, false, true, 0x3FFF},
}};

// Selection always leaves a family of 1 to 6; anything else reads as "No Device" (4).
constexpr const FamilyTraits& TraitsOf(int32_t family) {
  return kFamilyTraits[family >= 1 && family <= 6 ? family - 1 : 3];
}

}  // namespace tarnwick
