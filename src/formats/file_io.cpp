#include "formats/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

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

// Closes the descriptor when the read or write ends, also by an exception.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

int OpenForReading(const std::string& name) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot open", name, errno);
  return fd;
}

// One read(2) that retries when a signal interrupted it.
ssize_t ReadSome(int fd, void* data, size_t size, const std::string& name) {
  for (;;) {
    const ssize_t got = ::read(fd, data, size);
    if (got >= 0) return got;
    if (errno != EINTR) Fail("Cannot read", name, errno);
  }
}

}  // namespace

std::string ReadWholeFile(const std::string& name) {
  Descriptor fd(OpenForReading(name));
  std::string text;
  char block[32768];
  for (;;) {
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
  Descriptor fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (fd.get() < 0) Fail("Cannot create", name, errno);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) Fail("Cannot write", name, errno);
    done += static_cast<size_t>(put);
  }
  // A full disk or a network share may only report the failure when the file closes.
  if (::close(fd.Release()) != 0) Fail("Cannot write", name, errno);
}

void WriteWholeFile(const std::string& name, std::string_view text) {
  WriteWholeFile(
      name, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace tarnwick
