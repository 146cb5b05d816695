#include "buffer/hex_view.h"

#include <algorithm>
#include <cmath>

#include "base/hex_text.h"
#include "base/program_state.h"

namespace tarnwick {

char HexView::ByteChar(uint8_t byte) {
  return byte >= 0x20 && byte <= 0x7F ? static_cast<char>(byte) : '.';
}

std::string HexView::RowText(int32_t row_address, const uint8_t* bytes) {
  std::string row = HexText(row_address, 6);
  row += "  ";
  for (int c = 0; c < kViewColumns; ++c) {
    row += HexText(bytes[c], 2);
    row += ' ';
  }
  row += "  ";
  for (int c = 0; c < kViewColumns; ++c) row += ByteChar(bytes[c]);
  return row;
}

std::string HexView::InfoLine(int32_t address, std::optional<uint8_t> byte) {
  std::string line = "Address=" + HexText(address, 6) + "             Hex Data=";
  line += byte ? HexText(*byte, 2) : "  ";
  line += "               Ascii Data=";
  line += byte ? ByteChar(*byte) : ' ';
  return line;
}

int HexView::CaretColumn(int cursor_col, int cursor_nibble, int ascii_side) {
  return ascii_side == 1 ? CharColumn(cursor_col) : HexDigitColumn(cursor_col) + cursor_nibble;
}

HexView::Cell HexView::CellAt(double x, double y, double char_width, double line_height) {
  auto index = [](double at, double pitch, int count) {
    if (!(pitch > 0) || !(at > 0)) return 0;
    return static_cast<int>(std::min<double>(std::floor(at / pitch), count - 1));
  };
  return Cell{index(y, line_height, kViewRows), index(x, char_width, kRowTextLength)};
}

HexView::Pick HexView::PickColumn(int k) {
  if (k <= kLastHexSideColumn) {
    // Seven columns of address and blank come first; then every byte takes three
    // (two digits and a blank), and the blank belongs to the next byte's high digit.
    const int x = std::max(k - 7, 0);
    return Pick{std::min(x / 3, kViewColumns - 1), x % 3 == 2 ? 1 : 0, 0};
  }
  return Pick{std::clamp(k - kCharColumn, 0, kViewColumns - 1), 0, 1};
}

int32_t HexView::LastViewAddress(int32_t chip_end, int32_t word_mode) {
  int64_t last = kLastBufferAddress;
  if (word_mode == 0) last = chip_end;
  if (word_mode == 1 || word_mode == 2) last = 2 * int64_t{chip_end} + 1;
  return static_cast<int32_t>(std::min<int64_t>(last, kLastBufferAddress));
}

int32_t HexView::LimitViewTop(int32_t view_top, int32_t chip_end, int32_t word_mode) {
  const int32_t last = LastViewAddress(chip_end, word_mode);
  if (view_top >= last - kViewPage) view_top = last - (kViewPage - 1);
  return view_top;
}

}  // namespace tarnwick
