#include "base/outcome.h"

#include "base/hex_text.h"

namespace tarnwick {

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Success:
      return "success";
    case Verdict::Failed:
      return "failed";
    case Verdict::BoxLost:
      return "box-lost";
    case Verdict::Stopped:
      return "stopped";
    case Verdict::Refused:
      return "refused";
    case Verdict::None:
      break;
  }
  return "none";
}

std::string MismatchLine(const Mismatch& m) {
  std::string line = HexText(m.deviceAddr, 4);
  line.reserve(line.size() + 22);
  line += "  EXPECTED-";
  line += HexText(m.expected, 2);
  line += " FOUND-";
  line += HexText(m.found, 2);
  return line;
}

std::string StoppedText(int32_t address) {
  return "Stopped at " + HexText(address, 4) + "....";
}

std::string BufferEndLine(int32_t device_addr, int32_t buffer_addr) {
  return "Stopped at Device " + HexText(device_addr, 4) + ", Buffer " + HexText(buffer_addr, 4) +
         ": the Buffer ends at FFFF";
}

const char* DeviceCommandName(DeviceCommand command) {
  static constexpr const char* kNames[] = {"-",       "blank",   "verify", "read",
                                           "compare", "program", "erase",  "lock"};
  return kNames[static_cast<size_t>(command)];
}

const char* PortPathName(PortPath path) {
  static constexpr const char* kNames[] = {"-", "ppdev", "direct I/O", "the simulated box"};
  return kNames[static_cast<size_t>(path)];
}

std::string RefusalLine(uint16_t address, const std::string& reason) {
  return "Port-" + HexText(address, 4) + " - " + reason;
}

std::string EchoLine(uint16_t address, const PortTry::Echo& echo) {
  return "Port-" + HexText(address, 4) + " - " + HexText(echo.sent, 2) + " - " +
         HexText(echo.read, 2);
}

std::string TryReason(const PortTry& t) {
  if (t.notAPort) return kNotAPortReason;
  if (!t.opened) return t.refusal;
  for (const PortTry::Echo& echo : t.loopback)
    if (echo.read != echo.sent)
      return "the loop-back test sent " + HexText(echo.sent, 2) + " and read " +
             HexText(echo.read, 2) + ": is the power pack plugged in and the cable on this port?";
  return "the box answered";
}

std::vector<std::string> SearchLogLines(const SearchOutcome& search) {
  std::vector<std::string> lines;
  for (const PortTry& t : search.tries) {
    if (t.notAPort) {
      lines.push_back(RefusalLine(t.address, kNotAPortReason));
    } else if (!t.opened) {
      lines.push_back(RefusalLine(t.address, t.refusal));
    } else {
      for (const PortTry::Echo& echo : t.loopback) lines.push_back(EchoLine(t.address, echo));
    }
  }
  for (const SpeedMeasurement& m : search.measurements) {
    for (int i = 0; i < m.attempts; ++i) {
      lines.push_back(kCheckingSpeedLine);
      lines.push_back(kSettingPulseLine);
    }
    if (!m.measured) lines.push_back(kSpeedNotMeasuredLine);
  }
  return lines;
}

std::string FoundAtText(uint16_t base) {
  return "The Quillbox was Found at " + HexText(base, 4);
}

std::string UnstableLine(const UnstableCell& cell) {
  std::string line = HexText(cell.deviceAddr, 4) + "  reads";
  for (uint8_t value : cell.reads) line += " " + HexText(value, 2);
  std::string bits;
  int count = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if ((cell.changed >> bit & 1) == 0) continue;
    bits += (count++ == 0 ? "" : ", ") + std::to_string(bit);
  }
  return line + (count == 1 ? "  bit " : "  bits ") + bits + " unstable";
}

std::string UnstableSummary(const RepeatedReadsOutcome& reads) {
  const size_t count = reads.unstable.size();
  std::string line = std::to_string(count) + (count == 1 ? " byte" : " bytes") + " unstable in " +
                     std::to_string(reads.bytes);
  std::string bits;
  for (size_t bit = 0; bit < reads.bitCounts.size(); ++bit) {
    if (reads.bitCounts[bit] == 0) continue;
    // An ASCII x, not a multiplication sign: the line must read the same in any locale
    // and in the memo's fixed-pitch face.
    bits += (bits.empty() ? "" : ", ") + std::string("D") + std::to_string(bit) + " x" +
            std::to_string(reads.bitCounts[bit]);
  }
  return bits.empty() ? line : line + "; bits: " + bits;
}

}  // namespace tarnwick
