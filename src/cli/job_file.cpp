#include "cli/job_file.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>

#include "base/hex_text.h"
#include "base/text_lines.h"
#include "cli/cli_report.h"
#include "devices/device_table.h"

namespace tarnwick {

namespace {

namespace fs = std::filesystem;

// A job file is a screenful of settings; anything longer is not one.
constexpr size_t kMaxJobFileBytes = 1 << 20;

constexpr std::array<const char*, 4> kFormatWords{"bin", "intel", "motorola", "ascii"};

// Where a step may stand: erase before the blank check, the blank check before
// programming, the verify after it, the lock bits last (a locked chip takes no more
// bytes, and lock bit 2 reads 00 everywhere).
int StepRank(const JobStep& step) {
  return step.kind == JobStepKind::Lock ? 3 + step.lockBit : static_cast<int>(step.kind);
}

std::string HexWindow(const WindowOption& w) {
  return HexText(w.bufferStart, 4) + ":" + HexText(w.deviceStart, 4) + ":" +
         HexText(w.deviceEnd, 4);
}

// One key as toml++ writes it: "key = value".
template <typename T>
std::string KeyLine(const char* key, T&& value) {
  toml::table one;
  one.insert(key, std::forward<T>(value));
  std::ostringstream text;
  text << toml::toml_formatter{one};
  return text.str() + "\n";
}

// Reading: every fault carries the line of the key (or the table) it is about.
struct JobReader {
  const std::string& path;
  const toml::table& root;

  [[noreturn]] void Fail(const toml::source_region& where, const std::string& text) const {
    throw JobProblemAt{where.begin.line, text};
  }
  [[noreturn]] void Fail(const toml::node& node, const std::string& text) const {
    Fail(node.source(), text);
  }

  struct JobProblemAt {
    uint32_t line;
    std::string text;
  };

  void OnlyKnownKeys(const toml::table& table, std::initializer_list<const char*> keys,
                     const std::string& where) const {
    for (const auto& [key, node] : table) {
      if (std::none_of(keys.begin(), keys.end(), [&](const char* k) { return key.str() == k; }))
        Fail(node, "unknown key " + std::string(key.str()) + where);
    }
  }

  std::optional<std::string> Text(const toml::table& table, const char* key) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) return std::nullopt;
    if (!node->is_string()) Fail(*node, std::string(key) + " wants a text in quotes");
    return node->as_string()->get();
  }

