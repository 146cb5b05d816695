#include "formats/hex_lines.h"

#include <bit>

namespace tarnwick {

int32_t LoadMask(int32_t chipEnd, int32_t wordMode) {
  const int64_t mask = wordMode == 0 ? int64_t{chipEnd} : 2 * int64_t{chipEnd} + 1;
  if (mask <= 0) return static_cast<int32_t>(mask);
  // Every chip size but the 89C55's (20 KiB, ChipEnd 4FFF) is a power of two, and for
  // those this leaves the mask unchanged.
  const auto covering = std::bit_ceil(static_cast<uint64_t>(mask) + 1) - 1;
  return static_cast<int32_t>(static_cast<uint32_t>(covering));
}

int64_t WriteLimit(int32_t deviceEnd, int32_t wordMode) {
  return wordMode == 0 ? int64_t{deviceEnd} : 2 * int64_t{deviceEnd} + 1;
}

HexLoadError::HexLoadError(std::string_view text, int line) : ConversionError(text), line_(line) {
  SetFileName("");
}

void HexLoadError::SetFileName(std::string_view name) {
  message_ = NotValidIntegerMessage(text());
  message_ += "\r\n";
  if (!name.empty()) {
    message_.append(name);
    message_ += ", ";
  }
  message_ += "line " + std::to_string(line_);
}

HexLines::HexLines(std::string_view text) : text_(text.substr(0, text.find(kCtrlZ))) {}

std::optional<std::string_view> HexLines::Next() {
  if (pos_ >= text_.size()) {
    if (!first_) return std::nullopt;
    // An empty file is read as one empty line, as a read loop that tests for the end
    // after each line does.
    first_ = false;
    number_ = next_number_;
    return std::string_view{};
  }
  first_ = false;
  size_t end = text_.find_first_of("\r\n", pos_);
  end = end == std::string_view::npos ? text_.size() : end + 1;
  const std::string_view line = text_.substr(pos_, end - pos_);
  number_ = next_number_;
  const bool lf_follows = line.back() == '\r' && end < text_.size() && text_[end] == '\n';
  if (!lf_follows) ++next_number_;
  pos_ = end;
  return line;
}

std::string_view FieldCursor::TakeChar() {
  const std::string_view field = rest_.substr(0, 1);
  rest_.remove_prefix(field.size());
  return field;
}

int32_t FieldCursor::TakeHex(int digits) {
  const std::string_view field = rest_.substr(0, static_cast<size_t>(digits));
  rest_.remove_prefix(field.size());
  return ConvertHex(field);
}

void ForEachLine(std::string_view text,
                 const std::function<bool(std::string_view line, int number)>& record) {
  HexLines lines(text);
  while (const auto line = lines.Next()) {
    try {
      if (!record(*line, lines.LineNumber())) return;
    } catch (const HexLoadError&) {
      throw;
    } catch (const ConversionError& error) {
      throw HexLoadError(error.text(), lines.LineNumber());
    }
  }
}

void RecordOwners::Store(BufferBytes& buffer, int64_t from, int64_t address, uint8_t value,
                         int line, LoadResult& result) {
  if (!InBuffer(address)) {
    ++result.leftOut;
    return;
  }
  if (line_.empty()) {
    line_.assign(kBufferSize, 0);
    from_.assign(kBufferSize, 0);
  }
  const auto at = static_cast<size_t>(address);
  const int earlier = line_[at];
  if (earlier != 0) {
    if (from_[at] != from) ++result.folded;
    if (buffer[at] != value) Note(earlier, line, static_cast<int32_t>(address), result);
  }
  line_[at] = line;
  from_[at] = from;
  buffer[at] = value;
  result.NoteStored(from, static_cast<int32_t>(address));
}

void RecordOwners::Note(int earlier, int later, int32_t address, LoadResult& result) {
  // A record's bytes come in rising address order, so one pair of records gives one
  // run; equal bytes inside it do not split it.
  const bool same_pair = result.overlapCount > 0 && run_.earlier == earlier && run_.later == later;
  if (same_pair) {
    run_.last = address;
  } else {
    run_ = Overlap{earlier, later, address, address};
    ++result.overlapCount;
  }
  if (result.overlapCount <= static_cast<int64_t>(kListedProblems)) {
    if (same_pair)
      result.overlaps.back() = run_;
    else
      result.overlaps.push_back(run_);
  }
}

void StoreRecord(const RecordPlace& record, FieldCursor& fields, const HexLoadParams& params,
                 BufferBytes& buffer, RecordOwners& owners, LoadResult& result) {
  const uint32_t sum = static_cast<uint32_t>(record.address) + static_cast<uint32_t>(record.bases) +
                       static_cast<uint32_t>(params.hexOffset);
  const auto from = static_cast<int32_t>(sum);
  if (from < params.lowLimit || from > params.highLimit) return;
  const int32_t at = from & params.mask;
  if (params.progress) params.progress(at);
  for (int32_t i = 0; i < record.count; ++i) {
    const auto value = static_cast<uint8_t>(fields.TakeHex(2));
    owners.Store(buffer, int64_t{from} + i, int64_t{at} + i, value, record.line, result);
  }
}

std::optional<BadChecksum> CheckRecordSum(const std::vector<uint8_t>& bytes, size_t covered,
                                          uint8_t target, int number) {
  if (bytes.size() < covered) return std::nullopt;
  uint8_t sum = 0;
  for (size_t i = 0; i < covered; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  const auto expected = static_cast<uint8_t>(target - sum);
  const int found = bytes.size() > covered ? bytes[covered] : -1;
  if (found == expected) return std::nullopt;
  return BadChecksum{number, found, expected};
}

std::vector<uint8_t> HexPairs(std::string_view fields) {
  std::vector<uint8_t> bytes;
  bytes.reserve(fields.size() / 2);
  // The checksum test only looks at what is well formed.
  for (size_t i = 0; i + 1 < fields.size(); i += 2) {
    const int high = HexDigitValue(fields[i]);
    const int low = HexDigitValue(fields[i + 1]);
    if (high < 0 || low < 0) break;
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return bytes;
}

}  // namespace tarnwick
