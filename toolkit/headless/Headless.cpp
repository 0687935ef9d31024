#include "toolkit/headless/Headless.h"

#include <mutex>

#include "platform/hooks.h"
#include "toolkit/Backend.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/Timer.h"

namespace Headless {

namespace {

class HeadlessBackend : public toolkit::Backend {
 public:
  int ScreenWidth() override { return screenWidth; }
  int ScreenHeight() override { return screenHeight; }

  void RunLoop() override {
    if (!runScript) return;
    while (!Application->Terminated()) {
      Pump();
      std::function<bool()> script = runScript;
      if (!script()) {
        if (TForm* main = Application->MainForm()) {
          main->Close();
        } else {
          Application->Terminate();
        }
      }
    }
  }

  void RunModal(TForm* form) override {
    std::function<void(TForm*)> script = modalScript;
    if (script) script(form);
    // Left open: closed as with the title-bar button.
    if (form->ModalResult() == mrNone) form->Close();
  }

  void ProcessMessages() override { Pump(); }

  int screenWidth = 1024;
  int screenHeight = 768;
  RECT workArea = {0, 0, 1024, 768};
  std::function<void(TForm*)> modalScript;
  std::function<bool()> runScript;

  std::mutex boxLock;
  std::vector<MessageBoxRecord> boxes;
  std::function<int(const MessageBoxRecord&)> answer;
};

HeadlessBackend& Backend() {
  static auto* backend = new HeadlessBackend;
  return *backend;
}

void Reset(HeadlessBackend& b) {
  b.screenWidth = 1024;
  b.screenHeight = 768;
  b.workArea = {0, 0, 1024, 768};
  b.modalScript = nullptr;
  b.runScript = nullptr;
  std::lock_guard<std::mutex> guard(b.boxLock);
  b.boxes.clear();
  b.answer = nullptr;
}

// A user reaches any visible form while no modal form is open, and then only
// the innermost modal form.
bool Reachable(const TForm* form) {
  if (form == nullptr || !form->Visible()) return false;
  TForm* active = Screen->ActiveForm();
  return active == nullptr || !active->Modal() || active == form;
}

bool OnActiveForm(const TControl* control) { return Reachable(control->ParentForm()); }

}  // namespace

void Start() {
  // The application object exists from here on, so that its window handle
  // (the owner of message boxes) is known to code that only asks for it.
  (void)Application->Handle();
  HeadlessBackend& b = Backend();
  Reset(b);
  toolkit::SetBackend(&b);
  platform::SetMessageBoxHandler([](HWND owner, const char* text, const char* caption, UINT type) {
    HeadlessBackend& hb = Backend();
    MessageBoxRecord record{owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type};
    std::function<int(const MessageBoxRecord&)> answer;
    {
      std::lock_guard<std::mutex> guard(hb.boxLock);
      hb.boxes.push_back(record);
      answer = hb.answer;
    }
    return answer ? answer(record) : IDOK;
  });
  platform::SetWorkAreaHandler([] { return Backend().workArea; });
}

void Stop() {
  Application->Shutdown();
  toolkit::WithdrawAllSynchronizedCalls();
  platform::SetMessageBoxHandler(nullptr);
  platform::SetWorkAreaHandler(nullptr);
  Reset(Backend());
  toolkit::SetBackend(nullptr);
}

int Pump() {
  int ran = toolkit::RunSynchronizedCalls();
  toolkit::PumpTimers();
  return ran;
}

bool PumpUntil(const std::function<bool()>& pred, int maxIterations) {
  for (int i = 0; i < maxIterations; ++i) {
    if (pred()) return true;
    if (Pump() == 0 && !toolkit::HasSynchronizedCalls()) {
      int32_t due = toolkit::NextTimerDueIn();
      if (due != 0) toolkit::WaitForSynchronizedCall(due > 0 && due < 50 ? due : 50);
    }
  }
  return pred();
}

void SetScreenSize(int width, int height) {
  Backend().screenWidth = width;
  Backend().screenHeight = height;
}

void SetWorkArea(const RECT& area) { Backend().workArea = area; }

const std::vector<MessageBoxRecord>& MessageBoxes() { return Backend().boxes; }

void ClearMessageBoxes() {
  std::lock_guard<std::mutex> guard(Backend().boxLock);
  Backend().boxes.clear();
}

void SetMessageBoxAnswer(std::function<int(const MessageBoxRecord&)> answer) {
  std::lock_guard<std::mutex> guard(Backend().boxLock);
  Backend().answer = std::move(answer);
}

void SetModalScript(std::function<void(TForm*)> script) { Backend().modalScript = std::move(script); }

void SetRunScript(std::function<bool()> script) { Backend().runScript = std::move(script); }

TForm* ActiveForm() { return Screen->ActiveForm(); }

bool Click(TButton* button) {
  if (button == nullptr || !button->CanFocus() || !OnActiveForm(button)) return false;
  button->Click();
  return true;
}

bool ClickMenu(TMenuItem* item) {
  if (item == nullptr) return false;
  TMainMenu* menu = item->Menu();
  if (menu == nullptr || !Reachable(menu->Form())) return false;
  for (TMenuItem* p = item; p != nullptr && p != menu->Items; p = p->Parent()) {
    if (!p->Visible() || !p->Enabled()) return false;
  }
  item->Click();
  return true;
}

bool PressEnter(TForm* form) {
  TForm* active = Screen->ActiveForm();
  if (active == nullptr || (form != nullptr && form != active)) return false;
  return active->DialogKey(TDialogKey::Enter);
}

bool PressEscape(TForm* form) {
  TForm* active = Screen->ActiveForm();
  if (active == nullptr || (form != nullptr && form != active)) return false;
  return active->DialogKey(TDialogKey::Escape);
}

bool Type(TEdit* edit, const std::string& text) {
  if (edit == nullptr || !edit->CanFocus() || !OnActiveForm(edit)) return false;
  edit->SetFocus();
  edit->TypeText(text);
  return true;
}

bool CloseByTitleBar(TForm* form) {
  if (!Reachable(form)) return false;
  form->Close();
  return true;
}

}  // namespace Headless
