#include "image/BuiltinImages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/ScrambleKey.h"

namespace {

std::vector<unsigned char> Pattern(size_t n) {
  std::vector<unsigned char> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 37 + 11);
  return v;
}

TEST(Descramble, TwiceGivesTheBytesBack) {
  const std::vector<unsigned char> plain = Pattern(1000);
  std::vector<unsigned char> bytes = plain;
  Descramble(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_NE(bytes, plain);
  Descramble(bytes.data(), static_cast<int32_t>(bytes.size()));
  EXPECT_EQ(bytes, plain);
}

TEST(Descramble, NoCountChangesNothing) {
  const std::vector<unsigned char> plain = Pattern(8);
  for (int32_t count : {0, -1}) {
    std::vector<unsigned char> bytes = plain;
    Descramble(bytes.data(), count);
    EXPECT_EQ(bytes, plain) << count;
  }
  Descramble(nullptr, 5);  // no bytes: nothing to do, no crash
}

// The value XORed into byte i is the sum of key entries 0..i taken cyclically:
// consecutive values differ by the next key entry, whatever the data.
TEST(Descramble, KeyStreamIsRunningSumOfKey) {
  std::vector<unsigned char> zeros(3 * scramble::kKeyLength + 5, 0x00);
  Descramble(zeros.data(), static_cast<int32_t>(zeros.size()));
  EXPECT_EQ(zeros[0], scramble::kKey[0]);
  for (size_t i = 1; i < zeros.size(); ++i) {
    EXPECT_EQ(static_cast<unsigned char>(zeros[i] - zeros[i - 1]), scramble::kKey[i % scramble::kKeyLength])
        << i;
  }
  std::vector<unsigned char> ones(zeros.size(), 0xAA);
  Descramble(ones.data(), static_cast<int32_t>(ones.size()));
  for (size_t i = 0; i < ones.size(); ++i) EXPECT_EQ(ones[i], zeros[i] ^ 0xAA) << i;
}

TEST(Descramble, PrefixDoesNotDependOnWhatFollows) {
  const std::vector<unsigned char> plain = Pattern(200);
  std::vector<unsigned char> whole = plain;
  Descramble(whole.data(), 200);
  for (int32_t n : {1, 26, 27, 28, 199}) {
    std::vector<unsigned char> prefix = plain;
    Descramble(prefix.data(), n);
    EXPECT_EQ(0, std::memcmp(prefix.data(), whole.data(), static_cast<size_t>(n))) << n;
    EXPECT_EQ(0, std::memcmp(prefix.data() + n, plain.data() + n, static_cast<size_t>(200 - n))) << n;
  }
}

TEST(PlaceBuiltinImage, ReservesCopiesAndDescrambles) {
  const std::vector<unsigned char> plain = Pattern(300);
  std::vector<unsigned char> stored = plain;
  Descramble(stored.data(), 300);  // the stored form
  const BuiltinImage image = {0x1000, 0x1000 + 299, stored.data()};

  clsMotS store(1024);
  ASSERT_TRUE(PlaceBuiltinImage(store, image));
  EXPECT_EQ(store.LowAddress(), 0x1000);
  EXPECT_EQ(store.HighAddress(), 0x1000 + 299);
  std::vector<unsigned char> out(300);
  store.CopyOut(0x1000, 300, out.data());
  EXPECT_EQ(out, plain);
  EXPECT_EQ(store.ByteAt(0x0FFF), 255);
  EXPECT_EQ(store.ByteAt(0x1000 + 300), 255);
}

TEST(PlaceBuiltinImage, UnusableRecordsLeaveStoreEmpty) {
  static const unsigned char bytes[32] = {};
  struct Case {
    const char* what;
    BuiltinImage image;
  };
  const Case cases[] = {
      {"larger than the window", {0x1000, 0x1000 + 16, bytes}},
      {"no bytes", {0x1000, 0x1003, nullptr}},
      {"last below first", {0x1000, 0x0FFF, bytes}},
      {"negative first", {-4, 3, bytes}},
  };
  for (const Case& c : cases) {
    clsMotS store(16);
    EXPECT_FALSE(PlaceBuiltinImage(store, c.image)) << c.what;
    EXPECT_EQ(store.Length(), 0) << c.what;
  }
}

TEST(PlaceBuiltinImages, WriterIsOptional) {
  std::vector<unsigned char> writerBytes = Pattern(10), romBytes = Pattern(20);
  const std::vector<unsigned char> writerPlain = writerBytes, romPlain = romBytes;
  Descramble(writerBytes.data(), 10);
  Descramble(romBytes.data(), 20);
  const BuiltinImage writer = {0xFFC000, 0xFFC009, writerBytes.data()};
  const BuiltinImage rom = {0x7000, 0x7013, romBytes.data()};

  clsMotS w1(64), r1(64);
  PlaceBuiltinImages(w1, r1, &writer, rom);
  EXPECT_EQ(w1.LowAddress(), 0xFFC000);
  EXPECT_EQ(w1.Length(), 10);
  EXPECT_EQ(w1.ByteAt(0xFFC009), writerPlain[9]);
  EXPECT_EQ(r1.LowAddress(), 0x7000);
  EXPECT_EQ(r1.ByteAt(0x7013), romPlain[19]);

  clsMotS w2(64), r2(64);
  PlaceBuiltinImages(w2, r2, nullptr, rom);
  EXPECT_EQ(w2.Length(), 0);
  EXPECT_EQ(r2.Length(), 20);
}

}  // namespace
