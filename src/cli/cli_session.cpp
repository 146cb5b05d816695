#include "cli/cli_session.h"

#include <cstring>
#include <istream>
#include <ostream>

#include "base/hashes.h"
#include "base/hex_text.h"
#include "link/detect.h"

#ifndef TARNWICK_VERSION
#define TARNWICK_VERSION "0"
#endif

namespace tarnwick {

namespace {

constexpr uint16_t kFirstSearchAddress = 0x278;

std::string OneLine(const std::string& text) {
  std::string line;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    const std::string part = text.substr(at, end == std::string::npos ? end : end - at);
    if (!part.empty()) line += (line.empty() ? "" : " ") + part;
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return line;
}

}  // namespace

bool OnePortOnly::Open(uint16_t base, PortRefusal& refusal) {
  if (base != base_) {
    refusal.reason = "not searched (--port " + HexText(base_, 4) + ")";
    refusal.alert = false;
    return false;
  }
  return port_.Open(base, refusal);
}

CliSession::CliSession(const CliOptions& options, const CliStreams& io, const CliHooks& hooks)
    : o_(options),
      io_(io),
      hooks_(hooks),
      progress_(io.err,
                options.progress == ProgressMode::Auto
                    ? (io.errIsTerminal && !options.quiet ? ProgressMode::Bar : ProgressMode::None)
                    : options.progress) {}

CliSession::~CliSession() = default;

bool CliSession::NeedsProgrammer() const {
  return o_.command != CliCommand::Devices && o_.command != CliCommand::Convert &&
         o_.command != CliCommand::Hash;
}

bool CliSession::UsesBuffer() const {
  switch (o_.command) {
    case CliCommand::Read:
    case CliCommand::Verify:
    case CliCommand::Program:
    case CliCommand::Compare:
    case CliCommand::Convert:
    case CliCommand::Hash:
      return true;
    default:
      return false;
  }
}

int CliSession::Run() {
  int code = kExitOk;
  try {
    CheckArguments();
    BuildBench();
    StartUp();
    if (o_.command == CliCommand::Detect) {
      Detect();
    } else {
      ChooseDevice();
      ApplySimUnstable();
      SetWindow();
      if (UsesBuffer()) FillBuffer();
      if (o_.command == CliCommand::Convert) {
        LoadFile(fullFiles_[0], FormatOf(o_.files[0], false));
        SaveFile(fullFiles_[1], FormatOf(o_.files[1], true));
        result_ = "Converted " + o_.files[0] + " to " + o_.files[1];
      } else if (o_.command == CliCommand::Hash) {
        HashFile();
      } else {
        if (o_.command != CliCommand::Read && UsesBuffer())
          LoadFile(fullFiles_[0], FormatOf(o_.files[0], false));
        RunCommand();
      }
    }
  } catch (const CliExit& exit) {
    code = exit.code;
  } catch (const std::exception& error) {
    Warn(std::string("tarnwick-cli: ") + error.what());
    result_ = error.what();
    code = kExitChipFailed;
  }
  if (form_) {
    try {
      ShutDown(code);
    } catch (const CliExit& exit) {
      if (code == kExitOk) code = exit.code;
    }
  }
  if (InterruptRequested()) {
    code = kExitSignalBase + InterruptSignal();
    Warn("tarnwick-cli: stopped by signal " + std::to_string(InterruptSignal()));
  }
  return Finish(code);
}

void CliSession::RunCommand() {
  PromptForChip();
  RunDeviceCommand();
}

void CliSession::CheckArguments() {
  if (o_.help) {
    io_.out << UsageText();
    throw CliExit{kExitOk};
  }
  if (o_.version) {
    io_.out << "tarnwick-cli " << TARNWICK_VERSION << '\n';
    throw CliExit{kExitOk};
  }
  if (o_.command == CliCommand::Devices) {
    PrintDeviceList(io_.out);
    throw CliExit{kExitOk};
  }
  if (!o_.device.empty()) {
    deviceRow_ = DeviceRowOf(o_.device);
    if (deviceRow_ < 0)
      Fail(kExitUsage, "no device is called " + o_.device + " (tarnwick-cli devices lists them)");
  } else if (o_.command != CliCommand::Detect && o_.command != CliCommand::Convert &&
             o_.command != CliCommand::Hash) {
    Fail(kExitUsage,
         o_.commandName + " wants the chip: --device NAME (tarnwick-cli devices lists them)");
  }
  for (size_t i = 0; i < o_.files.size(); ++i) {
    fullFiles_.push_back(names_.Add(o_.files[i]));
    (void)FormatOf(o_.files[i], o_.command == CliCommand::Convert && i == 1);
  }
  if (!o_.logFile.empty()) {
    if (const int error = log_.Open(names_.Add(o_.logFile)); error != 0)
      Fail(kExitUsage, "the log " + o_.logFile + " cannot be opened: " + std::strerror(error));
  }
  if (!o_.datFile.empty()) OpenCatalogue();
}

FileFormat CliSession::FormatOf(const std::string& typed, bool output) const {
  // --format names the file's format; for convert it names OUT's, and IN's only where
  // IN's extension names none.
  const bool convert = o_.command == CliCommand::Convert;
  if (o_.format && (!convert || output)) return *o_.format;
  if (const auto by_name = FormatFromExtension(typed)) return *by_name;
  if (o_.format) return *o_.format;
  const_cast<CliSession*>(this)->Fail(
      kExitUsage, "the format of " + typed + " is not known by its extension: give --format");
  return FileFormat::Binary;
}

void CliSession::BuildBench() {
  if (o_.sim || !NeedsProgrammer()) {
    // A run without a programmer (convert) still gets a port: one nobody opens.
    clock_ = &simClock_;
    virtualClock_ = &simClock_;
    box_ = std::make_unique<SimBox>(&simClock_);
    // Millions of accesses are not worth keeping; a test that wants them turns it on.
    box_->SetRecording(false);
    box_->Plug(&socket_);
    port_ = box_.get();
    ownPriority_ = std::make_unique<UnchangedPriority>();
    if (!o_.socketFile.empty()) OpenSocket();
    if (o_.sim) SeatChipNamed();
    if (o_.sim) ApplySimFaults();
  } else {
    clock_ = hooks_.clock != nullptr ? static_cast<Clock*>(hooks_.clock) : &steadyClock_;
    virtualClock_ = hooks_.clock;
    linuxPort_ = hooks_.kernel != nullptr ? std::make_unique<LinuxPortIo>(*hooks_.kernel)
                                          : std::make_unique<LinuxPortIo>();
    port_ = linuxPort_.get();
    if (o_.port) {
      onePort_ = std::make_unique<OnePortOnly>(*linuxPort_, *o_.port);
      port_ = onePort_.get();
    }
    ownPriority_ = std::make_unique<LinuxPriority>();
  }
  priority_ = hooks_.priority != nullptr ? hooks_.priority : ownPriority_.get();
  toolkit_ = std::make_unique<CliToolkit>(*clock_, virtualClock_);
  form_ = std::make_unique<TMainForm>(Services{*toolkit_, *priority_, *clock_, *port_});
  toolkit_->Attach(*form_);
  toolkit_->onMessage = [this](const CliMessage& message) { OnMessage(message); };
  if (box_ && o_.sim) {
    // The bench seats the chip the operator picks, as the simulated window's does.
    form_->devices.OnChipAsked = [this](const std::string& caption) {
      const SimChip* before = socket_.Chip();
      const std::string held = before != nullptr ? before->info().name : "";
      if (socket_.EnsureChipFor(caption) && !held.empty())
        Warn("tarnwick-cli: the socket held an " + held + "; a blank " +
             socket_.Chip()->info().name + " is seated in its place");
    };
    if (hooks_.benchReady) hooks_.benchReady(*box_, socket_);
  }
}

void CliSession::StartUp() {
  TMainForm& f = *form_;
  ProgramState& s = f.s;
  // The window's start-up without its settings file: the search, the second speed
  // measurement, the wait unit from it, the Vpp level, the idle state.
  toolkit_->ProcessMessages();
  f.shell.EnterBusyState();
  f.Memo1.visible = false;
  s.ProgramDir = CurrentDirectory();
  if (!NeedsProgrammer()) {
    f.shell.EnterIdleState();
    return;
  }
  s.Lpt4Address = o_.port.value_or(kFirstSearchAddress);
  f.detect.FindProgrammer();
  if (s.ProgrammerFound > 0 && !InterruptRequested()) {
    f.detect.CalibrateSpeed();
    s.PulseWait = static_cast<uint16_t>(s.SpeedCount / 20);
  }
  if (s.PulseWait < s.ProgramPulse) s.PulseWait = s.ProgramPulse;
  f.vpp.ApplyVpp();
  s.OpFailed = 0;
  f.shell.EnterIdleState();
  if (f.Device.caption == "No Device") f.Device_Box.visible = true;
  if (s.ProgrammerFound == 0) {
    result_ = OneLine(NotFoundText(f.outcomes.search));
    for (const PortTry& t : f.outcomes.search.tries)
      if (o_.port && t.address == *o_.port) result_ = OnePortFailure(t).substr(14);
    throw CliExit{kExitNoProgrammer};
  }
  if (InterruptRequested()) throw CliExit{kExitSignalBase + InterruptSignal()};
}

void CliSession::Detect() {
  TMainForm& f = *form_;
  const SearchOutcome& search = f.outcomes.search;
  for (const std::string& line : SearchLogLines(search)) Say(line);
  result_ = FoundAtText(search.foundAt);
  Say(result_);
  Say(std::string("Port access: ") + PortPathName(search.path));
  Say("Speed: " + std::to_string(f.s.SpeedCount) + " port reads in 0.4 ms (PulseWait " +
      std::to_string(f.s.PulseWait) + ")");
}

void CliSession::ShutDown(int code) {
  TMainForm& f = *form_;
  ProgramState& s = f.s;
  // What the window's close does to the box, without writing its settings file: a pass
  // still running would end, the timer stops, Vpp goes off and the port is given back.
  s.StopCount = 5;
  s.WaitMs = 0;
  f.SetTimer1(false);
  if (s.ProgrammerFound > 0) f.link.ClosePort();
  if (box_ && o_.sim) {
    if (hooks_.benchDone) hooks_.benchDone(*box_, socket_);
    SaveSocket(code);
  }
}

int CliSession::Finish(int code) {
  progress_.Result(result_, code);
  if (!log_.IsOpen()) return code;
  LogEntry entry;
  entry.device = DeviceName(deviceRow_);
  entry.command = o_.commandName;
  for (const std::string& file : o_.files) entry.file += (entry.file.empty() ? "" : " ") + file;
  if (form_ && UsesBuffer() && form_->outcomes.checksum.valid)
    entry.checksum = HexText(form_->outcomes.checksum.sum, 4);
  if (form_ && UsesBuffer() && form_->outcomes.checksum.hashed)
    entry.crc32 = CrcHex(form_->outcomes.checksum.crc32);
  entry.verdict = result_;
  entry.exitCode = code;
  // One write of the whole line: a full disk leaves the log as it was, never half a
  // record for the next one to be glued to.
  if (const int error = log_.Append(LogLine(entry)); error != 0) {
    // A production record that is missing is a failure of the run, not a detail.
    Warn("tarnwick-cli: the log " + o_.logFile + " could not be written: " + std::strerror(error) +
         " (this run's record is not in it)");
    if (code == kExitOk) code = kExitUsage;
  }
  return code;
}

void CliSession::Fail(int code, const std::string& text) {
  Warn("tarnwick-cli: " + text);
  result_ = text;
  throw CliExit{code};
}

void CliSession::Say(const std::string& line) {
  if (!o_.quiet) io_.out << line << '\n';
}

void CliSession::Warn(const std::string& line) {
  progress_.Finish();
  io_.err << line << '\n';
}

}  // namespace tarnwick
