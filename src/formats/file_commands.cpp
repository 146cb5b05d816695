#include "formats/file_commands.h"

#include <array>
#include <filesystem>
#include <span>

#include "base/command_frame.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "formats/ascii_hex.h"
#include "formats/binary_file.h"
#include "formats/file_io.h"
#include "formats/file_types.h"
#include "formats/intel_hex.h"
#include "formats/motorola_hex.h"

namespace tarnwick {

namespace {

// The status lines of a format whose loads and saves are long enough to be watched.
struct StatusTexts {
  const char* loading;
  const char* loaded;
  const char* saving;
  const char* saved;
};

constexpr StatusTexts kHexStatus{"Loading Buffer from Hex File....", "Hex File Loaded....",
                                 "Saving Buffer to Hex File....", "Hex File Saved...."};

// Where a load puts the file: a binary file from BufferStart on, hex records where
// their addresses say.
struct LoadPlace {
  int32_t bufferStart;
  const HexLoadParams& hex;
};

struct FormatRow {
  const char* caption;  // of File_But; null: the caption stays as it is
  const char* extension;
  int filterIndex;            // "Bin|*.Bin|Hex|*.Hex|All|*.*": 1 Bin, 2 Hex
  const StatusTexts* status;  // null: the status line is left alone
  const char* records;        // what a file of the format holds, for "No ... in NAME"
  const char* filter;         // the dialogs' filter: what the format's files are called
  LoadResult (*read)(std::string_view file, const LoadPlace& at, BufferBytes& buffer);
  // The file's bytes for a save of DeviceEnd in the word mode given.
  std::string (*write)(const BufferBytes& buffer, int32_t deviceEnd, int32_t wordMode);
};

LoadResult ReadBinary(std::string_view file, const LoadPlace& at, BufferBytes& buffer) {
  LoadResult result;
  PlaceBinary(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), at.bufferStart,
              buffer, result);
  return result;
}

std::string WriteBinary(const BufferBytes& buffer, int32_t deviceEnd, int32_t wordMode) {
  const std::span<const uint8_t> image = BinarySaveImage(buffer, deviceEnd, wordMode);
  return std::string(image.begin(), image.end());
}

template <LoadResult (*Read)(std::string_view, const HexLoadParams&, BufferBytes&)>
LoadResult ReadHex(std::string_view file, const LoadPlace& at, BufferBytes& buffer) {
  return Read(file, at.hex, buffer);
}

template <std::string (*Write)(const BufferBytes&, int64_t)>
std::string WriteHex(const BufferBytes& buffer, int32_t deviceEnd, int32_t wordMode) {
  return Write(buffer, WriteLimit(deviceEnd, wordMode));
}

// By FileType: 0 Binary, 1 Intel Hex, 2 Motorola Hex, 3 Ascii Hex.
constexpr std::array<FormatRow, 4> kFileFormats{{
    {"Binary File", "Bin", 1, nullptr, "bytes", kDialogFilter, ReadBinary, WriteBinary},
    {"Intel Hex File", "Hex", 2, &kHexStatus, "Intel Hex records",
     "Bin|*.Bin|Hex|*.Hex;*.ihx|All|*.*", ReadHex<ReadIntelHex>, WriteHex<WriteIntelHex>},
    {"Motorola Hex File", "Hex", 2, &kHexStatus, "Motorola S-records",
     "Bin|*.Bin|Hex|*.Hex;*.s19;*.s28;*.s37;*.srec;*.mot|All|*.*", ReadHex<ReadMotorolaHex>,
     WriteHex<WriteMotorolaHex>},
    {"Ascii Hex File", "Hex", 2, &kHexStatus, "Ascii Hex data", "Bin|*.Bin|Hex|*.Hex;*.asc|All|*.*",
     ReadHex<ReadAsciiHex>, WriteHex<WriteAsciiHex>},
}};

// A FileType no row names (a hand-edited settings file) is taken for a hex format
// whose files hold no records: a load reads the file and stores nothing, a save
// writes an empty file.
constexpr FormatRow kNoFormat{
    nullptr,
    "Hex",
    2,
    &kHexStatus,
    "records",
    kDialogFilter,
    [](std::string_view, const LoadPlace&, BufferBytes&) { return LoadResult{}; },
    [](const BufferBytes&, int32_t, int32_t) { return std::string(); }};

const FormatRow& FormatOf(int32_t type) {
  return type >= 0 && type < static_cast<int32_t>(kFileFormats.size())
             ? kFileFormats[static_cast<size_t>(type)]
             : kNoFormat;
}

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
void ListProblems(std::vector<LoadReportLine>& lines, const char* heading,
                  const std::vector<Entry>& entries, int64_t count, Text text) {
  if (count == 0) return;
  lines.push_back({0, heading});
  for (const Entry& e : entries) lines.push_back(text(e));
  if (count > static_cast<int64_t>(entries.size()))
    lines.push_back({0, "And " + std::to_string(count - static_cast<int64_t>(entries.size())) +
                            " More Not Listed"});
}

}  // namespace

