#include "extract/presets.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Presets, TheStubsOwnBlockHoldsTheMarkerAndTheVersionAndNoPresets) {
  PresetBlock block = EmptyPresetBlock();
  EXPECT_EQ(memcmp(block.data(), "kvx-sfx presets", 16), 0);
  EXPECT_EQ(block[PresetVersionAt], PresetVersion);
  Presets presets = ReadPresets(block.data());
  EXPECT_EQ(presets.title, "");
  EXPECT_EQ(presets.folder, "");
}

TEST(Presets, WrittenPresetsReadBackAndTheMarkerStays) {
  PresetBlock block = EmptyPresetBlock();
  WritePresets(block.data(), {"Setup f\xC3\xBCr Quorvane", "%USERPROFILE%\\Quorvane"});
  Presets presets = ReadPresets(block.data());
  EXPECT_EQ(presets.title, "Setup f\xC3\xBCr Quorvane");
  EXPECT_EQ(presets.folder, "%USERPROFILE%\\Quorvane");
  EXPECT_EQ(memcmp(block.data(), EmptyPresetBlock().data(), PresetTitleAt), 0);
}

TEST(Presets, AShorterTextLeavesNothingOfALongerOneBehind) {
  PresetBlock block = EmptyPresetBlock();
  WritePresets(block.data(), {"a long title", "C:\\a\\long\\path"});
  WritePresets(block.data(), {"short", ""});
  EXPECT_EQ(ReadPresets(block.data()).title, "short");
  EXPECT_EQ(ReadPresets(block.data()).folder, "");
  EXPECT_EQ(block[PresetTitleAt + 6], 0);
}

TEST(Presets, ABlockOfAnotherVersionHoldsNoneThisProgramReads) {
  PresetBlock block = EmptyPresetBlock();
  WritePresets(block.data(), {"title", "folder"});
  block[PresetVersionAt] = PresetVersion + 1;
  EXPECT_EQ(ReadPresets(block.data()).title, "");
  EXPECT_EQ(ReadPresets(block.data()).folder, "");
}

TEST(Presets, AFieldWithoutItsTerminatorEndsWhereTheFieldDoes) {
  PresetBlock block = EmptyPresetBlock();
  memset(block.data() + PresetTitleAt, 'T', PresetTitleSize);
  EXPECT_EQ(ReadPresets(block.data()).title, std::string(PresetTitleSize, 'T'));
  EXPECT_EQ(ReadPresets(block.data()).folder, "");
}

TEST(Presets, NothingIsWrittenBeyondAField) {
  PresetBlock block = EmptyPresetBlock();
  WritePresets(block.data(), {std::string(PresetTitleSize + 10, 'T'), ""});
  EXPECT_EQ(ReadPresets(block.data()).title, std::string(PresetTitleSize - 1, 'T'));
  EXPECT_EQ(block[PresetPathAt], 0);
}
