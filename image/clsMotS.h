// The image store: an in-memory picture of a run of target addresses, one byte
// each, held in a fixed-size window that slides over the target address
// space. Every address without data reads as the fill byte (255 in the
// program, the value of erased flash).
#pragma once

#include <cstdint>

class clsMotS {
 public:
  // Allocates the window once (windowSize bytes; a size of 0 or less gives a
  // store that can hold nothing), base 0, then Clear(255).
  explicit clsMotS(int32_t windowSize);
  ~clsMotS();
  clsMotS(const clsMotS&) = delete;
  clsMotS& operator=(const clsMotS&) = delete;

  // Sets the fill byte, fills the whole window with it and empties the store.
  // The window base stays where it is.
  void Clear(unsigned char fill);

  // Bounds of the held range, both -1 when the store is empty.
  int32_t LowAddress() const { return m_low; }
  int32_t HighAddress() const { return m_high; }
  // HighAddress - LowAddress + 1, or 0 when empty.
  int32_t Length() const;
  int32_t WindowSize() const { return m_windowSize; }

  // The byte at a target address; the fill byte outside the held range.
  unsigned char ByteAt(int32_t address) const;
  // buffer[i] = ByteAt(address + i) for i in 0..n-1; returns the count copied
  // (n, or 0 when n < 0 or there is no buffer).
  // Addresses past the top of the address space read as the fill byte.
  int32_t CopyOut(int32_t address, int32_t n, unsigned char* buffer) const;
  // True when ByteAt(address + i) is the fill byte for every i in 0..n-1
  // (also for n <= 0).
  bool IsBlank(int32_t address, int32_t n) const;
  // Sum of ByteAt(a) for a in first..last, modulo 65536; 0 when last < first.
  // Addresses that the store does not hold add the fill byte.
  uint16_t Sum16(int32_t first, int32_t last) const;

  // A place in the window for the n bytes of addresses address..address+n-1,
  // widening the held range and sliding the window as needed, or nullptr
  // (nothing changes) for a negative address, n <= 0, a run that would pass
  // the top of the signed 32-bit address space, or a run that could not be
  // held in one window together with what is already held. The place stays
  // valid until the next Reserve or Clear.
  unsigned char* Reserve(int32_t address, int32_t n);

 private:
  bool Holds(int64_t address) const;

  unsigned char* m_window;  // m_windowSize bytes, owned
  int32_t m_windowSize;
  int32_t m_base;           // target address of m_window[0]
  unsigned char m_fill;
  int32_t m_low;            // -1 when empty
  int32_t m_high;           // -1 when empty
};
