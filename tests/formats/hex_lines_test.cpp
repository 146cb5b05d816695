#include "formats/hex_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

struct Line {
  std::string text;
  int number;
  friend bool operator==(const Line&, const Line&) = default;
};

std::vector<Line> Split(std::string_view text) {
  std::vector<Line> out;
  HexLines lines(text);
  while (auto l = lines.Next()) out.push_back({std::string(*l), lines.LineNumber()});
  return out;
}

TEST(HexLinesTest, CrLfGivesALineEndingInCrAndALineHoldingOnlyTheLf) {
  EXPECT_EQ(Split(":00\r\nS1\r\n"),
            (std::vector<Line>{{":00\r", 1}, {"\n", 1}, {"S1\r", 2}, {"\n", 2}}));
}

TEST(HexLinesTest, LfOnlyCrOnlyAndAnUnterminatedLastLine) {
  EXPECT_EQ(Split("ab\ncd\n"), (std::vector<Line>{{"ab\n", 1}, {"cd\n", 2}}));
  EXPECT_EQ(Split("ab\rcd"), (std::vector<Line>{{"ab\r", 1}, {"cd", 2}}));
  EXPECT_EQ(Split("\n\n"), (std::vector<Line>{{"\n", 1}, {"\n", 2}}));
}

TEST(HexLinesTest, CtrlZEndsTheText) {
  EXPECT_EQ(Split("ab\r\n\x1A"
                  "cd\r\n"),
            (std::vector<Line>{{"ab\r", 1}, {"\n", 1}}));
  EXPECT_EQ(Split("ab\x1A\n"), (std::vector<Line>{{"ab", 1}}));
}

TEST(HexLinesTest, AnEmptyFileIsOneEmptyLine) {
  EXPECT_EQ(Split(""), (std::vector<Line>{{"", 1}}));
  EXPECT_EQ(Split("\x1A:00"), (std::vector<Line>{{"", 1}}));
}

TEST(HexLinesTest, LongLinesAreNotCut) {
  const std::string long_line(1000, '7');
  const auto lines = Split(long_line + "\n");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text.size(), 1001u);
}

TEST(FieldCursorTest, CutsFieldsInOrderAndAcceptsBothCases) {
  FieldCursor c(":1A2b3C\r");
  EXPECT_EQ(c.TakeChar(), ":");
  EXPECT_EQ(c.TakeHex(2), 0x1A);
  EXPECT_EQ(c.TakeHex(4), 0x2B3C);
  EXPECT_EQ(c.rest(), "\r");
}

TEST(FieldCursorTest, AShortLineGivesAShortField) {
  FieldCursor c("A");
  EXPECT_EQ(c.TakeHex(4), 0xA);
  EXPECT_EQ(c.TakeChar(), "");
}

TEST(HexLoadErrorTest, NamesFileAndLineAfterTheStandardMessage) {
  HexLoadError e("$G2", 7);
  EXPECT_STREQ(e.what(), "'$G2' is not a valid integer value\r\nline 7");
  e.SetFileName("/tmp/x.hex");
  EXPECT_STREQ(e.what(), "'$G2' is not a valid integer value\r\n/tmp/x.hex, line 7");
  const ConversionError& base = e;
  EXPECT_STREQ(base.what(), e.what()) << "the form's handler boundary sees the full text";
}

TEST(ForEachLineTest, ReportsTheEditorLineOfAFailure) {
  try {
    ForEachLine("a\r\nb\r\nc\r\n", [](std::string_view line, int) {
      if (line[0] == 'c') FieldCursor(line).TakeHex(2);
      return true;
    });
    FAIL();
  } catch (const HexLoadError& e) {
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(e.text(), "$c\r");
  }
}

TEST(LoadMaskTest, FoldsOntoTheChip) {
  struct Case {
    int32_t chipEnd, wordMode, mask;
  };
  const Case cases[] = {
      {0x0FFF, 0, 0x0FFF},  // 4 KiB chip
      {0x3FFF, 0, 0x3FFF},  // 16 KiB chip and the family-6 chips
      {0x4FFF, 0, 0x7FFF},  // 89C55: 20 KiB
      {0x0FFF, 1, 0x1FFF},  // word files double the range
      {0x0FFF, 2, 0x1FFF}, {0x7FFF, 1, 0xFFFF},
      {0x4FFF, 1, 0xFFFF}, {0xFFFFF, 0, 0xFFFFF},  // no device
  };
  for (const Case& c : cases)
    EXPECT_EQ(LoadMask(c.chipEnd, c.wordMode), c.mask)
        << std::hex << c.chipEnd << " " << c.wordMode;
}

TEST(WriteLimitTest, WordFilesRunToTwiceTheEndPlusOne) {
  EXPECT_EQ(WriteLimit(0x0FFF, 0), 0x0FFF);
  EXPECT_EQ(WriteLimit(0x0FFF, 1), 0x1FFF);
  EXPECT_EQ(WriteLimit(0x0105, 2), 0x020B);
  EXPECT_EQ(WriteLimit(0xFFFFF, 1), 0x1FFFFF);
}

}  // namespace
}  // namespace tarnwick
