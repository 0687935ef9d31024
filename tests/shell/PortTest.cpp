// Port choice: the menu's check marks, the four port entries, and the port
// dialog with its checks, its layout and its place on the desktop.
#include <gtest/gtest.h>

#include "app/Globals.h"
#include "settings/clsEnviron.h"
#include "tests/shell/ShellTest.h"
#include "toolkit/Forms.h"

namespace shelltest {
namespace {

using PortTest = ShellTest;

// Which of the entries "COM &1" .. "&More..." carry the check mark.
std::string Marks(TForm1& f) {
  std::string marks;
  for (int q = TForm1::kFirstPortEntry; q <= TForm1::kMorePortEntry; ++q) marks += f.MenuItems[q]->Checked() ? 'x' : '.';
  return marks;
}

TEST_F(PortTest, CheckMarkFollowsTheCurrentPort) {
  struct Case {
    int port;
    const char* marks;
  } cases[] = {{1, "x...."}, {2, ".x..."}, {3, "..x.."}, {4, "...x."}, {5, "....x"}, {200, "....x"}, {256, "....x"}};
  for (const Case& c : cases) {
    AppEnviron().ChoosePort(c.port);
    Tick();
    EXPECT_EQ(Marks(form()), c.marks) << c.port;
  }
}

TEST_F(PortTest, PortEntriesTakeEffectOnlyWhenIdle) {
  ToReady();
  ASSERT_TRUE(Headless::PressEnter(&form()));
  ASSERT_TRUE(TickUntil([&] { return seq().IsBusy() && dev_->IsOpen(); }));
  EXPECT_TRUE(Headless::ClickMenu(form().MenuItems[6]));  // "COM &3" during the run: ignored
  EXPECT_EQ(AppEnviron().CurrentPort(), kCom);
  EXPECT_EQ(Marks(form()), "x....");
  Tick();
  EXPECT_EQ(Marks(form()), "x....");

  ASSERT_TRUE(TickUntil([&] { return seq().State() == table().ready; }));
  EXPECT_EQ(radio_->phase(), seqtest::Phase::Done);  // the run went on with its port
  EXPECT_TRUE(Headless::ClickMenu(form().MenuItems[6]));
  EXPECT_EQ(AppEnviron().CurrentPort(), 3);
  EXPECT_EQ(Marks(form()), "..x..");
  // Heading entries do nothing.
  EXPECT_TRUE(Headless::ClickMenu(form().MenuItems[3]));
  EXPECT_EQ(AppEnviron().CurrentPort(), 3);
  EXPECT_TRUE(Headless::MessageBoxes().empty());
}

// Opens the dialog through "&More..." and runs `script` while it is open.
void WithDialog(TForm1& f, const std::function<void(TForm*, TEdit*)>& script) {
  bool shown = false;
  Headless::SetModalScript([&](TForm* dialog) {
    shown = true;
    ASSERT_EQ(dialog, f.PortDialog());
    script(dialog, f.PortEdit());
  });
  EXPECT_TRUE(Headless::ClickMenu(f.MenuItems[TForm1::kMorePortEntry]));
  EXPECT_TRUE(shown);
  Headless::SetModalScript(nullptr);
}

TEST_F(PortTest, DialogRefusesNumbersOutsideOneTo256) {
  AppEnviron().ChoosePort(9);
  const char* refused[] = {"0", "257", "-3", "", "abc", "    "};
  for (const char* typed : refused) {
    Headless::ClearMessageBoxes();
    WithDialog(form(), [&](TForm* dialog, TEdit* edit) {
      EXPECT_EQ(edit->Text(), "9");
      edit->SetText(typed);
      EXPECT_TRUE(Headless::PressEnter(dialog));
      ASSERT_EQ(Headless::MessageBoxes().size(), 1u) << typed;
      const Headless::MessageBoxRecord& box = Headless::MessageBoxes()[0];
      EXPECT_EQ(box.text, "Invalid COM Port number.");
      EXPECT_EQ(box.caption, Profile().productTitle);
      EXPECT_EQ(box.flags, MB_ICONERROR | MB_OK);
      EXPECT_EQ(box.owner, dialog->Handle());
      // Still open, text unchanged, the focus back in the edit box.
      EXPECT_TRUE(dialog->Modal());
      EXPECT_EQ(dialog->ModalResult(), mrNone);
      EXPECT_EQ(edit->Text(), typed);
      EXPECT_TRUE(edit->Focused());
      EXPECT_TRUE(Headless::PressEscape(dialog));
      EXPECT_EQ(dialog->ModalResult(), mrCancel);
    });
    EXPECT_EQ(AppEnviron().CurrentPort(), 9) << typed;
  }
}

TEST_F(PortTest, DialogAcceptsAndReadsLeadingDigits) {
  struct Case {
    const char* typed;
    int port;
  } cases[] = {{"256", 256}, {" 7 ", 7}, {"12abc", 12}, {"+5", 5}, {"1", 1}, {"0012", 12}};
  for (const Case& c : cases) {
    WithDialog(form(), [&](TForm* dialog, TEdit* edit) {
      edit->SetText(c.typed);
      EXPECT_TRUE(Headless::PressEnter(dialog));
      EXPECT_EQ(dialog->ModalResult(), mrOk);
    });
    EXPECT_EQ(AppEnviron().CurrentPort(), c.port) << c.typed;
  }
  EXPECT_TRUE(Headless::MessageBoxes().empty());
}

TEST_F(PortTest, PortTwelveMarksMoreAndReopensWithTwelve) {
  ToReady();
  WithDialog(form(), [&](TForm* dialog, TEdit* edit) {
    EXPECT_TRUE(edit->Focused());
    EXPECT_TRUE(Headless::Type(edit, "12"));
    EXPECT_TRUE(Headless::Click(static_cast<TButton*>(dialog->Controls(2))));  // OK
  });
  EXPECT_EQ(AppEnviron().CurrentPort(), 12);
  Tick();
  EXPECT_EQ(Marks(form()), "....x");
  EXPECT_EQ(seq().State(), table().ready);

  WithDialog(form(), [&](TForm* dialog, TEdit* edit) {
    EXPECT_EQ(edit->Text(), "12");
    edit->SetText("3");
    EXPECT_TRUE(Headless::Click(static_cast<TButton*>(dialog->Controls(3))));  // Cancel
  });
  EXPECT_EQ(AppEnviron().CurrentPort(), 12);
}

TEST_F(PortTest, DialogLayoutUnderTheDefaultFont) {
  // Default font 8 pt: 6 px per byte, text height 15.
  WithDialog(form(), [&](TForm* dialog, TEdit* edit) {
    EXPECT_EQ(dialog->Caption(), "COM Port");
    EXPECT_EQ(dialog->BorderStyle(), bsSingle);
    EXPECT_EQ(dialog->BorderIcons(), biSystemMenu);
    ASSERT_EQ(dialog->ControlCount(), 4);
    const TControl* label = dialog->Controls(0);
    const TButton* ok = static_cast<const TButton*>(dialog->Controls(2));
    const TButton* cancel = static_cast<const TButton*>(dialog->Controls(3));
    EXPECT_EQ(label->Caption(), "Enter COM Port number. (1 - 256)");
    EXPECT_EQ(ok->Caption(), "OK");
    EXPECT_EQ(cancel->Caption(), "Cancel");
    EXPECT_TRUE(ok->Default());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_EQ(edit->MaxLength(), 4);
    EXPECT_EQ(edit->ImeMode(), imClose);

    auto bounds = [](const TControl* c) {
      return std::to_string(c->Left()) + "," + std::to_string(c->Top()) + " " + std::to_string(c->Width()) + "x" +
             std::to_string(c->Height());
    };
    EXPECT_EQ(bounds(label), "15,15 192x15");
    EXPECT_EQ(bounds(edit), "27,37 42x15");  // 12 + 15; 15 + 15 + 7
    EXPECT_EQ(bounds(cancel), "153,97 54x30");
    EXPECT_EQ(bounds(ok), "84,97 54x30");  // 153 - 54 - 15
    EXPECT_EQ(dialog->ClientWidth(), 222);
    EXPECT_EQ(dialog->ClientHeight(), 142);  // 97 + 45
    // Centred over the main window (232,147 560x400).
    EXPECT_EQ(bounds(dialog), "398,263 228x167");
  });
}

TEST_F(PortTest, DialogStaysInsideTheWorkArea) {
  struct Case {
    int mainLeft, mainTop;
    RECT area;
    int left, top;
  } cases[] = {
      {900, 700, {0, 0, 1024, 738}, 796, 571},    // main window off the right and bottom
      {-500, -300, {0, 30, 1024, 768}, 0, 30},    // off the left and top, task bar on top
      {-500, 500, {100, 0, 1024, 768}, 100, 601},
      {232, 147, {0, 0, 1024, 768}, 398, 263},    // fully visible: centred
  };
  for (const Case& c : cases) {
    Headless::SetWorkArea(c.area);
    form().SetBounds(c.mainLeft, c.mainTop, form().Width(), form().Height());
    WithDialog(form(), [&](TForm* dialog, TEdit*) {
      EXPECT_EQ(dialog->Left(), c.left) << c.mainLeft << "," << c.mainTop;
      EXPECT_EQ(dialog->Top(), c.top) << c.mainLeft << "," << c.mainTop;
      EXPECT_GE(dialog->Left(), c.area.left);
      EXPECT_LE(dialog->Left() + dialog->Width(), c.area.right);
      EXPECT_GE(dialog->Top(), c.area.top);
      EXPECT_LE(dialog->Top() + dialog->Height(), c.area.bottom);
    });
  }
}

TEST_F(PortTest, TicksGoOnWhileTheDialogIsOpen) {
  ToReady();
  ASSERT_TRUE(Headless::PressEnter(&form()));
  WithDialog(form(), [&](TForm* dialog, TEdit* edit) {
    // A run in progress does not block the dialog, and the run goes on.
    for (int i = 0; i < 50; ++i) Tick();
    EXPECT_TRUE(seq().IsBusy());
    edit->SetText("4");
    EXPECT_TRUE(Headless::PressEnter(dialog));
  });
  // Marked at once, used from the next run on.
  EXPECT_EQ(AppEnviron().CurrentPort(), 4);
  Tick();
  EXPECT_EQ(Marks(form()), "...x.");
  ASSERT_TRUE(TickUntil([&] { return seq().State() == table().ready; }));
  EXPECT_EQ(radio_->phase(), seqtest::Phase::Done);
}

}  // namespace
}  // namespace shelltest
