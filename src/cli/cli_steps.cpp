// The steps of a run as the operator would click them in the window: the device list,
// the address entry box, Fill, File Type with Load and Save, and the command's button.
#include <cctype>
#include <istream>
#include <ostream>

#include "base/hex_text.h"
#include "cli/cli_session.h"
#include "link/detect.h"

namespace tarnwick {

namespace {

constexpr char kEnter = 13;
constexpr char kBackspace = 8;

// The rows of FillBox.
constexpr int kFill00 = 0;
constexpr int kFillFF = 1;
constexpr int kFillXX = 2;

// The first row of the device list, a heading: choosing it selects no chip.
constexpr int kNoDeviceRow = 0;

}  // namespace

void CliSession::Click(Control& control, const char* what) {
  // A dead control is one the window would not let the operator click either.
  if (!control.Live()) Fail(kExitUsage, std::string(what) + " is not offered now");
  form_->Click(control);
}

void CliSession::ChooseRow(Control& list, int row) {
  if (!list.Live()) Fail(kExitUsage, "the list " + list.name() + " is not open");
  form_->ListClick(list, row);
}

void CliSession::Type(Control& edit, const std::string& keys) {
  // As the view types: each key through the form's key handling first; what survives
  // lands in the text, upper-cased and up to the edit's length.
  for (char key : keys) {
    char ch = key;
    form_->KeyPress(edit, ch);
    if (ch == 0 || ch == kEnter) continue;
    if (ch == kBackspace) {
      if (!edit.text.empty()) edit.text.pop_back();
      continue;
    }
    if (edit.maxLength > 0 && static_cast<int>(edit.text.size()) >= edit.maxLength) continue;
    edit.text +=
        edit.upperCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch))) : ch;
  }
}

void CliSession::EnterValue(Control& button, int32_t value) {
  Click(button, button.name().c_str());
  if (!form_->Edit_Add.Live()) Fail(kExitUsage, "the entry box did not open");
  Type(form_->Edit_Add, HexText(value, 1) + kEnter);
}

void CliSession::ChooseFileType(FileFormat format) {
  Click(form_->File_But, "File Type");
  ChooseRow(form_->File_Type, static_cast<int>(format));
}

void CliSession::ChooseDevice() {
  TMainForm& f = *form_;
  if (deviceRow_ < 0) {
    if (o_.command != CliCommand::Convert && o_.command != CliCommand::Hash) return;
    // No chip for a convert: a heading row of the list, "No Device", whose window may
    // reach the whole buffer. Its "No Device Was Selected." says nothing here.
    Click(f.Device, "the Device button");
    choosingNoDevice_ = true;
    ChooseRow(f.Device_Box, kNoDeviceRow);
    choosingNoDevice_ = false;
    return;
  }
  Click(f.Device, "the Device button");
  ChooseRow(f.Device_Box, deviceRow_);
}

void CliSession::PromptForChip() {
  // After the window, the fill and the file have all been taken, so an operator never
  // seats a chip for a run that cannot start.
  for (const std::string& line : prompt_) Warn(line);
  prompt_.clear();
  if (o_.confirm && NeedsProgrammer()) {
    io_.err << "Seat the " << DeviceName(deviceRow_)
            << " as shown, then press Enter (Ctrl-C stops)..." << std::flush;
    std::string answer;
    const bool entered = ReadOperatorLine(io_, answer);
    io_.err << '\n';
    if (InterruptRequested()) throw CliExit{kExitSignalBase + InterruptSignal()};
    if (!entered) Fail(kExitUsage, "no Enter came: the chip was not confirmed");
  }
}

void CliSession::SetWindow() {
  TMainForm& f = *form_;
  const ProgramState& s = f.s;
  if (o_.window) {
    const WindowOption& w = *o_.window;
    // The end first: the start is kept at or below it after every entry.
    EnterValue(f.End_Add, w.deviceEnd);
    EnterValue(f.Start_Add, w.deviceStart);
    EnterValue(f.Start_Buf_Add, w.bufferStart);
    if (s.DeviceEnd != w.deviceEnd || s.DeviceStart != w.deviceStart ||
        s.BufferStart != w.bufferStart) {
      Fail(kExitUsage, "--window " + HexText(w.bufferStart, 4) + ":" + HexText(w.deviceStart, 4) +
                           ":" + HexText(w.deviceEnd, 4) + " does not fit the " +
                           DeviceName(deviceRow_) + ", whose last address is " +
                           HexText(s.ChipEnd, 4));
    }
  } else if (deviceRow_ < 0) {
    // No chip (convert): the whole buffer.
    EnterValue(f.End_Add, kWholeBufferEnd);
  }
  // Every byte of the window must lie in the buffer, on the buffer's side as well.
  if (int64_t{s.BufferStart} + s.DeviceEnd - s.DeviceStart > kWholeBufferEnd ||
      (UsesBuffer() && s.DeviceEnd > kWholeBufferEnd)) {
    Fail(kExitUsage, "the window runs past buffer address FFFF");
  }
  if (o_.offset) EnterValue(f.Offset, *o_.offset);
}

