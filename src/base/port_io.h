// Byte access to the printer port's I/O addresses. Everything above this runs unchanged
// over the Linux backends, the simulated box and the recording ports of the tests.
#pragma once

#include <cstdint>
#include <string>

#include "base/outcome.h"

namespace tarnwick {

// The three addresses PC printer ports have had since the first PC (LPT1..LPT3 in
// their usual places). Probing writes to base .. base + 2 and base + 0x402.
inline constexpr uint16_t kLegacyPortAddresses[] = {0x278, 0x378, 0x3BC};

constexpr bool IsLegacyPortAddress(uint16_t base) {
  for (uint16_t legacy : kLegacyPortAddresses)
    if (legacy == base) return true;
  return false;
}

// Why a port could not be opened, for the search log: "/dev/parport0: Permission denied
// - add yourself to the group lp", "no printer port here". alert: a port is there but
// this user may not have it, which is worth a message box as well.
struct PortRefusal {
  std::string reason;
  bool alert = false;
};

class PortIo {
 public:
  virtual ~PortIo() = default;
  virtual uint8_t Read(uint16_t address) = 0;
  virtual void Write(uint16_t address, uint8_t value) = 0;
  // Gains access to base .. base + 2 (and the extended control register where the port
  // has one). On refusal returns false with the reason, in words a person can act on.
  virtual bool Open(uint16_t base, PortRefusal& refusal) = 0;
  // Gives the port back. Accesses after this do nothing and read 0xFF.
  virtual void Close() = 0;
  // Whether probing base is safe: it is a printer port's address, so the probe's writes
  // cannot land in another device. The legacy addresses always are.
  virtual bool IsPortAddress(uint16_t base) { return IsLegacyPortAddress(base); }
  // Whether a read of the control register reaches the port. Where it does not (ppdev
  // answers it from the driver's copy), a read of it costs less than the status reads
  // the waits are made of, so the speed measurement must time status reads instead.
  virtual bool ControlReadsReachThePort() const { return true; }
  // The box was found on the open port: rights that only the search needed may go.
  virtual void BoxFound() {}
  // How the open port is reached, for the search's report.
  virtual PortPath Path() const { return PortPath::None; }
};

}  // namespace tarnwick
