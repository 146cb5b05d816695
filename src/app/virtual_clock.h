// A clock that only moves when told to: the simulated box advances it per port access,
// sleeps and timers advance it by their length.
#pragma once

#include "app/platform.h"

namespace tarnwick {

class VirtualClock final : public Clock {
 public:
  int64_t NowMicros() override { return now_; }
  void SleepMs(int ms) override {
    if (ms > 0) now_ += static_cast<int64_t>(ms) * 1000;
  }
  void Advance(int64_t micros) { now_ += micros; }
  void AdvanceTo(int64_t micros) {
    if (micros > now_) now_ = micros;
  }

 private:
  int64_t now_ = 0;
};

}  // namespace tarnwick
