// The main window as the constructor builds it from the built-in text, under
// the headless metrics (form border 3, caption 19, menu bar 19: the client
// area of a 560 x 400 window is 554 x 356).
#include <gtest/gtest.h>

#include "app/Globals.h"
#include "tests/shell/ShellTest.h"
#include "text/clsGTex.h"
#include "toolkit/Forms.h"

namespace shelltest {
namespace {

struct Box {
  int left, top, width, height;
};
Box BoundsOf(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }
bool operator==(const Box& a, const Box& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}
std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << b.left << "," << b.top << " " << b.width << "x" << b.height;
}

using WindowTest = ShellTest;

TEST_F(WindowTest, LayoutOfTheBuiltInText) {
  TForm1& f = form();
  EXPECT_EQ(BoundsOf(&f), (Box{232, 147, 560, 400}));  // (1024-560)/2, (768-400)/2*0.8
  EXPECT_EQ(f.ClientWidth(), 554);
  EXPECT_EQ(f.ClientHeight(), 356);

  EXPECT_EQ(BoundsOf(f.Panel1), (Box{3, 3, 548, 350}));
  EXPECT_EQ(BoundsOf(f.Panel_Main), (Box{9, 9, 536, 338}));
  EXPECT_EQ(BoundsOf(f.ProgressBar1), (Box{10, 314, 516, 16}));
  // 516 / 3.2 = 161.25
  EXPECT_EQ(BoundsOf(f.Button_Start), (Box{10, 277, 161, 32}));
  EXPECT_EQ(BoundsOf(f.Button_Cancel), (Box{187, 277, 161, 32}));
  EXPECT_EQ(BoundsOf(f.Button_Exit), (Box{365, 277, 161, 32}));
  EXPECT_EQ(BoundsOf(f.Memo1), (Box{10, 10, 516, 259}));

  EXPECT_EQ(f.Panel_Main->Parent(), &f);
  EXPECT_EQ(f.Memo1->Parent(), f.Panel_Main);
  EXPECT_EQ(f.ProgressBar1->Max(), 255);
  EXPECT_TRUE(f.Memo1->ReadOnly());
  EXPECT_EQ(f.BorderStyle(), bsSingle);
  EXPECT_EQ(f.BorderIcons(), biSystemMenu | biMinimize);
}

TEST_F(WindowTest, CaptionsAndFonts) {
  TForm1& f = form();
  const std::string title = Profile().productTitle;  // the built-in Sys_AppTitle
  EXPECT_EQ(f.Caption(), title);
  EXPECT_EQ(Application->Title(), title);
  EXPECT_EQ(f.Button_Start->Caption(), "OK");
  EXPECT_EQ(f.Button_Cancel->Caption(), "Cancel");
  EXPECT_EQ(f.Button_Exit->Caption(), "Exit");
  EXPECT_TRUE(f.Button_Start->Default());
  EXPECT_TRUE(f.Button_Cancel->Cancel());

  for (const TControl* c : {static_cast<const TControl*>(&f), static_cast<const TControl*>(f.Memo1),
                            static_cast<const TControl*>(f.Button_Start), static_cast<const TControl*>(f.Button_Cancel),
                            static_cast<const TControl*>(f.Button_Exit), static_cast<const TControl*>(f.ProgressBar1)}) {
    EXPECT_EQ(c->Font->Name(), "Arial");
    EXPECT_EQ(c->Font->Size(), 10);
    EXPECT_EQ(c->Font->Charset(), DEFAULT_CHARSET);
  }
}

TEST_F(WindowTest, ButtonWidthFactorLiesJustBelowFiveSixteenths) {
  struct Case {
    int bar, width;
  } cases[] = {{320, 99}, {336, 104}, {16, 4}, {516, 161}, {100, 31}, {0, 0}};
  for (const Case& c : cases) EXPECT_EQ(TForm1::ButtonWidthFor(c.bar), c.width) << c.bar;
}

TEST_F(WindowTest, StartupMessageFillsTheMemo) {
  clsGTex& text = AppText();
  EXPECT_EQ(MemoLines(), (std::vector<std::string>{text.Lookup("Seq_Message_00", 0), text.Lookup("Seq_Message_00", 1),
                                                   text.Lookup("Seq_Message_00", 2), ""}));
  EXPECT_EQ(form().LastShownState(), table().count);
}

TEST_F(WindowTest, TitleShowsThePercentageOfTheBar) {
  const std::string t = "QZ";
  struct Case {
    int position;
    const char* caption;
  } cases[] = {{0, "QZ"}, {1, "  0% - QZ"}, {2, "  0% - QZ"}, {3, "  1% - QZ"}, {128, " 50% - QZ"},
               {254, " 99% - QZ"}, {255, "100% - QZ"}};
  for (const Case& c : cases) EXPECT_EQ(TForm1::TitleFor(c.position, t), c.caption) << c.position;
}

// A screen smaller than the window: nothing corrects the negative position.
class SmallScreenTest : public ShellTest {
 protected:
  void BeforeWindow() override { Headless::SetScreenSize(500, 300); }
};

TEST_F(SmallScreenTest, WindowLargerThanTheScreenGoesPartlyOffScreen) {
  EXPECT_EQ(form().Left(), -30);  // (500 - 560) / 2
  EXPECT_EQ(form().Top(), -40);   // (300 - 400) / 2 * 0.8
  EXPECT_EQ(form().Width(), 560);
  EXPECT_EQ(form().Height(), 400);
}

TEST_F(WindowTest, MenuFromTheBuiltInText) {
  TForm1& f = form();
  TMenuItem* bar = f.MainMenu1->Items;
  ASSERT_EQ(bar->Count(), 2);
  EXPECT_EQ(bar->Items(0), f.MenuItems[0]);
  EXPECT_EQ(f.MenuItems[0]->Caption(), "&File");
  EXPECT_FALSE(f.MenuItems[0]->Visible());
  ASSERT_EQ(f.MenuItems[0]->Count(), 2);
  EXPECT_EQ(f.MenuItems[1]->Caption(), "&Open");
  EXPECT_EQ(f.MenuItems[2]->Caption(), "E&xit");
  EXPECT_EQ(f.MenuItems[1]->Parent(), f.MenuItems[0]);

  EXPECT_EQ(bar->Items(1), f.MenuItems[3]);
  EXPECT_EQ(f.MenuItems[3]->Caption(), "&COM Port");
  EXPECT_TRUE(f.MenuItems[3]->Visible());
  const char* ports[] = {"COM &1", "COM &2", "COM &3", "COM &4", "&More..."};
  ASSERT_EQ(f.MenuItems[3]->Count(), 5);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(f.MenuItems[3]->Items(k), f.MenuItems[4 + k]);
    EXPECT_EQ(f.MenuItems[4 + k]->Caption(), ports[k]);
  }
  // Entries that no line describes stay detached.
  for (int q = 9; q < TForm1::kMenuEntries; ++q) {
    EXPECT_EQ(f.MenuItems[q]->Parent(), nullptr) << q;
    EXPECT_EQ(f.MenuItems[q]->Caption(), "---") << q;
  }
  // The hidden "&File" menu cannot be reached.
  EXPECT_FALSE(Headless::ClickMenu(f.MenuItems[2]));
}

}  // namespace
}  // namespace shelltest

