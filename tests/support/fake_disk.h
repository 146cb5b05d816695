// Disks that fail, standing in for the system calls the program writes files with
// (base/atomic_file.h), each failing the way the system documents:
// - a full disk: write(2) "may write less than count bytes ... if there is
//   insufficient space on the underlying physical medium", then fails with ENOSPC;
// - a read-only file system: open(2) with write access or O_CREAT fails with EROFS,
//   and so does rename(2);
// - a kill between the write and the rename: the rename never happens (modelled by a
//   rename that fails).
#pragma once

#include <cerrno>

#include "base/atomic_file.h"

namespace tarnwick {

class FullDisk final : public DiskCalls {
 public:
  explicit FullDisk(size_t room) : room_(room) {}
  ssize_t Write(int fd, const void* data, size_t size) override {
    if (room_ == 0) {
      errno = ENOSPC;
      return -1;
    }
    const ssize_t put = ::write(fd, data, size < room_ ? size : room_);
    if (put > 0) room_ -= static_cast<size_t>(put);
    return put;
  }

 private:
  size_t room_;
};

class ReadOnlyDisk final : public DiskCalls {
 public:
  int Open(const char* path, int flags, mode_t mode) override {
    if ((flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0) {
      errno = EROFS;
      return -1;
    }
    return DiskCalls::Open(path, flags, mode);
  }
  int Rename(const char*, const char*) override {
    errno = EROFS;
    return -1;
  }
};

class KilledBeforeRename final : public DiskCalls {
 public:
  int Rename(const char*, const char*) override {
    errno = EIO;
    return -1;
  }
};

// Puts a disk in place for one scope.
class ScopedDisk {
 public:
  explicit ScopedDisk(DiskCalls* disk) : before_(SwapDisk(disk)) {}
  ~ScopedDisk() { SwapDisk(before_); }
  ScopedDisk(const ScopedDisk&) = delete;
  ScopedDisk& operator=(const ScopedDisk&) = delete;

 private:
  DiskCalls* before_;
};

}  // namespace tarnwick
