#include "tests/shell/ShellTest.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Globals.h"
#include "platform/hooks.h"
#include "settings/clsEnviron.h"
#include "text/clsGTex.h"
#include "toolkit/Forms.h"
#include "toolkit/Timer.h"

namespace shelltest {

namespace {

bool InChild() { return !GTEST_FLAG_GET(internal_run_death_test).empty(); }

std::string ReportFile() { return TestDir() + "/report.txt"; }

}  // namespace

std::string TestDir() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("shell-") + Profile().variant + "-" + info->test_suite_name() + "-" + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return ::testing::TempDir() + name;
}

std::string SettingsFile() { return TestDir() + "/flash.INI"; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

const TextLineTable& EditedText(const std::vector<TextEdit>& edits) {
  struct Holder {
    std::vector<std::string> lines;
    std::vector<const char*> pointers;
    TextLineTable table;
  };
  static std::vector<std::unique_ptr<Holder>> tables;
  std::unique_ptr<Holder> h(new Holder);
  const TextLineTable& builtin = ProfileTextLines();
  h->lines.assign(builtin.lines, builtin.lines + builtin.count);
  for (const TextEdit& edit : edits) {
    const std::string keyLine = std::string("#") + edit.key;
    bool found = false;
    for (size_t i = 0; i < h->lines.size(); ++i) {
      if (h->lines[i] == keyLine) {
        h->lines.at(i + 1 + edit.index) = edit.line;
        found = true;
        break;
      }
    }
    if (!found) ADD_FAILURE() << "no key " << edit.key;
  }
  for (const std::string& line : h->lines) h->pointers.push_back(line.c_str());
  h->table.lines = h->pointers.data();
  h->table.count = static_cast<int32_t>(h->pointers.size());
  tables.push_back(std::move(h));
  return tables.back()->table;
}

void Report(const std::string& line) {
  std::ofstream out(ReportFile(), std::ios::binary | std::ios::app);
  out << line << "\n";
}

std::vector<std::string> ReadReport() {
  std::vector<std::string> lines;
  std::ifstream in(ReportFile(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

void ReportMessageBoxes() {
  Headless::SetMessageBoxAnswer([](const Headless::MessageBoxRecord& box) {
    std::string text;
    for (size_t i = 0; i < box.text.size(); ++i) {
      if (box.text.compare(i, 2, "\r\n") == 0) {
        text += "\\n";
        ++i;
      } else if (box.text[i] == '\n') {
        text += "\\n";
      } else {
        text += box.text[i];
      }
    }
    const char* owner = "other";
    if (box.owner == Application->Handle()) {
      owner = "app";
    } else if (Form1 != nullptr && Form1->PortDialog() != nullptr && box.owner == Form1->PortDialog()->Handle()) {
      owner = "dialog";
    }
    Report("box|" + text + "|" + box.caption + "|" + std::to_string(box.flags) + "|" + owner);
    return IDOK;
  });
}

// ---------------------------------------------------------------------------

void ShellBase::SetUp() {
  // Children are started afresh (not forked), so that each has static
  // objects and threads of its own.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string dir = TestDir();
  if (!InChild()) std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir + "/run");
  setenv("XDG_RUNTIME_DIR", (dir + "/run").c_str(), 1);
  platform::SetModuleFileName(dir + "/flash");
  Headless::Start();
}

void ShellBase::TearDown() { Headless::Stop(); }

void ShellTest::SetUp() {
  ShellBase::SetUp();
  AppText().AttachLines(ProfileTextLines());
  AppEnviron().ChoosePort(kCom);
  clock_.reset(new seqtest::TestClock());
  dev_.reset(new testsupport::ScriptedSerial(kCom));
  radio_.reset(new seqtest::Transceiver(*dev_, Profile().variant));
  BeforeWindow();
  Application->CreateForm(&Form1);
  ASSERT_NE(Form1, nullptr);
  Form1->Show();
}

void ShellTest::TearDown() {
  ShellBase::TearDown();  // destroys the window first: no tick after it
  radio_.reset();
  dev_.reset();
  clock_.reset();
}

void ShellTest::Tick() {
  Form1->Timer1Timer();
  toolkit::PumpTimers();
  clock_->Advance(1);
}

bool ShellTest::TickUntil(const std::function<bool()>& pred, long maxTicks) {
  for (long i = 0; i < maxTicks; ++i) {
    if (pred()) return true;
    Tick();
  }
  return pred();
}

void ShellTest::ToReady() {
  ASSERT_TRUE(TickUntil([&] { return seq().State() == table().ready; }, 100));
}

void ShellTest::RunUnit() {
  ToReady();
  ASSERT_TRUE(Headless::PressEnter(Form1));
  ASSERT_NE(seq().State(), table().ready);
  ASSERT_TRUE(TickUntil([&] { return seq().State() == table().ready; }));
}

}  // namespace shelltest
