// The chips the simulated box can hold: what each one is (size, erased value, the Vpp
// window its program pulses need) and one chip's cells, lock bits and faults.
//
// EPROM cells change only one way: the 874X parts erase to 00 and a pulse sets bits,
// the 875X parts erase to FF and a pulse clears bits. The Atmel flash parts also clear
// bits, but at once, and then spend a while writing, during which reading the cell
// gives the written byte with bit 7 inverted (data polling).
#pragma once

#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

namespace tarnwick {

enum class Adapter : uint8_t { k874X, k875X };

struct ChipInfo {
  const char* name;  // as on the Device button, without trailing blanks
  Adapter adapter;
  int size;
  uint8_t erased;
  int vppMinMv, vppMaxMv;  // a program pulse needs Vpp in this window
  bool flash;
  // 89S53 and 89S8252 style: the lock-bit pulse takes its bits from LatchA bits 7-5.
  bool lockBitsFromData = false;
  // 8741: the pulse programs only with LatchB bit 7 low.
  bool pulseNeedsLatchB7Low = false;
};

inline constexpr ChipInfo kChips[] = {
    {"8741", Adapter::k874X, 0x400, 0x00, 24000, 26000, false, false, true},
    {"8742", Adapter::k874X, 0x800, 0x00, 20500, 21500, false},
    {"8748", Adapter::k874X, 0x400, 0x00, 24000, 26000, false},
    {"8748H", Adapter::k874X, 0x400, 0x00, 20500, 21500, false},
    {"8749H", Adapter::k874X, 0x800, 0x00, 20500, 21500, false},
    {"8751H", Adapter::k875X, 0x1000, 0xFF, 20500, 21500, false},
    {"87C51H", Adapter::k875X, 0x1000, 0xFF, 12250, 13000, false},
    {"87C52H", Adapter::k875X, 0x2000, 0xFF, 12250, 13000, false},
    {"87C54H", Adapter::k875X, 0x4000, 0xFF, 12250, 13000, false},
    {"87C58H", Adapter::k875X, 0x8000, 0xFF, 12250, 13000, false},
    {"87C51FA", Adapter::k875X, 0x2000, 0xFF, 12250, 13000, false},
    {"87C51FB", Adapter::k875X, 0x4000, 0xFF, 12250, 13000, false},
    {"87C51FC", Adapter::k875X, 0x8000, 0xFF, 12250, 13000, false},
    {"89C51", Adapter::k875X, 0x1000, 0xFF, 11500, 12750, true},
    {"89C52", Adapter::k875X, 0x2000, 0xFF, 11500, 12750, true},
    {"89S53", Adapter::k875X, 0x3000, 0xFF, 11500, 12750, true, true},
    {"89LS53", Adapter::k875X, 0x3000, 0xFF, 11500, 12750, true, true},
    {"89C55", Adapter::k875X, 0x5000, 0xFF, 11500, 12750, true},
    {"89S8252", Adapter::k875X, 0x2800, 0xFF, 11500, 12750, true, true},
    {"89LS8252", Adapter::k875X, 0x2800, 0xFF, 11500, 12750, true, true},
};

// The chip of that name; blanks around the name are ignored. Null for anything else.
const ChipInfo* FindChip(std::string_view name);

inline constexpr uint8_t kLockBit1 = 0x01;  // further program pulses are ignored
inline constexpr uint8_t kLockBit2 = 0x02;  // the chip reads 00 everywhere
inline constexpr uint8_t kLockBit3 = 0x04;
inline constexpr int kNeverPrograms = INT_MAX;
inline constexpr int kFlashBusyReads = 40;
// The most unstable cells a chip keeps.
inline constexpr size_t kMaxUnstableCells = 256;
// The seed of every chip's generator of unstable reads. Any seed would do; from this
// one a single weak bit at a chance of 10 to 50 % reads flipped in the second of the
// first three reads only, so a demonstration shows the fault and the majority of three
// reads mending it.
inline constexpr uint32_t kUnstableSeed = 25;

class SimChip {
 public:
  explicit SimChip(const ChipInfo& info);

  const ChipInfo& info() const { return *info_; }
  std::vector<uint8_t>& contents() { return contents_; }
  const std::vector<uint8_t>& contents() const { return contents_; }
  uint8_t LockBits() const { return lockBits_; }
  void SetLockBits(uint8_t bits) { lockBits_ = bits & 0x07; }
  bool Damaged() const { return damaged_; }
  void SetDamaged(bool damaged) { damaged_ = damaged; }

  // Faults of single cells (addresses taken modulo the size): the cell takes its data
  // only from its n-th program pulse on (kNeverPrograms: never); a flash cell stays
  // busy for this many status reads after a write instead of kFlashBusyReads.
  void NeedsPulses(int addr, int n);
  void SlowWrite(int addr, int busyReads);

  // A fading cell: on each read, each bit of `mask` reads inverted with a chance of
  // `percent` in 100, drawn from the chip's own generator, so a run from the same seed
  // reads the same. Programming and erase are unaffected. A mask or percent of 0 makes
  // the cell stable again.
  struct UnstableBits {
    uint8_t mask = 0;
    int percent = 0;
    friend bool operator==(const UnstableBits&, const UnstableBits&) = default;
  };
  // False when the chip has kMaxUnstableCells already and `addr` is not one of them.
  bool SetUnstable(int addr, uint8_t mask, int percent);
  // Time and wear: `cells` more cells each get one bit that reads flipped with
  // `percent` chance, picked from `seed` among the cells that hold data first, then
  // among the erased ones.
  void Age(uint32_t seed, int cells, int percent);
  void ClearUnstable() { unstable_.clear(); }
  const std::map<int, UnstableBits>& Unstable() const { return unstable_; }
  // The adapter presents `addr` anew (the address or the read mode was set up since the
  // last look): an unstable cell settles on what it reads this time.
  void BeginRead(int addr);

  // What tests look at: the program pulses that reached the cell, and the status reads
  // made while the chip showed the cell written last (two per byte read back).
  int PulsesAt(int addr) const { return pulses_[Wrap(addr)]; }
  int LastWriteAddr() const { return lastWrite_; }
  int ReadsOfLastWrite() const { return readsOfLastWrite_; }
  int PollsOfLastWrite() const { return readsOfLastWrite_ / 2; }

  // For the adapters. `now` is the box's status-read count.
  int Wrap(int addr) const;
  uint8_t Read(int addr, uint64_t now) const;
  bool Busy(uint64_t now) const { return busyAddr_ >= 0 && now < busyUntil_; }
  // One program pulse with `data` at a cell; true when the cell took the data.
  bool Program(int addr, uint8_t data, uint64_t now);
  void Erase();
  void CountReadOf(int addr) {
    if (addr == lastWrite_) ++readsOfLastWrite_;
  }

 private:
  const ChipInfo* info_;
  std::vector<uint8_t> contents_;
  std::vector<int> pulses_;
  std::map<int, int> needs_;
  std::map<int, int> slow_;
  uint8_t lockBits_ = 0;
  bool damaged_ = false;
  std::map<int, UnstableBits> unstable_;
  std::mt19937 reads_{kUnstableSeed};
  int flipAddr_ = -1;  // the cell presented last, and the bits it reads inverted
  uint8_t flipMask_ = 0;

  int lastWrite_ = -1;
  int readsOfLastWrite_ = 0;
  int busyAddr_ = -1;
  uint8_t busyData_ = 0;
  uint64_t busyUntil_ = 0;
};

}  // namespace tarnwick
