#include "cli/job_session.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <istream>
#include <ostream>
#include <span>

#include "base/hashes.h"
#include "base/hex_text.h"
#include "base/text_lines.h"
#include "sim/sim_chip.h"

namespace tarnwick {

namespace {

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "-";
  return name;
}

std::string Seconds(int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(ms) / 1000.0);
  return text;
}

}  // namespace

JobSession::JobSession(const CliOptions& options, const CliStreams& io, const CliHooks& hooks,
                       const JobRunSettings& settings, JobRecord* record)
    : CliSession(options, io, hooks), settings_(settings), record_(record) {
  seatsEachChip_ = true;
  // While a chip is in the socket, the first stop signal lets it finish; a second one
  // ends its pass as the Quit button does. At the prompt one is enough.
  if (record_ != nullptr)
    record_->StopWaitingWhen(
        [this] { return finishing_ ? InterruptCount() >= 2 : InterruptRequested(); });
}

void JobSession::RunCommand() {
  if (settings_.checkOnly) return;
  TMainForm& f = *form_;
  CheckSealAgain();
  CheckSerialWindow();
  station_.host = HostName();
  station_.port = o_.sim ? (o_.socketFile.empty() ? "sim" : "sim:" + o_.socketFile)
                         : HexText(f.outcomes.search.foundAt, 4);
  station_.operator_ = settings_.operatorName;
  station_.imageSha256 = settings_.job.imageSha256;

  for (const std::string& line : prompt_) Warn(line);
  prompt_.clear();
  // Verify is a step of its own in a job, so the record says which step a chip failed.
  if (f.s.AutoVerifyOn == 1) Click(f.Auto_Verify, "Auto Verify");

  toolkit_->quitWanted = [this] {
    return finishing_ ? InterruptCount() >= 2 : InterruptRequested();
  };
  toolkit_->onPass = [this] {
    if (finishing_ && InterruptRequested() && !stopAnnounced_) {
      stopAnnounced_ = true;
      Warn("tarnwick-cli: the run ends once this chip is done (Ctrl-C again stops it now)");
    }
    progress_.Update(*form_);
  };
  std::optional<ChipClaim> claim;
  while (!settings_.count || passed_ < *settings_.count) {
    if (InterruptRequested()) break;
    if (!claim) {
      try {
        claim = record_->Claim(station_);
      } catch (const JobRecordError& error) {
        Fail(kExitUsage, std::string(error.what()) + "; no chip was started");
      }
    }
    if (!SeatNextChip(*claim)) break;
    finishing_ = true;
    const std::string started = RecordTimeNow();
    const auto t0 = std::chrono::steady_clock::now();
    // The simulated box: Enter seats a new blank chip of the job's kind.
    if (const ChipInfo* blank = FindChip(DeviceName(deviceRow_)); box_ && o_.sim && blank)
      socket_.Insert(*blank);
    if (claim->serial) WriteSerial(*claim->serial);
    ChipRun chip = RunChip();
    chip.result.started = started;
    chip.result.durationMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    const ChipClaim done = *claim;
    const bool more = !chip.boxLost && !InterruptRequested() &&
                      (!settings_.count ||
                       passed_ + (chip.result.kind == ChipResult::Kind::Pass) < *settings_.count);
    claim = Record(done, chip, more);
    finishing_ = false;
    ShowResult(done, chip);
    if (chip.boxLost) {
      result_ = chip.result.reason;
      throw CliExit{kExitNoProgrammer};
    }
  }
  // A row taken for a chip never seated (the operator ended the run at the prompt, or
  // a stop came as the last chip was recorded) goes back.
  if (claim) {
    try {
      record_->Release(*claim);
    } catch (const JobRecordError& error) {
      // The row stays "unfinished" and its number unused; nothing is given twice.
      Warn(std::string("tarnwick-cli: ") + error.what());
    }
  }
  toolkit_->onPass = nullptr;
  toolkit_->quitWanted = nullptr;
  result_ = "The run ended: passed " + std::to_string(passed_) + ", failed " +
            std::to_string(failed_) + ", total " + std::to_string(passed_ + failed_);
  Say(result_);
  if (InterruptRequested()) throw CliExit{kExitSignalBase + InterruptSignal()};
  if (settings_.count && passed_ < *settings_.count) throw CliExit{kExitChipFailed};
}

