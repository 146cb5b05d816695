// What the fuzz targets share: reading events and values off the fuzz bytes, a scratch
// folder that each input runs in, the fence beside the form's buffer, the window on the
// headless toolkit and the checks that end a run with a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/main_form.h"
#include "formats/hex_lines.h"
#include "support/fakes.h"
#include "support/headless_toolkit.h"

namespace tarnwick::fuzz {

// A broken promise: the message goes to stderr and the process aborts, which libFuzzer
// reports as a crash and keeps the input.
[[noreturn]] void Fail(const char* what, const char* file, int line);
#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::tarnwick::fuzz::Fail(#condition, __FILE__, __LINE__))

// The fuzz bytes front to back. Past the end every read gives zeros, so any input is a
// complete one.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
  int8_t Signed() { return static_cast<int8_t>(Byte()); }
  // Four bytes, least significant first.
  int32_t Int32();
  // Up to `count` bytes as text (fewer at the end of the input).
  std::string Text(size_t count);
  std::string_view Rest() const;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A folder of its own for the process, made on first use and removed at exit. Scratch
// files go there, never into the folder the fuzzer was started from.
const std::string& ScratchDir();
std::string ScratchPath(std::string_view name);
void WriteScratchFile(std::string_view name, std::string_view bytes);

// Makes the scratch folder the current directory for one input and returns to the
// previous one afterwards, so paths libFuzzer was given stay valid.
class InScratchDir {
 public:
  InScratchDir();
  ~InScratchDir();
  InScratchDir(const InScratchDir&) = delete;
  InScratchDir& operator=(const InScratchDir&) = delete;

 private:
  std::string previous_;
};

// The window on the headless toolkit: message boxes are answered with OK, dialogs from
// a script, no printer port answers.
struct FuzzForm {
  VirtualClock clock;
  HeadlessToolkit toolkit{clock};
  FakePriority priority;
  RecordingPort port;
  std::unique_ptr<TMainForm> form;

  FuzzForm();
  TMainForm& f() { return *form; }
  // The idle state: every button that works without the box usable, no list or box of
  // a command left open, the status line not yellow. (The device list may stay up: the
  // start-up shows it idle when no device was chosen.)
  bool Idle() const;
  // The handler boundary showed its box for a failure that is no conversion error: a
  // library exception escaped the handler that met it.
  bool StoppedByFailure() const;
};

// The buffer lives inside the program state, so the fields after it are what a write
// past its end would hit. While a fence stands those fields (the start-up folder, the
// help line and the field text, all strings) are poisoned for AddressSanitizer: any
// access to them is reported. So a fence is only for handlers with no business there.
// The few padding bytes between the buffer and the first string, and the fields before
// the buffer, are left to the bounds checks of the standard containers
// (_GLIBCXX_ASSERTIONS), through which every index into the buffer goes.
class BufferFence {
 public:
  explicit BufferFence(ProgramState& state);
  ~BufferFence();
  BufferFence(const BufferFence&) = delete;
  BufferFence& operator=(const BufferFence&) = delete;

 private:
  char* begin_;
  size_t size_;
};

// A buffer image of nonzero bytes, each unlike its neighbours, so a byte that was
// changed shows.
const BufferBytes& Pattern();
void FillPattern(BufferBytes& buffer);

// Window values the program keeps after ApplyWindow, whatever was typed or restored:
// no pass starts below address 0 or runs past FFFFF, none ends beyond the chip.
bool WindowInLimits(const ProgramState& s);

}  // namespace tarnwick::fuzz
