// Timing facts as they appear on the recorded line: the cadence of repeated
// requests, the paced flash-writer blocks and the pause before the ROM.
#include <gtest/gtest.h>

#include <vector>

#include "image/BuiltinImages.h"
#include "tests/support/Harness.h"

namespace seqtest {
namespace {

using Bytes = std::vector<uint8_t>;

int32_t RomFirst() { return Profile().variant == 'M' ? 0x10000 : 0x7000; }

std::vector<Chunk> ChunksIn(const Transceiver& r, Phase p) {
  std::vector<Chunk> out;
  for (const Chunk& c : r.chunks()) {
    if (c.phase == p) out.push_back(c);
  }
  return out;
}

std::vector<uint32_t> Gaps(const std::vector<Chunk>& chunks) {
  std::vector<uint32_t> gaps;
  for (size_t i = 1; i < chunks.size(); ++i) gaps.push_back(chunks[i].time - chunks[i - 1].time);
  return gaps;
}

Bytes PlainWriter() {
  const BuiltinImage& w = *ProfileFlashWriterImage();
  Bytes b(w.bytes, w.bytes + (w.last - w.first + 1));
  Descramble(b.data(), static_cast<int32_t>(b.size()));
  return b;
}

// K repeats the wake string and the 0x00 every 50 ms until the answer comes;
// the first wake string goes out as soon as the upload is announced.
TEST(Timing, WakeAndSyncRepeatEvery50ms) {
  const TestImage rom(RomFirst(), Bytes(128, 0x11));
  Harness h(rom.record);
  if (h.M()) {
    // Variant M sends each request once and waits.
    h.radio.SetFault(Phase::Check, Fault::Silence);
    EXPECT_EQ(h.RunUnit().error, 4);
    EXPECT_EQ(h.radio.carriers().size(), 1u);
    return;
  }
  h.radio.AnswerWakeAfter(4);
  h.radio.AnswerSyncAfter(3);
  ASSERT_EQ(h.RunUnit().error, 0);
  const std::vector<Chunk> firmUp = ChunksIn(h.radio, Phase::FirmUp);
  const std::vector<Chunk> wakes = ChunksIn(h.radio, Phase::Wake);
  const std::vector<Chunk> syncs = ChunksIn(h.radio, Phase::Sync);
  ASSERT_EQ(firmUp.size(), 1u);
  ASSERT_EQ(wakes.size(), 4u);
  ASSERT_EQ(syncs.size(), 3u);
  // Boot_FirmUp_Cmd, Boot_StartDigital_Cmd, Boot_Check_Loop: one step each.
  EXPECT_EQ(wakes[0].time - firmUp[0].time, 2u);
  EXPECT_EQ(Gaps(wakes), (std::vector<uint32_t>{50, 50, 50}));
  EXPECT_EQ(Gaps(syncs), (std::vector<uint32_t>{50, 50}));
  for (const Chunk& c : wakes) EXPECT_EQ(c.size, 4u);
}

TEST(Timing, WriterBlocksOf127Every40ms) {
  if (Profile().variant != 'K') GTEST_SKIP() << "variant M uploads no flash writer";
  const TestImage rom(RomFirst(), Bytes(128, 0x11));
  Harness h(rom.record);
  ASSERT_EQ(h.RunUnit().error, 0);
  const std::vector<Chunk> blocks = ChunksIn(h.radio, Phase::Writer);
  ASSERT_EQ(blocks.size(), 20u);
  for (size_t i = 0; i < 19; ++i) EXPECT_EQ(blocks[i].size, 127u) << "block " << i;
  EXPECT_EQ(blocks[19].size, 17u);
  for (uint32_t gap : Gaps(blocks)) EXPECT_EQ(gap, 40u);
  EXPECT_EQ(h.radio.writer(), PlainWriter());
}

// While the port's output does not drain, the blocks never fill its queue
// past half the transmit limit; once it drains the upload goes on with every
// byte exactly once.
TEST(Timing, WriterBlocksShortenWhenTheQueueIsHalfFull) {
  if (Profile().variant != 'K') GTEST_SKIP() << "variant M uploads no flash writer";
  const TestImage rom(RomFirst(), Bytes(128, 0x11));
  Harness h(rom.record);
  ASSERT_TRUE(h.RunTo(StateNo("Firm_SendData")));
  h.dev.HoldOutput(true);
  for (int i = 0; i < 400; ++i) ASSERT_EQ(h.Tick(), 0);
  EXPECT_EQ(ChunksIn(h.radio, Phase::Writer).size(), 1u);  // 127 bytes sit in the driver
  h.dev.HoldOutput(false);
  h.dev.ReleaseOutput();
  Outcome out{0, 0};
  while (out.error == 0 && h.seq().State() != h.table().ready) out = {h.Tick(), h.seq().State()};
  ASSERT_EQ(out.error, 0);
  const std::vector<Chunk> writes = ChunksIn(h.radio, Phase::Writer);
  ASSERT_GE(writes.size(), 2u);
  EXPECT_EQ(writes[0].size, 127u);
  EXPECT_EQ(writes[1].size, 512u - 127u);  // what the queue held: up to half of 1024
  for (const Chunk& c : writes) EXPECT_LE(c.size, 512u);
  EXPECT_EQ(h.radio.writer(), PlainWriter());
}

// A transmit queue that never drains ends the upload after 5000 ms without
// a block going out.
TEST(Timing, WriterGivesUpWhenTheQueueNeverDrains) {
  if (Profile().variant != 'K') GTEST_SKIP() << "variant M uploads no flash writer";
  const TestImage rom(RomFirst(), Bytes(128, 0x11));
  Harness h(rom.record);
  ASSERT_TRUE(h.RunTo(StateNo("Firm_SendData")));
  h.dev.HoldOutput(true);
  Outcome out{0, 0};
  for (long i = 0; i < 40000 && out.error == 0; ++i) {
    const int32_t before = h.seq().State();
    out = {h.Tick(), before};
  }
  EXPECT_EQ(out.error, 6);
  EXPECT_EQ(out.raisedIn, StateNo("Firm_SendData"));
  // The last block that went out (the fifth, 40 ms after each other) armed
  // the 5000 ms; the first is the one the driver holds.
  const std::vector<Chunk> writes = ChunksIn(h.radio, Phase::Writer);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(h.clock.Now() - 1 - writes[0].time, 4u * 40u + 5000u);
}

TEST(Timing, PauseBeforeTheFirstRomBlock) {
  const TestImage rom(RomFirst(), Bytes(128, 0x11));
  Harness h(rom.record);
  ASSERT_EQ(h.RunUnit().error, 0);
  ASSERT_NE(h.radio.readyForRomTime(), 0u);
  const uint32_t pause = h.radio.firstRomTime() - h.radio.readyForRomTime();
  const uint32_t wanted = h.M() ? 1000 : 500;
  EXPECT_GE(pause, wanted);
  EXPECT_LE(pause, wanted + 10);  // plus the few steps around the set-up
}

}  // namespace
}  // namespace seqtest
