#include "app/Frmmain.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/Globals.h"
#include "app/Thrprog.h"
#include "app/clsStrCom.h"
#include "platform/winapi.h"
#include "profiles/profile.h"
#include "profiles/seqtable.h"
#include "sequence/clsMainSeq.h"
#include "settings/clsEnviron.h"
#include "text/clsGTex.h"
#include "toolkit/SysUtils.h"

TForm1* Form1 = nullptr;

namespace {

const char kCrLf[] = "\r\n";
const char kStarRow[] = "***********************";  // 23 asterisks

// Adds `line` as a new last line of a memo text (lines each followed by
// CR LF).
void AddLineTo(std::string& text, const std::string& line) {
  if (!text.empty() && text.compare(text.size() < 2 ? 0 : text.size() - 2, 2, kCrLf) != 0) text += kCrLf;
  text += line;
  text += kCrLf;
}

// Appends `part` to the last line of a memo text; an empty text gets its first
// line.
void AppendToLastLineOf(std::string& text, const std::string& part) {
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, kCrLf) == 0) {
    text.insert(text.size() - 2, part);
  } else {
    text += part;
    text += kCrLf;
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

TForm1::TForm1(TComponent* owner)
    : TForm(owner),
      Panel1(nullptr),
      Panel_Main(nullptr),
      Memo1(nullptr),
      ProgressBar1(nullptr),
      Button_Start(nullptr),
      Button_Cancel(nullptr),
      Button_Exit(nullptr),
      MainMenu1(nullptr),
      MenuItems(),
      m_lastState(0),
      m_thread(nullptr),
      m_portDialog(nullptr),
      m_portEdit(nullptr) {
  clsGTex& text = AppText();

  // 1. The window and its controls as designed.
  SetBorderStyle(bsSingle);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetColor(clBtnFace);
  Font->SetName("Arial");
  Font->SetHeight(-12);

  Panel1 = new TPanel(this);
  Panel1->SetParent(this);
  Panel1->SetBevelWidth(3);
  Panel1->SetBevelOuter(bvRaised);

  Panel_Main = new TPanel(this);
  Panel_Main->SetParent(this);
  Panel_Main->SetBevelOuter(bvLowered);
  Panel_Main->SetBevelWidth(3);

  Memo1 = new TMemo(this);
  Memo1->SetParent(Panel_Main);
  Memo1->SetReadOnly(true);
  Memo1->SetScrollBars(ssVertical);
  Memo1->SetWordWrap(true);
  Memo1->SetTabStop(false);

  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->SetParent(Panel_Main);
  ProgressBar1->SetRange(0, 255);

  Button_Start = new TButton(this);
  Button_Start->SetParent(Panel_Main);
  Button_Start->SetDefault(true);
  Button_Start->SetTabStop(true);
  Button_Start->OnClick = MakeEvent(this, &TForm1::Button_StartClick);

  Button_Cancel = new TButton(this);
  Button_Cancel->SetParent(Panel_Main);
  Button_Cancel->SetCancel(true);
  Button_Cancel->SetTabStop(true);
  Button_Cancel->OnClick = MakeEvent(this, &TForm1::Button_CancelClick);

  Button_Exit = new TButton(this);
  Button_Exit->SetParent(Panel_Main);
  Button_Exit->SetTabStop(true);
  Button_Exit->OnClick = MakeEvent(this, &TForm1::Button_ExitClick);

  Button_Start->SetTabOrder(0);
  Button_Cancel->SetTabOrder(1);
  Button_Exit->SetTabOrder(2);

  // 2. Outer size.
  const int width = StrToInt(text.Lookup("Sys_Form_Size", 0));
  const int height = StrToInt(text.Lookup("Sys_Form_Size", 1));
  SetWidth(width);
  SetHeight(height);

  // 3. Centred horizontally, a little above the vertical centre.
  SetPosition(poDesigned);
  SetLeft((Screen->Width() - width) / 2);
  SetTop(static_cast<int>(((Screen->Height() - height) / 2) * 0.8));

  // 4. Title.
  m_title = text.Lookup("Sys_AppTitle", 0);
  SetCaption(m_title);
  Application->SetTitle(m_title);

  // 5. Menu bar; entry 0 (the "&File" menu of the built-in text) is hidden.
  MainMenu1 = new TMainMenu(this);
  SetMenu(MainMenu1);
  for (int q = 0; q < kMenuEntries; ++q) {
    MenuItems[q] = new TMenuItem(this);
    MenuItems[q]->SetCaption("---");
    MenuItems[q]->OnClick = MakeEvent(this, &TForm1::Button1Click);
  }
  BuildMenu();
  MenuItems[0]->SetVisible(false);

  // 6. Layout in the client area (below the menu bar).
  Panel1->SetBounds(3, 3, ClientWidth() - 6, ClientHeight() - 3 - 3);
  Panel_Main->SetBounds(Panel1->Left() + 6, Panel1->Top() + 6, Panel1->Width() - 12, Panel1->Height() - 12);
  ProgressBar1->SetBounds(10, Panel_Main->Height() - 16 - 8, Panel_Main->Width() - 20, 16);

  Button_Start->SetCaption(text.Lookup("App_ButtonCaption", 0));
  Button_Cancel->SetCaption(text.Lookup("App_ButtonCaption", 1));
  Button_Exit->SetCaption(text.Lookup("App_ButtonCaption", 2));

  const int buttonHeight = 2 * ProgressBar1->Height();
  const int buttonTop = ProgressBar1->Top() - buttonHeight - 5;
  const int buttonWidth = ButtonWidthFor(ProgressBar1->Width());
  Button_Start->SetBounds(ProgressBar1->Left(), buttonTop, buttonWidth, buttonHeight);
  Button_Exit->SetBounds(ProgressBar1->Left() + ProgressBar1->Width() - buttonWidth, buttonTop, buttonWidth,
                         buttonHeight);
  Button_Cancel->SetBounds((Button_Start->Left() + Button_Exit->Left()) / 2, buttonTop, buttonWidth, buttonHeight);
  Memo1->SetBounds(10, 10, Panel_Main->Width() - 20, Button_Start->Top() - 10 - 8);

  // 7. Startup message: the lines up to the lone "#". A table that lacks the
  // closing "#" ends at the text table's error answer (which every lookup
  // past the end of the table gives), shown once, rather than never.
  std::string startup;
  for (int32_t i = 0;; ++i) {
    const std::string line = text.Lookup("Seq_Message_00", i);
    if (Trim(line) == "#") break;
    if (i > 0) startup += kCrLf;
    startup += line;
    if (line == clsGTex::kErrorText) break;
  }
  startup += kCrLf;
  startup += kCrLf;
  Memo1->SetText(startup);

  // 8. Sequence controller; no state equals the initial last shown state.
  m_seq.reset(new clsMainSeq());
  m_lastState = ProfileSeqTable().count;

  // 9. Fonts.
  const int charset = StrToInt(text.Lookup("Sys_Font_CharSet", 0));
  const std::string fontName = text.Lookup("Sys_Font_Name", 0);
  const int fontSize = StrToInt(text.Lookup("Sys_Font_Size", 0));
  ApplyFont(Font, charset, fontName, fontSize);
  ApplyFont(Memo1->Font, charset, fontName, fontSize);
  ApplyFont(Button_Start->Font, charset, fontName, fontSize);
  ApplyFont(Button_Cancel->Font, charset, fontName, fontSize);
  ApplyFont(Button_Exit->Font, charset, fontName, fontSize);

  // 10. The tick thread; its first tick runs once the message loop serves it.
  m_thread = new thrProg(this);
}

TForm1::~TForm1() {
  // No tick may run from here on; the thread is not waited for.
  if (m_thread != nullptr) m_thread->Terminate();
  m_thread = nullptr;

  // The menu with its entries (the last first, so that no entry is freed
  // twice through its parent).
  SetMenu(nullptr);
  for (int q = kMenuEntries - 1; q >= 0; --q) {
    delete MenuItems[q];
    MenuItems[q] = nullptr;
  }
  delete MainMenu1;
  MainMenu1 = nullptr;

  m_seq.reset();  // closes the port
  m_title.clear();
  m_portDialog = nullptr;
  m_portEdit = nullptr;
  if (Form1 == this) Form1 = nullptr;

  // The controls and the port dialogs refer back to this window's handlers.
  DestroyComponents();
}

int TForm1::ButtonWidthFor(int barWidth) {
  // The factor is 1 / 3.2 formed in extended precision from the double
  // nearest 3.2: just below 5/16, so a 320-pixel bar gives 99.
  return static_cast<int>(barWidth * (long double)1 / (long double)3.2);
}

void TForm1::ApplyFont(TFont* font, int charset, const std::string& name, int size) {
  font->SetCharset(static_cast<TFontCharset>(charset));
  font->SetName(name);
  font->SetSize(size);
}

// ---------------------------------------------------------------------------
// Menu

void TForm1::BuildMenu() {
  clsGTex& text = AppText();
  TMenuItem* recent[kMenuEntries] = {};  // most recent entry of each depth
  int previousDepth = 0;
  for (int q = 0; q < kMenuEntries; ++q) {
    const std::string line = text.Lookup("App_MenuList", q);
    clsStrCom items;
    items.SetText(line);
    if (items.FieldCount("+") < 2) break;

    int depth = static_cast<int>(items.Field("+", 0).size());
    if (q == 0) {
      depth = 0;
    } else if (depth > previousDepth + 1) {
      depth = previousDepth + 1;
    }

    // From position depth + 2 (1-based) up to the first comma.
    clsStrCom rest;
    rest.SetText(static_cast<size_t>(depth) + 1 < line.size() ? line.substr(static_cast<size_t>(depth) + 1)
                                                              : std::string());
    const std::string caption = rest.Field(",", 0);

    if (depth == 0) {
      MainMenu1->Items->Add(MenuItems[q]);
    } else {
      recent[depth - 1]->Add(MenuItems[q]);
    }
    MenuItems[q]->SetCaption(caption);
    recent[depth] = MenuItems[q];
    previousDepth = depth;
  }
}

void TForm1::Button1Click(TObject* Sender) {
  int entry = -1;
  for (int q = 0; q < kMenuEntries; ++q) {
    if (MenuItems[q] == Sender) {
      entry = q;
      break;
    }
  }
  if (entry >= kFirstPortEntry && entry < kMorePortEntry) {
    if (!m_seq->IsIdle()) return;
    clsEnviron& settings = AppEnviron();
    settings.ChoosePort(entry - kFirstPortEntry + settings.LowestPort());
    ShowPortMarks();
  } else if (entry == kMorePortEntry) {
    ShowPortDialog();
  }
}

// ---------------------------------------------------------------------------
// Tick and status presentation

void TForm1::Timer1Timer() {
  ComposeStepMessage();

  while (Memo1->Lines->Count() > kMemoMaxLines) {
    for (int i = 0; i < 10; ++i) {
      Memo1->Lines->Delete(0);
      ScrollMemoToEnd();
    }
  }

  ProgressBar1->SetPosition(m_seq->Progress());

  const std::string caption = TitleFor(ProgressBar1->Position(), m_title);
  if (Caption() != caption) SetCaption(caption);
  if (Application->Title() != caption) Application->SetTitle(caption);

  ShowPortMarks();

  Button_Start->SetEnabled(m_seq->IsIdle());
  Button_Cancel->SetEnabled(m_seq->IsBusy());
}

std::string TForm1::TitleFor(int position, const std::string& title) {
  if (position == 0) return title;
  char percent[16];
  std::snprintf(percent, sizeof percent, "%3d%% - ", position * 100 / 255);
  return percent + title;
}

void TForm1::ComposeStepMessage() {
  clsGTex& text = AppText();
  if (m_seq->State() <= ProfileSeqTable().ready) m_seq->SetPort(AppEnviron().CurrentPort());

  const int32_t error = m_seq->Step();
  if (error != 0) {
    m_seq->ClearError();
    std::string memo = Memo1->Text();
    memo += kCrLf;
    memo += kStarRow;
    memo += kCrLf;
    memo += ReportError(error);
    memo += kCrLf;
    memo += kStarRow;
    memo += kCrLf;
    memo += kCrLf;
    Memo1->SetText(memo);
    ScrollMemoToEnd();
    return;
  }

  const int32_t state = m_seq->State();
  if (state == m_lastState) return;
  m_lastState = state;

  clsStrCom message;
  message.SetText(text.Lookup("Seq_Mess_SequenceTips", state));
  const int32_t fields = message.FieldCount("@");  // field 0 is the state's label
  std::string memo = Memo1->Text();
  for (int32_t i = 1; i < fields; ++i) {
    const std::string field = message.Field("@", i);
    if (field == "$") {
      AddLineTo(memo, "");
    } else if (field == "%R") {
      const ProfileConstants& profile = Profile();
      char sum[16];
      std::snprintf(sum, sizeof sum, "Sum=$%04X",
                    static_cast<unsigned>(m_seq->RomImage().Sum16(profile.sumFirst, profile.sumLast)));
      AddLineTo(memo, sum);
    } else if (field == "%C") {
      AppendToLastLineOf(memo, IntToStr(m_seq->CompletedCount() + 1));
    } else {
      AppendToLastLineOf(memo, field);
    }
  }
  if (memo != Memo1->Text()) Memo1->SetText(memo);
  ScrollMemoToEnd();
}

std::string TForm1::ReportError(int32_t code) {
  clsGTex& text = AppText();
  std::string message = text.Lookup("Seq_Mess_Error_Top", 0);
  bool fatal = false;

  clsStrCom fields;
  fields.SetText(text.Lookup("Seq_Mess_Error_Main", code));
  const int32_t count = fields.FieldCount("@");
  for (int32_t i = 1; i < count; ++i) {
    const std::string field = fields.Field("@", i);
    if (field == "$") {
      message += kCrLf;
    } else if (field == "%F") {
      fatal = true;
    } else {
      message += field;
    }
  }

  const std::string caption = text.Lookup("Sys_AppTitle", 0);
  MessageBoxA(Application->Handle(), message.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
  if (fatal) std::exit(0);
  return message;
}

void TForm1::ShowPortMarks() {
  const int32_t port = AppEnviron().CurrentPort();
  const int32_t marked = std::min<int32_t>(port, 5);
  for (int k = 1; k <= 5; ++k) {
    MenuItems[kFirstPortEntry + k - 1]->SetChecked(k == marked);
  }
}

void TForm1::ScrollMemoToEnd() {
  Memo1->SetSelStart(static_cast<int>(Memo1->Text().size()));
  Memo1->SetSelLength(0);
  Memo1->ScrollCaret();
}

// ---------------------------------------------------------------------------
// Buttons

void TForm1::Button_StartClick(TObject* /*Sender*/) {
  if (!m_seq->IsIdle()) return;
  if (m_seq->State() == ProfileSeqTable().ready) m_seq->Start();
}

void TForm1::Button_CancelClick(TObject* /*Sender*/) {
  if (!m_seq->IsBusy()) return;
  m_seq->Cancel();
  std::string memo = Memo1->Text();
  memo += kCrLf;
  memo += kCrLf;
  memo += AppText().Lookup("Seq_Mess_Cancel", 0);
  memo += kCrLf;
  memo += kCrLf;
  Memo1->SetText(memo);
}

void TForm1::Button_ExitClick(TObject* /*Sender*/) {
  // The normal process exit: the static objects are destroyed and the
  // settings saved; a write in progress is abandoned and the port closed by
  // the system at the end of the process.
  std::exit(0);
}

// ---------------------------------------------------------------------------
// Port dialog

void TForm1::ShowPortDialog() {
  clsGTex& text = AppText();
  clsEnviron& settings = AppEnviron();

  // 1. A plain form with the toolkit's default font.
  TForm* dialog = new TForm(this);
  dialog->SetBorderStyle(bsSingle);
  dialog->SetBorderIcons(biSystemMenu);
  dialog->SetCaption(text.Lookup("GI_AppInd_Opt_ComSel_Caption", 0));
  const TCanvas* canvas = dialog->Canvas;
  const int heightW = canvas->TextHeight("W");

  // 2. Prompt.
  TLabel* label = new TLabel(dialog);
  label->SetParent(dialog);
  label->SetAutoSize(true);
  label->SetShowAccelChar(false);
  label->SetCaption(text.Lookup("GI_AppInd_Opt_ComSel_Notice", 0));
  label->SetLeft(heightW);
  label->SetTop(label->Left());

  // 3. Edit box, sized for four digits and a double-byte character pair.
  TEdit* edit = new TEdit(dialog);
  edit->SetParent(dialog);
  edit->SetTabStop(true);
  edit->SetText(IntToStr(settings.CurrentPort()));
  edit->SetMaxLength(4);
  edit->SetBounds(canvas->TextWidth("WW") + label->Left(), label->Top() + label->Height() + heightW / 2,
                  canvas->TextWidth("255WWWW"), canvas->TextHeight("255WW\x90\xDD\x92\xE8"));
  edit->SetImeMode(imClose);

  // 4. Buttons, right-aligned with the label.
  TButton* ok = new TButton(dialog);
  ok->SetParent(dialog);
  ok->SetTabStop(true);
  ok->SetCaption(text.Lookup("GI_AppInd_Opt_ComSel_Buttons", 0));
  ok->SetDefault(true);
  ok->OnClick = MakeEvent(this, &TForm1::OnPortDialogOk);

  TButton* cancel = new TButton(dialog);
  cancel->SetParent(dialog);
  cancel->SetTabStop(true);
  cancel->SetCaption(text.Lookup("GI_AppInd_Opt_ComSel_Buttons", 1));
  cancel->SetCancel(true);
  cancel->OnClick = MakeEvent(this, &TForm1::OnPortDialogCancel);

  const int buttonWidth = canvas->TextWidth(text.Lookup("GI_AppInd_Opt_ComSel_SizeOfButtons", 0));
  const int buttonHeight = 2 * canvas->TextHeight(ok->Caption());
  cancel->SetBounds(label->Left() + label->Width() - buttonWidth, edit->Top() + 4 * edit->Height(), buttonWidth,
                    buttonHeight);
  ok->SetBounds(cancel->Left() - buttonWidth - buttonHeight / 2, cancel->Top(), buttonWidth, buttonHeight);

  // 5. Client size.
  dialog->SetClientWidth(2 * label->Left() + label->Width());
  dialog->SetClientHeight(static_cast<int>(cancel->Top() + 1.5 * cancel->Height()));

  // 6. Over the main window, inside the work area.
  CentreOver(dialog);

  // 7. Modal; ticks go on meanwhile.
  m_portDialog = dialog;
  m_portEdit = edit;
  dialog->SetActiveControl(edit);
  dialog->ShowModal();
}

void TForm1::OnPortDialogOk(TObject* /*Sender*/) {
  if (m_portDialog == nullptr || m_portEdit == nullptr) return;
  clsEnviron& settings = AppEnviron();

  // C-library decimal reading: optional sign, leading digits, 0 without any.
  // strtol saturates instead of overflowing on a long text.
  const std::string typed = Trim(m_portEdit->Text());
  const long port = std::strtol(typed.c_str(), nullptr, 10);

  if (port < settings.LowestPort() || port > settings.HighestPort()) {
    const std::string message = AppText().Lookup("GI_AppInd_Opt_ComSel_OutofRange", 0);
    MessageBoxA(m_portDialog->Handle(), message.c_str(), Profile().productTitle, MB_ICONERROR | MB_OK);
    m_portEdit->SetFocus();
    return;
  }
  settings.ChoosePort(static_cast<int32_t>(port));
  m_portDialog->SetModalResult(mrOk);
}

void TForm1::OnPortDialogCancel(TObject* /*Sender*/) {
  if (m_portDialog != nullptr) m_portDialog->Close();
}

void TForm1::CentreOver(TForm* form) {
  form->SetLeft(Left() + (Width() - form->Width()) / 2);
  form->SetTop(Top() + (Height() - form->Height()) / 2);
  KeepInWorkArea(form);
}

void TForm1::KeepInWorkArea(TForm* form) {
  RECT area;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) return;
  int left = form->Left();
  int top = form->Top();
  if (left + form->Width() > area.right) left = area.right - form->Width();
  if (left < area.left) left = area.left;
  if (top + form->Height() > area.bottom) top = area.bottom - form->Height();
  if (top < area.top) top = area.top;
  form->SetBounds(left, top, form->Width(), form->Height());
}
