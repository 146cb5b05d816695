// A production job: the chip, the image and its SHA-256, the buffer window, the steps
// each chip goes through and the serial number rule, kept in a TOML file that
// `tarnwick-cli job new` writes and a person may write or check by hand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/job_serial.h"

namespace tarnwick {

enum class JobStepKind { Erase, Blank, Program, Verify, Lock };

struct JobStep {
  JobStepKind kind = JobStepKind::Program;
  int lockBit = 0;  // 1..3 for Lock
  // "erase", "blank", "program", "verify", "lock 1".
  std::string Name() const;
  friend bool operator==(const JobStep&, const JobStep&) = default;
};

// "blank", "lock 2" or "lock2"; nullopt for anything else.
std::optional<JobStep> JobStepFromName(const std::string& name);

struct JobSpec {
  std::string device;       // as the job names it
  std::string image;        // as the job file writes it: relative to the job's folder
  std::string imageSha256;  // 64 lower-case hexadecimal digits
  std::optional<WindowOption> window;
  std::optional<int32_t> offset;
  std::optional<int> fill;
  std::optional<FileFormat> format;
  bool fold = false;
  std::vector<JobStep> steps;
  std::optional<SerialRule> serial;
  std::string prompt;  // shown to the operator before each chip
};

// The part of a job a problem is about, so that a job file can name its line and
// `job new` its option.
enum class JobField { Device, Image, Window, Steps, Serial };

struct JobProblem {
  JobField field;
  std::string text;
};

// What the device table says about the job: the chip exists, offers every step
// (erase only on the electrically erasable parts, lock bits only where the chip has
// them), the steps run in their order, the serial number lies in the chip's window.
std::optional<JobProblem> CheckJob(const JobSpec& job);

// The steps a job gets when none are named: erase first on the parts that can.
std::vector<JobStep> DefaultSteps(int device_row);

// The job file's text (toml++ writes the values).
std::string JobFileText(const JobSpec& job);

// Reads and checks a job file. On failure `error` is "PATH:LINE: what" (or "PATH: what"
// where no line can be named).
std::optional<JobSpec> ReadJobFile(const std::string& path, std::string& error);

// The image as this process opens it: the job's `image` taken from the job's folder.
std::string JobImagePath(const std::string& job_path, const std::string& image);

// The record of a job's chips: the job's file name with ".db" in place of its extension.
std::string JobRecordPath(const std::string& job_path);

}  // namespace tarnwick
