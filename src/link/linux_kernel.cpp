#include "link/linux_kernel.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define TARNWICK_HAS_PORT_IO 1
#else
#define TARNWICK_HAS_PORT_IO 0
#endif

// glibc names the thread-directed member of struct sigevent only in later releases.
#ifndef sigev_notify_thread_id
#define sigev_notify_thread_id _sigev_un._tid
#endif

namespace tarnwick {

namespace {

// The claim's alarm. It must reach the thread that is blocked in the kernel, not any
// thread of the process (the toolkit runs threads of its own), hence a thread-directed
// timer; and its handler is installed without SA_RESTART so the ioctl returns EINTR.
constexpr int kAlarmSignal = SIGALRM;

void IgnoreAlarm(int) {}

class RealKernel final : public LinuxKernel {
 public:
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
  }
  void Close(int fd) override { ::close(fd); }
  int Ioctl(int fd, unsigned long request, void* arg) override {
    return ::ioctl(fd, request, arg) == 0 ? 0 : -errno;
  }

  int Ioperm(uint16_t from, int count, bool on) override {
#if TARNWICK_HAS_PORT_IO
    return ::ioperm(from, static_cast<unsigned long>(count), on ? 1 : 0) == 0 ? 0 : -errno;
#else
    (void)from, (void)count, (void)on;
    return -ENOSYS;
#endif
  }
  uint8_t Inb(uint16_t port) override {
#if TARNWICK_HAS_PORT_IO
    return inb(port);
#else
    (void)port;
    return 0xFF;
#endif
  }
  void Outb(uint8_t value, uint16_t port) override {
#if TARNWICK_HAS_PORT_IO
    outb(value, port);
#else
    (void)value, (void)port;
#endif
  }

  std::optional<std::string> ReadText(const std::string& path) override {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) return std::nullopt;
    return text.str();
  }
  std::vector<std::string> ListDirectory(const std::string& path) override {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
  }

  void ArmAlarm(int ms) override {
    DisarmAlarm();
    struct sigaction action {};
    action.sa_handler = IgnoreAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    if (::sigaction(kAlarmSignal, &action, &saved_) != 0) return;
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = kAlarmSignal;
    event.sigev_notify_thread_id = static_cast<pid_t>(::syscall(SYS_gettid));
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer_) != 0) {
      ::sigaction(kAlarmSignal, &saved_, nullptr);
      return;
    }
    itimerspec when{};
    when.it_value.tv_sec = ms / 1000;
    when.it_value.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    ::timer_settime(timer_, 0, &when, nullptr);
    armed_ = true;
  }
  int DropRawIo() override {
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) return -errno;
    constexpr int kWord = CAP_SYS_RAWIO / 32;
    constexpr uint32_t kBit = 1u << (CAP_SYS_RAWIO % 32);
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_LOWER, CAP_SYS_RAWIO, 0, 0);
    if (((data[kWord].effective | data[kWord].permitted | data[kWord].inheritable) & kBit) == 0)
      return 0;
    data[kWord].effective &= ~kBit;
    data[kWord].permitted &= ~kBit;
    data[kWord].inheritable &= ~kBit;
    return ::syscall(SYS_capset, &header, data) == 0 ? 0 : -errno;
  }

  void DisarmAlarm() override {
    if (!armed_) return;
    ::timer_delete(timer_);
    ::sigaction(kAlarmSignal, &saved_, nullptr);
    armed_ = false;
  }

 private:
  bool armed_ = false;
  timer_t timer_{};
  struct sigaction saved_ {};
};

}  // namespace

LinuxKernel& SystemKernel() {
  static RealKernel kernel;
  return kernel;
}

}  // namespace tarnwick
