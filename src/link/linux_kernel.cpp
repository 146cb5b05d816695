#include "link/linux_kernel.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

  Credentials ProcessCredentials() override {
    Credentials who;
    who.uid = ::getuid();
    who.euid = ::geteuid();
    who.gid = ::getegid();
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
      std::vector<gid_t> groups(static_cast<size_t>(count));
      const int got = ::getgroups(count, groups.data());
      for (int i = 0; i < got; ++i) who.groups.push_back(groups[static_cast<size_t>(i)]);
    }
    return who;
  }
  std::optional<FileStatus> Stat(const std::string& path) override {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileStatus{info.st_mode, info.st_uid, info.st_gid};
  }
  bool HasCapability(int capability) override {
    if (capability < 0 || capability >= 32 * _LINUX_CAPABILITY_U32S_3) return false;
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    return (data[capability / 32].effective & (1u << (capability % 32))) != 0;
  }
  Limit GetLimit(int resource) override {
    rlimit limit{};
    if (::getrlimit(static_cast<__rlimit_resource_t>(resource), &limit) != 0) return {};
    auto value = [](rlim_t v) {
      return v == RLIM_INFINITY ? UINT64_MAX : static_cast<uint64_t>(v);
    };
    return {value(limit.rlim_cur), value(limit.rlim_max)};
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
