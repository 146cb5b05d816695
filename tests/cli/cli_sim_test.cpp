// tarnwick-cli end to end on the simulated box: what it prints, its exit status, and
// what landed in the chip and in the files.
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "cli/cli_fixture.h"
#include "sim/sim_box.h"

namespace tarnwick {
namespace {

// kFirmware with 0003 changed from 7A to 7B and 0015 from 17 to 96.
constexpr const char* kChanged =
    ":100000000B30557B9FC4E90F34597EA3C8ED1338DC\r\n"
    ":100010005D82A7CCF1963C6186ABD0F51B40658A2A\r\n"
    ":00000001FF\r\n";

uint8_t FirmwareByte(int address) {
  return static_cast<uint8_t>((address * 37 + 11) % 255);
}

struct ChipCase {
  const char* device;
  std::vector<std::string> window;  // the EPROMs on a short window keep the run short
};

class CliChipTest : public CliTest, public ::testing::WithParamInterface<ChipCase> {
 protected:
  CliResult On(std::vector<std::string> words) {
    std::vector<std::string> args = GetParam().window;
    for (std::string& w : words) args.push_back(w);
    return Run(Sim(GetParam().device, args));
  }
};

TEST_P(CliChipTest, BlankProgramVerifyAndBlankAgain) {
  Write("fw.hex", kFirmware);
  Write("changed.hex", kChanged);

  CliResult r = On({"blank"});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "Device is Erased....\n");

  r = On({"program", Path("fw.hex")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "Device Verified to Buffer....\n");
  const SimSocket socket = Socket("bench.sim");
  const SimChip& chip = *socket.Chip();
  for (int a = 0; a < 0x20; ++a) ASSERT_EQ(chip.contents()[a], FirmwareByte(a)) << a;
  for (int a = 0x20; a < 0x40; ++a) ASSERT_EQ(chip.contents()[a], chip.info().erased) << a;

  r = On({"verify", Path("fw.hex")});
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "Device Verified to Buffer....\n");

  r = On({"verify", Path("changed.hex")});
  EXPECT_EQ(r.code, kExitChipFailed);
  EXPECT_EQ(r.out,
            "0003  EXPECTED-7B FOUND-7A\n"
            "0015  EXPECTED-96 FOUND-17\n"
            "2 bytes differ in 0003, 0015, first 0003\n"
            "Bits read 1 for 0: 1 (D0 x1); read 0 for 1: 2 (D0 x1 D7 x1)\n"
            "Device Did NOT Verify to Buffer....\n");

  r = On({"blank"});
  EXPECT_EQ(r.code, kExitChipFailed);
  const std::string erased = chip.info().erased == 0 ? "00" : "FF";
  EXPECT_EQ(r.out.substr(0, 26), "0000  EXPECTED-" + erased + " FOUND-0B");
  EXPECT_NE(r.out.find("\n001F  EXPECTED-" + erased + " FOUND-8A\n"), std::string::npos) << r.out;
  // The summary and the likely cause stand between the list and the result.
  EXPECT_NE(r.out.find("The chip is likely not fully erased"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), "Device is NOT Erased....\n");
}

INSTANTIATE_TEST_SUITE_P(Chips, CliChipTest,
                         ::testing::Values(ChipCase{"8741", {"--window", "0:0:3F"}},
                                           ChipCase{"8748h", {"--window", "0:0:3F"}},
                                           ChipCase{"87C51H", {"--window", "0:0:3F"}},
                                           ChipCase{"89C51", {}}, ChipCase{"89s8252 ", {}}));

struct ReadCase {
  const char* file;
  const char* firstLines;  // what the writer puts first, worked out by hand
};

class CliReadTest : public CliTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(CliReadTest, ReadsTheChipBackInEachFormat) {
  Write("fw.hex", kFirmware);
  ASSERT_EQ(Run(Sim("89C51", {"program", Path("fw.hex")})).code, kExitOk);

  const CliResult r = Run(Sim("89C51", {"read", Path(GetParam().file)}));
  EXPECT_EQ(r.code, kExitOk) << r.err;
  // The hashes of the 4 KiB image, 32 bytes and the rest FF, from Python's zlib and
  // hashlib.
  EXPECT_EQ(r.out,
            "Device Has Been Moved to Buffer....\n"
            "crc32 e3997366\n"
            "sha1 a73d332e0c790abd8e70e2d522252b8b843b1f8c\n");
  EXPECT_EQ(Read(GetParam().file).rfind(GetParam().firstLines, 0), 0u) << Read(GetParam().file);

