// Test doubles of the platform services.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/platform.h"
#include "base/port_io.h"

namespace tarnwick {

class FakePriority final : public ProcessPriority {
 public:
  bool SetRealTime() override {
    ++realTimeCalls;
    if (refuseRealTime) return false;
    realTime = true;
    return true;
  }
  bool SetNormal() override {
    ++normalCalls;
    if (refuseNormal) return false;
    realTime = false;
    return true;
  }
  bool refuseRealTime = false;
  bool refuseNormal = false;
  bool realTime = false;
  int realTimeCalls = 0;
  int normalCalls = 0;
};

struct PortAccess {
  bool write;
  uint16_t address;
  uint8_t value;
  friend bool operator==(const PortAccess&, const PortAccess&) = default;
};

// Records every access; status reads come from a script (then statusDefault).
class RecordingPort final : public PortIo {
 public:
  uint8_t Read(uint16_t address) override;
  void Write(uint16_t address, uint8_t value) override;
  bool Open(uint16_t base, PortRefusal& refusal) override;
  void Close() override { ++closes; }

  std::vector<PortAccess> accesses;
  std::vector<uint8_t> statusScript;  // consumed front to back by reads
  uint8_t statusDefault = 0x7F;       // nothing on the port: ReadNibbles gives 0xFF
  bool refuseOpen = false;
  PortRefusal refusal;
  int opens = 0;
  int closes = 0;

  std::vector<uint8_t> WritesTo(uint16_t address) const;

 private:
  size_t next_ = 0;
};

}  // namespace tarnwick
