#include "formats/ascii_hex.h"

#include <gtest/gtest.h>

#include "formats/format_test_util.h"

namespace tarnwick {
namespace {

using testing_util::CrLfLines;
using testing_util::Filled;

class AsciiReadTest : public testing_util::HexReadFixture<ReadAsciiHex, 0x00FF> {
 protected:
  // Ascii Hex ignores offset, mask and limits: read with ones that would move or drop data.
  LoadResult Load(const std::string& text) {
    HexLoadParams p;
    p.hexOffset = 0x1000;
    p.mask = 0x00FF;
    p.highLimit = 0;
    return LoadWith(text, p);
  }
};

TEST_F(AsciiReadTest, PairsFollowOneAnotherFromZero) {
  for (const char* text : {"0123\r\n4567\r\n", "0123\n4567\n", "0123\r4567"}) {
    Reset();
    const LoadResult r = Load(text);
    EXPECT_EQ(buffer[0], 0x01);
    EXPECT_EQ(buffer[1], 0x23);
    EXPECT_EQ(buffer[2], 0x45);
    EXPECT_EQ(buffer[3], 0x67);
    EXPECT_EQ(buffer[4], 0xEE);
    EXPECT_EQ(r.stored, 4);
  }
}

TEST_F(AsciiReadTest, AnOddDigitFailsOnItsPairWithTheLineEnd) {
  try {
    Load("0123\r\n012\r\n");
    FAIL();
  } catch (const HexLoadError& e) {
    EXPECT_STREQ(e.what(), "'$2\r' is not a valid integer value\r\nline 2");
  }
  EXPECT_EQ(buffer[2], 0x01);
  EXPECT_EQ(buffer[3], 0xEE);
}

TEST_F(AsciiReadTest, LongLinesAreReadWhole) {
  std::string digits;
  for (int i = 0; i < 150; ++i) digits += HexText(i, 2);  // 300 digits
  Load(digits + "\r\nabcd\r\n");
  for (int i = 0; i < 150; ++i) ASSERT_EQ(buffer[i], i);
  EXPECT_EQ(buffer[150], 0xAB);
  EXPECT_EQ(buffer[151], 0xCD);
}

TEST_F(AsciiReadTest, CtrlZEndsTheFile) {
  Load(
      "0102\r\n\x1A"
      "0304\r\n");
  EXPECT_EQ(buffer[1], 0x02);
  EXPECT_EQ(buffer[2], 0xEE);
}

TEST_F(AsciiReadTest, ProgressAtLinesStartingOnA256ByteBoundary) {
  std::string text;
  for (int line = 0; line < 40; ++line) text += std::string(32, '0') + "\n";
  Load(text);
  EXPECT_EQ(shown, (std::vector<int32_t>{0x000, 0x100, 0x200}));
}

TEST_F(AsciiReadTest, BytesBeyondTheBufferAreCountedNotWritten) {
  std::string text;
  for (int line = 0; line < 4097; ++line) text += std::string(32, 'A') + "\n";
  const LoadResult r = Load(text);
  EXPECT_EQ(r.stored, kBufferSize);
  EXPECT_EQ(r.leftOut, 16);
  EXPECT_EQ(buffer, Filled(0xAA));
}

TEST(AsciiWriteTest, ThirtyTwoDigitLines) {
  BufferBytes b = Filled(0x00);
  b[0] = 0xAB;
  b[0x105] = 0x7F;
  auto lines = CrLfLines(WriteAsciiHex(b, 0x0FFF));
  ASSERT_EQ(lines.size(), 256u);
  for (const auto& l : lines) ASSERT_EQ(l.size(), 32u);
  EXPECT_EQ(lines[0], "AB" + std::string(30, '0'));
  lines = CrLfLines(WriteAsciiHex(b, 0x0105));
  ASSERT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[16], "00000000007F");
  EXPECT_EQ(CrLfLines(WriteAsciiHex(b, WriteLimit(0x0FFF, 1))).size(), 512u);
}

TEST(AsciiWriteTest, WrittenFileReadsBack) {
  const BufferBytes original = testing_util::RandomBuffer(13);
  BufferBytes back = Filled(0);
  const LoadResult r = ReadAsciiHex(WriteAsciiHex(original, 0xFFFFF), HexLoadParams{}, back);
  EXPECT_EQ(back, original);
  EXPECT_EQ(r.leftOut, 0);
}

}  // namespace
}  // namespace tarnwick
