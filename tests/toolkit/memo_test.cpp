#include <string>
#include <vector>

#include "Fixture.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"

namespace {

// A memo whose text area holds exactly `chars` bytes of the default font
// (6 px each) per line, with a vertical scroll bar.
class MemoTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    form = new TForm(nullptr);
    memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetScrollBars(ssVertical);
    SetChars(10);
  }
  void TearDown() override {
    delete form;
    HeadlessTest::TearDown();
  }
  void SetChars(int chars) { memo->SetWidth(chars * 6 + 4 + 16); }

  std::vector<std::string> Displayed() const {
    std::vector<std::string> lines;
    for (int i = 0; i < memo->Lines->Count(); ++i) lines.push_back(memo->Lines->Strings(i));
    return lines;
  }

  TForm* form = nullptr;
  TMemo* memo = nullptr;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(MemoTest, InnerWidthLeavesOutBorderAndScrollBar) {
  EXPECT_EQ(memo->InnerWidth(), 60);
  memo->SetScrollBars(ssNone);
  EXPECT_EQ(memo->InnerWidth(), 76);
}

TEST_F(MemoTest, CountsLinesAsDisplayed) {
  struct Case {
    std::string text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"\r\n", {""}},
      {"abc", {"abc"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"0123456789", {"0123456789"}},                      // exactly fits
      {"one two three", {"one two ", "three"}},            // break after the last blank that fits
      {"abcdefghijklmn", {"abcdefghij", "klmn"}},          // a word too long breaks anywhere
      {"0123456789   x", {"0123456789   ", "x"}},          // blanks at the break hang
      {"aaaa bbbb cccc dddd\r\nz\r\n", {"aaaa bbbb ", "cccc dddd", "z"}},
      {"a\nb\rc", {"a\nb\rc"}},                            // only CR LF ends a line
  };
  for (const Case& c : cases) {
    memo->SetText(c.text);
    EXPECT_EQ(Displayed(), c.lines) << "text: " << c.text;
  }
}

TEST_F(MemoTest, WrapsNeverInsideADoubleByteCharacter) {
  platform::SetCodePage(932);
  memo->SetText("abcdefghi\x90\xdd" "z");
  EXPECT_EQ(Displayed(), (Lines{"abcdefghi", "\x90\xdd" "z"}));
}

TEST_F(MemoTest, WithoutWordWrapEachLogicalLineIsOneLine) {
  memo->SetWordWrap(false);
  memo->SetText("one two three four\r\n");
  EXPECT_EQ(memo->Lines->Count(), 1);
  memo->SetWordWrap(true);
  EXPECT_EQ(memo->Lines->Count(), 2);
}

TEST_F(MemoTest, ResizingRewraps) {
  memo->SetText("one two three\r\n");
  EXPECT_EQ(memo->Lines->Count(), 2);
  SetChars(20);
  EXPECT_EQ(memo->Lines->Count(), 1);
}

TEST_F(MemoTest, DeleteFirstLineRemovesOnlyItsDisplayedPart) {
  memo->SetText("aaaa bbbb cccc dddd eeee\r\nz\r\n");
  ASSERT_EQ(Displayed(), (Lines{"aaaa bbbb ", "cccc dddd ", "eeee", "z"}));
  memo->Lines->Delete(0);
  EXPECT_EQ(memo->Text(), "cccc dddd eeee\r\nz\r\n");
  EXPECT_EQ(Displayed(), (Lines{"cccc dddd ", "eeee", "z"}));
  memo->Lines->Delete(0);
  memo->Lines->Delete(0);  // the last part takes its line break with it
  EXPECT_EQ(memo->Text(), "z\r\n");
  memo->Lines->Delete(0);
  EXPECT_EQ(memo->Text(), "");
  EXPECT_EQ(memo->Lines->Count(), 0);
}

TEST_F(MemoTest, TrimmingTenAtATimeFromAHundredAndTwentyOne) {
  std::string text;
  for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + " wraps here\r\n";  // 2 lines each
  memo->SetText(text + "last\r\n");
  ASSERT_EQ(memo->Lines->Count(), 121);
  while (memo->Lines->Count() > 120) {
    for (int i = 0; i < 10; ++i) memo->Lines->Delete(0);
  }
  EXPECT_EQ(memo->Lines->Count(), 111);
  EXPECT_EQ(memo->Lines->Strings(0), "line 5 ");
  EXPECT_EQ(memo->Lines->Strings(110), "last");
}

TEST_F(MemoTest, AddAndReplaceLines) {
  memo->Lines->Add("first");
  EXPECT_EQ(memo->Text(), "first\r\n");
  memo->Lines->Add("");
  memo->Lines->Put(1, memo->Lines->Strings(1) + "x");
  EXPECT_EQ(memo->Text(), "first\r\nx\r\n");
  memo->SetText("no break");
  memo->Lines->Add("next");
  EXPECT_EQ(memo->Text(), "no break\r\nnext");
  EXPECT_EQ(memo->Lines->Count(), 2);
  // The list's own text has every displayed line followed by CR LF.
  memo->SetText("one two three");
  EXPECT_EQ(memo->Lines->Text(), "one two \r\nthree\r\n");
  EXPECT_THROW(memo->Lines->Delete(2), std::out_of_range);
}

TEST_F(MemoTest, CaretAtTheEndIsScrolledIntoView) {
  memo->SetHeight(4 + 3 * 15);  // room for three lines
  ASSERT_EQ(memo->VisibleLineCount(), 3);
  std::string text;
  for (int i = 0; i < 8; ++i) text += "l" + std::to_string(i) + "\r\n";
  memo->SetText(text);
  EXPECT_EQ(memo->TopLine(), 0);
  memo->SetSelStart(static_cast<int>(memo->Text().size()));
  memo->SetSelLength(0);
  EXPECT_EQ(memo->CaretLine(), 8);  // the empty line after the final CR LF
  memo->ScrollCaret();
  EXPECT_EQ(memo->TopLine(), 6);
  memo->SetSelStart(0);
  memo->ScrollCaret();
  EXPECT_EQ(memo->TopLine(), 0);
  // Setting the whole text starts again at the top.
  memo->SetSelStart(static_cast<int>(memo->Text().size()));
  memo->ScrollCaret();
  memo->SetText(text + "more\r\n");
  EXPECT_EQ(memo->TopLine(), 0);
  EXPECT_EQ(memo->SelStart(), 0);
}
