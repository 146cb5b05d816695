// The simulated Quillbox II on a simulated printer port: a PortIo that behaves like the
// box, so every routine above the port runs unchanged against it.
//
// The port: data (base, write), status (base + 1, read), control (base + 2, read and
// write), extended control register (base + 0x402, reads back what was written, 0x15 at
// power-up). Other addresses read 0xFF and are logged as unexpected.
//
// The box: a latch loads when control bit 2 rises; the select code is the new control
// value AND 0x0B. The box presents one byte R on its read path: what the chip drives
// when an adapter says it drives, otherwise LatchA (its outputs reach the data lines
// through resistors). While Latch2 bit 3 is low no chip drives. The status register
// shows R's high nibble while control bit 2 is clear and the low one while it is set,
// as ((nibble << 4) XOR 0x80) OR 0x07: the busy line inverts bit 7, bits 0-2 read 1.
// Unplugged or unpowered, status reads 0x7F and nothing latches.
//
// Time is virtual: every access moves the attached VirtualClock on by the access time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/port_io.h"
#include "base/virtual_clock.h"
#include "sim/box_registers.h"

namespace tarnwick {

class SimBox;

// An adapter with its chip, plugged into the box's 40-pin socket. The box calls it on
// every latch load and status read, and asks it what the chip drives on the read path.
// Everything the adapter needs to model timing is reachable through the box:
// StatusReads() counts status reads since power-up (the unit of pulse widths counted in
// port reads), NowMicros() is the virtual clock (for pulses timed in milliseconds), and
// Latch() and VppMillivolts() give the current outputs. An adapter reports what it did
// or rejected through SimBox::Note, which goes into the box's log.
class SimAdapter {
 public:
  virtual ~SimAdapter() = default;
  // After `latch` changed from `before` to its new value (box.Latch(latch)). Called
  // for every load, also when the value did not change.
  virtual void OnLatchLoad(SimBox& box, BoxLatch latch, uint8_t before) = 0;
  // Before the status register is read; StatusReads() already counts this read.
  virtual void OnStatusRead(SimBox& box) { (void)box; }
  // The byte the chip puts on its data lines now, or nothing while it does not drive.
  // Asked only while Latch2 bit 3 is high.
  virtual std::optional<uint8_t> DrivenByte(const SimBox& box) const = 0;
  // The box lost power: the chip forgets any latched address or pending pulse.
  virtual void OnPowerLoss(SimBox& box) { (void)box; }
};

// One port access as the program made it: offset from the open base.
struct SimAccess {
  bool write;
  uint16_t offset;
  uint8_t value;
  friend bool operator==(const SimAccess&, const SimAccess&) = default;
};

inline constexpr int kVppUndefined = -1;

// The programming voltage the box makes of (Latch2 AND 0xB0, Latch3 AND 0xB0), in mV.
int VppMillivolts(uint8_t latch2, uint8_t latch3);

class SimBox final : public PortIo {
 public:
  explicit SimBox(VirtualClock* clock = nullptr) : clock_(clock) {}

  // PortIo. Open succeeds at a legacy address and at the box's own (an empty port has
  // registers too); anywhere else there is no port.
  uint8_t Read(uint16_t address) override;
  void Write(uint16_t address, uint8_t value) override;
  bool Open(uint16_t base, PortRefusal& refusal) override;
  void Close() override;
  bool IsPortAddress(uint16_t base) override {
    return IsLegacyPortAddress(base) || base == boxBase_;
  }
  PortPath Path() const override { return open_ ? PortPath::Simulated : PortPath::None; }

  // Set-up of the bench.
  void AttachClock(VirtualClock* clock) { clock_ = clock; }
  void SetBoxBase(uint16_t base) { boxBase_ = base; }
  uint16_t BoxBase() const { return boxBase_; }
  void SetConnected(bool connected);  // the cable is on the port at BoxBase()
  void SetPowered(bool powered);      // the power pack is plugged in
  bool Live() const { return connected_ && powered_; }
  void Plug(SimAdapter* adapter) { adapter_ = adapter; }  // nullptr: empty socket
  // Time one port access takes, in nanoseconds (1000: a legacy ISA port).
  void SetAccessNanos(int64_t nanos) { accessNanos_ = nanos; }

  // What the box holds.
  uint8_t Latch(BoxLatch latch) const { return latches_[Index(latch)]; }
  int VppMillivolts() const;
  uint8_t ReadPath() const;
  uint64_t StatusReads() const { return statusReads_; }
  int64_t NowMicros() const { return clock_ != nullptr ? clock_->NowMicros() : 0; }
  bool IsOpen() const { return open_; }
  uint16_t OpenBase() const { return openBase_; }
  int Opens() const { return opens_; }

  // The access record, bounded so long programming runs keep their memory: beyond
  // the limit accesses are counted in Dropped() only.
  void SetRecording(bool on, size_t limit = SIZE_MAX);
  const std::vector<SimAccess>& Record() const { return record_; }
  uint64_t Dropped() const { return dropped_; }
  // Every access recorded since the last ClearRecord, dropped ones too: how many, and
  // an FNV-1a hash of their (direction, offset, value) bytes.
  uint64_t RecordedCount() const { return record_.size() + dropped_; }
  uint64_t RecordDigest() const { return digest_; }
  void ClearRecord();

  // What the box saw, in words: latch loads, Vpp changes, unexpected accesses, and
  // whatever the adapter notes. Bounded like the record.
  void Note(std::string line);
  const std::vector<std::string>& Log() const { return log_; }
  void SetLogLimit(size_t limit) { logLimit_ = limit; }
  bool WriteLog(const std::string& path) const;

 private:
  static constexpr size_t Index(BoxLatch latch) {
    // The select codes 1..3 and 9..B, packed into 0..5.
    const auto code = static_cast<size_t>(latch);
    return code < 8 ? code - 1 : code - 6;
  }
  void Tick();
  void Remember(bool write, uint16_t offset, uint8_t value);
  bool BoxOnPort() const { return open_ && Live() && openBase_ == boxBase_; }
  void LoadLatch(uint8_t select);
  uint8_t Status();

  VirtualClock* clock_;
  SimAdapter* adapter_ = nullptr;
  int64_t accessNanos_ = 1000;
  int64_t pendingNanos_ = 0;

  uint16_t boxBase_ = 0x378;
  bool connected_ = true;
  bool powered_ = true;

  bool open_ = false;
  uint16_t openBase_ = 0;
  int opens_ = 0;
  uint8_t data_ = 0;
  uint8_t control_ = 0;
  uint8_t ecr_ = 0x15;

  uint8_t latches_[kBoxLatchCount] = {};
  int lastVpp_ = kVppUndefined;
  uint64_t statusReads_ = 0;

  bool recording_ = true;
  size_t recordLimit_ = SIZE_MAX;
  std::vector<SimAccess> record_;
  uint64_t dropped_ = 0;
  static constexpr uint64_t kDigestStart = 0xCBF29CE484222325;  // FNV-1a offset basis
  uint64_t digest_ = kDigestStart;
  size_t logLimit_ = 100000;
  std::vector<std::string> log_;
};

}  // namespace tarnwick
