// A request to stop, raised from a signal handler (tarnwick-cli's SIGINT, SIGTERM and
// SIGHUP) and read wherever a run may wait long: at every message pass, in file reads,
// while waiting for another run's lock. The window never raises it.
#pragma once

namespace tarnwick {

void RequestInterrupt(int signal_number);  // async-signal-safe
bool InterruptRequested();
int InterruptSignal();
// How many stop signals came since the last clear: a production run finishes the chip
// in the socket after the first and stops it at once after the second.
int InterruptCount();
void ClearInterrupt();

}  // namespace tarnwick
