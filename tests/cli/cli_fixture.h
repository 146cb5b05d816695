// tarnwick-cli run in the test's process, in a folder of its own: the exit status and
// what it wrote on each stream, and the socket file the simulated box kept.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "cli/cli_toolkit.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"

namespace tarnwick {

// Two Intel Hex records of 16 bytes at 0000 and 0010, written by hand.
inline constexpr const char* kFirmware =
    ":100000000B30557A9FC4E90F34597EA3C8ED1338DD\r\n"
    ":100010005D82A7CCF1173C6186ABD0F51B40658AA9\r\n"
    ":00000001FF\r\n";

struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
};

// A stream buffer that keeps the text and tells a watcher about every piece written.
class WatchedText final : public std::stringbuf {
 public:
  std::function<void(const std::string&)> onWrite;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::streamsize done = std::stringbuf::xsputn(s, n);
    if (onWrite) onWrite(std::string(s, static_cast<size_t>(n)));
    return done;
  }
};

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    static int serial = 0;
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("tarnwick-cli-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(dir_);
    cwd_ = std::filesystem::current_path();
  }
  ~CliTest() override {
    // The file dialogs move the current directory to the file's folder.
    std::filesystem::current_path(cwd_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
    ClearInterrupt();
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  SimSocket Socket(const std::string& name) const {
    SimSocket socket;
    EXPECT_TRUE(socket.Load(Path(name))) << name;
    return socket;
  }

  // Runs with the words given; names without a folder stand for files of the test's own.
  CliResult Run(std::vector<std::string> args, const CliHooks& hooks = {},
                std::function<void(const std::string&)> on_err = nullptr) {
    WatchedText err;
    err.onWrite = std::move(on_err);
    std::ostringstream out;
    std::istringstream in("\n");
    std::ostream err_stream(&err);
    const CliStreams io{out, err_stream, in, false};
    CliResult r;
    r.code = RunCli(args, io, hooks);
    r.out = out.str();
    r.err = err.str();
    std::filesystem::current_path(cwd_);
    return r;
  }
  // Run, with the simulated box's port accesses recorded from the command's click to
  // the port's release.
  CliResult RunRecorded(std::vector<std::string> args, std::vector<SimAccess>& record) {
    CliHooks hooks;
    SimBox* bench = nullptr;
    hooks.benchReady = [&](SimBox& box, SimSocket&) { bench = &box; };
    hooks.beforeCommand = [&] {
      bench->ClearRecord();
      bench->SetRecording(true);
    };
    hooks.benchDone = [&](SimBox& box, SimSocket&) { record = box.Record(); };
    return Run(std::move(args), hooks);
  }
  // The simulated box with its socket file in the test's folder.
  std::vector<std::string> Sim(const std::string& device, std::vector<std::string> rest,
                               const std::string& socket = "bench.sim") {
    std::vector<std::string> args{"--sim", "--socket", Path(socket), "--device", device};
    for (std::string& word : rest) args.push_back(std::move(word));
    return args;
  }

 private:
  std::filesystem::path dir_;
  std::filesystem::path cwd_;
};

}  // namespace tarnwick
