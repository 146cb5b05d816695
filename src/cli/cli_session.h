// One run of tarnwick-cli: the bench (simulated box or a real port), the main window
// over the command-line toolkit, and the command carried out through the window's own
// controls and handlers, step by step as an operator would click them.
#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "base/atomic_file.h"
#include "base/virtual_clock.h"
#include "cli/cli_options.h"
#include "cli/cli_report.h"
#include "cli/cli_run.h"
#include "cli/cli_toolkit.h"
#include "link/linux_port.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"
#include "sim/socket_lock.h"

namespace tarnwick {

// Ends the run with an exit status; the result text has been reported already.
struct CliExit {
  int code;
};

// The port as the search sees it when --port names one address: every other address is
// refused before a single byte is written to it, so no other device is probed.
class OnePortOnly final : public PortIo {
 public:
  OnePortOnly(PortIo& port, uint16_t base) : port_(port), base_(base) {}
  uint8_t Read(uint16_t address) override { return port_.Read(address); }
  void Write(uint16_t address, uint8_t value) override { port_.Write(address, value); }
  bool Open(uint16_t base, PortRefusal& refusal) override;
  void Close() override { port_.Close(); }
  bool IsPortAddress(uint16_t base) override { return port_.IsPortAddress(base); }
  bool ControlReadsReachThePort() const override { return port_.ControlReadsReachThePort(); }
  void BoxFound() override { port_.BoxFound(); }
  PortPath Path() const override { return port_.Path(); }

 private:
  PortIo& port_;
  uint16_t base_;
};

// A job run (cli/job_session.h) is a CliSession that goes on from the loaded file to
// chip after chip: it overrides RunCommand and keeps the rest.
class CliSession {
 public:
  CliSession(const CliOptions& options, const CliStreams& io, const CliHooks& hooks);
  virtual ~CliSession();
  int Run();

 protected:
  // What a run does once the file is loaded: the adapter prompt, then the command.
  virtual void RunCommand();

  // Steps, in the order of a run. Each throws CliExit when the run ends there.
  void CheckArguments();
  void BuildBench();
  void StartUp();
  void Detect();
  void ChooseDevice();
  void PromptForChip();
  void SetWindow();
  void FillBuffer();
  void LoadFile(const std::string& full, FileFormat format);
  void SaveFile(const std::string& full, FileFormat format);
  void RunDeviceCommand();
  void ShutDown(int code);

  // The dump's figures (cli_dump.cpp): read as many times as --reads asks and compare
  // the reads; hash a file's image; print the hashes; look the dump up in --dat.
  void ReadChip();
  void HashFile();
  void PrintHashes(bool whole);
  void LookUpDump();
  void OpenCatalogue();
  // --sim-unstable: the cells fade for this run only; the socket file keeps its own.
  void ApplySimUnstable();
  void RestoreFileUnstable();
  // --sim-fault: the socket's contacts fail for this run only, on top of the faults the
  // socket file keeps, which are what is saved.
  void ApplySimFaults();

  // The socket file of the simulated box: taken for the whole run and loaded; saved at
  // the end only when the chip changed and the run did not end in a usage error.
  void OpenSocket();
  void SeatChipNamed();
  void SaveSocket(int code);

  // Helpers over the window's controls.
  void Click(Control& control, const char* what);
  void ChooseRow(Control& list, int row);
  void Type(Control& edit, const std::string& keys);
  void EnterValue(Control& button, int32_t value);
  void ChooseFileType(FileFormat format);

  void OnMessage(const CliMessage& message);
  void AdapterPrompt(const Control& drawing, const std::string& text);
  void PrintLoadReport(const std::string& typed, const LoadResult& result);
  void PrintMismatches(const DeviceOutcome& outcome);
  [[noreturn]] void Fail(int code, const std::string& text);  // reports and throws CliExit
  int Finish(int code);                // the log line and the last progress line; the final status
  void Say(const std::string& line);   // stdout, unless --quiet
  void Warn(const std::string& line);  // stderr

  virtual bool NeedsProgrammer() const;
  bool UsesBuffer() const;
  FileFormat FormatOf(const std::string& typed, bool output) const;

  const CliOptions& o_;
  const CliStreams& io_;
  const CliHooks& hooks_;

  VirtualClock simClock_;
  SteadyClock steadyClock_;
  Clock* clock_ = nullptr;
  VirtualClock* virtualClock_ = nullptr;
  std::unique_ptr<SimBox> box_;
  SimSocket socket_;
  std::unique_ptr<LinuxPortIo> linuxPort_;
  std::unique_ptr<OnePortOnly> onePort_;
  PortIo* port_ = nullptr;
  std::unique_ptr<ProcessPriority> ownPriority_;
  ProcessPriority* priority_ = nullptr;
  std::unique_ptr<CliToolkit> toolkit_;
  std::unique_ptr<TMainForm> form_;

  FileNames names_;
  std::vector<std::string> fullFiles_;
  std::string socketPath_;
  SocketFileLock socketLock_;
  std::string socketText_;  // what the socket file holds ("" for a new one)
  AppendFile log_;
  CliProgress progress_;
  int deviceRow_ = -1;
  std::vector<CliMessage> errors_;  // error boxes of the step running
  bool choosingNoDevice_ = false;
  bool searchReported_ = false;      // the search's log has been printed
  std::vector<std::string> prompt_;  // the adapter prompt, until the run can start
  std::string loading_;              // the file a load is reading, as typed
  std::string result_;
  bool seatsEachChip_ = false;  // the run seats chips itself: the socket's first one is no matter
  std::ifstream dat_;           // --dat, opened before the chip is touched
  RepeatedReadsOutcome compared_;                      // the reads of read, compared
  std::map<int, SimChip::UnstableBits> fileUnstable_;  // as the socket file had them
  bool unstableApplied_ = false;
  SocketFaults fileFaults_;  // as the socket file had them
};

// The result text of a read whose reads did not agree.
inline constexpr const char* kUnstableDumpText =
    "Device Reads Did NOT Agree, the Dump is Unstable....";

// "tarnwick-cli: no Quillbox at 0378: /dev/parport0: Permission denied ...".
std::string OnePortFailure(const PortTry& tried);

// The buffer's last address.
inline constexpr int32_t kWholeBufferEnd = kBufferSize - 1;

}  // namespace tarnwick
