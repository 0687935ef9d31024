#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "comm/cmcBuff.h"
#include "platform/hooks.h"
#include "toolkit/AppWindow.h"

namespace {

std::vector<unsigned char> Pattern(int n) {
  std::vector<unsigned char> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<unsigned char>(i * 7 % 251 + 1);
  return v;
}

std::vector<unsigned char> Held(const cmcBuff& q) { return std::vector<unsigned char>(q.Data(), q.Data() + q.Count()); }

TEST(ByteQueue, NewQueueIsEmptyAndPopFrontAnswersMinusOne) {
  cmcBuff q;
  EXPECT_EQ(0, q.Count());
  EXPECT_EQ(1, q.Capacity());
  EXPECT_EQ(-1, q.PopFront());
  EXPECT_EQ(0, q.Count());
  EXPECT_EQ(1, q.Capacity());
}

TEST(ByteQueue, GrowsByTheRequestedSizePlusAQuarterOfWhatWasHeld) {
  struct Step {
    const char* what;
    int append;  // bytes appended, or -1 for "Resize to resize"
    int resize;
    int count;
    int capacity;
  };
  const Step steps[] = {
      {"3 into a new queue", 3, 0, 3, 3},        // 3 + 0/4
      {"1 more", 1, 0, 4, 4},                    // 4 + 3/4
      {"drop to 0", -1, 0, 0, 4},                // shrinking keeps the block
      {"resize to 8 from empty", -1, 8, 8, 8},   // 8 + 0/4
      {"4 more onto 8 held", 4, 0, 12, 14},      // 12 + 8/4
      {"fits in the capacity", 2, 0, 14, 14},
  };
  cmcBuff q;
  std::vector<unsigned char> expect;
  const std::vector<unsigned char> src = Pattern(16);
  for (const Step& s : steps) {
    if (s.append >= 0) {
      q.Append(src.data(), s.append);
      expect.insert(expect.end(), src.begin(), src.begin() + s.append);
    } else {
      EXPECT_EQ(s.resize, q.Resize(s.resize)) << s.what;
      expect.resize(static_cast<size_t>(s.resize), 0);
    }
    EXPECT_EQ(s.count, q.Count()) << s.what;
    EXPECT_EQ(s.capacity, q.Capacity()) << s.what;
    EXPECT_EQ(expect, Held(q)) << s.what;
  }
}

TEST(ByteQueue, GrowthByReallocationIsZeroFilledButGrowthWithinTheCapacityIsNot) {
  cmcBuff q;
  const std::vector<unsigned char> stale(8, 0xAA);
  q.Resize(8);  // a block of exactly 8
  q.Assign(stale.data(), 8);
  ASSERT_EQ(8, q.Capacity());

  q.Resize(4);
  q.Resize(8);  // within the capacity: the old bytes show again
  EXPECT_EQ(stale, Held(q));

  unsigned char* before = q.Data();
  q.Resize(10);  // beyond it: reallocated, the held bytes kept, the rest zero
  EXPECT_NE(before, q.Data());
  EXPECT_EQ(12, q.Capacity());  // 10 + 8/4
  q.Resize(12);
  std::vector<unsigned char> expect(stale);
  expect.resize(12, 0);
  EXPECT_EQ(expect, Held(q));
}

TEST(ByteQueue, ResizeToZeroKeepsTheBlockForLaterAppends) {
  cmcBuff q;
  const std::vector<unsigned char> src = Pattern(20);
  q.Append(src.data(), 20);
  unsigned char* block = q.Data();
  const int32_t capacity = q.Capacity();
  EXPECT_EQ(0, q.Resize(0));
  q.Append(src.data() + 5, 10);
  EXPECT_EQ(block, q.Data());
  EXPECT_EQ(capacity, q.Capacity());
  EXPECT_EQ(std::vector<unsigned char>(src.begin() + 5, src.begin() + 15), Held(q));
}

TEST(ByteQueue, ClearReleasesGrownStorage) {
  cmcBuff q;
  const std::vector<unsigned char> src = Pattern(100);
  q.Append(src.data(), 100);
  q.PopFront();
  EXPECT_EQ(&q, &q.Clear());
  EXPECT_EQ(0, q.Count());
  EXPECT_EQ(1, q.Capacity());
  q.Append(src.data(), 2);
  EXPECT_EQ(std::vector<unsigned char>(src.begin(), src.begin() + 2), Held(q));
}

TEST(ByteQueue, PopFrontTakesBytesInOrderAsUnsignedValues) {
  cmcBuff q;
  const unsigned char bytes[] = {0x00, 0xFF, 0x80, 0x7F};
  q.Append(bytes, 4);
  for (unsigned char b : bytes) EXPECT_EQ(b, q.PopFront());
  EXPECT_EQ(-1, q.PopFront());
}

// Popping only advances the head until more than 4096 consumed bytes lie
// ahead of it; the pop that makes it 4097 compacts to max(remaining, 1).
TEST(ByteQueue, CompactsOnThe4097thPopAndNotBefore) {
  for (int total : {5000, 4097}) {
    SCOPED_TRACE(total);
    cmcBuff q;
    const std::vector<unsigned char> src = Pattern(total);
    q.Append(src.data(), total);
    unsigned char* start = q.Data();
    for (int i = 0; i < 4096; ++i) {
      ASSERT_EQ(src[static_cast<size_t>(i)], q.PopFront());
      ASSERT_EQ(start + i + 1, q.Data()) << "compacted early after pop " << i + 1;
    }
    EXPECT_EQ(total - 4096, q.Capacity());
    EXPECT_EQ(src[4096], q.PopFront());
    const int remaining = total - 4097;
    EXPECT_EQ(remaining, q.Count());
    EXPECT_EQ(remaining > 1 ? remaining : 1, q.Capacity());
    EXPECT_EQ(std::vector<unsigned char>(src.begin() + 4097, src.end()), Held(q));
    if (remaining > 0) {
      EXPECT_NE(start + 4097, q.Data());
    }
  }
}

TEST(ByteQueue, AssignFromInsideKeepsTheFormerTailInOrder) {
  cmcBuff q;
  const std::vector<unsigned char> src = Pattern(50);
  q.Append(src.data(), 50);
  unsigned char* block = q.Data();
  q.Assign(q.Data() + 10, q.Count() - 10);
  EXPECT_EQ(block, q.Data());
  EXPECT_EQ(std::vector<unsigned char>(src.begin() + 10, src.end()), Held(q));
}

TEST(ByteQueue, AppendOfItsOwnBytesSurvivesTheReallocation) {
  cmcBuff q;
  const std::vector<unsigned char> src = Pattern(24);
  q.Append(src.data(), 24);
  ASSERT_EQ(24, q.Capacity());
  q.Append(q.Data(), q.Count());  // needs a larger block
  std::vector<unsigned char> expect(src);
  expect.insert(expect.end(), src.begin(), src.end());
  EXPECT_EQ(expect, Held(q));
}

TEST(ByteQueue, NegativeCountsChangeNothing) {
  cmcBuff q;
  const std::vector<unsigned char> src = Pattern(6);
  q.Append(src.data(), 6);
  EXPECT_EQ(6, q.Resize(-1));
  q.Append(src.data(), -5);
  q.Assign(src.data(), -5);
  EXPECT_EQ(src, Held(q));
  EXPECT_EQ(6, q.Capacity());
}

TEST(ByteQueue, AtAddressesTheHeldBytesFromTheHead) {
  cmcBuff q;
  const std::vector<unsigned char> src = Pattern(5);
  q.Append(src.data(), 5);
  q.PopFront();
  EXPECT_EQ(q.Data(), q.At(0));
  EXPECT_EQ(src[4], *q.At(3));
  *q.At(1) = 0x5A;
  EXPECT_EQ(0x5A, q.Data()[1]);
}

// Runs in the child of a death test: shows message boxes through a handler
// that prints what it was given, then asks a queue of `fill` bytes for an
// out-of-range index, which must abort.
void IndexOutOfRange(const char* exePath, int fill, int index) {
  platform::SetMessageBoxHandler([](HWND owner, const char* text, const char* caption, UINT type) {
    std::fprintf(stderr, "box owner=%p text=[%s] caption=[%s] type=%u\n", owner, text, caption, type);
    return IDOK;
  });
  SetToolkitApplicationHandle(reinterpret_cast<HWND>(0x1234));
  platform::SetModuleFileName(exePath);
  cmcBuff q;
  const unsigned char bytes[3] = {1, 2, 3};
  q.Append(bytes, fill);
  q.At(index);
  std::fprintf(stderr, "At returned\n");
}

TEST(ByteQueueDeathTest, AtOutsideTheHeldBytesShowsTheBoxAndAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    int fill;
    int index;
  };
  for (Case c : {Case{3, 3}, Case{3, -1}, Case{0, 0}, Case{3, 1000}}) {
    SCOPED_TRACE(testing::Message() << c.fill << " held, index " << c.index);
    EXPECT_EXIT(IndexOutOfRange("/opt/radio tools/flash-k", c.fill, c.index), testing::KilledBySignal(SIGABRT),
                "box owner=0x1234 text=\\[Out of cmcBuff element !\\] caption=\\[flash-k\\] type=16");
  }
}

TEST(ByteQueueDeathTest, AnEmptyExecutableNameGivesAnEmptyCaption) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(IndexOutOfRange("/opt/tools/", 0, 0), testing::KilledBySignal(SIGABRT),
              "text=\\[Out of cmcBuff element !\\] caption=\\[\\] type=16");
}

}  // namespace
