// The record of a production job: one SQLite database beside the job file, one row per
// chip, shared by every `job run` of the job at once (a gang of boxes on one PC).
//
// Serial numbers are handed out in transactions (BEGIN IMMEDIATE, so two runs never read
// the same "next" number), the database runs in WAL mode with synchronous=FULL, so a
// number that was handed out stays handed out after a crash or a pulled plug, and a row
// is written for a chip before its first step: a run that dies leaves that row
// "unfinished", and its number is never given again.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "cli/job_serial.h"

struct sqlite3;

namespace tarnwick {

// How long a run waits for another process that holds the database before it gives up.
inline constexpr int kRecordWaitMs = 10000;

// The record cannot be opened, read or written; the text says why, naming the file.
class JobRecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Who programs the chip, fixed for a run.
struct RecordStation {
  std::string host;
  std::string port;       // "0378", or "sim:bench.sim"
  std::string operator_;  // "" when not given
  std::string imageSha256;
};

// A chip's row, taken before the operator seats it.
struct ChipClaim {
  int64_t row = 0;
  std::optional<int64_t> serial;
};

struct ChipResult {
  enum class Kind { Pass, Fail, Stopped } kind = Kind::Fail;
  std::string started;  // when the operator pressed Enter, as RecordTimeNow
  std::string reason;
  std::optional<uint32_t> crc32;  // of the window the verify found in the chip
  std::string steps;              // the steps that ran, "blank,program,verify"
  int exitCode = 0;
  int64_t durationMs = 0;
};

struct RecordCounts {
  int64_t passed = 0;
  int64_t failed = 0;  // failed or stopped
  int64_t unfinished = 0;
  int64_t total = 0;
  std::optional<int64_t> nextSerial;                   // the next number never handed out
  std::vector<int64_t> returnedSerials;                // failed chips' numbers waiting for a chip
  std::optional<int64_t> lowestSerial, highestSerial;  // of the chips that passed
};

// The columns `job report --csv` writes, in order.
inline constexpr const char* kRecordCsvHeader =
    "chip,time,host,port,operator,serial,image_sha256,crc32,steps,result,reason,exit_code,"
    "duration_ms";

class JobRecord {
 public:
  struct Wait {
    int timeoutMs = kRecordWaitMs;
    // Called when a wait for another process has lasted a moment (once per wait).
    std::function<void()> waiting;
    // Whether to stop waiting at once; unset: at a stop signal.
    std::function<bool()> stop;
  };

  JobRecord() = default;
  ~JobRecord();
  JobRecord(const JobRecord&) = delete;
  JobRecord& operator=(const JobRecord&) = delete;

  // Opens the record, creating it where `create` allows; false when there is none and
  // it may not be created.
  bool Open(const std::string& path, bool create, const Wait& wait);
  // For a run: the tables, and the serial rule's numbers agreed with what the record
  // began with (a job whose first number or step changed under a record is refused).
  void Prepare(const std::optional<SerialRule>& rule);

  // The next chip's row, with its serial number when the job has a rule.
  ChipClaim Claim(const RecordStation& station);
  // The chip is done: its row gets the result; a failed chip's number goes back for the
  // next chip when `return_serial`. With `next`, the next chip's row is taken in the same
  // transaction and returned (nullopt when the serial numbers have run out).
  std::optional<ChipClaim> Finish(const ChipClaim& claim, const ChipResult& result,
                                  bool return_serial, const RecordStation* next = nullptr);
  // No chip was seated after all (the run ended at the prompt): the row goes and the
  // number is the next chip's.
  void Release(const ChipClaim& claim);

  RecordCounts Counts();
  void WriteCsv(std::ostream& out);

  const std::string& Path() const { return path_; }
  void StopWaitingWhen(std::function<bool()> stop) { wait_.stop = std::move(stop); }

 private:
  static int OnBusy(void* self, int count);
  // Inside an open transaction; nullopt when the next serial number does not fit.
  std::optional<ChipClaim> ClaimInTransaction(const RecordStation& station,
                                              const std::function<void(int)>& fail);
  void Exec(const char* sql, const char* doing);
  [[noreturn]] void Fail(const char* doing, int code);

  sqlite3* db_ = nullptr;
  std::string path_;
  Wait wait_;
  int64_t waitStart_ = 0;
  bool waitAnnounced_ = false;
  std::optional<SerialRule> rule_;
};

// The local time with its offset from UTC, "2026-05-04T14:03:27+02:00".
std::string RecordTimeNow();

}  // namespace tarnwick
