#include "support/fake_kernel.h"

#include <gtest/gtest.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>

#include "base/hex_text.h"

namespace tarnwick {

namespace {
constexpr uint16_t kEcrOffset = 0x402;
constexpr uint8_t kControlLines = 0x0F;  // strobe, auto-feed, init, select-in
constexpr uint8_t kAckIntEn = 0x10;
constexpr const char* kNodePrefix = "/dev/parport";
}  // namespace

void FakeKernel::ListPort(const Port& port) {
  ports_[port.number] = PortState{port};
}

void FakeKernel::AttachBus(uint16_t base, PortIo& device) {
  bus_[base] = &device;
  PortRefusal refusal;
  device.Open(base, refusal);  // the device is wired to its address for good
}

uint8_t FakeKernel::ControlLines(uint16_t base) const {
  const auto it = controlLines_.find(base);
  return it != controlLines_.end() ? it->second : 0;
}

void FakeKernel::Charge(int64_t nanos) {
  pendingNanos_ += nanos;
  clock_.Advance(pendingNanos_ / 1000);
  pendingNanos_ %= 1000;
}

uint8_t FakeKernel::BusRead(uint16_t address) {
  for (auto& [base, device] : bus_) {
    const auto offset = static_cast<uint16_t>(address - base);
    if (offset < 3 || offset == kEcrOffset) return device->Read(address);
  }
  Charge(busNanos);
  return 0xFF;
}

void FakeKernel::BusWrite(uint16_t address, uint8_t value) {
  for (auto& [base, device] : bus_) {
    const auto offset = static_cast<uint16_t>(address - base);
    if (offset == 2) controlLines_[base] = value;
    if (offset < 3 || offset == kEcrOffset) return device->Write(address, value);
  }
  Charge(busNanos);
}

// __parport_pc_frob_control: only writable bits change, the result goes to the port
// and becomes the soft copy.
void FakeKernel::Frob(PortState& p, uint8_t mask, uint8_t value) {
  const uint8_t writable = p.port.irq >= 0 ? 0xFF : static_cast<uint8_t>(~kAckIntEn);
  p.ctr = static_cast<uint8_t>(((p.ctr & ~mask) ^ value) & writable);
  BusWrite(static_cast<uint16_t>(p.port.base + 2), p.ctr);
}

int FakeKernel::Open(const std::string& path) {
  ++syscalls_;
  Charge(ioctlNanos);
  const std::string prefix = kNodePrefix;
  if (path.rfind(prefix, 0) != 0) return -ENOENT;
  int number = -1;
  try {
    number = std::stoi(path.substr(prefix.size()));
  } catch (...) {
    return -ENOENT;
  }
  const auto it = ports_.find(number);
  if (it == ports_.end()) return -ENOENT;
  if (it->second.port.openErrno != 0) return -it->second.port.openErrno;
  const int fd = nextFd_++;
  fds_[fd] = Descriptor{number};
  return fd;
}

void FakeKernel::Close(int fd) {
  ++syscalls_;
  Charge(ioctlNanos);
  const auto it = fds_.find(fd);
  if (it == fds_.end()) return;
  // pp_release gives back a port the program forgot to release.
  if (it->second.claimed) ports_[it->second.number].claimed = false;
  fds_.erase(it);
}

int FakeKernel::Ioctl(int fd, unsigned long request, void* arg) {
  ++syscalls_;
  Charge(ioctlNanos);
  const auto it = fds_.find(fd);
  if (it == fds_.end()) return -EBADF;
  Descriptor& d = it->second;
  PortState& p = ports_[d.number];
  auto* byte = static_cast<unsigned char*>(arg);

  if (request == PPCLAIM) {
    if (d.claimed) return -EINVAL;
    if (p.port.heldByOther || p.claimed) {
      if (alarmDue_ < 0) {
        ADD_FAILURE() << "PPCLAIM on a held port with no alarm: the program would hang";
        return -EINTR;
      }
      clock_.AdvanceTo(alarmDue_);
      alarmDue_ = -1;
      return -EINTR;
    }
    d.claimed = p.claimed = true;
    // parport_pc_restore_state with the state parport_pc_init_state gave the device.
    p.ctr = static_cast<uint8_t>(0x0C | (p.port.irq >= 0 ? kAckIntEn : 0));
    Frob(p, 0, 0);
    if (p.port.baseHi != 0) BusWrite(static_cast<uint16_t>(p.port.baseHi + 2), 0x34);
    Frob(p, kAckIntEn, kAckIntEn);  // pp_enable_irq
    return 0;
  }
  if (!d.claimed) return -EINVAL;  // "claim the port first"
  switch (request) {
    case PPRELEASE:
      d.claimed = p.claimed = false;
      return 0;
    case PPRSTATUS:
      *byte = BusRead(static_cast<uint16_t>(p.port.base + 1));
      return 0;
    case PPRDATA:
      *byte = BusRead(p.port.base);
      return 0;
    case PPRCONTROL:
      *byte = p.ctr & kControlLines;
      return 0;
    case PPWDATA:
      BusWrite(p.port.base, *byte);
      return 0;
    case PPWCONTROL:
      Frob(p, kControlLines, *byte & kControlLines);
      return 0;
    default:
      return -EINVAL;
  }
}

int FakeKernel::Ioperm(uint16_t from, int count, bool on) {
  ++syscalls_;
  Charge(ioctlNanos);
  if (iopermErrno != 0) return -iopermErrno;
  if (on && rawIoDropped) return -EPERM;
  for (int i = 0; i < count; ++i) {
    const auto address = static_cast<uint16_t>(from + i);
    if (on) everGranted.insert(address);
    if (on)
      granted_.insert(address);
    else
      granted_.erase(address);
  }
  return 0;
}

uint8_t FakeKernel::Inb(uint16_t port) {
  if (!granted_.contains(port)) {
    ADD_FAILURE() << "inb of " << HexText(port, 4) << " without ioperm: SIGSEGV";
    return 0xFF;
  }
  return BusRead(port);
}

void FakeKernel::Outb(uint8_t value, uint16_t port) {
  if (!granted_.contains(port)) {
    ADD_FAILURE() << "outb to " << HexText(port, 4) << " without ioperm: SIGSEGV";
    return;
  }
  BusWrite(port, value);
}

std::map<std::string, std::string> FakeKernel::AllFiles() const {
  std::map<std::string, std::string> all = files;
  for (const auto& [number, p] : ports_)
    all["/proc/sys/dev/parport/parport" + std::to_string(number) + "/base-addr"] =
        std::to_string(p.port.base) + "\t" + std::to_string(p.port.baseHi) + "\n";
  if (!lockdown.empty()) all["/sys/kernel/security/lockdown"] = lockdown;
  return all;
}

std::optional<std::string> FakeKernel::ReadText(const std::string& path) {
  const std::map<std::string, std::string> all = AllFiles();
  const auto it = all.find(path);
  if (it == all.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> FakeKernel::ListDirectory(const std::string& path) {
  std::set<std::string> names;
  const std::string prefix = path + "/";
  for (const auto& [file, text] : AllFiles()) {
    if (file.rfind(prefix, 0) != 0) continue;
    const std::string rest = file.substr(prefix.size());
    names.insert(rest.substr(0, rest.find('/')));
  }
  return {names.begin(), names.end()};
}

void FakeKernel::ArmAlarm(int ms) {
  alarmDue_ = clock_.NowMicros() + static_cast<int64_t>(ms) * 1000;
}

void FakeKernel::DisarmAlarm() {
  alarmDue_ = -1;
}

}  // namespace tarnwick
