#include "fuzz/fuzz_support.h"

#include <sanitizer/asan_interface.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tarnwick::fuzz {

void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "\n*** broken promise: %s (%s:%d)\n", what, file, line);
  std::abort();
}

int32_t ByteReader::Int32() {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t{Byte()} << (8 * i);
  return static_cast<int32_t>(value);
}

std::string ByteReader::Text(size_t count) {
  std::string text;
  while (count-- > 0 && !Empty()) text += static_cast<char>(Byte());
  return text;
}

std::string_view ByteReader::Rest() const {
  if (Empty()) return {};
  return {reinterpret_cast<const char*>(data_ + pos_), size_ - pos_};
}

namespace {

struct Scratch {
  std::string dir;
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/tarnwick-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp", __FILE__, __LINE__);
    dir = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

}  // namespace

const std::string& ScratchDir() {
  static Scratch scratch;
  return scratch.dir;
}

std::string ScratchPath(std::string_view name) {
  return ScratchDir() + "/" + std::string(name);
}

void WriteScratchFile(std::string_view name, std::string_view bytes) {
  std::ofstream out(ScratchPath(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Fail("writing a scratch file", __FILE__, __LINE__);
}

InScratchDir::InScratchDir() : previous_(std::filesystem::current_path().string()) {
  std::filesystem::current_path(ScratchDir());
}

InScratchDir::~InScratchDir() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

FuzzForm::FuzzForm() {
  form = std::make_unique<TMainForm>(Services{toolkit, priority, clock, port});
  toolkit.Attach(*form);
}

bool FuzzForm::Idle() const {
  const TMainForm& m = *form;
  for (const Control* c :
       {&m.Start_Buf_Add, &m.Chk_Sum_But, &m.Start_Add, &m.Save_But, &m.Load_But, &m.File_But,
        &m.End_Add, &m.Offset, &m.Device, &m.Help_1, &m.Scale, &m.Edit, &m.Fill})
    if (!c->Live()) return false;
  for (const Control* c : {&m.FillBox, &m.Fill_Edit, &m.File_Type, &m.Edit_Add})
    if (c->visible) return false;
  return !(m.StaticText3.colour == colour::Yellow);
}

bool FuzzForm::StoppedByFailure() const {
  for (const ShownMessage& m : toolkit.messages)
    if (m.text.rfind("The command was stopped", 0) == 0) return true;
  return false;
}

BufferFence::BufferFence(ProgramState& state) {
  // The string that follows the buffer, if it still does. The padding before it (less
  // than its alignment) cannot be poisoned on its own.
  char* end = reinterpret_cast<char*>(state.Buffer.data()) + kBufferSize;
  char* dir = reinterpret_cast<char*>(&state.ProgramDir);
  FUZZ_CHECK(dir >= end && dir - end < static_cast<ptrdiff_t>(alignof(std::string)));
  begin_ = dir;
  size_ = sizeof(std::string);
  ASAN_POISON_MEMORY_REGION(begin_, size_);
}

BufferFence::~BufferFence() {
  ASAN_UNPOISON_MEMORY_REGION(begin_, size_);
}

const BufferBytes& Pattern() {
  static const BufferBytes pattern = [] {
    BufferBytes p{};
    for (size_t a = 0; a < p.size(); ++a) p[a] = static_cast<uint8_t>((a * 7 + a / 256 + 0x5A) | 1);
    return p;
  }();
  return pattern;
}

void FillPattern(BufferBytes& buffer) {
  buffer = Pattern();
}

bool WindowInLimits(const ProgramState& s) {
  return s.BufferStart >= 0 && s.BufferStart <= kNoDeviceEnd && s.DeviceStart >= 0 &&
         s.DeviceStart <= s.DeviceEnd && s.DeviceEnd <= std::max(s.ChipEnd, 0) &&
         int64_t{s.BufferStart} + s.DeviceEnd - s.DeviceStart <= kNoDeviceEnd;
}

}  // namespace tarnwick::fuzz
