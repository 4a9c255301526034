#include "extract/extra_field.h"

#include <gtest/gtest.h>

#include <vector>

using Bytes = std::vector<uint8_t>;

// Info-ZIP's extended timestamp (UT, 5 bytes) and Unix owner field (ux, 11 bytes), then a ZIP64
// field with two sizes, as a local header written from standard input carries them.
static const Bytes ThreeFields = {
    0x55, 0x54, 5, 0, 1, 2, 3, 4, 5,
    0x75, 0x78, 11, 0, 1, 4, 0, 0, 0, 0, 4, 0, 0, 0, 0,
    0x01, 0x00, 16, 0, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};

TEST(ExtraFieldTest, AFieldBehindOthersIsFoundWithItsSize) {
  uint16_t size = 0;
  const uint8_t* data = FindExtraField(ThreeFields.data(), static_cast<uint32_t>(ThreeFields.size()), 0x0001, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data, ThreeFields.data() + 28);
  EXPECT_EQ(size, 16u);
}

TEST(ExtraFieldTest, TheFirstFieldIsFound) {
  uint16_t size = 0;
  EXPECT_EQ(FindExtraField(ThreeFields.data(), static_cast<uint32_t>(ThreeFields.size()), 0x5455, &size),
            ThreeFields.data() + 4);
  EXPECT_EQ(size, 5u);
}

TEST(ExtraFieldTest, AnAbsentFieldIsNotFound) {
  uint16_t size = 7;
  EXPECT_EQ(FindExtraField(ThreeFields.data(), static_cast<uint32_t>(ThreeFields.size()), 0x7075, &size), nullptr);
  EXPECT_EQ(size, 7u);
}

TEST(ExtraFieldTest, AFieldWhoseDataRunsPastTheEndIsNotBelieved) {
  uint16_t size = 0;
  // The ZIP64 field cut one byte short.
  EXPECT_EQ(FindExtraField(ThreeFields.data(), static_cast<uint32_t>(ThreeFields.size()) - 1, 0x0001, &size), nullptr);
  // A size that overruns hides every field behind it.
  Bytes lying = ThreeFields;
  lying[2] = 200;
  EXPECT_EQ(FindExtraField(lying.data(), static_cast<uint32_t>(lying.size()), 0x0001, &size), nullptr);
}

TEST(ExtraFieldTest, AnEmptyFieldAndTrailingBytesAreHandled) {
  const Bytes bytes = {0x01, 0x00, 0, 0, 0xAA, 0xBB};  // an empty ZIP64 field, then two stray bytes
  uint16_t size = 9;
  EXPECT_EQ(FindExtraField(bytes.data(), 6, 0x0001, &size), bytes.data() + 4);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(FindExtraField(bytes.data(), 6, 0xBBAA, &size), nullptr);
  EXPECT_EQ(FindExtraField(bytes.data(), 0, 0x0001, &size), nullptr);
}
