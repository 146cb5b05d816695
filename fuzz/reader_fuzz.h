// The hex readers under attack: a file text and hostile load parameters, into a buffer
// that is a heap block of exactly 64 KiB, so AddressSanitizer sees any byte read or
// written outside it.
//
// Input: hex offset, low limit, high limit and chip end (four 32-bit values, least
// significant byte first), the word mode (one byte), then the file text.
#pragma once

#include <memory>

#include "formats/hex_lines.h"
#include "fuzz/fuzz_support.h"

namespace tarnwick::fuzz {

template <typename Read>
int FuzzReader(const uint8_t* data, size_t size, Read read) {
  ByteReader in(data, size);
  HexLoadParams params;
  params.hexOffset = in.Int32();
  params.lowLimit = in.Int32();
  params.highLimit = in.Int32();
  const int32_t chip_end = in.Int32();
  params.mask = LoadMask(chip_end, in.Signed());
  int64_t progress_calls = 0;
  params.progress = [&](int32_t) { ++progress_calls; };
  const std::string_view text = in.Rest();

  auto buffer = std::make_unique<BufferBytes>();
  LoadResult result;
  try {
    result = read(text, params, *buffer);
  } catch (const HexLoadError& error) {
    // A malformed field ends the load at a line of the file.
    FUZZ_CHECK(error.line() >= 1);
    return 0;
  }
  // Every byte a record gives is stored or counted as left out; each takes at least one
  // character of the file.
  FUZZ_CHECK(result.stored >= 0 && result.leftOut >= 0);
  FUZZ_CHECK(result.stored + result.leftOut <= static_cast<int64_t>(text.size()));
  // The lists for the window stay short however bad the file.
  FUZZ_CHECK(result.badChecksums.size() <= kListedProblems);
  FUZZ_CHECK(result.overlaps.size() <= kListedProblems);
  FUZZ_CHECK(result.badChecksumCount >= static_cast<int64_t>(result.badChecksums.size()));
  FUZZ_CHECK(result.overlapCount >= static_cast<int64_t>(result.overlaps.size()));
  for (const Overlap& o : result.overlaps) {
    FUZZ_CHECK(o.earlier >= 1 && o.earlier < o.later);
    FUZZ_CHECK(InBuffer(o.first) && InBuffer(o.last) && o.first <= o.last);
  }
  // The runs the load reports landed inside the buffer and account for every byte
  // stored while the list holds them all.
  FUZZ_CHECK(result.ranges.size() <= kListedRanges);
  FUZZ_CHECK(result.rangeCount >= static_cast<int64_t>(result.ranges.size()));
  int64_t in_ranges = 0;
  for (const LoadedRange& r : result.ranges) {
    FUZZ_CHECK(r.count >= 1 && InBuffer(r.to) && InBuffer(int64_t{r.to} + r.count - 1));
    in_ranges += r.count;
  }
  FUZZ_CHECK(result.rangeCount > static_cast<int64_t>(kListedRanges) ? in_ranges <= result.stored
                                                                     : in_ranges == result.stored);
  return 0;
}

}  // namespace tarnwick::fuzz
