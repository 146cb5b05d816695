#include "buffer/repeated_reads.h"

#include <stdexcept>

namespace tarnwick {

uint8_t MajorityOf(std::span<const uint8_t> values) {
  if (values.empty()) return 0;
  uint8_t kept = 0;
  const size_t n = values.size();
  for (int bit = 0; bit < 8; ++bit) {
    size_t ones = 0;
    for (uint8_t v : values) ones += (v >> bit) & 1;
    const bool one = 2 * ones == n ? ((values[0] >> bit) & 1) != 0 : 2 * ones > n;
    if (one) kept = static_cast<uint8_t>(kept | 1 << bit);
  }
  return kept;
}

void RepeatedReads::Add(std::span<const uint8_t> image) {
  if (!reads_.empty() && image.size() != reads_.front().size())
    throw std::invalid_argument("a read of another length than the first");
  reads_.emplace_back(image.begin(), image.end());
}

RepeatedReadsOutcome RepeatedReads::Compare() const {
  RepeatedReadsOutcome out;
  out.reads = Count();
  if (reads_.empty()) return out;
  const std::vector<uint8_t>& first = reads_.front();
  out.bytes = static_cast<int64_t>(first.size());
  std::vector<uint8_t> values(reads_.size());
  for (size_t i = 0; i < first.size(); ++i) {
    uint8_t changed = 0;
    for (const std::vector<uint8_t>& read : reads_)
      changed = static_cast<uint8_t>(changed | (read[i] ^ first[i]));
    if (changed == 0) continue;
    for (size_t r = 0; r < reads_.size(); ++r) values[r] = reads_[r][i];
    UnstableCell cell;
    cell.deviceAddr = deviceStart_ + static_cast<int32_t>(i);
    cell.bufferAddr = bufferStart_ + static_cast<int32_t>(i);
    cell.reads = values;
    cell.changed = changed;
    cell.kept = MajorityOf(values);
    for (int bit = 0; bit < 8; ++bit)
      out.bitCounts[static_cast<size_t>(bit)] += (changed >> bit) & 1;
    out.unstable.push_back(std::move(cell));
  }
  return out;
}

std::vector<uint8_t> RepeatedReads::KeptImage(const RepeatedReadsOutcome& compared) const {
  if (reads_.empty()) return {};
  std::vector<uint8_t> image = reads_.front();
  for (const UnstableCell& cell : compared.unstable)
    image[static_cast<size_t>(cell.deviceAddr - deviceStart_)] = cell.kept;
  return image;
}

}  // namespace tarnwick
