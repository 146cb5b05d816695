// The dump's figures from tarnwick-cli: the hashes of hash and read against values
// worked out elsewhere (the published check values, Python's zlib and hashlib, and the
// crc32 and sha1sum programs), repeated reads of chips with fading cells on the
// simulated box, and the look-up of a dump in a ROM catalogue.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "cli/cli_fixture.h"
#include "cli/cli_session.h"

namespace tarnwick {
namespace {

// The 4 KiB image of an 89C51 holding them, the rest FF, by Python's zlib and hashlib.
constexpr const char* kImageHashes =
    "crc32 e3997366\n"
    "sha1 a73d332e0c790abd8e70e2d522252b8b843b1f8c\n";
constexpr const char* kMoved = "Device Has Been Moved to Buffer....\n";

bool Have(const char* program) {
  return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// The first word a command prints.
std::string FirstWord(const std::string& command) {
  std::string text;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char piece[256];
    while (std::fgets(piece, sizeof piece, pipe) != nullptr) text += piece;
    ::pclose(pipe);
  }
  return text.substr(0, text.find_first_of(" \t\n"));
}

TEST_F(CliTest, HashPrintsTheFiguresOtherToolsPrint) {
  Write("check.bin", "123456789");
  struct {
    std::vector<std::string> words;
    std::string out;
  } const cases[] = {
      // The check value of CRC-32 and the SHA-1 of "123456789": without a chip the image
      // is the file's, 0000 to its last byte.
      {{"hash", Path("check.bin")},
       "window 0000-0008\nsize 9\nsum 01DD\ncrc32 cbf43926\n"
       "sha1 f7c3bc1d808e04732adf679965ccc34ca7ae3441\n"},
      // An 8748's whole 1 KiB, the rest its blank 00 (Python's zlib and hashlib).
      {{"--device", "8748", "hash", Path("check.bin")},
       "window 0000-03FF\nsize 1024\nsum 01DD\ncrc32 5b406f1c\n"
       "sha1 b86dfb0df6ec3e578b5b2e24df4f56222cfd5fb3\n"},
      // A window: "345".
      {{"--window", "0:2:4", "hash", Path("check.bin")},
       "window 0002-0004\nsize 3\nsum 009C\ncrc32 34f5b50f\n"
       "sha1 35139ef894b28b73bea022755166a23933c7d9cb\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words[0]);
    const CliResult r = Run(c.words);
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, c.out);
  }

  // Images srec_cat writes in three formats, against crc32 and sha1sum of the binary.
  if (!Have("srec_cat") || !Have("crc32") || !Have("sha1sum"))
    GTEST_SKIP() << "srec_cat (srecord), crc32 (libarchive-zip-perl) or sha1sum is missing";
  const std::string made = "srec_cat -generate 0 0x1800 -repeat-string 'Tarnwick 22' ";
  for (const auto& [name, format] :
       {std::pair{"gen.bin", "-binary"}, {"gen.hex", "-intel"}, {"gen.s19", "-motorola"}})
    ASSERT_EQ(std::system((made + "-o '" + Path(name) + "' " + format).c_str()), 0);
  const std::string crc = FirstWord("crc32 '" + Path("gen.bin") + "'");
  const std::string sha1 = FirstWord("sha1sum '" + Path("gen.bin") + "'");
  ASSERT_EQ(crc.size(), 8u);
  for (const char* name : {"gen.bin", "gen.hex", "gen.s19"}) {
    SCOPED_TRACE(name);
    const CliResult r = Run({"hash", Path(name)});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("size 6144\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\ncrc32 " + crc + "\nsha1 " + sha1 + "\n"), std::string::npos) << r.out;
  }
}

// An 89C51 holding the two records, read with fading cells. The cells flip from the
// chip's seeded generator; the reads listed are what it gives, and each line checks
// against the cell's real value (7A at 0003, 5D at 0010, FF at 0FFF) and its mask.
TEST_F(CliTest, RepeatedReadsNameTheUnstableBitsAndKeepTheMajority) {
  Write("fw.hex", kFirmware);
  ASSERT_EQ(Run(Sim("89C51", {"program", Path("fw.hex")})).code, kExitOk);
  // The likely cause under the summary, then the result.
  const auto unstable = [](const char* bytes) {
    return std::string(bytes) +
           " read otherwise from one read to the next: unstable cells or a poor contact; clean "
           "the legs and read again\n" +
           kUnstableDumpText + "\n";
  };
  struct {
    std::vector<std::string> words;
    std::string out;
    int code;
    std::map<size_t, uint8_t> kept;  // file bytes that are not the chip's
  } const cases[] = {
      {{"--reads", "3"}, std::string(kMoved) + kImageHashes, kExitOk, {}},
      // One read cannot tell.
      {{"--reads", "1", "--sim-unstable", "3:08"}, std::string(kMoved) + kImageHashes, kExitOk, {}},
      // Two reads by default: the first is kept.
      {{"--sim-unstable", "3:08"},
       "0003  reads 7A 72  bit 3 unstable\n1 byte unstable in 4096; bits: D3 x1\n" +
           unstable("1 byte") + kImageHashes,
       kExitChipFailed,
       {}},
      {{"--reads", "3", "--sim-unstable", "3:08"},
       "0003  reads 7A 72 7A  bit 3 unstable\n1 byte unstable in 4096; bits: D3 x1\n" +
           unstable("1 byte") + kImageHashes,
       kExitChipFailed,
       {}},
      // Two against two: the first read's bit.
      {{"--reads", "4", "--sim-unstable", "3:08"},
       "0003  reads 7A 72 7A 72  bit 3 unstable\n1 byte unstable in 4096; bits: D3 x1\n" +
           unstable("1 byte") + kImageHashes,
       kExitChipFailed,
       {}},
      // A bit that reads wrong nine times in ten wins the vote; so do bits that read
      // wrong less often but did so in most reads. The hashes are of the kept image
      // (Python's zlib and hashlib).
      {{"--reads", "4", "--sim-unstable", "0003:08:90", "--sim-unstable", "0010:81:40",
        "--sim-unstable", "0FFF:01:50"},
       "0003  reads 7A 72 72 72  bit 3 unstable\n"
       "0010  reads 5C 5C 5C DD  bits 0, 7 unstable\n"
       "0FFF  reads FE FE FF FE  bit 0 unstable\n"
       "3 bytes unstable in 4096; bits: D0 x2, D3 x1, D7 x1\n" +
           unstable("3 bytes") +
           "crc32 6fe35ffa\n"
           "sha1 1f7ec92877c2228116bc2ac2708897d7411489cb\n",
       kExitChipFailed,
       {{0x003, 0x72}, {0x010, 0x5C}, {0xFFF, 0xFE}}},
  };
  const SimSocket socket = Socket("bench.sim");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words.size() > 2 ? c.words[2] : c.words[0]);
    std::vector<std::string> words = c.words;
    words.insert(words.end(), {"read", Path("out.bin")});
    const CliResult r = Run(Sim("89C51", words));
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.out, c.out);
    const std::string file = Read("out.bin");
    ASSERT_EQ(file.size(), 0x1000u);
    for (size_t a = 0; a < file.size(); ++a) {
      const auto kept = c.kept.find(a);
      ASSERT_EQ(static_cast<uint8_t>(file[a]),
                kept != c.kept.end() ? kept->second : socket.Chip()->contents()[a])
          << a;
    }
  }
  // The cells were this run's only: the socket file keeps none.
  EXPECT_TRUE(Socket("bench.sim").Chip()->Unstable().empty());
  EXPECT_EQ(Read("bench.sim").rfind("Tarnwick socket 1\n", 0), 0u);
}

