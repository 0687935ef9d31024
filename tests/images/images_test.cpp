// The built-in images of the variant linked in, placed as at start.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "image/BuiltinImages.h"
#include "profiles/profile.h"

namespace {

constexpr int32_t kBlock = 128;

struct ImageRange {
  int32_t first, last, length;
};

struct VariantImages {
  char variant;
  bool hasWriter;
  ImageRange writer;
  ImageRange rom;
};

const VariantImages kVariants[] = {
    {'K', true, {0xFFC000, 0xFFC97D, 2430}, {0x7000, 0x7FFFF, 495616}},
    {'M', false, {-1, -1, 0}, {0x10000, 0x354BF, 152768}},
};

const VariantImages& Expected() {
  for (const VariantImages& v : kVariants) {
    if (v.variant == Profile().variant) return v;
  }
  ADD_FAILURE() << "unknown variant " << Profile().variant;
  return kVariants[0];
}

class BuiltinImages : public ::testing::Test {
 protected:
  BuiltinImages() : m_writer(Profile().imageWindowSize), m_rom(Profile().imageWindowSize) {
    PlaceBuiltinImages(m_writer, m_rom, ProfileFlashWriterImage(), ProfileRomImage());
  }
  clsMotS m_writer;
  clsMotS m_rom;
};

void ExpectRange(const clsMotS& store, const ImageRange& range) {
  EXPECT_EQ(store.LowAddress(), range.first);
  EXPECT_EQ(store.HighAddress(), range.last);
  EXPECT_EQ(store.Length(), range.length);
  if (range.length > 0) {
    EXPECT_EQ(store.ByteAt(range.first - 1), 255);
    EXPECT_EQ(store.ByteAt(range.last + 1), 255);
  }
}

TEST_F(BuiltinImages, PlacedAtTheirRanges) {
  const VariantImages& v = Expected();
  EXPECT_EQ(ProfileFlashWriterImage() != nullptr, v.hasWriter);
  SCOPED_TRACE("flash writer");
  ExpectRange(m_writer, v.writer);
  SCOPED_TRACE("ROM");
  ExpectRange(m_rom, v.rom);
  EXPECT_GT(m_rom.LowAddress(), Profile().romLowAddressAbove);
}

// Every 128-byte block of a store from LowAddress rounded down, as the ROM
// write walks them: blank ones are passed over, the others must carry every
// byte that needs escaping and must not be all 255.
struct BlockCensus {
  int32_t blocks = 0;
  int32_t blank = 0;
  int32_t blankRuns = 0;
  int32_t blocksMissingEscapes = 0;
};

BlockCensus Census(const clsMotS& store) {
  BlockCensus c;
  bool previousBlank = false;
  for (int32_t a = store.LowAddress() / kBlock * kBlock; a <= store.HighAddress(); a += kBlock) {
    ++c.blocks;
    if (store.IsBlank(a, kBlock)) {
      ++c.blank;
      if (!previousBlank) ++c.blankRuns;
      previousBlank = true;
      continue;
    }
    previousBlank = false;
    bool seen[6] = {};
    for (int32_t i = 0; i < kBlock; ++i) {
      const unsigned char b = store.ByteAt(a + i);
      if (b >= 0xFA) seen[b - 0xFA] = true;
    }
    for (bool s : seen) {
      if (!s) {
        ++c.blocksMissingEscapes;
        break;
      }
    }
  }
  return c;
}

TEST_F(BuiltinImages, RomBlocksExerciseEveryEscapeAndAboutAQuarterAreBlank) {
  if (FLASH_REAL_ROM) GTEST_SKIP() << "a real firmware image is embedded";
  const BlockCensus c = Census(m_rom);
  EXPECT_EQ(c.blocks, (Expected().rom.length + kBlock - 1) / kBlock);
  EXPECT_EQ(c.blocksMissingEscapes, 0);
  const double fraction = static_cast<double>(c.blank) / c.blocks;
  EXPECT_GT(fraction, 0.20);
  EXPECT_LT(fraction, 0.30);
  EXPECT_LT(c.blankRuns, c.blank);  // blank blocks come in runs, not all alone
  EXPECT_FALSE(m_rom.IsBlank(m_rom.LowAddress(), kBlock));
  EXPECT_FALSE(m_rom.IsBlank(m_rom.HighAddress() / kBlock * kBlock, kBlock));
}

TEST_F(BuiltinImages, WriterBlocksExerciseEveryEscape) {
  if (!Expected().hasWriter) {
    EXPECT_EQ(m_writer.Length(), 0);  // nothing to upload in this variant
    return;
  }
  if (FLASH_REAL_WRITER) GTEST_SKIP() << "a real flash writer is embedded";
  const BlockCensus c = Census(m_writer);
  EXPECT_EQ(c.blank, 0);
  EXPECT_EQ(c.blocksMissingEscapes, 0);
}

TEST_F(BuiltinImages, ReportsImageSum) {
  const uint16_t sum = m_rom.Sum16(Profile().sumFirst, Profile().sumLast);
  char text[64];
  std::snprintf(text, sizeof text, "Sum=$%04X", sum);
  RecordProperty("image_sum", text);
  std::printf("variant %c ROM image sum over 0x%X..0x%X: %s\n", Profile().variant, Profile().sumFirst,
              Profile().sumLast, text);
  // Placing again into fresh stores gives the same image, so the sum is stable.
  clsMotS writer(Profile().imageWindowSize), rom(Profile().imageWindowSize);
  PlaceBuiltinImages(writer, rom, ProfileFlashWriterImage(), ProfileRomImage());
  EXPECT_EQ(rom.Sum16(Profile().sumFirst, Profile().sumLast), sum);
}

}  // namespace
