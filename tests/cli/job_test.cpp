// Production jobs on the simulated box: a job made by `job new` and jobs written by
// hand, each serial encoding in the chip, the seal, failed chips and Ctrl-C.
#include <csignal>

#include "cli/job_fixture.h"
#include "sim/sim_chip.h"

namespace tarnwick {
namespace {

// 32 bytes of firmware, and its SHA-256 as sha256sum prints it.
constexpr uint8_t kImage[32] = {0x0B, 0x30, 0x55, 0x7A, 0x9F, 0xC4, 0xE9, 0x0F, 0x34, 0x59, 0x7E,
                                0xA3, 0xC8, 0xED, 0x13, 0x38, 0x5D, 0x82, 0xA7, 0xCC, 0xF1, 0x17,
                                0x3C, 0x61, 0x86, 0xAB, 0xD0, 0xF5, 0x1B, 0x40, 0x65, 0x8A};
constexpr const char* kImageSha256 =
    "b2a9f79a3c2cb52a5049b3e5afb225d8e669c04918315b1974f33e02eec11522";

class JobTest : public JobFixture {
 protected:
  JobTest() { Write("fw.bin", std::string(reinterpret_cast<const char*>(kImage), sizeof kImage)); }

  CliResult RunJob(const std::string& job, const std::string& input, const CliHooks& hooks = {},
                   std::vector<std::string> more = {}) {
    std::vector<std::string> args{"job", "run", Path(job), "--sim", "--socket", Path("bench.sim")};
    args.insert(args.end(), more.begin(), more.end());
    return Job(args, input, hooks);
  }
  // The serial and result of each row, with the CRC-32 where there is one: "1000 pass 5bebe8a7".
  std::vector<std::string> Rows(const std::string& job) {
    std::vector<std::string> rows;
    for (const auto& f : RecordRows(job))
      rows.push_back(f[kSerialColumn] + " " + f[kResultColumn] +
                     (f[kCrcColumn].empty() ? "" : " " + f[kCrcColumn]));
    return rows;
  }
  std::vector<uint8_t> Chip(size_t from, size_t n) {
    const SimSocket socket = Socket("bench.sim");
    const auto& c = socket.Chip()->contents();
    return {c.begin() + static_cast<long>(from), c.begin() + static_cast<long>(from + n)};
  }
};

TEST_F(JobTest, JobNewWritesAJobThatProgramsEachChipWithTheNextNumber) {
  CliResult r = Job({"--device", "89c51", "--window", "0:0:3F", "--serial", "30:4:le:1000", "job",
                     "new", Path("job.toml"), Path("fw.bin")});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  const std::string job = Read("job.toml");
  for (const char* line : {"device = '89C51'", "image = 'fw.bin'", "window = '0000:0000:003F'",
                           "steps = [ 'erase', 'blank', 'program', 'verify' ]", "address = '0030'",
                           "encoding = 'le'", "first = 1000", "on_failure = 'reuse'"})
    EXPECT_NE(job.find(line), std::string::npos) << line << "\n" << job;
  EXPECT_NE(job.find(std::string("image_sha256 = '") + kImageSha256 + "'"), std::string::npos);
  // A job is not written over.
  r = Job({"--device", "89C51", "job", "new", Path("job.toml"), Path("fw.bin")});
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("exists already"), std::string::npos) << r.err;

