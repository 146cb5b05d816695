// What every buffer file format shares: splitting file text into lines, cutting hex
// fields off a line, placing bytes in the 64 KiB buffer without ever leaving it, and
// building output records with their running sum.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/hex_text.h"
#include "base/program_state.h"
#include "base/text_lines.h"

namespace tarnwick {

using BufferBytes = std::array<uint8_t, kBufferSize>;

inline constexpr std::string_view kLineEnd = "\r\n";

// A record whose checksum does not match its contents. The byte is loaded anyway
// (hand-edited files rely on that); the operator is shown the list.
struct BadChecksum {
  int line = 0;
  int found = -1;  // -1: the record ends before its checksum
  uint8_t expected = 0;
  friend bool operator==(const BadChecksum&, const BadChecksum&) = default;
};

// Two records of one file that give different data for a run of buffer addresses,
// usually two images joined by mistake. The later record's bytes are loaded.
struct Overlap {
  int earlier = 0;  // line numbers of the two records
  int later = 0;
  int32_t first = 0;  // first and last buffer address where their data differ
  int32_t last = 0;
  friend bool operator==(const Overlap&, const Overlap&) = default;
};

// How many entries of each list a load keeps for the operator; the rest are counted,
// so a hostile file cannot fill the window with millions of lines.
inline constexpr size_t kListedProblems = 100;

// A run of bytes a load stored: from this address of the file (a record's address with
// its bases and the hex offset, before the load mask; a binary file's offset) to this
// buffer address on.
struct LoadedRange {
  int64_t from = 0;
  int32_t to = 0;
  int64_t count = 0;
  friend bool operator==(const LoadedRange&, const LoadedRange&) = default;
};

// How many runs a load keeps; the rest are counted.
inline constexpr size_t kListedRanges = 256;

struct LoadResult {
  int64_t stored = 0;                     // bytes written into the buffer
  int64_t leftOut = 0;                    // bytes whose address lay outside 0000..FFFF
  std::vector<BadChecksum> badChecksums;  // the first kListedProblems
  int64_t badChecksumCount = 0;           // all of them
  std::vector<Overlap> overlaps;          // the first kListedProblems
  int64_t overlapCount = 0;               // all of them
  std::vector<LoadedRange> ranges;        // the first kListedRanges runs stored
  int64_t rangeCount = 0;                 // all of them
  int64_t fileLow = -1;                   // lowest and highest file address stored
  int64_t fileHigh = -1;
  int64_t bufferHigh = -1;  // highest buffer address stored
  // Bytes stored on a buffer address that a byte from another file address had taken
  // in the same load: the load mask folded a file larger than the chip onto it.
  int64_t folded = 0;

  void AddBadChecksum(const BadChecksum& bad) {
    if (badChecksums.size() < kListedProblems) badChecksums.push_back(bad);
    ++badChecksumCount;
  }
  // `count` bytes stored from file address `from` to buffer address `to` on; a run that
  // continues the last one on both sides extends it.
  void NoteStored(int64_t from, int32_t to, int64_t count = 1) {
    stored += count;
    if (fileLow < 0 || from < fileLow) fileLow = from;
    fileHigh = std::max(fileHigh, from + count - 1);
    bufferHigh = std::max(bufferHigh, int64_t{to} + count - 1);
    if (rangeCount > 0 && run_.from + run_.count == from && run_.to + run_.count == to) {
      run_.count += count;
      if (rangeCount <= static_cast<int64_t>(kListedRanges)) ranges.back() = run_;
      return;
    }
    run_ = {from, to, count};
    ++rangeCount;
    if (ranges.size() < kListedRanges) ranges.push_back(run_);
  }

 private:
  LoadedRange run_;  // the run being extended
};

// Where the record addresses of a hex file land.
struct HexLoadParams {
  int32_t hexOffset = 0;
  int32_t lowLimit = 0;
  int32_t highLimit = kNoDeviceEnd;
  int32_t mask = kNoDeviceEnd;  // see LoadMask
  // Called with the address of each record stored (Ascii Hex: every 256 bytes) so the
  // window can show where the load is.
  std::function<void(int32_t)> progress;
};

// The mask that folds record addresses onto the selected chip: ChipEnd, doubled for
// word files. A chip whose size is not a power of two (the 89C55 ends at 4FFF) gets
// the smallest all-ones mask that covers it, so its own addresses stay in place.
int32_t LoadMask(int32_t chipEnd, int32_t wordMode);

// Last buffer address a save covers: DeviceEnd, or the doubled range of word files.
int64_t WriteLimit(int32_t deviceEnd, int32_t wordMode);

// A conversion failure inside a file: the standard message, then where it happened.
// It is a ConversionError, so the form's handler boundary reports it like any other.
class HexLoadError : public ConversionError {
 public:
  HexLoadError(std::string_view text, int line);
  int line() const { return line_; }
  void SetFileName(std::string_view name);

