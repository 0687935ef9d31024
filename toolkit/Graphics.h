// Colours, fonts and text measurement.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "toolkit/Classes.h"

// A colour: 0x00BBGGRR, or a system colour (0x80000000 | system colour index).
typedef int32_t TColor;
const TColor clBlack = 0x000000;
const TColor clWhite = 0xFFFFFF;
const TColor clBtnFace = static_cast<TColor>(0x8000000Fu);
const TColor clWindow = static_cast<TColor>(0x80000005u);
const TColor clWindowText = static_cast<TColor>(0x80000008u);

typedef uint8_t TFontCharset;
const TFontCharset ANSI_CHARSET = 0;
const TFontCharset DEFAULT_CHARSET = 1;
const TFontCharset SYMBOL_CHARSET = 2;
const TFontCharset SHIFTJIS_CHARSET = 128;

// Screen resolution the toolkit converts points with.
const int ToolkitPixelsPerInch = 96;

// a × b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);

// A font: character set, face name and size. Size is in points, Height in
// pixels; a negative Height is the character height without internal
// leading, which is what a size in points gives: Height = -MulDiv(Size, 96, 72).
// Defaults: "MS Sans Serif", 8 points (Height -11), DEFAULT_CHARSET,
// clWindowText.
class TFont : public TObject {
 public:
  TFont();

  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset charset);
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Size() const;
  void SetSize(int points);
  int Height() const { return height_; }
  void SetHeight(int pixels);
  TColor Color() const { return color_; }
  void SetColor(TColor color);

  // The character height in pixels (|Height|).
  int PixelHeight() const { return height_ < 0 ? -height_ : height_; }

  // Takes over every attribute of `other` (one change notification).
  void Assign(const TFont& other);
  bool SameAs(const TFont& other) const;

  // Called after every change; the control that holds the font listens here.
  std::function<void(TFont*)> OnChange;

 private:
  void Changed();

  TFontCharset charset_;
  std::string name_;
  int height_;
  TColor color_;
};

// Text measurement with a font; the active backend answers.
class TCanvas : public TObject {
 public:
  // A canvas that measures with `font` (not owned), or with its own font.
  explicit TCanvas(TFont* font = nullptr);
  ~TCanvas() override;

 private:
  TFont* own_;

 public:
  TFont* const Font;

  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
};
