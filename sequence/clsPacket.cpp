#include "sequence/clsPacket.h"

#include <cstring>

#include "profiles/profile.h"

namespace {
constexpr unsigned char kStart = 0xFE;
constexpr unsigned char kEnd = 0xFD;
constexpr unsigned char kEscape = 0xFF;
constexpr unsigned char kEscapeFrom = 0xFA;
constexpr unsigned char kKindData = 0x00;
constexpr unsigned char kKindSum = 0x01;
constexpr int32_t kCarrierHeaderLength = 9;
}  // namespace

clsPacket::clsPacket()
    : m_payload(nullptr),
      m_address(0),
      m_payloadLength(0),
      m_payloadCapacity(0),
      m_frame(nullptr),
      m_frameLength(0),
      m_frameCapacity(0),
      m_frameKind(255) {}

clsPacket::~clsPacket() {
  delete[] m_payload;
  delete[] m_frame;
}

void clsPacket::SetPayloadSize(int32_t n) {
  if (n < 0) n = 0;
  if (n == m_payloadLength) return;
  if (n > m_payloadCapacity) {
    delete[] m_payload;
    m_payload = new unsigned char[n];
    m_payloadCapacity = n;
  }
  m_payloadLength = n;
}

void clsPacket::SetFrameSize(int32_t n) {
  if (n < 0) n = 0;
  // The buffer is checked even when n equals the current frame length: that
  // length is the size of the last frame, not of the buffer behind it, and a
  // frame escaped to twice its estimate must still fit.
  const int64_t wanted = 2 * static_cast<int64_t>(n);
  if (wanted > m_frameCapacity) {
    delete[] m_frame;
    m_frameCapacity = static_cast<int32_t>(wanted);
    m_frame = new unsigned char[m_frameCapacity];
  }
  m_frameLength = n;
}

int32_t clsPacket::Escape(unsigned char* out, const unsigned char* in, int32_t n) {
  int32_t w = 0;
  for (int32_t i = 0; i < n; ++i) {
    const unsigned char b = in[i];
    if (b >= kEscapeFrom) {
      out[w++] = kEscape;
      out[w++] = static_cast<unsigned char>(b & 0x0F);
    } else {
      out[w++] = b;
    }
  }
  return w;
}

void clsPacket::BuildDataFrame(const unsigned char* data, int32_t a, int32_t n) {
  if (n < 0) n = 0;
  m_address = a;
  SetPayloadSize(n);
  if (n > 0) std::memcpy(m_payload, data, static_cast<size_t>(n));
  SetFrameSize(n + 7);
  const unsigned char address[3] = {
      static_cast<unsigned char>((a >> 16) & 0xFF),
      static_cast<unsigned char>((a >> 8) & 0xFF),
      static_cast<unsigned char>(a & 0xFF),
  };
  int32_t w = 0;
  m_frame[w++] = kStart;
  m_frame[w++] = kStart;
  m_frame[w++] = kKindData;
  w += Escape(m_frame + w, address, 3);
  w += Escape(m_frame + w, m_payload, n);
  m_frame[w++] = kEnd;
  m_frameLength = w;
}

void clsPacket::BuildSumFrame(uint16_t s) {
  SetFrameSize(6);
  const unsigned char sum[2] = {
      static_cast<unsigned char>((s >> 8) & 0xFF),
      static_cast<unsigned char>(s & 0xFF),
  };
  int32_t w = 0;
  m_frame[w++] = kStart;
  m_frame[w++] = kStart;
  m_frame[w++] = kKindSum;
  w += Escape(m_frame + w, sum, 2);
  m_frame[w++] = kEnd;
  m_frameLength = w;
}

void clsPacket::BuildCarrierFrame(const unsigned char* p, int32_t n) {
  if (n < 0) n = 0;
  SetPayloadSize(n);
  if (n > 0) std::memcpy(m_payload, p, static_cast<size_t>(n));
  SetFrameSize(2 * n + 11);
  int32_t w = 0;
  std::memcpy(m_frame, Profile().carrierHeader, kCarrierHeaderLength);
  w += kCarrierHeaderLength;
  m_frame[w++] = m_frameKind;
  if (n > 0) std::memcpy(m_frame + w, m_payload, static_cast<size_t>(n));
  w += n;
  m_frame[w++] = kEnd;
  m_frameLength = w;
}

void clsPacket::CopyFrame(unsigned char* destination) const {
  if (destination == nullptr || m_frameLength <= 0) return;
  std::memcpy(destination, m_frame, static_cast<size_t>(m_frameLength));
}
