// The simulated box's socket file between runs: one run at a time, and nothing changed
// by a run that stops on a usage or file error.
#include <sys/wait.h>

#include <csignal>
#include <set>

#include "cli/cli_fixture.h"
#include "sim/socket_lock.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Intel Hex records of 16 bytes at 0000 and 0010, written by hand, and their bytes.
constexpr uint8_t kFirmwareBytes[32] = {
    0x0B, 0x30, 0x55, 0x7A, 0x9F, 0xC4, 0xE9, 0x0F, 0x34, 0x59, 0x7E, 0xA3, 0xC8, 0xED, 0x13, 0x38,
    0x5D, 0x82, 0xA7, 0xCC, 0xF1, 0x17, 0x3C, 0x61, 0x86, 0xAB, 0xD0, 0xF5, 0x1B, 0x40, 0x65, 0x8A};

TEST_F(CliTest, TwoRunsOnOneSocketTakeTurnsAndBothHalvesLand) {
  Write("fw.hex", kFirmware);
  ASSERT_EQ(Run(Sim("89C51", {"blank"})).code, kExitOk);
  // While the first run holds the socket, a second process programs the other half of
  // the same chip; it says it waits, and goes on once the first has saved.
  pid_t second = -1;
  int err_pipe[2] = {-1, -1};
  std::string second_err;
  auto read_err = [&](bool to_end) {
    char chunk[256];
    for (ssize_t n; (to_end || second_err.find("waiting") == std::string::npos) &&
                    (n = ::read(err_pipe[0], chunk, sizeof chunk)) > 0;)
      second_err.append(chunk, static_cast<size_t>(n));
  };
  CliHooks hooks;
  hooks.beforeCommand = [&] {
    ASSERT_EQ(::pipe(err_pipe), 0);
    second = ::fork();
    if (second == 0) {
      ::dup2(err_pipe[1], STDERR_FILENO);
      const std::string socket = Path("bench.sim"), fw = Path("fw.hex");
      ::execl(TARNWICK_CLI_PATH, "tarnwick-cli", "--sim", "--socket", socket.c_str(), "--device",
              "89C51", "--window", "10:10:1F", "program", fw.c_str(), nullptr);
      ::_exit(127);
    }
    ::close(err_pipe[1]);
    read_err(false);
  };
  const CliResult first =
      Run(Sim("89C51", {"--window", "0:0:F", "program", Path("fw.hex")}), hooks);
  ASSERT_GT(second, 0);
  read_err(true);
  ::close(err_pipe[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(second, &status, 0), second);

  EXPECT_EQ(first.code, kExitOk) << first.err;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kExitOk) << second_err;
  EXPECT_NE(second_err.find("bench.sim is in use by another run; waiting up to 10 s"),
            std::string::npos)
      << second_err;
  const SimSocket socket = Socket("bench.sim");
  for (int a = 0; a < 32; ++a) EXPECT_EQ(socket.Chip()->contents()[a], kFirmwareBytes[a]) << a;
}

TEST_F(CliTest, ARunThatFindsTheSocketHeldWaitsThenRefusesOrStops) {
  ASSERT_EQ(Run(Sim("89C51", {"blank"})).code, kExitOk);
  const std::string before = Read("bench.sim");
  SocketFileLock held;
  ASSERT_EQ(held.Take(Path("bench.sim"), {}), SocketFileLock::Outcome::Held);

  CliHooks hooks;
  hooks.socketWaitMs = 300;
  CliResult r = Run(Sim("89C51", {"lock", "1"}), hooks);
  EXPECT_EQ(r.code, kExitUsage);
  EXPECT_NE(r.err.find("in use by another run; waiting up to 1 s"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("still in use by another run after 1 s; nothing was done"),
            std::string::npos)
      << r.err;

  // Ctrl-C during the wait ends the run at once, however long the wait would be.
  hooks.socketWaitMs = 600000;
  r = Run(Sim("89C51", {"lock", "1"}), hooks, [](const std::string& text) {
    if (text.find("waiting") != std::string::npos) RequestInterrupt(SIGINT);
  });
  EXPECT_EQ(r.code, kExitSignalBase + SIGINT) << r.err;
  EXPECT_EQ(Read("bench.sim"), before);
}

TEST_F(CliTest, AUsageOrFileErrorLeavesTheSocketAsItWas) {
  Write("fw.hex", kFirmware);
  ASSERT_EQ(Run(Sim("89C52", {"program", Path("fw.hex")})).code, kExitOk);
  const std::string programmed = Read("bench.sim");
  Write("big.sim", std::string(100000, 'x'));
  fs::create_directory(Path("folder.sim"));
  const std::string missing = Path("nothere.hex");
  struct {
    const char* socket;
    const char* device;
    std::vector<std::string> words;
    const char* says;
  } const cases[] = {
      {"bench.sim",
       "87C58H",
       {"verify", missing},
       "the socket holds an 89C52, not the 87C58H --device names; --new-chip seats a blank 87C58H"},
      {"bench.sim", "87C58H", {"--new-chip", "verify", missing}, "nothere.hex"},
      {"bench.sim", "89C52", {"verify", missing}, "nothere.hex"},
      {"bench.sim", "89C52", {"--window", "0:0:2000", "blank"}, "whose last address is 1FFF"},
      {"bench.sim", "89C52", {"read", Path("no-folder/copy.bin")}, "copy.bin"},
      // Files that cannot be a socket are refused before a byte of them is read.
      {"/dev/zero", "89C52", {"blank"}, "/dev/zero is not a socket file of the simulated box"},
      {"big.sim", "89C52", {"blank"}, "it holds 100000 bytes, a socket file at most"},
      {"folder.sim", "89C52", {"blank"}, "folder.sim is not a socket file of the simulated box"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    const CliResult r = Run(Sim(c.device, c.words, c.socket));
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_EQ(Read("bench.sim"), programmed);
  EXPECT_EQ(
      (std::set<fs::path>{fs::directory_iterator(Path("")), {}}),
      (std::set<fs::path>{Path("bench.sim"), Path("big.sim"), Path("folder.sim"), Path("fw.hex")}));
}

}  // namespace
}  // namespace tarnwick
