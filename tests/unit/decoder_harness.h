// Decodes one entry the way an extraction run does: position at the data, check the password
// for an encrypted entry, set the register and the remaining count, run the entry's decoder.
#pragma once

#include <string>

#include "tests/unit/test_support.h"

class DecoderTest : public EngineTest {
 protected:
  struct Decoded {
    Bytes output;
    uint32_t crc;      // the entry's computed CRC-32, the register already inverted
    bool verifies;     // equal to the header's crc32
  };
  // Decodes the named entry of the open archive into a scratch file.
  Decoded Decode(const std::string& name, const std::string& password = "");
  // Runs the decoder for the entry at the archive's current position, sfx.header being set.
  Decoded RunDecoder(int32_t remaining);
};
