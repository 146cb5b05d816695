#include "support/chip_cycles.h"

namespace tarnwick::cycles {

namespace {

void Load(TMainForm& f, LatchSelect latch, int value) {
  f.link.Load(latch, value & 0xFF);
}

// The erase and program-mode pauses: PulseWait milliseconds, a tenth of it above 30.
int ModeWaitMs(const TMainForm& f) {
  return f.s.PulseWait <= 30 ? f.s.PulseWait : f.s.PulseWait / 10;
}

}  // namespace

void TimerWaitMs(TMainForm& f, int ms) {
  f.s.WaitMs = ms;
  f.waits.TimerWait();
}

void ReadSetup874x(TMainForm& f) {
  Load(f, kLatch1, 0xF0);
  Load(f, kLatch9, 0x30);
  Load(f, kLatchB, 0xA8);
  TimerWaitMs(f, 10);
  Load(f, kLatch9, 0x00);
  Load(f, kLatch1, 0xB0);
  TimerWaitMs(f, 10);
}

namespace {
void ReadSetup875xWith(TMainForm& f, int latch1) {
  ProgramState& s = f.s;
  s.Latch2Value = s.Latch2Base & 0x7F;
  s.Latch3Value = 0xB0;
  Load(f, kLatch3, 0xB0);
  Load(f, kLatchB, s.LatchBMode);
  TimerWaitMs(f, 10);
  s.Latch1Value = latch1;
  Load(f, kLatch1, latch1);
  Load(f, kLatch3, 0xB0);
  TimerWaitMs(f, 10);
}
}  // namespace

void ReadSetup875x(TMainForm& f) {
  ReadSetup875xWith(f, 0xF7);
}
void ReadSetup89S(TMainForm& f) {
  ReadSetup875xWith(f, 0xB7);
}

void EnterReadMode(TMainForm& f) {
  f.vpp.ApplyVpp();
  f.s.SpeedCount = 5;
  f.s.LatchBMode = 0;
  const int family = f.s.DeviceFamily;
  if (family == 1 || family == 2) ReadSetup874x(f);
  if (family >= 3 && family <= 5) ReadSetup875x(f);
  if (family == 6) ReadSetup89S(f);
  TimerWaitMs(f, 10);
}

void SetAddress874x(TMainForm& f, int addr) {
  const int h = (addr >> 8) & 0xFF;
  f.s.DeviceAddr = addr;
  Load(f, kLatch9, h);
  Load(f, kLatch2, f.s.Latch2Base & 0xF7);
  Load(f, kLatchA, addr & 0xFF);
  f.waits.ScaledWait();
  Load(f, kLatch9, h | 0x10);
  Load(f, kLatch2, f.s.Latch2Base);
  Load(f, kLatch9, h | 0x30);
  f.waits.ScaledWait();
}

void SetAddress875x(TMainForm& f, int addr) {
  ProgramState& s = f.s;
  s.DeviceAddr = addr;
  Load(f, kLatch9, addr & 0xFF);
  s.LatchBValue = static_cast<uint16_t>(((addr >> 8) & 0x0F) | s.LatchBMode |
                                        ((addr & 0x2000) != 0 ? 0x80 : 0));
  Load(f, kLatchB, s.LatchBValue);
  s.Latch1Value = (addr & 0x1000) != 0 ? (s.Latch1Value & ~0x02) : (s.Latch1Value | 0x02);
  Load(f, kLatch1, s.Latch1Value);
  Load(f, kLatch3, s.Latch3Value | ((addr & 0x4000) != 0 ? 0x01 : 0));
  Load(f, kLatch2, s.Latch2Value);
  f.waits.ScaledWait();
}

void SetAddress(TMainForm& f, int addr) {
  const int family = f.s.DeviceFamily;
  if (family == 1 || family == 2) SetAddress874x(f, addr);
  if (family >= 3 && family <= 6) SetAddress875x(f, addr);
}

uint8_t ReadDeviceByte(TMainForm& f, int addr) {
  SetAddress(f, addr);
  f.link.ReadNibbles();
  return f.s.ReadByte;
}

std::vector<uint8_t> ReadPass(TMainForm& f, int start, int end) {
  std::vector<uint8_t> bytes;
  EnterReadMode(f);
  for (int addr = start; addr <= end; ++addr) bytes.push_back(ReadDeviceByte(f, addr));
  f.link.ParkLatches();
  return bytes;
}

void Program8741Byte(TMainForm& f, int addr, uint8_t data) {
  const int h = (addr >> 8) & 0xFF;
  const int base = f.s.Latch2Base;
  Load(f, kLatchB, 0xA8);
  Load(f, kLatch9, h);
  Load(f, kLatchA, addr & 0xFF);
  f.waits.ScaledWait();
  Load(f, kLatch9, h | 0x10);
  f.waits.ScaledWait();
  Load(f, kLatchA, data);
  Load(f, kLatchB, 0x28);
  f.waits.ShortWait();
  Load(f, kLatch1, 0x90);
  Load(f, kLatch2, base & 0xF5);
  f.waits.ShortWait();
  Load(f, kLatch2, base & 0xF7);
  Load(f, kLatch1, 0xB0);
  f.waits.ScaledWait();
}

bool Program8748Byte(TMainForm& f, int addr, uint8_t data, int* attempts) {
  ProgramState& s = f.s;
  const int h = (addr >> 8) & 0xFF;
  const int base = s.Latch2Base;
  s.SpeedCount = 5;
  Load(f, kLatch2, base & 0xF7);
  Load(f, kLatch9, h);
  Load(f, kLatchA, addr & 0xFF);
  f.waits.ScaledWait();
  Load(f, kLatch9, h | 0x10);
  f.waits.ScaledWait();
  int made = 0;
  do {
    ++made;
    s.ReadByte = data;
    Load(f, kLatchA, data);
    Load(f, kLatch9, h | 0x10);
    Load(f, kLatch2, base & 0xF7);
    s.SpeedCount = static_cast<uint16_t>(s.SpeedCount * 2);
    Load(f, kLatch1, 0x90);
    f.waits.ScaledWait();
    Load(f, kLatch2, base & 0xF5);
    f.waits.ShortWait();
    Load(f, kLatch2, base & 0xF7);
    f.waits.ScaledWait();
    Load(f, kLatch1, 0xB0);
    f.waits.ScaledWait();
    Load(f, kLatchA, data ^ 0xFF);
    Load(f, kLatch2, base);
    Load(f, kLatch9, h | 0x30);
    f.waits.ScaledWait();
    f.link.ReadNibbles();
  } while (s.SpeedCount <= 50 && s.ReadByte != data);
  if (attempts != nullptr) *attempts = made;
  return s.ReadByte == data;
}

void EnterProgramMode(TMainForm& f) {
  ProgramState& s = f.s;
  f.vpp.ApplyVpp();
  s.LatchBMode = 0x40;
  s.Latch1Value = 0xFF;
  s.Latch3Value = 0xB0;
  Load(f, kLatch3, 0xB0);
  s.Latch2Value = s.Latch2Base & 0xF7;
  Load(f, kLatchB, s.LatchBMode);
  TimerWaitMs(f, ModeWaitMs(f));
  Load(f, kLatch1, s.Latch1Value);
  TimerWaitMs(f, ModeWaitMs(f));
  TimerWaitMs(f, 100);
}

void PulseTrain(TMainForm& f) {
  for (int i = 0; i < f.s.SpeedCount; ++i) {
    Load(f, kLatch1, f.s.Latch1Pulse & 0x7F);
    f.waits.ShortWait();
    Load(f, kLatch1, f.s.Latch1Pulse);
    f.waits.ShortWait();
  }
}

bool Program8751Byte(TMainForm& f, int addr, uint8_t data) {
  ProgramState& s = f.s;
  SetAddress875x(f, addr);
  s.SpeedCount = 5;
  do {
    Load(f, kLatchB, s.LatchBValue);
    Load(f, kLatch1, s.Latch1Value);
    s.ReadByte = data;
    Load(f, kLatch2, s.Latch2Value);
    Load(f, kLatchA, data);
    f.waits.ScaledWait();
    s.Latch1Pulse = s.Latch1Value & 0xBF;
    Load(f, kLatch1, s.Latch1Pulse);
    PulseTrain(f);
    Load(f, kLatch1, s.Latch1Value & 0xF7);
    Load(f, kLatch2, s.Latch2Value | 0x08);
    Load(f, kLatchB, s.LatchBValue & 0xBF);
    f.waits.ScaledWait();
    f.link.ReadNibbles();
    s.SpeedCount = static_cast<uint16_t>(s.SpeedCount * 2);
  } while (s.SpeedCount <= 20 && s.ReadByte != data);
  return s.ReadByte == data;
}

int ProgramFlashByte(TMainForm& f, int addr, uint8_t data, bool* ok) {
  ProgramState& s = f.s;
  s.ReadByte = data;
  SetAddress875x(f, addr);
  Load(f, kLatchA, data);
  s.Latch1Pulse = s.Latch1Value & 0xBF;
  Load(f, kLatch1, s.Latch1Pulse);
  f.waits.StepWait();
  Load(f, kLatch1, s.Latch1Pulse & 0x7F);
  f.waits.StepWait();
  Load(f, kLatch1, s.Latch1Pulse);
  f.waits.StepWait();
  Load(f, kLatchB, s.LatchBValue & 0xBF);
  Load(f, kLatchA, data ^ 0xFF);
  Load(f, kLatch2, s.Latch2Value | 0x08);
  int polls = 0;
  do {
    f.link.ReadNibbles();
    ++polls;
    f.sys.toolkit.ProcessMessages();
  } while (polls < 500 && s.ReadByte != data);
  Load(f, kLatchB, s.LatchBValue);
  if (ok != nullptr) *ok = s.ReadByte == data;
  return polls;
}

bool ProgramWindow(TMainForm& f, const std::vector<uint8_t>& buffer, int start, int end) {
  ProgramState& s = f.s;
  const int family = s.DeviceFamily;
  bool good = true;
  if (family == 1) {
    EnterReadMode(f);
    Load(f, kLatch2, s.Latch2Base & 0xF7);
    for (int addr = start; addr <= end; ++addr)
      if (buffer[static_cast<size_t>(addr)] != 0x00)
        Program8741Byte(f, addr, buffer[static_cast<size_t>(addr)]);
    f.link.ParkLatches();
    TimerWaitMs(f, 100);
    EnterReadMode(f);
    for (int addr = start; addr <= end && good; ++addr)
      good = ReadDeviceByte(f, addr) == buffer[static_cast<size_t>(addr)];
  } else if (family == 2) {
    EnterReadMode(f);
    for (int addr = start; addr <= end && good; ++addr)
      good = Program8748Byte(f, addr, buffer[static_cast<size_t>(addr)]);
  } else if (family == 3 || family == 4) {
    EnterProgramMode(f);
    for (int addr = start; addr <= end && good; ++addr)
      good = Program8751Byte(f, addr, buffer[static_cast<size_t>(addr)]);
  } else if (family == 5 || family == 6) {
    EnterProgramMode(f);
    for (int addr = start; addr <= end && good; ++addr)
      if (buffer[static_cast<size_t>(addr)] != 0xFF)
        ProgramFlashByte(f, addr, buffer[static_cast<size_t>(addr)], &good);
  }
  f.link.ParkLatches();
  return good;
}

void EraseFlash(TMainForm& f) {
  ProgramState& s = f.s;
  s.LatchBMode = 0x40;
  Load(f, kLatchB, 0x40);
  s.Latch2Value = s.Latch2Base & 0xF7;
  s.Latch1Value = 0xFF;
  TimerWaitMs(f, 10);
  Load(f, kLatch1, s.Latch1Value);
  TimerWaitMs(f, 1);
  SetAddress875x(f, 0xAA);
  Load(f, kLatchA, 0x55);
  s.Latch1Pulse = s.Latch1Value & 0xBF;
  Load(f, kLatch1, s.Latch1Pulse);
  Load(f, kLatch1, s.Latch1Pulse & 0x7F);
  TimerWaitMs(f, ModeWaitMs(f));
  Load(f, kLatch1, s.Latch1Pulse);
  TimerWaitMs(f, 1);
  Load(f, kLatch1, s.Latch1Value);
  s.LatchBMode = 0x10;
  ReadSetup875x(f);
  s.Latch1Pulse = 0xBA;
  Load(f, kLatch1, 0xBA);
  TimerWaitMs(f, 1);
  Load(f, kLatch1, 0xBA & 0x7F);
  TimerWaitMs(f, s.PulseWait);
  Load(f, kLatch1, 0xBA);
  TimerWaitMs(f, 1);
  Load(f, kLatch1, 0xF7);
  f.link.ParkLatches();
}

void ProgramSecurity(TMainForm& f, int row) {
  struct Row {
    int latchBMode, latch1Pulse, data;
  };
  constexpr Row kRows[] = {{0x50, 0xBF, 0x7F}, {0x50, 0xBA, 0xBF}, {0x10, 0xBE, 0xDF}};
  const Row& r = kRows[row];
  ProgramState& s = f.s;
  if (s.DeviceFamily == 6) {
    s.LatchBMode = 0x10;
    ReadSetup875x(f);
    TimerWaitMs(f, 1);
    Load(f, kLatchA, r.data);
    s.Latch1Pulse = 0xBE;
  } else {
    s.LatchBMode = r.latchBMode;
    ReadSetup875x(f);
    TimerWaitMs(f, 1);
    s.Latch1Pulse = r.latch1Pulse;
  }
  Load(f, kLatch1, s.Latch1Pulse);
  TimerWaitMs(f, 1);
  PulseTrain(f);
  Load(f, kLatch1, 0xF7);
  f.link.ParkLatches();
}

}  // namespace tarnwick::cycles
