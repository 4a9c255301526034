// What a publisher set for an exe with mksfx (--title, --path): the block of PresetBlockSize
// bytes that the stub carries in its image (format.h gives its layout) and mksfx fills in.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "extract/format.h"

struct Presets {
  std::string title;   // the main dialog's caption; empty: the program's own
  std::string folder;  // the folder it offers, %NAME% references unexpanded; empty: none
};

using PresetBlock = std::array<uint8_t, PresetBlockSize>;

// The block as the stub is built with it: the marker and the version, and no presets.
constexpr PresetBlock EmptyPresetBlock() {
  PresetBlock block{};
  for (uint32_t i = 0; i < sizeof PresetMarker; i++) block[i] = static_cast<uint8_t>(PresetMarker[i]);
  for (uint32_t i = 0; i < 4; i++) block[PresetVersionAt + i] = static_cast<uint8_t>(PresetVersion >> (8 * i));
  return block;
}

// The presets a block holds; none when it is of another version.
Presets ReadPresets(const uint8_t* block);
// Writes the presets into the block, keeping its marker and version. Each text must fit its
// field (mksfx refuses one that does not); more is never copied.
void WritePresets(uint8_t* block, const Presets& presets);
