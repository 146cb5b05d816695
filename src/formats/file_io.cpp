#include "formats/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "base/atomic_file.h"
#include "base/stop_flag.h"

namespace tarnwick {

namespace {

[[noreturn]] void Fail(std::string_view what, const std::string& name, int error) {
  std::string text(what);
  text += " ";
  text += name;
  text += "\r\n";
  text += std::strerror(error);
  throw FileError(text);
}

// Closes the descriptor when the read ends, also by an exception.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int OpenForReading(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot open", name, errno);
  return fd;
}

// One read(2). A signal that asks the run to stop ends a read that waits (a pipe, a
// terminal); any other one is retried.
ssize_t ReadSome(int fd, void* data, size_t size, const std::string& name) {
  for (;;) {
    const ssize_t got = ::read(fd, data, size);
    if (got >= 0) return got;
    if (errno != EINTR || InterruptRequested()) Fail("Cannot read", name, errno);
  }
}

}  // namespace

std::string ReadWholeFile(const std::string& name) {
  Descriptor fd(OpenForReading(name));
  std::string text;
  char block[32768];
  for (;;) {
    if (InterruptRequested()) Fail("Cannot read", name, EINTR);
    const ssize_t got = ReadSome(fd.get(), block, sizeof block, name);
    if (got == 0) break;
    text.append(block, static_cast<size_t>(got));
    if (text.size() > kMaxFileBytes) {
      throw FileError("Cannot read " + name + "\r\nThe file is larger than " +
                      std::to_string(kMaxFileBytes >> 20) + " MiB");
    }
  }
  return text;
}

void WriteWholeFile(const std::string& name, std::span<const uint8_t> bytes) {
  WriteWholeFile(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void WriteWholeFile(const std::string& name, std::string_view text) {
  // Written beside the old file and renamed over it: a save that fails, also on a full
  // disk or over the file the buffer was loaded from, leaves that file as it was.
  if (const std::optional<WriteFailure> failure = ReplaceFile(name, text))
    Fail(failure->Verb(), name, failure->error);
}

}  // namespace tarnwick
