#include "support/fake_kernel.h"

#include <gtest/gtest.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
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

const FakeKernel::PortState* FakeKernel::NodePort(const std::string& path) const {
  const std::string prefix = kNodePrefix;
  if (path.rfind(prefix, 0) != 0) return nullptr;
  int number = -1;
  try {
    number = std::stoi(path.substr(prefix.size()));
  } catch (...) {
    return nullptr;
  }
  const auto it = ports_.find(number);
  return it != ports_.end() ? &it->second : nullptr;
}

bool FakeKernel::MayOpen(const Port& port) const {
  if (credentials.euid == 0) return true;
  const bool member = credentials.gid == port.nodeGid ||
                      std::find(credentials.groups.begin(), credentials.groups.end(),
                                port.nodeGid) != credentials.groups.end();
  const uint32_t bits = member ? port.nodeMode >> 3 : port.nodeMode;  // root owns the node
  return (bits & 06) == 06;                                           // O_RDWR
}

int FakeKernel::Open(const std::string& path) {
  ++syscalls_;
  Charge(ioctlNanos);
  const PortState* p = NodePort(path);
  if (p == nullptr) return -ENOENT;
  if (p->port.openErrno != 0) return -p->port.openErrno;
  if (!MayOpen(p->port)) return -EACCES;
  const int fd = nextFd_++;
  fds_[fd] = Descriptor{p->port.number};
  return fd;
}

std::optional<LinuxKernel::FileStatus> FakeKernel::Stat(const std::string& path) {
  const PortState* p = NodePort(path);
  // Without ppdev there is no node (udev makes it when ppdev registers the port).
  if (p == nullptr || p->port.openErrno == ENOENT) return std::nullopt;
  return FileStatus{S_IFCHR | p->port.nodeMode, 0, p->port.nodeGid};
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
    if (p.port.heldByOther || !p.port.holder.empty() || p.claimed) {
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
  for (const auto& [number, p] : ports_) {
    const std::string dir = "/proc/sys/dev/parport/parport" + std::to_string(number);
    all[dir + "/base-addr"] =
        std::to_string(p.port.base) + "\t" + std::to_string(p.port.baseHi) + "\n";
    all[dir + "/irq"] = std::to_string(p.port.irq) + "\n";
    all[dir + "/modes"] = p.port.modes + "\n";
    const std::string ppdev = "ppdev" + std::to_string(number);
    const std::string active = !p.port.holder.empty()            ? p.port.holder
                               : p.port.heldByOther || p.claimed ? ppdev
                                                                 : "none";
    all[dir + "/devices/active"] = active + "\n";
    std::vector<std::string> devices = p.port.registered;
    if (active != "none") devices.push_back(active);
    for (const std::string& device : devices)
      all[dir + "/devices/" + device + "/timeslice"] = "200\n";
  }
  std::string modules_text;
  for (const std::string& module : modules) {
    modules_text += module + " 16384 0 - Live 0x0000000000000000\n";
    all["/sys/module/" + module + "/initstate"] = "live\n";
  }
  if (!modules.empty()) all["/proc/modules"] = modules_text;
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
