// Motorola S-records: "S", a type digit, count, address, data and checksum. The
// reader takes S1, S2 and S3 data records and ends at S7, S8 or S9; the writer emits
// S2 records with 24-bit addresses and an S8 end record.
#pragma once

#include <string>
#include <string_view>

#include "formats/hex_lines.h"

namespace tarnwick {

// Loads the data records of `text` into the buffer; the record address (20 bits)
// plus the offset, limited and masked, is where a record's first byte goes. Throws
// HexLoadError on a malformed field; bytes stored before stay.
LoadResult ReadMotorolaHex(std::string_view text, const HexLoadParams& params, BufferBytes& buffer);

// The checksum test of one "S" line (mark and type included); nullopt when it holds.
std::optional<BadChecksum> CheckMotorolaRecord(std::string_view line, int number);

// The file text for buffer 0000 up to `limit` (at most FFFF), ending exactly there.
std::string WriteMotorolaHex(const BufferBytes& buffer, int64_t limit);

}  // namespace tarnwick
