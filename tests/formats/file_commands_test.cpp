#include "formats/file_commands.h"

#include <gtest/gtest.h>

#include "formats/format_test_util.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

using testing_util::CrLfLines;
using testing_util::Filled;
using testing_util::ReadFileText;
using testing_util::ScratchDir;
using testing_util::WriteFileText;

class FileCommandsTest : public FormTest {
 protected:
  FileCommandsTest() {
    // A 4 KiB chip in the socket, as device selection and start-up leave it.
    f.s.HexHighLimit = kNoDeviceEnd;
    f.s.ChipEnd = 0x0FFF;
    f.s.DeviceEnd = 0x0FFF;
  }
  void Answer(const std::filesystem::path& file) {
    h.toolkit.dialogAnswers.push_back(file.string());
  }
  void Cancel() { h.toolkit.dialogAnswers.push_back(std::nullopt); }
  // Writes the file in the scratch folder and loads it through the open dialog.
  void LoadFile(const std::string& name, const std::string& contents) {
    WriteFileText(dir / name, contents);
    Answer(dir / name);
    f.Click(f.Load_But);
  }
  // Saves through the save dialog and gives back what was written.
  std::string SaveFile(const std::filesystem::path& file) {
    Answer(file);
    f.Click(f.Save_But);
    return ReadFileText(file);
  }
  void ChooseType(int row) {
    f.Click(f.File_But);
    f.ListClick(f.File_Type, row);
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const auto& m : h.toolkit.messages)
      if (m.kind == ShownMessage::Kind::Error) out.push_back(m.text);
    return out;
  }
  bool Idle() const { return f.Load_But.enabled && f.Save_But.enabled && !f.File_Type.visible; }

  ScratchDir dir;
};

TEST_F(FileCommandsTest, ChoosingATypeSetsButtonAndDialogsAndReturnsToIdle) {
  struct Row {
    const char* caption;
    const char* extension;
    int filterIndex;
    const char* hexFiles;  // what the Hex entry of the filter lists
  };
  const Row rows[] = {{"Binary File", "Bin", 1, "Hex|*.Hex|"},
                      {"Intel Hex File", "Hex", 2, "Hex|*.Hex;*.ihx|"},
                      {"Motorola Hex File", "Hex", 2, "Hex|*.Hex;*.s19;*.s28;*.s37;*.srec;*.mot|"},
                      {"Ascii Hex File", "Hex", 2, "Hex|*.Hex;*.asc|"}};
  for (int row : {2, 0, 3, 1}) {
    f.Click(f.File_But);
    EXPECT_TRUE(f.File_Type.visible);
    EXPECT_FALSE(f.Load_But.enabled) << "busy while the list is open";
    f.ListClick(f.File_Type, row);
    EXPECT_EQ(f.s.FileType, row);
    EXPECT_EQ(f.File_But.caption, rows[row].caption);
    for (const FileDialog* d : {&f.OpenDialog1, &f.SaveDialog1}) {
      EXPECT_EQ(d->defaultExt, rows[row].extension);
      EXPECT_EQ(d->filterIndex, rows[row].filterIndex);
      EXPECT_NE(d->filter.find(rows[row].hexFiles), std::string::npos) << d->filter;
    }
    EXPECT_TRUE(Idle());
  }
}

TEST_F(FileCommandsTest, WithoutAConfigurationBothDialogsStartOnBinary) {
  for (const FileDialog* d : {&f.OpenDialog1, &f.SaveDialog1}) {
    EXPECT_EQ(d->filter, "Bin|*.Bin|Hex|*.Hex|All|*.*");
    EXPECT_EQ(d->filterIndex, 1);
  }
  // As the window was drawn; the dialogs take the extension without its dot.
  EXPECT_EQ(f.OpenDialog1.defaultExt, ".Bin");
  EXPECT_EQ(f.SaveDialog1.defaultExt, "Bin");
  EXPECT_TRUE(f.OpenDialog1.mustExist);
  EXPECT_TRUE(f.SaveDialog1.confirmOverwrite);
}

TEST_F(FileCommandsTest, AnUnknownTypeKeepsTheCaptionAndSelectsHex) {
  ChooseType(0);
  f.s.FileType = 7;
  f.files.ShowFileType();
  EXPECT_EQ(f.File_But.caption, "Binary File");
  EXPECT_EQ(f.OpenDialog1.defaultExt, "Hex");
  EXPECT_EQ(f.SaveDialog1.filterIndex, 2);
}