  std::optional<int64_t> Number(const toml::table& table, const char* key) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) return std::nullopt;
    if (!node->is_integer()) Fail(*node, std::string(key) + " wants a whole number");
    return node->as_integer()->get();
  }

  // A hexadecimal value as the options take it: a text ("0FF0") or a TOML number.
  std::optional<int32_t> Hex(const toml::table& table, const char* key, int digits,
                             const std::string& wants) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) return std::nullopt;
    std::optional<int32_t> value;
    if (node->is_string()) value = ParseHexOption(node->as_string()->get(), digits);
    if (node->is_integer() && node->as_integer()->get() >= 0 &&
        node->as_integer()->get() < (int64_t{1} << (4 * digits)))
      value = static_cast<int32_t>(node->as_integer()->get());
    if (!value) Fail(*node, std::string(key) + " wants " + wants);
    return value;
  }

  const toml::node& Required(const toml::table& table, const char* key,
                             const std::string& what) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
      // A key missing from the top has no line to name; one missing from [serial] has
      // the table's.
      const std::string text = "no " + std::string(key) + " = ... (" + what + ")";
      if (&table == &root) throw JobProblemAt{0, text};
      Fail(table.source(), text);
    }
    return *node;
  }

  JobSpec Read() const {
    OnlyKnownKeys(root,
                  {"device", "image", "image_sha256", "window", "offset", "fill", "format", "fold",
                   "steps", "prompt", "serial"},
                  "");
    JobSpec job;
    Required(root, "device", "the chip, as tarnwick-cli devices lists it");
    job.device = *Text(root, "device");
    Required(root, "image", "the file programmed into each chip");
    job.image = *Text(root, "image");
    const toml::node& sha = Required(root, "image_sha256", "the image's SHA-256, as sha256sum");
    job.imageSha256 = LowerCase(*Text(root, "image_sha256"));
    if (job.imageSha256.size() != 64 ||
        !std::all_of(job.imageSha256.begin(), job.imageSha256.end(),
                     [](unsigned char c) { return std::isxdigit(c); }))
      Fail(sha, "image_sha256 wants the 64 hexadecimal digits sha256sum prints");
    if (const auto window = Text(root, "window")) {
      ParsedCommandLine parsed = ParseCommandLine({"--window", *window, "blank"});
      // The option's own words, less its dashes.
      if (!parsed.error.empty()) Fail(*root.get("window"), parsed.error.substr(2));
      job.window = parsed.options.window;
    }
    job.offset = Hex(root, "offset", 5, "a hexadecimal offset of up to 5 digits, such as \"100\"");
    job.fill = Hex(root, "fill", 2, "a byte in hexadecimal, such as \"FF\"");
    if (const auto format = Text(root, "format")) {
      job.format = FormatFromName(*format);
      if (!job.format) Fail(*root.get("format"), "format wants bin, intel, motorola or ascii");
    }
    if (const toml::node* fold = root.get("fold")) {
      if (!fold->is_boolean()) Fail(*fold, "fold wants true or false");
      job.fold = fold->as_boolean()->get();
    }
    const toml::node& steps =
        Required(root, "steps", "such as [\"blank\", \"program\", \"verify\"]");
    if (!steps.is_array()) Fail(steps, "steps wants a list, such as [\"blank\", \"program\"]");
    for (const toml::node& step : *steps.as_array()) {
      const auto named = step.is_string() ? JobStepFromName(step.as_string()->get()) : std::nullopt;
      if (!named)
        Fail(step,
             "a step is \"erase\", \"blank\", \"program\", \"verify\" or \"lock 1\" to \"lock 3\"");
      job.steps.push_back(*named);
    }
    job.prompt = Text(root, "prompt").value_or("");
    if (const toml::node* serial = root.get("serial")) {
      if (!serial->is_table()) Fail(*serial, "serial wants a table: [serial] with its keys below");
      job.serial = ReadSerial(*serial->as_table());
    }
    return job;
  }

  SerialRule ReadSerial(const toml::table& t) const {
    OnlyKnownKeys(t, {"address", "length", "encoding", "first", "step", "on_failure"},
                  " in [serial]");
    SerialRule rule;
    Required(t, "address", "the chip address of the number's first byte, such as \"0FF0\"");
    rule.address = *Hex(t, "address", 4, "a chip address in hexadecimal, such as \"0FF0\"");
    const toml::node& length = Required(t, "length", "the number's bytes");
    const int64_t bytes = *Number(t, "length");
    const toml::node& encoding = Required(t, "encoding", "le, be, bcd, ascii-dec or ascii-hex");
    const auto named = EncodingFromName(*Text(t, "encoding"));
    if (!named) Fail(encoding, "encoding wants le, be, bcd, ascii-dec or ascii-hex");
    rule.encoding = *named;
    if (bytes < 1 || bytes > MaxSerialLength(rule.encoding))
      Fail(length, "length: a " + std::string(EncodingName(rule.encoding)) +
                       " serial number takes 1 to " +
                       std::to_string(MaxSerialLength(rule.encoding)) + " bytes");
    rule.length = static_cast<int>(bytes);
    const toml::node& first = Required(t, "first", "the first chip's number");
    rule.first = *Number(t, "first");
    rule.step = Number(t, "step").value_or(1);
    if (const auto on_failure = Text(t, "on_failure")) {
      if (*on_failure != "reuse" && *on_failure != "skip")
        Fail(*t.get("on_failure"),
             "on_failure wants \"reuse\" (the next chip gets the number) or \"skip\"");
      rule.reuseFailed = *on_failure == "reuse";
    }
    if (const std::string problem = SerialRuleProblem(rule); !problem.empty())
      Fail(rule.step < 1 && t.get("step") != nullptr ? *t.get("step") : first, problem);
    return rule;
  }
};

