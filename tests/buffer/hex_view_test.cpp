#include "buffer/hex_view.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(HexViewText, RowShowsAddressBytesAndCharacters) {
  const uint8_t bytes[16] = {0x00, 0x01, 0x41, 0x42, 0x7F, 0x80, 0xFF, 0x20,
                             0x7E, 0x0D, 0x08, 0x61, 0x39, 0x2E, 0x5A, 0x10};
  const std::string expected =
      "000120  00 01 41 42 7F 80 FF 20 7E 0D 08 61 39 2E 5A 10   "
      "..AB\x7F.. ~..a9.Z.";
  const std::string row = HexView::RowText(0x120, bytes);
  EXPECT_EQ(row, expected);
  EXPECT_EQ(row.size(), 74u);
  // Three blanks between the last hex pair and the character column.
  EXPECT_EQ(row.substr(55, 3), "   ");
}

TEST(HexViewText, HighAddressesUseSixDigits) {
  const uint8_t bytes[16] = {};
  EXPECT_EQ(HexView::RowText(0xFFF0, bytes).substr(0, 8), "00FFF0  ");
}

TEST(HexViewText, CharactersOfEveryBoundaryCode) {
  EXPECT_EQ(HexView::ByteChar(0x1F), '.');
  EXPECT_EQ(HexView::ByteChar(0x20), ' ');
  EXPECT_EQ(HexView::ByteChar(0x7E), '~');
  EXPECT_EQ(HexView::ByteChar(0x7F), '\x7F');
  EXPECT_EQ(HexView::ByteChar(0x80), '.');
  EXPECT_EQ(HexView::ByteChar(0x2E), '.');
}

TEST(HexViewText, InformationLine) {
  EXPECT_EQ(HexView::InfoLine(0x123, uint8_t{0x42}),
            "Address=000123             Hex Data=42               Ascii Data=B");
  EXPECT_EQ(HexView::InfoLine(0, uint8_t{0x0D}),
            "Address=000000             Hex Data=0D               Ascii Data=.");
}

TEST(HexViewGeometry, CaretColumns) {
  EXPECT_EQ(HexView::CaretColumn(0, 0, 0), 8);
  EXPECT_EQ(HexView::CaretColumn(0, 1, 0), 9);
  EXPECT_EQ(HexView::CaretColumn(15, 1, 0), 54);
  EXPECT_EQ(HexView::CaretColumn(0, 1, 1), 58);
  EXPECT_EQ(HexView::CaretColumn(15, 0, 1), 73);
}

struct PickCase {
  int k;
  HexView::Pick expected;
};

class HexViewPick : public ::testing::TestWithParam<PickCase> {};

TEST_P(HexViewPick, ClickColumnSelectsByte) {
  EXPECT_EQ(HexView::PickColumn(GetParam().k), GetParam().expected) << "k=" << GetParam().k;
}

INSTANTIATE_TEST_SUITE_P(
    Columns, HexViewPick,
    ::testing::Values(PickCase{0, {0, 0, 0}},      // address column: byte 0
                      PickCase{7, {0, 0, 0}},      // blank before byte 0
                      PickCase{8, {0, 0, 0}},      // byte 0, high digit
                      PickCase{9, {0, 1, 0}},      // byte 0, low digit
                      PickCase{10, {1, 0, 0}},     // blank after byte 0: next byte
                      PickCase{17, {3, 0, 0}},     // byte 3, high digit
                      PickCase{18, {3, 1, 0}},     // byte 3, low digit
                      PickCase{52, {15, 0, 0}},    // blank before byte 15
                      PickCase{54, {15, 1, 0}},    // byte 15, low digit
                      PickCase{55, {0, 0, 1}},     // first blank of the gap: character side
                      PickCase{58, {0, 0, 1}},     // character of byte 0
                      PickCase{66, {8, 0, 1}},     // character of byte 8
                      PickCase{73, {15, 0, 1}},    // character of byte 15
                      PickCase{75, {15, 0, 1}}));  // past the end of the row

struct CellCase {
  double x, y;
  HexView::Cell expected;
};

class HexViewCell : public ::testing::TestWithParam<CellCase> {};

// A 7-pixel pitch and 14-pixel rows, as the view lays them out.
TEST_P(HexViewCell, PointSelectsTheCellUnderIt) {
  const CellCase& c = GetParam();
  EXPECT_EQ(HexView::CellAt(c.x, c.y, 7.0, 14.0), c.expected) << c.x << ", " << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Points, HexViewCell,
    ::testing::Values(CellCase{0, 0, {0, 0}}, CellCase{6.9, 13.9, {0, 0}},
                      CellCase{7, 14, {1, 1}},         // the next cell starts on its edge
                      CellCase{59.5, 30, {2, 8}},      // byte 0's high digit, row 2
                      CellCase{66.5, 30, {2, 9}},      // its low digit
                      CellCase{384, 211, {15, 54}},    // byte 15's low digit, last row
                      CellCase{410, 220, {15, 58}},    // last row's character of byte 0
                      CellCase{59.5, 226, {15, 8}},    // under the last row: that row
                      CellCase{380, 250, {15, 54}},    // far under the last row
                      CellCase{600, 5, {0, 73}},       // right of the row's end
                      CellCase{-3, -3, {0, 0}},        // above and left of the text
                      CellCase{-1e9, 1e9, {15, 0}}));  // the view's far corner

struct LimitCase {
  int32_t chipEnd;
  int32_t wordMode;
  int32_t viewTop;
  int32_t expected;
};

class HexViewLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(HexViewLimit, ViewTopWithinChipAndBuffer) {
  const LimitCase& c = GetParam();
  EXPECT_EQ(HexView::LimitViewTop(c.viewTop, c.chipEnd, c.wordMode), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HexViewLimit,
    ::testing::Values(LimitCase{0x3FF, 0, 0x200, 0x200}, LimitCase{0x3FF, 0, 0x300, 0x300},
                      LimitCase{0x3FF, 0, 0x400, 0x300}, LimitCase{0x3FF, 1, 0x400, 0x400},
                      LimitCase{0x3FF, 2, 0x800, 0x700}, LimitCase{0x3FF, 0, 0x2F0, 0x2F0},
                      LimitCase{0xFFF, 0, 0x1230, 0xF00},
                      // No chip: not one page fits; the caller puts the view at 0.
                      LimitCase{0, 0, 0x100, -255},
                      // Past the end of the buffer: the page that ends at FFFF.
                      LimitCase{0xFFFFF, 0, 0x1230, 0x1230},
                      LimitCase{0xFFFFF, 0, 0x1FFFF0, 0xFF00},
                      LimitCase{0x7FFF, 1, 0x10000, 0xFF00}, LimitCase{0x3FF, 7, 0x20000, 0xFF00}));

}  // namespace
}  // namespace tarnwick
