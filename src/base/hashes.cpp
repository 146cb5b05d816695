#include "base/hashes.h"

#include <nettle/sha1.h>
#include <nettle/sha2.h>
#include <zlib.h>

#include <algorithm>
#include <limits>

#include "base/hex_text.h"

namespace tarnwick {

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as uInt: long inputs go in pieces.
  while (!bytes.empty()) {
    const size_t n = std::min<size_t>(bytes.size(), std::numeric_limits<uInt>::max());
    crc = crc32(crc, bytes.data(), static_cast<uInt>(n));
    bytes = bytes.subspan(n);
  }
  return static_cast<uint32_t>(crc);
}

Sha1Digest Sha1(std::span<const uint8_t> bytes) {
  sha1_ctx ctx;
  sha1_init(&ctx);
  sha1_update(&ctx, bytes.size(), bytes.data());
  Sha1Digest digest;
  sha1_digest(&ctx, digest.size(), digest.data());
  return digest;
}

Sha256Digest Sha256(std::span<const uint8_t> bytes) {
  sha256_ctx ctx;
  sha256_init(&ctx);
  sha256_update(&ctx, bytes.size(), bytes.data());
  Sha256Digest digest;
  sha256_digest(&ctx, digest.size(), digest.data());
  return digest;
}

std::string CrcHex(uint32_t crc) {
  return LowerCase(HexText(crc, 8));
}

std::string BytesHex(std::span<const uint8_t> bytes) {
  std::string text;
  text.reserve(2 * bytes.size());
  for (uint8_t b : bytes) text += HexText(b, 2);
  return LowerCase(std::move(text));
}

}  // namespace tarnwick
