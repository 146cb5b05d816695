// The figures against their published test vectors and against the system's own tools.
#include "base/hashes.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(HashesTest, KnownVectors) {
  struct {
    std::string input;
    const char* crc32;
    const char* sha1;
    const char* sha256;
  } const cases[] = {
      // RFC 3174 / FIPS 180-2 and the CRC-32 check value of "123456789".
      {"", "00000000", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "352441c2", "a9993e364706816aba3e25717850c26c9cd0d89d",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"123456789", "cbf43926", "f7c3bc1d808e04732adf679965ccc34ca7ae3441",
       "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(CrcHex(Crc32(Bytes(c.input))), c.crc32);
    EXPECT_EQ(DigestHex(Sha1(Bytes(c.input))), c.sha1);
    EXPECT_EQ(DigestHex(Sha256(Bytes(c.input))), c.sha256);
  }
}

}  // namespace
}  // namespace tarnwick
