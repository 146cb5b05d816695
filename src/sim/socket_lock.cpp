#include "sim/socket_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>

#include "base/atomic_file.h"
#include "base/stop_flag.h"

namespace tarnwick {

namespace {

constexpr int kPollMs = 20;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

SocketFileLock::Outcome SocketFileLock::Take(const std::string& path, const Wait& wait) {
  Release();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(wait.timeoutMs);
  bool announced = false;
  for (;;) {
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
      error_ = errno;
      return error_ == EISDIR ? Outcome::NotAFile : Outcome::Failed;
    }
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      return Outcome::NotAFile;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        error_ = errno;
        ::close(fd);
        return Outcome::Failed;
      }
      const bool stopped = InterruptRequested();
      if (stopped || std::chrono::steady_clock::now() >= deadline) {
        ::close(fd);
        return stopped ? Outcome::Stopped : Outcome::Busy;
      }
      if (!announced && wait.waiting) wait.waiting();
      announced = true;
      // A stop signal ends the sleep early.
      const timespec pause{0, kPollMs * 1000000L};
      ::nanosleep(&pause, nullptr);
    }
    // The run that held it may have replaced or removed the file meanwhile: then the
    // lock is on a file nobody will read again.
    struct stat now {};
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &now) == 0 && SameFile(held, now)) {
      path_ = path;
      fd_ = fd;
      size_ = held.st_size;
      saved_ = false;
      return Outcome::Held;
    }
    ::close(fd);
  }
}

void SocketFileLock::Release() {
  if (fd_ < 0) return;
  // Still ours while the lock is: nobody else replaces the file without it.
  if (!saved_ && size_ == 0) ::unlink(FollowLinks(path_).c_str());
  ::close(fd_);
  fd_ = -1;
}

}  // namespace tarnwick
