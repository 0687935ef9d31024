// Shared pieces of the FLTK backend: text conversion, fonts, colours, the
// timer service and the message box. Only toolkit/fltk includes this.
#pragma once

#include "toolkit/fltk/FltkHeaders.h"

#include <string>
#include <vector>

#include "platform/winapi.h"
#include "toolkit/Graphics.h"
#include "toolkit/Timer.h"

namespace toolkit {
namespace fltk {

// ---- text
// The program's texts are 8-bit (ANSI code page, line breaks CR LF); FLTK
// draws UTF-8 with LF. Bytes 0x80..0xFF are taken as Latin-1 and every CR
// that starts a CR LF is dropped.
std::string ToDisplay(const std::string& bytes);
// Offset in ToDisplay(bytes) of byte offset `offset` of `bytes`.
int DisplayOffset(const std::string& bytes, int offset);
// What the user typed, back to 8 bits: Latin-1 characters as they are,
// anything else as '?'.
std::string FromDisplay(const char* utf8);
// A label for FLTK: a leading '@' would start a symbol, so it is doubled.
std::string LabelText(const std::string& display);

// ---- display, fonts and colours
// Opens the X display if that has not happened yet (FLTK ends the process
// with a clear message when there is none).
void EnsureDisplay();
// The FLTK face standing in for the font's name (metric-compatible faces for
// the common Windows names).
Fl_Font FaceOf(const TFont& font);
// The FLTK size (pixels per em) of the font: |Height| when Height is
// negative (a size in points), else scaled so the cell height is Height.
int PixelSizeOf(const TFont& font);
Fl_Color ColorOf(TColor color);
// The face and size of the toolkit's own texts (menu bar, message boxes).
Fl_Font SystemFace();
int SystemSize();

int MeasureWidth(const TFont& font, const std::string& bytes);
int MeasureHeight(const TFont& font);
std::vector<int> WrapLine(const TFont& font, int width, const std::string& line);

// ---- services
TimerService& FltkTimers();
int MessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Window positions for the message box: the bounds (outer, screen
// coordinates) of the window behind a handle, or false when it has none.
bool WindowBoundsOf(HWND handle, int& x, int& y, int& w, int& h);

// Serves events until `done` gives true or the application ends, running
// synchronised calls as they arrive.
template <class Pred>
void ServeUntil(Pred done);
void ServeOnce();
bool ApplicationEnding();

template <class Pred>
void ServeUntil(Pred done) {
  while (!done() && !ApplicationEnding()) ServeOnce();
}

}  // namespace fltk
}  // namespace toolkit
