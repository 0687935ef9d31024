#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/clsStrCom.h"
#include "profiles/profile.h"
#include "text/clsGTex.h"

namespace {

const std::string kError = "**** ERROR !!! ****";
bool IsK() { return Profile().variant == 'K'; }

class BuiltinText : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(tex.AttachLines(ProfileTextLines())); }
  std::string At(const char* key, int32_t index) { return tex.Lookup(key, index); }
  clsGTex tex;
};

std::vector<std::string> Fields(const std::string& line, const char* delimiter) {
  clsStrCom s;
  s.SetText(line);
  std::vector<std::string> out;
  for (int32_t i = 0; i < s.FieldCount(delimiter); ++i) out.push_back(s.Field(delimiter, i));
  return out;
}

TEST(BuiltinLines, HaveTheVariantsLineCountAndEndWithTheEndKey) {
  const TextLineTable& t = ProfileTextLines();
  ASSERT_EQ(IsK() ? 156 : 153, t.count);
  EXPECT_STREQ("#End_Of_Ovl", t.lines[t.count - 1]);
  std::set<std::string> keys;
  for (int32_t i = 0; i < t.count; ++i) {
    ASSERT_NE(nullptr, t.lines[i]) << "line " << i;
    EXPECT_EQ(nullptr, std::strchr(t.lines[i], '\n')) << "line " << i;
    if (t.lines[i][0] == '#' && t.lines[i][1] != '\0') {
      EXPECT_TRUE(keys.insert(t.lines[i] + 1).second) << "duplicate key line " << i;
    }
  }
}

TEST_F(BuiltinText, EveryKeyAnswersTheLineAfterIt) {
  const TextLineTable& t = ProfileTextLines();
  for (int32_t i = 0; i + 1 < t.count; ++i) {
    if (t.lines[i][0] == '#' && t.lines[i][1] != '\0') {
      EXPECT_EQ(t.lines[i + 1], At(t.lines[i] + 1, 0)) << t.lines[i];
    }
  }
  EXPECT_EQ(kError, At("End_Of_Ovl", 0));
}

TEST_F(BuiltinText, SystemAndWindowValues) {
  const std::string title = IsK() ? "QZ-7514K" : "QZ-7514M";
  struct Case {
    const char* key;
    int32_t index;
    std::string value;
  } cases[] = {
      {"Sys_Ovl", 0, "OVL"},
      {"Sys_AppTitle", 0, title},
      {"Sys_Form_Size", 0, "560"},
      {"Sys_Form_Size", 1, "400"},
      {"Sys_Font_Name", 0, "Arial"},
      {"Sys_Font_Name", 1, "#Sys_Font_Size"},
      {"Sys_Font_Size", 0, "10"},
      {"Sys_Font_CharSet", 0, "1"},
      {"App_ButtonCaption", 0, "OK"},
      {"App_ButtonCaption", 1, "Cancel"},
      {"App_ButtonCaption", 2, "Exit"},
      {"GI_AppInd_Opt_ComSel_Caption", 0, "COM Port"},
      {"GI_AppInd_Opt_ComSel_Notice", 0, "Enter COM Port number. (1 - 256)"},
      {"GI_AppInd_Opt_ComSel_Buttons", 0, "OK"},
      {"GI_AppInd_Opt_ComSel_Buttons", 1, "Cancel"},
      {"GI_AppInd_Opt_ComSel_SizeOfButtons", 0, "Cancel+++"},
      {"GI_AppInd_Opt_ComSel_OutofRange", 0, "Invalid COM Port number."},
      {"Seq_Mess_Cancel", 0, "* Cancel *"},
      {"Seq_Mess_Error_Top", 0, "Error "},
      {"sys_ovl", 0, kError},
      {"Sys_Ovl ", 0, kError},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value, At(c.key, c.index)) << c.key << " [" << c.index << "]";
}

TEST_F(BuiltinText, StartupMessageIsThreeLinesEndedByALoneHash) {
  std::vector<std::string> lines;
  for (int32_t i = 0; i < 10; ++i) {
    const std::string v = At("Seq_Message_00", i);
    if (v == "#") break;
    lines.push_back(v);
  }
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(IsK() ? "QZ-7514K Rev.2.4" : "QZ-7514M Rev.2.0", lines[0]);
  EXPECT_EQ(IsK() ? "Flash Loader for HR-7700A/R8800A Series Only."
                  : "Flash Loader for HR-7700A/R8800A, HR-7730B/R7750B/R8830B Series Only.",
            lines[1]);
  EXPECT_EQ("Copyright (C) 2026 Flash tool developers. All rights reserved.", lines[2]);
}

TEST_F(BuiltinText, MenuListHasNineItems) {
  const char* const expected[] = {"+&File",   " +&Open",  " +E&xit",  "+&COM Port", " +COM &1",
                                  " +COM &2", " +COM &3", " +COM &4", " +&More..."};
  int32_t items = 0;
  for (;; ++items) {
    const std::string v = At("App_MenuList", items);
    if (Fields(v, "+").size() < 2) {
      EXPECT_EQ("", v);
      break;
    }
    ASSERT_LT(items, 9);
    EXPECT_EQ(expected[items], v);
  }
  EXPECT_EQ(9, items);
}

