// The system calls of the Linux printer-port backend, behind one small interface: the
// backend's logic then runs unchanged over the real kernel and over a model of its
// ppdev and parport_pc drivers in the tests. Calls return 0 (or a descriptor) on
// success and -errno on failure, as the kernel's own entry points do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

class LinuxKernel {
 public:
  virtual ~LinuxKernel() = default;

  // open(path, O_RDWR | O_CLOEXEC): a descriptor, or -errno.
  virtual int Open(const std::string& path) = 0;
  virtual void Close(int fd) = 0;
  // ioctl(fd, request, arg) on a ppdev descriptor.
  virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;

  // ioperm(from, count, on); inb and outb of ports granted by it.
  virtual int Ioperm(uint16_t from, int count, bool on) = 0;
  virtual uint8_t Inb(uint16_t port) = 0;
  virtual void Outb(uint8_t value, uint16_t port) = 0;

  // A small text file (the parport listing under /proc, the lockdown file); nothing
  // when it cannot be read.
  virtual std::optional<std::string> ReadText(const std::string& path) = 0;
  // The names in a directory; empty when it cannot be read.
  virtual std::vector<std::string> ListDirectory(const std::string& path) = 0;

  // A signal to this thread after ms milliseconds, which ends a call blocked in the
  // kernel with -EINTR (PPCLAIM sleeps until the port's owner lets go). Disarm stops it.
  virtual void ArmAlarm(int ms) = 0;
  virtual void DisarmAlarm() = 0;

  // Gives up CAP_SYS_RAWIO for good (effective, permitted, inheritable and ambient):
  // ports granted by ioperm stay usable, no new ones can be asked for.
  virtual int DropRawIo() = 0;

  // Who this process is: real and effective user, the effective group and the
  // supplementary groups (getresuid, getegid, getgroups). The groups are those of the
  // login the process descends from; a group added since shows only after a new login.
  struct Credentials {
    uint32_t uid = 0;
    uint32_t euid = 0;
    uint32_t gid = 0;
    std::vector<uint32_t> groups;
  };
  virtual Credentials ProcessCredentials() = 0;

  // stat(path): type and permission bits, owner and group; nothing when it cannot be
  // had (no such file).
  struct FileStatus {
    uint32_t mode = 0;
    uint32_t uid = 0;
    uint32_t gid = 0;
  };
  virtual std::optional<FileStatus> Stat(const std::string& path) = 0;

  // Whether a capability (CAP_SYS_RAWIO, CAP_SYS_NICE, ...) is in the effective set.
  virtual bool HasCapability(int capability) = 0;

  // getrlimit(resource, ...): the soft and the hard limit; RLIM_INFINITY as UINT64_MAX.
  struct Limit {
    uint64_t soft = 0;
    uint64_t hard = 0;
  };
  virtual Limit GetLimit(int resource) = 0;
};

// The running kernel.
LinuxKernel& SystemKernel();

}  // namespace tarnwick
