// The simulated bench tarnwick-sim runs on: the box on a clock that follows real time,
// with the chip socket plugged in.
#pragma once

#include "base/virtual_clock.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"

namespace tarnwick {

struct SimBench {
  SimBench() {
    clock.FollowRealTime(true);
    box.Plug(&socket);
    // The box keeps its log of latch loads and chip events (the socket window writes it
    // to a file), but no record of single port accesses: a blank check of a 32 KiB chip
    // reads the status port millions of times in its waits, and a session of failing
    // checks would hold hundreds of megabytes of them.
    box.SetRecording(false);
  }
  SimBench(const SimBench&) = delete;
  SimBench& operator=(const SimBench&) = delete;

  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
};

}  // namespace tarnwick