  // Back to binary, the bytes are the chip's.
  ASSERT_EQ(Run({"--device", "89C51", "convert", Path(GetParam().file), Path("back.bin")}).code,
            kExitOk);
  const std::string bytes = Read("back.bin");
  const SimSocket socket = Socket("bench.sim");
  ASSERT_EQ(bytes.size(), socket.Chip()->contents().size());
  for (size_t a = 0; a < bytes.size(); ++a)
    ASSERT_EQ(static_cast<uint8_t>(bytes[a]), socket.Chip()->contents()[a]) << a;
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CliReadTest,
    ::testing::Values(
        ReadCase{"chip.bin", "\x0B\x30\x55\x7A"},
        ReadCase{"chip.hex", ":020000020000FC\r\n:100000000B30557A9FC4E90F34597EA3C8ED1338DD\r\n"},
        ReadCase{"chip.s19", "S2140000000B30557A9FC4E90F34597EA3C8ED1338D8\r\n"},
        ReadCase{"chip.asc", "0B30557A9FC4E90F34597EA3C8ED1338\r\n"}));

TEST_F(CliTest, EraseAndLockBitsOfFlashParts) {
  Write("fw.hex", kFirmware);
  ASSERT_EQ(Run(Sim("89C51", {"program", Path("fw.hex")})).code, kExitOk);
  CliResult r = Run(Sim("89C51", {"erase"}));
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "Device has been Erase, Do a Blank Check........\n");
  EXPECT_EQ(Run(Sim("89C51", {"blank"})).code, kExitOk);

  // The 89S8252 goes in place of the 89C51 only when asked to.
  struct {
    const char* device;
    std::vector<std::string> words;
    const char* bit;
    uint8_t lockBits;
  } const cases[] = {{"89C51", {"lock", "1"}, "1", 0x01},
                     {"89C51", {"lock", "3"}, "3", 0x05},
                     {"89S8252", {"--new-chip", "lock", "2"}, "2", 0x02}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.device) + " bit " + c.bit);
    r = Run(Sim(c.device, c.words));
    EXPECT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(r.out, std::string("Security Bit #") + c.bit + " has been programmed...\n");
    EXPECT_EQ(Socket("bench.sim").Chip()->LockBits(), c.lockBits);
  }
}

