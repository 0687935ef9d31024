#include "toolkit/fltk/FltkWidgets.h"

#include "toolkit/fltk/FltkHeaders.h"

#include "toolkit/fltk/FltkInternal.h"

namespace toolkit {
namespace fltk {

WidgetEvents& Events() {
  static WidgetEvents* events = new WidgetEvents;
  return *events;
}

namespace {

bool IsTab(int event) {
  return event == FL_KEYBOARD && Fl::event_key() == FL_Tab && Fl::event_state(FL_ALT | FL_CTRL | FL_META) == 0;
}

bool IsDialogKey(int key) { return key == FL_Escape || key == FL_Enter || key == FL_KP_Enter; }

// Gives the focus to the model after FLTK moved it.
int Tracked(Fl_Widget* widget, int event, int handled) {
  if (event == FL_FOCUS && handled && Events().focused) Events().focused(widget);
  return handled;
}

const Fl_Color kHighlight = FL_WHITE;

Fl_Color Shadow() { return fl_rgb_color(128, 128, 128); }

// One bevel of `width` one-pixel rings, top and left in `top`, bottom and
// right in `bottom`; the rectangle shrinks by the width.
void Frame3D(int& x, int& y, int& w, int& h, Fl_Color top, Fl_Color bottom, int width) {
  for (int i = 0; i < width && w > 0 && h > 0; ++i) {
    fl_color(top);
    fl_xyline(x, y, x + w - 1);
    fl_yxline(x, y, y + h - 1);
    fl_color(bottom);
    fl_xyline(x, y + h - 1, x + w - 1);
    fl_yxline(x + w - 1, y, y + h - 1);
    ++x;
    ++y;
    w -= 2;
    h -= 2;
  }
}

void Bevel(int& x, int& y, int& w, int& h, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  if (cut == bvRaised) {
    Frame3D(x, y, w, h, kHighlight, Shadow(), width);
  } else if (cut == bvLowered) {
    Frame3D(x, y, w, h, Shadow(), kHighlight, width);
  } else {
    x += width;
    y += width;
    w -= 2 * width;
    h -= 2 * width;
  }
}

}  // namespace

int FormWindow::handle(int event) {
  if (IsTab(event) && Events().navigate) {
    Events().navigate(this, Fl::event_state(FL_SHIFT) != 0);
    return 1;
  }
  if (event == FL_FOCUS && Events().chooseFocus && Events().chooseFocus(this)) return 1;
  if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && IsDialogKey(Fl::event_key()) && Fl::event_state(FL_ALT | FL_CTRL | FL_META) == 0) {
    const int key = Fl::event_key() == FL_Escape ? FL_Escape : FL_Enter;
    const bool used = Events().dialogKey && Events().dialogKey(this, key);
    // Escape is taken even when no button wants it, so that it never falls
    // through to FLTK's closing of the window.
    if (used || key == FL_Escape) return 1;
  }
  return Fl_Double_Window::handle(event);
}

void PanelGroup::draw() {
  Fl_Group::draw();
  if ((damage() & ~FL_DAMAGE_CHILD) == 0) return;
  int bx = x(), by = y(), bw = w(), bh = h();
  Bevel(bx, by, bw, bh, outer, bevelWidth);
  bx += borderWidth;
  by += borderWidth;
  bw -= 2 * borderWidth;
  bh -= 2 * borderWidth;
  Bevel(bx, by, bw, bh, inner, bevelWidth);
}

int ContainerGroup::handle(int event) { return IsTab(event) ? 0 : Fl_Group::handle(event); }

void PushButton::draw() {
  Fl_Button::draw();
  if (isDefault) {
    fl_color(active_r() ? FL_BLACK : Shadow());
    fl_rect(x(), y(), w(), h());
  }
}

int PushButton::handle(int event) { return Tracked(this, event, Fl_Button::handle(event)); }

void LabelBox::draw() {
  draw_box();
  fl_font(face, size);
  fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
  fl_draw(text.c_str(), x(), y(), w(), h(), FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE, nullptr, 0);
}

MemoDisplay::MemoDisplay(int x, int y, int w, int h) : Fl_Text_Display(x, y, w, h), text(new Fl_Text_Buffer) {
  buffer(text);
}

MemoDisplay::~MemoDisplay() {
  buffer(nullptr);
  delete text;
}

int MemoDisplay::handle(int event) { return Tracked(this, event, Fl_Text_Display::handle(event)); }

int EditInput::handle(int event) { return Tracked(this, event, Fl_Input::handle(event)); }

int MenuBar::openMenus = 0;

int MenuBar::handle(int event) {
  ++openMenus;
  const int handled = Fl_Menu_Bar::handle(event);
  --openMenus;
  return handled;
}

}  // namespace fltk
}  // namespace toolkit