TEST_F(FileCommandsTest, ALoadedAsciiHexFileIsNamedAndSummed) {
  ChooseType(3);
  f.s.Buffer[0x0FFF] = 0x10;
  f.s.Buffer[0x1000] = 0x77;  // outside the chip window: not in the sum
  LoadFile("a.hex", "0102\r\n0304\r\n");
  EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=" + (dir / "a.hex").string());
  EXPECT_EQ(f.StaticText3.caption, "Hex File Loaded....");
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=001A");  // 1+2+3+4+10
  EXPECT_EQ(f.OpenDialog1.fileName, (dir / "a.hex").string());
  EXPECT_EQ(std::filesystem::current_path(), dir.path()) << "the dialog moved the folder";
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(Errors().empty());
}

TEST_F(FileCommandsTest, ACancelledLoadReadsNothingButSumsAgain) {
  f.s.Buffer[0] = 0x42;
  Cancel();
  f.Click(f.Load_But);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0042");
  EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
  EXPECT_TRUE(Idle());
}

TEST_F(FileCommandsTest, AFileThatCannotBeReadIsReportedAndNotTakenAsLoaded) {
  const std::pair<std::string, std::string> files[] = {
      {(dir / "missing.hex").string(), "No such file or directory"},
      {"/dev/zero", "The file is larger than 64 MiB"},  // never ends
  };
  for (const auto& [name, reason] : files)
    for (int type : {0, 1}) {
      SCOPED_TRACE(name);
      ChooseType(type);
      h.toolkit.messages.clear();
      f.s.Buffer[0] = 0x5A;
      f.OpenDialog1.fileName = "/earlier/file.bin";
      Answer(name);
      f.Click(f.Load_But);
      ASSERT_EQ(Errors().size(), 1u);
      EXPECT_NE(Errors()[0].find(name), std::string::npos);
      EXPECT_NE(Errors()[0].find(reason), std::string::npos) << Errors()[0];
      EXPECT_EQ(f.s.Buffer[0], 0x5A) << "nothing loaded";
      EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
      EXPECT_EQ(f.StaticText3.caption, "File NOT Loaded....");
      EXPECT_EQ(f.StaticText3.colour, colour::Red);
      EXPECT_EQ(f.OpenDialog1.fileName, "/earlier/file.bin");
      EXPECT_TRUE(Idle());
      EXPECT_EQ(f.outcomes.load.verdict, Verdict::Failed);
      EXPECT_EQ(f.outcomes.load.error, Errors()[0]);
    }
}

TEST_F(FileCommandsTest, ABadFieldNamesFileAndLineAndLeavesTheWindowIdle) {
  ChooseType(1);
  LoadFile("bad.hex", ":020000001122CB\r\n:0100100012DD\r\n:01002000X1DE\r\n");
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_EQ(Errors()[0],
            "'$X1' is not a valid integer value\r\n" + (dir / "bad.hex").string() + ", line 3");
  EXPECT_EQ(f.s.Buffer[0x10], 0x12) << "bytes before the failure stay";
  EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  EXPECT_TRUE(Idle());
  EXPECT_EQ(f.outcomes.load.verdict, Verdict::Failed);
  EXPECT_EQ(f.outcomes.load.errorLine, 3);
  EXPECT_EQ(f.outcomes.load.error, "'$X1' is not a valid integer value");
}

TEST_F(FileCommandsTest, BadChecksumsAreListedInTheMemo) {
  ChooseType(1);
  LoadFile("sum.hex", ":0100100012DD\r\n:0100110034BB\r\n:00000001FF\r\n");
  EXPECT_EQ(f.s.Buffer[0x10], 0x12);
  EXPECT_EQ(f.s.Buffer[0x11], 0x34);
  EXPECT_TRUE(f.Memo1.visible);
  // 01+00+11+00+34 = 46, so BA was due.
  ASSERT_EQ(f.Memo1.lines().size(), 2u);
  EXPECT_EQ(f.Memo1.lines()[1], "Line 2  EXPECTED-BA FOUND-BB");
  EXPECT_EQ(f.StaticText3.caption, "Hex File Loaded....");
}

TEST_F(FileCommandsTest, BothListsStopAfterAHundredEntriesAndCountTheRest) {
  ChooseType(1);
  // 150 records at 0010, data 0000 and 0101 by turns, every checksum 00: 02+00+10+00 = 12
  // wants EE, and with 0101 EC.
  std::string text;
  for (int i = 0; i < 150; ++i) text += i % 2 == 0 ? ":02001000000000\r\n" : ":02001000010100\r\n";
  LoadFile("twice.hex", text);
  EXPECT_EQ(f.s.Buffer[0x10], 0x01) << "the last record wins";
  const auto& memo = f.Memo1.lines();
  EXPECT_TRUE(f.Memo1.visible);
  // Under the two lines that say what the load did: the two lists.
  ASSERT_EQ(memo.size(), 2u + 1u + 100u + 1u + 1u + 100u + 1u);
  EXPECT_EQ(memo[0], "Records give 149 address runs other data; the");
  EXPECT_EQ(memo[1], "  later data were loaded");
  EXPECT_EQ(memo[3], "Line 1  EXPECTED-EE FOUND-00");
  EXPECT_EQ(memo[103], "And 50 More Not Listed");
  EXPECT_EQ(memo[104], "Overlapping Records (Later Data Loaded):");
  EXPECT_EQ(memo[105], "Line 2 Overwrites Line 1 at 0010-0011");
  EXPECT_EQ(memo[204], "Line 101 Overwrites Line 100 at 0010-0011");
  EXPECT_EQ(memo[205], "And 49 More Not Listed");
}

