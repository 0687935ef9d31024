#include "toolkit/Backend.h"

#include <atomic>
#include <thread>

#include "platform/winapi.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"

namespace toolkit {

namespace {

std::atomic<Backend*> g_backend{nullptr};
// No initialiser: zero-initialised static storage is the "no thread" id, and
// no dynamic initialisation can wipe a GUI thread recorded by a backend that
// installs itself before this file's initialisers have run.
std::atomic<std::thread::id> g_guiThread;

// Width of one byte of text in the simple metrics: half the character height,
// rounded.
int ByteWidth(const TFont& font) { return (font.PixelHeight() + 1) / 2; }

}  // namespace

int Backend::TextWidth(const TFont& font, const std::string& text) {
  return ByteWidth(font) * static_cast<int>(text.size());
}

int Backend::TextHeight(const TFont& font, const std::string& /*text*/) { return font.PixelHeight() + 4; }

FrameMetrics Backend::Frame() const {
  FrameMetrics frame;
  frame.formBorder = 3;
  frame.captionHeight = 19;
  frame.menuBarHeight = 19;
  frame.editBorder = 2;
  frame.scrollBarWidth = 16;
  return frame;
}

std::vector<int> Backend::WrapLine(const TFont& font, int width, const std::string& line) {
  std::vector<int> lengths;
  const int n = static_cast<int>(line.size());
  if (n == 0) {
    lengths.push_back(0);
    return lengths;
  }
  auto charLength = [&](int at) {
    return (at + 1 < n && IsDBCSLeadByte(static_cast<BYTE>(line[static_cast<size_t>(at)]))) ? 2 : 1;
  };
  int pos = 0;
  while (pos < n) {
    // The longest run of whole characters from pos that fits (at least one).
    int end = pos;
    int used = 0;
    while (end < n) {
      int len = charLength(end);
      int w = TextWidth(font, line.substr(static_cast<size_t>(end), static_cast<size_t>(len)));
      if (end > pos && used + w > width) break;
      used += w;
      end += len;
    }
    if (end >= n) {
      lengths.push_back(n - pos);
      break;
    }
    int brk;
    if (line[static_cast<size_t>(end)] == ' ') {
      // Blanks at the break hang at the end of the upper line.
      brk = end;
      while (brk < n && line[static_cast<size_t>(brk)] == ' ') ++brk;
    } else {
      size_t blank = line.rfind(' ', static_cast<size_t>(end - 1));
      brk = (blank != std::string::npos && static_cast<int>(blank) >= pos) ? static_cast<int>(blank) + 1 : end;
    }
    lengths.push_back(brk - pos);
    pos = brk;
  }
  return lengths;
}

void Backend::RunModal(TForm* form) {
  if (form != nullptr && form->ModalResult() == mrNone) form->Close();
}

Backend& CurrentBackend() {
  static Backend* fallback = new Backend;
  Backend* b = g_backend.load();
  return b != nullptr ? *b : *fallback;
}

void SetBackend(Backend* backend) {
  g_backend.store(backend);
  g_guiThread.store(std::this_thread::get_id());
}

bool IsGuiThread() {
  std::thread::id none;
  std::thread::id self = std::this_thread::get_id();
  if (g_guiThread.compare_exchange_strong(none, self)) return true;
  return none == self;
}

}  // namespace toolkit