// "job.toml:12: text", or without the line where none is known (0).
std::string AtLine(const std::string& path, int64_t line, const std::string& text) {
  return path + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + text;
}

}  // namespace

std::string JobStep::Name() const {
  switch (kind) {
    case JobStepKind::Erase:
      return "erase";
    case JobStepKind::Blank:
      return "blank";
    case JobStepKind::Program:
      return "program";
    case JobStepKind::Verify:
      return "verify";
    case JobStepKind::Lock:
      return "lock " + std::to_string(lockBit);
  }
  return "?";
}

std::optional<JobStep> JobStepFromName(const std::string& name) {
  for (JobStepKind kind :
       {JobStepKind::Erase, JobStepKind::Blank, JobStepKind::Program, JobStepKind::Verify}) {
    if (name == JobStep{kind, 0}.Name()) return JobStep{kind, 0};
  }
  for (int bit = 1; bit <= 3; ++bit) {
    if (name == "lock " + std::to_string(bit) || name == "lock" + std::to_string(bit))
      return JobStep{JobStepKind::Lock, bit};
  }
  return std::nullopt;
}

std::optional<JobProblem> CheckJob(const JobSpec& job) {
  const int row = DeviceRowOf(job.device);
  if (row < 0)
    return JobProblem{JobField::Device,
                      "no device is called " + job.device + " (tarnwick-cli devices lists them)"};
  const DeviceEntry& entry = kDeviceTable[static_cast<size_t>(row)];
  const FamilyTraits& traits = TraitsOf(entry.family);
  const std::string chip = DeviceName(row);
  if (job.image.empty()) return JobProblem{JobField::Image, "no image file is named"};
  if (job.window) {
    const int32_t chip_end = traits.chipEnd != 0 ? traits.chipEnd : entry.deviceEnd;
    if (job.window->deviceEnd > chip_end)
      return JobProblem{JobField::Window, "the window " + HexWindow(*job.window) +
                                              " does not fit the " + chip +
                                              ", whose last address is " + HexText(chip_end, 4)};
  }
  if (job.steps.empty())
    return JobProblem{JobField::Steps, "no steps: a chip would be seated for nothing"};
  bool programs = false;
  for (size_t i = 0; i < job.steps.size(); ++i) {
    const JobStep& step = job.steps[i];
    // The window shows Erase Device and Program Security only for the chips that have
    // them; a job asks for nothing the window would not offer.
    if (step.kind == JobStepKind::Erase && !traits.erase)
      return JobProblem{JobField::Steps, "the " + chip + " is not electrically erasable (erase)"};
    if (step.kind == JobStepKind::Lock && !traits.security)
      return JobProblem{JobField::Steps, "the " + chip + " has no lock bits (" + step.Name() + ")"};
    if (i > 0 && StepRank(step) <= StepRank(job.steps[i - 1]))
      return JobProblem{JobField::Steps,
                        "the steps run in the order erase, blank, program, verify, lock 1 to "
                        "lock 3, each once: " +
                            step.Name() + " cannot follow " + job.steps[i - 1].Name()};
    programs = programs || step.kind == JobStepKind::Program;
  }
  if (job.serial) {
    if (!programs)
      return JobProblem{JobField::Serial,
                        "the serial number is written by the program step, which steps lack"};
    const SerialRule& s = *job.serial;
    const int32_t start = job.window ? job.window->deviceStart : 0;
    const int32_t end = job.window ? job.window->deviceEnd : entry.deviceEnd;
    const int32_t last = s.address + s.length - 1;
    if (s.address < start || last > end)
      return JobProblem{JobField::Serial, "the serial number at " + HexText(s.address, 4) + " to " +
                                              HexText(last, 4) + " lies outside the chip window " +
                                              HexText(start, 4) + " to " + HexText(end, 4)};
  }
  return std::nullopt;
}

