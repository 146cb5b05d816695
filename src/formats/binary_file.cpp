#include "formats/binary_file.h"

#include <algorithm>
#include <cstring>

namespace tarnwick {

void PlaceBinary(std::span<const uint8_t> block, int64_t at, BufferBytes& buffer,
                 LoadResult& result) {
  const auto size = static_cast<int64_t>(block.size());
  // The part of [at, at + size) that lies inside the buffer.
  const int64_t first = std::clamp<int64_t>(at, 0, kBufferSize);
  const int64_t last = std::clamp<int64_t>(at + size, 0, kBufferSize);
  if (last > first) {
    std::memcpy(buffer.data() + first, block.data() + (first - at),
                static_cast<size_t>(last - first));
  }
  const int64_t inside = std::max<int64_t>(last - first, 0);
  if (inside > 0) result.NoteStored(first - at, static_cast<int32_t>(first), inside);
  result.leftOut += size - inside;
}

std::span<const uint8_t> BinarySaveImage(const BufferBytes& buffer, int32_t deviceEnd,
                                         int32_t wordMode) {
  int64_t n = int64_t{deviceEnd} + 1;
  if (wordMode > 0) n *= 2;
  n = std::clamp<int64_t>(n, 0, kBufferSize);
  return std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n));
}

}  // namespace tarnwick