void JobSession::CheckSealAgain() {
  // The image was sealed before the run began; the file the window has just loaded must
  // still be that one.
  std::string bytes;
  const bool read = ReadWholeTextFile(fullFiles_[0], bytes);
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  if (!read || DigestHex(Sha256(std::span(data, bytes.size()))) != settings_.job.imageSha256)
    Fail(kExitUsage, o_.files[0] + " changed while it was loaded; nothing was programmed");
}

void JobSession::CheckSerialWindow() {
  if (!settings_.job.serial) return;
  const SerialRule& rule = *settings_.job.serial;
  const ProgramState& s = form_->s;
  const int32_t last = rule.address + rule.length - 1;
  if (rule.address < s.DeviceStart || last > s.DeviceEnd)
    Fail(kExitUsage, settings_.jobFile + ": the serial number at " + HexText(rule.address, 4) +
                         " to " + HexText(last, 4) + " lies outside the window " +
                         HexText(s.DeviceStart, 4) + " to " + HexText(s.DeviceEnd, 4));
  // The window lies in the buffer (the run has checked it), so the number does too.
  serialBufferAddr_ = s.BufferStart + (rule.address - s.DeviceStart);
}

bool JobSession::SeatNextChip(const ChipClaim& claim) {
  ++chipNumber_;
  progress_.Finish();
  io_.out.flush();
  if (!settings_.job.prompt.empty()) io_.err << settings_.job.prompt << '\n';
  io_.err << "Chip " << chipNumber_
          << (claim.serial ? " (serial " + std::to_string(*claim.serial) + ")" : "")
          << ": seat the next " << DeviceName(deviceRow_)
          << ", then press Enter (q ends the run): " << std::flush;
  std::string answer;
  const bool entered = ReadOperatorLine(io_, answer);
  // "q" (in any case, blanks around it ignored) ends the run; anything else is Enter.
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back())))
    answer.pop_back();
  answer.erase(0, answer.find_first_not_of(" \t"));
  if (entered && answer != "q" && answer != "Q") return true;
  if (!entered) io_.err << '\n';
  --chipNumber_;
  return false;
}

void JobSession::WriteSerial(int64_t serial) {
  const SerialRule& rule = *settings_.job.serial;
  // The record has checked that the number fits its field.
  const auto bytes = EncodeSerial(rule.encoding, rule.length, serial);
  if (!bytes) Fail(kExitUsage, "serial number " + std::to_string(serial) + " does not fit");
  for (size_t i = 0; i < bytes->size(); ++i)
    form_->s.Buffer[static_cast<size_t>(serialBufferAddr_) + i] = (*bytes)[i];
}

JobSession::ChipRun JobSession::RunChip() {
  ChipRun chip;
  for (const JobStep& step : settings_.job.steps) {
    chip.result.steps += (chip.result.steps.empty() ? "" : ",") + step.Name();
    const std::string why = RunStep(step, chip);
    if (why.empty()) continue;
    chip.result.reason = step.Name() + ": " + why;
    break;
  }
  if (chip.result.reason.empty()) {
    chip.result.kind = ChipResult::Kind::Pass;
    chip.result.exitCode = kExitOk;
  } else if (chip.boxLost) {
    chip.result.exitCode = kExitNoProgrammer;
  } else if (InterruptCount() >= 2) {
    chip.result.kind = ChipResult::Kind::Stopped;
    chip.result.exitCode = kExitSignalBase + InterruptSignal();
  } else {
    chip.result.exitCode = kExitChipFailed;
  }
  return chip;
}

