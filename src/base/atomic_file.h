// Every file the program writes goes through here. A whole file (a buffer file, the
// simulated socket, the settings) is replaced atomically: the bytes go to a temporary
// file in the same folder, are flushed to the disk, and the temporary file is renamed
// over the old one. A full disk, a folder that cannot be written or a kill at any moment
// leaves either the old file or the new one, never a part of either. A record appended
// to a log goes out in one write and is cut back when that write fails.
#pragma once

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// The system calls that put bytes on the disk, so that a test can stand in a full disk
// or a read-only folder for them; the program itself always uses these ones.
class DiskCalls {
 public:
  virtual ~DiskCalls() = default;
  virtual int Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
  virtual ssize_t Write(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
  virtual int Fsync(int fd) { return ::fsync(fd); }
  virtual int Rename(const char* from, const char* to) { return ::rename(from, to); }
};

// The calls in use; `calls` replaces them until it is swapped back (nullptr: the
// system's). Returns the ones it replaced.
DiskCalls& Disk();
DiskCalls* SwapDisk(DiskCalls* calls);

// Why a file could not be written: the step that failed and the system's error number.
struct WriteFailure {
  enum class Step { Create, Write, Replace } step;
  int error;
  // "Cannot create NAME" / "Cannot write NAME" / "Cannot replace NAME".
  std::string Verb() const;
};

// Replaces the file at `path` with exactly `bytes`. A symbolic link stays a link: its
// target is replaced and keeps its permissions (and its owner, where the process may
// give it). A new file gets the permissions the umask leaves of 0666. A folder in the
// way, and a file this process may not write, are refused. A device or pipe (/dev/null,
// /dev/stdout) cannot be replaced and is written in place. On failure the temporary file is gone
// and the old file untouched.
std::optional<WriteFailure> ReplaceFile(const std::string& path, std::string_view bytes);

// The file a chain of symbolic links ends at (relative targets count from the link's
// folder); the path itself when it is no link, or after a loop of links.
std::string FollowLinks(const std::string& path);

// A log that grows by whole records, for any number of processes at once.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile() { Close(); }
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens the file for appending, creating it where there is none; the system's error
  // number, or 0.
  int Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  // Appends the record in one write while holding the file's lock, so that no other
  // process's record lands inside it. A write that fails or is cut short (a full disk)
  // is taken back: the file is truncated to its length before. 0, or the error number.
  int Append(std::string_view record);
  void Close();

 private:
  int fd_ = -1;
};

}  // namespace tarnwick
