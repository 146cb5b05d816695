// The installed program itself: every command of its man page's EXAMPLES runs as shown,
// and Ctrl-C from outside ends a long pass with 130.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "cli/cli_fixture.h"

namespace tarnwick {
namespace {

// The shell command lines ("$ tarnwick-cli ...") of the man page's EXAMPLES section, with
// the roff escapes of their hyphens and backslashes undone.
std::vector<std::string> ManPageExamples() {
  std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/docs/man/tarnwick-cli.1");
  std::vector<std::string> commands;
  std::string line;
  bool examples = false, block = false;
  while (std::getline(in, line)) {
    if (line.rfind(".SH", 0) == 0) examples = line == ".SH EXAMPLES";
    if (!examples) continue;
    if (line == ".EX") block = true;
    if (line == ".EE") block = false;
    if (!block || line.rfind("$ ", 0) != 0) continue;
    std::string command;
    for (size_t i = 2; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '-' || line[i + 1] == 'e')) {
        command += line[i + 1] == '-' ? '-' : '\\';
        ++i;
      } else {
        command += line[i];
      }
    }
    commands.push_back(command);
  }
  return commands;
}

TEST_F(CliTest, ManPageExamplesRunOnTheSimulatedBox) {
  const std::vector<std::string> examples = ManPageExamples();
  ASSERT_GE(examples.size(), 8u);
  Write("firmware.hex",
        ":100000000B30557A9FC4E90F34597EA3C8ED1338DD\r\n"
        ":00000001FF\r\n");
  const std::string bin_dir = std::filesystem::path(TARNWICK_CLI_PATH).parent_path().string();
  for (const std::string& example : examples) {
    SCOPED_TRACE(example);
    // A production run's operator is `yes ''`, pressing Enter for each chip.
    ASSERT_TRUE(example.rfind("tarnwick-cli ", 0) == 0 ||
                example.rfind("yes '' | tarnwick-cli ", 0) == 0);
    const std::string shell = "cd '" + Path("") + "' && export PATH='" + bin_dir +
                              "':\"$PATH\" && " + example + " >>out.txt 2>>err.txt";
    const int status = std::system(shell.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << Read("err.txt");
  }
  // What the examples left behind: the read-back converted to binary, and the record.
  const std::string copy = Read("copy.bin");
  ASSERT_EQ(copy.size(), 0x1000u);
  EXPECT_EQ(copy.substr(0, 4), "\x0B\x30\x55\x7A");
  EXPECT_NE(Read("runs.log").find("\t87C51H\tprogram\tfirmware.hex\t"), std::string::npos);
  // The production job's five chips, each with its own number.
  EXPECT_NE(Read("out.txt").find("passed 5  failed 0  total 5\nserial numbers: 1000 to 1004"),
            std::string::npos);
}

TEST_F(CliTest, CtrlCFromTheTerminalEndsALongVerifyWith130) {
  Write("fw.hex", ":0100000000FF\r\n:00000001FF\r\n");
  int err_pipe[2];
  ASSERT_EQ(pipe(err_pipe), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(err_pipe[1], STDERR_FILENO);
    const std::string fw = Path("fw.hex");
    const std::string socket = Path("big.sim");
    execl(TARNWICK_CLI_PATH, "tarnwick-cli", "--sim", "--socket", socket.c_str(), "--device",
          "87C58H", "--quiet", "--progress", "json", "verify", fw.c_str(), nullptr);
    _exit(127);
  }
  close(err_pipe[1]);
  // Once the pass reports its first block, the operator presses Ctrl-C.
  std::string err;
  char chunk[256];
  bool signalled = false;
  for (ssize_t n; (n = read(err_pipe[0], chunk, sizeof chunk)) > 0;) {
    err.append(chunk, static_cast<size_t>(n));
    if (!signalled && err.find("\"address\":256") != std::string::npos) {
      kill(child, SIGINT);
      signalled = true;
    }
  }
  close(err_pipe[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(signalled) << err;
  ASSERT_TRUE(WIFEXITED(status)) << err;
  EXPECT_EQ(WEXITSTATUS(status), 130) << err;
  EXPECT_NE(err.find("\"exit\":130}"), std::string::npos) << err;
  EXPECT_EQ(err.find("\"address\":32767"), std::string::npos) << err;  // stopped early
}

}  // namespace
}  // namespace tarnwick
