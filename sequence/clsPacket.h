// The packet builder: turns what the sequence sends to the transceiver into
// frames (ROM data frames, sum and end frames, carrier frames) with the escape
// rule. It only builds; the controller copies the frame last built into its
// transmit buffer and sends it.
//
// Every frame starts with FE FE and ends with FD. Inside the escaped fields no
// byte of 0xFA or above occurs: such a byte b goes out as FF, (b AND 0x0F).
#pragma once

#include <cstdint>

class clsPacket {
 public:
  clsPacket();
  ~clsPacket();
  clsPacket(const clsPacket&) = delete;
  clsPacket& operator=(const clsPacket&) = delete;

  // Sets the payload length, growing the payload buffer to exactly n bytes
  // when it is too small.
  void SetPayloadSize(int32_t n);
  // Sets a provisional frame length n and makes sure the frame buffer holds
  // at least 2n bytes, so that any frame estimated at n bytes fits escaped.
  void SetFrameSize(int32_t n);

  // Writes the n bytes of in to out with the escape rule and returns the
  // number of bytes written (0 for n <= 0). out must have room for 2n bytes.
  static int32_t Escape(unsigned char* out, const unsigned char* in, int32_t n);

  // FE FE 00, the escaped 24-bit address a (high byte first), the n escaped
  // data bytes, FD. A negative n counts as 0.
  void BuildDataFrame(const unsigned char* data, int32_t a, int32_t n);
  // FE FE 01, the escaped 16-bit sum (high byte first), FD. The end frame is
  // this frame with 0F at offset 2.
  void BuildSumFrame(uint16_t s);
  // The carrier header, the frame kind byte, the n payload bytes unchanged
  // (the caller has escaped them), FD. A negative n counts as 0.
  void BuildCarrierFrame(const unsigned char* p, int32_t n);

  // The length of the frame last built (0 before the first).
  int32_t FrameLength() const { return m_frameLength; }
  // Copies FrameLength() bytes of the frame last built to destination.
  void CopyFrame(unsigned char* destination) const;

  unsigned char FrameKind() const { return m_frameKind; }
  void SetFrameKind(unsigned char kind) { m_frameKind = kind; }

 private:
  unsigned char* m_payload;  // data of the frame last built, owned
  int32_t m_address;         // target address of the last ROM data frame
  int32_t m_payloadLength;
  int32_t m_payloadCapacity;
  unsigned char* m_frame;    // the frame last built, owned
  int32_t m_frameLength;
  int32_t m_frameCapacity;
  unsigned char m_frameKind;  // written into carrier frames; 255 at construction
};
