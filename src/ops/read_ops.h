// Reading the chip in the socket: the read-mode entry and the address set-up of each
// chip family, and the four commands that only read the chip (Move, Verify, Blank
// Check, Program Compare). The programming, erase and lock-bit cycles reuse the
// read-mode entry and the address set-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "devices/families.h"
#include "ops/ops_parts.h"

namespace tarnwick {

// StopCount values of a pass: 1 the window was done, 2 a byte failed, 5 Quit.
inline constexpr int32_t kStopDone = 1;
inline constexpr int32_t kStopFailed = 2;

// Milliseconds the set-ups give the chip to settle after a mode change.
inline constexpr int kSettleMs = 10;

class ReadOps {
 public:
  explicit ReadOps(OpsParts parts) : p_(parts) {}

  // Read mode for the selected family; SpeedCount 5 for the whole pass.
  void EnterReadMode();
  void ReadSetup874x();
  void ReadSetup875x();
  void ReadSetup89S();

  // Sends DeviceAddr by the family's address set-up and shows it on the Quit button.
  void SetAddress();
  void SetAddress874x();
  void SetAddress875x();
  // SetAddress, then the two-nibble read into ReadByte.
  void ReadDeviceByte();

  // The verify pass with its mismatch list; also the Program command's Auto Verify.
  void VerifyDevice();

  void Move_EpromClick();
  void VerifyClick();
  void Blank_ChkClick();
  void CompareClick();

  // A pass must not reach past the buffer (the window may run to FFFFF): when
  // `buffer_addr` lies outside it, the pass is ended as failed (StopCount 2,
  // OpFailed 1) with a line on top of Memo1 that says where and why, and false is
  // returned. True when the address is inside the buffer.
  bool CheckBufferEnd(int32_t buffer_addr);

  // The chip was programmed, erased or locked: a verify no longer reads it a second time.
  void ForgetLastMove() { lastMove_.reset(); }

 private:
  // Steps 2-4 of a read pass: read each byte, hand it to `action`, move on, until
  // StopCount rises. `buffer_addr` names the buffer address the action will use
  // (nullptr: none). Returns false when the pass ended at the buffer's end.
  template <typename Action>
  bool ReadLoop(const int32_t* buffer_addr, Action&& action);
  // The same pass with the read-mode entry first.
  template <typename Action>
  bool ReadPass(const int32_t* buffer_addr, Action&& action);

  // The summary and likely cause of a failed check, on top of the memo and in the
  // outcome.
  void ShowDiagnosis(DeviceCommand command);
  // What the last Move left in the buffer, so a verify right after it is known for the
  // second read of the chip it is.
  struct MoveRecord {
    int32_t deviceRow, deviceStart, deviceEnd, bufferStart;
    uint32_t crc;
    friend bool operator==(const MoveRecord&, const MoveRecord&) = default;
  };
  MoveRecord CurrentImage() const;

  OpsParts p_;
  std::optional<MoveRecord> lastMove_;
};

}  // namespace tarnwick
