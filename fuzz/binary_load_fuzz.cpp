// The binary loader with a hostile address window. The file's bytes must land from
// BufferStart on, only where the buffer is, and every byte that falls outside must be
// reported; the window and its checksum pass must not reach past the buffer either.
//
// Input: BufferStart, DeviceStart, DeviceEnd and HexOffset (four 32-bit values, least
// significant byte first, taken as they are: no ApplyWindow), then the file's bytes.
#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "formats/binary_file.h"
#include "fuzz/fuzz_support.h"

namespace tarnwick::fuzz {
namespace {

// The buffer holds the pattern it was filled with, but file byte i at address start + i
// where that address exists; returns how many file bytes landed.
int64_t CheckPlaced(const BufferBytes& buffer, int32_t start, std::string_view file) {
  const int64_t first = std::max<int64_t>(start, 0);  // addresses the file covers
  const int64_t end =
      std::min<int64_t>(int64_t{start} + static_cast<int64_t>(file.size()), kBufferSize);
  if (end <= first) {
    FUZZ_CHECK(buffer == Pattern());
    return 0;
  }
  const uint8_t* bytes = buffer.data();
  const uint8_t* pattern = Pattern().data();
  const auto n = static_cast<size_t>(end - first);
  FUZZ_CHECK(std::memcmp(bytes, pattern, static_cast<size_t>(first)) == 0);
  FUZZ_CHECK(std::memcmp(bytes + first, file.data() + (first - start), n) == 0);
  FUZZ_CHECK(std::memcmp(bytes + end, pattern + end, static_cast<size_t>(kBufferSize - end)) == 0);
  return static_cast<int64_t>(n);
}

void PlaceOnExactBuffer(int32_t start, std::string_view file) {
  auto buffer = std::make_unique<BufferBytes>();
  FillPattern(*buffer);
  LoadResult result;
  PlaceBinary(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), start, *buffer,
              result);
  const int64_t inside = CheckPlaced(*buffer, start, file);
  FUZZ_CHECK(result.stored == inside);
  FUZZ_CHECK(result.leftOut == static_cast<int64_t>(file.size()) - inside);
}

void LoadThroughTheWindow(int32_t start, int32_t device_start, int32_t device_end, int32_t offset,
                          std::string_view file) {
  InScratchDir here;
  WriteScratchFile("load.bin", file);
  FuzzForm h;
  TMainForm& f = h.f();
  ProgramState& s = f.s;
  s.BufferStart = start;
  s.DeviceStart = device_start;
  s.DeviceEnd = device_end;
  s.HexOffset = offset;
  s.FileType = 0;
  FillPattern(s.Buffer);
  h.toolkit.dialogAnswers.push_back(ScratchPath("load.bin"));
  {
    BufferFence fence(s);
    f.Click(f.Load_But);
  }
  const int64_t inside = CheckPlaced(s.Buffer, start, file);
  const int64_t left_out = static_cast<int64_t>(file.size()) - inside;
  bool reported = false;
  for (const ShownMessage& m : h.toolkit.messages)
    reported = reported || m.text.rfind(std::to_string(left_out) + " Bytes Lay Beyond", 0) == 0;
  FUZZ_CHECK(reported == (left_out > 0));
  // A load that stores nothing (an empty file, every byte beyond the buffer) is no load:
  // the last file loaded stays as it was.
  FUZZ_CHECK(f.StaticText4.caption ==
             "Last File Loaded in Buffer=" +
                 (inside > 0 ? ScratchPath("load.bin") : std::string("No File Loaded")));
  FUZZ_CHECK(!h.StoppedByFailure());
  FUZZ_CHECK(h.Idle());
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick::fuzz;
  ByteReader in(data, size);
  const int32_t start = in.Int32();
  const int32_t device_start = in.Int32();
  const int32_t device_end = in.Int32();
  const int32_t offset = in.Int32();
  const std::string_view file = in.Rest();
  PlaceOnExactBuffer(start, file);
  LoadThroughTheWindow(start, device_start, device_end, offset, file);
  return 0;
}
