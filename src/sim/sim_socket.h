// The socket of the simulated box with the adapter the chip in it needs: the 874X
// adapter for the 8741/8742/8748/8749, the 875X adapter for the 8751 family and the
// Atmel parts. The adapter turns latch loads into the chip's address, read and program
// pulses, and refuses (with the reason in the box's log) every pulse the real part
// would not take.
//
// 874X: the chip latches LatchA | (Latch9 & 0x0F) << 8 when Latch9 bit 4 rises. It
// drives while Latch9 & 0x30 = 0x30, Latch1 bit 5 and Latch2 bit 3 are high. A program
// pulse is Latch2 bit 1 low and high again, with Latch1 bit 5 low, Latch9 & 0x30 = 0x10,
// Latch2 bit 3 low throughout, Vpp in the chip's window (and, on the 8741, LatchB bit 7
// low).
//
// 875X: the address is live: A0-7 Latch9, A8-11 LatchB 0-3, A12 Latch1 bit 1 inverted,
// A13 LatchB bit 7, A14 Latch3 bit 0. LatchB & 0x50 is the mode: 00 read, 40 program,
// 50 lock bit 1 or 2, 10 lock bit 3 or chip erase. A pulse is Latch1 bit 7 low and high
// again while bit 6 is low, bit 6 lowered before bit 7 falls; what it does depends on
// the mode and Latch1 & 0x05.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_box.h"
#include "sim/sim_chip.h"
#include "sim/socket_faults.h"

namespace tarnwick {

// The longest socket file there can be: the largest chip with every row programmed
// and as many unstable cells as a file may hold.
size_t MaxSocketFileBytes();

class SimSocket final : public SimAdapter {
 public:
  void Insert(const ChipInfo& info) { Insert(SimChip(info)); }
  void Insert(SimChip chip);
  void Remove();
  SimChip* Chip() { return chip_ ? &*chip_ : nullptr; }
  const SimChip* Chip() const { return chip_ ? &*chip_ : nullptr; }

  // Bad contacts of the socket (sim/socket_faults.h). They belong to the socket, not
  // to the chip: another chip put in meets the same ones.
  void SetFaults(const SocketFaults& faults) {
    faults_ = faults;
    pins_ = SocketFaultMasks(faults);
  }
  const SocketFaults& Faults() const { return faults_; }

  // The operator seats the chip the selected device names: when the socket holds no
  // chip of that kind, a blank one goes in (true). "No Device" and names the box has
  // no chip for leave the socket as it is.
  bool EnsureChipFor(std::string_view deviceCaption);

  // The socket between runs: chip name or none, lock bits, damage, unstable cells,
  // contents, the socket's faults. Save replaces the file atomically (false with errno set when it
  // cannot; the old file stays). Load of a missing, unreadable or oversized file (more than
  // MaxSocketFileBytes) leaves an empty socket, of a damaged one a blank chip of the
  // kind it names; both return false.
  std::string Text() const;
  bool Save(const std::string& path) const;
  bool Load(const std::string& path);

  // SimAdapter
  void OnLatchLoad(SimBox& box, BoxLatch latch, uint8_t before) override;
  void OnStatusRead(SimBox& box) override;
  std::optional<uint8_t> DrivenByte(const SimBox& box) const override;
  void OnPowerLoss(SimBox& box) override;

  // The cell the chip would drive now, if it drives.
  std::optional<int> DrivenAddress(const SimBox& box) const;

 private:
  struct Pulse {
    bool low = false;
    uint64_t fellAtRead = 0;
    int64_t fellAtMicros = 0;
    bool latch2Bit3High = false;  // 874X: seen high at any time while low
  };

  void OnLatch874X(SimBox& box, BoxLatch latch, uint8_t before);
  void OnLatch875X(SimBox& box, BoxLatch latch, uint8_t before);
  void Pulse874X(SimBox& box);
  void Pulse875X(SimBox& box);
  void ProgramCell(SimBox& box, int addr);
  void SetLock(SimBox& box, uint8_t bits);
  // Vpp against the chip's window: an empty text when it may program; a level far
  // over the window damages the chip.
  std::string CheckVpp(SimBox& box);
  void Reject(SimBox& box, int addr, const std::string& reason) const;
  int Address875X(const SimBox& box) const;
  void ResetAdapter();
  // The chip, where one sits in the socket and makes contact.
  bool Seated() const { return chip_ && !faults_.noChip; }
  bool Multiplexed() const { return chip_->info().adapter == Adapter::k874X; }

  std::optional<SimChip> chip_;
  SocketFaults faults_;
  SocketFaultMasks pins_;  // faults_, as applied on each access
  int latched874X_ = 0;
  Pulse pulse_;
  // A latch was loaded since the last status read: the chip may present another cell,
  // or present the same one anew.
  bool newRead_ = true;
};

}  // namespace tarnwick
