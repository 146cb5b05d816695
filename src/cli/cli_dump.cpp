// The dump's figures in tarnwick-cli: read reads the chip as many times as --reads asks
// and compares the reads, hash works out the figures of a file's image, and both print
// the CRC-32 and SHA-1 archives know dumps by and look the dump up in a ROM catalogue.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "base/hashes.h"
#include "base/hex_text.h"
#include "buffer/dump_hashes.h"
#include "buffer/repeated_reads.h"
#include "cli/cli_session.h"
#include "formats/rom_catalogue.h"
#include "ops/diagnosis.h"

namespace tarnwick {

void CliSession::ReadChip() {
  TMainForm& f = *form_;
  ProgramState& s = f.s;
  const int passes = o_.reads;
  // Each read is the window's Move Device, so N reads make N times its port accesses.
  RepeatedReads reads(s.DeviceStart, s.BufferStart);
  const auto bytes = static_cast<size_t>(s.DeviceEnd - s.DeviceStart + 1);
  for (int pass = 1; pass <= passes; ++pass) {
    errors_.clear();
    progress_.SetPass(pass, passes);
    toolkit_->onPass = [this] { progress_.Update(*form_); };
    Click(f.Move_Eprom, "Move Device");
    toolkit_->onPass = nullptr;
    progress_.Finish();
    const DeviceOutcome& outcome = f.outcomes.device;
    if (outcome.verdict != Verdict::Success || !errors_.empty() || InterruptRequested()) {
      PrintMismatches(outcome);
      result_ = outcome.text;
      Say(result_);
      if (outcome.verdict == Verdict::BoxLost) throw CliExit{kExitNoProgrammer};
      if (InterruptRequested()) {
        const std::string which =
            passes > 1 ? " (read " + std::to_string(pass) + " of " + std::to_string(passes) + ")"
                       : std::string();
        if (outcome.stoppedAt)
          Warn("tarnwick-cli: stopped at " + HexText(*outcome.stoppedAt, 4) +
               " before the end of the window" + which);
        else if (!which.empty())
          Warn("tarnwick-cli: stopped after read " + std::to_string(pass) + " of " +
               std::to_string(passes));
        throw CliExit{kExitSignalBase + InterruptSignal()};
      }
      throw CliExit{kExitChipFailed};
    }
    reads.Add(
        std::span<const uint8_t>(s.Buffer).subspan(static_cast<size_t>(s.BufferStart), bytes));
  }

  compared_ = reads.Compare();
  result_ = f.outcomes.device.text;
  if (!compared_.Stable()) {
    // Data like the mismatch lines: printed with --quiet too.
    for (const UnstableCell& cell : compared_.unstable) io_.out << UnstableLine(cell) << '\n';
    io_.out << UnstableSummary(compared_) << '\n';
    io_.out << UnstableCause(compared_.unstable.size(), false) << '\n';
    const std::vector<uint8_t> kept = reads.KeptImage(compared_);
    std::copy(kept.begin(), kept.end(), s.Buffer.begin() + s.BufferStart);
    f.window.UpdateCheckSum();
    f.outcomes.checksum = HashWindow(s);
    result_ = kUnstableDumpText;
  }
  Say(result_);
  SaveFile(fullFiles_[0], FormatOf(o_.files[0], true));
  PrintHashes(false);
  LookUpDump();
  if (!compared_.Stable()) throw CliExit{kExitChipFailed};
}

void CliSession::HashFile() {
  TMainForm& f = *form_;
  LoadFile(fullFiles_[0], FormatOf(o_.files[0], false));
  if (deviceRow_ < 0 && !o_.window) {
    // No chip and no window: the file's own image, from 0000 to the last byte it gave.
    const int64_t high = f.outcomes.load.result.bufferHigh;
    EnterValue(f.End_Add, static_cast<int32_t>(std::max<int64_t>(high, 0)));
  }
  Click(f.Chk_Sum_But, "Check Sum");
  PrintHashes(true);
  LookUpDump();
  result_ = "Hashed " + o_.files[0];
}

void CliSession::PrintHashes(bool whole) {
  const ChecksumOutcome& c = form_->outcomes.checksum;
  if (!c.hashed) return;
  if (whole) {
    io_.out << "window " << HexText(c.first, 4) << '-' << HexText(c.last, 4) << '\n'
            << "size " << c.Bytes() << '\n'
            << "sum " << HexText(c.sum, 4) << '\n';
  }
  io_.out << "crc32 " << CrcHex(c.crc32) << '\n' << "sha1 " << DigestHex(c.sha1) << '\n';
}

void CliSession::OpenCatalogue() {
  // Opened before anything else is done, so a catalogue that is not there stops the
  // run before the chip is read (and before a dialog moves the current directory).
  std::error_code error;
  if (std::filesystem::is_directory(o_.datFile, error))
    Fail(kExitUsage, "the catalogue " + o_.datFile + " is a folder, not a file");
  dat_.open(o_.datFile, std::ios::binary);
  if (!dat_)
    Fail(kExitUsage, "the catalogue " + o_.datFile + " cannot be opened: " + std::strerror(errno));
}

void CliSession::LookUpDump() {
  if (o_.datFile.empty()) return;
  const ChecksumOutcome& c = form_->outcomes.checksum;
  const RomIdentity dump{c.Bytes(), c.crc32, c.sha1};
  const CatalogueOutcome found = MatchCatalogue(dat_, dump, [] { return InterruptRequested(); });
  if (found.stopped) throw CliExit{kExitSignalBase + InterruptSignal()};
  if (!found.read) {
    const std::string line = found.errorLine > 0 ? ":" + std::to_string(found.errorLine) : "";
    Fail(kExitUsage, o_.datFile + line + ": " + found.error);
  }
  if (found.matchCount == 0) io_.out << "matches: none\n";
  for (const CatalogueMatch& match : found.matches) io_.out << MatchLine(match) << '\n';
  if (found.matchCount > static_cast<int64_t>(found.matches.size()))
    io_.out << "matches: " << found.matchCount - static_cast<int64_t>(found.matches.size())
            << " more\n";
}

void CliSession::ApplySimUnstable() {
  if (o_.simUnstable.empty() || !box_ || !o_.sim) return;
  SimChip* chip = socket_.Chip();
  if (chip == nullptr) return;
  fileUnstable_ = chip->Unstable();
  unstableApplied_ = true;
  for (const UnstableCellOption& cell : o_.simUnstable) {
    if (cell.address >= chip->info().size)
      Fail(kExitUsage, "--sim-unstable " + HexText(cell.address, 4) + ": the " + chip->info().name +
                           "'s last address is " + HexText(chip->info().size - 1, 4));
    if (!chip->SetUnstable(cell.address, cell.mask, cell.percent))
      Fail(kExitUsage, "--sim-unstable: a chip keeps at most " + std::to_string(kMaxUnstableCells) +
                           " unstable cells");
  }
}

void CliSession::RestoreFileUnstable() {
  if (!unstableApplied_) return;
  SimChip* chip = socket_.Chip();
  if (chip == nullptr) return;
  chip->ClearUnstable();
  for (const auto& [addr, bits] : fileUnstable_) chip->SetUnstable(addr, bits.mask, bits.percent);
}

}  // namespace tarnwick
