// The figures dumps are known by: CRC-32 (the zip and PNG polynomial, as ROM archives
// list it) and SHA-1, and SHA-256 for the images of production jobs. zlib and nettle
// compute them; this is only their interface to the program.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tarnwick {

using Sha1Digest = std::array<uint8_t, 20>;
using Sha256Digest = std::array<uint8_t, 32>;

uint32_t Crc32(std::span<const uint8_t> bytes);
Sha1Digest Sha1(std::span<const uint8_t> bytes);
Sha256Digest Sha256(std::span<const uint8_t> bytes);

// Lower-case hexadecimal, as crc32, sha1sum and sha256sum print them.
std::string CrcHex(uint32_t crc);
std::string BytesHex(std::span<const uint8_t> bytes);
template <size_t N>
std::string DigestHex(const std::array<uint8_t, N>& digest) {
  return BytesHex(digest);
}

}  // namespace tarnwick
