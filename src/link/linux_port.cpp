#include "link/linux_port.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TARNWICK_HAS_PORT_IO 1
#else
#define TARNWICK_HAS_PORT_IO 0
#endif

namespace tarnwick {

namespace {

uint8_t In(uint16_t address) {
#if TARNWICK_HAS_PORT_IO
  return inb(address);
#else
  (void)address;
  return 0xFF;
#endif
}

void Out(uint16_t address, uint8_t value) {
#if TARNWICK_HAS_PORT_IO
  outb(value, address);
#else
  (void)address, (void)value;
#endif
}

int Permit(uint16_t from, int count, bool on) {
#if TARNWICK_HAS_PORT_IO
  return ioperm(from, static_cast<unsigned long>(count), on ? 1 : 0);
#else
  (void)from, (void)count, (void)on;
  errno = ENOSYS;
  return -1;
#endif
}

}  // namespace

bool LinuxPortIo::IsPortAddress(uint16_t base) {
  return IsLegacyPortAddress(base) || FindListedPort(paths_.procRoot, base).has_value();
}

bool LinuxPortIo::OpenPpdev(const ListedPort& port, std::string& problem) {
  const std::string node = paths_.devRoot + "/parport" + std::to_string(port.number);
  fd_ = ::open(node.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ENOENT || error == ENXIO || error == ENODEV)
      problem = " " + node + " is missing: load the ppdev module (modprobe ppdev)";
    else if (error == EACCES || error == EPERM)
      problem =
          " " + node + " exists but this user may not open it: join group lp and log in again";
    else
      problem = " " + node + " could not be opened: " + std::strerror(error);
    return false;
  }
  if (::ioctl(fd_, PPCLAIM) != 0) {
    problem = " " + node + " could not be claimed: " + std::strerror(errno);
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  return true;
}

bool LinuxPortIo::GrantDirect(uint16_t from, int count) {
  return paths_.directIo && Permit(from, count, true) == 0;
}

void LinuxPortIo::GrantEcr(uint16_t ecr) {
  if (ecr != 0 && GrantDirect(ecr, 1)) ecr_ = ecr;
}

bool LinuxPortIo::Open(uint16_t base, std::string& failure) {
  Close();
  failure.clear();
  const std::optional<ListedPort> listed = FindListedPort(paths_.procRoot, base);
  std::string problem;
  if (listed && OpenPpdev(*listed, problem)) {
    via_ = Via::Ppdev;
    base_ = base;
    GrantEcr(listed->ecr);
    return true;
  }
  if (GrantDirect(base, 3)) {
    via_ = Via::Direct;
    base_ = base;
    if (listed) GrantEcr(listed->ecr);
    return true;
  }
  // Where the system lists no port and direct access is refused there is simply no
  // printer port to talk to: no message.
  if (!listed) return false;
  failure = problem;
  if (paths_.directIo && KernelLockedDown(paths_.lockdownFile))
    failure += "; kernel lockdown forbids direct port access";
  return false;
}

void LinuxPortIo::Close() {
  if (via_ == Via::Ppdev) {
    ::ioctl(fd_, PPRELEASE);
    ::close(fd_);
    fd_ = -1;
  } else if (via_ == Via::Direct) {
    Permit(base_, 3, false);
  }
  if (ecr_ != 0) Permit(ecr_, 1, false);
  via_ = Via::None;
  ecr_ = 0;
}

uint8_t LinuxPortIo::Read(uint16_t address) {
  const auto offset = static_cast<uint16_t>(address - base_);
  if (offset == 0x402) return ecr_ != 0 ? In(ecr_) : 0xFF;
  if (via_ == Via::Direct) return offset < 3 ? In(address) : 0xFF;
  if (via_ != Via::Ppdev) return 0xFF;
  unsigned char value = 0xFF;
  switch (offset) {
    case 0:
      ::ioctl(fd_, PPRDATA, &value);
      break;
    case 1:
      ::ioctl(fd_, PPRSTATUS, &value);
      break;
    case 2:
      ::ioctl(fd_, PPRCONTROL, &value);
      break;
    default:
      break;
  }
  return value;
}

void LinuxPortIo::Write(uint16_t address, uint8_t value) {
  const auto offset = static_cast<uint16_t>(address - base_);
  if (offset == 0x402) {
    if (ecr_ != 0) Out(ecr_, value);
    return;
  }
  if (via_ == Via::Direct) {
    if (offset < 3) Out(address, value);
    return;
  }
  if (via_ != Via::Ppdev) return;
  unsigned char byte = value;
  // ppdev passes the raw register bits; PPWCONTROL takes bits 0-3, all this protocol
  // writes (bits 4-7 stay 0: data lines out, interrupt off).
  if (offset == 0)
    ::ioctl(fd_, PPWDATA, &byte);
  else if (offset == 2)
    ::ioctl(fd_, PPWCONTROL, &byte);
}

}  // namespace tarnwick
