#include <string>

#include "Fixture.h"
#include "toolkit/ComCtrls.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

namespace {

// A form with an edit box, OK (default), Cancel (cancel) and Exit buttons on
// a panel, recording the clicks.
struct TDialog : TForm {
  explicit TDialog(TComponent* owner) : TForm(owner) {
    panel = new TPanel(this);
    panel->SetParent(this);
    edit = new TEdit(this);
    edit->SetParent(panel);
    edit->SetMaxLength(4);
    ok = Button("OK");
    ok->SetDefault(true);
    cancel = Button("Cancel");
    cancel->SetCancel(true);
    exit = Button("Exit");
  }
  TButton* Button(const std::string& caption) {
    auto* b = new TButton(this);
    b->SetParent(panel);
    b->SetCaption(caption);
    b->OnClick = [this](TObject* s) { clicks += static_cast<TButton*>(s)->Caption() + ";"; };
    return b;
  }
  TPanel* panel;
  TEdit* edit;
  TButton *ok, *cancel, *exit;
  std::string clicks;
};

// Records its destruction.
struct TrackedButton : TButton {
  TrackedButton(TComponent* owner, bool* gone) : TButton(owner), gone_(gone) {}
  ~TrackedButton() override { *gone_ = true; }
  bool* gone_;
};

using FormTest = HeadlessTest;

}  // namespace

TEST_F(FormTest, ClientAreaLiesInsideTheFrameAndBelowTheMenuBar) {
  TForm form(nullptr);
  form.SetBorderStyle(bsSingle);
  form.SetBounds(0, 0, 560, 400);
  EXPECT_EQ(form.ClientWidth(), 554);
  EXPECT_EQ(form.ClientHeight(), 375);
  form.SetMenu(new TMainMenu(&form));
  EXPECT_EQ(form.ClientHeight(), 356);
  EXPECT_EQ(form.Height(), 400);  // the outer size stays
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  EXPECT_EQ(form.Width(), 206);
  EXPECT_EQ(form.Height(), 144);
}

