#include "sim/sim_chip.h"

#include <algorithm>

namespace tarnwick {

const ChipInfo* FindChip(std::string_view name) {
  const auto first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return nullptr;
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  for (const ChipInfo& chip : kChips)
    if (name == chip.name) return &chip;
  return nullptr;
}

SimChip::SimChip(const ChipInfo& info)
    : info_(&info),
      contents_(static_cast<size_t>(info.size), info.erased),
      pulses_(static_cast<size_t>(info.size), 0) {}

int SimChip::Wrap(int addr) const {
  const int size = info_->size;
  const int wrapped = addr % size;
  return wrapped < 0 ? wrapped + size : wrapped;
}

void SimChip::NeedsPulses(int addr, int n) {
  needs_[Wrap(addr)] = std::max(1, n);
}

void SimChip::SlowWrite(int addr, int busyReads) {
  slow_[Wrap(addr)] = std::max(0, busyReads);
}

bool SimChip::SetUnstable(int addr, uint8_t mask, int percent) {
  addr = Wrap(addr);
  if (mask == 0 || percent <= 0) {
    unstable_.erase(addr);
    return true;
  }
  if (unstable_.size() >= kMaxUnstableCells && unstable_.count(addr) == 0) return false;
  unstable_[addr] = {mask, std::min(percent, 100)};
  return true;
}

void SimChip::Age(uint32_t seed, int cells, int percent) {
  // Cells with data first: a weak bit in an erased cell matters only once it is
  // programmed.
  std::vector<int> data, blank;
  for (size_t a = 0; a < contents_.size(); ++a) {
    if (unstable_.count(static_cast<int>(a)) != 0) continue;
    (contents_[a] != info_->erased ? data : blank).push_back(static_cast<int>(a));
  }
  std::mt19937 pick(seed);
  for (int i = 0; i < cells; ++i) {
    std::vector<int>& pool = !data.empty() ? data : blank;
    if (pool.empty()) return;
    const size_t at = pick() % pool.size();
    const auto bit = static_cast<uint8_t>(1u << (pick() % 8));
    if (!SetUnstable(pool[at], bit, percent)) return;
    pool[at] = pool.back();
    pool.pop_back();
  }
}

void SimChip::BeginRead(int addr) {
  flipAddr_ = -1;
  flipMask_ = 0;
  const auto cell = unstable_.find(Wrap(addr));
  if (cell == unstable_.end()) return;
  flipAddr_ = cell->first;
  // One draw per bit, in rising bit order, whatever the chance: a run's reads depend
  // only on the seed and the order the cells are read in.
  for (int bit = 0; bit < 8; ++bit) {
    if ((cell->second.mask >> bit & 1) == 0) continue;
    if (static_cast<int>(reads_() % 100) < cell->second.percent)
      flipMask_ = static_cast<uint8_t>(flipMask_ | 1 << bit);
  }
}

uint8_t SimChip::Read(int addr, uint64_t now) const {
  if (damaged_ || (lockBits_ & kLockBit2) != 0) return 0x00;
  addr = Wrap(addr);
  if (addr == busyAddr_ && Busy(now)) return static_cast<uint8_t>(busyData_ ^ 0x80);
  const uint8_t cell = contents_[static_cast<size_t>(addr)];
  return addr == flipAddr_ ? static_cast<uint8_t>(cell ^ flipMask_) : cell;
}

bool SimChip::Program(int addr, uint8_t data, uint64_t now) {
  addr = Wrap(addr);
  int& pulses = pulses_[static_cast<size_t>(addr)];
  if (pulses < INT_MAX) ++pulses;
  const auto need = needs_.find(addr);
  const bool takes = pulses >= (need != needs_.end() ? need->second : 1);
  uint8_t& cell = contents_[static_cast<size_t>(addr)];
  if (takes) cell = info_->erased == 0x00 ? (cell | data) : (cell & data);
  if (lastWrite_ != addr) readsOfLastWrite_ = 0;
  lastWrite_ = addr;
  if (info_->flash) {
    // The write cycle runs whether or not the cell takes the data.
    const auto slow = slow_.find(addr);
    busyAddr_ = addr;
    busyData_ = data;
    busyUntil_ = now + static_cast<uint64_t>(slow != slow_.end() ? slow->second : kFlashBusyReads);
    readsOfLastWrite_ = 0;
  }
  return takes;
}

void SimChip::Erase() {
  std::fill(contents_.begin(), contents_.end(), info_->erased);
  lockBits_ = 0;
  busyAddr_ = -1;
}

}  // namespace tarnwick
