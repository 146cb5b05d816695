// ROM catalogues: the lists dumpers and emulators identify dumps by. Two XML forms:
//   Logiqx datafile:  <datafile><game name="x"><rom name="a.bin" size="4096"
//                     crc="7a3b91c0" sha1="..."/></game></datafile>
//                     (newer ones say <machine> for <game>)
//   machine list:     <mame><machine name="x"><rom name=... size=... crc=... sha1=...
//                     region=... offset=.../></machine></mame>, as an emulator prints it
// (also <softwarelist><software name=...>...<rom .../>). The machine list of a whole
// emulator runs to hundreds of megabytes, so it is read as a stream through expat, a
// piece at a time, keeping nothing but the machine being read and the matches found:
// the memory it takes does not grow with the file.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "base/hashes.h"

namespace tarnwick {

// What a dump is compared by.
struct RomIdentity {
  int64_t size = 0;
  uint32_t crc32 = 0;
  Sha1Digest sha1{};
};

// One entry of the catalogue that is this dump.
struct CatalogueMatch {
  std::string machine;  // the game, machine or software it belongs to
  std::string rom;      // its file name there
  int64_t line = 0;     // the line of its <rom> element
};

struct CatalogueOutcome {
  bool read = false;                    // the whole catalogue was read
  bool stopped = false;                 // the stop callback asked to end
  std::string error;                    // why it could not be read, when it could not
  int64_t errorLine = 0;                // the line the error is on; 0 when it has none
  std::vector<CatalogueMatch> matches;  // the first kListedMatches
  int64_t matchCount = 0;               // all of them
  int64_t machines = 0;                 // entries read
  int64_t roms = 0;                     // <rom> elements with a CRC-32 or SHA-1
  size_t parserPeakBytes = 0;           // the most memory the XML parser held at once
};

// Matches kept for printing; the rest are only counted.
inline constexpr size_t kListedMatches = 1000;
// The most memory the XML parser may hold: a catalogue that needs more (a token of
// megabytes, an entity that expands without end) is refused as malformed.
inline constexpr size_t kCatalogueParserBudget = 16 * 1024 * 1024;

// Reads the catalogue from `in` and lists the ROMs whose size is the dump's and whose
// CRC-32 and SHA-1 are the dump's, as many of the two as the entry gives (an entry
// with neither, a "nodump", matches nothing). `stop` is asked between pieces.
CatalogueOutcome MatchCatalogue(std::istream& in, const RomIdentity& dump,
                                const std::function<bool()>& stop = {});

// `matches: machine "pacman", rom "pacman.6e"`.
std::string MatchLine(const CatalogueMatch& match);

}  // namespace tarnwick