// Field 0 of a step or error line is its name: padded with blanks so that the
// first "@" stands in column 18, or followed by a tab, or (when longer) by one
// blank.
void ExpectNamedLine(const std::string& line) {
  const size_t at = line.find('@');
  ASSERT_NE(std::string::npos, at) << line;
  ASSERT_GE(at, 2u) << line;
  const std::string name = line.substr(0, line.find_first_of(" \t"));
  EXPECT_FALSE(name.empty()) << line;
  const bool padded = at == 17 && line.find_first_not_of(' ', name.size()) == at;
  const bool tabbed = line[at - 1] == '\t' && name.size() == at - 1;
  const bool longName = at > 17 && name.size() == at - 1 && line[at - 1] == ' ';
  EXPECT_TRUE(padded || tabbed || longName) << line;
}

TEST_F(BuiltinText, StepMessagesCoverEveryState) {
  const int32_t states = IsK() ? 44 : 40;
  for (int32_t s = 0; s < states; ++s) ExpectNamedLine(At("Seq_Mess_SequenceTips", s));
  EXPECT_EQ("#", At("Seq_Mess_SequenceTips", states));  // beyond the list: the end marker

  if (IsK()) {
    EXPECT_EQ("Completed        @[OK]@$@$@Completed @(No.@%C@).@$", At("Seq_Mess_SequenceTips", 42));
    EXPECT_EQ("WaitEcho         @", At("Seq_Mess_SequenceTips", 43));
    EXPECT_EQ("Boot_StartDigital_Cmd @", At("Seq_Mess_SequenceTips", 17));
  } else {
    EXPECT_EQ("WaitEcho         @", At("Seq_Mess_SequenceTips", 0));
    EXPECT_EQ("Completed        @[OK]@$@$@Completed @(No.@%C@).@$", At("Seq_Mess_SequenceTips", 39));
    EXPECT_EQ("Boot_Baud_Cmd\t@", At("Seq_Mess_SequenceTips", 14));
    EXPECT_EQ("Boot_Start_Cmd\t@", At("Seq_Mess_SequenceTips", 18));
  }
  const std::vector<std::string> ready = Fields(At("Seq_Mess_SequenceTips", IsK() ? 6 : 7), "@");
  const std::vector<std::string> expected = {
      "Ready            ", "$", "=========================", "$", "Connect Transceiver (No.", "%C", ").", "$",
      "Then Push [OK] to Start Writing.", "$"};
  EXPECT_EQ(expected, ready);
  // Read backwards after forwards: the same lines.
  const std::string five = At("Seq_Mess_SequenceTips", 5);
  At("Seq_Mess_SequenceTips", 30);
  EXPECT_EQ(five, At("Seq_Mess_SequenceTips", 5));
}

TEST_F(BuiltinText, ErrorMessagesCoverEveryCode) {
  const int32_t codes = IsK() ? 14 : 12;
  for (int32_t c = 0; c < codes; ++c) ExpectNamedLine(At("Seq_Mess_Error_Main", c));
  // Beyond the list: the empty line, the end key, then nothing.
  EXPECT_EQ("", At("Seq_Mess_Error_Main", codes));
  EXPECT_EQ("#End_Of_Ovl", At("Seq_Mess_Error_Main", codes + 1));
  EXPECT_EQ(kError, At("Seq_Mess_Error_Main", codes + 2));

  const std::vector<std::string> unknown = Fields(At("Seq_Mess_Error_Main", codes - 1), "@");
  EXPECT_EQ("Unknown          ", unknown.front());
  EXPECT_EQ("from COM Port.", unknown[1]);
  EXPECT_EQ(IsK() ? "- Transceiver power is ON." : "- Fully charged battery is used.", unknown.back());

  const std::vector<std::string> boot = Fields(At("Seq_Mess_Error_Main", 4), "@");
  std::vector<std::string> expected = {"Boot             ", "$", "Cannot make boot mode.", "$", "$",
                                       "Check the following:", "$", "$", "- The COM port settings.", "$",
                                       "- Cable connections.", "$", "- Transceiver power is ON."};
  if (!IsK()) {
    expected.push_back("$");
    expected.push_back("- Fully charged battery is used.");
  }
  EXPECT_EQ(expected, boot);
  // The bit-rate error continues the "Error " line.
  EXPECT_EQ("in bitrate setting.", Fields(At("Seq_Mess_Error_Main", 5), "@")[1]);
  EXPECT_EQ(std::vector<std::string>({"None             ", "$", ""}), Fields(At("Seq_Mess_Error_Main", 0), "@"));
}

TEST_F(BuiltinText, OpeningWarningOfTheVariant) {
  if (IsK()) {
    EXPECT_EQ("", At("Seq_Message_OpWarn", 0));
    EXPECT_EQ("#", At("Seq_Message_OpWarn", 1));
  } else {
    EXPECT_EQ("CAUTION !", At("Seq_Message_OpWarn", 2));
    EXPECT_EQ("#", At("Seq_Message_OpWarn", 4));
  }
  EXPECT_EQ("FLASHW.FRM", At("Seq_File_Flashw", 0));
}

}  // namespace
