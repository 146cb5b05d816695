// Production jobs run in the test's process: an operator's input for the prompts, and
// the record's rows as `job report --csv` gives them.
#pragma once

#include "cli/cli_fixture.h"

namespace tarnwick {

class JobFixture : public CliTest {
 protected:
  // A run of tarnwick-cli whose operator types `input`.
  CliResult Job(const std::vector<std::string>& args, const std::string& input = "",
                const CliHooks& hooks = {}) {
    const auto cwd = std::filesystem::current_path();
    std::ostringstream out, err;
    std::istringstream in(input);
    const CliStreams io{out, err, in, false};
    CliResult r;
    r.code = RunCli(args, io, hooks);
    r.out = out.str();
    r.err = err.str();
    std::filesystem::current_path(cwd);  // the file dialogs move it
    return r;
  }

  // The rows of `job report --csv`, each split into its fields (only the steps are
  // quoted: "blank,program").
  std::vector<std::vector<std::string>> RecordRows(const std::string& job) {
    const CliResult r = Job({"job", "report", Path(job), "--csv"});
    EXPECT_EQ(r.code, kExitOk) << r.err;
    std::istringstream csv(r.out);
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line,
              "chip,time,host,port,operator,serial,image_sha256,crc32,steps,result,reason,"
              "exit_code,duration_ms");
    std::vector<std::vector<std::string>> rows;
    while (std::getline(csv, line)) {
      std::vector<std::string> fields;
      for (size_t at = 0; at <= line.size();) {
        size_t end = at < line.size() && line[at] == '"' ? line.find('"', at + 1) + 1 : at;
        end = std::min(line.find(',', end), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end + 1;
      }
      rows.push_back(fields);
    }
    return rows;
  }
  static constexpr size_t kPortColumn = 3, kSerialColumn = 5, kCrcColumn = 7, kResultColumn = 9;
};

}  // namespace tarnwick
