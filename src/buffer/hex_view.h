// Geometry and text of the buffer editor's hex view, without the window: how a row of
// 16 bytes reads, where the caret sits for a cursor, which byte a mouse click picks and
// how far the view may page for the chip in the socket.
//
// A row is 74 characters: the address (6 hex digits), two blanks, 16 "HH " groups, two
// more blanks and the 16 bytes as characters.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

inline constexpr int kViewRows = 16;
inline constexpr int kViewColumns = 16;
inline constexpr int32_t kViewPage = kViewRows * kViewColumns;
inline constexpr int kRowTextLength = 74;
inline constexpr int kHexColumn = 8;    // first hex digit of byte 0
inline constexpr int kCharColumn = 58;  // character of byte 0
inline constexpr int kLastHexSideColumn = 54;

class HexView {
 public:
  // The character a byte shows as: printable ASCII 20..7F as itself (7F included, the
  // way the view always drew it), everything else as a dot.
  static char ByteChar(uint8_t byte);

  // The 74-character row for the 16 bytes starting at row_address.
  static std::string RowText(int32_t row_address, const uint8_t* bytes);

  // "Address=" + 6 hex digits, 13 blanks, "Hex Data=" + 2 hex digits, 15 blanks,
  // "Ascii Data=" + the character. A cursor that points outside the buffer has no byte
  // to show; its data fields are left blank.
  static std::string InfoLine(int32_t address, std::optional<uint8_t> byte);

  // Caret column within a row for the cursor's byte column.
  static int CaretColumn(int cursor_col, int cursor_nibble, int ascii_side);
  // Text columns holding the byte's two hex digits and its character.
  static int HexDigitColumn(int cursor_col) { return kHexColumn + 3 * cursor_col; }
  static int CharColumn(int cursor_col) { return kCharColumn + cursor_col; }

  // The text cell under a point of the view, the point given in pixels from the
  // top-left corner of the first row's first character. A point beside or below the
  // text is taken to the nearest cell, so a click under the last row lands on that
  // row, in the column above the pointer; no click reaches past the 16 rows shown.
  struct Cell {
    int line;
    int column;
    friend bool operator==(const Cell&, const Cell&) = default;
  };
  static Cell CellAt(double x, double y, double char_width, double line_height);

  // Which byte a mouse click at caret column k picks, and on which side.
  struct Pick {
    int col;
    int nibble;
    int asciiSide;
    friend bool operator==(const Pick&, const Pick&) = default;
  };
  static Pick PickColumn(int k);

  // The highest buffer address the view may show: the chip's last address, doubled for
  // word files (their range covers two bytes per chip address), and never beyond the
  // end of the 64 KiB buffer.
  static int32_t LastViewAddress(int32_t chip_end, int32_t word_mode);

  // The first row of the view pulled back to the page that ends at the last address
  // when it would run past it. The result is negative when not even one page fits (no
  // chip chosen yet) or when the view was paged back before address 0.
  static int32_t LimitViewTop(int32_t view_top, int32_t chip_end, int32_t word_mode);
};

}  // namespace tarnwick
