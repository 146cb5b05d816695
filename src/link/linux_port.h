// The printer port on Linux. Two ways in, chosen when a port is opened:
// - ppdev (/dev/parportN): for ports the kernel lists; needs only membership of the
//   group that owns the device node (lp on most systems), no root.
// - direct I/O (ioperm, inb, outb): any address, for a process with CAP_SYS_RAWIO, and
//   not under kernel lockdown (Secure Boot).
// ppdev is used where the system lists the port, direct I/O only where it lists none:
// a listed port whose node cannot be opened or claimed is not touched at all.
//
// The extended control register is touched only where the system lists one (the second
// number of base-addr, plus 2): on PCI cards base + 0x402 may belong to another device,
// and on old ports base + 0x400 aliases the control register. The program addresses it
// as base + 0x402; this class redirects that to where the card really has it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/port_io.h"
#include "link/linux_kernel.h"

namespace tarnwick {

// A port as /proc/sys/dev/parport/parportN/base-addr lists it ("base\tbase_hi").
struct ListedPort {
  int number = 0;     // N of /dev/parportN
  uint16_t base = 0;  // data register
  uint16_t ecr = 0;   // extended control register, 0 where the port has none
  friend bool operator==(const ListedPort&, const ListedPort&) = default;
};

inline constexpr const char* kParportListing = "/proc/sys/dev/parport";
inline constexpr const char* kLockdownFile = "/sys/kernel/security/lockdown";

// Every port the kernel lists, by number.
std::vector<ListedPort> ListParallelPorts(LinuxKernel& kernel);
std::optional<ListedPort> FindListedPort(LinuxKernel& kernel, uint16_t base);
// True when the kernel's lockdown file names integrity or confidentiality as the mode
// in force ("none [integrity] confidentiality"); both forbid ioperm.
bool KernelLockedDown(LinuxKernel& kernel);

// How long a claim may wait for another owner of the port (a printer daemon, a second
// Tarnwick) before the search gives that port up.
inline constexpr int kClaimTimeoutMs = 2000;

class LinuxPortIo final : public PortIo {
 public:
  explicit LinuxPortIo(LinuxKernel& kernel = SystemKernel()) : k_(kernel) {}
  ~LinuxPortIo() override { Close(); }
  LinuxPortIo(const LinuxPortIo&) = delete;
  LinuxPortIo& operator=(const LinuxPortIo&) = delete;

  uint8_t Read(uint16_t address) override;
  void Write(uint16_t address, uint8_t value) override;
  bool Open(uint16_t base, PortRefusal& refusal) override;
  void Close() override;
  bool IsPortAddress(uint16_t base) override;
  // ppdev answers PPRCONTROL from parport_pc's copy of the register
  // (parport_pc_read_control), without a bus access.
  bool ControlReadsReachThePort() const override { return via_ != Via::Ppdev; }

  // A process given CAP_SYS_RAWIO for direct I/O keeps it no longer than the search
  // needs it: the port it found stays granted.
  void BoxFound() override { k_.DropRawIo(); }

  PortPath Path() const override {
    return via_ == Via::Ppdev    ? PortPath::Ppdev
           : via_ == Via::Direct ? PortPath::DirectIo
                                 : PortPath::None;
  }
  bool ViaPpdev() const { return via_ == Via::Ppdev; }
  bool ViaDirectIo() const { return via_ == Via::Direct; }

 private:
  enum class Via { None, Ppdev, Direct };
  bool OpenPpdev(const ListedPort& port, PortRefusal& refusal);
  PortRefusal DirectRefusal(int error);
  void GrantEcr(uint16_t ecr);

  LinuxKernel& k_;
  Via via_ = Via::None;
  int fd_ = -1;
  uint16_t base_ = 0;
  uint16_t ecr_ = 0;  // nonzero only while access to it is granted
};

}  // namespace tarnwick