void CliSession::FillBuffer() {
  TMainForm& f = *form_;
  // The chip's erased value by default, so bytes no file names program nothing.
  const int value = o_.fill.value_or(deviceRow_ >= 0 ? f.s.BlankValue : 0xFF);
  Click(f.Fill, "Fill Buffer");
  const int row = value == 0x00 ? kFill00 : value == 0xFF ? kFillFF : kFillXX;
  ChooseRow(f.FillBox, row);
  if (row == kFillXX) Type(f.Fill_Edit, HexText(value, 2) + kEnter);
  if (f.outcomes.fill.verdict != Verdict::Success) Fail(kExitUsage, "the fill did not end");
}

void CliSession::LoadFile(const std::string& full, FileFormat format) {
  TMainForm& f = *form_;
  ChooseFileType(format);
  errors_.clear();
  loading_ = names_.Typed(full);
  toolkit_->dialogAnswers = {full};
  Click(f.Load_But, "Load Buffer");
  loading_.clear();
  toolkit_->dialogAnswers.clear();
  const LoadOutcome& load = f.outcomes.load;
  const std::string typed = names_.Typed(full);
  // A file of another format gives the buffer no byte (its lines are skipped); a run
  // that would then program or verify nothing but the fill must not succeed.
  if (load.problem == LoadProblem::NothingStored && load.result.leftOut == 0)
    Fail(kExitUsage,
         typed + ": no " + FormatName(format) + " data in the file (another format? see --format)");
  const bool accepted =
      (load.problem == LoadProblem::Folded || load.problem == LoadProblem::Conflicting) &&
      errors_.empty();
  if (accepted) Warn(typed + ": " + LoadProblemText(load, f.s.ChipEnd));
  PrintLoadReport(typed, load.result);
  if (accepted && !o_.fold) {
    Warn("tarnwick-cli: " + typed + " does not fit as it stands; --fold loads it all the same");
    result_ = load.text;
    throw CliExit{kExitUsage};
  }
  if (!accepted && (!errors_.empty() || load.verdict != Verdict::Success)) {
    result_ = kLoadFailedText;
    throw CliExit{kExitUsage};
  }
}

void CliSession::SaveFile(const std::string& full, FileFormat format) {
  TMainForm& f = *form_;
  ChooseFileType(format);
  errors_.clear();
  toolkit_->dialogAnswers = {full};
  Click(f.Save_But, "Save Buffer");
  toolkit_->dialogAnswers.clear();
  if (!errors_.empty() || f.outcomes.save.verdict != Verdict::Success) {
    result_ = kSaveFailedText;
    throw CliExit{kExitUsage};
  }
}

void CliSession::PrintLoadReport(const std::string& typed, const LoadResult& result) {
  // Bad checksums and overlapping records under a heading each, an entry per record: as
  // NAME:N: lines, which editors and build logs know.
  for (const LoadReportLine& line : LoadReportLines(result)) {
    if (line.line > 0)
      Warn(typed + ":" + std::to_string(line.line) + ": " + line.text);
    else
      Warn(typed + ": " + line.text);
  }
}

void CliSession::PrintMismatches(const DeviceOutcome& outcome) {
  // Address order, as the pass met them (the window puts the latest on top).
  for (const Mismatch& m : outcome.mismatches) io_.out << MismatchLine(m) << '\n';
  if (outcome.bufferEnd)
    io_.out << BufferEndLine(outcome.bufferEnd->deviceAddr, outcome.bufferEnd->bufferAddr) << '\n';
  // What the failure probably means, before the result text.
  for (const std::string& line : outcome.diagnosis) io_.out << line << '\n';
}

