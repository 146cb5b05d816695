#include "formats/file_commands.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/main_form.h"
#include "formats/ascii_hex.h"
#include "formats/binary_file.h"
#include "formats/file_io.h"
#include "formats/intel_hex.h"
#include "formats/motorola_hex.h"

namespace tarnwick {

namespace {

struct FileTypeRow {
  const char* caption;  // of File_But
  const char* extension;
  int filterIndex;  // "Bin|*.Bin|Hex|*.Hex|All|*.*": 1 Bin, 2 Hex
};

// By FileType: 0 Binary, 1 Intel Hex, 2 Motorola Hex, 3 Ascii Hex.
constexpr std::array<FileTypeRow, 4> kFileTypes{{
    {"Binary File", "Bin", 1},
    {"Intel Hex File", "Hex", 2},
    {"Motorola Hex File", "Hex", 2},
    {"Ascii Hex File", "Hex", 2},
}};

constexpr const char* kLoadFailed = "File NOT Loaded....";
constexpr const char* kSaveFailed = "File NOT Saved....";

// The standard dialogs leave the process in the chosen file's folder; the help file
// is then looked up there, as it always was.
void FollowDialog(const std::string& file_name) {
  const std::filesystem::path folder = std::filesystem::path(file_name).parent_path();
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::current_path(folder, ignored);
}

std::string BadChecksumLine(const BadChecksum& bad) {
  return "Line " + std::to_string(bad.line) + "  EXPECTED-" + HexText(bad.expected, 2) + " FOUND-" +
         (bad.found < 0 ? std::string("none") : HexText(bad.found, 2));
}

std::string OverlapLine(const Overlap& o) {
  std::string line = "Line " + std::to_string(o.later) + " Overwrites Line " +
                     std::to_string(o.earlier) + " at " + HexText(o.first, 4);
  if (o.last != o.first) line += "-" + HexText(o.last, 4);
  return line;
}

// One list of the load report: its heading, the entries kept and a line for the rest.
template <typename Entry, typename Text>
void ListProblems(Control& memo, const char* heading, const std::vector<Entry>& entries,
                  int64_t count, Text text) {
  if (count == 0) return;
  memo.AddLine(heading);
  for (const Entry& e : entries) memo.AddLine(text(e));
  if (count > static_cast<int64_t>(entries.size()))
    memo.AddLine("And " + std::to_string(count - static_cast<int64_t>(entries.size())) +
                 " More Not Listed");
}

}  // namespace

void FileCommands::Wire() {
  f_.File_But.OnClick = [this] { File_ButClick(); };
  f_.File_Type.OnClick = [this] { File_TypeClick(); };
  f_.Load_But.OnClick = [this] { Load_ButClick(); };
  f_.Save_But.OnClick = [this] { Save_ButClick(); };
}

void FileCommands::File_ButClick() {
  f_.shell.EnterBusyState();
  f_.File_Type.visible = true;
}

void FileCommands::File_TypeClick() {
  // A click below the last item chooses nothing; the list stays open.
  if (f_.File_Type.itemIndex < 0) return;
  f_.s.FileType = f_.File_Type.itemIndex;
  ShowFileType();
  f_.shell.EnterIdleState();
}

void FileCommands::ShowFileType() {
  const int32_t type = f_.s.FileType;
  FileTypeRow row{nullptr, "Hex", 2};
  if (type >= 0 && type < static_cast<int32_t>(kFileTypes.size())) {
    row = kFileTypes[static_cast<size_t>(type)];
    f_.File_But.caption = row.caption;
  }
  for (FileDialog* d : {&f_.OpenDialog1, &f_.SaveDialog1}) {
    d->defaultExt = row.extension;
    d->filterIndex = row.filterIndex;
  }
}

void FileCommands::Load_ButClick() {
  f_.shell.EnterBusyState();
  memo_report_ = false;
  bool failed = false;
  const std::string previous = f_.OpenDialog1.fileName;
  if (f_.sys.toolkit.RunOpenDialog(f_.OpenDialog1)) {
    FollowDialog(f_.OpenDialog1.fileName);
    try {
      failed = !(f_.s.FileType == 0 ? LoadBinaryFile() : LoadHexFile());
    } catch (const ConversionError&) {
      // The last file loaded is still the previous one; start-up must not reload this.
      f_.OpenDialog1.fileName = previous;
      throw;
    }
    if (failed)
      f_.OpenDialog1.fileName = previous;
    else
      f_.StaticText4.caption = "Last File Loaded in Buffer=" + f_.OpenDialog1.fileName;
  }
  f_.window.ShowCheckSum();
  if (failed) f_.s.OpFailed = 1;
  if (memo_report_) f_.Memo1.visible = true;
  f_.shell.EnterIdleState();
}

void FileCommands::Save_ButClick() {
  if (f_.sys.toolkit.RunSaveDialog(f_.SaveDialog1)) {
    FollowDialog(f_.SaveDialog1.fileName);
    if (f_.s.FileType == 0)
      SaveBinaryFile();
    else
      SaveHexFile();
  }
  f_.shell.EnterIdleState();
}

HexLoadParams FileCommands::LoadParams() {
  const ProgramState& s = f_.s;
  HexLoadParams p;
  p.hexOffset = s.HexOffset;
  p.lowLimit = s.HexLowLimit;
  p.highLimit = s.HexHighLimit;
  p.mask = LoadMask(s.ChipEnd, s.WordMode);
  // Only the caption changes; no messages are processed, so nothing can interrupt.
  p.progress = [this](int32_t address) {
    f_.Quit_Func_But.caption = "&Quit = " + HexText(address, 5);
  };
  return p;
}

bool FileCommands::LoadHexFile() {
  f_.StaticText3.caption = "Loading Buffer from Hex File....";
  f_.sys.toolkit.ProcessMessages();
  const std::string name = f_.OpenDialog1.fileName;
  std::string text;
  try {
    text = ReadWholeFile(name);
  } catch (const FileError& error) {
    ReportFailure(error, kLoadFailed);
    return false;
  }
  LoadResult result;
  try {
    const HexLoadParams params = LoadParams();
    switch (f_.s.FileType) {
      case 1:
        result = ReadIntelHex(text, params, f_.s.Buffer);
        break;
      case 2:
        result = ReadMotorolaHex(text, params, f_.s.Buffer);
        break;
      case 3:
        result = ReadAsciiHex(text, params, f_.s.Buffer);
        break;
      default:
        break;  // no hex format: nothing in the file is a record
    }
  } catch (HexLoadError& error) {
    error.SetFileName(name);
    f_.StaticText3.caption = kLoadFailed;
    f_.s.OpFailed = 1;
    f_.shell.EnterIdleState();
    throw;
  }
  f_.StaticText3.caption = "Hex File Loaded....";
  ReportLoad(result);
  f_.window.ShowCheckSum();
  if (memo_report_) f_.Memo1.visible = true;
  return true;
}

bool FileCommands::LoadBinaryFile() {
  ProgramState& s = f_.s;
  LoadResult result;
  std::string bytes;
  try {
    bytes = ReadWholeFile(f_.OpenDialog1.fileName);
  } catch (const FileError& error) {
    ReportFailure(error, kLoadFailed);
    return false;
  }
  PlaceBinary(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
      s.BufferStart, s.Buffer, result);
  s.FilePos = static_cast<int32_t>(std::min<size_t>(bytes.size(), INT32_MAX));
  ReportLoad(result);
  f_.window.ShowCheckSum();
  return true;
}

bool FileCommands::SaveBinaryFile() {
  const ProgramState& s = f_.s;
  try {
    WriteWholeFile(f_.SaveDialog1.fileName, BinarySaveImage(s.Buffer, s.DeviceEnd, s.WordMode));
  } catch (const FileError& error) {
    ReportFailure(error, kSaveFailed);
    return false;
  }
  return true;
}

bool FileCommands::SaveHexFile() {
  ProgramState& s = f_.s;
  f_.StaticText3.caption = "Saving Buffer to Hex File....";
  f_.sys.toolkit.ProcessMessages();
  s.FilePos = 0;
  const int64_t limit = WriteLimit(s.DeviceEnd, s.WordMode);
  std::string text;
  switch (s.FileType) {
    case 1:
      text = WriteIntelHex(s.Buffer, limit);
      break;
    case 2:
      text = WriteMotorolaHex(s.Buffer, limit);
      break;
    case 3:
      text = WriteAsciiHex(s.Buffer, limit);
      break;
    default:
      break;  // no hex format: the file is left empty
  }
  try {
    WriteWholeFile(f_.SaveDialog1.fileName, std::string_view(text));
  } catch (const FileError& error) {
    ReportFailure(error, kSaveFailed);
    return false;
  }
  f_.StaticText3.caption = "Hex File Saved....";
  return true;
}

void FileCommands::ReportLoad(const LoadResult& result) {
  memo_report_ = result.badChecksumCount > 0 || result.overlapCount > 0;
  if (memo_report_) {
    f_.Memo1.ClearLines();
    ListProblems(f_.Memo1, "Bad Record Checksums (Data Loaded):", result.badChecksums,
                 result.badChecksumCount, BadChecksumLine);
    ListProblems(f_.Memo1, "Overlapping Records (Later Data Loaded):", result.overlaps,
                 result.overlapCount, OverlapLine);
  }
  if (result.leftOut > 0) {
    f_.sys.toolkit.ShowMessage(std::to_string(result.leftOut) +
                               " Bytes Lay Beyond Buffer Address FFFF and Were Not Loaded.");
  }
}

void FileCommands::ReportFailure(const FileError& error, const char* status) {
  f_.StaticText3.caption = status;
  f_.s.OpFailed = 1;
  f_.sys.toolkit.ShowError(error.what());
}

}  // namespace tarnwick