TEST_F(CliTest, RefusesWhatTheWindowDoesNotOffer) {
  Write("moto.hex", "S2140000000B30557A9FC4E90F34597EA3C8ED1338D8\r\nS804000000FB\r\n");
  struct {
    std::vector<std::string> args;
    const char* says;
  } const cases[] = {
      {Sim("87C51H", {"erase"}), "the 87C51H is not electrically erasable"},
      {Sim("8748", {"lock", "1"}), "the 8748 has no lock bits"},
      {Sim("8748", {"--window", "0:0:800", "blank"}), "whose last address is 03FF"},
      {Sim("87C58H", {"--window", "FF00:0:1FF", "blank"}), "runs past buffer address FFFF"},
      {Sim("2716", {"blank"}), "no device is called 2716"},
      {{"--sim", "blank"}, "blank wants the chip"},
      {Sim("89C51", {"verify", Path("fw.txt")}), "not known by its extension"},
      {Sim("89C51", {"verify", Path("none.hex")}), "none.hex"},
      {Sim("89C51", {"program", Path("moto.hex")}), "moto.hex: no Intel Hex data in the file"},
      {{"--port", "378", "--sim", "detect"}, "two different programmers"},
      {{"--fill", "XYZ", "detect"}, "--fill wants a byte"},
      {{"frobnicate"}, "unknown command frobnicate"},
      {Sim("89C51", {"--reads", "0", "read", Path("x.bin")}), "--reads wants"},
      {Sim("89C51", {"--reads", "17", "read", Path("x.bin")}), "--reads wants"},
      {Sim("89C51", {"--reads", "2", "blank"}), "--reads belongs to read"},
      {{"--dat", "c.dat", "convert", "a.hex", "b.bin"}, "--dat belongs to read and hash"},
      {Sim("89C51", {"--dat", Path("none.dat"), "read", Path("x.bin")}), "none.dat cannot be"},
      {Sim("89C51", {"--sim-unstable", "0A3C", "blank"}), "--sim-unstable wants"},
      {Sim("89C51", {"--sim-unstable", "0A3C:08:101", "blank"}), "--sim-unstable wants"},
      {{"--device", "89C51", "--sim-unstable", "1:1", "blank"}, "belongs to the simulated box"},
      {Sim("89C51", {"--sim-unstable", "1000:01", "blank"}), "89C51's last address is 0FFF"},
      {Sim("89C51", {"--sim-fault", "data8=1", "blank"}), "--sim-fault wants"},
      {Sim("89C51", {"--sim-fault", "data3=open", "blank"}), "--sim-fault wants"},
      {Sim("89C51", {"--sim-fault", "a15=0", "blank"}), "--sim-fault wants"},
      {Sim("89C51", {"--sim-fault", "a11", "blank"}), "--sim-fault wants"},
      {Sim("89C51", {"--sim-fault", "A11=1", "blank"}), "--sim-fault wants"},
      {Sim("89C51", {"--sim-fault", "nochip=1", "blank"}), "--sim-fault wants"},
      {{"--device", "89C51", "--sim-fault", "nochip", "blank"}, "belongs to the simulated box"},
  };
  for (const auto& c : cases) {
    const CliResult r = Run(c.args);
    EXPECT_EQ(r.code, kExitUsage) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

// An 8 KiB image for a 4 KiB chip, written by srec_cat: it does not fit, and the chip
// is not touched unless the operator says --fold.
TEST_F(CliTest, AFileLargerThanTheChipIsRefusedUnlessFolded) {
  if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
  ASSERT_EQ(std::system(("srec_cat -generate 0 0x2000 -repeat-data 0x12 0x34 -o " +
                         Path("big.hex") + " -intel")
                            .c_str()),
            0);
  struct {
    std::vector<std::string> extra;
    int code;
    const char* says;
  } const cases[] = {
      {{}, kExitUsage, "big.hex: File spans 0000-1FFF, the chip 0000-0FFF: 4096 bytes were folded"},
      {{"--fold"}, kExitOk, "big.hex: File spans 0000-1FFF"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.extra;
    args.insert(args.end(), {"program", Path("big.hex")});
    const CliResult r = Run(Sim("89C51", args, "fold.sim"));
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    // The refused run leaves the socket as it was: no file yet.
    if (c.code == kExitOk)
      EXPECT_EQ(Socket("fold.sim").Chip()->contents()[0], 0x12);
    else
      EXPECT_FALSE(std::filesystem::exists(Path("fold.sim")));
  }
}

TEST_F(CliTest, NoChipIsAskedForARunThatCannotStart) {
  // --confirm would read Enter; a missing file ends the run before the prompt.
  const CliResult r = Run(Sim("8748", {"--confirm", "program", Path("none.hex")}));
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_EQ(r.err.find("Seat the 8748"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("none.hex"), std::string::npos) << r.err;
}

TEST_F(CliTest, BadFileSaysWhereAndStopsBeforeTheChip) {
  Write("bad.hex",
        ":100000000B30557A9FC4E90F34597EA3C8ED1338DD\n"
        ":100010005D82A7CCF1173C61G6ABD0F51B40658AA9\n");
  const CliResult r = Run(Sim("89C51", {"program", Path("bad.hex")}));
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("bad.hex:2: '$G6' is not a valid integer value"), std::string::npos)
      << r.err;
  // Nothing programmed, and no socket file where there was none.
  EXPECT_FALSE(std::filesystem::exists(Path("bench.sim")));
}

TEST_F(CliTest, LoadReportsNameTheFileAndLine) {
  Write("twice.hex",
        ":100000000B30557A9FC4E90F34597EA3C8ED1338DD\n"
        ":100000000B30557B9FC4E90F34597EA3C8ED1338DD\n");
  const CliResult refused =
      Run({"--device", "89C51", "convert", Path("twice.hex"), Path("out.bin")});
  EXPECT_EQ(refused.code, kExitUsage);
  EXPECT_NE(refused.err.find("--fold loads it all the same"), std::string::npos) << refused.err;
  const CliResult r =
      Run({"--device", "89C51", "--fold", "convert", Path("twice.hex"), Path("out.bin")});
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_NE(r.err.find(Path("twice.hex") + ":2: Line 2  EXPECTED-DC FOUND-DD"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(":2: Line 2 Overwrites Line 1 at 0003"), std::string::npos) << r.err;
}

TEST_F(CliTest, NoBoxExitsThree) {
  CliHooks unplugged;
  unplugged.benchReady = [](SimBox& box, SimSocket&) { box.SetPowered(false); };
  const CliResult r = Run(Sim("87C51H", {"blank"}), unplugged);
  EXPECT_EQ(r.code, kExitNoProgrammer);
  EXPECT_NE(r.err.find("Port-0378 - A5 - FF"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Make Sure Your Power Pack is Plugged In"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_F(CliTest, BoxLostDuringTheCommandExitsThree) {
  CliHooks pulled;
  SimBox* bench = nullptr;
  pulled.benchReady = [&](SimBox& box, SimSocket&) { bench = &box; };
  pulled.beforeCommand = [&] { bench->SetConnected(false); };
  const CliResult r = Run(Sim("89C51", {"blank"}), pulled);
  EXPECT_EQ(r.code, kExitNoProgrammer);
  EXPECT_EQ(r.out, "The Quillbox Does Not Answer....\n");
}

TEST_F(CliTest, CtrlCStopsALongVerifyAndParksTheBox) {
  Write("fw.hex", kFirmware);
  CliHooks hooks;
  SimBox* bench = nullptr;
  hooks.benchReady = [&](SimBox& box, SimSocket&) { bench = &box; };
  bool parked = false, released = false;
  hooks.benchDone = [&](SimBox& box, SimSocket&) {
    parked = box.Latch(BoxLatch::L2) == 0x3F && box.Latch(BoxLatch::L1) == 0x62 &&
             box.Latch(BoxLatch::B) == 0x20 && box.Latch(BoxLatch::L9) == 0x00;
    released = !box.IsOpen() && box.Latch(BoxLatch::L3) == 0x00;  // Vpp off
  };
  // The operator presses Ctrl-C once the pass has reached 1000.
  auto on_err = [](const std::string& text) {
    if (text.find("\"address\":4096") != std::string::npos) RequestInterrupt(SIGINT);
  };
  const CliResult r =
      Run(Sim("87C58H", {"--progress", "json", "verify", Path("fw.hex")}), hooks, on_err);
  EXPECT_EQ(r.code, kExitSignalBase + SIGINT);
  EXPECT_TRUE(parked);
  EXPECT_TRUE(released);
  ASSERT_NE(bench, nullptr);
  // Stopped soon after 1000, long before the window's end at 7FFF.
  EXPECT_NE(r.err.find("stopped at 10"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("{\"result\":\"Device Did NOT Verify to Buffer....\",\"exit\":130}"),
            std::string::npos)
      << r.err;
}

TEST_F(CliTest, ProgressAndLogLines) {
  Write("fw.hex", kFirmware);
  const CliResult r = Run(Sim("89C51", {"--progress", "json", "--log", Path("runs.log"), "--window",
                                        "0:0:2FF", "program", Path("fw.hex")}));
  EXPECT_EQ(r.code, kExitOk);
  EXPECT_NE(r.err.find("{\"command\":\"program\",\"address\":0,\"end\":767}\n"), std::string::npos);
  // The flash parts skip FF bytes without a pause, so the program pass shows its first
  // block; the verify after it names itself.
  EXPECT_NE(r.err.find("{\"command\":\"verify\",\"address\":0,\"end\":767}\n"), std::string::npos);
  EXPECT_NE(r.err.find("{\"command\":\"verify\",\"address\":512,\"end\":767}\n"),
            std::string::npos);
  EXPECT_NE(r.err.find("{\"command\":\"verify\",\"address\":767,\"end\":767}\n"),
            std::string::npos);
  EXPECT_EQ(r.err.substr(r.err.rfind('{')),
            "{\"result\":\"Device Verified to Buffer....\",\"exit\":0}\n");
  // Checksum of the window: the 32 bytes plus 736 bytes of FF.
  int sum = 736 * 0xFF;
  for (int a = 0; a < 32; ++a) sum += FirmwareByte(a);
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%04X", sum & 0xFFFF);
  // The CRC-32 of the same 768 bytes, from Python's zlib, comes last.
  const std::string log = Read("runs.log");
  EXPECT_NE(log.find("\t89C51\tprogram\t" + Path("fw.hex") + "\t" + checksum +
                     "\tDevice Verified to Buffer....\t0\tf837f1f9\n"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace tarnwick
