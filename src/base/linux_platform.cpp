#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "base/platform.h"

namespace tarnwick {

bool LinuxPriority::SetRealTime() {
  if (!raised_) {
    errno = 0;
    const int nice_now = getpriority(PRIO_PROCESS, 0);
    savedNice_ = errno == 0 ? nice_now : 0;
  }
  raised_ = true;
  sched_param param{};
  param.sched_priority = kRealTimePriority;
  if (sched_setscheduler(0, SCHED_FIFO, &param) == 0) return true;
  // Not permitted (no CAP_SYS_NICE, no RLIMIT_RTPRIO): take the best nice value the
  // system allows. Staying where we are counts as success: the program runs, only with
  // coarser timing.
  for (int nice_value = -20; nice_value <= savedNice_; ++nice_value)
    if (setpriority(PRIO_PROCESS, 0, nice_value) == 0) return true;
  return false;
}

bool LinuxPriority::SetNormal() {
  bool ok = true;
  sched_param param{};
  param.sched_priority = 0;
  if (sched_getscheduler(0) != SCHED_OTHER && sched_setscheduler(0, SCHED_OTHER, &param) != 0)
    ok = false;
  if (raised_) {
    if (setpriority(PRIO_PROCESS, 0, savedNice_) != 0) ok = false;
    raised_ = false;
  }
  return ok;
}

int64_t SteadyClock::NowMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string CurrentDirectory() {
  std::error_code error;
  std::string dir = std::filesystem::current_path(error).string();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

}  // namespace tarnwick
