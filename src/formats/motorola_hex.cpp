#include "formats/motorola_hex.h"

#include <algorithm>

namespace tarnwick {

namespace {

constexpr int kRecordBytes = 16;
constexpr int32_t kAddressMask = 0xFFFFF;  // the program's 20-bit address space
constexpr std::string_view kEndRecord = "S804000000FB";

// Address digits by data-record type: S1 16 bits, S2 24 bits, S3 32 bits.
constexpr int AddressDigits(int type) {
  return 2 + 2 * type;
}

int SRecordType(std::string_view c) {
  return c.size() == 1 && c[0] >= '0' && c[0] <= '9' ? c[0] - '0' : 0;
}

class MotorolaReader {
 public:
  MotorolaReader(const HexLoadParams& params, BufferBytes& buffer) : p_(params), buffer_(buffer) {}

  bool Record(std::string_view line, int number) {
    FieldCursor c(line);
    // Only the upper-case mark is a record; the type digit follows it directly.
    if (c.TakeChar() != "S") return true;
    const int type = SRecordType(c.TakeChar());
    if (type >= 1 && type <= 3) {
      // The count covers address, data and checksum.
      const int32_t count = c.TakeHex(2) - 1 - AddressDigits(type) / 2;
      const int32_t address = c.TakeHex(AddressDigits(type)) & kAddressMask;
      StoreRecord({address, 0, count, number}, c, p_, buffer_, owners_, result_);
    }
    if (auto bad = CheckMotorolaRecord(line, number)) result_.AddBadChecksum(*bad);
    return type < 7;
  }

  LoadResult result() { return std::move(result_); }

 private:
  const HexLoadParams& p_;
  BufferBytes& buffer_;
  RecordOwners owners_;
  LoadResult result_;
};

}  // namespace

LoadResult ReadMotorolaHex(std::string_view text, const HexLoadParams& params,
                           BufferBytes& buffer) {
  MotorolaReader reader(params, buffer);
  ForEachLine(text, [&](std::string_view line, int number) { return reader.Record(line, number); });
  return reader.result();
}

std::optional<BadChecksum> CheckMotorolaRecord(std::string_view line, int number) {
  if (line.size() < 2 || line[1] < '0' || line[1] > '9') return std::nullopt;
  const std::vector<uint8_t> bytes = HexPairs(line.substr(2));
  if (bytes.empty()) return std::nullopt;
  // The count covers address, data and checksum; the sum covers the count itself and
  // everything it counts but the checksum.
  const size_t covered = bytes[0];
  if (covered == 0) return std::nullopt;
  return CheckRecordSum(bytes, covered, kMotorolaSumTarget, number);
}

std::string WriteMotorolaHex(const BufferBytes& buffer, int64_t limit) {
  limit = std::min<int64_t>(limit, kLastBufferAddress);
  std::string out;
  out.reserve(static_cast<size_t>(std::max<int64_t>(limit, 16) / 16 + 2) * 48);
  int64_t pos = 0;
  do {
    RecordText r;
    r.PutAddress(pos, 3);
    int n = 0;
    do {
      r.PutByte(buffer[static_cast<size_t>(pos++)]);
      ++n;
    } while (n < kRecordBytes && pos <= limit);
    // Three address bytes and the checksum follow the count.
    WriteLine(out, r.Line("S2", n + 4, kMotorolaSumTarget));
  } while (pos <= limit);
  WriteLine(out, kEndRecord);
  return out;
}

}  // namespace tarnwick
