// The ROM catalogue reader on small catalogues written for these tests, and on a large
// generated one streamed through it.
#include "formats/rom_catalogue.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

namespace tarnwick {
namespace {

// A dump of 4096 bytes with these figures (made up: the reader compares, it does not hash).
RomIdentity Dump() {
  RomIdentity d;
  d.size = 4096;
  d.crc32 = 0x7A3B91C0;
  for (size_t i = 0; i < d.sha1.size(); ++i) d.sha1[i] = static_cast<uint8_t>(0x10 + i);
  return d;
}
constexpr const char* kSha1 = "101112131415161718191a1b1c1d1e1f20212223";

CatalogueOutcome Match(const std::string& xml) {
  std::istringstream in(xml);
  return MatchCatalogue(in, Dump());
}

std::string Rom(const std::string& attributes) {
  return "<rom " + attributes + "/>";
}

TEST(RomCatalogueTest, MatchesBySizeCrcAndSha1) {
  const std::string good =
      "name=\"ic12.bin\" size=\"4096\" crc=\"7a3b91c0\" sha1=\"" + std::string(kSha1) + "\"";
  struct {
    const char* what;
    std::string xml;
    std::vector<std::string> matches;  // "machine/rom"
  } const cases[] = {
      {"Logiqx datafile",
       "<?xml version=\"1.0\"?>\n<datafile><header><name>x</name></header>\n"
       "<game name=\"kbd\"><description>Keyboard</description>" +
           Rom(good) + Rom("name=\"b.bin\" size=\"4096\" crc=\"00000001\"") + "</game></datafile>",
       {"kbd/ic12.bin"}},
      {"machine list with its DTD inside",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n"
       "<!ATTLIST rom status (baddump|nodump|good) \"good\">\n]>\n"
       "<mame build=\"0.250\"><machine name=\"pacman\" sourcefile=\"pacman.cpp\">"
       "<rom name=\"pacman.6e\" size=\"4096\" crc=\"7A3B91C0\" sha1=\"" +
           std::string(kSha1) + "\" region=\"maincpu\" offset=\"0\"/></machine></mame>",
       {"pacman/pacman.6e"}},
      {"the same ROM in two machines",
       "<mame><machine name=\"a\">" + Rom(good) + "</machine><machine name=\"b\">" + Rom(good) +
           "</machine></mame>",
       {"a/ic12.bin", "b/ic12.bin"}},
      {"CRC-32 only, short form",
       "<datafile><machine name=\"m\">" + Rom("name=\"r\" size=\"4096\" crc=\"7a3b91c0\"") +
           "</machine></datafile>",
       {"m/r"}},
      {"SHA-1 only",
       "<datafile><game name=\"g\">" +
           Rom("name=\"r\" size=\"4096\" sha1=\"" + std::string(kSha1) + "\"") +
           "</game></datafile>",
       {"g/r"}},
      {"software list",
       "<softwarelist name=\"s\"><software name=\"cart\"><part><dataarea>" + Rom(good) +
           "</dataarea></part></software></softwarelist>",
       {"cart/ic12.bin"}},
      {"no match: the size, the CRC, the SHA-1, a nodump, a ROM outside any entry",
       "<datafile>" + Rom(good) + "<game name=\"g\">" +
           Rom("name=\"a\" size=\"2048\" crc=\"7a3b91c0\"") +
           Rom("name=\"b\" size=\"4096\" crc=\"7a3b91c1\"") +
           Rom("name=\"c\" size=\"4096\" crc=\"7a3b91c0\" sha1=\"" + std::string(39, '0') + "1\"") +
           Rom("name=\"d\" size=\"4096\" status=\"nodump\"") + "<disk name=\"hd\" sha1=\"" +
           std::string(kSha1) + "\"/></game></datafile>",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CatalogueOutcome out = Match(c.xml);
    ASSERT_TRUE(out.read) << out.error << " at line " << out.errorLine;
    std::vector<std::string> found;
    for (const CatalogueMatch& m : out.matches) found.push_back(m.machine + "/" + m.rom);
    EXPECT_EQ(found, c.matches);
    EXPECT_EQ(out.matchCount, static_cast<int64_t>(c.matches.size()));
  }
  const CatalogueOutcome two = Match(cases[2].xml);
  EXPECT_EQ(MatchLine(two.matches[1]), "matches: machine \"b\", rom \"ic12.bin\"");
}

TEST(RomCatalogueTest, AMalformedCatalogueSaysWhatAndWhere) {
  struct {
    std::string xml;
    int64_t line;
    const char* says;
  } const cases[] = {
      {"<datafile>\n<game name=\"x\">\n</datafile>\n", 3, "not well-formed XML: mismatched tag"},
      {"<datafile>\n<game name=\"x\">\n", 3, "not well-formed XML: no element found"},
      {"", 1, "not well-formed XML: no element found"},
      {"<html><body/></html>", 1, "<html> is not a ROM catalogue"},
      {"<datafile>\n<game name=\"x\">\n<rom name=\"a\" size=\"4k\"/>", 3,
       "rom \"a\": size \"4k\" is not a number of bytes"},
      {"<datafile>\n\n<game name=\"x\"><rom name=\"a\" size=\"1\" crc=\"123456789\"/>", 3,
       "rom \"a\": crc \"123456789\" is not a CRC-32"},
      {"<datafile><game name=\"x\">\n<rom name=\"a\" size=\"1\" sha1=\"abc\"/>", 2,
       "rom \"a\": sha1 \"abc\" is not a SHA-1"},
      {std::string("<datafile>\n\x01</datafile>", 22), 2, "not well-formed XML: not well-formed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    const CatalogueOutcome out = Match(c.xml);
    EXPECT_FALSE(out.read);
    EXPECT_EQ(out.errorLine, c.line);
    EXPECT_EQ(out.error.rfind(c.says, 0), 0u) << out.error;
  }
}

// A machine list generated on the fly, `machines` entries of one ROM each, the last one
// the dump: a stream that never exists in memory whole.
class GeneratedCatalogue final : public std::streambuf {
 public:
  explicit GeneratedCatalogue(int machines) : machines_(machines) { Refill(); }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (!Refill()) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
  }

 private:
  bool Refill() {
    if (done_) return false;
    text_.clear();
    if (next_ == 0) text_ = "<?xml version=\"1.0\"?>\n<mame build=\"generated\">\n";
    for (int i = 0; i < 256 && next_ < machines_; ++i, ++next_) {
      const bool last = next_ == machines_ - 1;
      char line[400];
      std::snprintf(line, sizeof line,
                    "\t<machine name=\"m%07d\" sourcefile=\"gen.cpp\">\n"
                    "\t\t<description>Generated machine %d</description>\n"
                    "\t\t<rom name=\"r%d.bin\" size=\"4096\" crc=\"%08x\" sha1=\"%s\" "
                    "region=\"maincpu\" offset=\"0\"/>\n\t</machine>\n",
                    next_, next_, next_, last ? 0x7A3B91C0u : static_cast<unsigned>(next_),
                    last ? kSha1 : "0000000000000000000000000000000000000000");
      text_ += line;
    }
    if (next_ == machines_) {
      text_ += "</mame>\n";
      done_ = true;
    }
    bytes_ += text_.size();
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return !text_.empty();
  }

  int machines_;
  int next_ = 0;
  bool done_ = false;
  std::string text_;

 public:
  size_t bytes_ = 0;
};

TEST(RomCatalogueTest, ALargeCatalogueIsReadInBoundedMemory) {
  GeneratedCatalogue source(300000);
  std::istream in(&source);
  const CatalogueOutcome out = MatchCatalogue(in, Dump());
  ASSERT_TRUE(out.read) << out.error;
  EXPECT_GT(source.bytes_, 64u * 1024 * 1024);
  EXPECT_EQ(out.machines, 300000);
  ASSERT_EQ(out.matches.size(), 1u);
  EXPECT_EQ(out.matches[0].machine, "m0299999");
  // The parser holds a piece and a few names, whatever the size of the file.
  EXPECT_LT(out.parserPeakBytes, 1024u * 1024);
}

TEST(RomCatalogueTest, ATokenTooLongForTheBudgetIsRefusedNotHeld) {
  std::string xml = "<datafile>\n<game name=\"";
  xml.append(kCatalogueParserBudget + 1024, 'x');
  xml += "\"/></datafile>";
  const CatalogueOutcome out = Match(xml);
  EXPECT_FALSE(out.read);
  EXPECT_EQ(out.errorLine, 2);
  EXPECT_NE(out.error.find("more than 16 MiB"), std::string::npos) << out.error;
  EXPECT_LE(out.parserPeakBytes, kCatalogueParserBudget);
}

}  // namespace
}  // namespace tarnwick
