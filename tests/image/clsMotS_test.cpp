#include "image/clsMotS.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int32_t kWindowK = 524288;

TEST(ImageStore, NewStoreIsEmptyAndReadsFill) {
  clsMotS store(kWindowK);
  EXPECT_EQ(store.Length(), 0);
  EXPECT_EQ(store.LowAddress(), -1);
  EXPECT_EQ(store.HighAddress(), -1);
  EXPECT_EQ(store.ByteAt(0), 255);
  EXPECT_TRUE(store.IsBlank(0, 128));
  EXPECT_EQ(store.Sum16(0, 524287), 0);        // 524,288 x 255 mod 65536
  EXPECT_EQ(store.Sum16(0, 127), 0x7F80);      // 128 x 255
  EXPECT_EQ(store.Sum16(0xFFFF, 0), 0);        // empty range
  EXPECT_EQ(store.Sum16(0, INT32_MAX), 0);     // 2^31 x 255, computed without a loop
  EXPECT_EQ(store.Sum16(INT32_MAX - 1, INT32_MAX), 510);
}

TEST(ImageStore, RunBelowWindowSlidesWindowDown) {
  clsMotS store(kWindowK);
  unsigned char* p = store.Reserve(0x7000, 16);
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < 16; ++i) p[i] = static_cast<unsigned char>(i);

  unsigned char* q = store.Reserve(0x6000, 16);
  ASSERT_NE(q, nullptr);
  for (int i = 0; i < 16; ++i) q[i] = static_cast<unsigned char>(0xA0 + i);

  EXPECT_EQ(store.LowAddress(), 0x6000);
  EXPECT_EQ(store.HighAddress(), 0x700F);
  EXPECT_EQ(store.Length(), 0x1010);
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(store.ByteAt(0x7000 + i), i);
    EXPECT_EQ(store.ByteAt(0x6000 + i), 0xA0 + i);
  }
  EXPECT_TRUE(store.IsBlank(0x6010, 0x7000 - 0x6010));
  EXPECT_EQ(store.ByteAt(0x5FFF), 255);
  EXPECT_EQ(store.ByteAt(0x7010), 255);
}

// The window starts at the first run, so runs above it up to one window from
// there are placed where they lie, without moving anything.
TEST(ImageStore, RunsAboveFillWindowInPlace) {
  clsMotS store(256);
  unsigned char* p = store.Reserve(0, 16);
  ASSERT_NE(p, nullptr);
  std::memset(p, 0x11, 16);
  unsigned char* q = store.Reserve(200, 56);
  ASSERT_EQ(q, p + 200);
  std::memset(q, 0x22, 56);
  EXPECT_EQ(store.LowAddress(), 0);
  EXPECT_EQ(store.HighAddress(), 255);
  EXPECT_EQ(store.Reserve(256, 1), nullptr);  // 257 bytes would not fit
  EXPECT_EQ(store.Reserve(300, 1), nullptr);
  EXPECT_EQ(store.HighAddress(), 255);
  for (int a = 0; a < 16; ++a) EXPECT_EQ(store.ByteAt(a), 0x11) << a;
  EXPECT_TRUE(store.IsBlank(16, 200 - 16));
  for (int a = 200; a < 256; ++a) EXPECT_EQ(store.ByteAt(a), 0x22) << a;
}

// Random runs against a plain map of what was written: after every Reserve,
// accepted or refused, every address reads as the model says.
TEST(ImageStore, RandomRunsMatchModel) {
  constexpr int32_t kWindow = 64;
  std::mt19937 rng(12345);
  for (int round = 0; round < 20; ++round) {
    clsMotS store(kWindow);
    std::map<int32_t, unsigned char> written;
    int32_t low = -1, high = -1;
    for (int op = 0; op < 60; ++op) {
      const int32_t address = static_cast<int32_t>(rng() % 200);
      const int32_t n = 1 + static_cast<int32_t>(rng() % 24);
      const int32_t last = address + n - 1;
      const int32_t newLow = low < 0 ? address : std::min(low, address);
      const int32_t newHigh = high < 0 ? last : std::max(high, last);
      const bool fits = newHigh - newLow + 1 <= kWindow;

      unsigned char* p = store.Reserve(address, n);
      ASSERT_EQ(p != nullptr, fits) << "round " << round << " op " << op;
      if (p != nullptr) {
        low = newLow;
        high = newHigh;
        for (int32_t i = 0; i < n; ++i) {
          p[i] = static_cast<unsigned char>(rng() % 255);  // never the fill byte
          written[address + i] = p[i];
        }
      }
      ASSERT_EQ(store.LowAddress(), low);
      ASSERT_EQ(store.HighAddress(), high);
      for (int32_t a = 0; a < 230; ++a) {
        const auto it = written.find(a);
        ASSERT_EQ(store.ByteAt(a), it == written.end() ? 255 : it->second)
            << "round " << round << " op " << op << " address " << a;
      }
    }
  }
}

