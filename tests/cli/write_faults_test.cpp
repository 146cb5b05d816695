// Every kind of file the program writes, under every way a write can go wrong: the old
// file stays byte for byte, no temporary file is left beside it, and the failure is
// reported. A symbolic link is written through to its target, which keeps its mode.
#include <sys/stat.h>

#include <set>

#include "cli/cli_fixture.h"
#include "support/fake_disk.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

enum class Fault { FullDisk, ReadOnlyFolder, FolderInTheWay, SymbolicLink, KilledBeforeRename };

struct Outcome {
  bool ok;
  std::string said;  // the error box or standard error
};

struct Kind {
  const char* name;
  const char* file;
  std::string old;
  std::string made;  // what a write that succeeds leaves, worked out by hand
  bool appends;      // a log: no rename to fail
  std::function<Outcome(const std::string& path)> run;
};

// Equal bytes; otherwise the sizes and the first difference, not 4 KiB of dump.
::testing::AssertionResult SameBytes(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
  return ::testing::AssertionFailure()
         << got.size() << " bytes, not " << want.size() << "; first difference at " << at;
}

class WriteFaultTest : public CliTest {
 protected:
  // The window's Save of a 4 KiB chip as a binary file.
  static Outcome WindowSave(const std::string& path) {
    const fs::path cwd = fs::current_path();  // the dialog moves it to the file's folder
    HeadlessForm h;
    TMainForm& f = h.f();
    f.s.ChipEnd = f.s.DeviceEnd = 0x0FFF;
    for (int a = 0; a < 0x1000; ++a) f.s.Buffer[a] = static_cast<uint8_t>(a * 7 + 3);
    f.Click(f.File_But);
    f.ListClick(f.File_Type, 0);
    h.toolkit.dialogAnswers.push_back(path);
    f.Click(f.Save_But);
    fs::current_path(cwd);
    for (const ShownMessage& m : h.toolkit.messages)
      if (m.kind == ShownMessage::Kind::Error) return {false, m.text};
    return {true, ""};
  }
  Outcome Cli(std::vector<std::string> args) {
    const CliResult r = Run(std::move(args));
    EXPECT_TRUE(r.code == kExitOk || r.code == kExitUsage) << r.code << r.err;
    return {r.code == kExitOk, r.err};
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path(""))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
};

TEST_F(WriteFaultTest, TheOldFileStaysWholeAndNoTemporaryIsLeft) {
  std::string window_bytes, chip_bytes(0x1000, '\xFF'), converted = "OLD BINARY";
  for (int a = 0; a < 0x1000; ++a) window_bytes += static_cast<char>(a * 7 + 3);
  converted += std::string(0x1000 - converted.size(), '\xFF');
  const std::string socket_head = "Tarnwick socket 1\nchip 89C51\n";
  const std::string log_line = "2026-01-01T00:00:00+0000\t89C51\tblank\t-\t-\tDone\t0\n";
  const Kind kinds[] = {
      {"window Save", "w.bin", "OLD WINDOW", window_bytes, false, WindowSave},
      {"tarnwick-cli read", "r.bin", "OLD READ", chip_bytes, false,
       [&](const std::string& p) {
         return Cli({"--sim", "--device", "89C51", "read", p});
       }},
      // Over the very file it loads.
      {"tarnwick-cli convert", "c.bin", "OLD BINARY", converted, false,
       [&](const std::string& p) {
         return Cli({"--device", "89C51", "convert", p, p});
       }},
      {"socket file", "s.sim", socket_head + "lock 00\ndamaged 0\nend\n",
       socket_head + "lock 01\ndamaged 0\nend\n", false,
       [&](const std::string& p) {
         return Cli({"--sim", "--socket", p, "--device", "89C51", "lock", "1"});
       }},
      {"log", "runs.log", log_line, log_line + "\t89C51\tblank\t-\t-\tDevice is Erased....\t0\n",
       true,
       [&](const std::string& p) {
         return Cli({"--sim", "--device", "89C51", "--log", p, "blank"});
       }},
  };
  for (const Fault fault : {Fault::FullDisk, Fault::ReadOnlyFolder, Fault::FolderInTheWay,
                            Fault::SymbolicLink, Fault::KilledBeforeRename}) {
    for (const Kind& kind : kinds) {
      SCOPED_TRACE(std::string(kind.name) + ", fault " + std::to_string(static_cast<int>(fault)));
      fs::remove_all(Path(""));
      fs::create_directories(Path("elsewhere"));
      const std::string path = Path(kind.file);
      const std::string target = fault == Fault::SymbolicLink ? Path("elsewhere/t") : path;
      if (fault == Fault::FolderInTheWay) {
        fs::create_directories(path);
        Write(std::string(kind.file) + "/keep", kind.old);
      } else {
        std::ofstream(target, std::ios::binary) << kind.old;
      }
      if (fault == Fault::SymbolicLink) {
        fs::create_symlink("elsewhere/t", path);
        ::chmod(target.c_str(), 0640);
      }
      const std::set<std::string> before = Names();

      FullDisk full(10);
      ReadOnlyDisk read_only;
      KilledBeforeRename killed;
      DiskCalls* disk = nullptr;
      if (fault == Fault::FullDisk) disk = &full;
      if (fault == Fault::ReadOnlyFolder) disk = &read_only;
      if (fault == Fault::KilledBeforeRename) disk = &killed;
      Outcome outcome;
      {
        ScopedDisk scoped(disk);
        outcome = kind.run(path);
      }
      const bool fails =
          fault != Fault::SymbolicLink && !(fault == Fault::KilledBeforeRename && kind.appends);
      EXPECT_EQ(outcome.ok, !fails) << outcome.said;
      EXPECT_EQ(Names(), before) << "a temporary file left, or the file removed";
      if (fault == Fault::FolderInTheWay) {
        EXPECT_TRUE(fs::is_directory(path));
        EXPECT_TRUE(SameBytes(Read(std::string(kind.file) + "/keep"), kind.old));
        continue;
      }
      if (fails) {
        EXPECT_NE(outcome.said.find(kind.file), std::string::npos) << outcome.said;
        EXPECT_TRUE(SameBytes(Read(kind.file), kind.old));
        continue;
      }
      const std::string now = Read(kind.file);
      if (kind.appends) {
        ASSERT_GE(now.size(), kind.made.size());
        EXPECT_EQ(now.substr(0, kind.old.size()), kind.old);
        EXPECT_EQ(now.substr(now.size() - (kind.made.size() - kind.old.size())),
                  kind.made.substr(kind.old.size()));
        EXPECT_EQ(std::count(now.begin(), now.end(), '\n'), 2);
      } else {
        EXPECT_TRUE(SameBytes(now, kind.made));
      }
      if (fault == Fault::SymbolicLink) {
        EXPECT_TRUE(fs::is_symlink(path));
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick
