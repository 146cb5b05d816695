// What a failed check probably means. From the bytes that differed (and, for the
// faults of the socket, from what the buffer holds elsewhere), a summary first: how
// many bytes, where, which bits read which way on which data line; then, only where
// the pattern is clear, the likely cause and the check to make. Nothing is stated as
// certain, and where two faults mix nothing is claimed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/outcome.h"

namespace tarnwick {

struct DiagnosisInput {
  DeviceCommand command = DeviceCommand::None;  // Verify, BlankCheck or Compare
  const std::vector<Mismatch>* mismatches = nullptr;
  const std::optional<Mismatch>* cannotTake = nullptr;  // Compare's first refusal
  int32_t family = 0;
  uint8_t blank = 0xFF;  // the chip's erased value
  int32_t chipEnd = 0;
  int32_t deviceStart = 0;  // the window that was checked
  int32_t deviceEnd = 0;
  // What the check wanted at a chip address of the window; -1 outside it.
  std::function<int(int32_t device_addr)> expected;
  // The buffer holds what the Move just before read from this chip over this window:
  // a verify now compares two reads of one chip.
  bool secondRead = false;
};

// The sentences for the top of the memo (unbroken; the window breaks them to its
// width), summary first; empty when nothing differed.
std::vector<std::string> Diagnose(const DiagnosisInput& in);

// The likely cause of bytes that read otherwise from one read of the chip to the next
// (repeated reads, or a verify against the Move just before).
std::string UnstableCause(size_t bytes, bool againstMove);

// "0123: chip 3C, wanted 5A: bits 1, 6 would have to return to 1".
std::string CannotTakeLine(const Mismatch& m, uint8_t blank);

}  // namespace tarnwick
