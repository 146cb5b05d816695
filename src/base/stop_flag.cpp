#include "base/stop_flag.h"

#include <csignal>

namespace tarnwick {

namespace {

volatile std::sig_atomic_t g_interrupt = 0;
volatile std::sig_atomic_t g_interrupts = 0;

}  // namespace

void RequestInterrupt(int signal_number) {
  g_interrupt = signal_number;
  // Signals are handled one at a time on the one thread; this is no race.
  g_interrupts = g_interrupts + 1;
}

bool InterruptRequested() {
  return g_interrupt != 0;
}

int InterruptSignal() {
  return g_interrupt;
}

int InterruptCount() {
  return g_interrupts;
}

void ClearInterrupt() {
  g_interrupt = 0;
  g_interrupts = 0;
}

}  // namespace tarnwick
