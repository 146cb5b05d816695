// The Ascii Hex reader on any file text and load parameters.
#include "formats/ascii_hex.h"
#include "fuzz/reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tarnwick::fuzz::FuzzReader(data, size, tarnwick::ReadAsciiHex);
}
