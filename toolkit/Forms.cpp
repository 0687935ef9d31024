#include "toolkit/Forms.h"

#include <algorithm>
#include <cstdlib>

#include "toolkit/AppWindow.h"
#include "toolkit/Backend.h"

namespace {

// Every form that exists, in order of creation, and the modal ones, innermost
// last. Never destroyed: forms may go away during process exit.
std::vector<TForm*>& AllForms() {
  static auto* forms = new std::vector<TForm*>;
  return *forms;
}

std::vector<TForm*>& ModalForms() {
  static auto* forms = new std::vector<TForm*>;
  return *forms;
}

void Erase(std::vector<TForm*>& list, TForm* form) { list.erase(std::remove(list.begin(), list.end(), form), list.end()); }

bool IsWithin(const TControl* control, const TControl* ancestor) {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == ancestor) return true;
  }
  return false;
}

// Depth-first, in tab order: the first windowed control accepted by `pick`.
template <class Pick>
TWinControl* FindInTabOrder(const TWinControl* parent, const Pick& pick) {
  std::vector<TWinControl*> ordered;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    if (auto* win = dynamic_cast<TWinControl*>(parent->Controls(i))) ordered.push_back(win);
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const TWinControl* a, const TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
  for (TWinControl* win : ordered) {
    if (pick(win)) return win;
    if (TWinControl* inner = FindInTabOrder(win, pick)) return inner;
  }
  return nullptr;
}

char g_applicationWindow;

}  // namespace

// ---- TForm -------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TWinControl(owner), Canvas(new TCanvas(Font)) {
  SetVisible(false);
  SetBounds(0, 0, 320, 240);
  AllForms().push_back(this);
}

TForm::~TForm() {
  destroying_ = true;
  if (modal_) Erase(ModalForms(), this);
  Erase(AllForms(), this);
  // Owned components (controls, menus, other forms) refer back to the form;
  // they go while it is still whole.
  DestroyComponents();
  if (menu_ != nullptr) menu_->form_ = nullptr;
  menu_ = nullptr;
  activeControl_ = nullptr;
  delete Canvas;
}

int TForm::ClientWidth() const {
  toolkit::FrameMetrics frame = toolkit::CurrentBackend().Frame();
  int border = borderStyle_ == bsNone ? 0 : frame.formBorder;
  return std::max(0, Width() - 2 * border);
}

int TForm::ClientHeight() const {
  toolkit::FrameMetrics frame = toolkit::CurrentBackend().Frame();
  int outside = 0;
  if (borderStyle_ != bsNone) outside += 2 * frame.formBorder + frame.captionHeight;
  if (menu_ != nullptr) outside += frame.menuBarHeight;
  return std::max(0, Height() - outside);
}

void TForm::SetClientWidth(int value) { SetWidth(Width() - ClientWidth() + value); }

void TForm::SetClientHeight(int value) { SetHeight(Height() - ClientHeight() + value); }

void TForm::SetBorderStyle(TFormBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  Changed(toolkit::Change::Style);
}

void TForm::SetBorderIcons(TBorderIcons value) {
  if (borderIcons_ == value) return;
  borderIcons_ = value;
  Changed(toolkit::Change::Style);
}

void TForm::SetPosition(TPosition value) {
  if (position_ == value) return;
  position_ = value;
  Changed(toolkit::Change::Style);
}

void TForm::SetMenu(TMainMenu* menu) {
  if (menu_ == menu) return;
  if (menu_ != nullptr) menu_->form_ = nullptr;
  if (menu != nullptr && menu->form_ != nullptr) menu->form_->SetMenu(nullptr);
  menu_ = menu;
  if (menu_ != nullptr) menu_->form_ = this;
  Changed(toolkit::Change::Items);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == activeControl_) return;
  if (control != nullptr && control->ParentForm() != this) return;
  activeControl_ = control;
  Changed(toolkit::Change::Focus);
}

void TForm::ControlRemoved(TControl* control) {
  if (activeControl_ != nullptr && IsWithin(activeControl_, control)) {
    activeControl_ = nullptr;
    Changed(toolkit::Change::Focus);
  }
}

void TForm::SelectFirst() {
  if (activeControl_ != nullptr) return;
  TWinControl* first =
      FindInTabOrder(this, [](TWinControl* c) { return c->Focusable() && c->TabStop() && c->CanFocus(); });
  if (first != nullptr) first->SetFocus();
}

void TForm::SetVisible(bool value) {
  TControl::SetVisible(value);
  if (value) SelectFirst();
}

