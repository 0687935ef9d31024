#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/settings/support.h"
#include "toolkit/IniFiles.h"
#include "toolkit/SysUtils.h"

namespace {

TEST(SysUtils, StrToIntAcceptsDecimalAndHexadecimal) {
  const struct {
    const char* text;
    int value;
  } good[] = {{"0", 0},       {"42", 42},      {"-42", -42},   {"+7", 7},           {"  12", 12},
              {"$10", 16},    {"$ff", 255},    {"0x10", 16},   {"0XfF", 255},       {"-$10", -16},
              {"2147483647", 2147483647},      {"-2147483648", -2147483647 - 1}};
  for (const auto& c : good) EXPECT_EQ(c.value, StrToInt(c.text)) << c.text;

  const char* const bad[] = {"", " ", "abc", "12 ", "1 2", "$", "0x", "$g", "0x1g", "1.5", "--1", "+",
                             "2147483648", "-2147483649", "$80000000", "\t5"};
  for (const char* text : bad) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string("'") + text + "' is not a valid integer value", e.Message);
      EXPECT_STREQ(e.Message.c_str(), e.what());
    }
    EXPECT_EQ(-9, StrToIntDef(text, -9)) << text;
  }
}

TEST(SysUtils, StringHelpers) {
  EXPECT_EQ("-2147483648", IntToStr(-2147483647 - 1));
  EXPECT_EQ("a b", Trim(" \t\r\na b\x01 \n"));
  EXPECT_EQ("", Trim(" \t "));
  EXPECT_EQ("\xA0x\xA0", Trim("\xA0x\xA0"));  // bytes above 0x20 stay
  EXPECT_EQ("flash-k", ExtractFileName("/opt/tools/flash-k"));
  EXPECT_EQ("flash-k.exe", ExtractFileName("flash-k.exe"));
  EXPECT_EQ("", ExtractFileName("/opt/tools/"));
  EXPECT_EQ("/opt/tools/flash-k.INI", ChangeFileExt("/opt/tools/flash-k", ".INI"));
  EXPECT_EQ("/opt/tools/flash-k.INI", ChangeFileExt("/opt/tools/flash-k.bin", ".INI"));
  EXPECT_EQ("/opt/v1.2/flash.INI", ChangeFileExt("/opt/v1.2/flash", ".INI"));
  EXPECT_EQ("a.b", ChangeFileExt("a.b.c", ""));
}

class IniFile : public ::testing::Test {
 protected:
  std::string Path() const { return dir.File("test.INI"); }
  TempDir dir;
};

TEST_F(IniFile, ReadsWithDefaultsAndAnyLetterCase) {
  WriteAll(Path(),
           "top=ignored\n[One]\n; Key=comment\nKey =  value with blanks  \nNum=$20\nEmpty=\nNoEquals\n"
           "[ two ]\r\nKey=second\r\n[One]\nKey=duplicate section\n");
  const TIniFile ini(Path());
  EXPECT_EQ("value with blanks", ini.ReadString("one", "KEY", "d"));
  EXPECT_EQ("second", ini.ReadString("Two", "key", "d"));
  EXPECT_EQ("", ini.ReadString("One", "Empty", "d"));
  EXPECT_EQ("d", ini.ReadString("One", "NoEquals", "d"));
  EXPECT_EQ("d", ini.ReadString("One", "top", "d"));
  EXPECT_EQ("d", ini.ReadString("Three", "Key", "d"));
  EXPECT_EQ(32, ini.ReadInteger("One", "Num", 0));
  EXPECT_EQ(5, ini.ReadInteger("One", "Empty", 5));
  EXPECT_EQ(5, ini.ReadInteger("One", "Key", 5));
  EXPECT_EQ(5, TIniFile(dir.File("missing.INI")).ReadInteger("One", "Num", 5));
}

TEST_F(IniFile, WritesCreateReplaceAndAppend) {
  TIniFile ini(Path());
  ini.WriteString("A", "x", "1");
  ini.WriteInteger("B", "y", -2);
  ini.WriteString("a", "X", "3");
  ini.WriteString("A", "z", "4");
  EXPECT_EQ("[A]\nx=3\nz=4\n[B]\ny=-2\n", ReadAll(Path()));
  EXPECT_EQ(-2, ini.ReadInteger("b", "Y", 0));
  // No temporary file is left behind.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(1, files);
}

TEST_F(IniFile, KeepsTheFilesPermissions) {
  WriteAll(Path(), "[A]\nx=1\n");
  ASSERT_EQ(0, chmod(Path().c_str(), 0640));
  TIniFile(Path()).WriteString("A", "x", "2");
  struct stat st;
  ASSERT_EQ(0, stat(Path().c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
}

TEST_F(IniFile, WritesThroughASymbolicLink) {
  WriteAll(dir.File("real.INI"), "[A]\nx=1\n");
  ASSERT_EQ(0, symlink("real.INI", Path().c_str()));
  TIniFile(Path()).WriteString("A", "x", "2");
  EXPECT_TRUE(std::filesystem::is_symlink(Path()));
  EXPECT_EQ("[A]\nx=2\n", ReadAll(dir.File("real.INI")));
}

TEST_F(IniFile, RefusesTextThatWouldBreakTheFile) {
  WriteAll(Path(), "[A]\nx=1\n");
  TIniFile ini(Path());
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } bad[] = {{"A", "x", "2\n[B]"}, {"A", "x", "2\r"}, {"A\n", "x", "2"}, {"A]", "x", "2"},
             {"A", "x=y", "2"},    {"A", "", "2"},     {"A", "[x", "2"}, {"A", ";x", "2"}};
  for (const auto& c : bad) {
    EXPECT_THROW(ini.WriteString(c.section, c.key, c.value), EIniFileException) << c.section << "/" << c.key;
  }
  EXPECT_EQ("[A]\nx=1\n", ReadAll(Path()));
}

TEST_F(IniFile, FailedWriteRaisesAndLeavesTheFileAsItWas) {
  WriteAll(dir.File("plain"), "x");
  TIniFile inFile(dir.File("plain/test.INI"));
  EXPECT_THROW(inFile.WriteString("A", "x", "1"), EIniFileException);
  ASSERT_EQ(0, mkdir(dir.File("folder.INI").c_str(), 0755));
  TIniFile isFolder(dir.File("folder.INI"));
  try {
    isFolder.WriteString("A", "x", "1");
    ADD_FAILURE() << "wrote over a folder";
  } catch (const Exception& e) {
    EXPECT_NE(std::string::npos, e.Message.find("folder.INI")) << e.Message;
  }
  if (geteuid() != 0) {
    WriteAll(Path(), "[A]\nx=1\n");
    ASSERT_EQ(0, chmod(Path().c_str(), 0444));
    EXPECT_THROW(TIniFile(Path()).WriteString("A", "x", "2"), EIniFileException);
    EXPECT_EQ("[A]\nx=1\n", ReadAll(Path()));
  }
}

}  // namespace
