// Binary files: the raw bytes, no header. A load places the file at BufferStart; a
// save writes from buffer address 0000.
#pragma once

#include <cstdint>
#include <span>

#include "formats/hex_lines.h"

namespace tarnwick {

// Copies one block of a binary file to the buffer from address `at` on; bytes that
// would fall outside the buffer are counted as left out.
void PlaceBinary(std::span<const uint8_t> block, int64_t at, BufferBytes& buffer,
                 LoadResult& result);

// The bytes a binary save writes: DeviceEnd + 1 of them from 0000, twice as many for
// word files, cut at the buffer's end.
std::span<const uint8_t> BinarySaveImage(const BufferBytes& buffer, int32_t deviceEnd,
                                         int32_t wordMode);

}  // namespace tarnwick