namespace shelltest {
namespace {

// The menu list's depth and comma rules, on a list of the test's own (in a
// child process, see ShellTest.h).
using MenuTextTest = ShellBase;

TEST_F(MenuTextTest, DepthAndCommaRules) {
  const std::vector<TextEdit> menu = {
      {"App_MenuList", 0, "  +&File,Ctrl+F"},    // line 0: depth 0 whatever the text
      {"App_MenuList", 1, " +&Open"},            // depth 1 under entry 0
      {"App_MenuList", 2, "     +Deep, more"},   // at most one deeper than the entry before
      {"App_MenuList", 3, "+&COM Port"},         // a new menu on the bar
      {"App_MenuList", 4, "  +X"},               // depth 1: the caption starts at the "+"
      {"App_MenuList", 5, " +A,B,C"},            // cut before the first comma
      {"App_MenuList", 6, " +"},                 // empty caption
      {"App_MenuList", 7, "+"},
      {"App_MenuList", 8, "no plus ends the list"},
      {"App_MenuList", 9, " +never read"},
  };
  EXPECT_EXIT(
      {
        AppText().AttachLines(EditedText(menu));
        Application->CreateForm(&Form1);
        for (int q = 0; q < 11; ++q) {
          const TMenuItem* item = Form1->MenuItems[q];
          std::string parent = "none";
          if (item->Parent() == Form1->MainMenu1->Items) parent = "bar";
          for (int p = 0; p < TForm1::kMenuEntries; ++p) {
            if (item->Parent() == Form1->MenuItems[p]) parent = std::to_string(p);
          }
          Report(std::to_string(q) + "|" + item->Caption() + "|" + parent + (item->Visible() ? "" : "|hidden"));
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(JoinLines(ReadReport()), JoinLines({
                                         "0| +&File|bar|hidden",
                                         "1|&Open|0",
                                         "2|  +Deep|1",
                                         "3|&COM Port|bar",
                                         "4|+X|3",
                                         "5|A|3",
                                         "6||3",
                                         "7||bar",
                                         "8|---|none",
                                         "9|---|none",
                                         "10|---|none",
                                     }));
}

// The window's own tick thread drives the ticks once the GUI thread serves
// its synchronised calls; destroying the window stops it.
TEST_F(WindowTest, TickThreadDrivesTheWindow) {
  EXPECT_TRUE(Headless::PumpUntil([&] { return seq().State() == table().ready; }, 10000));
  EXPECT_EQ(form().LastShownState(), table().ready);
  EXPECT_EQ(MemoLines().size(), 9u);  // startup, sum line, Ready block
}

}  // namespace
}  // namespace shelltest
