// The message box: a small modal window with the error icon, the text and one
// OK button, centred over its owner and kept inside the work area.
#include "toolkit/fltk/FltkHeaders.h"

#include <algorithm>
#include <cstdio>

#include "toolkit/Backend.h"
#include "toolkit/fltk/FltkInternal.h"

namespace toolkit {
namespace fltk {

namespace {

const int kMargin = 12;
const int kIcon = 32;
const int kButtonWidth = 75;
const int kButtonHeight = 23;

// The error icon: a red disc with a white cross.
class ErrorIcon : public Fl_Box {
 public:
  ErrorIcon(int x, int y) : Fl_Box(x, y, kIcon, kIcon) {}
  void draw() override {
    fl_color(fl_rgb_color(200, 0, 0));
    fl_pie(x(), y(), w(), h(), 0, 360);
    fl_color(FL_WHITE);
    fl_line_style(FL_SOLID, 3);
    const int in = 10;
    fl_line(x() + in, y() + in, x() + w() - in - 1, y() + h() - in - 1);
    fl_line(x() + w() - in - 1, y() + in, x() + in, y() + h() - in - 1);
    fl_line_style(0);
  }
};

// The text, drawn as it is: no symbols, no accelerator marks.
class PlainText : public Fl_Box {
 public:
  PlainText(int x, int y, int w, int h, const std::string& text) : Fl_Box(x, y, w, h), text_(text) {}
  void draw() override {
    fl_font(SystemFace(), SystemSize());
    fl_color(FL_BLACK);
    fl_draw(text_.c_str(), x(), y(), w(), h(), FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE, nullptr, 0);
  }

 private:
  std::string text_;
};

void Close(Fl_Widget* widget, void*) {
  Fl_Window* window = widget->as_window() != nullptr ? widget->as_window() : widget->window();
  if (window != nullptr) window->hide();
}

}  // namespace

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  const std::string body = ToDisplay(text != nullptr ? text : "");
  const std::string title = ToDisplay(caption != nullptr ? caption : "");
  if (!IsGuiThread()) {
    // Windows belong to the GUI thread; a box asked for elsewhere is not lost.
    std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
    return IDOK;
  }
  EnsureDisplay();

  fl_font(SystemFace(), SystemSize());
  int tw = 0;
  int th = 0;
  fl_measure(body.c_str(), tw, th, 0);
  const bool icon = (type & MB_ICONERROR) != 0;
  const int textLeft = kMargin + (icon ? kIcon + kMargin : 0);
  const int bodyHeight = std::max(th, icon ? kIcon : 0);
  const int w = std::max(textLeft + tw + 2 * kMargin, kButtonWidth + 4 * kMargin);
  const int h = kMargin + bodyHeight + kMargin + kButtonHeight + kMargin;

  Fl_Group* current = Fl_Group::current();
  Fl_Group::current(nullptr);
  Fl_Double_Window* box = new Fl_Double_Window(w, h);
  box->copy_label(LabelText(title).c_str());
  box->color(ColorOf(clBtnFace));
  if (icon) new ErrorIcon(kMargin, kMargin + std::max(0, (bodyHeight - kIcon) / 2));
  new PlainText(textLeft, kMargin + std::max(0, (bodyHeight - th) / 2), tw + kMargin, th, body);
  Fl_Button* ok = new Fl_Button((w - kButtonWidth) / 2, h - kMargin - kButtonHeight, kButtonWidth, kButtonHeight, "OK");
  ok->labelfont(SystemFace());
  ok->labelsize(SystemSize());
  ok->shortcut(FL_Enter);
  ok->callback(Close);
  box->end();
  Fl_Group::current(current);
  box->callback(Close);  // the close button and Esc
  box->size_range(w, h, w, h);
  box->set_modal();

  // Centred over the owner (or the screen), then kept inside the work area.
  int ox, oy, ow, oh;
  if (!WindowBoundsOf(owner, ox, oy, ow, oh)) Fl::screen_xywh(ox, oy, ow, oh, 0);
  int x = ox + (ow - w) / 2;
  int y = oy + (oh - h) / 2;
  int ax, ay, aw, ah;
  Fl::screen_work_area(ax, ay, aw, ah, 0);
  x = std::max(ax, std::min(x, ax + aw - w));
  y = std::max(ay, std::min(y, ay + ah - h));
  box->position(x, y);

  box->show();
  ok->take_focus();
  while (box->shown()) ServeOnce();
  delete box;
  return IDOK;
}

}  // namespace fltk
}  // namespace toolkit
