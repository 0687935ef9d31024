// The FLTK widgets that draw the toolkit's controls.
#pragma once

#include "toolkit/fltk/FltkHeaders.h"

#include <functional>
#include <string>

#include "toolkit/ExtCtrls.h"

namespace toolkit {
namespace fltk {

// Where the widgets report the user's input.
struct WidgetEvents {
  // The widget took the keyboard focus.
  std::function<void(Fl_Widget*)> focused;
  // Enter or Escape reached the window unhandled; gives whether it was used.
  std::function<bool(Fl_Window*, int key)> dialogKey;
  // Tab or Shift+Tab in the window; gives whether the focus moved.
  std::function<bool(Fl_Window*, bool backwards)> navigate;
  // The window is to choose the widget with the focus; gives whether it did.
  std::function<bool(Fl_Window*)> chooseFocus;
};
WidgetEvents& Events();

// A top-level window. Enter and Escape go to the form (default and cancel
// buttons); Escape never closes the window, only the close button does.
class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(int w, int h) : Fl_Double_Window(w, h) {}
  int handle(int event) override;
  // The window goes where the form says, not where the window manager likes.
  void ForcePosition() { force_position(1); }
};

// A control that holds others. Tab is left to the window, which moves the
// focus in the toolkit's tab order.
class ContainerGroup : public Fl_Group {
 public:
  ContainerGroup(int x, int y, int w, int h) : Fl_Group(x, y, w, h) {}
  int handle(int event) override;
};

// A panel: its colour and the bevels of the given widths, drawn inside its
// bounds as raised or lowered frames.
class PanelGroup : public ContainerGroup {
 public:
  PanelGroup(int x, int y, int w, int h) : ContainerGroup(x, y, w, h) {}
  void draw() override;

  TBevelCut outer = bvRaised;
  TBevelCut inner = bvNone;
  int bevelWidth = 1;
  int borderWidth = 0;
};

// A push button; the default button carries a dark frame.
class PushButton : public Fl_Button {
 public:
  PushButton(int x, int y, int w, int h) : Fl_Button(x, y, w, h) {}
  void draw() override;
  int handle(int event) override;

  bool isDefault = false;
};

// A text drawn as it is (no symbols, no accelerator marks).
class LabelBox : public Fl_Box {
 public:
  LabelBox(int x, int y, int w, int h) : Fl_Box(x, y, w, h) {}
  void draw() override;

  std::string text;  // UTF-8
  Fl_Font face = FL_HELVETICA;
  int size = 12;
};

// The memo: a read-only text display with its own buffer.
class MemoDisplay : public Fl_Text_Display {
 public:
  MemoDisplay(int x, int y, int w, int h);
  ~MemoDisplay() override;
  int handle(int event) override;

  Fl_Text_Buffer* text;
};

class EditInput : public Fl_Input {
 public:
  EditInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}
  int handle(int event) override;
};

// The menu bar; counts the menus it has open so that the entries it shows
// are not freed under it.
class MenuBar : public Fl_Menu_Bar {
 public:
  MenuBar(int x, int y, int w, int h) : Fl_Menu_Bar(x, y, w, h) {}
  int handle(int event) override;

  static int openMenus;
};

}  // namespace fltk
}  // namespace toolkit
