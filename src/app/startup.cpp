#include "app/startup.h"

#include <cstring>
#include <optional>

#include "app/main_form.h"
#include "base/atomic_file.h"
#include "base/hex_text.h"
#include "base/text_lines.h"

namespace tarnwick {

namespace {

constexpr int kSlots = 30;
constexpr size_t kLinesRead = 29;
constexpr uint16_t kFirstProbeAddress = 0x278;

// Lines 1 to 3 are taken only when greater than what the program already holds.
void StoreIfGreater(uint16_t& value, const std::string& text) {
  const int32_t number = ConvertInteger(text);
  if (number > value) value = static_cast<uint16_t>(number);
}

}  // namespace

ConfigText ReadConfigFile(const std::string& path) {
  ConfigText config;
  std::string contents;
  if (!ReadWholeTextFile(path, contents)) return config;
  config.opened = true;
  // An empty file holds no line at all; otherwise a last line without its CR LF counts.
  if (contents.empty() || contents.front() == kCtrlZ) return config;
  config.lines = SplitTextLines(contents);
  if (config.lines.size() > kLinesRead) config.lines.resize(kLinesRead);
  return config;
}

std::string WriteConfigFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  // A settings file that is a symbolic link (kept in a dotfiles folder, say) stays one;
  // a failed write leaves the previous file whole.
  const std::optional<WriteFailure> failure = ReplaceFile(path, text);
  return failure ? std::strerror(failure->error) : std::string();
}

void Startup::Wire() {
  f_.OnActivate = [this] { FormActivate(); };
  f_.OnCloseQuery = [this] { FormCloseQuery(); };
}

void Startup::FormCreate() {
  ProgramState& s = f_.s;
  s.WordMode = 0;
  s.OpFailed = 0;
  f_.Device.caption = "No Device";
  s.ProgrammerFound = 0;
  s.VppCode = 1;
  s.HexOffset = 0;
  s.HexLowLimit = 0;
  s.HexHighLimit = kNoDeviceEnd;
  s.ProgramPass = 1;
  f_.Memo1.ClearLines();
  f_.sys.toolkit.ProcessMessages();
}

std::string Startup::ConfigPath() const {
  const std::string& dir = f_.s.ProgramDir;
  return dir.empty() || dir.back() == '/' ? dir + kConfigFileName : dir + "/" + kConfigFileName;
}

void Startup::FormActivate() {
  ProgramState& s = f_.s;
  // The window may be closed at any message pass of the start-up; start-up then ends at
  // its next step, and opens or probes no port after the close.
  f_.sys.toolkit.ProcessMessages();
  if (f_.Closed()) return;
  f_.shell.EnterBusyState();
  if (f_.Closed()) return;
  f_.Memo1.visible = false;
  s.ProgramDir = CurrentDirectory();
  s.Lpt4Address = kFirstProbeAddress;

  {
    // From here on the settings in the program are the file's (or, where it stopped at
    // a bad line, what it gave up to there), so the close may write them back; before,
    // they are only the creation values and writing them would lose the saved ones.
    struct Settled {
      bool& flag;
      ~Settled() { flag = true; }
    } settled{configSettled_};
    const ConfigText config = ReadConfigFile(ConfigPath());
    if (config.opened) ApplyConfig(config);
  }
  if (f_.Closed()) return;

  f_.detect.FindProgrammer();
  if (f_.Closed()) return;
  if (s.ProgrammerFound > 0) {
    f_.detect.CalibrateSpeed();
    if (f_.Closed()) return;
    s.PulseWait = static_cast<uint16_t>(s.SpeedCount / 20);
  }
  if (s.PulseWait < s.ProgramPulse) s.PulseWait = s.ProgramPulse;
  f_.vpp.ApplyVpp();
  // Without a box the status line stays red over the search's log; the device list
  // would cover the log, so it waits for the Device button or a box that is found.
  s.OpFailed = s.ProgrammerFound > 0 ? 0 : 1;
  f_.shell.EnterIdleState();
  if (s.ProgrammerFound > 0 && f_.Device.caption == "No Device") f_.Device_Box.visible = true;
}