std::vector<JobStep> DefaultSteps(int device_row) {
  std::vector<JobStep> steps;
  if (device_row >= 0 && TraitsOf(kDeviceTable[static_cast<size_t>(device_row)].family).erase)
    steps.push_back({JobStepKind::Erase, 0});
  for (JobStepKind kind : {JobStepKind::Blank, JobStepKind::Program, JobStepKind::Verify})
    steps.push_back({kind, 0});
  return steps;
}

std::string JobFileText(const JobSpec& job) {
  std::string text = "# Tarnwick production job (tarnwick-cli job run runs it).\n";
  text += KeyLine("device", job.device);
  text += "# The image, from this file's folder; a job whose image changed does not run.\n";
  text += KeyLine("image", job.image);
  text += KeyLine("image_sha256", job.imageSha256);
  if (job.window) text += KeyLine("window", HexWindow(*job.window));
  if (job.offset) text += KeyLine("offset", HexText(*job.offset, 1));
  if (job.fill) text += KeyLine("fill", HexText(*job.fill, 2));
  if (job.format) text += KeyLine("format", kFormatWords[static_cast<size_t>(*job.format)]);
  if (job.fold) text += KeyLine("fold", true);
  toml::array steps;
  for (const JobStep& step : job.steps) steps.push_back(step.Name());
  text += KeyLine("steps", std::move(steps));
  if (!job.prompt.empty()) text += KeyLine("prompt", job.prompt);
  if (job.serial) {
    const SerialRule& s = *job.serial;
    text += "\n[serial]\n";
    text += KeyLine("address", HexText(s.address, 4));
    text += KeyLine("length", s.length);
    text += "# le | be | bcd | ascii-dec | ascii-hex\n";
    text += KeyLine("encoding", EncodingName(s.encoding));
    text += KeyLine("first", s.first);
    text += KeyLine("step", s.step);
    text += "# reuse: a failed chip's number goes to the next chip; skip: it is not used again\n";
    text += KeyLine("on_failure", s.reuseFailed ? "reuse" : "skip");
  }
  return text;
}

std::optional<JobSpec> ReadJobFile(const std::string& path, std::string& error) {
  std::string text;
  if (!ReadWholeTextFile(path, text, kMaxJobFileBytes)) {
    std::error_code ec;
    error =
        path + ": " + (fs::exists(path, ec) ? "the job file cannot be read" : "no such job file");
    return std::nullopt;
  }
  toml::table root;
  try {
    root = toml::parse(std::string_view(text), std::string_view(path));
  } catch (const toml::parse_error& e) {
    error =
        path + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
    return std::nullopt;
  }
  const JobReader reader{path, root};
  JobSpec job;
  try {
    job = reader.Read();
  } catch (const JobReader::JobProblemAt& problem) {
    error = AtLine(path, problem.line, problem.text);
    return std::nullopt;
  }
  if (const auto problem = CheckJob(job)) {
    // The line of the key the problem is about.
    const char* key = "device";
    switch (problem->field) {
      case JobField::Device:
        key = "device";
        break;
      case JobField::Image:
        key = "image";
        break;
      case JobField::Window:
        key = "window";
        break;
      case JobField::Steps:
        key = "steps";
        break;
      case JobField::Serial:
        key = "serial";
        break;
    }
    const toml::node* node = root.get(key);
    const uint32_t line = node != nullptr ? node->source().begin.line : 0;
    error = AtLine(path, line, problem->text);
    return std::nullopt;
  }
  return job;
}

std::string JobImagePath(const std::string& job_path, const std::string& image) {
  const fs::path path(image);
  if (path.is_absolute()) return image;
  const fs::path folder = fs::path(job_path).parent_path();
  return folder.empty() ? image : (folder / path).lexically_normal().string();
}

std::string JobRecordPath(const std::string& job_path) {
  return fs::path(job_path).replace_extension(".db").string();
}

}  // namespace tarnwick