TEST_F(FileCommandsTest, DataBeyondTheBufferIsReportedWithoutADevice) {
  ChooseType(1);
  f.s.ChipEnd = f.s.DeviceEnd = kNoDeviceEnd;
  // 16 bytes at 10100 after a linear base of 10000.
  std::string quit_during_load;
  h.toolkit.onMessage = [&](const ShownMessage&) { quit_during_load = f.Quit_Func_But.caption; };
  LoadFile("high.hex", ":020000040001F9\n:10010000000102030405060708090A0B0C0D0E0F77\n");
  EXPECT_EQ(quit_during_load, "&Quit = 10100") << "five digits while a hex file loads";
  ASSERT_EQ(h.toolkit.messages.size(), 1u);
  EXPECT_EQ(h.toolkit.messages[0].text,
            "16 Bytes Lay Beyond Buffer Address FFFF and Were Not Loaded.");
  EXPECT_EQ(f.s.Buffer, Filled(0));
}

TEST_F(FileCommandsTest, TheTwentyKiBChipKeepsItsOwnAddresses) {
  ChooseType(1);
  f.s.ChipEnd = f.s.DeviceEnd = 0x4FFF;
  LoadFile("c55.hex", ":02400000AA55BF\r\n");
  EXPECT_EQ(f.s.Buffer[0x4000], 0xAA);
  EXPECT_EQ(f.s.Buffer[0x0000], 0x00);
}

