#include "formats/intel_hex.h"

#include <algorithm>

namespace tarnwick {

namespace {

enum IntelType : int32_t { kData = 0x00, kEnd = 0x01, kSegment = 0x02, kLinear = 0x04 };

constexpr int kRecordBytes = 16;
constexpr std::string_view kEndRecord = ":00000001FF";

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
        // Both bases stay in force and are added; the sum wraps like the 32-bit bases.
        StoreRecord({address,
                     static_cast<int32_t>(static_cast<uint32_t>(segment_base_) +
                                          static_cast<uint32_t>(linear_base_)),
                     count, number},
                    c, p_, buffer_, owners_, result_);
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
    if (auto bad = CheckIntelRecord(line, number)) result_.AddBadChecksum(*bad);
    return more;
  }

  LoadResult result() { return std::move(result_); }

 private:
  const HexLoadParams& p_;
  BufferBytes& buffer_;
  int32_t segment_base_ = 0;
  int32_t linear_base_ = 0;
  RecordOwners owners_;
  LoadResult result_;
};

// The extended segment address record for the 64 KiB block that `file_pos` is in.
void PutSegmentRecord(std::string& out, int64_t file_pos) {
  RecordText r;
  r.PutAddress(0, 2);
  r.PutByte(kSegment);
  r.PutAddress((file_pos / 0x10000) * 0x1000, 2);
  WriteLine(out, r.Line(":", 2, kIntelSumTarget));
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
  // The sum covers count, address, type and data.
  return CheckRecordSum(bytes, 4 + size_t{bytes[0]}, kIntelSumTarget, number);
}

std::string WriteIntelHex(const BufferBytes& buffer, int64_t limit) {
  limit = std::min<int64_t>(limit, kLastBufferAddress);
  std::string out;
  out.reserve(static_cast<size_t>(std::max<int64_t>(limit, 16) / 16 + 3) * 45);
  int64_t pos = 0;
  PutSegmentRecord(out, pos);
  do {
    RecordText r;
    r.PutAddress(pos & 0xFFFF, 2);
    r.PutByte(kData);
    int n = 0;
    // Records stay 16 bytes even past the limit; they end early only at a 64 KiB
    // boundary, which is also the buffer's end.
    do {
      r.PutByte(buffer[static_cast<size_t>(pos++)]);
      ++n;
    } while (n < kRecordBytes && (pos & 0xFFFF) != 0);
    WriteLine(out, r.Line(":", n, kIntelSumTarget));
    if ((pos & 0xFFFF) == 0) PutSegmentRecord(out, pos);
  } while (pos <= limit);
  WriteLine(out, kEndRecord);
  return out;
}

}  // namespace tarnwick
