// Byte access to the printer port's I/O addresses. Everything above this runs unchanged
// over the Linux backends, the simulated box and the recording ports of the tests.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// The three addresses PC printer ports have had since the first PC (LPT1..LPT3 in
// their usual places). Probing writes to base .. base + 2 and base + 0x402.
inline constexpr uint16_t kLegacyPortAddresses[] = {0x278, 0x378, 0x3BC};

constexpr bool IsLegacyPortAddress(uint16_t base) {
  for (uint16_t legacy : kLegacyPortAddresses)
    if (legacy == base) return true;
  return false;
}

class PortIo {
 public:
  virtual ~PortIo() = default;
  virtual uint8_t Read(uint16_t address) = 0;
  virtual void Write(uint16_t address, uint8_t value) = 0;
  // Gains access to base .. base + 2 (and the extended control register where the port
  // has one). On refusal returns false with a text a person can act on in failure; an
  // address that is simply not a port returns false with an empty text.
  virtual bool Open(uint16_t base, std::string& failure) = 0;
  // Gives the port back. Accesses after this do nothing and read 0xFF.
  virtual void Close() = 0;
  // Whether probing base is safe: it is a printer port's address, so the probe's writes
  // cannot land in another device. The legacy addresses always are.
  virtual bool IsPortAddress(uint16_t base) { return IsLegacyPortAddress(base); }
};

}  // namespace tarnwick
