// Reads of one window compared: the bitwise majority, and the lines that name each
// unstable byte and sum them up.
#include "buffer/repeated_reads.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(RepeatedReadsTest, MajorityTakesATieFromTheFirstRead) {
  struct {
    std::vector<uint8_t> reads;
    uint8_t kept;
  } const cases[] = {
      {{0x7E, 0x7E, 0x76, 0x7E}, 0x7E},
      {{0x76, 0x7E, 0x7E}, 0x7E},
      {{0x7E, 0x76}, 0x7E},
      {{0x76, 0x7E}, 0x76},
      {{0x00, 0xFF, 0x0F}, 0x0F},
      {{0xF0, 0x0F, 0xFF, 0x00}, 0xF0},
      {{0x5A}, 0x5A},
  };
  for (const auto& c : cases) EXPECT_EQ(MajorityOf(c.reads), c.kept) << int(c.reads[0]);
}

TEST(RepeatedReadsTest, EachUnstableByteAndTheSummary) {
  // Chip 0A3A-0A3D, held in the buffer from 8A3A.
  RepeatedReads reads(0x0A3A, 0x8A3A);
  const std::vector<std::vector<uint8_t>> images = {{0x11, 0x22, 0x7E, 0x80},
                                                    {0x11, 0x22, 0x7E, 0xC8},
                                                    {0x11, 0x22, 0x76, 0xC8},
                                                    {0x11, 0x22, 0x7E, 0x80}};
  for (const auto& image : images) reads.Add(image);
  const RepeatedReadsOutcome out = reads.Compare();
  ASSERT_EQ(out.unstable.size(), 2u);
  EXPECT_EQ(out.reads, 4);
  EXPECT_EQ(out.bytes, 4);
  EXPECT_EQ(out.unstable[0].bufferAddr, 0x8A3C);
  EXPECT_EQ(UnstableLine(out.unstable[0]), "0A3C  reads 7E 7E 76 7E  bit 3 unstable");
  EXPECT_EQ(UnstableLine(out.unstable[1]), "0A3D  reads 80 C8 C8 80  bits 3, 6 unstable");
  EXPECT_EQ(UnstableSummary(out), "2 bytes unstable in 4; bits: D3 x2, D6 x1");
  // 80 C8 C8 80: two against two, the first read's 80.
  EXPECT_EQ(reads.KeptImage(out), (std::vector<uint8_t>{0x11, 0x22, 0x7E, 0x80}));

  RepeatedReads one(0, 0);
  one.Add(std::vector<uint8_t>{0x01, 0x02});
  one.Add(std::vector<uint8_t>{0x01, 0x03});
  EXPECT_EQ(UnstableSummary(one.Compare()), "1 byte unstable in 2; bits: D0 x1");

  RepeatedReads agree(0, 0);
  agree.Add(std::vector<uint8_t>{0x01, 0x02});
  agree.Add(std::vector<uint8_t>{0x01, 0x02});
  EXPECT_TRUE(agree.Compare().Stable());
  EXPECT_THROW(agree.Add(std::vector<uint8_t>{0x01}), std::invalid_argument);
}

}  // namespace
}  // namespace tarnwick