std::vector<LoadReportLine> LoadReportLines(const LoadResult& result) {
  std::vector<LoadReportLine> lines;
  ListProblems(lines, "Bad Record Checksums (Data Loaded):", result.badChecksums,
               result.badChecksumCount, [](const BadChecksum& b) {
                 return LoadReportLine{b.line, BadChecksumLine(b)};
               });
  ListProblems(lines, "Overlapping Records (Later Data Loaded):", result.overlaps,
               result.overlapCount, [](const Overlap& o) {
                 return LoadReportLine{o.later, OverlapLine(o)};
               });
  return lines;
}

void FileCommands::Wire() {
  c_.File_But.OnClick = [this] { File_ButClick(); };
  c_.File_Type.OnClick = [this] { File_TypeClick(); };
  c_.Load_But.OnClick = [this] { Load_ButClick(); };
  c_.Save_But.OnClick = [this] { Save_ButClick(); };
}

void FileCommands::File_ButClick() {
  frame_.EnterBusyState();
  c_.File_Type.visible = true;
}

void FileCommands::File_TypeClick() {
  // A click below the last item chooses nothing; the list stays open.
  if (c_.File_Type.itemIndex < 0) return;
  s_.FileType = c_.File_Type.itemIndex;
  ShowFileType();
  frame_.EnterIdleState();
}

void FileCommands::ShowFileType() {
  const FormatRow& format = FormatOf(s_.FileType);
  if (format.caption != nullptr) c_.File_But.caption = format.caption;
  for (FileDialog* d : {&c_.OpenDialog1, &c_.SaveDialog1}) {
    d->defaultExt = format.extension;
    d->filterIndex = format.filterIndex;
    d->filter = format.filter;
  }
}

std::string LoadProblemText(const LoadOutcome& load, int32_t chip_end) {
  const LoadResult& r = load.result;
  switch (load.problem) {
    case LoadProblem::Folded:
      return "File spans " + HexText(r.fileLow, 4) + "-" + HexText(r.fileHigh, 4) +
             ", the chip 0000-" + HexText(chip_end, 4) + ": " + std::to_string(r.folded) +
             (r.folded == 1 ? " byte was" : " bytes were") + " folded onto lower addresses";
    case LoadProblem::Conflicting:
      return "Records give " + std::to_string(r.overlapCount) +
             (r.overlapCount == 1 ? " address run" : " address runs") +
             " other data; the later data were loaded";
    default:
      return {};
  }
}

void FileCommands::Load_ButClick() {
  LoadChosen([this] { return toolkit_.RunOpenDialog(c_.OpenDialog1); });
}

void FileCommands::FileDropped(const std::string& path) {
  LoadChosen([&] {
    // The file names its format; the File Type stays where it names none.
    if (const std::optional<FileFormat> format = FormatFromExtension(path)) {
      s_.FileType = static_cast<int32_t>(*format);
      ShowFileType();
    }
    c_.OpenDialog1.fileName = path;
    return true;
  });
}

void FileCommands::LoadChosen(const std::function<bool()>& choose) {
  frame_.EnterBusyState();
  memo_report_ = false;
  bool failed = false;
  const std::string previous = c_.OpenDialog1.fileName;
  load_ = LoadOutcome{};
  load_.verdict = Verdict::Refused;  // until a file is chosen
  if (choose()) {
    FollowDialog(c_.OpenDialog1.fileName);
    try {
      failed = !LoadFile();
    } catch (const ConversionError&) {
      // The last file loaded is still the previous one; start-up must not reload this.
      c_.OpenDialog1.fileName = previous;
      throw;
    }
    if (failed)
      c_.OpenDialog1.fileName = previous;
    else
      c_.StaticText4.caption = "Last File Loaded in Buffer=" + c_.OpenDialog1.fileName;
  }
  window_.ShowCheckSum();
  if (failed || load_.verdict == Verdict::Failed) s_.OpFailed = 1;
  if (memo_report_) c_.Memo1.visible = true;
  frame_.EnterIdleState();
}

void FileCommands::Save_ButClick() {
  save_ = SaveOutcome{};
  save_.verdict = Verdict::Refused;  // until a file is chosen
  if (toolkit_.RunSaveDialog(c_.SaveDialog1)) {
    FollowDialog(c_.SaveDialog1.fileName);
    SaveFile();
  }
  frame_.EnterIdleState();
}

HexLoadParams FileCommands::LoadParams() {
  const ProgramState& s = s_;
  HexLoadParams p;
  p.hexOffset = s.HexOffset;
  p.lowLimit = s.HexLowLimit;
  p.highLimit = s.HexHighLimit;
  p.mask = LoadMask(s.ChipEnd, s.WordMode);
  // Only the caption changes; no messages are processed, so nothing can interrupt.
  p.progress = [this](int32_t address) {
    c_.Quit_Func_But.caption = "&Quit = " + HexText(address, 5);
  };
  return p;
}

