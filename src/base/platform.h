// The operating-system services the program uses, each behind a narrow interface with a
// Linux implementation and a test one: process priority, the clock and sleep.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

class ProcessPriority {
 public:
  virtual ~ProcessPriority() = default;
  // Real time for the timing-critical commands; false only when the system refused
  // every step towards it.
  virtual bool SetRealTime() = 0;
  virtual bool SetNormal() = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic time in microseconds; never goes back and ignores changes of the clock.
  virtual int64_t NowMicros() = 0;
  // A plain sleep: no window messages are processed.
  virtual void SleepMs(int ms) = 0;
};

// The SCHED_FIFO priority the timing-critical commands ask for: high enough to keep the
// desktop from stretching a programming pulse, low enough to leave the kernel's own
// real-time threads alone. RLIMIT_RTPRIO must reach it where CAP_SYS_NICE is missing.
inline constexpr int kRealTimePriority = 10;

// The Linux process priority: SCHED_FIFO where permitted, otherwise the best nice
// value the system allows.
class LinuxPriority final : public ProcessPriority {
 public:
  bool SetRealTime() override;
  bool SetNormal() override;

 private:
  int savedNice_ = 0;
  bool raised_ = false;
};

// For the simulated box, which has no desktop to starve: priority requests succeed and
// change nothing.
class UnchangedPriority final : public ProcessPriority {
 public:
  bool SetRealTime() override { return true; }
  bool SetNormal() override { return true; }
};

class SteadyClock final : public Clock {
 public:
  int64_t NowMicros() override;
  void SleepMs(int ms) override;
};

// The process's current directory, without a trailing separator (except "/").
std::string CurrentDirectory();

}  // namespace tarnwick
