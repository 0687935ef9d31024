// The main window: the message area (memo), the progress bar, the OK, Cancel
// and Exit buttons and the menu bar with the COM port menu, all sized and laid
// out from the built-in text. It owns the sequence controller and starts the
// tick thread; every tick, button and menu handler runs on the GUI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"

class clsMainSeq;
class thrProg;

class TForm1 : public TForm {
 public:
  // Number of menu entries; entry q describes line q of App_MenuList.
  static const int kMenuEntries = 100;
  // Port entries "COM &1" .. "COM &4" and "&More..." of the menu list.
  static const int kFirstPortEntry = 4;
  static const int kMorePortEntry = 8;
  // The memo keeps at most this many displayed lines after a tick.
  static const int kMemoMaxLines = 120;

  // Builds and lays out the window from the text table and starts the tick
  // thread. A size or font value that is not an integer raises the toolkit's
  // conversion error.
  explicit TForm1(TComponent* owner);
  ~TForm1() override;

  // ---- controls (owned by the window)
  TPanel* Panel1;
  TPanel* Panel_Main;
  TMemo* Memo1;
  TProgressBar* ProgressBar1;
  TButton* Button_Start;
  TButton* Button_Cancel;
  TButton* Button_Exit;
  TMainMenu* MainMenu1;
  TMenuItem* MenuItems[kMenuEntries];

  // ---- menu
  // Builds the menu bar from App_MenuList: the blanks before "+" give the
  // depth, the caption follows the "+" up to the first ",".
  void BuildMenu();
  // The click handler of every menu entry; dispatches on the entry's number.
  void Button1Click(TObject* Sender);
  // Character set, name and size in points, in that order.
  static void ApplyFont(TFont* font, int charset, const std::string& name, int size);
  // Width of each of the three buttons over a progress bar `barWidth` wide.
  static int ButtonWidthFor(int barWidth);

  // ---- tick and status presentation
  // One tick: step the controller and show its outcome.
  void Timer1Timer();
  void ComposeStepMessage();
  // Builds the text of error `code`, shows it in a message box and returns
  // it; an error marked "%F" ends the program after its box.
  std::string ReportError(int32_t code);
  void ShowPortMarks();
  void ScrollMemoToEnd();
  // The caption for progress-bar position `position` (0..255): the title,
  // with the percentage before it unless the position is 0.
  static std::string TitleFor(int position, const std::string& title);

  // ---- buttons
  void Button_StartClick(TObject* Sender);
  void Button_CancelClick(TObject* Sender);
  void Button_ExitClick(TObject* Sender);

  // ---- port dialog
  void ShowPortDialog();
  void OnPortDialogOk(TObject* Sender);
  void OnPortDialogCancel(TObject* Sender);
  void CentreOver(TForm* form);
  static void KeepInWorkArea(TForm* form);

  // ---- state
  clsMainSeq& Sequence() const { return *m_seq; }
  int32_t LastShownState() const { return m_lastState; }
  const std::string& TitleText() const { return m_title; }
  // The most recent port dialog and its edit box (null before the first).
  TForm* PortDialog() const { return m_portDialog; }
  TEdit* PortEdit() const { return m_portEdit; }

 private:
  std::unique_ptr<clsMainSeq> m_seq;
  int32_t m_lastState;
  std::string m_title;
  thrProg* m_thread;  // frees itself once told to stop
  TForm* m_portDialog;
  TEdit* m_portEdit;
};

// The main form, as created by the entry (null until then).
extern TForm1* Form1;
