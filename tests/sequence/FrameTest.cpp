// The frames of the ROM write at the edges of the image, and how SendBytes
// puts them on the line (as they are in K, wrapped in carriers in M).
#include <gtest/gtest.h>

#include <vector>

#include "tests/support/Harness.h"

namespace seqtest {
namespace {

using Bytes = std::vector<uint8_t>;

int32_t Base() { return Profile().variant == 'M' ? 0x10000 : 0x7000; }

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }
Bytes Repeat(std::initializer_list<uint8_t> unit, int times) {
  Bytes out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), unit.begin(), unit.end());
  return out;
}

// 128 bytes from Base() + 5: the first block starts below LowAddress, the
// second ends past HighAddress; both are padded with the fill byte.
TEST(Frames, BlocksAtTheEdgesOfTheImage) {
  Bytes plain(128);
  for (int i = 0; i < 128; ++i) plain[i] = static_cast<uint8_t>(0x20 + i % 0x50);
  const TestImage rom(Base() + 5, plain);
  Harness h(rom.record);
  ASSERT_EQ(h.RunUnit().error, 0);
  const auto& frames = h.radio.frames();
  ASSERT_EQ(frames.size(), 2u);

  const uint8_t a2 = static_cast<uint8_t>(Base() >> 16), a1 = static_cast<uint8_t>(Base() >> 8);
  Bytes first = {0xFE, 0xFE, 0x00, a2, a1, 0x00};
  Append(first, Repeat({0xFF, 0x0F}, 5));
  Append(first, Bytes(plain.begin(), plain.begin() + 123));
  first.push_back(0xFD);
  EXPECT_EQ(frames[0].raw, first);

  Bytes second = {0xFE, 0xFE, 0x00, a2, a1, 0x80};
  Append(second, Bytes(plain.begin() + 123, plain.end()));
  Append(second, Repeat({0xFF, 0x0F}, 123));
  second.push_back(0xFD);
  EXPECT_EQ(frames[1].raw, second);

  if (h.M()) {
    // Each frame escaped again: 140 bytes become 148 in one carrier; 258
    // bytes become 384 in carriers of 220 and 164.
    const auto& c = h.radio.carriers();
    ASSERT_GE(c.size(), 5u);
    EXPECT_EQ(c[c.size() - 5].payload.size(), 148u);
    EXPECT_EQ(c[c.size() - 4].payload.size(), 220u);
    EXPECT_EQ(c[c.size() - 3].payload.size(), 164u);
  }
}

TEST(Frames, BlankImageSendsOnlySumAndEnd) {
  const TestImage rom(Base(), Bytes(256, 0xFF));
  Harness h(rom.record);
  ASSERT_TRUE(h.RunTo(StateNo("RomW_Data")));
  h.Tick();
  EXPECT_EQ(h.seq().State(), StateNo("RomW_Sum"));  // passed on in its first step
  long ticks = 0;
  while (h.seq().State() != h.table().ready && ++ticks < 10000) ASSERT_EQ(h.Tick(), 0);
  EXPECT_TRUE(h.radio.frames().empty());
  // 255 at every address of the window: the sum is 0 in both variants.
  EXPECT_EQ(h.radio.sumFrame(), Bytes({0xFE, 0xFE, 0x01, 0x00, 0x00, 0xFD}));
  EXPECT_EQ(h.radio.finishFrame(), h.M() ? Bytes({0x00}) : Bytes({0xFE, 0xFE, 0x0F, 0x00, 0x00, 0xFD}));
  EXPECT_EQ(h.seq().CompletedCount(), 1);
}

// SendBytes on an open port: K sends the bytes as they are; M escapes them
// and wraps them in carrier frames of at most 220 payload bytes, all with
// one kind byte.
TEST(Frames, SendBytesOnTheLine) {
  Bytes plainFrame = {0xFE, 0xFE, 0x00, 0x00, 0x70, 0x00};  // 135 bytes, nothing to escape
  Append(plainFrame, Bytes(128, 0x11));
  plainFrame.push_back(0xFD);
  Bytes fullFrame = {0xFE, 0xFE, 0x00};  // 266 bytes: every address and data byte escaped
  Append(fullFrame, Repeat({0xFF, 0x0A}, 3));
  Append(fullFrame, Repeat({0xFF, 0x0C}, 128));
  fullFrame.push_back(0xFD);
  ASSERT_EQ(plainFrame.size(), 135u);
  ASSERT_EQ(fullFrame.size(), 266u);

  struct Case {
    const Bytes* frame;
    std::vector<size_t> payloads;  // M: carrier payload sizes
  };
  const std::vector<Case> cases = {{&plainFrame, {138}}, {&fullFrame, {220, 180}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame->size());
    const TestImage rom(Base(), Bytes(128, 0x11));
    Harness h(rom.record);
    ASSERT_TRUE(h.RunTo(StateNo("Boot_BaudChange")));  // port open, nothing awaited
    const size_t before = h.dev.Writes().size();
    EXPECT_EQ(h.seq().SendBytes(c.frame->data(), static_cast<int32_t>(c.frame->size())), 0);
    const auto& writes = h.dev.Writes();
    if (!h.M()) {
      ASSERT_EQ(writes.size(), before + 1);
      EXPECT_EQ(writes.back().bytes, *c.frame);
      continue;
    }
    ASSERT_EQ(writes.size(), before + c.payloads.size());
    Bytes payload;
    for (size_t i = 0; i < c.payloads.size(); ++i) {
      const Bytes& w = writes[before + i].bytes;
      ASSERT_EQ(w.size(), c.payloads[i] + 11);
      EXPECT_EQ(Bytes(w.begin(), w.begin() + 9), Bytes({0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00}));
      EXPECT_EQ(w[9], writes[before].bytes[9]);  // one kind byte for the call
      EXPECT_EQ(w.back(), 0xFD);
      Append(payload, Bytes(w.begin() + 10, w.end() - 1));
    }
    EXPECT_EQ(Unescape(payload), *c.frame);
    // The frame's own FE FE 00 and FD travel escaped.
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 5), Bytes({0xFF, 0x0E, 0xFF, 0x0E, 0x00}));
    EXPECT_EQ(Bytes(payload.end() - 2, payload.end()), Bytes({0xFF, 0x0D}));
  }
}

}  // namespace
}  // namespace seqtest