bool FileCommands::LoadFile() {
  const FormatRow& format = FormatOf(s_.FileType);
  load_ = LoadOutcome{};
  load_.file = c_.OpenDialog1.fileName;
  load_.fileType = s_.FileType;
  if (format.status != nullptr) {
    ShowStatus(load_.text, format.status->loading);
    toolkit_.ProcessMessages();
  }
  const std::string name = c_.OpenDialog1.fileName;
  std::string file;
  try {
    file = ReadWholeFile(name);
  } catch (const FileError& error) {
    load_.verdict = Verdict::Failed;
    load_.problem = LoadProblem::Unreadable;
    load_.error = error.what();
    ShowStatus(load_.text, kLoadFailedText);
    s_.OpFailed = 1;
    toolkit_.ShowError(error.what());
    return false;
  }
  try {
    const HexLoadParams params = LoadParams();
    load_.result = format.read(file, LoadPlace{s_.BufferStart, params}, s_.Buffer);
  } catch (HexLoadError& error) {
    error.SetFileName(name);
    load_.verdict = Verdict::Failed;
    load_.problem = LoadProblem::Malformed;
    load_.error = NotValidIntegerMessage(error.text());
    load_.errorLine = error.line();
    ShowStatus(load_.text, kLoadFailedText);
    s_.OpFailed = 1;
    frame_.EnterIdleState();
    throw;
  }
  const LoadResult& result = load_.result;
  if (result.stored == 0) {
    // Nothing landed: usually a file of another format, whose lines were all skipped.
    // Going on would program the fill into the chip.
    load_.verdict = Verdict::Failed;
    load_.problem = LoadProblem::NothingStored;
    ShowStatus(load_.text, kLoadFailedText);
    s_.OpFailed = 1;
    if (result.leftOut > 0) {
      ReportLoad(result);  // says where the bytes lay instead
    } else {
      load_.error = s_.FileType == 0 ? name + " is empty: nothing was loaded."
                                     : std::string("No ") + format.records + " in " + name +
                                           ": is it another format?";
      toolkit_.ShowError(load_.error);
    }
    return false;
  }
  load_.problem = result.folded > 0         ? LoadProblem::Folded
                  : result.overlapCount > 0 ? LoadProblem::Conflicting
                                            : LoadProblem::None;
  load_.verdict = load_.problem == LoadProblem::None ? Verdict::Success : Verdict::Failed;
  if (load_.problem == LoadProblem::Folded)
    ShowStatus(load_.text, kFoldedText);
  else if (load_.problem == LoadProblem::Conflicting)
    ShowStatus(load_.text, kConflictText);
  else if (format.status != nullptr)
    ShowStatus(load_.text, format.status->loaded);
  else
    ShowStatus(load_.text, "");  // no word of its own: an earlier result no longer stands
  ReportLoad(result);
  window_.ShowCheckSum();
  if (load_.verdict == Verdict::Failed) s_.OpFailed = 1;
  if (memo_report_) c_.Memo1.visible = true;
  return true;
}

bool FileCommands::SaveFile() {
  const FormatRow& format = FormatOf(s_.FileType);
  const ProgramState& s = s_;
  save_ = SaveOutcome{};
  save_.file = c_.SaveDialog1.fileName;
  save_.fileType = s_.FileType;
  if (format.status != nullptr) {
    ShowStatus(save_.text, format.status->saving);
    toolkit_.ProcessMessages();
  }
  try {
    const std::string bytes = format.write(s.Buffer, s.DeviceEnd, s.WordMode);
    save_.bytes = static_cast<int64_t>(bytes.size());
    WriteWholeFile(c_.SaveDialog1.fileName, std::string_view(bytes));
  } catch (const FileError& error) {
    save_.verdict = Verdict::Failed;
    save_.error = error.what();
    ShowStatus(save_.text, kSaveFailedText);
    s_.OpFailed = 1;
    toolkit_.ShowError(error.what());
    return false;
  }
  save_.verdict = Verdict::Success;
  if (format.status != nullptr) ShowStatus(save_.text, format.status->saved);
  return true;
}

void FileCommands::ReportLoad(const LoadResult& result) {
  memo_report_ = result.badChecksumCount > 0 || result.overlapCount > 0 || result.folded > 0;
  if (memo_report_) {
    c_.Memo1.ClearLines();
    for (std::string& line : WrapForMemo(LoadProblemText(load_, s_.ChipEnd), 2))
      if (!line.empty()) c_.Memo1.AddLine(std::move(line));
    for (LoadReportLine& line : LoadReportLines(result)) c_.Memo1.AddLine(std::move(line.text));
  }
  if (result.leftOut > 0) {
    toolkit_.ShowMessage(std::to_string(result.leftOut) +
                         " Bytes Lay Beyond Buffer Address FFFF and Were Not Loaded.");
  }
}

void FileCommands::ShowStatus(std::string& outcome_text, const char* text) {
  c_.StaticText3.caption = text;
  outcome_text = text;
}

}  // namespace tarnwick