TEST_F(CliTest, CtrlCStopsTheReadsAtTheSecondPass) {
  Write("fw.hex", kFirmware);
  ASSERT_EQ(Run(Sim("89C51", {"program", Path("fw.hex")})).code, kExitOk);
  auto on_err = [](const std::string& text) {
    if (text.find("\"pass\":2,\"passes\":3,\"address\":2048") != std::string::npos)
      RequestInterrupt(SIGINT);
  };
  const CliResult r =
      Run(Sim("89C51", {"--progress", "json", "--reads", "3", "read", Path("o.bin")}), {}, on_err);
  EXPECT_EQ(r.code, kExitSignalBase + SIGINT);
  EXPECT_NE(r.err.find("{\"command\":\"read\",\"pass\":1,\"passes\":3,\"address\":4095,"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("before the end of the window (read 2 of 3)"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("\"pass\":3"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("o.bin")));
}

constexpr const char* kCatalogue = R"(<?xml version="1.0"?>
<!DOCTYPE datafile PUBLIC "-//Logiqx//DTD ROM Management Datafile//EN" "http://www.logiqx.com/Dats/datafile.dtd">
<datafile>
  <header><name>Keyboard controllers</name></header>
  <game name="kbd-a">
    <rom name="ic12.bin" size="4096" crc="e3997366" sha1="a73d332e0c790abd8e70e2d522252b8b843b1f8c"/>
  </game>
  <game name="kbd-b">
    <rom name="other.bin" size="4096" crc="12345678"/>
  </game>
</datafile>
)";

TEST_F(CliTest, DatNamesTheCatalogueEntryOfTheDump) {
  Write("fw.hex", kFirmware);
  Write("kbd.dat", kCatalogue);
  Write("broken.dat", "<datafile>\n<game name=\"x\">\n<rom name=\"a\" crc=\"xyz\"/>\n");
  ASSERT_EQ(Run(Sim("89C51", {"program", Path("fw.hex")})).code, kExitOk);

  CliResult r = Run(Sim("89C51", {"--dat", Path("kbd.dat"), "read", Path("chip.bin")}));
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out,
            std::string(kMoved) + kImageHashes + "matches: machine \"kbd-a\", rom \"ic12.bin\"\n");

  r = Run({"--dat", Path("kbd.dat"), "hash", Path("fw.hex")});  // 32 bytes: no entry
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_TRUE(r.out.ends_with("\nmatches: none\n")) << r.out;

  r = Run({"--dat", Path("broken.dat"), "--device", "89C51", "hash", Path("chip.bin")});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("broken.dat:3: rom \"a\": crc \"xyz\" is not a CRC-32"), std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace tarnwick
