// The figures a dump is known by, over the window's bytes as one binary image: buffer
// DeviceStart to DeviceEnd, the bytes the 16-bit checksum adds (BufferStart plays no
// part). ROM archives and emulators list dumps by CRC-32 and SHA-1 of exactly such an
// image, so these are the figures an operator compares with the rest of the world.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/outcome.h"

namespace tarnwick {

class Control;
struct ProgramState;

// The window's bytes in the buffer; only bytes that exist (the window may run to FFFFF
// with no device selected, the buffer ends at FFFF).
std::span<const uint8_t> WindowImage(const ProgramState& state);

// The 16-bit sum, CRC-32 and SHA-1 of the window's image, with its addresses.
ChecksumOutcome HashWindow(const ProgramState& state);

// The two lines Memo1 shows: "CRC32 7A3B91C0  0000-0FFF  4096 bytes" and
// "SHA1 3F786850E387550FDAB836ED7E6DC881DE23001B".
std::vector<std::string> HashMemoLines(const ChecksumOutcome& checksum);

// Puts the two lines on top of the memo and shows it. The pair an earlier Check Sum
// left on top goes first, so the memo never holds two.
void ShowHashLines(Control& memo, const ChecksumOutcome& checksum);

}  // namespace tarnwick
