// The Motorola S-record reader on any file text and load parameters.
#include "formats/motorola_hex.h"
#include "fuzz/reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return tarnwick::fuzz::FuzzReader(data, size, tarnwick::ReadMotorolaHex);
}
