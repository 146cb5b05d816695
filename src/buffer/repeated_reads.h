// Reading a chip more than once and comparing the reads: the way to tell a sound dump
// from one of a chip whose cells are fading or whose legs make poor contact. A single
// read of such a chip can be wrong without a sign; reads that disagree show where.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/outcome.h"

namespace tarnwick {

class RepeatedReads {
 public:
  // Reads of the window from chip address `device_start`, which the buffer holds from
  // `buffer_start` on.
  RepeatedReads(int32_t device_start, int32_t buffer_start)
      : deviceStart_(device_start), bufferStart_(buffer_start) {}

  // One more read: every read must have the first one's length.
  void Add(std::span<const uint8_t> image);
  int Count() const { return static_cast<int>(reads_.size()); }

  // Every byte that did not read the same each time, with each read's value, the bits
  // that changed and the value kept for it.
  RepeatedReadsOutcome Compare() const;

  // The image to keep: each bit as most reads gave it, a tie (always so for two reads)
  // as the first read gave it. The first read itself when all agree.
  std::vector<uint8_t> KeptImage(const RepeatedReadsOutcome& compared) const;

 private:
  int32_t deviceStart_;
  int32_t bufferStart_;
  std::vector<std::vector<uint8_t>> reads_;
};

// The bitwise majority of `values`; a bit that as many reads give as 1 as 0 is taken
// from the first.
uint8_t MajorityOf(std::span<const uint8_t> values);

}  // namespace tarnwick
