#include "toolkit/Graphics.h"

#include <cstdint>

#include "toolkit/Backend.h"

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  int64_t divisor = c;
  bool negative = (product < 0) != (divisor < 0);
  if (product < 0) product = -product;
  if (divisor < 0) divisor = -divisor;
  int64_t q = (product + divisor / 2) / divisor;
  return static_cast<int>(negative ? -q : q);
}

TFont::TFont()
    : charset_(DEFAULT_CHARSET), name_("MS Sans Serif"), height_(-MulDiv(8, ToolkitPixelsPerInch, 72)), color_(clWindowText) {}

void TFont::SetCharset(TFontCharset charset) {
  if (charset_ == charset) return;
  charset_ = charset;
  Changed();
}

void TFont::SetName(const std::string& name) {
  if (name_ == name) return;
  name_ = name;
  Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ToolkitPixelsPerInch); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ToolkitPixelsPerInch, 72)); }

void TFont::SetHeight(int pixels) {
  if (height_ == pixels) return;
  height_ = pixels;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color_ == color) return;
  color_ = color;
  Changed();
}

void TFont::Assign(const TFont& other) {
  if (&other == this || SameAs(other)) return;
  charset_ = other.charset_;
  name_ = other.name_;
  height_ = other.height_;
  color_ = other.color_;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return charset_ == other.charset_ && name_ == other.name_ && height_ == other.height_ && color_ == other.color_;
}

void TFont::Changed() {
  if (OnChange) {
    auto handler = OnChange;
    handler(this);
  }
}

TCanvas::TCanvas(TFont* font) : own_(font == nullptr ? new TFont : nullptr), Font(font != nullptr ? font : own_) {}

TCanvas::~TCanvas() { delete own_; }

int TCanvas::TextWidth(const std::string& text) const { return toolkit::CurrentBackend().TextWidth(*Font, text); }

int TCanvas::TextHeight(const std::string& text) const { return toolkit::CurrentBackend().TextHeight(*Font, text); }
