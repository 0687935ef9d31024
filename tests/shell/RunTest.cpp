// Ticks against the scripted transceiver: the memo of a whole write, errors,
// cancel, the buttons' enabled states and the trimming of the memo.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/Globals.h"
#include "tests/shell/ShellTest.h"
#include "text/clsGTex.h"
#include "toolkit/Forms.h"

namespace shelltest {
namespace {

using RunTest = ShellTest;

std::string SumLine(const clsMotS& rom) {
  // The image's 16-bit sum over the variant's range, missing bytes as 255.
  uint32_t sum = 0;
  for (int32_t a = Profile().sumFirst; a <= Profile().sumLast; ++a) sum += rom.ByteAt(a);
  char line[16];
  std::snprintf(line, sizeof line, "Sum=$%04X", static_cast<unsigned>(sum & 0xFFFF));
  return line;
}

std::vector<std::string> ReadyBlock(int unit) {
  return {"=========================", "Connect Transceiver (No." + std::to_string(unit) + ").",
          "Then Push [OK] to Start Writing.", ""};
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<std::string> StartupLines() {
  clsGTex& text = AppText();
  return {text.Lookup("Seq_Message_00", 0), text.Lookup("Seq_Message_00", 1), text.Lookup("Seq_Message_00", 2)};
}

TEST_F(RunTest, MemoAfterStartUpAndOneWrite) {
  ToReady();
  const std::vector<std::string> afterStartUp =
      Concat({StartupLines(), {"", SumLine(seq().RomImage())}, ReadyBlock(1)});
  EXPECT_EQ(JoinLines(MemoLines()), JoinLines(afterStartUp));

  RunUnit();
  EXPECT_TRUE(Headless::MessageBoxes().empty());
  EXPECT_EQ(radio_->phase(), seqtest::Phase::Done);
  const std::vector<std::string> expected = Concat({afterStartUp,
                                                    {"COM Open.....[OK]", "Connecting.....[OK]",
                                                     "Pre Processing.....[OK]", "Writing ROM Data.....[OK]",
                                                     "Disconnecting.....[OK]", "", "Completed (No.1).", ""},
                                                    ReadyBlock(2)});
  EXPECT_EQ(JoinLines(MemoLines()), JoinLines(expected));
  EXPECT_EQ(form().Memo1->Text().substr(form().Memo1->Text().size() - 4), "\r\n\r\n");
  // The caret stands after the last character.
  EXPECT_EQ(form().Memo1->SelStart(), static_cast<int>(form().Memo1->Text().size()));
  // The tick that reached Ready still shows the last phase's percentage;
  // Ready sets the bar back to 0 and the next tick shows the bare title.
  Tick();
  EXPECT_EQ(form().Caption(), Profile().productTitle);
  EXPECT_EQ(Application->Title(), Profile().productTitle);
}

// OK exactly in Standby and Ready, Cancel exactly while busy; the caption
// follows the bar. Checked after every tick of a start-up and a whole run.
TEST_F(RunTest, ButtonsAndTitleFollowEveryTick) {
  const SeqTable& t = table();
  bool sawPercent = false, sawFull = false;
  auto check = [&] {
    const int32_t s = seq().State();
    const bool idle = s == t.standby || s == t.ready;
    const bool early = s == t.opening || s == t.opening + 1;  // Opening, Reset
    EXPECT_EQ(form().Button_Start->Enabled(), idle) << s;
    EXPECT_EQ(form().Button_Cancel->Enabled(), !idle && !early) << s;
    EXPECT_TRUE(form().Button_Exit->Enabled());
    const int p = form().ProgressBar1->Position();
    EXPECT_EQ(p, seq().Progress());
    EXPECT_EQ(form().Caption(), TForm1::TitleFor(p, Profile().productTitle));
    EXPECT_EQ(Application->Title(), form().Caption());
    sawPercent = sawPercent || (p > 0 && p < 255);
    sawFull = sawFull || p == 255;
  };
  for (int i = 0; i < 5; ++i) {
    Tick();
    check();
  }
  ASSERT_EQ(seq().State(), t.ready);
  ASSERT_TRUE(Headless::PressEnter(&form()));
  while (seq().State() != t.ready && !HasFailure()) {
    Tick();
    check();
  }
  Tick();
  check();
  EXPECT_TRUE(sawPercent);
  EXPECT_TRUE(sawFull);
  EXPECT_EQ(form().Caption(), Profile().productTitle);
}

struct ErrorCase {
  seqtest::Phase phase;
  seqtest::Fault fault;
  int32_t code;
  const char* opening;       // start of the box's text
  const char* lastStepLine;  // the memo line the error follows
};

void PrintTo(const ErrorCase& c, std::ostream* out) { *out << "error " << c.code; }

class RunErrorTest : public RunTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(RunErrorTest, BoxThenStarBlockThenReady) {
  const ErrorCase& c = GetParam();
  radio_->SetFault(c.phase, c.fault);
  ToReady();
  const std::vector<std::string> before = MemoLines();
  ASSERT_TRUE(Headless::PressEnter(&form()));
  ASSERT_TRUE(TickUntil([&] { return !Headless::MessageBoxes().empty(); }));

  // The box: "Error " and the code's lines, the title as caption.
  const Headless::MessageBoxRecord box = Headless::MessageBoxes().at(0);
  EXPECT_EQ(box.caption, Profile().productTitle);
  EXPECT_EQ(box.flags, MB_ICONERROR | MB_OK);
  EXPECT_EQ(box.owner, Application->Handle());
  EXPECT_EQ(box.text.substr(0, std::string(c.opening).size()), c.opening) << "error " << c.code;

  // After the tick that showed it: the controller rests in Standby, OK is
  // enabled again, and the memo holds the block.
  EXPECT_EQ(seq().State(), table().standby);
  EXPECT_TRUE(form().Button_Start->Enabled());
  EXPECT_FALSE(form().Button_Cancel->Enabled());
  std::vector<std::string> block = {"", "***********************"};
  const std::vector<std::string> errorLines = SplitLines(box.text);
  block.insert(block.end(), errorLines.begin(), errorLines.end());
  block.push_back("***********************");
  block.push_back("");
  std::vector<std::string> memo = MemoLines();
  ASSERT_GE(memo.size(), block.size() + 1);
  EXPECT_EQ(JoinLines(std::vector<std::string>(memo.end() - block.size(), memo.end())), JoinLines(block));
  EXPECT_EQ(*(memo.end() - block.size() - 1), c.lastStepLine);

  // The next tick returns to Ready and shows its block; the error is
  // reported once.
  Tick();
  EXPECT_EQ(seq().State(), table().ready);
  memo = MemoLines();
  EXPECT_EQ(JoinLines(std::vector<std::string>(memo.end() - 5, memo.end())),
            JoinLines(Concat({{""}, ReadyBlock(1)})));
  for (int i = 0; i < 10; ++i) Tick();
  EXPECT_EQ(Headless::MessageBoxes().size(), 1u);
}

const bool kM = Profile().variant == 'M';
INSTANTIATE_TEST_SUITE_P(
    Codes, RunErrorTest,
    ::testing::Values(
        ErrorCase{seqtest::Phase::Wake, seqtest::Fault::Silence, 4, "Error \r\nCannot make boot mode.\r\n",
                  "Connecting....."},
        ErrorCase{seqtest::Phase::Rate, seqtest::Fault::Wrong, 5, "Error in bitrate setting.\r\n", "Connecting....."},
        ErrorCase{seqtest::Phase::Rom, seqtest::Fault::Wrong, 8, "Error in writing ROM data.\r\n",
                  "Writing ROM Data....."}));

TEST_F(RunTest, ErrorTextsOfTheBuiltInTable) {
  // Boot (4): the full text; Bitrate (5): the first line joins "Error ".
  std::string boot =
      "Error \r\nCannot make boot mode.\r\n\r\nCheck the following:\r\n\r\n- The COM port settings.\r\n"
      "- Cable connections.\r\n- Transceiver power is ON.";
  if (kM) boot += "\r\n- Fully charged battery is used.";
  EXPECT_EQ(form().ReportError(4), boot);
  const std::string bitrate = form().ReportError(5);
  EXPECT_EQ(bitrate.substr(0, bitrate.find("\r\n")), "Error in bitrate setting.");
  EXPECT_EQ(form().ReportError(0), "Error \r\n");
  ASSERT_EQ(Headless::MessageBoxes().size(), 3u);
  EXPECT_EQ(Headless::MessageBoxes()[0].text, boot);
}

TEST_F(RunTest, EnterInReadyStartsAndEscapeCancels) {
  ToReady();
  // Esc in Ready: Cancel is disabled, nothing happens.
  const std::string readyText = form().Memo1->Text();
  EXPECT_FALSE(Headless::PressEscape(&form()));
  Tick();
  EXPECT_EQ(seq().State(), table().ready);
  EXPECT_EQ(form().Memo1->Text(), readyText);

  ASSERT_TRUE(Headless::PressEnter(&form()));
  EXPECT_EQ(seq().State(), table().start);
  ASSERT_TRUE(TickUntil([&] { return radio_->phase() == seqtest::Phase::Rom && radio_->frames().size() > 3; }));
  const std::vector<std::string> running = MemoLines();

  ASSERT_TRUE(Headless::PressEscape(&form()));
  EXPECT_EQ(seq().State(), table().standby);
  EXPECT_FALSE(dev_->IsOpen());
  EXPECT_EQ(JoinLines(MemoLines()), JoinLines(Concat({running, {"", "", "* Cancel *", ""}})));
  Tick();
  EXPECT_EQ(seq().State(), table().ready);
  EXPECT_EQ(JoinLines(MemoLines()), JoinLines(Concat({running, {"", "", "* Cancel *", ""}, ReadyBlock(1)})));
  EXPECT_TRUE(Headless::MessageBoxes().empty());
  EXPECT_EQ(form().ProgressBar1->Position(), 0);
  EXPECT_EQ(form().Caption(), Profile().productTitle);
}

std::string NumberedLines(int n) {
  std::string text;
  for (int i = 1; i <= n; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

TEST_F(RunTest, MemoTrimmedTenLinesAtATime) {
  ToReady();
  struct Case {
    int lines, after;
  } cases[] = {{120, 120}, {121, 111}, {131, 111}, {135, 115}};
  for (const Case& c : cases) {
    form().Memo1->SetText(NumberedLines(c.lines));
    Tick();
    EXPECT_EQ(form().Memo1->Lines->Count(), c.after) << c.lines;
    EXPECT_EQ(form().Memo1->Lines->Strings(0), "line " + std::to_string(c.lines - c.after + 1)) << c.lines;
    // Trimming leaves the caret at the end; an untrimmed memo is not touched.
    EXPECT_EQ(form().Memo1->SelStart(), c.lines > 120 ? static_cast<int>(form().Memo1->Text().size()) : 0);
  }
}

TEST_F(RunTest, MemoTrimmedInTheTickThatAddsAnErrorBlock) {
  ToReady();
  dev_->Fail(testsupport::ScriptedSerial::Call::Open, -1);  // error ComOpen
  ASSERT_TRUE(Headless::PressEnter(&form()));
  while (Headless::MessageBoxes().empty()) {
    ASSERT_NE(seq().State(), table().ready);
    form().Memo1->SetText(NumberedLines(120));
    Tick();
  }
  // 120 + the block of error 3 (10 lines) = 130, trimmed to 120.
  const std::vector<std::string> memo = MemoLines();
  EXPECT_EQ(form().Memo1->Lines->Count(), 120);
  EXPECT_EQ(memo.front(), "line 11");
  EXPECT_EQ(memo.back(), "");
  EXPECT_EQ(memo[memo.size() - 2], "***********************");
  EXPECT_EQ(memo[memo.size() - 3], "- The COM port settings.");
}

}  // namespace
}  // namespace shelltest
