#include "sim/sim_socket.h"

#include "base/hex_text.h"

namespace tarnwick {

namespace {

bool Bit(uint8_t value, int bit) {
  return ((value >> bit) & 1) != 0;
}

// A pulse counted in status reads needs at least one read while low; the erase and
// other timed pulses are measured on the clock instead.
constexpr int64_t kTimedPulseMicros = 1000;
constexpr int64_t kErasePulseMicros = 10000;
constexpr int kDamageMarginMv = 1000;

}  // namespace

void SimSocket::Insert(SimChip chip) {
  chip_.emplace(std::move(chip));
  ResetAdapter();
}

void SimSocket::Remove() {
  chip_.reset();
  ResetAdapter();
}

void SimSocket::ResetAdapter() {
  latched874X_ = 0;
  pulse_ = Pulse{};
  newRead_ = true;
}

bool SimSocket::EnsureChipFor(std::string_view deviceCaption) {
  const ChipInfo* wanted = FindChip(deviceCaption);
  if (wanted == nullptr) return false;
  if (chip_ && &chip_->info() == wanted) return false;
  Insert(*wanted);
  return true;
}

void SimSocket::OnPowerLoss(SimBox&) {
  ResetAdapter();
}

void SimSocket::OnLatchLoad(SimBox& box, BoxLatch latch, uint8_t before) {
  if (!Seated()) return;
  newRead_ = true;
  if (chip_->info().adapter == Adapter::k874X)
    OnLatch874X(box, latch, before);
  else
    OnLatch875X(box, latch, before);
}

void SimSocket::OnStatusRead(SimBox& box) {
  if (!Seated()) return;
  const std::optional<int> addr = DrivenAddress(box);
  // A read of a cell is what the chip presents from its address set-up on: the two
  // nibbles and the waits' status reads between see one value, as they do on the
  // real part, whose outputs hold while its address and mode hold.
  if (newRead_ && addr) chip_->BeginRead(*addr);
  newRead_ = false;
  if (addr) chip_->CountReadOf(*addr);
}

std::optional<int> SimSocket::DrivenAddress(const SimBox& box) const {
  if (!Seated() || !Bit(box.Latch(BoxLatch::L2), kBoxL2ChipDrives)) return std::nullopt;
  const uint8_t latch1 = box.Latch(BoxLatch::L1);
  if (chip_->info().adapter == Adapter::k874X) {
    if ((box.Latch(BoxLatch::L9) & kBoxL9BusControl) != 0x30 || !Bit(latch1, kBoxL1Test874x))
      return std::nullopt;
    return latched874X_;
  }
  if ((box.Latch(BoxLatch::B) & kBoxLBModeLines) != 0x00) return std::nullopt;
  if (Bit(latch1, kBoxL1Psen) && Bit(latch1, kBoxL1ProgramEnable)) return std::nullopt;
  return Address875X(box);
}

std::optional<uint8_t> SimSocket::DrivenByte(const SimBox& box) const {
  const std::optional<int> addr = DrivenAddress(box);
  if (!addr) return std::nullopt;
  return pins_.Data(chip_->Read(*addr, box.StatusReads()), Multiplexed());
}

int SimSocket::Address875X(const SimBox& box) const {
  const uint8_t latchB = box.Latch(BoxLatch::B);
  int addr = box.Latch(BoxLatch::L9) | ((latchB & kBoxLBHighAddress) << 8);
  if (!Bit(box.Latch(BoxLatch::L1), kBoxL1NotA12)) addr |= 0x1000;
  if (Bit(latchB, kBoxLBA13)) addr |= 0x2000;
  if (Bit(box.Latch(BoxLatch::L3), kBoxL3A14)) addr |= 0x4000;
  return chip_->Wrap(pins_.Address(addr, false));
}

// --- 874X ---

void SimSocket::OnLatch874X(SimBox& box, BoxLatch latch, uint8_t before) {
  const uint8_t now = box.Latch(latch);
  if (latch == BoxLatch::L9 && !Bit(before, kBoxL9Ale) && Bit(now, kBoxL9Ale)) {
    latched874X_ =
        chip_->Wrap(pins_.Address(box.Latch(BoxLatch::A) | ((now & kBoxL9HighAddress) << 8), true));
    return;
  }
  if (latch != BoxLatch::L2) return;
  if (pulse_.low) {
    pulse_.latch2Bit3High = pulse_.latch2Bit3High || Bit(now, kBoxL2ChipDrives);
    if (Bit(now, kBoxL2Prog874x)) {
      pulse_.low = false;
      Pulse874X(box);
    }
  } else if (Bit(before, kBoxL2Prog874x) && !Bit(now, kBoxL2Prog874x)) {
    pulse_ = Pulse{true, box.StatusReads(), box.NowMicros(), Bit(now, kBoxL2ChipDrives)};
  }
}

void SimSocket::Pulse874X(SimBox& box) {
  const int addr = latched874X_;
  if (box.StatusReads() <= pulse_.fellAtRead) return Reject(box, addr, "pulse too short");
  if (Bit(box.Latch(BoxLatch::L1), kBoxL1Test874x)) return Reject(box, addr, "Latch1 bit 5 high");
  if ((box.Latch(BoxLatch::L9) & kBoxL9BusControl) != 0x10)
    return Reject(box, addr, "Latch9 bits 4-5 not 01");
  if (pulse_.latch2Bit3High) return Reject(box, addr, "Latch2 bit 3 high during the pulse");
  if (chip_->info().pulseNeedsLatchB7Low && Bit(box.Latch(BoxLatch::B), kBoxLBA13))
    return Reject(box, addr, "LatchB bit 7 high");
  ProgramCell(box, addr);
}

// --- 875X ---

void SimSocket::OnLatch875X(SimBox& box, BoxLatch latch, uint8_t before) {
  if (latch != BoxLatch::L1) return;
  const uint8_t now = box.Latch(BoxLatch::L1);
  const bool low = !Bit(now, kBoxL1Prog875x) && !Bit(now, kBoxL1ProgramEnable);
  if (!pulse_.low && low) {
    // The program-enable level (bit 6) must be set up before the strobe falls; a load
    // that drops both at once, or one from bit 7 already low, is no pulse edge.
    if (!Bit(before, kBoxL1Prog875x)) return;
    if (Bit(before, kBoxL1ProgramEnable))
      return Reject(box, Address875X(box), "Latch1 bit 6 fell with bit 7");
    pulse_ = Pulse{true, box.StatusReads(), box.NowMicros(), false};
  } else if (pulse_.low && !low) {
    pulse_.low = false;
    if (Bit(now, kBoxL1ProgramEnable))
      box.Note("Pulse abandoned: Latch1 bit 6 rose with bit 7");
    else
      Pulse875X(box);
  }
}

void SimSocket::Pulse875X(SimBox& box) {
  const int addr = Address875X(box);
  const int64_t micros = box.NowMicros() - pulse_.fellAtMicros;
  if (box.StatusReads() <= pulse_.fellAtRead && micros < kTimedPulseMicros)
    return Reject(box, addr, "pulse too short");
  const uint8_t mode = box.Latch(BoxLatch::B) & kBoxLBModeLines;
  const uint8_t p = box.Latch(BoxLatch::L1) & kBoxL1ModePins;
  if (mode == 0x40 && p == 0x05) {
    if (Bit(box.Latch(BoxLatch::L2), kBoxL2ChipDrives))
      return Reject(box, addr, "Latch2 bit 3 high");
    return ProgramCell(box, addr);
  }
  if (mode == 0x10 && p == 0x00) {
    if (!chip_->info().flash) return Reject(box, addr, "chip erase pulse on an EPROM");
    if (micros < kErasePulseMicros) return Reject(box, addr, "erase pulse under 10 ms");
    chip_->Erase();
    box.Note("Chip erased");
    return;
  }
  if (mode == 0x50 && p == 0x05) return SetLock(box, kLockBit1);
  if (mode == 0x50 && p == 0x00) return SetLock(box, kLockBit2);
  if (mode == 0x10 && p == 0x04) {
    if (!chip_->info().lockBitsFromData) return SetLock(box, kLockBit3);
    // A zero in LatchA bit 7, 6, 5 asks for lock bit 1, 2, 3.
    const uint8_t data = pins_.Data(box.Latch(BoxLatch::A), false);
    uint8_t bits = 0;
    if (!Bit(data, 7)) bits |= kLockBit1;
    if (!Bit(data, 6)) bits |= kLockBit2;
    if (!Bit(data, 5)) bits |= kLockBit3;
    if (bits == 0) return Reject(box, addr, "lock pulse with LatchA bits 7-5 all high");
    return SetLock(box, bits);
  }
  Reject(box, addr,
         "no operation for mode " + HexText(mode, 2) + " with Latch1 " +
             HexText(box.Latch(BoxLatch::L1), 2));
}

void SimSocket::SetLock(SimBox& box, uint8_t bits) {
  if (chip_->Damaged()) return box.Note("Lock pulse on a damaged chip");
  chip_->SetLockBits(chip_->LockBits() | bits);
  box.Note("Lock bits now " + HexText(chip_->LockBits(), 2));
}

// --- both ---

std::string SimSocket::CheckVpp(SimBox& box) {
  const int mv = box.VppMillivolts();
  const ChipInfo& info = chip_->info();
  if (mv == kVppUndefined) return "no programming voltage";
  if (mv < info.vppMinMv) return "Vpp below the chip's window";
  if (mv > info.vppMaxMv + kDamageMarginMv) {
    chip_->SetDamaged(true);
    return "Vpp far above the chip's window: chip damaged";
  }
  if (mv > info.vppMaxMv) return "Vpp above the chip's window";
  return {};
}

void SimSocket::ProgramCell(SimBox& box, int addr) {
  if (chip_->Damaged()) return Reject(box, addr, "chip damaged");
  const std::string vpp = CheckVpp(box);
  if (!vpp.empty()) return Reject(box, addr, vpp);
  if ((chip_->LockBits() & kLockBit1) != 0) return Reject(box, addr, "lock bit 1 set");
  if (chip_->info().flash && chip_->Busy(box.StatusReads()))
    return Reject(box, addr, "still writing the last byte");
  const uint8_t data = pins_.Data(box.Latch(BoxLatch::A), Multiplexed());
  const bool took = chip_->Program(addr, data, box.StatusReads());
  const std::string where = HexText(addr, 4);
  if (took)
    box.Note("Programmed " + where + " with " + HexText(data, 2) + ": cell " +
             HexText(chip_->contents()[static_cast<size_t>(addr)], 2));
  else
    box.Note("Pulse " + std::to_string(chip_->PulsesAt(addr)) + " at " + where +
             ": cell not yet programmed");
}

void SimSocket::Reject(SimBox& box, int addr, const std::string& reason) const {
  box.Note("Pulse refused at " + HexText(addr, 4) + ": " + reason);
}

}  // namespace tarnwick
