// Every kind of file the program writes, under every way a write goes wrong: the old
// file stays byte for byte, no temporary file is left, the failure is reported. A
// symbolic link is written through to its target, which keeps its mode.
#include <sys/stat.h>

#include <set>

#include "cli/cli_fixture.h"
#include "support/fake_disk.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using Fault = FailingDisk::Fault;

// The window's Save of a 4 KiB chip as a binary file: the error box, if any.
std::string WindowSave(const std::string& path) {
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
    if (m.kind == ShownMessage::Kind::Error) return m.text;
  return "";
}

TEST_F(CliTest, AFailedWriteLeavesTheOldFileWholeAndNoTemporary) {
  std::string saved, chip(0x1000, '\xFF'), converted = "OLD BINARY";
  for (int a = 0; a < 0x1000; ++a) saved += static_cast<char>(a * 7 + 3);
  converted.resize(0x1000, '\xFF');
  const std::string socket = "Tarnwick socket 1\nchip 89C51\nlock 0";
  const std::string record = "2026-01-01T00:00:00+0000\t89C51\tblank\t-\t-\tDone\t0\n";
  auto cli = [&](std::vector<std::string> args) {
    const CliResult r = Run(std::move(args));
    return r.code == kExitOk ? std::string() : r.err;  // exit status 2 otherwise
  };
  const struct {
    const char* file;
    std::string old, made;                               // before, and after a write that succeeds
    std::function<std::string(const std::string&)> run;  // what it reports
  } kinds[] = {
      {"w.bin", "OLD WINDOW", saved, WindowSave},
      {"r.bin", "OLD READ", chip,
       [&](const std::string& p) {
         return cli({"--sim", "--device", "89C51", "read", p});
       }},
      {"c.bin", "OLD BINARY", converted,  // over the very file it loads
       [&](const std::string& p) {
         return cli({"--device", "89C51", "convert", p, p});
       }},
      {"s.sim", socket + "0\ndamaged 0\nend\n", socket + "1\ndamaged 0\nend\n",
       [&](const std::string& p) {
         return cli({"--sim", "--socket", p, "--device", "89C51", "lock", "1"});
       }},
      {"runs.log", record, record + "*\t89C51\tblank\t-\t-\tDevice is Erased....\t0\t-\n",
       [&](const std::string& p) {
         return cli({"--sim", "--device", "89C51", "--log", p, "blank"});
       }},
  };
  enum { kFull, kReadOnly, kNoRename, kFolder, kLink };
  for (const int fault : {kFull, kReadOnly, kNoRename, kFolder, kLink}) {
    for (const auto& kind : kinds) {
      SCOPED_TRACE(std::string(kind.file) + ", fault " + std::to_string(fault));
      const bool log = std::string(kind.file) == "runs.log";
      fs::remove_all(Path(""));
      fs::create_directories(Path("elsewhere"));
      const std::string path = Path(kind.file), target = Path("elsewhere/t");
      if (fault == kFolder) fs::create_directories(path);
      std::ofstream(fault == kFolder ? path + "/keep" : fault == kLink ? target : path) << kind.old;
      if (fault == kLink) fs::create_symlink("elsewhere/t", path);
      ::chmod(target.c_str(), 0640);
      const std::set<fs::path> before{fs::directory_iterator(Path("")), {}};

      std::optional<FailingDisk> disk;
      if (fault <= kNoRename) disk.emplace(static_cast<Fault>(fault));
      std::string said;
      {
        ScopedDisk scoped(disk ? &*disk : nullptr);
        said = kind.run(path);
      }
      EXPECT_EQ((std::set<fs::path>{fs::directory_iterator(Path("")), {}}), before);
      if (fault == kFolder) {
        EXPECT_NE(said, "");
        EXPECT_TRUE(Read(std::string(kind.file) + "/keep") == kind.old);
      } else if (fault == kLink || (fault == kNoRename && log)) {  // an append renames nothing
        EXPECT_EQ(said, "");
        const std::string now = Read(kind.file);
        EXPECT_TRUE(log ? now.starts_with(kind.old) &&
                              now.ends_with(kind.made.substr(kind.old.size() + 1)) &&
                              std::count(now.begin(), now.end(), '\n') == 2
                        : now == kind.made)
            << now.size() << " bytes";
        struct stat st {};
        EXPECT_TRUE(fault != kLink || (fs::is_symlink(path) && ::stat(target.c_str(), &st) == 0 &&
                                       (st.st_mode & 07777) == 0640));
      } else {
        EXPECT_NE(said.find(kind.file), std::string::npos) << said;
        EXPECT_TRUE(Read(kind.file) == kind.old) << Read(kind.file).size() << " bytes";
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick
