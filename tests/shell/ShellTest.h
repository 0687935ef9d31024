// Test bench of the application shell on the headless toolkit.
//
// Every test gets a folder of its own (the executable's path, hence the
// settings file, and the runtime folder of the instance guard lie in it), so
// that tests and their child processes never share a guard or a settings
// file. In-process tests run with the built-in text; tests that need another
// text, or that end the process, run in a child process (a death test in the
// "threadsafe" style, which starts the test binary afresh) where the text
// table can still be given a line table of the test's own before the shell
// attaches the built-in one.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Frmmain.h"
#include "profiles/profile.h"
#include "profiles/seqtable.h"
#include "tests/support/Harness.h"
#include "tests/support/Transceiver.h"
#include "tests/support/ScriptedSerial.h"
#include "toolkit/headless/Headless.h"

namespace shelltest {

// The COM port of the scripted transceiver (the default port of a fresh
// settings file).
constexpr int kCom = 1;

// The test's own folder (created empty on first use in a process).
std::string TestDir();
// The settings file the shell reads and writes in this test.
std::string SettingsFile();
// Whole content of a file; "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

// Memo text split into its lines (CR LF ends each line).
std::vector<std::string> SplitLines(const std::string& text);
std::string JoinLines(const std::vector<std::string>& lines);

// A line table made from the built-in one: each edit replaces value line
// `index` of `key` (index -1 replaces the key line itself). The table stays
// valid for the life of the process.
struct TextEdit {
  const char* key;
  int index;
  std::string line;
};
const TextLineTable& EditedText(const std::vector<TextEdit>& edits);

// Child-process report: lines appended to a file in the test folder, read
// back by the parent after the child has ended.
void Report(const std::string& line);
std::vector<std::string> ReadReport();
// Records every message box in the report as "box|<text>|<caption>|<flags>|<owner>",
// where owner is "app", "dialog" or "other" and the text has CR LF as "\n".
void ReportMessageBoxes();

// Base of every shell test: folder, headless backend, clock.
class ShellBase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// A main window with the built-in text, a controlled clock and a scripted
// transceiver on kCom. Ticks are run by the test itself (Tick), so that every
// tick is deterministic; the window's own tick thread is not served.
class ShellTest : public ShellBase {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Runs after the backend has started, before the window is created.
  virtual void BeforeWindow() {}

  TForm1& form() { return *Form1; }
  clsMainSeq& seq() { return Form1->Sequence(); }
  const SeqTable& table() const { return ProfileSeqTable(); }

  // One tick of the window, then the window timers; the clock moves 1 ms.
  void Tick();
  // Ticks until pred holds (checked before each tick); false after maxTicks.
  bool TickUntil(const std::function<bool()>& pred, long maxTicks = 3000000);
  void ToReady();
  // Presses OK in Ready and ticks until Ready again; gives the error codes
  // (message boxes) seen meanwhile.
  void RunUnit();

  std::vector<std::string> MemoLines() const { return SplitLines(Form1->Memo1->Text()); }

  std::unique_ptr<seqtest::TestClock> clock_;
  std::unique_ptr<testsupport::ScriptedSerial> dev_;
  std::unique_ptr<seqtest::Transceiver> radio_;
};

}  // namespace shelltest
