// Loading and saving a full 64 KiB buffer in each file format, through the disk as the
// Load and Save commands do, and srec_cat converting the same Intel Hex file to binary
// for comparison.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "formats/ascii_hex.h"
#include "formats/binary_file.h"
#include "formats/file_io.h"
#include "formats/intel_hex.h"
#include "formats/motorola_hex.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

struct Scratch {
  Scratch() {
    dir = fs::temp_directory_path() / ("tarnwick-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::mt19937 gen(7);
    for (auto& v : buffer) v = static_cast<uint8_t>(gen());
    WriteWholeFile(File("full.hex"), std::string_view(WriteIntelHex(buffer, 0xFFFF)));
    WriteWholeFile(File("full.s28"), std::string_view(WriteMotorolaHex(buffer, 0xFFFF)));
    WriteWholeFile(File("full.txt"), std::string_view(WriteAsciiHex(buffer, 0xFFFF)));
    WriteWholeFile(File("full.bin"), BinarySaveImage(buffer, 0xFFFF, 0));
  }
  ~Scratch() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string File(const char* name) const { return (dir / name).string(); }

  fs::path dir;
  BufferBytes buffer{};
};

Scratch& Files() {
  static Scratch scratch;
  return scratch;
}

using HexReader = LoadResult (*)(std::string_view, const HexLoadParams&, BufferBytes&);
using HexWriter = std::string (*)(const BufferBytes&, int64_t);

void LoadHex(benchmark::State& state, HexReader reader, const char* name) {
  const std::string file = Files().File(name);
  BufferBytes into{};
  HexLoadParams params;
  params.mask = 0xFFFF;
  for (auto _ : state) {
    const LoadResult r = reader(ReadWholeFile(file), params, into);
    benchmark::DoNotOptimize(r.stored);
  }
  state.SetBytesProcessed(state.iterations() * kBufferSize);
}

void SaveHex(benchmark::State& state, HexWriter writer) {
  const std::string file = Files().File("saved.txt");
  for (auto _ : state) WriteWholeFile(file, std::string_view(writer(Files().buffer, 0xFFFF)));
  state.SetBytesProcessed(state.iterations() * kBufferSize);
}

void BM_LoadIntelHex(benchmark::State& s) {
  LoadHex(s, ReadIntelHex, "full.hex");
}
void BM_LoadMotorolaHex(benchmark::State& s) {
  LoadHex(s, ReadMotorolaHex, "full.s28");
}
void BM_LoadAsciiHex(benchmark::State& s) {
  LoadHex(s, ReadAsciiHex, "full.txt");
}
void BM_SaveIntelHex(benchmark::State& s) {
  SaveHex(s, WriteIntelHex);
}
void BM_SaveMotorolaHex(benchmark::State& s) {
  SaveHex(s, WriteMotorolaHex);
}
void BM_SaveAsciiHex(benchmark::State& s) {
  SaveHex(s, WriteAsciiHex);
}

void BM_LoadBinary(benchmark::State& state) {
  const std::string file = Files().File("full.bin");
  BufferBytes into{};
  for (auto _ : state) {
    LoadResult r;
    const std::string bytes = ReadWholeFile(file);
    PlaceBinary(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0,
        into, r);
    benchmark::DoNotOptimize(r.stored);
  }
  state.SetBytesProcessed(state.iterations() * kBufferSize);
}

void BM_SaveBinary(benchmark::State& state) {
  const std::string file = Files().File("saved.bin");
  for (auto _ : state) WriteWholeFile(file, BinarySaveImage(Files().buffer, 0xFFFF, 0));
  state.SetBytesProcessed(state.iterations() * kBufferSize);
}

// The same job srec_cat does below: an Intel Hex file in, a binary file out.
void BM_IntelHexToBinary(benchmark::State& state) {
  const std::string in = Files().File("full.hex");
  const std::string out = Files().File("ours.bin");
  BufferBytes into{};
  HexLoadParams params;
  params.mask = 0xFFFF;
  for (auto _ : state) {
    ReadIntelHex(ReadWholeFile(in), params, into);
    WriteWholeFile(out, BinarySaveImage(into, 0xFFFF, 0));
  }
}

// srec_cat as a separate process, timed by hand around each run; the process start is
// part of what an operator would wait for.
void BM_SrecCatIntelHexToBinary(benchmark::State& state) {
  if (std::system("command -v srec_cat >/dev/null 2>&1") != 0) {
    state.SkipWithError("srec_cat is not installed");
    return;
  }
  const std::string command = "srec_cat '" + Files().File("full.hex") + "' -intel -o '" +
                              Files().File("srec.bin") + "' -binary";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const auto end = std::chrono::steady_clock::now();
    if (status != 0) {
      state.SkipWithError("srec_cat failed");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}

BENCHMARK(BM_LoadIntelHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMotorolaHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAsciiHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveIntelHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveMotorolaHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAsciiHex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntelHexToBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SrecCatIntelHexToBinary)
    ->UseManualTime()
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick
