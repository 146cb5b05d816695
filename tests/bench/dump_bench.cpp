// The dump's figures: CRC-32, SHA-1 and the 16-bit sum of a whole 64 KiB window, and the
// look-up of a dump in a machine list of 100,000 entries, streamed as from a file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <sstream>

#include "base/program_state.h"
#include "buffer/dump_hashes.h"
#include "formats/rom_catalogue.h"

namespace tarnwick {
namespace {

void BM_HashWindow64K(benchmark::State& state) {
  ProgramState s;
  std::mt19937 gen(7);
  for (auto& b : s.Buffer) b = static_cast<uint8_t>(gen());
  s.DeviceStart = 0;
  s.DeviceEnd = kLastBufferAddress;
  for (auto _ : state) {
    const ChecksumOutcome c = HashWindow(s);
    benchmark::DoNotOptimize(c.crc32);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBufferSize);
}
BENCHMARK(BM_HashWindow64K);

constexpr int kEntries = 100000;

// A machine list as an emulator prints it, one ROM per machine; the dump is the last.
const std::string& Catalogue() {
  static const std::string text = [] {
    std::string xml = "<?xml version=\"1.0\"?>\n<mame build=\"bench\">\n";
    char entry[400];
    for (int i = 0; i < kEntries; ++i) {
      std::snprintf(entry, sizeof entry,
                    "\t<machine name=\"m%06d\" sourcefile=\"bench.cpp\">\n"
                    "\t\t<description>Machine %d</description>\n"
                    "\t\t<rom name=\"ic%d.bin\" size=\"4096\" crc=\"%08x\" "
                    "sha1=\"%040d\" region=\"maincpu\" offset=\"0\"/>\n\t</machine>\n",
                    i, i, i, i == kEntries - 1 ? 0x7A3B91C0u : static_cast<unsigned>(i), i);
      xml += entry;
    }
    return xml + "</mame>\n";
  }();
  return text;
}

void BM_MatchCatalogue100k(benchmark::State& state) {
  RomIdentity dump;
  dump.size = 4096;
  dump.crc32 = 0x7A3B91C0;
  // "%040d" of the last entry's number.
  const std::string digits = "0000000000000000000000000000000000099999";
  for (size_t i = 0; i < dump.sha1.size(); ++i)
    dump.sha1[i] = static_cast<uint8_t>(std::stoi(digits.substr(2 * i, 2), nullptr, 16));
  const std::string& xml = Catalogue();
  for (auto _ : state) {
    std::istringstream in(xml);
    const CatalogueOutcome out = MatchCatalogue(in, dump);
    if (!out.read || out.matchCount != 1 || out.machines != kEntries) {
      state.SkipWithError("the catalogue did not give its one match");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(xml.size()));
}
BENCHMARK(BM_MatchCatalogue100k)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick
