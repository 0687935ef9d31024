#include "comm/cmcBuff.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "toolkit/AppWindow.h"

namespace {

// Consumed bytes ahead of the head that are tolerated before compacting.
constexpr int32_t kCompactThreshold = 4096;

// Largest count a queue can hold; growth never computes a size beyond it.
constexpr int64_t kMaxSize = INT32_MAX;

}  // namespace

cmcBuff::cmcBuff() : block(nullptr), head(nullptr), count(0), capacity(0), pad(0) { Clear(); }

cmcBuff::~cmcBuff() { delete[] block; }

cmcBuff& cmcBuff::Clear() {
  delete[] block;
  count = 0;
  capacity = 1;
  block = new unsigned char[1];
  block[0] = 0;
  head = block;
  pad = 0;
  return *this;
}

unsigned char* cmcBuff::At(int32_t index) {
  if (index < 0 || index >= count) {
    char path[1024];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (n >= sizeof(path)) n = sizeof(path) - 1;
    path[n] = '\0';
    const char* caption = path;
    for (const char* p = path; *p; ++p) {
      if (*p == '\\' || *p == '/' || *p == ':') caption = p + 1;
    }
    MessageBoxA(ToolkitApplicationHandle(), "Out of cmcBuff element !", caption, MB_ICONERROR | MB_OK);
    std::abort();
  }
  return head + index;
}

int32_t cmcBuff::Resize(int32_t n) {
  if (n < 0) return count;
  if (n > capacity) {
    int64_t size = static_cast<int64_t>(n) + (count >> 2);
    if (size > kMaxSize) size = kMaxSize;
    if (size < 1) size = 1;
    unsigned char* grown = new unsigned char[static_cast<size_t>(size)];
    if (count > 0) std::memcpy(grown, head, static_cast<size_t>(count));
    std::memset(grown + count, pad, static_cast<size_t>(size - count));
    delete[] block;
    block = head = grown;
    capacity = static_cast<int32_t>(size);
  }
  count = n;
  return count;
}

bool cmcBuff::InsideBlock(const void* p, int32_t n) const {
  const unsigned char* first = static_cast<const unsigned char*>(p);
  const unsigned char* last = first + n;
  const unsigned char* end = head + capacity;
  std::less<const unsigned char*> before;
  return before(first, end) && before(block, last);
}

cmcBuff& cmcBuff::Append(const void* source, int32_t n) {
  if (n <= 0) return *this;
  const int32_t old = count;
  // A source inside our own storage would be freed by a reallocation: copy
  // it out first.
  std::unique_ptr<unsigned char[]> copy;
  if (n > capacity - old && InsideBlock(source, n)) {
    copy.reset(new unsigned char[static_cast<size_t>(n)]);
    std::memcpy(copy.get(), source, static_cast<size_t>(n));
    source = copy.get();
  }
  if (static_cast<int64_t>(old) + n > kMaxSize) return *this;
  Resize(old + n);
  std::memcpy(head + old, source, static_cast<size_t>(n));
  return *this;
}

cmcBuff& cmcBuff::Assign(const void* source, int32_t n) {
  if (n < 0) return *this;
  std::unique_ptr<unsigned char[]> copy;
  if (n > capacity && InsideBlock(source, n)) {
    copy.reset(new unsigned char[static_cast<size_t>(n)]);
    std::memcpy(copy.get(), source, static_cast<size_t>(n));
    source = copy.get();
  }
  Resize(n);
  if (n > 0) std::memmove(head, source, static_cast<size_t>(n));
  return *this;
}

int32_t cmcBuff::PopFront() {
  if (count <= 0) return -1;
  const int32_t byte = *head;
  ++head;
  --capacity;
  Resize(count - 1);
  if (head - block > kCompactThreshold) Compact();
  return byte;
}

cmcBuff& cmcBuff::Compact() {
  const int32_t size = count > 1 ? count : 1;
  unsigned char* fresh = new unsigned char[static_cast<size_t>(size)];
  if (count > 0) std::memcpy(fresh, head, static_cast<size_t>(count));
  if (count < size) fresh[count] = pad;
  delete[] block;
  block = head = fresh;
  capacity = size;
  return *this;
}
