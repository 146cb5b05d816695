// Production runs in separate processes sharing one record: a gang of two boxes on one
// PC, and a record another process holds for a while.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <map>
#include <set>

#include "base/hashes.h"
#include "cli/job_fixture.h"

namespace tarnwick {
namespace {

constexpr int kChipsEach = 20;

class JobGangTest : public JobFixture {
 protected:
  JobGangTest() {
    image_.resize(32);
    for (size_t i = 0; i < image_.size(); ++i) image_[i] = static_cast<char>(i * 7 + 3);
    Write("fw.bin", image_);
  }
  void MakeJob() {
    const CliResult r = Job({"--device", "89C51", "--window", "0:0:3F", "--serial", "38:4:le:5000",
                             "job", "new", Path("job.toml"), Path("fw.bin")});
    ASSERT_EQ(r.code, kExitOk) << r.err;
  }
  // tarnwick-cli job run in a process of its own, its operator pressing Enter `enters`
  // times; its stderr goes to `err_file`.
  pid_t StartRun(const std::string& socket, int enters, const std::string& err_file) {
    int in_pipe[2];
    if (::pipe(in_pipe) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(in_pipe[0], STDIN_FILENO);
      ::close(in_pipe[1]);
      const int err = ::open(Path(err_file).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(err, STDERR_FILENO);
      const int out = ::open("/dev/null", O_WRONLY);
      ::dup2(out, STDOUT_FILENO);
      const std::string job = Path("job.toml"), sock = Path(socket);
      ::execl(TARNWICK_CLI_PATH, "tarnwick-cli", "job", "run", job.c_str(), "--sim", "--socket",
              sock.c_str(), "--count", std::to_string(kChipsEach).c_str(), nullptr);
      ::_exit(127);
    }
    ::close(in_pipe[0]);
    const std::string enter(static_cast<size_t>(enters), '\n');
    EXPECT_EQ(::write(in_pipe[1], enter.data(), enter.size()), static_cast<ssize_t>(enter.size()));
    ::close(in_pipe[1]);
    return child;
  }
  // The window each chip was verified to hold, with its serial number at 0038.
  std::string Window(int64_t serial) const {
    std::string w = image_ + std::string(0x40 - image_.size(), '\xFF');
    for (int i = 0; i < 4; ++i)
      w[0x38 + static_cast<size_t>(i)] = static_cast<char>(serial >> (8 * i));
    return w;
  }
  std::string Report() { return Job({"job", "report", Path("job.toml")}).out; }

  std::string image_;
};

// Done when: two runs on two sockets program 40 chips with 40 distinct consecutive
// serial numbers, each chip verified with its own number in place.
TEST_F(JobGangTest, TwoRunsSharingOneRecordNeverGiveOneNumberTwice) {
  MakeJob();
  const pid_t a = StartRun("a.sim", kChipsEach, "a.err");
  const pid_t b = StartRun("b.sim", kChipsEach, "b.err");
  for (const pid_t child : {a, b}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kExitOk) << Read("a.err") << Read("b.err");
  }
  std::set<int64_t> serials;
  std::map<std::string, int64_t> last_of;  // by the port column: the socket file
  for (const auto& f : RecordRows("job.toml")) {
    const int64_t serial = std::stoll(f[kSerialColumn]);
    EXPECT_TRUE(serials.insert(serial).second) << "twice: " << serial;
    EXPECT_EQ(f[kResultColumn], "pass") << serial;
    const std::string window = Window(serial);
    EXPECT_EQ(f[kCrcColumn],
              CrcHex(Crc32({reinterpret_cast<const uint8_t*>(window.data()), window.size()})))
        << serial;
    last_of[f[kPortColumn]] = serial;
  }
  ASSERT_EQ(serials.size(), 2u * kChipsEach);
  EXPECT_EQ(*serials.begin(), 5000);
  EXPECT_EQ(*serials.rbegin(), 5000 + 2 * kChipsEach - 1);
  // Each socket keeps its last chip, holding the number the record gives it.
  for (const char* socket : {"a.sim", "b.sim"}) {
    const std::string window = Window(last_of["sim:" + Path(socket)]);
    const SimSocket held = Socket(socket);
    EXPECT_EQ(std::string(held.Chip()->contents().begin(), held.Chip()->contents().begin() + 0x40),
              window)
        << socket;
  }
  EXPECT_NE(Report().find("passed 40  failed 0  total 40\nserial numbers: 5000 to 5039"),
            std::string::npos)
      << Report();
}

// Another process holds the record in a write transaction: a run waits for it, and when
// the hold outlasts the wait it ends with a clear error; either way no chip is lost.
TEST_F(JobGangTest, ARecordHeldByAnotherProcessIsWaitedForThenGivenUp) {
  MakeJob();
  struct {
    int holdMs;
    int waitMs;
    int code;
    const char* says;
  } const cases[] = {
      {900, 5000, kExitOk, "is held by another process; waiting up to 5 s"},
      {1500, 300, kExitUsage,
       "is held by another process; after waiting 1 s it could not record the chip's result; "
       "chip 2, serial 5003 PASSED and its row stays unfinished"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.holdMs);
    pid_t holder = -1;
    int steps = 0;
    CliHooks hooks;
    hooks.recordWaitMs = c.waitMs;
    // While the second chip is programmed, another process takes the record's write
    // lock and keeps it.
    hooks.beforeCommand = [&] {
      if (++steps != 5) return;
      int ready[2];
      ASSERT_EQ(::pipe(ready), 0);
      holder = ::fork();
      if (holder == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(Path("job.db").c_str(), &db);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        (void)!::write(ready[1], "x", 1);
        ::usleep(static_cast<useconds_t>(c.holdMs) * 1000);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        ::_exit(0);
      }
      char x;
      ASSERT_EQ(::read(ready[0], &x, 1), 1);
      ::close(ready[0]);
      ::close(ready[1]);
    };
    const CliResult r =
        Job({"job", "run", Path("job.toml"), "--sim", "--socket", Path("c.sim"), "--count", "2"},
            "\n\n", hooks);
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  // First run: 5000 and 5001 recorded. Second: 5002 recorded, 5003 programmed and left
  // unfinished, never to be handed out again.
  const std::string report = Report();
  EXPECT_NE(report.find("passed 3  failed 0  total 3\nunfinished 1 "), std::string::npos) << report;
  EXPECT_NE(report.find("next 5004"), std::string::npos) << report;
}

}  // namespace
}  // namespace tarnwick
