#include "formats/motorola_hex.h"

#include <gtest/gtest.h>

#include "formats/format_test_util.h"

namespace tarnwick {
namespace {

using testing_util::CrLfLines;
using testing_util::Filled;
using testing_util::Row;

// Checksums worked out by hand: FF minus the sum of count, address and data.
constexpr const char* kS1At0100 = "S1070100112233444D";  // 07+01+11+22+33+44 = B2
constexpr const char* kS2At0010 = "S2060000101234A3";    // the writer's own example
constexpr const char* kS2At123456 = "S206123456ABCDE5";  // sum 21A
constexpr const char* kS3At1000 = "S30700001000AA55E9";  // sum 116
constexpr const char* kS0Header = "S00600004844521B";    // "HDR"
constexpr const char* kS5Count = "S5030001FB";
constexpr const char* kS9 = "S9030000FC";

using MotorolaReadTest = testing_util::HexReadFixture<ReadMotorolaHex, 0xFFFF>;

TEST_F(MotorolaReadTest, WhereRecordsLandAndWhatIsSkippedOrEndsTheLoad) {
  const std::string s1 = std::string(kS1At0100) + "\n";
  const std::vector<uint8_t> s1_bytes = {0x11, 0x22, 0x33, 0x44};
  const std::vector<testing_util::PlacedRun> s123_bytes = {
      {0x100, s1_bytes}, {0x10, {0x12, 0x34}}, {0x1000, {0xAA, 0x55}}};
  const testing_util::LoadCase cases[] = {
      Row("S1, S2 and S3 records in a CR LF file",
          std::string(kS1At0100) + "\r\n" + kS2At0010 + "\r\n" + kS3At1000 + "\r\n" + kS9 + "\r\n",
          0xFFFF, 0, s123_bytes, {0x100, 0x10, 0x1000}, 8, 0),
      Row("S1, S2 and S3 records in an LF file",
          std::string(kS1At0100) + "\n" + kS2At0010 + "\n" + kS3At1000 + "\n" + kS9 + "\n", 0xFFFF,
          0, s123_bytes, {0x100, 0x10, 0x1000}, 8, 0),
      Row("24-bit addresses keep twenty bits", std::string(kS2At123456) + "\n", 0xFFFFF, 0, {},
          {0x23456}, 0, 2),
      Row("24-bit addresses keep twenty bits before the offset", std::string(kS2At123456) + "\n",
          0x3FFF, 0x100, {{0x3556, {0xAB, 0xCD}}}, {0x3556}, 2, 0),
      Row("header and count records are skipped and S9 ends the load",
          std::string(kS0Header) + "\n" + kS5Count + "\n" + kS9 + "\n" + s1, 0xFFFF, 0, {}, {}, 0,
          0),
      Row("S7 ends the load", "S70500000000FA\n" + s1, 0xFFFF, 0, {}, {}, 0, 0),
      Row("S8 ends the load", "S804000000FB\n" + s1, 0xFFFF, 0, {}, {}, 0, 0),
      // 07+01+AA+BB+CC+DD = 0x316, checksum E9.
      Row("only the upper-case mark is a record but digits may be lower case",
          "s1070100112233444D\n:02100000AA55EF\nS1070100aabbccdde9\n", 0xFFFF, 0,
          {{0x100, {0xAA, 0xBB, 0xCC, 0xDD}}}, {0x100}, 4, 0),
      Row("1100 folded by a 4 KiB chip", s1, 0x0FFF, 0x1000, {{0x100, s1_bytes}}, {0x100}, 4, 0),
      Row("hex offset with a 16 KiB chip", s1, 0x3FFF, 0x1000, {{0x1100, s1_bytes}}, {0x1100}, 4,
          0),
      // 7FFFFFFF + 0100 wraps to 800000FF, a negative address: the record is skipped.
      Row("an offset wrapping past 31 bits falls below the low limit", s1, 0xFFFF, 0x7FFFFFFF, {},
          {}, 0, 0),
      Row("an offset of -1 (FFFFFFFF) wraps 0100 to 00FF", s1, 0xFFFF, -1, {{0xFF, s1_bytes}},
          {0xFF}, 4, 0),
  };
  for (const auto& c : cases) ExpectLoads(c);
}

TEST_F(MotorolaReadTest, AWrongChecksumLoadsAndIsListed) {
  const LoadResult r = Load(std::string(kS0Header) + "\r\nS1070100112233444E\r\n");
  EXPECT_EQ(buffer[0x100], 0x11);
  EXPECT_EQ(r.badChecksums, (std::vector<BadChecksum>{{2, 0x4E, 0x4D}}));
}

TEST_F(MotorolaReadTest, ABadFieldStopsTheLoad) {
  try {
    Load(std::string(kS2At0010) + "\nS10701001122X3444D\n" + kS3At1000 + "\n");
    FAIL();
  } catch (const HexLoadError& e) {
    EXPECT_STREQ(e.what(), "'$X3' is not a valid integer value\r\nline 2");
  }
  EXPECT_EQ(buffer[0x10], 0x12);
  EXPECT_EQ(buffer[0x101], 0x22);
  EXPECT_EQ(buffer[0x102], 0xEE);
  EXPECT_EQ(buffer[0x1000], 0xEE);
}

// ---- writer ----

TEST(MotorolaWriteTest, TheRecordOfTheExample) {
  BufferBytes b = Filled(0x00);
  b[0x10] = 0x12;
  b[0x11] = 0x34;
  const auto lines = CrLfLines(WriteMotorolaHex(b, 0x11));
  ASSERT_EQ(lines.size(), 3u);
  // 14+00+00+00 = 14, FF-14 = EB.
  EXPECT_EQ(lines[0], "S214000000" + std::string(32, '0') + "EB");
  EXPECT_EQ(lines[1], "S2060000101234A3");
  EXPECT_EQ(lines[2], "S804000000FB");
}

TEST(MotorolaWriteTest, LineCounts) {
  const BufferBytes b = Filled(0x5A);
  EXPECT_EQ(CrLfLines(WriteMotorolaHex(b, 0x0FFF)).size(), 257u);
  const auto short_file = CrLfLines(WriteMotorolaHex(b, 0x0105));
  ASSERT_EQ(short_file.size(), 18u);
  EXPECT_EQ(short_file[16].substr(0, 10), "S20A000100");
  EXPECT_EQ(short_file[16].size(), 10u + 12u + 2u);
  EXPECT_EQ(CrLfLines(WriteMotorolaHex(b, WriteLimit(0x0FFF, 1))).size(), 513u);
  EXPECT_EQ(CrLfLines(WriteMotorolaHex(b, 0xFFFFF)).size(), 4097u) << "stops at the buffer's end";
}

TEST(MotorolaWriteTest, WrittenFileReadsBack) {
  const BufferBytes original = testing_util::RandomBuffer(12);
  BufferBytes back = Filled(0);
  HexLoadParams p;
  p.mask = 0xFFFF;
  const LoadResult r = ReadMotorolaHex(WriteMotorolaHex(original, 0xFFFF), p, back);
  EXPECT_EQ(back, original);
  EXPECT_TRUE(r.badChecksums.empty());
}

}  // namespace
}  // namespace tarnwick
