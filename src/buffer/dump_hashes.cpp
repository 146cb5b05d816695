#include "buffer/dump_hashes.h"

#include <algorithm>
#include <cctype>

#include "base/controls.h"
#include "base/hashes.h"
#include "base/hex_text.h"
#include "base/program_state.h"

namespace tarnwick {

namespace {

constexpr const char* kCrcLead = "CRC32 ";
constexpr const char* kShaLead = "SHA1 ";

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool StartsWith(const std::string& text, const char* lead) {
  return text.rfind(lead, 0) == 0;
}

}  // namespace

std::span<const uint8_t> WindowImage(const ProgramState& s) {
  const int64_t first = std::max<int64_t>(s.DeviceStart, 0);
  const int64_t last = std::min<int64_t>(s.DeviceEnd, kLastBufferAddress);
  if (first > last) return {};
  return std::span<const uint8_t>(s.Buffer).subspan(static_cast<size_t>(first),
                                                    static_cast<size_t>(last - first + 1));
}

ChecksumOutcome HashWindow(const ProgramState& s) {
  ChecksumOutcome c;
  c.valid = true;
  c.first = std::max<int64_t>(s.DeviceStart, 0);
  c.last = std::min<int64_t>(s.DeviceEnd, kLastBufferAddress);
  const std::span<const uint8_t> image = WindowImage(s);
  for (uint8_t b : image) c.sum = static_cast<uint16_t>(c.sum + b);
  c.hashed = true;
  c.crc32 = Crc32(image);
  c.sha1 = Sha1(image);
  return c;
}

std::vector<std::string> HashMemoLines(const ChecksumOutcome& c) {
  const int64_t bytes = c.Bytes();
  const std::string range = bytes > 0 ? HexText(static_cast<int32_t>(c.first), 4) + "-" +
                                            HexText(static_cast<int32_t>(c.last), 4)
                                      : std::string("empty");
  return {kCrcLead + Upper(CrcHex(c.crc32)) + "  " + range + "  " + std::to_string(bytes) +
              (bytes == 1 ? " byte" : " bytes"),
          kShaLead + Upper(DigestHex(c.sha1))};
}

void ShowHashLines(Control& memo, const ChecksumOutcome& checksum) {
  const std::deque<std::string>& lines = memo.lines();
  if (lines.size() >= 2 && StartsWith(lines[0], kCrcLead) && StartsWith(lines[1], kShaLead))
    memo.SetLines(std::vector<std::string>(lines.begin() + 2, lines.end()));
  const std::vector<std::string> shown = HashMemoLines(checksum);
  for (auto line = shown.rbegin(); line != shown.rend(); ++line) memo.InsertFirstLine(*line);
  memo.visible = true;
}

}  // namespace tarnwick