TEST_F(FormTest, EnterPressesDefaultEscapePressesCancelAndNeitherClosesTheMainForm) {
  TDialog* main = nullptr;
  Application->CreateForm(&main);
  ASSERT_EQ(Application->MainForm(), main);
  main->Show();
  EXPECT_EQ(main->ActiveControl(), main->edit);  // first tab stop

  EXPECT_TRUE(Headless::PressEnter());
  EXPECT_TRUE(Headless::PressEscape());
  EXPECT_EQ(main->clicks, "OK;Cancel;");

  // A focused button takes Enter; Escape still goes to the cancel button.
  main->exit->SetFocus();
  EXPECT_TRUE(Headless::PressEnter());
  EXPECT_EQ(main->clicks, "OK;Cancel;Exit;");
  main->edit->SetFocus();

  // Disabled or hidden buttons are not pressed, and nothing else happens.
  main->cancel->SetEnabled(false);
  main->ok->SetVisible(false);
  EXPECT_FALSE(Headless::PressEscape());
  EXPECT_FALSE(Headless::PressEnter());
  EXPECT_FALSE(Headless::Click(main->cancel));
  main->cancel->Click();  // a program's call still fires
  EXPECT_EQ(main->clicks, "OK;Cancel;Exit;Cancel;");
  EXPECT_FALSE(Application->Terminated());
  EXPECT_TRUE(main->Visible());

  // The main form's title-bar button ends the message loop.
  EXPECT_TRUE(Headless::CloseByTitleBar(main));
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(FormTest, ModalDialogIsDrivenByTheScript) {
  TDialog* main = nullptr;
  Application->CreateForm(&main);
  main->Show();
  TDialog* dialog = new TDialog(main);
  dialog->ok->SetModalResult(mrOk);
  dialog->edit->SetText("1");
  bool mainReachable = true;
  Headless::SetModalScript([&](TForm* form) {
    ASSERT_EQ(form, dialog);
    EXPECT_EQ(Headless::ActiveForm(), dialog);
    mainReachable = Headless::Click(main->ok) || Headless::PressEnter(main);
    // Typing replaces the selected text and stops at MaxLength.
    EXPECT_TRUE(Headless::Type(dialog->edit, "123456"));
    EXPECT_EQ(dialog->edit->Text(), "1234");
    EXPECT_TRUE(Headless::PressEscape());  // no ModalResult: stays open
    EXPECT_EQ(dialog->ModalResult(), mrNone);
    EXPECT_TRUE(Headless::PressEnter());
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_FALSE(mainReachable);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(dialog->clicks, "Cancel;OK;");
  EXPECT_EQ(main->clicks, "");
  EXPECT_EQ(Headless::ActiveForm(), main);

  // Left open by the script (or without one): closed as by the title bar.
  Headless::SetModalScript([](TForm*) {});
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  Headless::SetModalScript(nullptr);
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  // Close inside the modal loop ends it with mrCancel, not the program.
  Headless::SetModalScript([](TForm* form) { form->Close(); });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_FALSE(Application->Terminated());
}

TEST_F(FormTest, MessageBoxesAreRecordedAndAnswered) {
  Application->SetTitle("Flash Title");
  Headless::SetMessageBoxAnswer([](const Headless::MessageBoxRecord& r) { return r.text == "ask" ? 7 : IDOK; });
  EXPECT_EQ(MessageBoxA(nullptr, "ask", "Q", MB_OK), 7);
  EConvertError error("'abc' is not a valid integer value");
  Application->ShowException(&error);
  const auto& boxes = Headless::MessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "ask");
  EXPECT_EQ(boxes[1].owner, Application->Handle());
  EXPECT_EQ(boxes[1].text, "'abc' is not a valid integer value");
  EXPECT_EQ(boxes[1].caption, "Flash Title");
  EXPECT_EQ(boxes[1].flags, MB_OK | MB_ICONERROR);
}

TEST_F(FormTest, ScreenAndWorkAreaComeFromTheTest) {
  Headless::SetScreenSize(800, 600);
  Headless::SetWorkArea(RECT{0, 0, 800, 570});
  EXPECT_EQ(Screen->Width(), 800);
  EXPECT_EQ(Screen->Height(), 600);
  RECT area = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  EXPECT_EQ(area.bottom, 570);
  EXPECT_EQ(Screen->WorkAreaRect().right, 800);
}

TEST_F(FormTest, OwnersAndParentsDestroyTheirControls) {
  bool ownedGone = false, parentedGone = false;
  TDialog* main = nullptr;
  Application->CreateForm(&main);
  new TrackedButton(main, &ownedGone);                       // owned, no parent
  (new TrackedButton(nullptr, &parentedGone))->SetParent(main->panel);  // parented, no owner
  new TDialog(main);  // a dialog owned by the main form
  main->exit->SetFocus();
  delete main->exit;  // the focus does not dangle
  EXPECT_EQ(main->ActiveControl(), nullptr);
  EXPECT_EQ(Screen->FormCount(), 2);
  Application->Shutdown();  // as at process exit
  EXPECT_TRUE(ownedGone);
  EXPECT_TRUE(parentedGone);
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(FormTest, RunServesTheMainFormUntilItIsClosed) {
  TDialog* main = nullptr;
  Application->CreateForm(&main);
  int rounds = 0;
  Headless::SetRunScript([&] {
    EXPECT_TRUE(main->Visible());
    return ++rounds < 3;
  });
  Application->Run();
  EXPECT_EQ(rounds, 3);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Application->MainForm(), main);  // destroyed at shutdown, not here
}

TEST_F(FormTest, FailedConstructorLeavesNoForm) {
  struct TBroken : TForm {
    explicit TBroken(TComponent* owner) : TForm(owner) {
      new TButton(this);
      throw EConvertError("'x' is not a valid integer value");
    }
  };
  TBroken* broken = reinterpret_cast<TBroken*>(1);
  EXPECT_THROW(Application->CreateForm(&broken), EConvertError);
  EXPECT_EQ(broken, nullptr);
  EXPECT_EQ(Application->MainForm(), nullptr);
  EXPECT_EQ(Application->ComponentCount(), 0);
  EXPECT_EQ(Screen->FormCount(), 0);
}

TEST_F(FormTest, TitleDefaultsToTheExecutableName) {
  platform::SetModuleFileName("/opt/flash/flash-k.exe");
  EXPECT_EQ(Application->ExeName(), "/opt/flash/flash-k.exe");
  EXPECT_EQ(Application->Title(), "flash-k");
  Application->SetTitle("Writer");
  EXPECT_EQ(Application->Title(), "Writer");
  platform::SetModuleFileName("");
}

TEST_F(FormTest, ProgressBarKeepsPositionInRange) {
  TProgressBar bar(nullptr);
  bar.SetRange(0, 255);
  struct Case {
    int set, expect;
  } cases[] = {{128, 128}, {300, 255}, {-1, 0}, {255, 255}};
  for (const Case& c : cases) {
    bar.SetPosition(c.set);
    EXPECT_EQ(bar.Position(), c.expect) << c.set;
  }
  bar.SetMax(100);
  EXPECT_EQ(bar.Position(), 100);
}
