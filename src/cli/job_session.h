// `tarnwick-cli job run`: one session over the box, chip after chip. The bench is built,
// the box found and timed, the device chosen, the window set, the buffer filled and the
// image loaded once, as for any command; then the operator seats chip after chip, each
// gets the next serial number in the buffer, goes through the job's steps with the
// window's own buttons and lands in the record as one row.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "cli/cli_session.h"
#include "cli/job_file.h"
#include "cli/job_record.h"

namespace tarnwick {

struct JobRunSettings {
  std::string jobFile;  // as typed
  JobSpec job;
  std::optional<int64_t> count;  // stop after this many good chips
  std::string operatorName;
  // Only load the image as a run would, and say nothing: `job new` checks its job so.
  bool checkOnly = false;
};

class JobSession final : public CliSession {
 public:
  // `record` is open and prepared (unused when checkOnly).
  JobSession(const CliOptions& options, const CliStreams& io, const CliHooks& hooks,
             const JobRunSettings& settings, JobRecord* record);

 protected:
  void RunCommand() override;
  bool NeedsProgrammer() const override { return !settings_.checkOnly; }

 private:
  struct ChipRun {
    ChipResult result;
    bool boxLost = false;
  };

  void CheckSealAgain();
  void CheckSerialWindow();
  // Prompts for the chip whose row is taken; false when the operator ends the run there.
  bool SeatNextChip(const ChipClaim& claim);
  void WriteSerial(int64_t serial);
  ChipRun RunChip();
  // One step through the window's button; "" when it succeeded, else why not.
  std::string RunStep(const JobStep& step, ChipRun& chip);
  // The chip's result, and with `more` the next chip's row in the same transaction.
  std::optional<ChipClaim> Record(const ChipClaim& claim, const ChipRun& chip, bool more);
  void ShowResult(const ChipClaim& claim, const ChipRun& chip);
  std::string SerialText(const ChipClaim& claim) const;

  JobRunSettings settings_;
  JobRecord* record_;
  RecordStation station_;
  int32_t serialBufferAddr_ = 0;
  int chipNumber_ = 0;
  int64_t passed_ = 0;
  int64_t failed_ = 0;
  bool finishing_ = false;      // a chip is in the socket: the first Ctrl-C waits for it
  bool stopAnnounced_ = false;  // the first Ctrl-C has been answered
};

}  // namespace tarnwick
