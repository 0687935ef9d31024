// What a backend of the toolkit implements, and the services the toolkit's
// model offers to backends.
//
// The model (forms, controls, menus, threads) holds every property and all
// behaviour: focus, Enter and Escape, modal results, memo lines, ownership.
// A backend only draws the model, delivers the user's input back to it
// (through the same calls a program makes: TButton::Click,
// TMenuItem::Click, TForm::DialogKey, TEdit::SetText ...), runs the event
// loop and answers text metrics. Every method is called on the GUI thread
// except WakeUp.
#pragma once

#include <string>
#include <vector>

class TControl;
class TForm;
class TFont;
class TMenuItem;

namespace toolkit {

// What changed on a control or menu entry.
enum class Change {
  Bounds,     // Left, Top, Width, Height
  Visible,    // shown or hidden (a form: opened or closed)
  Enabled,
  Caption,    // caption of a control, a form or a menu entry
  Text,       // text of an edit box or a memo
  Font,
  Color,
  Parent,     // moved to another parent (or none)
  Style,      // any other drawn property: bevels, border, read-only, default/cancel, check mark ...
  Focus,      // the form's active control
  Selection,  // caret or selection of an edit box or memo
  Scroll,     // first displayed line of a memo
  Position,   // progress bar range or position
  Items,      // sub-entries of a menu entry added or removed, a form's menu set
};

// Frame sizes used to derive client areas and inner widths.
struct FrameMetrics {
  int formBorder;      // each side of a form with a border (not bsNone)
  int captionHeight;   // a form's title bar (not bsNone)
  int menuBarHeight;   // a form's menu bar, while it has a main menu
  int editBorder;      // each side of an edit box or memo
  int scrollBarWidth;  // a vertical scroll bar
};

class Backend {
 public:
  virtual ~Backend() = default;

  // ---- model notifications
  virtual void ControlChanged(TControl* /*control*/, Change /*what*/) {}
  // The control is being destroyed: only its identity may be used.
  virtual void ControlDestroying(TControl* /*control*/) {}
  virtual void MenuChanged(TMenuItem* /*item*/, Change /*what*/) {}
  virtual void MenuDestroying(TMenuItem* /*item*/) {}

  // ---- metrics. The defaults are the simple deterministic metrics of the
  // headless backend (toolkit/headless/README.md).
  virtual int TextWidth(const TFont& font, const std::string& text);
  virtual int TextHeight(const TFont& font, const std::string& text);
  virtual FrameMetrics Frame() const;
  // Splits one logical line (no CR LF inside) into the lines a word-wrapping
  // text box of the given inner width displays; gives the byte length of each
  // (at least one entry; an empty line gives one entry of 0). The default
  // breaks after the last blank that fits (blanks at a break stay on the upper
  // line), else between characters, never inside a double-byte character.
  virtual std::vector<int> WrapLine(const TFont& font, int width, const std::string& line);
  virtual int ScreenWidth() { return 1024; }
  virtual int ScreenHeight() { return 768; }

  // ---- the event loop
  // Application->Run: serve events until Application->Terminated().
  virtual void RunLoop() {}
  // ShowModal: serve events until form->ModalResult() is not 0. The default
  // closes the form at once with mrCancel.
  virtual void RunModal(TForm* form);
  // Application->ProcessMessages: serve what is pending, without waiting.
  virtual void ProcessMessages() {}
  // A synchronised call was posted; called on the posting thread. The loop
  // must then run RunSynchronizedCalls() on the GUI thread.
  virtual void WakeUp() {}
};

// The active backend (a backend with the default behaviour until one is set).
Backend& CurrentBackend();
// Installs `backend` (null: the default); it must outlive its use. The
// calling thread becomes the GUI thread.
void SetBackend(Backend* backend);

// The GUI thread: the one that installed the backend (or, before that, the
// first to ask).
bool IsGuiThread();

// Runs, on the GUI thread, every synchronised call (and pending thread start)
// that was posted before this call began; gives how many ran. Calls posted
// meanwhile wait for the next round.
int RunSynchronizedCalls();
// Whether a synchronised call is waiting.
bool HasSynchronizedCalls();
// Waits (real time, at most `ms` milliseconds) until a synchronised call is
// waiting; gives whether one is.
bool WaitForSynchronizedCall(int ms);
// Withdraws every waiting synchronised call and thread start: each waiting
// Synchronize returns without its call having run. For a backend that stops.
void WithdrawAllSynchronizedCalls();

}  // namespace toolkit
