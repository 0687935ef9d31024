// The headless backend: no display; the test drives everything.
//
// Start() installs it (and the message-box and work-area handlers of the
// platform stand-in); the calling thread becomes the GUI thread. Nothing runs
// by itself: synchronised calls of threads and window timers run when the
// test pumps. Metrics and frame constants: toolkit/headless/README.md.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/winapi.h"

class TButton;
class TEdit;
class TForm;
class TMenuItem;
class TWinControl;

namespace Headless {

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  UINT flags;
};

// Installs the backend, clearing every record, script and setting (screen
// 1024 x 768, work area 0,0,1024,768, message boxes answered IDOK).
void Start();
// Destroys the application's forms (Application->Shutdown), runs what the
// remaining threads had posted no more, and removes the backend.
void Stop();

// Runs once every synchronised call posted so far (thread starts included)
// and every due window timer; gives the number of synchronised calls run.
int Pump();
// Pumps until pred() holds, at most maxIterations rounds; between rounds with
// nothing to do it waits (at most 50 ms of real time) for another thread to
// post. Gives pred()'s final value.
bool PumpUntil(const std::function<bool()>& pred, int maxIterations = 1000);

// The screen and the desktop's work area.
void SetScreenSize(int width, int height);
void SetWorkArea(const RECT& area);

// Every message box shown since Start (or ClearMessageBoxes), in order.
const std::vector<MessageBoxRecord>& MessageBoxes();
void ClearMessageBoxes();
// Answers each box (after it is recorded); without an answer, IDOK. The
// answer may pump, as a real box's loop would.
void SetMessageBoxAnswer(std::function<int(const MessageBoxRecord&)> answer);

// Called when a form is shown modally, while it is open. It may type, press
// keys, click and pump. A form it leaves open is then closed as with the
// title-bar button (mrCancel); without a script every modal form is closed
// at once that way.
void SetModalScript(std::function<void(TForm*)> script);
// Called once per round of Application->Run (after a Pump); returning false
// closes the main form. Without a script Run returns at once.
void SetRunScript(std::function<bool()> script);

// The form that takes the keyboard (Screen->ActiveForm()).
TForm* ActiveForm();

// The user's actions. Each reaches only what the user could reach: a
// showing, enabled control of a visible form (only of the innermost modal
// form while one is open); a menu entry that is visible and enabled with all
// its parent entries, on such a form's menu bar.
// Each gives whether it reached its target.
bool Click(TButton* button);
bool ClickMenu(TMenuItem* item);
// Keys go to `form`, or to the active form when null.
bool PressEnter(TForm* form = nullptr);
bool PressEscape(TForm* form = nullptr);
// Focuses the edit box (selecting its text, as Tab does) and types `text`.
bool Type(TEdit* edit, const std::string& text);
// Closes a form with its title-bar button.
bool CloseByTitleBar(TForm* form);

}  // namespace Headless
