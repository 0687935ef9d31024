// Growable first-in first-out byte queue held in one contiguous block.
//
// Bytes are added at the tail and taken from the head; taking a byte only
// advances the head, and the consumed space ahead of it is given back by a
// compaction once more than 4096 bytes have piled up there. The held bytes
// are always contiguous, so Data()/Count() can be handed straight to a write
// call or a frame builder.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

class cmcBuff {
 public:
  cmcBuff();
  ~cmcBuff();
  cmcBuff(const cmcBuff&) = delete;
  cmcBuff& operator=(const cmcBuff&) = delete;

  // Frees the storage and starts again with an empty 1-byte block.
  cmcBuff& Clear();

  int32_t Count() const { return count; }

  // First held byte; Count() bytes from here are contiguous. Valid until the
  // next call that changes the queue.
  unsigned char* Data() const { return head; }

  // Bytes the storage holds from the head to its end (never below Count()).
  int32_t Capacity() const { return capacity; }

  // The byte at head[index]. An index outside 0 .. Count()-1 is a programming
  // error: it shows a message box and aborts the process.
  unsigned char* At(int32_t index);

  // Sets the count to n, growing the storage when n exceeds the capacity.
  // Bytes gained by reallocation are zero; bytes uncovered within the
  // capacity keep what the storage held. A negative n changes nothing.
  // Returns the new count.
  int32_t Resize(int32_t n);

  // Adds n bytes at the tail. A negative n changes nothing.
  cmcBuff& Append(const void* source, int32_t n);

  // Replaces the contents with n bytes; the source may lie inside the held
  // bytes. A negative n changes nothing.
  cmcBuff& Assign(const void* source, int32_t n);

  // Removes and returns the head byte (0..255), or -1 when empty.
  int32_t PopFront();

  // Moves the held bytes to the start of a fresh block of max(Count(), 1)
  // bytes.
  cmcBuff& Compact();

 private:
  // True when [p, p+n) overlaps the storage block, whose contents a
  // reallocation would free.
  bool InsideBlock(const void* p, int32_t n) const;

  unsigned char* block;
  unsigned char* head;
  int32_t count;
  int32_t capacity;
  uint8_t pad;
};