TEST(ImageStore, ReserveRefusals) {
  struct Case {
    const char* what;
    int32_t heldAddress, heldCount;  // held before (count 0: empty store)
    int32_t address, count;
    bool placed;
  };
  const Case cases[] = {
      {"span of one byte more than the window", 0, 16, 524288, 1, false},
      {"span of exactly the window", 0, 16, 524287, 1, true},
      {"whole window on an empty store", 0, 0, 1, 524288, true},
      {"more than the window on an empty store", 0, 0, 0, 524289, false},
      {"negative address", 0, 0, -1, 1, false},
      {"zero count", 0, 0, 0, 0, false},
      {"negative count", 0, 0, 0, -5, false},
      {"last byte of the address space", 0, 0, INT32_MAX, 1, true},
      {"run past the address space", 0, 0, INT32_MAX, 2, false},
      {"long run past the address space", 0, 0, INT32_MAX - 10, 100, false},
      {"run past the address space next to held bytes", INT32_MAX - 3, 2, INT32_MAX - 1, 2, true},
      {"held near the top, run past it", INT32_MAX - 3, 2, INT32_MAX - 1, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clsMotS store(kWindowK);
    if (c.heldCount > 0) {
      unsigned char* p = store.Reserve(c.heldAddress, c.heldCount);
      ASSERT_NE(p, nullptr);
      std::memset(p, 0x5A, static_cast<size_t>(c.heldCount));
    }
    const int32_t low = store.LowAddress(), high = store.HighAddress();
    unsigned char* p = store.Reserve(c.address, c.count);
    EXPECT_EQ(p != nullptr, c.placed);
    if (p == nullptr) {
      EXPECT_EQ(store.LowAddress(), low);
      EXPECT_EQ(store.HighAddress(), high);
      if (c.heldCount > 0) {
        EXPECT_EQ(store.ByteAt(c.heldAddress), 0x5A);
      }
    }
  }
}

TEST(ImageStore, ReadsAtTopOfAddressSpace) {
  clsMotS store(16);
  unsigned char* p = store.Reserve(INT32_MAX - 1, 2);
  ASSERT_NE(p, nullptr);
  p[0] = 0x01;
  p[1] = 0x02;
  unsigned char buffer[4] = {0, 0, 0, 0};
  EXPECT_EQ(store.CopyOut(INT32_MAX - 1, 4, buffer), 4);
  const unsigned char expected[4] = {0x01, 0x02, 0xFF, 0xFF};
  EXPECT_EQ(0, std::memcmp(buffer, expected, 4));
  EXPECT_FALSE(store.IsBlank(INT32_MAX - 1, 8));
  EXPECT_TRUE(store.IsBlank(INT32_MAX, 0));
  EXPECT_EQ(store.Sum16(INT32_MAX - 3, INT32_MAX), 255 + 255 + 1 + 2);
}

TEST(ImageStore, ReadsAcrossHeldRange) {
  clsMotS store(1024);
  unsigned char* p = store.Reserve(0x100, 4);
  ASSERT_NE(p, nullptr);
  const unsigned char data[4] = {0x00, 0x10, 0xFF, 0x20};
  std::memcpy(p, data, 4);

  unsigned char buffer[8];
  EXPECT_EQ(store.CopyOut(0xFE, 8, buffer), 8);
  const unsigned char expected[8] = {0xFF, 0xFF, 0x00, 0x10, 0xFF, 0x20, 0xFF, 0xFF};
  EXPECT_EQ(0, std::memcmp(buffer, expected, 8));
  EXPECT_EQ(store.CopyOut(0x100, -1, buffer), 0);

  EXPECT_TRUE(store.IsBlank(0x102, 1));   // a held byte that equals the fill byte
  EXPECT_FALSE(store.IsBlank(0xF0, 128));
  EXPECT_TRUE(store.IsBlank(0x104, 128));
  EXPECT_TRUE(store.IsBlank(0x100, -3));
  // 0..0x1FF: 508 fill bytes plus the four held ones.
  EXPECT_EQ(store.Sum16(0, 0x1FF), (508 * 255 + 0x00 + 0x10 + 0xFF + 0x20) & 0xFFFF);
  EXPECT_EQ(store.Sum16(0x101, 0x103), 0x10 + 0xFF + 0x20);
}

TEST(ImageStore, ClearForgetsEverything) {
  clsMotS store(256);
  std::memset(store.Reserve(0x40, 32), 0x00, 32);
  store.Clear(255);
  EXPECT_EQ(store.Length(), 0);
  EXPECT_EQ(store.LowAddress(), -1);
  EXPECT_EQ(store.ByteAt(0x40), 255);
  // A run reserved afterwards at another base sees no stale bytes.
  ASSERT_NE(store.Reserve(0x20, 1), nullptr);
  ASSERT_NE(store.Reserve(0x20 + 255, 1), nullptr);
  EXPECT_TRUE(store.IsBlank(0x20, 256));

  store.Clear(0x00);
  EXPECT_EQ(store.ByteAt(0x40), 0x00);
  EXPECT_EQ(store.Sum16(0, 127), 0);
}

TEST(ImageStore, StoreWithoutWindowHoldsNothing) {
  clsMotS store(0);
  EXPECT_EQ(store.Reserve(0, 1), nullptr);
  EXPECT_EQ(store.ByteAt(0), 255);
  EXPECT_EQ(store.Length(), 0);
}

}  // namespace
