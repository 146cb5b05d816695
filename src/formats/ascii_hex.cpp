#include "formats/ascii_hex.h"

#include <algorithm>

namespace tarnwick {

namespace {
constexpr int kLineBytes = 16;
}

LoadResult ReadAsciiHex(std::string_view text, const HexLoadParams& params, BufferBytes& buffer) {
  LoadResult result;
  int64_t address = 0;
  ForEachLine(text, [&](std::string_view line, int) {
    if ((address & 0xFF) == 0 && params.progress)
      params.progress(static_cast<int32_t>(std::min<int64_t>(address, INT32_MAX)));
    FieldCursor c(line);
    for (size_t n = line.size() / 2; n > 0; --n)
      StoreByte(buffer, address++, static_cast<uint8_t>(c.TakeHex(2)), result);
    return true;
  });
  return result;
}

std::string WriteAsciiHex(const BufferBytes& buffer, int64_t limit) {
  limit = std::min<int64_t>(limit, kLastBufferAddress);
  std::string out;
  out.reserve(static_cast<size_t>(std::max<int64_t>(limit, 16) / 16 + 1) * 34);
  int64_t pos = 0;
  do {
    RecordText r;
    do {
      r.PutByte(buffer[static_cast<size_t>(pos++)]);
    } while (pos % kLineBytes != 0 && pos <= limit);
    WriteLine(out, r.text());
  } while (pos <= limit);
  return out;
}

}  // namespace tarnwick