  r = RunJob("job.toml", "\n\n", {}, {"--count", "2", "--operator", "ann"});
  ASSERT_EQ(r.code, kExitOk) << r.err;
  EXPECT_NE(r.out.find("########  PASS  ########  chip 2, serial 1001\n"
                       "passed 2  failed 0  total 2"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.err.find("Chip 2 (serial 1001): seat the next 89C51, then press Enter"),
            std::string::npos);
  // The socket keeps the last chip: the image, the fill, 1001 = 0x3E9 low byte first.
  EXPECT_EQ(Chip(0, 32), std::vector<uint8_t>(kImage, kImage + 32));
  EXPECT_EQ(Chip(0x2E, 8), (std::vector<uint8_t>{0xFF, 0xFF, 0xE9, 0x03, 0x00, 0x00, 0xFF, 0xFF}));
  // The CRC-32 of each window as verified (worked out with Python's zlib.crc32).
  EXPECT_EQ(Rows("job.toml"),
            (std::vector<std::string>{"1000 pass 5bebe8a7", "1001 pass f5837936"}));
  r = Job({"job", "report", Path("job.toml")});
  EXPECT_NE(r.out.find("passed 2  failed 0  total 2\n"
                       "serial numbers: 1000 to 1001 on the chips that passed; next 1002\n"),
            std::string::npos)
      << r.out;
}

// Jobs written by hand in the shape of the documentation, one per encoding: the second
// chip's number (first + step) lands at the address in the encoding's bytes, and the
// verify (a step of the job) has checked it.
TEST_F(JobTest, EachEncodingWritesTheNumberAtItsAddress) {
  struct {
    const char* device;
    const char* encoding;
    int length;
    int64_t first;
    int64_t step;
    std::vector<uint8_t> second;
  } const cases[] = {
      {"89C51", "le", 3, 0x12345, 0x100, {0x45, 0x24, 0x01}},
      {"89C52", "be", 4, 0xA0B0C0D0, 1, {0xA0, 0xB0, 0xC0, 0xD1}},
      {"87C51H", "bcd", 3, 2999, 1, {0x00, 0x30, 0x00}},
      {"8748", "ascii-dec", 6, 1234, 10, {'0', '0', '1', '2', '4', '4'}},
      {"89S8252", "ascii-hex", 4, 0xBEEF, 1, {'B', 'E', 'F', '0'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoding);
    std::filesystem::remove(Path("job.db"));
    Write("job.toml", std::string("# written by hand\n") + "device = \"" + c.device +
                          "\"\nimage = \"fw.bin\"\nimage_sha256 = \"" + kImageSha256 +
                          "\"\nwindow = \"0000:0000:003F\"\n"
                          "steps = [\"blank\", \"program\", \"verify\"]\n\n"
                          "[serial]\naddress = \"0028\"\nlength = " +
                          std::to_string(c.length) + "\nencoding = \"" + c.encoding +
                          "\"\nfirst = " + std::to_string(c.first) +
                          "\nstep = " + std::to_string(c.step) + "\non_failure = \"skip\"\n");
    const CliResult r = RunJob("job.toml", "\n\n", {}, {"--count", "2"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(Chip(0x28, c.second.size()), c.second);
    EXPECT_EQ(Rows("job.toml").size(), 2u);
  }
}

TEST_F(JobTest, ChangedImagesAndStepsTheChipLacksAreRefused) {
  ASSERT_EQ(Job({"--device", "89C51", "--steps", "erase,blank,program,verify,lock1", "job", "new",
                 Path("job.toml"), Path("fw.bin")})
                .code,
            kExitOk);
  const std::string job = Read("job.toml");
  // The job as a person would edit it, in a file of its own ("1.hand.toml").
  int edited = 0;
  const auto hand = [&](std::initializer_list<std::pair<std::string, std::string>> edits) {
    std::string text = job;
    for (const auto& [from, to] : edits) text.replace(text.find(from), from.size(), to);
    const std::string name = std::to_string(++edited) + ".hand.toml";
    Write(name, text);
    return std::vector<std::string>{"job", "run", Path(name), "--sim"};
  };
  const auto made = [&](std::vector<std::string> options) {
    options.insert(options.end(), {"job", "new", Path("new.toml"), Path("fw.bin")});
    return options;
  };
  struct {
    std::vector<std::string> args;
    const char* says;
  } const cases[] = {
      {made({"--device", "87C51H", "--steps", "erase,program"}),
       "--steps: the 87C51H is not electrically erasable (erase)"},
      {made({"--device", "8748", "--steps", "program,lock3"}),
       "--steps: the 8748 has no lock bits (lock 3)"},
      {made({"--device", "89C51", "--steps", "program,blank"}), "blank cannot follow program"},
      {made({"--device", "89C51", "--window", "0:0:3F", "--serial", "3E:4:le:1"}),
       "--serial: the serial number at 003E to 0041 lies outside the chip window 0000 to 003F"},
      {made({"--device", "89C51", "--serial", "0:2:bcd:10000"}),
       "--serial: the first serial number 10000 does not fit in 2 bytes of bcd (at most 9999)"},
      {hand({{"'89C51'", "'87C51H'"}}),
       "hand.toml:6: the 87C51H is not electrically erasable (erase)"},
      {hand({{"'89C51'", "'8749H'"}, {"'erase', ", ""}}),
       "hand.toml:6: the 8749H has no lock bits (lock 1)"},
      {hand({{"steps = [", "steps =\n["}}), "hand.toml:6: Error while parsing"},
      {hand({{"device", "devise"}}), "hand.toml:2: unknown key devise"},
      {hand({{"'fw.bin'", "'fw.hex'"}}), "fw.hex: the job's image cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    const CliResult r = Job(c.args);
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("new.toml")));
  // Sealed: one byte more in the image and the run does not start; no record begins.
  Write("fw.bin", std::string(reinterpret_cast<const char*>(kImage), sizeof kImage) + "x");
  const CliResult r = RunJob("job.toml", "\n");
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("fw.bin is not the image " + Path("job.toml") +
                       " was sealed with: its SHA-256 is "),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(std::filesystem::exists(Path("job.db")));
  EXPECT_FALSE(std::filesystem::exists(Path("bench.sim")));
}

// The second chip has a cell that never programs: with reuse the third chip gets its
// number, with skip the next one.
TEST_F(JobTest, AFailedChipsNumberIsReusedOrSkipped) {
  for (const char* rule : {"reuse", "skip"}) {
    SCOPED_TRACE(rule);
    std::filesystem::remove(Path("job.toml"));
    std::filesystem::remove(Path("job.db"));
    ASSERT_EQ(
        Job({"--device", "89C51", "--window", "0:0:3F", "--serial",
             std::string("30:2:be:500:1:") + rule, "job", "new", Path("job.toml"), Path("fw.bin")})
            .code,
        kExitOk);
    SimSocket* socket = nullptr;
    int steps = 0;
    CliHooks hooks;
    hooks.benchReady = [&](SimBox&, SimSocket& s) { socket = &s; };
    hooks.beforeCommand = [&] {
      if (++steps == 5) socket->Chip()->NeedsPulses(0x10, kNeverPrograms);  // chip 2, erase
    };
    const CliResult r = RunJob("job.toml", "\n\n\n\n", hooks, {"--count", "2"});
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_NE(r.out.find("########  FAIL  ########  chip 2, serial 501: program: Eprom DID NOT "
                         "Program.............\npassed 1  failed 1  total 2"),
              std::string::npos)
        << r.out;
    const bool reuse = std::string(rule) == "reuse";
    const std::vector<std::string> rows = Rows("job.toml");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1], "501 fail");
    EXPECT_EQ(rows[2].substr(0, 8), reuse ? "501 pass" : "502 pass");
    EXPECT_EQ(Chip(0x30, 2),
              (std::vector<uint8_t>{0x01, static_cast<uint8_t>(reuse ? 0xF5 : 0xF6)}));
  }
}

// Ctrl-C while the second chip is programmed: the chip goes through its steps and the
// run ends; a second Ctrl-C stops the chip's pass at once, and its number goes back.
TEST_F(JobTest, CtrlCEndsTheRunOnceTheChipInTheSocketIsDone) {
  ASSERT_EQ(Job({"--device", "89C51", "--window", "0:0:3F", "--serial", "30:2:le:7", "job", "new",
                 Path("job.toml"), Path("fw.bin")})
                .code,
            kExitOk);
  for (int signals : {1, 2}) {
    SCOPED_TRACE(signals);
    int steps = 0;
    CliHooks hooks;
    hooks.beforeCommand = [&] {
      if (++steps == 7)  // chip 2, program
        for (int i = 0; i < signals; ++i) RequestInterrupt(SIGINT);
    };
    const CliResult r = RunJob("job.toml", "\n\n\n\n", hooks);
    ClearInterrupt();
    EXPECT_EQ(r.code, kExitSignalBase + SIGINT) << r.err;
    EXPECT_EQ(r.out.find("chip 3"), std::string::npos) << r.out;
    if (signals == 1) {
      EXPECT_NE(r.err.find("the run ends once this chip is done"), std::string::npos) << r.err;
      EXPECT_NE(
          r.out.find("  verify: Device Verified to Buffer....\n########  PASS  ########  chip 2"),
          std::string::npos)
          << r.out;
    } else {
      EXPECT_NE(r.out.find("FAIL  ########  chip 2, serial 10: program: stopped at"),
                std::string::npos)
          << r.out;
    }
  }
  // First run: 7 and 8 passed. Second: 9 passed, 10 stopped and given back.
  const std::vector<std::string> rows = Rows("job.toml");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3], "10 stopped");
  const CliResult report = Job({"job", "report", Path("job.toml")});
  EXPECT_NE(report.out.find("passed 3  failed 1  total 4\nserial numbers: 7 to 9 on the chips "
                            "that passed; next 11; given back for the next chips: 10\n"),
            std::string::npos)
      << report.out;
}

}  // namespace
}  // namespace tarnwick