// Loads into a 4 KiB chip: what lands where the operator asked ends green; a file of
// another format, one larger than the chip and one whose records disagree end red.
TEST_F(FileCommandsTest, ALoadThatDoesNotLandWhereAskedEndsRed) {
  struct Case {
    const char* name;
    int type;
    const char* file;
    Verdict verdict;
    LoadProblem problem;
    const char* status;
    const char* firstMemoLine;  // nullptr: the memo is not shown
    const char* box;            // the error box, nullptr: none
  };
  const Case cases[] = {
      // Linked at 8000 and folded onto the chip by the load mask: one run, no clash.
      {"linked high", 1, ":0280000011224B\r\n:02800200334405\r\n:00000001FF\r\n", Verdict::Success,
       LoadProblem::None, "Hex File Loaded....", nullptr, nullptr},
      {"8 KiB image", 1, ":01000000AA55\r\n:01100000BB34\r\n:00000001FF\r\n", Verdict::Failed,
       LoadProblem::Folded, "File Larger Than the Chip Loaded....",
       "File spans 0000-1000, the chip 0000-0FFF: 1 byte", nullptr},
      {"two records disagree", 1, ":01000000AA55\r\n:01000000BB44\r\n", Verdict::Failed,
       LoadProblem::Conflicting, "File With Conflicting Records Loaded....",
       "Records give 1 address run other data; the later", nullptr},
      {"S-records read as Intel", 1, "S1050000AABB95\r\nS9030000FC\r\n", Verdict::Failed,
       LoadProblem::NothingStored, "File NOT Loaded....", nullptr,
       "No Intel Hex records in @: is it another format?"},
      {"Intel read as S-records", 2, ":01000000AA55\r\n", Verdict::Failed,
       LoadProblem::NothingStored, "File NOT Loaded....", nullptr,
       "No Motorola S-records in @: is it another format?"},
      {"an empty binary file", 0, "", Verdict::Failed, LoadProblem::NothingStored,
       "File NOT Loaded....", nullptr, "@ is empty: nothing was loaded."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChooseType(c.type);
    h.toolkit.messages.clear();
    f.OpenDialog1.fileName.clear();
    LoadFile("f.dat", c.file);
    const LoadOutcome& load = f.outcomes.load;
    EXPECT_EQ(load.verdict, c.verdict);
    EXPECT_EQ(load.problem, c.problem);
    EXPECT_EQ(f.StaticText3.caption, c.status);
    EXPECT_EQ(f.StaticText3.colour, c.verdict == Verdict::Success ? colour::Lime : colour::Red);
    EXPECT_EQ(f.Memo1.visible, c.firstMemoLine != nullptr);
    if (c.firstMemoLine != nullptr) {
      EXPECT_EQ(f.Memo1.lines().front(), c.firstMemoLine);
    }
    const bool loaded = c.problem != LoadProblem::NothingStored;
    EXPECT_EQ(f.StaticText4.caption, loaded
                                         ? "Last File Loaded in Buffer=" + (dir / "f.dat").string()
                                         : "Last File Loaded in Buffer=No File Loaded");
    std::string box = c.box != nullptr ? c.box : "";
    if (const size_t at = box.find('@'); at != std::string::npos)
      box.replace(at, 1, (dir / "f.dat").string());
    EXPECT_EQ(Errors(),
              c.box != nullptr ? std::vector<std::string>{box} : std::vector<std::string>{});
    f.StaticText4.caption = "Last File Loaded in Buffer=No File Loaded";
  }
}

TEST_F(FileCommandsTest, AFileDroppedOnTheWindowLoadsInTheFormatItsNameGives) {
  ChooseType(0);
  WriteFileText(dir / "fw.s19", "S1050010AABB85\r\nS9030000FC\r\n");
  f.FileDropped((dir / "fw.s19").string());
  EXPECT_EQ(f.s.FileType, 2);
  EXPECT_EQ(f.File_But.caption, "Motorola Hex File");
  EXPECT_EQ(f.s.Buffer[0x10], 0xAA);
  EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=" + (dir / "fw.s19").string());
  // A name that gives no format is read as the File Type chosen; while busy, nothing.
  f.Click(f.File_But);
  f.FileDropped((dir / "fw.s19").string());
  EXPECT_EQ(f.outcomes.load.file, (dir / "fw.s19").string()) << "unchanged";
  EXPECT_TRUE(f.File_Type.visible);
}

TEST_F(FileCommandsTest, ABinaryFileLoadsAtBufferStartAndSavesFromZero) {
  ChooseType(0);
  std::string bytes(4096, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  f.s.BufferStart = 0x1000;
  LoadFile("in.bin", bytes);
  EXPECT_EQ(f.outcomes.load.verdict, Verdict::Success);
  EXPECT_EQ(f.outcomes.load.result.ranges, (std::vector<LoadedRange>{{0, 0x1000, 4096}}));
  for (int a = 0; a < 0x1000; ++a) ASSERT_EQ(f.s.Buffer[0x1000 + a], a % 251);
  EXPECT_EQ(f.s.Buffer[0x0FFF], 0);
  EXPECT_EQ(f.s.Buffer[0x2000], 0);
  f.s.Buffer[0] = 0x5A;
  const std::string saved = SaveFile(dir / "out.bin");
  ASSERT_EQ(saved.size(), 4096u);
  EXPECT_EQ(saved[0], 0x5A);
  EXPECT_EQ(saved.substr(1), std::string(4095, '\0'));
}

TEST_F(FileCommandsTest, SavingEachHexFormatFromTheWindow) {
  struct Case {
    int type;
    size_t lines;
    const char* last;
  };
  const Case cases[] = {{1, 258, ":00000001FF"}, {2, 257, "S804000000FB"}, {3, 256, nullptr}};
  for (const Case& c : cases) {
    ChooseType(c.type);
    const auto lines = CrLfLines(SaveFile(dir / ("out" + std::to_string(c.type) + ".hex")));
    EXPECT_EQ(lines.size(), c.lines);
    if (c.last != nullptr) {
      EXPECT_EQ(lines.back(), c.last);
    }
    EXPECT_EQ(f.StaticText3.caption, "Hex File Saved....");
    EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
    EXPECT_TRUE(Idle());
  }
}

TEST_F(FileCommandsTest, WordModeDoublesTheSavedRange) {
  f.s.WordMode = 1;
  ChooseType(0);
  EXPECT_EQ(SaveFile(dir / "w.bin").size(), 8192u);
}

TEST_F(FileCommandsTest, AFileThatCannotBeWrittenIsReported) {
  ChooseType(2);
  EXPECT_EQ(SaveFile(dir / "no-such-folder" / "x.hex"), "");
  ASSERT_EQ(Errors().size(), 1u);
  EXPECT_NE(Errors()[0].find("x.hex"), std::string::npos);
  EXPECT_EQ(f.StaticText3.caption, "File NOT Saved....");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  EXPECT_TRUE(Idle());
}

TEST_F(FileCommandsTest, StartUpReloadsThroughTheLoaders) {
  WriteFileText(dir / "last.s28", "S2060000101234A3\r\n");
  f.s.FileType = 2;
  f.OpenDialog1.fileName = (dir / "last.s28").string();
  EXPECT_TRUE(f.files.LoadFile());
  EXPECT_EQ(f.s.Buffer[0x10], 0x12);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0046");
  f.OpenDialog1.fileName = (dir / "gone.bin").string();
  EXPECT_FALSE(f.files.LoadFile());
}

}  // namespace
}  // namespace tarnwick