void CliSession::RunDeviceCommand() {
  TMainForm& f = *form_;
  ProgramState& s = f.s;
  const std::string chip = DeviceName(deviceRow_);
  Control* button = nullptr;
  switch (o_.command) {
    case CliCommand::Blank:
      button = &f.Blank_Chk;
      break;
    case CliCommand::Read:
      button = &f.Move_Eprom;
      break;
    case CliCommand::Verify:
      button = &f.Verify;
      break;
    case CliCommand::Program:
      button = &f.Programm;
      break;
    case CliCommand::Compare:
      button = &f.Compare;
      break;
    case CliCommand::Erase:
      button = &f.Erase_But;
      if (!button->Live()) Fail(kExitUsage, "erase: the " + chip + " is not electrically erasable");
      break;
    case CliCommand::Lock:
      button = &f.Security;
      if (!button->Live()) Fail(kExitUsage, "lock: the " + chip + " has no lock bits");
      break;
    default:
      Fail(kExitUsage, "nothing to do");
  }
  if (o_.command == CliCommand::Program && o_.noVerify && s.AutoVerifyOn == 1)
    Click(f.Auto_Verify, "Auto Verify");
  if (InterruptRequested()) throw CliExit{kExitSignalBase + InterruptSignal()};
  if (hooks_.beforeCommand) hooks_.beforeCommand();
  if (o_.command == CliCommand::Read) return ReadChip();

  errors_.clear();
  toolkit_->onPass = [this] { progress_.Update(*form_); };
  Click(*button, button->name().c_str());
  if (o_.command == CliCommand::Lock && f.Security_List.Live())
    ChooseRow(f.Security_List, o_.lockBit - 1);
  toolkit_->onPass = nullptr;
  progress_.Finish();

  const DeviceOutcome& outcome = f.outcomes.device;
  PrintMismatches(outcome);
  result_ = outcome.text;
  Say(result_);
  if (outcome.verdict == Verdict::BoxLost) throw CliExit{kExitNoProgrammer};
  if (InterruptRequested()) {
    if (outcome.stoppedAt)
      Warn("tarnwick-cli: stopped at " + HexText(*outcome.stoppedAt, 4) +
           " before the end of the window");
    throw CliExit{kExitSignalBase + InterruptSignal()};
  }
  if (outcome.verdict != Verdict::Success || !errors_.empty()) throw CliExit{kExitChipFailed};
}

void CliSession::OnMessage(const CliMessage& message) {
  TMainForm& f = *form_;
  if (choosingNoDevice_) return;
  if (f.A874X.visible || f.A875X.visible) {
    AdapterPrompt(f.A874X.visible ? f.A874X : f.A875X, message.text);
    return;
  }
  if (message.kind == CliMessage::Kind::Error) errors_.push_back(message);
  // The search's log stands behind its failure box: it says why each port failed.
  const SearchOutcome& search = f.outcomes.search;
  if (search.verdict == Verdict::Failed && !searchReported_) {
    searchReported_ = true;
    if (o_.port) {
      // One address was searched: its line and why, not the four-port box.
      // The search tries it twice (in its place and as LPT4); the last try tells.
      for (auto t = search.tries.rbegin(); t != search.tries.rend(); ++t)
        if (t->address == *o_.port) {
          Warn(OnePortFailure(*t));
          break;
        }
      return;
    }
    for (const std::string& line : SearchLogLines(search)) Warn(line);
  }
  // The command line names the format it read the file as, with --format to help.
  if (!loading_.empty() && f.outcomes.load.problem == LoadProblem::NothingStored) return;
  const std::vector<std::string> lines = MessageLines(message.text, names_);
  std::string lead = "tarnwick-cli: ";
  if (!loading_.empty()) {
    if (lines.front().rfind(loading_ + ":", 0) == 0)
      lead.clear();
    else if (message.kind == CliMessage::Kind::Information)
      lead = loading_ + ": ";
  }
  bool first = true;
  for (const std::string& line : lines) {
    Warn((first ? lead : std::string(lead.size(), ' ')) + line);
    first = false;
  }
}

void CliSession::AdapterPrompt(const Control& drawing, const std::string& text) {
  // A convert seats no chip; --quiet asks for no prompt. It is shown once the run is
  // known to be able to start.
  if (o_.quiet || !NeedsProgrammer()) return;
  prompt_.assign(drawing.lines().begin(), drawing.lines().end());
  if (!text.empty()) prompt_.push_back(text);
}

std::string OnePortFailure(const PortTry& tried) {
  return "tarnwick-cli: no Quillbox at " + HexText(tried.address, 4) + ": " + TryReason(tried);
}

}  // namespace tarnwick
