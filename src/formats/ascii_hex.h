// Ascii Hex: bare hex pairs, no addresses, counts or checksums. The bytes of all
// lines follow one another from buffer address 0000.
#pragma once

#include <string>
#include <string_view>

#include "formats/hex_lines.h"

namespace tarnwick {

// Loads every pair of every line, in order, from 0000 on; a character left over at
// the end of a line (normally its CR or LF) is ignored. Offset, limits and mask play
// no part; only `progress` of the parameters is used. Throws HexLoadError on a pair
// that is not hexadecimal; bytes stored before stay.
LoadResult ReadAsciiHex(std::string_view text, const HexLoadParams& params, BufferBytes& buffer);

// The file text for buffer 0000 up to `limit` (at most FFFF): 32 digits a line.
std::string WriteAsciiHex(const BufferBytes& buffer, int64_t limit);

}  // namespace tarnwick
