// The program as a whole, each case in a child process of its own: the entry
// with its second-instance and marker checks, the conversion error escaping
// the window's construction, the process exits (Exit button, fatal error
// text, closing the window) and what they leave in the settings file. Texts
// other than the built-in one are attached in the child before the entry
// attaches the built-in table (the text table keeps the first).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "app/Entry.h"
#include "app/Globals.h"
#include "platform/winapi.h"
#include "settings/clsEnviron.h"
#include "tests/shell/ShellTest.h"
#include "text/clsGTex.h"
#include "toolkit/Forms.h"

namespace shelltest {
namespace {

using ::testing::ExitedWithCode;

const std::string kTitle = Profile().productTitle;
const std::string kBoxFlags = std::to_string(MB_ICONERROR | MB_OK);

// Runs the entry, reports its result and ends the child with it.
[[noreturn]] void RunEntry() {
  ReportMessageBoxes();
  const int rc = FlashMain();
  Report("rc " + std::to_string(rc));
  std::exit(rc);
}

// A run script that gives up (and ends the child with 3) after a minute of
// real time, so that a fault shows as a failure rather than a hang.
bool Rounds(long& n) {
  static const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  if ((++n & 0xFFF) != 0 || std::chrono::steady_clock::now() < deadline) return true;
  Report("gave up");
  std::exit(3);
}

using StartupTest = ShellBase;

TEST_F(StartupTest, SecondInstanceEndsSilentlyAndLeavesTheSettings) {
  const std::string ini = "[Global]\nComPort=9\n";
  WriteFile(SettingsFile(), ini);
  HANDLE guard = CreateMutexA(nullptr, FALSE, Profile().guardName);  // the running first copy
  ASSERT_NE(guard, nullptr);
  EXPECT_EXIT(
      {
        Headless::SetRunScript([] {
          Report("window");
          return false;
        });
        RunEntry();
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(ReadReport(), (std::vector<std::string>{"rc 0"}));
  EXPECT_EQ(ReadFile(SettingsFile()), ini);
  CloseHandle(guard);
}

struct MarkerCase {
  const char* marker;
  const char* iniBefore;  // nullptr: no settings file
  const char* portAfter;
};

void PrintTo(const MarkerCase& c, std::ostream* out) { *out << "marker \"" << c.marker << "\""; }

class MarkerTest : public ShellBase, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(MarkerTest, WrongMarkerShowsTheFatalBoxAndSavesThePort) {
  const MarkerCase& c = GetParam();
  if (c.iniBefore != nullptr) WriteFile(SettingsFile(), c.iniBefore);
  EXPECT_EXIT(
      {
        AppText().AttachLines(EditedText({{"Sys_Ovl", 0, c.marker}}));
        Headless::SetRunScript([] {
          Report("window");
          return false;
        });
        RunEntry();
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(ReadReport(),
            (std::vector<std::string>{
                "box|Fatal error !\\nCannot open OVL file.\\nInstall this application again !|flash|" + kBoxFlags + "|app",
                "rc 0"}));
  EXPECT_NE(ReadFile(SettingsFile()).find(std::string("ComPort=") + c.portAfter), std::string::npos)
      << ReadFile(SettingsFile());
}

INSTANTIATE_TEST_SUITE_P(Markers, MarkerTest,
                         ::testing::Values(MarkerCase{"ovl", nullptr, "1"},
                                           MarkerCase{"OVL ", "[Global]\nComPort=0x0C\n", "12"},
                                           MarkerCase{"", "[Global]\nComPort=5\n", "5"}));

struct ConversionCase {
  const char* key;
  const char* value;
  const char* caption;  // the application title at the time
};

void PrintTo(const ConversionCase& c, std::ostream* out) { *out << c.key << " \"" << c.value << "\""; }

class ConversionTest : public ShellBase, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ConversionTest, NonNumericValueIsShownByTheStandardDisplay) {
  const ConversionCase& c = GetParam();
  EXPECT_EXIT(
      {
        AppText().AttachLines(EditedText({{c.key, 0, c.value}}));
        RunEntry();
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(ReadReport(), (std::vector<std::string>{std::string("box|'") + c.value + "' is not a valid integer value|" +
                                                        c.caption + "|" + kBoxFlags + "|app",
                                                    "rc 0"}));
}

INSTANTIATE_TEST_SUITE_P(Values, ConversionTest,
                         ::testing::Values(ConversionCase{"Sys_Form_Size", "56O", "flash"},
                                           ConversionCase{"Sys_Font_Size", "1O", Profile().productTitle},
                                           ConversionCase{"Sys_Font_CharSet", "", Profile().productTitle}));

enum class Ending { ExitDuringWrite, CloseInReady };

void PrintTo(Ending e, std::ostream* out) {
  *out << (e == Ending::ExitDuringWrite ? "Exit during a write" : "window closed");
}

class EndingTest : public ShellBase, public ::testing::WithParamInterface<Ending> {};

// Picks "COM &3" in Ready, then ends the program with Exit in the middle of
// a write, or by closing the window; the settings file holds port 3
// afterwards. The window's own tick thread drives these runs.
TEST_P(EndingTest, SettingsHoldTheCurrentPort) {
  const Ending ending = GetParam();
  WriteFile(SettingsFile(), "[Global]\nComPort=2\n");
  EXPECT_EXIT(
      {
        testsupport::ScriptedSerial dev(3);
        seqtest::Transceiver radio(dev, Profile().variant);
        const int32_t ready = ProfileSeqTable().ready;
        const int32_t romData = seqtest::StateNo("RomW_Data");
        long rounds = 0;
        bool picked = false;
        bool started = false;
        Headless::SetRunScript([&] {
          TForm1* f = Form1;
          const int32_t state = f->Sequence().State();
          if (!picked && state == ready) {
            Headless::ClickMenu(f->MenuItems[6]);  // "COM &3", handed over by the next tick
            for (long i = 0; i < 10000000 && Headless::Pump() == 0; ++i) {
            }
            picked = AppEnviron().CurrentPort() == 3;
          } else if (picked && ending == Ending::CloseInReady) {
            Report("closing");
            Headless::CloseByTitleBar(f);
          } else if (picked && !started && state == ready) {
            Headless::PressEnter(f);
            started = true;
          } else if (started && ending == Ending::ExitDuringWrite && state >= romData) {
            Report("exit in a write");
            Headless::Click(f->Button_Exit);
            Report("still running");
          }
          return Rounds(rounds);
        });
        RunEntry();
      },
      ExitedWithCode(0), "");
  if (ending == Ending::ExitDuringWrite) {
    EXPECT_EQ(ReadReport(), (std::vector<std::string>{"exit in a write"}));
  } else {
    EXPECT_EQ(ReadReport(), (std::vector<std::string>{"closing", "rc 0"}));
  }
  EXPECT_NE(ReadFile(SettingsFile()).find("ComPort=3"), std::string::npos) << ReadFile(SettingsFile());
}

INSTANTIATE_TEST_SUITE_P(Endings, EndingTest, ::testing::Values(Ending::ExitDuringWrite, Ending::CloseInReady));

TEST_F(StartupTest, FatalErrorTextEndsTheProgramAfterItsBox) {
  EXPECT_EXIT(
      {
        AppText().AttachLines(
            EditedText({{"Seq_Mess_Error_Main", 3, "ComOpen          @$@Port gone.@%F@$@Call service."}}));
        testsupport::ScriptedSerial dev(1);
        dev.Fail(testsupport::ScriptedSerial::Call::Open, -1);
        long rounds = 0;
        Headless::SetRunScript([&] {
          if (Form1->Sequence().State() == ProfileSeqTable().ready && !Headless::MessageBoxes().size()) {
            Headless::PressEnter(Form1);
          }
          return Rounds(rounds);
        });
        RunEntry();
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(ReadReport(), (std::vector<std::string>{"box|Error \\nPort gone.\\nCall service.|" + kTitle + "|" +
                                                    kBoxFlags + "|app"}));
  EXPECT_NE(ReadFile(SettingsFile()).find("ComPort=1"), std::string::npos);
}

// A step line without "@" shows nothing; a missing error list leaves only
// "Error " in the box and the block.
TEST_F(StartupTest, MissingStepAndErrorLines) {
  EXPECT_EXIT(
      {
        const SeqTable& t = ProfileSeqTable();
        AppText().AttachLines(EditedText(
            {{"Seq_Mess_SequenceTips", t.standby, "Standby"}, {"Seq_Mess_Error_Main", -1, "#Seq_Mess_Error_Gone"}}));
        testsupport::ScriptedSerial dev(1);
        ReportMessageBoxes();
        Application->CreateForm(&Form1);
        Form1->Show();
        auto tickUntil = [&](const std::function<bool()>& pred) {
          for (long i = 0; i < 100000 && !pred(); ++i) Form1->Timer1Timer();
        };
        tickUntil([&] { return Form1->Sequence().State() == t.ready; });
        Report("ready");
        for (const std::string& line : SplitLines(Form1->Memo1->Text())) Report("memo|" + line);
        dev.Fail(testsupport::ScriptedSerial::Call::Open, -1);
        Headless::PressEnter(Form1);
        const size_t before = SplitLines(Form1->Memo1->Text()).size();
        tickUntil([&] { return !Headless::MessageBoxes().empty(); });
        const std::vector<std::string> after = SplitLines(Form1->Memo1->Text());
        for (size_t i = before; i < after.size(); ++i) Report("memo|" + after[i]);
        std::exit(0);
      },
      ExitedWithCode(0), "");
  clsGTex text;
  text.AttachLines(ProfileTextLines());
  const std::vector<std::string> expected = {
      "ready",
      "memo|" + text.Lookup("Seq_Message_00", 0),
      "memo|" + text.Lookup("Seq_Message_00", 1),
      "memo|" + text.Lookup("Seq_Message_00", 2),
      "memo|",
      "memo|=========================",  // no sum line before the Ready block
      "memo|Connect Transceiver (No.1).",
      "memo|Then Push [OK] to Start Writing.",
      "memo|",
      "box|Error |" + kTitle + "|" + kBoxFlags + "|app",
      "memo|COM Open.....",
      "memo|",
      "memo|***********************",
      "memo|Error ",
      "memo|***********************",
      "memo|",
  };
  EXPECT_EQ(JoinLines(ReadReport()), JoinLines(expected));
}

}  // namespace
}  // namespace shelltest

namespace shelltest {
namespace {

// A startup message without its closing "#" (here: a missing key) ends at the
// text table's error answer instead of reading on for ever.
TEST_F(StartupTest, StartupMessageWithoutItsEndMarker) {
  EXPECT_EXIT(
      {
        AppText().AttachLines(EditedText({{"Seq_Message_00", -1, "#Seq_Message_Gone"}}));
        Application->CreateForm(&Form1);
        for (const std::string& line : SplitLines(Form1->Memo1->Text())) Report("memo|" + line);
        std::exit(0);
      },
      ExitedWithCode(0), "");
  EXPECT_EQ(ReadReport(), (std::vector<std::string>{std::string("memo|") + clsGTex::kErrorText, "memo|"}));
}

}  // namespace
}  // namespace shelltest
