// A clock that only moves when told to: the simulated box advances it per port access,
// sleeps and timers advance it by their length. In the interactive simulated program it
// also follows real time, so that a person's pauses pass on the simulated bench too; it
// never runs slower than the accesses made on it.
#pragma once

#include <algorithm>
#include <chrono>

#include "base/platform.h"

namespace tarnwick {

class VirtualClock final : public Clock {
 public:
  int64_t NowMicros() override {
    if (followRealTime_) now_ = std::max(now_, realOrigin_ + RealMicros());
    return now_;
  }
  void SleepMs(int ms) override {
    if (ms > 0) now_ += static_cast<int64_t>(ms) * 1000;
  }
  void Advance(int64_t micros) { now_ += micros; }
  void AdvanceTo(int64_t micros) { now_ = std::max(now_, micros); }

  void FollowRealTime(bool on) {
    followRealTime_ = on;
    realOrigin_ = now_ - RealMicros();
  }

 private:
  static int64_t RealMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
  }

  int64_t now_ = 0;
  bool followRealTime_ = false;
  int64_t realOrigin_ = 0;
};

}  // namespace tarnwick
