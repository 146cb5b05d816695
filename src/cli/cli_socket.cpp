// The simulated box's socket file over a run: one run at a time holds it, a file that
// cannot be a socket is refused before anything is done, the chip it holds is never
// swapped for another without --new-chip, and it is written back only when the chip
// changed in a run that did not end in a usage or file error. The faults --sim-fault
// gives last for the run; the file keeps the ones it had.
#include <cstring>

#include "cli/cli_session.h"
#include "sim/sim_chip.h"

namespace tarnwick {

void CliSession::OpenSocket() {
  const std::string path = names_.Add(o_.socketFile);
  const std::string& typed = o_.socketFile;
  SocketFileLock::Wait wait;
  wait.timeoutMs = hooks_.socketWaitMs;
  const std::string seconds = std::to_string((wait.timeoutMs + 999) / 1000);
  wait.waiting = [&] {
    Warn("tarnwick-cli: " + typed + " is in use by another run; waiting up to " + seconds +
         " s for it to end");
  };
  switch (socketLock_.Take(path, wait)) {
    case SocketFileLock::Outcome::Held:
      break;
    case SocketFileLock::Outcome::Busy:
      Fail(kExitUsage, typed + " is still in use by another run after " + seconds +
                           " s; nothing was done (run again when it has ended)");
    case SocketFileLock::Outcome::Stopped:
      throw CliExit{kExitSignalBase + InterruptSignal()};
    case SocketFileLock::Outcome::NotAFile:
      Fail(kExitUsage, typed + " is not a socket file of the simulated box (not a regular file)");
    case SocketFileLock::Outcome::Failed:
      Fail(kExitUsage, "the socket file " + typed +
                           " cannot be opened or created: " + std::strerror(socketLock_.Error()));
  }
  const auto size = static_cast<size_t>(socketLock_.Size());
  if (size > MaxSocketFileBytes())
    Fail(kExitUsage, typed + " is not a socket file of the simulated box: it holds " +
                         std::to_string(size) + " bytes, a socket file at most " +
                         std::to_string(MaxSocketFileBytes()) + " (left as it is)");
  // An empty file is the one the lock has just made: the socket is empty.
  if (size > 0 && !socket_.Load(path))
    Fail(kExitUsage, typed + " is not a socket file of the simulated box (left as it is)");
  socketPath_ = path;
  socketText_ = size > 0 ? socket_.Text() : std::string();
}

void CliSession::SeatChipNamed() {
  // Only a command that chooses the device seats a chip.
  if (o_.command == CliCommand::Detect || !NeedsProgrammer() || seatsEachChip_) return;
  const ChipInfo* wanted = deviceRow_ >= 0 ? FindChip(DeviceName(deviceRow_)) : nullptr;
  if (wanted == nullptr) return;
  const SimChip* held = socket_.Chip();
  if (held != nullptr && &held->info() != wanted && !o_.newChip) {
    Fail(kExitUsage, "the socket holds an " + std::string(held->info().name) + ", not the " +
                         wanted->name + " --device names; --new-chip seats a blank " +
                         wanted->name + " in its place (the socket is left as it is)");
  }
  if (!o_.newChip) return;
  if (held != nullptr)
    Warn("tarnwick-cli: the socket held an " + std::string(held->info().name) + "; a blank " +
         wanted->name + " is seated in its place (--new-chip)");
  socket_.Insert(*wanted);
}

void CliSession::ApplySimFaults() {
  fileFaults_ = socket_.Faults();
  SocketFaults faults = fileFaults_;
  for (const std::string& fault : FaultTexts(o_.simFaults)) AddFault(fault, faults);
  socket_.SetFaults(faults);
}

void CliSession::SaveSocket(int code) {
  if (socketPath_.empty() || code == kExitUsage) return;
  RestoreFileUnstable();
  socket_.SetFaults(fileFaults_);
  const std::string text = socket_.Text();
  if (text == socketText_) return;
  if (const std::optional<WriteFailure> failure = ReplaceFile(socketPath_, text)) {
    Warn("tarnwick-cli: the socket could not be saved to " + o_.socketFile + ": " +
         std::strerror(failure->error) + " (the file is as it was before this run)");
    throw CliExit{kExitUsage};
  }
  socketLock_.Saved();
}

}  // namespace tarnwick
