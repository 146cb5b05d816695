#include "base/stop_flag.h"

#include <csignal>

namespace tarnwick {

namespace {

volatile std::sig_atomic_t g_interrupt = 0;

}  // namespace

void RequestInterrupt(int signal_number) {
  g_interrupt = signal_number;
}

bool InterruptRequested() {
  return g_interrupt != 0;
}

int InterruptSignal() {
  return g_interrupt;
}

void ClearInterrupt() {
  g_interrupt = 0;
}

}  // namespace tarnwick
