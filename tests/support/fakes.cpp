#include "support/fakes.h"

namespace tarnwick {

uint8_t RecordingPort::Read(uint16_t address) {
  const uint8_t value = next_ < statusScript.size() ? statusScript[next_++] : statusDefault;
  accesses.push_back({false, address, value});
  return value;
}

void RecordingPort::Write(uint16_t address, uint8_t value) {
  accesses.push_back({true, address, value});
}

bool RecordingPort::Open(uint16_t base, PortRefusal& refused) {
  (void)base;
  ++opens;
  if (refuseOpen) refused = refusal;
  return !refuseOpen;
}

std::vector<uint8_t> RecordingPort::WritesTo(uint16_t address) const {
  std::vector<uint8_t> values;
  for (const auto& a : accesses)
    if (a.write && a.address == address) values.push_back(a.value);
  return values;
}

}  // namespace tarnwick