std::string JobSession::RunStep(const JobStep& step, ChipRun& chip) {
  TMainForm& f = *form_;
  Control* button = nullptr;
  switch (step.kind) {
    case JobStepKind::Erase:
      button = &f.Erase_But;
      break;
    case JobStepKind::Blank:
      button = &f.Blank_Chk;
      break;
    case JobStepKind::Program:
      button = &f.Programm;
      break;
    case JobStepKind::Verify:
      button = &f.Verify;
      break;
    case JobStepKind::Lock:
      button = &f.Security;
      break;
  }
  if (InterruptCount() >= 2) return "stopped before this step";
  if (hooks_.beforeCommand) hooks_.beforeCommand();
  errors_.clear();
  Click(*button, button->name().c_str());
  if (step.kind == JobStepKind::Lock && f.Security_List.Live())
    ChooseRow(f.Security_List, step.lockBit - 1);
  progress_.Finish();

  const DeviceOutcome& outcome = f.outcomes.device;
  PrintMismatches(outcome);
  Say("  " + step.Name() + ": " + outcome.text);
  if (outcome.verdict == Verdict::BoxLost) {
    chip.boxLost = true;
    return outcome.text;
  }
  if (outcome.verdict == Verdict::Stopped || outcome.stoppedAt)
    return "stopped" + (outcome.stoppedAt ? " at " + HexText(*outcome.stoppedAt, 4) : "");
  if (outcome.verdict != Verdict::Success || !errors_.empty()) {
    std::string why = outcome.text;
    if (const Mismatch* m = outcome.first())
      why += " (" + std::to_string(outcome.mismatches.size()) +
             (outcome.mismatches.size() == 1 ? " byte differs" : " bytes differ") +
             ", the first at " + HexText(m->deviceAddr, 4) + ")";
    if (why.empty() && !errors_.empty()) why = errors_.front().text;
    return why;
  }
  if (step.kind == JobStepKind::Verify) {
    // What the chip was found to hold: the buffer's window, serial number included.
    const ProgramState& s = f.s;
    const auto length = static_cast<size_t>(s.DeviceEnd - s.DeviceStart + 1);
    chip.result.crc32 =
        Crc32(std::span(s.Buffer).subspan(static_cast<size_t>(s.BufferStart), length));
  }
  return {};
}

std::optional<ChipClaim> JobSession::Record(const ChipClaim& claim, const ChipRun& chip,
                                            bool more) {
  const bool reuse = settings_.job.serial && settings_.job.serial->reuseFailed;
  try {
    return record_->Finish(claim, chip.result, reuse, more ? &station_ : nullptr);
  } catch (const JobRecordError& error) {
    // The chip's row stays "unfinished" and its number is never handed out again; what
    // the chip did is said here so that it is not lost.
    const bool pass = chip.result.kind == ChipResult::Kind::Pass;
    Fail(kExitUsage, std::string(error.what()) + "; chip " + std::to_string(chipNumber_) +
                         SerialText(claim) +
                         (pass ? " PASSED" : " FAILED (" + chip.result.reason + ")") +
                         " and its row stays unfinished");
  }
}

void JobSession::ShowResult(const ChipClaim& claim, const ChipRun& chip) {
  const bool pass = chip.result.kind == ChipResult::Kind::Pass;
  (pass ? passed_ : failed_) += 1;
  io_.out << (pass ? "########  PASS  ########" : "########  FAIL  ########") << "  chip "
          << chipNumber_ << SerialText(claim) << (pass ? "" : ": " + chip.result.reason) << '\n';
  io_.out << "passed " << passed_ << "  failed " << failed_ << "  total " << passed_ + failed_
          << "  (" << Seconds(chip.result.durationMs) << " this chip)" << '\n';
  io_.out.flush();
}

std::string JobSession::SerialText(const ChipClaim& claim) const {
  return claim.serial ? ", serial " + std::to_string(*claim.serial) : "";
}

}  // namespace tarnwick