int TForm::ShowModal() {
  if (modal_ || Visible()) throw Exception("Cannot make a visible window modal");
  modalResult_ = mrNone;
  modal_ = true;
  ModalForms().push_back(this);
  SetVisible(true);
  try {
    toolkit::CurrentBackend().RunModal(this);
  } catch (...) {
    Erase(ModalForms(), this);
    modal_ = false;
    SetVisible(false);
    throw;
  }
  Erase(ModalForms(), this);
  modal_ = false;
  SetVisible(false);
  return modalResult_;
}

void TForm::SetModalResult(int value) { modalResult_ = value; }

void TForm::Close() {
  if (modal_) {
    SetModalResult(mrCancel);
  } else if (Application->MainForm() == this) {
    Application->Terminate();
  } else {
    SetVisible(false);
  }
}

bool TForm::DialogKey(TDialogKey key) {
  if (key == TDialogKey::Enter && activeControl_ != nullptr && activeControl_->CanFocus()) {
    if (auto* focused = dynamic_cast<TButton*>(activeControl_)) {
      focused->Click();
      return true;
    }
    if (activeControl_->WantsReturn()) return false;
  }
  TWinControl* target = FindInTabOrder(this, [key](TWinControl* c) {
    auto* button = dynamic_cast<TButton*>(c);
    if (button == nullptr || !button->CanFocus()) return false;
    return key == TDialogKey::Enter ? button->Default() : button->Cancel();
  });
  if (target == nullptr) return false;
  static_cast<TButton*>(target)->Click();
  return true;
}

// ---- TApplication --------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) { SetToolkitApplicationHandle(Handle()); }

TApplication::~TApplication() {
  Shutdown();
  SetToolkitApplicationHandle(nullptr);
}

void TApplication::Initialize() {}

void TApplication::FormCreated(TForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::Run() {
  if (mainForm_ == nullptr) return;
  mainForm_->Show();
  toolkit::CurrentBackend().RunLoop();
}

void TApplication::Terminate() { terminated_ = true; }

void TApplication::ProcessMessages() { toolkit::CurrentBackend().ProcessMessages(); }

std::string TApplication::Title() const {
  if (!title_.empty()) return title_;
  return ChangeFileExt(ExtractFileName(ExeName()), "");
}

void TApplication::SetTitle(const std::string& title) {
  if (title_ == title) return;
  title_ = title;
  if (mainForm_ != nullptr) toolkit::CurrentBackend().ControlChanged(mainForm_, toolkit::Change::Caption);
}

HWND TApplication::Handle() const { return reinterpret_cast<HWND>(&g_applicationWindow); }

std::string TApplication::ExeName() const {
  char buffer[4096];
  DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return std::string();
  return std::string(buffer, n);
}

void TApplication::ShowException(const Exception* error) {
  if (error == nullptr) return;
  MessageBoxA(Handle(), error->Message.c_str(), Title().c_str(), MB_OK | MB_ICONERROR);
}

void TApplication::Shutdown() {
  DestroyComponents();
  mainForm_ = nullptr;
  terminated_ = false;
  title_.clear();
}

// ---- TScreen -------------------------------------------------------------------

int TScreen::Width() const { return toolkit::CurrentBackend().ScreenWidth(); }

int TScreen::Height() const { return toolkit::CurrentBackend().ScreenHeight(); }

RECT TScreen::WorkAreaRect() const {
  RECT area = {0, 0, Width(), Height()};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

int TScreen::FormCount() const { return static_cast<int>(AllForms().size()); }

TForm* TScreen::Forms(int index) const { return AllForms().at(static_cast<size_t>(index)); }

TForm* TScreen::ActiveForm() const {
  if (!ModalForms().empty()) return ModalForms().back();
  TForm* main = Application->MainForm();
  return main != nullptr && main->Visible() ? main : nullptr;
}

// ---- process-wide objects -------------------------------------------------------

namespace {

void ShutdownAtExit() { Application->Shutdown(); }

}  // namespace

TApplication* TApplicationRef::operator->() const {
  // Created on first use, also during static initialisation; never deleted,
  // but its forms are destroyed at process exit.
  static TApplication* application = [] {
    auto* app = new TApplication;
    std::atexit(ShutdownAtExit);
    return app;
  }();
  return application;
}

TScreen* TScreenRef::operator->() const {
  static TScreen* screen = new TScreen;
  return screen;
}

const TApplicationRef Application{};
const TScreenRef Screen{};