 private:
  int line_;
};

// Splits file text into lines. A line runs up to and including the first CR or LF,
// so a CR LF pair gives a line ending in CR followed by a line holding only the LF.
// Lines are not cut at any length. Line numbers count a CR LF pair as one break, as
// an editor shows them.
class HexLines {
 public:
  explicit HexLines(std::string_view text);
  // The next line, or nullopt at the end. Empty text still yields one empty line.
  std::optional<std::string_view> Next();
  int LineNumber() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
  int next_number_ = 1;
  bool first_ = true;
};

// Cuts fields off the front of one line.
class FieldCursor {
 public:
  explicit FieldCursor(std::string_view line) : rest_(line) {}
  // The first character, or empty at the end of the line.
  std::string_view TakeChar();
  // The next `digits` characters (fewer if the line is shorter) as a hexadecimal
  // value; throws ConversionError with the field's text. Eight digits keep 32 bits.
  int32_t TakeHex(int digits);
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Runs `record` on every line of `text` until it returns false or the text ends. A
// conversion failure becomes a HexLoadError carrying the line number.
void ForEachLine(std::string_view text,
                 const std::function<bool(std::string_view line, int number)>& record);

// The bytes a record's checksum covers: consecutive hex pairs from the start of
// `fields`, as many as are well formed.
std::vector<uint8_t> HexPairs(std::string_view fields);

// Stores one byte at a buffer address, or counts it as left out when the address
// lies outside the buffer.
inline void StoreByte(BufferBytes& buffer, int64_t address, uint8_t value, LoadResult& result) {
  if (InBuffer(address)) {
    buffer[static_cast<size_t>(address)] = value;
    result.NoteStored(address, static_cast<int32_t>(address));
  } else {
    ++result.leftOut;
  }
}

// Which record of the current load last wrote each buffer address, so that a later
// record that gives other data for it is listed. Equal data is no conflict: tools that
// merge images repeat bytes freely.
class RecordOwners {
 public:
  // Stores the byte of the record on `line`, as StoreByte does; `from` is its address
  // in the file.
  void Store(BufferBytes& buffer, int64_t from, int64_t address, uint8_t value, int line,
             LoadResult& result);

 private:
  void Note(int earlier, int later, int32_t address, LoadResult& result);

  std::vector<int32_t> line_;  // by buffer address; 0 = not written by this load
  std::vector<int64_t> from_;  // by buffer address: the file address stored there
  Overlap run_;                // the overlap being extended (the last one found)
};

// One data record as its reader found it: the address field, the base addresses in
// force, the number of data bytes and the record's line in the file.
struct RecordPlace {
  int32_t address;
  int32_t bases;
  int32_t count;
  int line;
};

// Stores the data of one Intel or Motorola record. Its address plus `bases` plus the
// hex offset is summed in 32-bit two's complement, so a sum past 7FFFFFFF turns
// negative and falls below the low limit. A record outside the limits is skipped;
// otherwise its start is folded by the mask, shown through `progress`, and `count`
// pairs cut from `fields` are stored one after another from there.
void StoreRecord(const RecordPlace& record, FieldCursor& fields, const HexLoadParams& params,
                 BufferBytes& buffer, RecordOwners& owners, LoadResult& result);

// Record checksums: the byte that makes the 8-bit sum of a record come to 00 (Intel)
// or FF (Motorola S-records).
inline constexpr uint8_t kIntelSumTarget = 0x00;
inline constexpr uint8_t kMotorolaSumTarget = 0xFF;

// The checksum test of one record: `bytes` are its hex pairs from the count on; the
// first `covered` of them are summed and the next must bring the sum to `target`.
// nullopt when it holds or when the record is too short to say.
std::optional<BadChecksum> CheckRecordSum(const std::vector<uint8_t>& bytes, size_t covered,
                                          uint8_t target, int number);

// Builds one output record: the hex pairs after its count, with their running 8-bit
// sum; Line() puts the mark, the count and the checksum around them.
class RecordText {
 public:
  void PutByte(uint8_t value) {
    sum_ = static_cast<uint8_t>(sum_ + value);
    text_ += HexText(value, 2);
  }
  // An address of `bytes` bytes, high byte first.
  void PutAddress(int64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) PutByte(static_cast<uint8_t>(value >> (8 * i)));
  }
  const std::string& text() const { return text_; }
  std::string Line(std::string_view mark, int count, uint8_t target) const {
    const auto check = static_cast<uint8_t>(target - count - sum_);
    std::string line(mark);
    line += HexText(count, 2);
    line += text_;
    line += HexText(check, 2);
    return line;
  }

 private:
  std::string text_;
  uint8_t sum_ = 0;
};

// Appends one line and its CR LF to the output.
inline void WriteLine(std::string& out, std::string_view line) {
  out += line;
  out += kLineEnd;
}

}  // namespace tarnwick
