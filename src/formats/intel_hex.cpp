#include "formats/intel_hex.h"

#include <algorithm>

namespace tarnwick {

namespace {

enum IntelType : int32_t { kData = 0x00, kEnd = 0x01, kSegment = 0x02, kLinear = 0x04 };

constexpr int kRecordBytes = 16;
constexpr std::string_view kEndRecord = ":00000001FF";

// Sums in 32-bit two's complement, as the record bases always have: a linear base of
// 8000 or more wraps negative and so falls below the low limit.
int32_t Add32(int64_t a, int64_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

class IntelReader {
 public:
  IntelReader(const HexLoadParams& params, BufferBytes& buffer) : p_(params), buffer_(buffer) {}

  bool Record(std::string_view line, int number) {
    FieldCursor c(line);
    if (c.TakeChar() != ":") return true;
    const int32_t count = c.TakeHex(2);
    const int32_t address = c.TakeHex(4);
    bool more = true;
    switch (c.TakeHex(2)) {
      case kData:
        Store(address, count, c);
        break;
      case kEnd:
        more = false;
        break;
      case kSegment:
        segment_base_ = c.TakeHex(4) * 16;
        break;
      case kLinear:
        linear_base_ = static_cast<int32_t>(static_cast<uint32_t>(c.TakeHex(4)) << 16);
        break;
      default:
        break;  // start addresses and unknown types carry nothing for the buffer
    }
    if (auto bad = CheckIntelRecord(line, number)) result_.badChecksums.push_back(*bad);
    return more;
  }

  LoadResult result() { return std::move(result_); }

 private:
  void Store(int32_t address, int32_t count, FieldCursor& c) {
    int32_t at = Add32(Add32(Add32(address, segment_base_), linear_base_), p_.hexOffset);
    if (at < p_.lowLimit || at > p_.highLimit) return;
    at &= p_.mask;
    if (p_.progress) p_.progress(at);
    for (int32_t i = 0; i < count; ++i)
      StoreByte(buffer_, int64_t{at} + i, static_cast<uint8_t>(c.TakeHex(2)), result_);
  }

  const HexLoadParams& p_;
  BufferBytes& buffer_;
  int32_t segment_base_ = 0;
  int32_t linear_base_ = 0;
  LoadResult result_;
};

void PutSegmentRecord(std::string& out, int64_t file_pos) {
  const int64_t segment = (file_pos / 0x10000) * 0x1000;
  RecordText r;
  r.AddHex(segment, 4);
  const auto check = static_cast<uint8_t>(0xFC - (segment >> 8) - (segment & 0xFF));
  out += ":02000002";
  out += r.text();
  WriteLine(out, HexText(check, 2));
}

}  // namespace

LoadResult ReadIntelHex(std::string_view text, const HexLoadParams& params, BufferBytes& buffer) {
  IntelReader reader(params, buffer);
  ForEachLine(text, [&](std::string_view line, int number) { return reader.Record(line, number); });
  return reader.result();
}

std::optional<BadChecksum> CheckIntelRecord(std::string_view line, int number) {
  const std::vector<uint8_t> bytes = HexPairs(line.substr(1));
  if (bytes.empty()) return std::nullopt;
  const size_t covered = 4 + size_t{bytes[0]};      // count, address, type, data
  if (bytes.size() < covered) return std::nullopt;  // too short to say what it should be
  uint8_t sum = 0;
  for (size_t i = 0; i < covered; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  const auto expected = static_cast<uint8_t>(0 - sum);
  const int found = bytes.size() > covered ? bytes[covered] : -1;
  if (found == expected) return std::nullopt;
  return BadChecksum{number, found, expected};
}

std::string WriteIntelHex(const BufferBytes& buffer, int64_t limit) {
  limit = std::min<int64_t>(limit, kLastBufferAddress);
  std::string out;
  out.reserve(static_cast<size_t>(std::max<int64_t>(limit, 16) / 16 + 3) * 45);
  int64_t pos = 0;
  PutSegmentRecord(out, pos);
  do {
    const int64_t address = pos & 0xFFFF;
    RecordText r;
    r.AddHex(address, 4);
    r.AddHex(kData, 2);
    r.AddToSum((address >> 8) + (address & 0xFF));
    int n = 0;
    // Records stay 16 bytes even past the limit; they end early only at a 64 KiB
    // boundary, which is also the buffer's end.
    do {
      r.PutByte(buffer[static_cast<size_t>(pos++)]);
      ++n;
    } while (n < kRecordBytes && (pos & 0xFFFF) != 0);
    const auto check = static_cast<uint8_t>(0 - (n + r.sum()));
    out += ':';
    out += HexText(n, 2);
    out += r.text();
    WriteLine(out, HexText(check, 2));
    if ((pos & 0xFFFF) == 0) PutSegmentRecord(out, pos);
  } while (pos <= limit);
  WriteLine(out, kEndRecord);
  return out;
}

}  // namespace tarnwick
