#include "image/clsMotS.h"

#include <cstring>

clsMotS::clsMotS(int32_t windowSize)
    : m_window(nullptr),
      m_windowSize(windowSize > 0 ? windowSize : 0),
      m_base(0),
      m_fill(255),
      m_low(-1),
      m_high(-1) {
  if (m_windowSize > 0) m_window = new unsigned char[m_windowSize];
  Clear(255);
}

clsMotS::~clsMotS() { delete[] m_window; }

void clsMotS::Clear(unsigned char fill) {
  m_fill = fill;
  if (m_window != nullptr) std::memset(m_window, fill, static_cast<size_t>(m_windowSize));
  m_low = -1;
  m_high = -1;
}

int32_t clsMotS::Length() const {
  if (m_low < 0 || m_high < 0) return 0;
  return m_high - m_low + 1;
}

bool clsMotS::Holds(int64_t address) const {
  return m_low >= 0 && m_high >= 0 && address >= m_low && address <= m_high;
}

unsigned char clsMotS::ByteAt(int32_t address) const {
  if (!Holds(address)) return m_fill;
  return m_window[address - m_base];
}

int32_t clsMotS::CopyOut(int32_t address, int32_t n, unsigned char* buffer) const {
  if (n <= 0 || buffer == nullptr) return 0;
  for (int32_t i = 0; i < n; ++i) {
    const int64_t a = static_cast<int64_t>(address) + i;
    buffer[i] = Holds(a) ? m_window[a - m_base] : m_fill;
  }
  return n;
}

bool clsMotS::IsBlank(int32_t address, int32_t n) const {
  for (int32_t i = 0; i < n; ++i) {
    const int64_t a = static_cast<int64_t>(address) + i;
    if (Holds(a) && m_window[a - m_base] != m_fill) return false;
  }
  return true;
}

uint16_t clsMotS::Sum16(int32_t first, int32_t last) const {
  if (last < first) return 0;
  // Fill bytes for the whole range, then the held part replaces its share.
  const uint64_t count = static_cast<uint64_t>(static_cast<int64_t>(last) - first + 1);
  uint64_t sum = count * m_fill;
  if (m_low >= 0 && m_high >= 0) {
    const int32_t from = first > m_low ? first : m_low;
    const int32_t to = last < m_high ? last : m_high;
    if (from <= to) {
      const unsigned char* p = m_window + (from - m_base);
      const int64_t held = static_cast<int64_t>(to) - from + 1;
      sum -= static_cast<uint64_t>(held) * m_fill;
      for (int64_t i = 0; i < held; ++i) sum += p[i];
    }
  }
  return static_cast<uint16_t>(sum & 0xFFFF);
}

unsigned char* clsMotS::Reserve(int32_t address, int32_t n) {
  if (address < 0 || n <= 0) return nullptr;
  const int64_t last64 = static_cast<int64_t>(address) + n - 1;
  if (last64 > INT32_MAX) return nullptr;  // would run past the address space
  const int32_t last = static_cast<int32_t>(last64);

  if (m_low < 0 || m_high < 0) {
    if (n > m_windowSize) return nullptr;
    m_low = address;
    m_high = last;
    m_base = address;
    return m_window;
  }

  const int32_t low = address < m_low ? address : m_low;
  const int32_t high = last > m_high ? last : m_high;
  if (static_cast<int64_t>(high) - low + 1 > m_windowSize) return nullptr;
  m_low = low;
  m_high = high;

  const int64_t windowTop = static_cast<int64_t>(m_base) + m_windowSize - 1;
  if (low < m_base) {
    // The run starts below the window: move the contents up.
    const int32_t shift = m_base - low;
    std::memmove(m_window + shift, m_window, static_cast<size_t>(m_windowSize - shift));
    std::memset(m_window, m_fill, static_cast<size_t>(shift));
    m_base = low;
  } else if (high > windowTop) {
    // The run ends above the window: move the contents down.
    const int32_t shift = static_cast<int32_t>(high - windowTop);
    std::memmove(m_window, m_window + shift, static_cast<size_t>(m_windowSize - shift));
    std::memset(m_window + (m_windowSize - shift), m_fill, static_cast<size_t>(shift));
    m_base += shift;
  }
  return m_window + (address - m_base);
}
