#include "base/atomic_file.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <filesystem>

#include "base/stop_flag.h"

namespace tarnwick {

namespace {

DiskCalls g_systemDisk;
DiskCalls* g_disk = &g_systemDisk;

// Writes all of `bytes`, retrying short writes (the next one reports why the disk took
// no more). A signal ends it only when it asks the run to stop; 0 or the error number.
int WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = Disk().Write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR && !InterruptRequested()) continue;
    if (put < 0) return errno;
    if (put == 0) return ENOSPC;
    done += static_cast<size_t>(put);
  }
  return 0;
}

// The temporary file beside the target: hidden, named after it, and unique to this
// process and call, so two programs replacing one file never share one.
int CreateTemporary(const std::string& target, std::string& name) {
  static std::atomic<unsigned> serial{0};
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  // Room for the suffix within a file name's 255 bytes.
  const std::string base = target.substr(folder.size(), 200);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + "." + base + "." + std::to_string(::getpid()) + "." + std::to_string(serial++) +
           ".tmp";
    const int fd = Disk().Open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The rename is on the disk only once the folder is: a crash right after a reported
// success must not bring the old file back. A folder that cannot be flushed (some
// network file systems) changes nothing about the result.
void FlushFolder(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : target.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)Disk().Fsync(fd);
  ::close(fd);
}

// A device or a pipe holds no file to keep: the bytes go straight into it.
std::optional<WriteFailure> WriteInPlace(const std::string& target, std::string_view bytes) {
  const int fd = Disk().Open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC, 0);
  if (fd < 0) return WriteFailure{WriteFailure::Step::Create, errno};
  const int error = WriteAll(fd, bytes);
  if (::close(fd) != 0 && error == 0) return WriteFailure{WriteFailure::Step::Write, errno};
  if (error != 0) return WriteFailure{WriteFailure::Step::Write, error};
  return std::nullopt;
}

}  // namespace

DiskCalls& Disk() {
  return *g_disk;
}

DiskCalls* SwapDisk(DiskCalls* calls) {
  DiskCalls* before = g_disk == &g_systemDisk ? nullptr : g_disk;
  g_disk = calls != nullptr ? calls : &g_systemDisk;
  return before;
}

std::string WriteFailure::Verb() const {
  switch (step) {
    case Step::Create:
      return "Cannot create";
    case Step::Write:
      return "Cannot write";
    default:
      return "Cannot replace";
  }
}

std::string FollowLinks(const std::string& path) {
  namespace fs = std::filesystem;
  fs::path at = path;
  for (int step = 0; step < 16; ++step) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(at, error))) return at.string();
    const fs::path target = fs::read_symlink(at, error);
    if (error) break;
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  return path;
}

std::optional<WriteFailure> ReplaceFile(const std::string& path, std::string_view bytes) {
  using Step = WriteFailure::Step;
  const std::string target = FollowLinks(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) return WriteFailure{Step::Create, EISDIR};
  if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(target, bytes);
  // A file its owner has write-protected stays protected, as it would against a write
  // in place; the rename alone would not ask.
  if (exists && ::access(target.c_str(), W_OK) != 0) return WriteFailure{Step::Create, errno};

  std::string temporary;
  const int fd = CreateTemporary(target, temporary);
  if (fd < 0) return WriteFailure{Step::Create, errno};
  if (exists) {
    // The owner first: a change of owner clears the set-id bits the mode may restore.
    // Only root may give a file away; anyone else keeps the file as their own.
    (void)::fchown(fd, old.st_uid, old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777);
  }
  std::optional<WriteFailure> failure;
  if (const int error = WriteAll(fd, bytes); error != 0) failure = WriteFailure{Step::Write, error};
  // A full disk or a quota may show only when the data reaches the disk.
  if (!failure && Disk().Fsync(fd) != 0) failure = WriteFailure{Step::Write, errno};
  if (::close(fd) != 0 && !failure) failure = WriteFailure{Step::Write, errno};
  if (!failure && Disk().Rename(temporary.c_str(), target.c_str()) != 0)
    failure = WriteFailure{Step::Replace, errno};
  if (failure) {
    ::unlink(temporary.c_str());
    return failure;
  }
  FlushFolder(target);
  return std::nullopt;
}

int AppendFile::Open(const std::string& path) {
  Close();
  fd_ = Disk().Open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  return fd_ < 0 ? errno : 0;
}

int AppendFile::Append(std::string_view record) {
  if (fd_ < 0) return EBADF;
  // Another run appending to the same log waits here for the moment of one write; the
  // lock also keeps a cut-back from taking its record along.
  while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
  struct stat before {};
  const bool sized = ::fstat(fd_, &before) == 0 && S_ISREG(before.st_mode);
  ssize_t put = -1;
  do {
    put = Disk().Write(fd_, record.data(), record.size());
  } while (put < 0 && errno == EINTR);
  int error = 0;
  if (put < 0)
    error = errno;
  else if (static_cast<size_t>(put) != record.size())
    error = ENOSPC;  // the disk took part of it
  if (error != 0 && sized) (void)::ftruncate(fd_, before.st_size);
  ::flock(fd_, LOCK_UN);
  return error;
}

void AppendFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace tarnwick
