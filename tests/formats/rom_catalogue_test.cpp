// The ROM catalogue reader on small catalogues written for these tests, and on a large
// generated one streamed through it.
#include "formats/rom_catalogue.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

namespace tarnwick {
namespace {

// The dump looked up: 4096 bytes, CRC-32 7a3b91c0, SHA-1 1011...2223 (made up: the reader
// compares figures, it does not work them out).
constexpr const char* kSha1 = "101112131415161718191a1b1c1d1e1f20212223";
RomIdentity Dump() {
  RomIdentity d{4096, 0x7A3B91C0, {}};
  for (size_t i = 0; i < d.sha1.size(); ++i) d.sha1[i] = static_cast<uint8_t>(0x10 + i);
  return d;
}

CatalogueOutcome Match(const std::string& xml) {
  std::istringstream in(xml);
  return MatchCatalogue(in, Dump());
}

TEST(RomCatalogueTest, MatchesBySizeCrcAndSha1) {
  const std::string sha1 = std::string(" sha1=\"") + kSha1 + "\"";
  const std::string rom = "<rom name=\"ic12.bin\" size=\"4096\" crc=\"7a3b91c0\"" + sha1 + "/>";
  struct {
    std::string xml;
    std::vector<std::string> matches;  // "machine/rom"
  } const cases[] = {
      {"<?xml version=\"1.0\"?>\n<datafile><header><name>x</name></header>\n<game name=\"kbd\">"
       "<description>K</description>" +
           rom + "<rom name=\"b\" size=\"4096\" crc=\"00000001\"/></game></datafile>",
       {"kbd/ic12.bin"}},
      // An emulator's list with its DTD inside; two machines share the ROM.
      {"<!DOCTYPE mame [\n<!ELEMENT mame (machine+)>\n<!ATTLIST rom status CDATA \"good\">\n]>"
       "<mame build=\"0.250\"><machine name=\"a\">" +
           rom + "</machine><machine name=\"b\" cloneof=\"a\">" + rom + "</machine></mame>",
       {"a/ic12.bin", "b/ic12.bin"}},
      // One hash is enough where the entry gives only one.
      {"<datafile><machine name=\"m\"><rom name=\"r\" size=\"4096\" crc=\"7A3B91C0\"/></machine>"
       "<game name=\"g\"><rom name=\"s\" size=\"4096\"" +
           sha1 + "/></game></datafile>",
       {"m/r", "g/s"}},
      {"<softwarelist><software name=\"cart\"><part><dataarea>" + rom +
           "</dataarea></part></software></softwarelist>",
       {"cart/ic12.bin"}},
      // Another size, CRC-32 or SHA-1, a nodump, a ROM outside any entry, a disk.
      {"<datafile>" + rom +
           "<game name=\"g\"><rom name=\"a\" size=\"2048\" crc=\"7a3b91c0\"/>"
           "<rom name=\"b\" size=\"4096\" crc=\"7a3b91c1\"/>"
           "<rom name=\"c\" size=\"4096\" crc=\"7a3b91c0\" sha1=\"" +
           std::string(40, '0') + "\"/><rom name=\"d\" size=\"4096\" status=\"nodump\"/><disk" +
           sha1 + "/></game></datafile>",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    const CatalogueOutcome out = Match(c.xml);
    ASSERT_TRUE(out.read) << out.error << " at line " << out.errorLine;
    std::vector<std::string> found;
    for (const CatalogueMatch& m : out.matches) found.push_back(m.machine + "/" + m.rom);
    EXPECT_EQ(found, c.matches);
  }
  EXPECT_EQ(MatchLine(Match(cases[1].xml).matches[1]), "matches: machine \"b\", rom \"ic12.bin\"");
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
      {std::string("<datafile>\n\x01</datafile>", 22), 2, "not well-formed XML: not well-formed"},
      {"<html><body/></html>", 1, "<html> is not a ROM catalogue"},
      {"<datafile>\n<game name=\"x\">\n<rom name=\"a\" size=\"4k\"/>", 3,
       "rom \"a\": size \"4k\" is not a number of bytes"},
      {"<datafile>\n\n<game name=\"x\"><rom name=\"a\" size=\"1\" crc=\"123456789\"/>", 3,
       "rom \"a\": crc \"123456789\" is not a CRC-32"},
      {"<datafile><game name=\"x\">\n<rom name=\"a\" size=\"1\" sha1=\"abc\"/>", 2,
       "rom \"a\": sha1 \"abc\" is not a SHA-1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    const CatalogueOutcome out = Match(c.xml);
    EXPECT_FALSE(out.read);
    EXPECT_EQ(out.errorLine, c.line);
    EXPECT_EQ(out.error.rfind(c.says, 0), 0u) << out.error;
  }
}

// A machine list of `machines` entries made up as it is read, the last one the dump: a
// stream that never exists whole.
class GeneratedList final : public std::streambuf {
 public:
  explicit GeneratedList(int machines) : machines_(machines) {}
  size_t bytes = 0;

 protected:
  int_type underflow() override {
    if (next_ > machines_) return traits_type::eof();
    text_ = next_ == 0 ? "<mame>\n" : "";
    for (int i = 0; i < 256 && next_ < machines_; ++i, ++next_) {
      const bool dump = next_ == machines_ - 1;
      char entry[300];
      std::snprintf(entry, sizeof entry,
                    "<machine name=\"m%d\"><description>Machine %d</description>\n<rom "
                    "name=\"r.bin\" size=\"4096\" crc=\"%08x\" sha1=\"%s\" region=\"cpu\"/>"
                    "</machine>\n",
                    next_, next_, dump ? 0x7A3B91C0u : static_cast<unsigned>(next_),
                    dump ? kSha1 : "ffffffffffffffffffffffffffffffffffffffff");
      text_ += entry;
    }
    if (next_ == machines_) {
      text_ += "</mame>\n";
      ++next_;
    }
    bytes += text_.size();
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return traits_type::to_int_type(text_[0]);
  }

 private:
  int machines_;
  int next_ = 0;
  std::string text_;
};

TEST(RomCatalogueTest, ALargeCatalogueIsReadInBoundedMemory) {
  GeneratedList list(300000);
  std::istream in(&list);
  const CatalogueOutcome out = MatchCatalogue(in, Dump());
  ASSERT_TRUE(out.read) << out.error;
  EXPECT_GT(list.bytes, 50u * 1024 * 1024);
  EXPECT_EQ(out.machines, 300000);
  ASSERT_EQ(out.matches.size(), 1u);
  EXPECT_EQ(out.matches[0].machine, "m299999");
  // The parser holds a piece of the file and a few names, whatever its size.
  EXPECT_LT(out.parserPeakBytes, 1024u * 1024);

  // A name longer than the budget is refused, not held.
  std::string xml = "<datafile>\n<game name=\"";
  xml.append(kCatalogueParserBudget + 1024, 'x');
  const CatalogueOutcome big = Match(xml + "\"/></datafile>");
  EXPECT_EQ(big.errorLine, 2);
  EXPECT_NE(big.error.find("more than 16 MiB"), std::string::npos) << big.error;
  EXPECT_LE(big.parserPeakBytes, kCatalogueParserBudget);
}

}  // namespace
}  // namespace tarnwick
