#include "formats/rom_catalogue.h"

#include <expat.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <memory>
#include <optional>

#include "base/hex_text.h"

namespace tarnwick {

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

// --- The parser's memory, counted and capped ---
//
// expat takes plain allocation functions without a context, so the budget of the
// parser running on this thread is reached through a thread-local pointer. Each block
// carries its size in front of it.

struct ParserMemory {
  size_t used = 0;
  size_t peak = 0;
};
thread_local ParserMemory* tMemory = nullptr;

constexpr size_t kHeader = alignof(std::max_align_t);

void* Grant(void* raw, size_t size) {
  if (raw == nullptr) return nullptr;
  std::memcpy(raw, &size, sizeof size);
  tMemory->used += size;
  if (tMemory->used > tMemory->peak) tMemory->peak = tMemory->used;
  return static_cast<char*>(raw) + kHeader;
}

size_t SizeOf(void* block) {
  size_t size = 0;
  std::memcpy(&size, static_cast<char*>(block) - kHeader, sizeof size);
  return size;
}

void* CountedMalloc(size_t size) {
  if (tMemory->used + size > kCatalogueParserBudget) return nullptr;
  return Grant(std::malloc(size + kHeader), size);
}

void CountedFree(void* block) {
  if (block == nullptr) return;
  tMemory->used -= SizeOf(block);
  std::free(static_cast<char*>(block) - kHeader);
}

void* CountedRealloc(void* block, size_t size) {
  if (block == nullptr) return CountedMalloc(size);
  const size_t old = SizeOf(block);
  if (tMemory->used - old + size > kCatalogueParserBudget) return nullptr;
  void* raw = std::realloc(static_cast<char*>(block) - kHeader, size + kHeader);
  if (raw == nullptr) return nullptr;  // the old block stays, and stays counted
  tMemory->used -= old;
  return Grant(raw, size);
}

const XML_Memory_Handling_Suite kCountedMemory{CountedMalloc, CountedRealloc, CountedFree};

struct ParserFree {
  void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// --- Attribute values ---

std::optional<int64_t> Decimal(const char* text) {
  const size_t n = std::strlen(text);
  if (n == 0 || n > 15) return std::nullopt;
  int64_t value = 0;
  for (size_t i = 0; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// 1 to `max_digits` hexadecimal digits, in either case, into `out` (big-endian).
bool HexBytes(const char* text, size_t max_digits, uint8_t* out, size_t out_bytes) {
  const size_t n = std::strlen(text);
  if (n == 0 || n > max_digits) return false;
  std::memset(out, 0, out_bytes);
  // Right-aligned: "1234" as a CRC is 00001234.
  const size_t skip = 2 * out_bytes - n;
  for (size_t i = 0; i < n; ++i) {
    const int d = HexDigitValue(text[i]);
    if (d < 0) return false;
    const size_t at = skip + i;
    out[at / 2] = static_cast<uint8_t>(out[at / 2] | (at % 2 == 0 ? d << 4 : d));
  }
  return true;
}

const char* Attribute(const XML_Char** atts, const char* name) {
  for (size_t i = 0; atts[i] != nullptr; i += 2)
    if (std::strcmp(atts[i], name) == 0) return atts[i + 1];
  return nullptr;
}

bool IsEntry(const char* element) {
  return std::strcmp(element, "game") == 0 || std::strcmp(element, "machine") == 0 ||
         std::strcmp(element, "software") == 0;
}

bool IsCatalogueRoot(const char* element) {
  return std::strcmp(element, "datafile") == 0 || std::strcmp(element, "mame") == 0 ||
         std::strcmp(element, "softwarelist") == 0;
}

// A name as one printable line: a control character (a line break given as &#10;)
// would break the line it is printed in.
std::string Printable(const char* text) {
  std::string out = text != nullptr ? text : "";
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

// --- The reader ---

class CatalogueReader {
 public:
  CatalogueReader(XML_Parser parser, const RomIdentity& dump, CatalogueOutcome& out)
      : parser_(parser), dump_(dump), out_(out) {}

  void Start(const XML_Char* name, const XML_Char** atts) {
    ++depth_;
    if (depth_ == 1) {
      if (!IsCatalogueRoot(name))
        return Refuse("<" + Printable(name) +
                      "> is not a ROM catalogue: a Logiqx datafile starts with <datafile>, "
                      "an emulator's machine list with <mame>");
      return;
    }
    if (IsEntry(name)) {
      entryDepth_ = depth_;
      const char* entry = Attribute(atts, "name");
      entry_ = entry != nullptr ? Printable(entry) : std::string("?");
      ++out_.machines;
      return;
    }
    if (std::strcmp(name, "rom") == 0 && entryDepth_ > 0) Rom(atts);
  }

  void End() {
    if (depth_ == entryDepth_) {
      entryDepth_ = 0;
      entry_.clear();
    }
    --depth_;
  }

  bool Refused() const { return refused_; }

 private:
  void Refuse(std::string why) {
    if (refused_) return;
    refused_ = true;
    out_.error = std::move(why);
    out_.errorLine = static_cast<int64_t>(XML_GetCurrentLineNumber(parser_));
    XML_StopParser(parser_, XML_FALSE);
  }

  void Rom(const XML_Char** atts) {
    const char* name = Attribute(atts, "name");
    const std::string rom = name != nullptr ? Printable(name) : std::string("?");
    const char* status = Attribute(atts, "status");
    if (status != nullptr && std::strcmp(status, "nodump") == 0) return;
    const char* size_text = Attribute(atts, "size");
    const char* crc_text = Attribute(atts, "crc");
    const char* sha1_text = Attribute(atts, "sha1");
    std::optional<int64_t> size;
    if (size_text != nullptr && !(size = Decimal(size_text)))
      return Refuse("rom \"" + rom + "\": size \"" + Printable(size_text) +
                    "\" is not a number of bytes");
    uint8_t crc_bytes[4];
    if (crc_text != nullptr && !HexBytes(crc_text, 8, crc_bytes, sizeof crc_bytes))
      return Refuse("rom \"" + rom + "\": crc \"" + Printable(crc_text) +
                    "\" is not a CRC-32 of up to 8 hexadecimal digits");
    Sha1Digest sha1{};
    if (sha1_text != nullptr && (std::strlen(sha1_text) != 2 * sha1.size() ||
                                 !HexBytes(sha1_text, 2 * sha1.size(), sha1.data(), sha1.size())))
      return Refuse("rom \"" + rom + "\": sha1 \"" + Printable(sha1_text) +
                    "\" is not a SHA-1 of 40 hexadecimal digits");
    if (crc_text == nullptr && sha1_text == nullptr) return;
    ++out_.roms;
    if (!size || *size != dump_.size) return;
    if (crc_text != nullptr) {
      const uint32_t crc = static_cast<uint32_t>(crc_bytes[0]) << 24 |
                           static_cast<uint32_t>(crc_bytes[1]) << 16 |
                           static_cast<uint32_t>(crc_bytes[2]) << 8 | crc_bytes[3];
      if (crc != dump_.crc32) return;
    }
    if (sha1_text != nullptr && sha1 != dump_.sha1) return;
    ++out_.matchCount;
    if (out_.matches.size() < kListedMatches)
      out_.matches.push_back(
          {entry_, rom, static_cast<int64_t>(XML_GetCurrentLineNumber(parser_))});
  }

  XML_Parser parser_;
  const RomIdentity& dump_;
  CatalogueOutcome& out_;
  int depth_ = 0;
  int entryDepth_ = 0;  // the depth of the entry being read; 0 outside one
  std::string entry_;
  bool refused_ = false;
};

void XMLCALL OnStart(void* reader, const XML_Char* name, const XML_Char** atts) {
  static_cast<CatalogueReader*>(reader)->Start(name, atts);
}

void XMLCALL OnEnd(void* reader, const XML_Char*) {
  static_cast<CatalogueReader*>(reader)->End();
}

}  // namespace

CatalogueOutcome MatchCatalogue(std::istream& in, const RomIdentity& dump,
                                const std::function<bool()>& stop) {
  CatalogueOutcome out;
  ParserMemory memory;
  ParserMemory* const outer = tMemory;
  tMemory = &memory;
  {
    const std::unique_ptr<XML_ParserStruct, ParserFree> parser(
        XML_ParserCreate_MM(nullptr, &kCountedMemory, nullptr));
    if (!parser) {
      tMemory = outer;
      out.error = "no memory for the XML parser";
      return out;
    }
    CatalogueReader reader(parser.get(), dump, out);
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), OnStart, OnEnd);
    // Only the document itself is read: an external DTD or entity (a file name or a
    // web address in the catalogue) is never fetched.
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    std::unique_ptr<char[]> piece(new char[kPieceBytes]);
    bool last = false;
    while (!last) {
      if (stop && stop()) {
        out.stopped = true;
        out.error = "stopped";
        break;
      }
      in.read(piece.get(), static_cast<std::streamsize>(kPieceBytes));
      const std::streamsize got = in.gcount();
      if (in.bad()) {
        out.error = "the file could not be read";
        break;
      }
      last = !in;
      if (XML_Parse(parser.get(), piece.get(), static_cast<int>(got),
                    last ? XML_TRUE : XML_FALSE) == XML_STATUS_ERROR) {
        if (!reader.Refused()) {
          const XML_Error code = XML_GetErrorCode(parser.get());
          out.error = code == XML_ERROR_NO_MEMORY
                          ? "the XML needs more than " +
                                std::to_string(kCatalogueParserBudget / (1024 * 1024)) +
                                " MiB to read (a name or an entity far too long)"
                          : std::string("not well-formed XML: ") + XML_ErrorString(code);
          out.errorLine = static_cast<int64_t>(XML_GetCurrentLineNumber(parser.get()));
        }
        break;
      }
    }
    out.read = out.error.empty();
  }
  out.parserPeakBytes = memory.peak;
  tMemory = outer;
  return out;
}

std::string MatchLine(const CatalogueMatch& match) {
  return "matches: machine \"" + match.machine + "\", rom \"" + match.rom + "\"";
}

}  // namespace tarnwick
