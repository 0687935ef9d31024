// Text conversion, fonts, colours and text measurement of the FLTK backend.
#include "toolkit/fltk/FltkHeaders.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "toolkit/fltk/FltkInternal.h"

namespace toolkit {
namespace fltk {

// ---- text ---------------------------------------------------------------------

namespace {

void AppendByte(std::string& out, unsigned char b) {
  if (b < 0x80) {
    out.push_back(static_cast<char>(b));
  } else {
    out.push_back(static_cast<char>(0xC0 | (b >> 6)));
    out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
  }
}

bool DropsByte(const std::string& bytes, size_t i) {
  return bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n';
}

}  // namespace

std::string ToDisplay(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (DropsByte(bytes, i)) continue;
    AppendByte(out, static_cast<unsigned char>(bytes[i]));
  }
  return out;
}

int DisplayOffset(const std::string& bytes, int offset) {
  const size_t end = std::min(bytes.size(), static_cast<size_t>(std::max(offset, 0)));
  int out = 0;
  for (size_t i = 0; i < end; ++i) {
    if (DropsByte(bytes, i)) continue;
    out += static_cast<unsigned char>(bytes[i]) < 0x80 ? 1 : 2;
  }
  return out;
}

std::string FromDisplay(const char* utf8) {
  std::string out;
  if (utf8 == nullptr) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8);
  while (*p != 0) {
    unsigned char c = *p;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++p;
      continue;
    }
    int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    unsigned code = 0;
    bool whole = true;
    for (int k = 1; k < len; ++k) {
      if ((p[k] & 0xC0) != 0x80) {
        whole = false;
        len = k;
        break;
      }
    }
    if (whole && len == 2) code = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
    out.push_back(whole && len == 2 && code < 0x100 ? static_cast<char>(code) : '?');
    p += len;
  }
  return out;
}

std::string LabelText(const std::string& display) {
  if (!display.empty() && display[0] == '@') return "@" + display;
  return display;
}

// ---- display, fonts, colours --------------------------------------------------------

void EnsureDisplay() {
  if (fl_display == nullptr) fl_open_display();
}

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The installed face that stands in for a Windows font name. The Liberation
// faces have the advance widths of the fonts they replace, so texts measure
// as the layout expects.
std::string StandInFor(const std::string& name) {
  static const std::map<std::string, std::string> known = {
      {"arial", "Liberation Sans"},           {"helvetica", "Liberation Sans"},
      {"ms sans serif", "Liberation Sans"},   {"microsoft sans serif", "Liberation Sans"},
      {"ms shell dlg", "Liberation Sans"},    {"ms shell dlg 2", "Liberation Sans"},
      {"tahoma", "Liberation Sans"},          {"segoe ui", "Liberation Sans"},
      {"times new roman", "Liberation Serif"}, {"times", "Liberation Serif"},
      {"courier new", "Liberation Mono"},     {"courier", "Liberation Mono"},
  };
  auto it = known.find(Lower(name));
  if (it != known.end()) return it->second;
  // Any other name goes to the font matcher as it is; it picks the nearest.
  return name.empty() ? "Liberation Sans" : name;
}

Fl_Font FaceNamed(const std::string& standIn) {
  static std::map<std::string, Fl_Font> faces;
  static Fl_Font next = FL_FREE_FONT;
  auto it = faces.find(standIn);
  if (it != faces.end()) return it->second;
  // FLTK keeps the name's pointer; the leading blank means "regular".
  std::string* kept = new std::string(" " + standIn);
  Fl::set_font(next, kept->c_str());
  faces[standIn] = next;
  return next++;
}

}  // namespace

Fl_Font FaceOf(const TFont& font) { return FaceNamed(StandInFor(font.Name())); }

Fl_Font SystemFace() { return FaceNamed("Liberation Sans"); }

int SystemSize() { return 12; }

int PixelSizeOf(const TFont& font) {
  const int h = font.Height();
  if (h < 0) return -h;
  if (h == 0) return 13;
  // A positive height is the cell height (ascent + descent): scale the em.
  EnsureDisplay();
  fl_font(FaceOf(font), 100);
  const int cell = fl_height();
  if (cell <= 0) return h;
  return std::max(1, static_cast<int>(std::lround(h * 100.0 / cell)));
}

Fl_Color ColorOf(TColor color) {
  if (color == clBtnFace) return fl_rgb_color(212, 208, 200);
  if (color == clWindow) return FL_WHITE;
  if (color == clWindowText) return FL_BLACK;
  if ((static_cast<uint32_t>(color) & 0x80000000u) != 0) return fl_rgb_color(212, 208, 200);
  const uint32_t c = static_cast<uint32_t>(color);
  return fl_rgb_color(static_cast<uchar>(c & 0xFF), static_cast<uchar>((c >> 8) & 0xFF),
                      static_cast<uchar>((c >> 16) & 0xFF));
}

// ---- measurement ----------------------------------------------------------------

int MeasureWidth(const TFont& font, const std::string& bytes) {
  EnsureDisplay();
  fl_font(FaceOf(font), PixelSizeOf(font));
  const std::string text = ToDisplay(bytes);
  return static_cast<int>(std::ceil(fl_width(text.c_str(), static_cast<int>(text.size())) - 1e-6));
}

int MeasureHeight(const TFont& font) {
  EnsureDisplay();
  fl_font(FaceOf(font), PixelSizeOf(font));
  return fl_height();
}

namespace {

// A text display that is never shown: it wraps lines exactly as the memo's
// display does, so the memo's model counts the lines the user sees.
struct WrapProbe {
  Fl_Text_Buffer buffer;
  Fl_Text_Display* display;

  WrapProbe() {
    Fl_Group* current = Fl_Group::current();
    Fl_Group::current(nullptr);
    display = new Fl_Text_Display(0, 0, 400, 400);
    Fl_Group::current(current);
    display->buffer(&buffer);
  }
};

}  // namespace

std::vector<int> WrapLine(const TFont& font, int width, const std::string& line) {
  std::vector<int> lengths;
  if (line.empty()) {
    lengths.push_back(0);
    return lengths;
  }
  EnsureDisplay();
  static WrapProbe* probe = new WrapProbe;
  Fl_Text_Display* d = probe->display;
  d->textfont(FaceOf(font));
  d->textsize(PixelSizeOf(font));
  d->wrap_mode(Fl_Text_Display::WRAP_AT_PIXEL, std::max(width, 1));
  const std::string shown = ToDisplay(line);
  probe->buffer.text(shown.c_str());

  // Walk the display lines in UTF-8 and give each one's length in the
  // program's bytes.
  const int total = static_cast<int>(shown.size());
  int pos = 0;
  size_t byte = 0;
  // Line by line, each from the previous break, as the display finds the
  // lines it draws.
  while (pos < total) {
    int next = d->skip_lines(pos, 1, true);
    if (next <= pos) next = total;
    int count = 0;
    int walked = pos;
    while (walked < next && byte < line.size()) {
      walked += static_cast<unsigned char>(line[byte]) < 0x80 ? 1 : 2;
      ++byte;
      ++count;
    }
    lengths.push_back(count);
    pos = next;
  }
  probe->buffer.text("");
  return lengths;
}

}  // namespace fltk
}  // namespace toolkit
