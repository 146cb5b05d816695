// The operator's file commands: choosing the file format, Load and Save with their
// dialogs, and the loaders that start-up also uses to reload the last file.
#pragma once

#include "formats/hex_lines.h"

namespace tarnwick {

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
               FileCommandControls controls)
      : s_(state), window_(window), toolkit_(toolkit), frame_(frame), c_(controls) {}
  void Wire();

  void File_ButClick();
  void File_TypeClick();
  // The File button's caption and both dialogs' extension and filter index from FileType.
  void ShowFileType();
  void Load_ButClick();
  void Save_ButClick();

  // Loads the file named by OpenDialog1 into the buffer in the format FileType names,
  // ending with ShowCheckSum. False when the file could not be opened or read; that has
  // been reported and the status line says so. A malformed hex field throws HexLoadError
  // (a ConversionError naming the file and line) once the window is idle again.
  bool LoadFile();
  // Writes the file named by SaveDialog1 from buffer 0000 on in the format FileType
  // names; false when it could not be written (reported).
  bool SaveFile();

 private:
  HexLoadParams LoadParams();
  void ReportLoad(const LoadResult& result);
  void ReportFailure(const FileError& error, const char* status);

  ProgramState& s_;
  BufferWindow& window_;
  Toolkit& toolkit_;
  CommandFrame& frame_;
  FileCommandControls c_;
  bool memo_report_ = false;  // Memo1 lists bad checksums or overlaps of the last load
};

}  // namespace tarnwick
