// The operator's file commands: choosing the file format, Load and Save with their
// dialogs, and the loaders that start-up also uses to reload the last file.
#pragma once

#include "base/outcome.h"
#include "formats/hex_lines.h"

namespace tarnwick {

// The file dialogs' filter as the window was drawn; a hex format adds the names its
// files also go by (*.ihx from SDCC, *.s19 and the other S-record names).
inline constexpr const char* kDialogFilter = "Bin|*.Bin|Hex|*.Hex|All|*.*";
inline constexpr const char* kLoadFailedText = "File NOT Loaded....";
inline constexpr const char* kSaveFailedText = "File NOT Saved....";
inline constexpr const char* kFoldedText = "File Larger Than the Chip Loaded....";
inline constexpr const char* kConflictText = "File With Conflicting Records Loaded....";

// Why a load ended red.
enum class LoadProblem : uint8_t {
  None,
  Unreadable,     // the file could not be opened or read: nothing loaded
  Malformed,      // a field is not hex: the bytes before it are loaded
  NothingStored,  // no byte of the file landed in the buffer (another format?)
  Folded,         // bytes of a file larger than the chip were folded onto lower addresses
  Conflicting,    // two records give one address different values; the later is loaded
};

// What a load found: the file and its format, what it stored and where, what was wrong
// with it, and the status text it showed.
struct LoadOutcome {
  Verdict verdict = Verdict::None;  // Success: loaded as asked; Failed: see problem
  LoadProblem problem = LoadProblem::None;
  std::string file;  // as the dialog gave it
  int32_t fileType = 0;
  std::string text;  // the status line's text after the load; empty: left alone
  LoadResult result;
  std::string error;  // why it failed: the system's reason, or the conversion message
  int errorLine = 0;  // the line of a malformed field
};

struct SaveOutcome {
  Verdict verdict = Verdict::None;  // Success: written; Failed: could not be written
  std::string file;
  int32_t fileType = 0;
  int64_t bytes = 0;  // the file's size
  std::string text;   // the status line's text after the save; empty: left alone
  std::string error;
};

// One line of a load's report: the problems under their headings, each entry with the
// line of the file it names (0 for headings and counts).
struct LoadReportLine {
  int line = 0;
  std::string text;
};
std::vector<LoadReportLine> LoadReportLines(const LoadResult& result);
// What a load that did not land where the operator asked did, in words: "File spans
// 0000-1FFF, the chip 0000-0FFF: 4096 bytes were folded onto lower addresses". Empty
// for a load that did.
std::string LoadProblemText(const LoadOutcome& load, int32_t chip_end);

class BufferWindow;
class CommandFrame;
class Control;
class FileError;
class Toolkit;
struct FileDialog;
struct ProgramState;

// The window's controls and dialogs the file commands drive, by their names in the window.
struct FileCommandControls {
  Control& File_But;
  Control& File_Type;
  Control& Load_But;
  Control& Save_But;
  Control& StaticText3;
  Control& StaticText4;
  Control& Memo1;
  Control& Quit_Func_But;
  FileDialog& OpenDialog1;
  FileDialog& SaveDialog1;
};

class FileCommands {
 public:
  FileCommands(ProgramState& state, BufferWindow& window, Toolkit& toolkit, CommandFrame& frame,
               FileCommandControls controls, LoadOutcome& load, SaveOutcome& save)
      : s_(state),
        window_(window),
        toolkit_(toolkit),
        frame_(frame),
        c_(controls),
        load_(load),
        save_(save) {}
  void Wire();

  void File_ButClick();
  void File_TypeClick();
  // The File button's caption and both dialogs' extension and filter index from FileType.
  void ShowFileType();
  void Load_ButClick();
  void Save_ButClick();
  // A file dropped on the window: loaded as Load loads the file chosen in its dialog,
  // in the format its extension names (.bin, .hex, .ihx, .s19, ...; the File Type
  // chosen where it names none).
  void FileDropped(const std::string& path);

  // Loads the file named by OpenDialog1 into the buffer in the format FileType names,
  // ending with ShowCheckSum. False when the file could not be opened or read or gave
  // the buffer no byte; that has been reported and the status line says so. A file that
  // does not fit the chip is loaded (true) with its report on top of Memo1 and a red
  // status line. A malformed hex field throws HexLoadError
  // (a ConversionError naming the file and line) once the window is idle again.
  bool LoadFile();
  // Writes the file named by SaveDialog1 from buffer 0000 on in the format FileType
  // names; false when it could not be written (reported).
  bool SaveFile();

 private:
  // Load's steps around the choice of the file: busy, the load, the last file's name
  // and the checksum, idle. `choose` names the file in OpenDialog1; false: none.
  void LoadChosen(const std::function<bool()>& choose);
  HexLoadParams LoadParams();
  void ReportLoad(const LoadResult& result);
  // The status text of a load or a save, in the window and the outcome.
  void ShowStatus(std::string& outcome_text, const char* text);

  ProgramState& s_;
  BufferWindow& window_;
  Toolkit& toolkit_;
  CommandFrame& frame_;
  FileCommandControls c_;
  LoadOutcome& load_;
  SaveOutcome& save_;
  bool memo_report_ = false;  // Memo1 lists bad checksums or overlaps of the last load
};

}  // namespace tarnwick
