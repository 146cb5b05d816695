// Start-up reading a Tarnwick.Cfg whose content is the fuzz bytes, in a scratch folder
// that also holds small files the last-file line may name. Whatever the file says,
// start-up ends idle or at the conversion message of a bad line, and nothing reaches
// past the buffer. The close then writes the settings back; two more starts from what
// was written must write the same file again (a restart loses no setting).
#include <string>

#include "app/startup.h"
#include "base/atomic_file.h"
#include "base/text_lines.h"
#include "fuzz/fuzz_support.h"

namespace tarnwick::fuzz {
namespace {

// The settings file is written as the program writes it, without waiting for the disk:
// durability is no part of what this target checks, and two flushes per close would
// take most of its time.
struct NoFlushDisk final : DiskCalls {
  int Fsync(int) override { return 0; }
};

void WriteLoadableFiles() {
  static bool written = false;
  if (written) return;
  written = true;
  WriteScratchFile("a.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
  WriteScratchFile("b.s19", "S107000001020304EE\r\nS9030000FC\r\n");
  WriteScratchFile("c.txt", "0102030405060708\r\n");
  WriteScratchFile("d.bin", std::string("\x01\x02\x03\x04", 4));
}

// The conversion message starts with the quoted text that failed (which a NUL byte in
// the file can cut short); the file errors of a reload that failed do not.
bool ConversionMessageShown(const FuzzForm& h) {
  for (const ShownMessage& m : h.toolkit.messages)
    if (m.kind == ShownMessage::Kind::Error && m.text.rfind('\'', 0) == 0) return true;
  return false;
}

// One run of the program: start-up from the settings file, a checksum over the window
// it left, the close. Returns the settings file the close wrote.
std::string StartAndClose(std::string_view settings) {
  WriteScratchFile(kConfigFileName, settings);
  FuzzForm h;
  TMainForm& f = h.f();
  f.Activate();
  FUZZ_CHECK(!h.StoppedByFailure());
  const bool stopped = ConversionMessageShown(h);
  if (!stopped) {
    FUZZ_CHECK(h.Idle());
    FUZZ_CHECK(WindowInLimits(f.s));
  }
  {
    // A bad line can leave a window value as the file gave it; the checksum pass over
    // it must still stay inside the buffer.
    BufferFence fence(f.s);
    f.Click(f.Chk_Sum_But);
  }
  f.Close();
  std::string written;
  FUZZ_CHECK(ReadWholeTextFile(ScratchPath(kConfigFileName), written));
  size_t lines = 0;
  for (size_t at = written.find("\r\n"); at != std::string::npos; at = written.find("\r\n", at + 2))
    ++lines;
  FUZZ_CHECK(lines == kConfigLines);
  return written;
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  using namespace tarnwick::fuzz;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  // The last-file line is loaded: it stays inside the scratch folder (no paths), and off
  // the settings file itself, which changes from one run to the next.
  if (content.find('/') != std::string_view::npos ||
      content.find(kConfigFileName) != std::string_view::npos)
    return -1;
  static NoFlushDisk no_flush;
  static DiskCalls* const system_disk = SwapDisk(&no_flush);
  (void)system_disk;
  InScratchDir here;
  WriteLoadableFiles();
  const std::string first = StartAndClose(content);
  const std::string second = StartAndClose(first);
  const std::string third = StartAndClose(second);
  FUZZ_CHECK(third == second);
  return 0;
}
