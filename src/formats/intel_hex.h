// Intel Hex: ":" records of count, 16-bit address, type, data and checksum. The
// reader takes data (00), end (01), extended segment (02) and extended linear (04)
// records; the writer emits 16-byte data records under segment records.
#pragma once

#include <string>
#include <string_view>

#include "formats/hex_lines.h"

namespace tarnwick {

// Loads the records of `text` into the buffer. Bytes the file does not name keep
// their values. Throws HexLoadError on a malformed field; bytes stored before stay.
LoadResult ReadIntelHex(std::string_view text, const HexLoadParams& params, BufferBytes& buffer);

// The checksum test of one ":" line (the mark included); nullopt when it holds.
std::optional<BadChecksum> CheckIntelRecord(std::string_view line, int number);

// The file text for buffer 0000 up to `limit` (at most FFFF), in whole 16-byte records.
std::string WriteIntelHex(const BufferBytes& buffer, int64_t limit);

}  // namespace tarnwick
