#include "link/linux_port.h"

#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace tarnwick {

namespace {

std::string SystemReason(int error) {
  return std::strerror(error);
}

}  // namespace

bool LinuxPortIo::IsPortAddress(uint16_t base) {
  return IsLegacyPortAddress(base) || FindListedPort(k_, base).has_value();
}

bool LinuxPortIo::OpenPpdev(const ListedPort& port, PortRefusal& refusal) {
  const std::string node = "/dev/parport" + std::to_string(port.number);
  const int fd = k_.Open(node);
  if (fd < 0) {
    const int error = -fd;
    std::string advice;
    if (error == ENOENT || error == ENXIO || error == ENODEV)
      advice = " - load the ppdev module (sudo modprobe ppdev)";
    else if (error == EACCES || error == EPERM)
      advice = " - add yourself to the group lp and log in again";
    refusal = {node + ": " + SystemReason(error) + advice, true};
    return false;
  }
  // PPCLAIM sleeps until the port's current owner lets it go (parport_claim_or_block);
  // a signal ends the sleep with EINTR. The alarm bounds it, so a port held by a
  // printer daemon or a second Tarnwick costs the search two seconds, not the session.
  k_.ArmAlarm(kClaimTimeoutMs);
  const int claimed = k_.Ioctl(fd, PPCLAIM, nullptr);
  k_.DisarmAlarm();
  if (claimed != 0) {
    k_.Close(fd);
    if (claimed == -EINTR)
      refusal = {node + ": another program holds the port (a printer daemon or a second Tarnwick)",
                 false};
    else
      refusal = {node + ": could not be claimed: " + SystemReason(-claimed), true};
    return false;
  }
  fd_ = fd;
  return true;
}

PortRefusal LinuxPortIo::DirectRefusal(int error) {
  // parport_pc probes every legacy address when it loads: where it lists ports at all,
  // an address it did not list has no port.
  if (!ListParallelPorts(k_).empty()) return {"no printer port here", false};
  if (error == EPERM) {
    const std::string why = KernelLockedDown(k_) ? "kernel lockdown forbids direct I/O"
                                                 : "direct I/O needs root or CAP_SYS_RAWIO";
    return {"no printer port listed by the kernel (sudo modprobe parport_pc ppdev); " + why, false};
  }
  // ENOSYS, EINVAL: no I/O ports to grant, as in many virtual machines.
  return {"no printer port here (direct I/O: " + SystemReason(error) + ")", false};
}

void LinuxPortIo::GrantEcr(uint16_t ecr) {
  if (ecr != 0 && k_.Ioperm(ecr, 1, true) == 0) ecr_ = ecr;
}

bool LinuxPortIo::Open(uint16_t base, PortRefusal& refusal) {
  Close();
  if (const std::optional<ListedPort> listed = FindListedPort(k_, base)) {
    // A port the kernel lists belongs to parport_pc and whoever has claimed it (lp, a
    // printer daemon, another program): it is reached through ppdev or not at all.
    // Direct I/O on it would drive a port given to another driver, whatever the rights
    // of this process; ppdev's refusal says what to do instead.
    if (!OpenPpdev(*listed, refusal)) return false;
    via_ = Via::Ppdev;
    base_ = base;
    GrantEcr(listed->ecr);
    return true;
  }
  const int granted = k_.Ioperm(base, 3, true);
  if (granted != 0) {
    refusal = DirectRefusal(-granted);
    return false;
  }
  via_ = Via::Direct;
  base_ = base;
  return true;
}

void LinuxPortIo::Close() {
  if (via_ == Via::Ppdev) {
    k_.Ioctl(fd_, PPRELEASE, nullptr);
    k_.Close(fd_);
    fd_ = -1;
  } else if (via_ == Via::Direct) {
    k_.Ioperm(base_, 3, false);
  }
  if (ecr_ != 0) k_.Ioperm(ecr_, 1, false);
  via_ = Via::None;
  ecr_ = 0;
}

uint8_t LinuxPortIo::Read(uint16_t address) {
  const auto offset = static_cast<uint16_t>(address - base_);
  if (offset == 0x402) return ecr_ != 0 ? k_.Inb(ecr_) : 0xFF;
  if (via_ == Via::Direct) return offset < 3 ? k_.Inb(address) : 0xFF;
  if (via_ != Via::Ppdev) return 0xFF;
  unsigned char value = 0xFF;
  switch (offset) {
    case 0:
      k_.Ioctl(fd_, PPRDATA, &value);
      break;
    case 1:
      k_.Ioctl(fd_, PPRSTATUS, &value);
      break;
    case 2:
      k_.Ioctl(fd_, PPRCONTROL, &value);
      break;
    default:
      break;
  }
  return value;
}

void LinuxPortIo::Write(uint16_t address, uint8_t value) {
  const auto offset = static_cast<uint16_t>(address - base_);
  if (offset == 0x402) {
    if (ecr_ != 0) k_.Outb(value, ecr_);
    return;
  }
  if (via_ == Via::Direct) {
    if (offset < 3) k_.Outb(value, address);
    return;
  }
  if (via_ != Via::Ppdev) return;
  unsigned char byte = value;
  // ppdev passes the raw register bits; PPWCONTROL takes bits 0-3 (parport_pc masks the
  // rest), all this protocol writes.
  if (offset == 0)
    k_.Ioctl(fd_, PPWDATA, &byte);
  else if (offset == 2)
    k_.Ioctl(fd_, PPWCONTROL, &byte);
}

}  // namespace tarnwick
