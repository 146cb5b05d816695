// The latch sequences the device operations send to the box, replayed step by step so
// the simulated adapters can be held to them (and, with one step changed, shown to
// refuse what the real chips refuse). Each routine works on the form's link, waits and
// latch images exactly as the operations do; the Quit caption is left out.
#pragma once

#include <cstdint>
#include <vector>

#include "app/main_form.h"

namespace tarnwick::cycles {

void TimerWaitMs(TMainForm& f, int ms);

// Read mode: ApplyVpp, SpeedCount 5, LatchBMode 0, the family's set-up, 10 ms.
void EnterReadMode(TMainForm& f);
void ReadSetup874x(TMainForm& f);
void ReadSetup875x(TMainForm& f);
void ReadSetup89S(TMainForm& f);

void SetAddress(TMainForm& f, int addr);  // by DeviceFamily
void SetAddress874x(TMainForm& f, int addr);
void SetAddress875x(TMainForm& f, int addr);
uint8_t ReadDeviceByte(TMainForm& f, int addr);
// A read pass: read mode, then every byte from start to end inclusive; parked after.
std::vector<uint8_t> ReadPass(TMainForm& f, int start, int end);

// Family 1: one byte's pulse (read mode entered and Latch2 set by the caller's pass).
void Program8741Byte(TMainForm& f, int addr, uint8_t data);
// Family 2, one byte after EnterReadMode: up to four attempts; true if it read back.
// `attempts` receives how many were made.
bool Program8748Byte(TMainForm& f, int addr, uint8_t data, int* attempts = nullptr);

// Families 3 to 6.
void EnterProgramMode(TMainForm& f);
// Families 3 and 4, one byte after EnterProgramMode: up to three trains of 5, 10, 20.
bool Program8751Byte(TMainForm& f, int addr, uint8_t data);
// Families 5 and 6, one byte after EnterProgramMode: one pulse, then polls until the
// byte reads back, at most 500. Gives the number of polls; *ok whether it read back.
int ProgramFlashByte(TMainForm& f, int addr, uint8_t data, bool* ok = nullptr);
// A whole window programmed by the family's algorithm and parked after; true when
// every byte read back. `buffer` is indexed by device address.
bool ProgramWindow(TMainForm& f, const std::vector<uint8_t>& buffer, int start, int end);

void PulseTrain(TMainForm& f);
// Erase Device, both pulses, with the PulseWait the form holds.
void EraseFlash(TMainForm& f);
// Program Security, row 0 to 2 ("Program Bit 1" to "Program Bit 3").
void ProgramSecurity(TMainForm& f, int row);

}  // namespace tarnwick::cycles
