// One run at a time on a socket file of the simulated box. A run (tarnwick-cli, or the
// tarnwick-sim window for its whole life) holds an flock(2) on the file from its start
// to its end, so two runs never load the same chip and each save over the other's work.
//
// The file is replaced by a rename when it is saved, so the lock is on the file the
// path named when it was taken: a run that waited re-opens the path once it has the
// lock and holds the new file instead, until the two agree.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace tarnwick {

// How long a second run waits for the first to end before it gives up.
inline constexpr int kSocketWaitMs = 10000;

class SocketFileLock {
 public:
  enum class Outcome {
    Held,      // this run has the file
    Busy,      // another run held it for the whole wait
    Stopped,   // a stop was requested while waiting
    NotAFile,  // a device, a pipe or a folder: no socket file can be there
    Failed,    // it could not be opened or created: Error() says why
  };
  struct Wait {
    int timeoutMs = kSocketWaitMs;
    // Called once, when the file is found held by another run and the wait begins.
    std::function<void()> waiting;
  };

  SocketFileLock() = default;
  ~SocketFileLock() { Release(); }
  SocketFileLock(const SocketFileLock&) = delete;
  SocketFileLock& operator=(const SocketFileLock&) = delete;

  // Opens the file, creating an empty one where there is none, and locks it.
  Outcome Take(const std::string& path, const Wait& wait);
  int Error() const { return error_; }
  // The file's size when it was taken; 0 for a file made by Take (no chip kept yet).
  off_t Size() const { return size_; }
  // The run has saved the socket: the file stays whatever its size.
  void Saved() { saved_ = true; }
  // Lets the file go. An empty file that no save filled (one Take made, for a run that
  // then stopped with an error) is removed, so the run leaves no trace.
  void Release();

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  off_t size_ = 0;
  bool saved_ = false;
};

}  // namespace tarnwick
