// A model of what the Linux kernel does under the printer-port backend, so the real
// backend code runs in the tests:
// - /proc/sys/dev/parport/parportN/base-addr lists the ports parport_pc found
//   ("%lu\t%lu\n", base and base_hi; drivers/parport/procfs.c);
// - /dev/parportN is ppdev (drivers/char/ppdev.c): open only allocates; PPCLAIM sleeps
//   in parport_claim_or_block while another device owns the port and returns -EINTR
//   on a signal; every register ioctl before the claim is -EINVAL;
// - the claim restores the device's port state (parport_pc_init_state: control 0x0C,
//   plus ackIntEn 0x10 when the port has an IRQ; ECR 0x34, PS/2 mode, where the port has
//   ECP registers), then pp_enable_irq sets control bit 4. parport_pc writes bit 4
//   only on a port with an IRQ (ctr_writable is ~0x10 otherwise, parport_pc_probe_port);
// - PPRSTATUS, PPRDATA, PPWDATA reach the bus; PPWCONTROL changes bits 0-3 only and
//   keeps a soft copy (__parport_pc_frob_control); PPRCONTROL answers that copy,
//   masked to bits 0-3, without a bus access (parport_pc_read_control);
// - ioperm grants ranges of I/O addresses, or fails with EPERM (no CAP_SYS_RAWIO, or
//   lockdown), ENOSYS or EINVAL (no I/O ports); inb and outb of an address not granted
//   kill a real process, and fail the test here;
// - every system call costs ioctlNanos on the virtual clock; a bus access costs what the
//   device on the bus charges (the simulated box keeps its own access time), busNanos
//   where no device answers (the bus floats and reads 0xFF);
// - each listed port also has irq ("%d"), modes ("PCSPP,TRISTATE,...") and
//   devices/active (the device holding the port, or "none"; procfs.c do_active_device).
//   ppdev names its device "ppdev<minor>", lp "lp" (drivers/char/ppdev.c, lp.c);
// - /dev/parportN is a character device, root:lp 0660 as Debian's udev rules make it;
//   open() checks it as generic_permission does (fs/namei.c): the owner's bits for the
//   owner, the group's for a member of the file's group by the process's effective or
//   supplementary groups, the others' otherwise; root passes (CAP_DAC_OVERRIDE);
// - /proc/modules lists the loaded modules ("name size refs deps state address"), each
//   also as a directory under /sys/module;
// - credentials, capabilities and rlimits are what getresuid/getgroups, capget and
//   getrlimit would report. ioperm follows iopermErrno alone: a test that models
//   CAP_SYS_RAWIO or lockdown sets both.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/port_io.h"
#include "base/virtual_clock.h"
#include "link/linux_kernel.h"

namespace tarnwick {

class FakeKernel final : public LinuxKernel {
 public:
  explicit FakeKernel(VirtualClock& clock) : clock_(clock) {}

  struct Port {
    int number = 0;
    uint16_t base = 0;
    uint16_t baseHi = 0;  // ECP registers (ECR at baseHi + 2); 0 where there are none
    int irq = -1;         // -1: no IRQ, parport_pc's default
    int openErrno = 0;    // what open() of the node fails with (ENOENT: no ppdev)
    bool heldByOther = false;
    std::string modes = "PCSPP,TRISTATE";
    std::string holder{};  // a driver holding the port ("lp"); empty: none, or ppdev if heldByOther
    std::vector<std::string> registered{};  // further drivers registered on the port
    uint32_t nodeGid = kLpGid;
    uint32_t nodeMode = 0660;
  };
  static constexpr uint32_t kLpGid = 7;  // Debian's group lp
  // parport_pc found this port: listed in /proc, with its node in /dev.
  void ListPort(const Port& port);
  // A device on the I/O bus answering base .. base + 2 and base + 0x402.
  void AttachBus(uint16_t base, PortIo& device);

  int iopermErrno = 0;                       // 0: ioperm granted (root or CAP_SYS_RAWIO)
  std::string lockdown;                      // the lockdown file's text; empty: no such file
  std::map<std::string, std::string> files;  // further files (odd listings, /etc/group)
  // An ordinary user of group lp, as the ppdev tests have always run.
  Credentials credentials{.uid = 1000, .euid = 1000, .gid = 1000, .groups = {1000, kLpGid}};
  std::set<int> capabilities;     // the effective set
  std::map<int, Limit> limits;    // getrlimit; 0 and 0 where not set
  std::set<std::string> modules;  // loaded modules
  int64_t ioctlNanos = 0;
  int64_t busNanos = 1000;

  // What the tests look at.
  uint8_t ControlLines(uint16_t base) const;  // the control register as the port holds it
  int Syscalls() const { return syscalls_; }
  int OpenDescriptors() const { return static_cast<int>(fds_.size()); }

  int Open(const std::string& path) override;
  void Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  int Ioperm(uint16_t from, int count, bool on) override;
  uint8_t Inb(uint16_t port) override;
  void Outb(uint8_t value, uint16_t port) override;
  std::optional<std::string> ReadText(const std::string& path) override;
  std::vector<std::string> ListDirectory(const std::string& path) override;
  void ArmAlarm(int ms) override;
  void DisarmAlarm() override;
  int DropRawIo() override {
    rawIoDropped = true;
    return 0;
  }
  Credentials ProcessCredentials() override { return credentials; }
  std::optional<FileStatus> Stat(const std::string& path) override;
  bool HasCapability(int capability) override { return capabilities.contains(capability); }
  Limit GetLimit(int resource) override {
    const auto it = limits.find(resource);
    return it != limits.end() ? it->second : Limit{};
  }
  // After the drop, ioperm refuses to grant more (it needs CAP_SYS_RAWIO to turn on).
  bool rawIoDropped = false;
  // Every address ioperm has granted: no inb or outb can reach any other.
  std::set<uint16_t> everGranted;

 private:
  struct PortState {
    Port port;
    uint8_t ctr = 0x0C;  // parport_pc's soft copy of the control register
    bool claimed = false;
  };
  struct Descriptor {
    int number;
    bool claimed = false;
  };
  void Charge(int64_t nanos);
  void Frob(PortState& p, uint8_t mask, uint8_t value);
  uint8_t BusRead(uint16_t address);
  void BusWrite(uint16_t address, uint8_t value);
  std::map<std::string, std::string> AllFiles() const;
  const PortState* NodePort(const std::string& path) const;
  bool MayOpen(const Port& port) const;

  VirtualClock& clock_;
  int64_t pendingNanos_ = 0;
  std::map<int, PortState> ports_;   // by number
  std::map<uint16_t, PortIo*> bus_;  // by base address
  std::map<uint16_t, uint8_t> controlLines_;
  std::map<int, Descriptor> fds_;
  int nextFd_ = 3;
  std::set<uint16_t> granted_;
  int64_t alarmDue_ = -1;
  int syscalls_ = 0;
};

}  // namespace tarnwick
