// Forms, the application object and the screen.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

// Title-bar buttons, combined with |.
typedef unsigned TBorderIcons;
const TBorderIcons biSystemMenu = 1;
const TBorderIcons biMinimize = 2;
const TBorderIcons biMaximize = 4;
const TBorderIcons biHelp = 8;

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter };

// Keys a form handles itself, whatever control has the focus.
enum class TDialogKey { Enter, Escape };

// A top-level window. Left, Top, Width and Height are the outer bounds; the
// client area, in which the children are placed, lies inside the border and
// below the caption and, while the form has a main menu, the menu bar
// (toolkit::Backend::Frame). Setting the client size changes the outer size.
//
// Defaults: 320 x 240 at 0,0, border bsSizeable, all title-bar buttons,
// position poDesigned (the bounds are used as set), colour clBtnFace, the
// toolkit's default font, hidden.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  int ClientWidth() const override;
  int ClientHeight() const override;
  void SetClientWidth(int value) override;
  void SetClientHeight(int value) override;

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons value);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value);

  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);

  // Measures with the form's font.
  TCanvas* const Canvas;

  // The control with the keyboard focus (null: none).
  TWinControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TWinControl* control);

  // Shows the form modally and serves events until its ModalResult is not
  // mrNone; then hides it and gives the result.
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value);

  // Closes the form: a modal form ends its ShowModal with mrCancel; the main
  // form ends the application's message loop; any other form is hidden.
  void Close();

  // Enter presses the focused button, or else (unless the focused control
  // takes Enter itself) the default button; Escape presses the cancel button.
  // Only a showing, enabled button is pressed. A form never closes itself on
  // a key. Gives whether a button was pressed.
  bool DialogKey(TDialogKey key);

  // Gives the focus to the first focusable tab stop (in tab order), when no
  // control has it.
  void SelectFirst();

  void SetVisible(bool value) override;

 private:
  friend class TWinControl;
  friend class TControl;
  void ControlRemoved(TControl* control);

  TFormBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TPosition position_ = poDesigned;
  TMainMenu* menu_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  bool modal_ = false;
  int modalResult_ = mrNone;
};

// The program's application object.
class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  void Initialize();

  // Creates a form owned by the application and stores it in *reference
  // (null while the constructor runs; stays null if it throws). The first
  // form created becomes the main form.
  template <class T>
  void CreateForm(T** reference) {
    if (reference != nullptr) *reference = nullptr;
    T* form = new T(this);
    if (reference != nullptr) *reference = form;
    FormCreated(form);
  }

  // Shows the main form and serves events until the main form is closed (or
  // Terminate). Without a main form it returns at once.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Serves pending events without waiting.
  void ProcessMessages();

  TForm* MainForm() const { return mainForm_; }

  // Shown in the task bar and as the caption of the standard error display.
  // Unset, it is the executable's file name without its extension.
  std::string Title() const;
  void SetTitle(const std::string& title);

  // The application window: owner of the program's message boxes.
  HWND Handle() const;
  // Full path of the running executable (GetModuleFileNameA); "" if unknown.
  std::string ExeName() const;

  // The standard display of an error: a message box owned by the application
  // window with the error's message, caption Title, error icon, one OK.
  void ShowException(const Exception* error);

  // Destroys every form the application owns (the main form included) and
  // returns to the state before the first form; done at process exit and by
  // the headless backend between tests.
  void Shutdown();

 private:
  void FormCreated(TForm* form);

  TForm* mainForm_ = nullptr;
  std::string title_;
  bool terminated_ = false;
};

// The screen: size of the primary display and the open forms.
class TScreen : public TObject {
 public:
  int Width() const;
  int Height() const;
  // The desktop's work area (SPI_GETWORKAREA).
  RECT WorkAreaRect() const;

  int FormCount() const;
  TForm* Forms(int index) const;
  // The form that takes the keyboard: the innermost modal form, else the
  // main form if it is showing, else null.
  TForm* ActiveForm() const;
};

// Process-wide access to the application object and the screen, usable at
// any time, also during static initialisation: Application->Title().
struct TApplicationRef {
  TApplication* operator->() const;
  operator TApplication*() const { return operator->(); }
};
struct TScreenRef {
  TScreen* operator->() const;
  operator TScreen*() const { return operator->(); }
};
extern const TApplicationRef Application;
extern const TScreenRef Screen;
