// Disks that fail, in place of the system calls the program writes files with
// (base/atomic_file.h), each failing as the system documents it:
// - full: write(2) writes less than asked "if there is insufficient space on the
//   underlying physical medium", then fails with ENOSPC;
// - read-only: open(2) with write access or O_CREAT, and rename(2), fail with EROFS;
// - a kill between the write and the rename: the rename never happens (it fails here).
#pragma once

#include <cerrno>

#include "base/atomic_file.h"

namespace tarnwick {

struct FailingDisk final : DiskCalls {
  enum class Fault { Full, ReadOnly, NoRename } fault;
  size_t room = 10;  // bytes a full disk still takes

  explicit FailingDisk(Fault f) : fault(f) {}
  int Open(const char* path, int flags, mode_t mode) override {
    if (fault != Fault::ReadOnly || (flags & (O_WRONLY | O_RDWR | O_CREAT)) == 0)
      return DiskCalls::Open(path, flags, mode);
    errno = EROFS;
    return -1;
  }
  ssize_t Write(int fd, const void* data, size_t size) override {
    if (fault != Fault::Full) return DiskCalls::Write(fd, data, size);
    const ssize_t put = room == 0 ? (errno = ENOSPC, -1) : ::write(fd, data, std::min(size, room));
    if (put > 0) room -= static_cast<size_t>(put);
    return put;
  }
  int Rename(const char* from, const char* to) override {
    if (fault == Fault::Full) return DiskCalls::Rename(from, to);
    errno = fault == Fault::ReadOnly ? EROFS : EIO;
    return -1;
  }
};

// A disk in place for one scope.
struct ScopedDisk {
  explicit ScopedDisk(DiskCalls* disk) : before(SwapDisk(disk)) {}
  ~ScopedDisk() { SwapDisk(before); }
  DiskCalls* before;
};

}  // namespace tarnwick
