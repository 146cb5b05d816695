#include "sim/sim_box.h"

#include <string>

#include "base/atomic_file.h"
#include "base/hex_text.h"

namespace tarnwick {

namespace {

struct VppEntry {
  uint8_t latch2;  // Latch2 AND 0xB0
  uint8_t latch3;  // Latch3 AND 0xB0
  int millivolts;
};

// The regulator's settings; the last three are the test panel's (Latch3 bit 4 clear).
constexpr VppEntry kVppTable[] = {
    {0x00, 0xB0, 25000}, {0x10, 0xB0, 21000}, {0xB0, 0xB0, 12750}, {0x30, 0xB0, 12500},
    {0x30, 0x30, 12000}, {0xB0, 0x30, 12000}, {0x30, 0x20, 12000}, {0x30, 0x00, 3000},
    {0x00, 0xA0, 25000}, {0x10, 0xA0, 21000}, {0xB0, 0xA0, 12500},
};

struct LatchName {
  BoxLatch latch;
  const char* name;
};
constexpr LatchName kLatchNames[] = {
    {BoxLatch::A, "LatchA"},  {BoxLatch::L9, "Latch9"}, {BoxLatch::B, "LatchB"},
    {BoxLatch::L3, "Latch3"}, {BoxLatch::L2, "Latch2"}, {BoxLatch::L1, "Latch1"},
};

const char* NameOf(uint8_t select) {
  for (const LatchName& entry : kLatchNames)
    if (static_cast<uint8_t>(entry.latch) == select) return entry.name;
  return nullptr;
}

std::string VppText(int millivolts) {
  if (millivolts == kVppUndefined) return "Vpp off";
  std::string text = "Vpp " + std::to_string(millivolts / 1000);
  const int fraction = millivolts % 1000;
  if (fraction != 0) {
    std::string digits = std::to_string(1000 + fraction).substr(1);
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return text + " V";
}

}  // namespace

int VppMillivolts(uint8_t latch2, uint8_t latch3) {
  const auto l2 = static_cast<uint8_t>(latch2 & kVppLines);
  const auto l3 = static_cast<uint8_t>(latch3 & kVppLines);
  for (const VppEntry& entry : kVppTable)
    if (entry.latch2 == l2 && entry.latch3 == l3) return entry.millivolts;
  return kVppUndefined;
}

int SimBox::VppMillivolts() const {
  if (!powered_) return kVppUndefined;
  return tarnwick::VppMillivolts(Latch(BoxLatch::L2), Latch(BoxLatch::L3));
}

void SimBox::Tick() {
  if (clock_ == nullptr) return;
  pendingNanos_ += accessNanos_;
  clock_->Advance(pendingNanos_ / 1000);
  pendingNanos_ %= 1000;
}

void SimBox::Remember(bool write, uint16_t offset, uint8_t value) {
  if (!recording_) return;
  for (const uint8_t byte :
       {uint8_t{write}, static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8), value})
    digest_ = (digest_ ^ byte) * 0x100000001B3;  // FNV-1a prime
  if (record_.size() >= recordLimit_) {
    ++dropped_;
    return;
  }
  record_.push_back({write, offset, value});
}

uint8_t SimBox::Read(uint16_t address) {
  if (!open_) return 0xFF;  // given back: the access goes nowhere
  Tick();
  const auto offset = static_cast<uint16_t>(address - openBase_);
  uint8_t value = 0xFF;
  switch (offset) {
    case 0:
      value = data_;
      break;
    case 1:
      value = Status();
      break;
    case 2:
      value = control_;
      break;
    case kEcrRegister:
      value = ecr_;
      break;
    default:
      Note("Unexpected read at " + HexText(address, 4));
      break;
  }
  Remember(false, offset, value);
  return value;
}

void SimBox::Write(uint16_t address, uint8_t value) {
  if (!open_) return;
  Tick();
  const auto offset = static_cast<uint16_t>(address - openBase_);
  Remember(true, offset, value);
  switch (offset) {
    case 0:
      data_ = value;
      break;
    case 2: {
      const uint8_t before = control_;
      control_ = value;
      constexpr uint8_t clock = 1 << kClockLine;
      if ((before & clock) == 0 && (value & clock) != 0) LoadLatch(value & kSelectLines);
      break;
    }
    case kEcrRegister:
      ecr_ = value;
      break;
    default:
      Note("Unexpected write of " + HexText(value, 2) + " at " + HexText(address, 4));
      break;
  }
}

void SimBox::LoadLatch(uint8_t select) {
  if (!BoxOnPort()) return;
  const char* name = NameOf(select);
  if (name == nullptr) return;  // codes 0x00 and 0x08 select no latch
  const auto latch = static_cast<BoxLatch>(select);
  uint8_t& slot = latches_[Index(latch)];
  const uint8_t before = slot;
  slot = data_;
  Note(std::string(name) + " := " + HexText(data_, 2));
  if (latch == BoxLatch::L2 || latch == BoxLatch::L3) {
    const int vpp = VppMillivolts();
    if (vpp != lastVpp_) Note(VppText(vpp));
    lastVpp_ = vpp;
  }
  if (adapter_ != nullptr) adapter_->OnLatchLoad(*this, latch, before);
}

uint8_t SimBox::ReadPath() const {
  if ((Latch(BoxLatch::L2) >> kBoxL2ChipDrives & 1) != 0 && adapter_ != nullptr) {
    if (const std::optional<uint8_t> driven = adapter_->DrivenByte(*this)) return *driven;
  }
  return Latch(BoxLatch::A);
}

uint8_t SimBox::Status() {
  if (!BoxOnPort()) return 0x7F;
  ++statusReads_;
  if (adapter_ != nullptr) adapter_->OnStatusRead(*this);
  const uint8_t r = ReadPath();
  const uint8_t nibble = (control_ >> kClockLine & 1) != 0 ? (r & 0x0F) : (r >> 4);
  return static_cast<uint8_t>(((nibble << 4) ^ 0x80) | 0x07);
}

bool SimBox::Open(uint16_t base, PortRefusal& refusal) {
  if (!IsPortAddress(base)) {
    refusal = {"no printer port here", false};
    return false;
  }
  if (open_) Close();
  open_ = true;
  openBase_ = base;
  ++opens_;
  return true;
}

void SimBox::Close() {
  open_ = false;
}

void SimBox::SetConnected(bool connected) {
  if (connected_ && !connected && powered_ && adapter_ != nullptr) adapter_->OnPowerLoss(*this);
  connected_ = connected;
}

void SimBox::SetPowered(bool powered) {
  if (powered_ == powered) return;
  powered_ = powered;
  if (!powered) {
    // The latches are not battery-backed: they come up cleared with the next power-up.
    for (uint8_t& latch : latches_) latch = 0;
    lastVpp_ = kVppUndefined;
    if (adapter_ != nullptr) adapter_->OnPowerLoss(*this);
  }
  Note(powered ? "Power on" : "Power off");
}

void SimBox::SetRecording(bool on, size_t limit) {
  recording_ = on;
  recordLimit_ = limit;
}

void SimBox::ClearRecord() {
  record_.clear();
  dropped_ = 0;
  digest_ = kDigestStart;
}

void SimBox::Note(std::string line) {
  if (log_.size() < logLimit_) log_.push_back(std::move(line));
}

bool SimBox::WriteLog(const std::string& path) const {
  std::string text;
  for (const std::string& line : log_) text += line + '\n';
  return !ReplaceFile(path, text);
}

}  // namespace tarnwick
