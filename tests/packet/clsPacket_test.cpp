#include "sequence/clsPacket.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Frame(const clsPacket& packet) {
  Bytes out(static_cast<size_t>(packet.FrameLength()) + 4, 0xA5);
  packet.CopyFrame(out.data());
  // CopyFrame writes exactly FrameLength bytes.
  for (size_t i = out.size() - 4; i < out.size(); ++i) EXPECT_EQ(out[i], 0xA5);
  out.resize(static_cast<size_t>(packet.FrameLength()));
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(PacketEscape, EscapeRule) {
  const Bytes in = {0x00, 0x7F, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
  const Bytes expected = {0x00, 0x7F, 0xF9, 0xFF, 0x0A, 0xFF, 0x0B, 0xFF, 0x0C,
                          0xFF, 0x0D, 0xFF, 0x0E, 0xFF, 0x0F};
  Bytes out(2 * in.size(), 0);
  const int32_t n = clsPacket::Escape(out.data(), in.data(), static_cast<int32_t>(in.size()));
  out.resize(static_cast<size_t>(n));
  EXPECT_EQ(out, expected);
  EXPECT_EQ(clsPacket::Escape(out.data(), in.data(), 0), 0);
}

TEST(PacketDataFrame, PlainBlock) {
  clsPacket packet;
  const Bytes zeros(128, 0x00);
  packet.BuildDataFrame(zeros.data(), 0x7F80, 128);
  EXPECT_EQ(packet.FrameLength(), 135);
  EXPECT_EQ(Frame(packet), Concat({{0xFE, 0xFE, 0x00, 0x00, 0x7F, 0x80}, zeros, {0xFD}}));
}

TEST(PacketDataFrame, EscapesAddressAndData) {
  clsPacket packet;
  Bytes data(128, 0x01);
  data[5] = 0xFD;
  packet.BuildDataFrame(data.data(), 0xFD0080, 128);
  Bytes escapedData(data.begin(), data.begin() + 5);
  escapedData.insert(escapedData.end(), {0xFF, 0x0D});
  escapedData.insert(escapedData.end(), data.begin() + 6, data.end());
  EXPECT_EQ(Frame(packet), Concat({{0xFE, 0xFE, 0x00, 0xFF, 0x0D, 0x00, 0x80}, escapedData, {0xFD}}));
}

TEST(PacketDataFrame, BlockOfFF) {
  clsPacket packet;
  const Bytes ff(128, 0xFF);
  packet.BuildDataFrame(ff.data(), 0x7000, 128);
  EXPECT_EQ(packet.FrameLength(), 263);
  Bytes pairs;
  for (int i = 0; i < 128; ++i) pairs.insert(pairs.end(), {0xFF, 0x0F});
  EXPECT_EQ(Frame(packet), Concat({{0xFE, 0xFE, 0x00, 0x00, 0x70, 0x00}, pairs, {0xFD}}));
  // Address bytes that need escaping too: the longest frame of a block.
  packet.BuildDataFrame(ff.data(), 0xFAFBFC, 128);
  EXPECT_EQ(packet.FrameLength(), 266);
}

TEST(PacketDataFrame, NegativeCountBuildsEmptyFrame) {
  clsPacket packet;
  packet.BuildDataFrame(nullptr, 0x10, -3);
  EXPECT_EQ(Frame(packet), (Bytes{0xFE, 0xFE, 0x00, 0x00, 0x00, 0x10, 0xFD}));
}

TEST(PacketSumFrame, SumAndEndFrame) {
  struct Case {
    uint16_t sum;
    Bytes frame;
  };
  const Case cases[] = {
      {0x12FE, {0xFE, 0xFE, 0x01, 0x12, 0xFF, 0x0E, 0xFD}},
      {0x0000, {0xFE, 0xFE, 0x01, 0x00, 0x00, 0xFD}},
      {0xFAFF, {0xFE, 0xFE, 0x01, 0xFF, 0x0A, 0xFF, 0x0F, 0xFD}},
  };
  for (const Case& c : cases) {
    clsPacket packet;
    packet.BuildSumFrame(c.sum);
    EXPECT_EQ(Frame(packet), c.frame) << std::hex << c.sum;
  }
  // The end frame is the sum frame with 0F at offset 2, made in the copy.
  clsPacket packet;
  packet.BuildSumFrame(0x12FE);
  Bytes end = Frame(packet);
  end[2] = 0x0F;
  EXPECT_EQ(end, (Bytes{0xFE, 0xFE, 0x0F, 0x12, 0xFF, 0x0E, 0xFD}));
  EXPECT_EQ(Frame(packet)[2], 0x01);  // the builder's frame is untouched
}

TEST(PacketCarrierFrame, WrapsPayloadUnchanged) {
  clsPacket packet;
  EXPECT_EQ(packet.FrameKind(), 255);
  const Bytes one = {0x00};
  packet.BuildCarrierFrame(one.data(), 1);
  EXPECT_EQ(Frame(packet)[9], 0xFF);  // kind byte as constructed

  packet.SetFrameKind(0);
  packet.BuildCarrierFrame(one.data(), 1);
  EXPECT_EQ(Frame(packet), (Bytes{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00, 0x00, 0x00, 0xFD}));

  Bytes payload(220);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<unsigned char>(0xF0 + i % 16);
  packet.SetFrameKind(2);
  packet.BuildCarrierFrame(payload.data(), 220);
  EXPECT_EQ(packet.FrameLength(), 231);
  EXPECT_EQ(Frame(packet),
            Concat({{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00, 0x02}, payload, {0xFD}}));

  packet.BuildCarrierFrame(nullptr, 0);
  EXPECT_EQ(Frame(packet), (Bytes{0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00, 0x02, 0xFD}));
}

TEST(PacketBuild, EachFrameReplacesThePrevious) {
  clsPacket packet;
  EXPECT_EQ(packet.FrameLength(), 0);
  const Bytes ff(128, 0xFF);
  packet.BuildDataFrame(ff.data(), 0xFAFBFC, 128);
  ASSERT_EQ(packet.FrameLength(), 266);
  packet.BuildSumFrame(0x0102);
  EXPECT_EQ(Frame(packet), (Bytes{0xFE, 0xFE, 0x01, 0x01, 0x02, 0xFD}));
  const Bytes zeros(128, 0x00);
  packet.BuildDataFrame(zeros.data(), 0x80, 128);
  EXPECT_EQ(packet.FrameLength(), 135);
  EXPECT_EQ(Frame(packet)[134], 0xFD);
}

// A frame whose estimate equals the length of the frame before it must still
// get a buffer for its escaped worst case, not just for that length.
TEST(PacketBuild, BufferFollowsEstimateWhenItEqualsLastLength) {
  clsPacket packet;
  const Bytes ff(300, 0xFF);
  packet.BuildDataFrame(ff.data(), 0xFAFBFC, 128);
  ASSERT_EQ(packet.FrameLength(), 266);

  // Estimated at 259 + 7 = 266 bytes, escaped to 528.
  packet.BuildDataFrame(ff.data(), 0xFAFBFC, 259);
  EXPECT_EQ(packet.FrameLength(), 2 * 259 + 10);
  const Bytes frame = Frame(packet);
  EXPECT_EQ(frame.back(), 0xFD);
  for (size_t i = 3; i + 1 < frame.size(); i += 2) {
    EXPECT_EQ(frame[i], 0xFF) << i;
  }
}

}  // namespace
