// A request to stop, raised from a signal handler (tarnwick-cli's SIGINT, SIGTERM and
// SIGHUP) and read wherever a run may wait long: at every message pass, in file reads,
// while waiting for another run's lock. The window never raises it.
#pragma once

namespace tarnwick {

void RequestInterrupt(int signal_number);  // async-signal-safe
bool InterruptRequested();
int InterruptSignal();
void ClearInterrupt();

}  // namespace tarnwick
