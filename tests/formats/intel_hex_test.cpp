#include "formats/intel_hex.h"

#include <gtest/gtest.h>

#include "formats/format_test_util.h"

namespace tarnwick {
namespace {

using testing_util::CrLfLines;
using testing_util::Filled;
using testing_util::Row;

// Sixteen bytes 00..0F at 0100; checksum worked out by hand: 10+01+78 = 89, 100-89 = 77.
constexpr const char* kRecord0100 = ":10010000000102030405060708090A0B0C0D0E0F77";
constexpr const char* kLinear0001 = ":020000040001F9";
constexpr const char* kSegment0F00 = ":020000020F00ED";
constexpr const char* kAA55At1000 = ":02100000AA55EF";
constexpr const char* kEnd = ":00000001FF";

using IntelReadTest = testing_util::HexReadFixture<ReadIntelHex, 0x0FFF>;

TEST_F(IntelReadTest, AWrongChecksumLoadsAndIsListed) {
  std::string bad = kRecord0100;
  bad.back() = '8';
  const LoadResult r = Load(":020000040000FA\r\n" + bad + "\r\n" + kEnd + "\r\n");
  BufferBytes want = Filled(0xEE);
  for (int i = 0; i < 16; ++i) want[0x100 + i] = static_cast<uint8_t>(i);
  EXPECT_EQ(buffer, want);
  ASSERT_EQ(r.badChecksums.size(), 1u);
  EXPECT_EQ(r.badChecksums[0], (BadChecksum{2, 0x78, 0x77}));
}

TEST_F(IntelReadTest, WhereRecordsLandAndWhatIsSkippedOrEndsTheLoad) {
  const std::string linear = std::string(kLinear0001) + "\n" + kRecord0100 + "\n";
  const std::string segment = std::string(kSegment0F00) + "\n" + kAA55At1000 + "\n";
  // 01..10 at 0000: 10 + 88 = 98, checksum 68.
  const std::string at0 = ":100000000102030405060708090A0B0C0D0E0F1068\n";
  const std::vector<uint8_t> counting = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  const std::vector<uint8_t> one_to_16 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const testing_util::LoadCase cases[] = {
      Row("CR LF line ends", std::string(kRecord0100) + "\r\n" + kEnd + "\r\n", 0x0FFF, 0,
          {{0x100, counting}}, {0x100}, 16, 0),
      Row("LF line ends", std::string(kRecord0100) + "\n" + kEnd + "\n", 0x0FFF, 0,
          {{0x100, counting}}, {0x100}, 16, 0),
      Row("CR line ends", std::string(kRecord0100) + "\r" + kEnd + "\r", 0x0FFF, 0,
          {{0x100, counting}}, {0x100}, 16, 0),
      Row("linear base folded by a 4 KiB chip", linear, 0x0FFF, 0, {{0x100, counting}}, {0x100}, 16,
          0),
      Row("without a device the linear base lies beyond the buffer", linear, 0xFFFFF, 0, {},
          {0x10100}, 0, 16),
      Row("segment base times sixteen", segment, 0xFFFFF, 0, {}, {0x10000}, 0, 2),
      Row("segment base folded by a 4 KiB chip", segment, 0x0FFF, 0, {{0, {0xAA, 0x55}}}, {0}, 2,
          0),
      Row("segment and linear bases are added",
          std::string(kSegment0F00) + "\n" + kLinear0001 + "\n" + kAA55At1000 + "\n", 0xFFFFF, 0,
          {}, {0x20000}, 0, 2),
      Row("records above the high limit are skipped without a word",
          ":020000040010EA\n" + std::string(kRecord0100) + "\n", 0xFFFFF, 0, {}, {}, 0, 0),
      Row("hex offset with a 16 KiB chip", at0, 0x3FFF, 0x1000, {{0x1000, one_to_16}}, {0x1000}, 16,
          0),
      Row("hex offset folded by a 4 KiB chip", at0, 0x0FFF, 0x1000, {{0, one_to_16}}, {0}, 16, 0),
      // 02+40+00+00+AA+55 = 0x141, checksum BF.
      Row("the 89C55 keeps its upper addresses in place", ":02400000AA55BF\n", LoadMask(0x4FFF, 0),
          0, {{0x4000, {0xAA, 0x55}}}, {0x4000}, 2, 0),
      Row("the end record ends the load", std::string(kEnd) + "\n" + kRecord0100 + "\n", 0x0FFF, 0,
          {}, {}, 0, 0),
      Row("Ctrl-Z ends the load", std::string(kAA55At1000) + "\r\n\x1A" + kRecord0100 + "\r\n",
          0xFFFF, 0, {{0x1000, {0xAA, 0x55}}}, {0x1000}, 2, 0),
      Row("other lines and record types are skipped",
          "S1070100112233444D\n; comment\n\n:0400000300001000E9\n", 0xFFFF, 0, {}, {}, 0, 0),
      // 04+AA+BB+CC+DD = 0x312, checksum EE.
      Row("lower-case digits", ":04000000aabbccddee\n", 0x0FFF, 0, {{0, {0xAA, 0xBB, 0xCC, 0xDD}}},
          {0}, 4, 0),
      // 4 bytes at FFFE: 04+FF+FE+11+22+33+44 = 0x2AB -> AB, checksum 55.
      Row("a record running past the buffer keeps its first part", ":04FFFE001122334455\n", 0xFFFFF,
          0, {{0xFFFE, {0x11, 0x22}}}, {0xFFFE}, 2, 2),
  };
  for (const auto& c : cases) ExpectLoads(c);
}

TEST_F(IntelReadTest, RecordsGivingOtherDataForAnAddressAreListedAndTheLaterWins) {
  // Checksums by hand, e.g. 04+01+00+00+11+22+33+44 = AF, 100-AF = 51.
  const std::string r11223344 = ":040100001122334451\n";
  const std::string r11aabb44 = ":0401000011AABB4441\n";
  const std::string r3344At0102 = ":02010200334484\n";
  const std::string r55667788At1100 = ":041100005566778831\n";
  const std::string r55667788At0104 = ":04010400556677883D\n";
  const std::string zeros8 = ":080100000000000000000000F7\n";
  struct Case {
    const char* what;
    std::string text;
    int32_t mask;
    std::vector<Overlap> overlaps;
    std::vector<uint8_t> at0100;
  } cases[] = {
      {"only the differing bytes are named",
       r11223344 + r11aabb44,
       0xFFFF,
       {{1, 2, 0x101, 0x102}},
       {0x11, 0xAA, 0xBB, 0x44}},
      {"the same data again is no overlap",
       r11223344 + r3344At0102 + r11223344,
       0xFFFF,
       {},
       {0x11, 0x22, 0x33, 0x44}},
      {"records folded onto the chip meet",
       r11223344 + r55667788At1100,
       0x0FFF,
       {{1, 2, 0x100, 0x103}},
       {0x55, 0x66, 0x77, 0x88}},
      {"without folding they do not",
       r11223344 + r55667788At1100,
       0xFFFF,
       {},
       {0x11, 0x22, 0x33, 0x44}},
      {"one record over two earlier ones",
       r11223344 + r55667788At0104 + zeros8,
       0xFFFF,
       {{1, 3, 0x100, 0x103}, {2, 3, 0x104, 0x107}},
       {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    const LoadResult r = Load(c.text, c.mask);
    EXPECT_EQ(r.overlaps, c.overlaps);
    EXPECT_EQ(r.overlapCount, static_cast<int64_t>(c.overlaps.size()));
    EXPECT_TRUE(std::equal(c.at0100.begin(), c.at0100.end(), &buffer[0x100]));
  }
}

TEST_F(IntelReadTest, ABadFieldStopsTheLoadAndKeepsWhatWasStored) {
  try {
    Load(std::string(kRecord0100) + "\r\n:0400000011G2334452\r\n" + kAA55At1000 + "\r\n", 0xFFFF);
    FAIL();
  } catch (const HexLoadError& e) {
    EXPECT_STREQ(e.what(), "'$G2' is not a valid integer value\r\nline 2");
  }
  EXPECT_EQ(buffer[0x100], 0x00);
  EXPECT_EQ(buffer[0x0000], 0x11) << "the byte before the bad field";
  EXPECT_EQ(buffer[0x0001], 0xEE);
  EXPECT_EQ(buffer[0x1000], 0xEE) << "nothing after the failure";
}

TEST_F(IntelReadTest, TheCountIsTrusted) {
  // One more byte than the data: the checksum becomes data and no checksum is left.
  LoadResult r = Load(":050000001122334452\r\n");
  EXPECT_EQ(buffer[4], 0x52);
  EXPECT_EQ(r.badChecksums, (std::vector<BadChecksum>{BadChecksum{1, -1, 0xFF}}))
      << "05+11+22+33+44+52 = 101, so FF was due";
  // Two more: the line end is not a hex pair.
  EXPECT_THROW(Load(":060000001122334452\r\n"), HexLoadError);
  EXPECT_THROW(Load(":060000001122334452"), HexLoadError);
}

TEST_F(IntelReadTest, RecordsLongerThanTheOldLineLimitLoadWhole) {
  // 128 bytes 00..7F at 0000: 80 + 1FC0 = 2040 -> 40, checksum C0.
  std::string line = ":80000000";
  for (int i = 0; i < 128; ++i) line += HexText(i, 2);
  line += "C0\r\n";
  const LoadResult r = Load(line, 0xFFFF);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(buffer[i], i);
  EXPECT_TRUE(r.badChecksums.empty());
}

// ---- writer ----

TEST(IntelWriteTest, TheRecordsOfTheExamples) {
  BufferBytes b = Filled(0x00);
  std::fill(b.begin(), b.begin() + 16, 0xFF);
  const auto lines = CrLfLines(WriteIntelHex(b, 0x1F));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], ":020000020000FC");
  EXPECT_EQ(lines[1], ":10000000" + std::string(32, 'F') + "00");
  EXPECT_EQ(lines[2], ":10001000" + std::string(32, '0') + "E0");
  EXPECT_EQ(lines[3], ":00000001FF");
}

TEST(IntelWriteTest, LineCounts) {
  const BufferBytes b = Filled(0x5A);
  EXPECT_EQ(CrLfLines(WriteIntelHex(b, 0x0FFF)).size(), 258u);
  const auto short_file = CrLfLines(WriteIntelHex(b, 0x0105));
  ASSERT_EQ(short_file.size(), 1u + 17u + 1u);
  EXPECT_EQ(short_file[17].substr(0, 9), ":10010000");
  EXPECT_EQ(CrLfLines(WriteIntelHex(b, WriteLimit(0x0FFF, 1))).size(), 1u + 512u + 1u);
}

TEST(IntelWriteTest, AFullBufferEndsWithTheNextSegmentRecord) {
  const BufferBytes b = Filled(0x00);
  for (int64_t limit : {0xFFF0, 0xFFFF, 0xFFFFF}) {
    const auto lines = CrLfLines(WriteIntelHex(b, limit));
    ASSERT_EQ(lines.size(), 1u + 4096u + 2u) << limit;
    EXPECT_EQ(lines[4096], ":10FFF000" + std::string(32, '0') + "01");
    EXPECT_EQ(lines[4097], ":020000021000EC");
    EXPECT_EQ(lines[4098], ":00000001FF");
  }
}

TEST(IntelWriteTest, WrittenFileReadsBack) {
  const BufferBytes original = testing_util::RandomBuffer(11);
  const std::string text = WriteIntelHex(original, 0xFFFF);
  BufferBytes back = Filled(0);
  HexLoadParams p;
  p.mask = 0xFFFF;
  const LoadResult r = ReadIntelHex(text, p, back);
  EXPECT_EQ(back, original);
  EXPECT_EQ(r.stored, kBufferSize);
  EXPECT_TRUE(r.badChecksums.empty()) << "the writer's checksums pass the reader's test";
}

}  // namespace
}  // namespace tarnwick