void Startup::ApplyConfig(const ConfigText& config) {
  ProgramState& s = f_.s;
  std::array<std::string, kSlots + 1> slot;
  slot.fill("1");
  for (size_t i = 0; i < config.lines.size(); ++i) slot[i + 1] = config.lines[i];

  StoreIfGreater(s.ProgramPulse, slot[1]);
  StoreIfGreater(s.ProgramPass, slot[2]);
  StoreIfGreater(s.PortDelay, slot[3]);
  s.DeviceRow = ConvertInteger(slot[4]);
  f_.devices.SelectDevice();

  s.FileType = ConvertInteger(slot[5]);
  s.WordMode = ConvertInteger(slot[6]);
  s.VppCode = ConvertInteger(slot[7]);
  s.AutoVerifyOn = ConvertInteger(slot[8]);
  s.BufferStart = ConvertInteger(slot[9]);
  s.DeviceStart = ConvertInteger(slot[10]);
  s.DeviceEnd = ConvertInteger(slot[11]);
  s.HexOffset = ConvertInteger(slot[12]);
  f_.Auto_Verify.caption = s.AutoVerifyOn == 1 ? "Auto Verify On" : "Auto Verify Off";
  f_.files.ShowFileType();
  static constexpr const char* kWordModeCaptions[] = {"Byte Program", "Word Even/High",
                                                      "Word Odd/Low"};
  if (s.WordMode >= 0 && s.WordMode <= 2) f_.Prg_Type_But.caption = kWordModeCaptions[s.WordMode];
  f_.window.ApplyWindow();

  // A file that ends before line 13 names no file to reload (its slot would read "1").
  const std::string& last_file = config.lines.size() >= 13 ? slot[13] : std::string();
  if (!last_file.empty()) {
    f_.OpenDialog1.fileName = last_file;
    // A file that no longer loads is forgotten, as a failed Load forgets it: otherwise
    // every later start would stop at it again before searching for the box.
    bool loaded = false;
    try {
      loaded = f_.files.LoadFile();
    } catch (const ConversionError&) {
      f_.OpenDialog1.fileName.clear();
      throw;
    }
    if (loaded)
      f_.StaticText4.caption = "Last File Loaded in Buffer=" + f_.OpenDialog1.fileName;
    else
      f_.OpenDialog1.fileName.clear();
  }

  if (slot[14].size() > 3) {
    s.Lpt4Address = static_cast<uint16_t>(ConvertInteger(slot[14]));
    f_.Chg_Lpt4.caption = "LPT4=" + HexText(s.Lpt4Address, 4);
  }
}

std::vector<std::string> Startup::ConfigLines() const {
  const ProgramState& s = f_.s;
  return {
      std::to_string(s.ProgramPulse), std::to_string(s.ProgramPass),  std::to_string(s.PortDelay),
      std::to_string(s.DeviceRow),    std::to_string(s.FileType),     std::to_string(s.WordMode),
      std::to_string(s.VppCode),      std::to_string(s.AutoVerifyOn), std::to_string(s.BufferStart),
      std::to_string(s.DeviceStart),  std::to_string(s.DeviceEnd),    std::to_string(s.HexOffset),
      f_.OpenDialog1.fileName,        std::to_string(s.Lpt4Address)};
}

void Startup::FormCloseQuery() {
  ProgramState& s = f_.s;
  s.StopCount = 5;
  s.WaitMs = 0;
  f_.SetTimer1(false);
  if (s.ProgrammerFound > 0) f_.link.ClosePort();
  if (!configSettled_) return;  // closed before start-up read the file: it stays as it was
  const std::string failure = WriteConfigFile(ConfigPath(), ConfigLines());
  if (!failure.empty())
    f_.sys.toolkit.ShowError("The settings could not be saved to " + ConfigPath() + ": " + failure);
  f_.sys.toolkit.ProcessMessages();
}

}  // namespace tarnwick
