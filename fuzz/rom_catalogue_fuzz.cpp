// The ROM catalogue reader on any bytes as the catalogue, looking up one 4 KiB dump.
// Whatever the bytes, it reads them whole or names an error (with a line where the XML
// has one), keeps the matches within their limit, and its parser stays within its
// memory budget.
#include <sstream>

#include "formats/rom_catalogue.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  // The figures the corpus's matching entries carry: crc 7a3b91c0, sha1 1011..2223.
  RomIdentity dump;
  dump.size = 4096;
  dump.crc32 = 0x7A3B91C0;
  for (size_t i = 0; i < dump.sha1.size(); ++i) dump.sha1[i] = static_cast<uint8_t>(0x10 + i);
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const CatalogueOutcome out = MatchCatalogue(in, dump);
  FUZZ_CHECK(out.read == out.error.empty());
  FUZZ_CHECK(!out.stopped);
  FUZZ_CHECK(out.errorLine >= 0);
  FUZZ_CHECK(out.matches.size() <= kListedMatches);
  FUZZ_CHECK(out.matchCount >= static_cast<int64_t>(out.matches.size()));
  FUZZ_CHECK(out.matchCount <= out.roms);
  FUZZ_CHECK(out.parserPeakBytes <= kCatalogueParserBudget);
  for (const CatalogueMatch& m : out.matches)
    FUZZ_CHECK(m.machine.find('\n') == std::string::npos && m.rom.find('\n') == std::string::npos);
  return 0;
}
