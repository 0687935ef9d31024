#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/clsStrCom.h"
#include "platform/hooks.h"

namespace {

clsStrCom Splitter(const std::string& text) {
  clsStrCom s;
  s.SetText(text);
  return s;
}

struct SplitCase {
  std::string text;
  std::string delimiter;
  int32_t count;
  std::vector<std::string> fields;  // fields 0 .. count-1
};

TEST(StrCom, SplitsIntoFields) {
  const SplitCase cases[] = {
      {"None             @$@", "@", 3, {"None             ", "$", ""}},
      {"Product          @!@$@@$@Illegal ESN.@$@Firmware update was cancelled.", "@", 8,
       {"Product          ", "!", "$", "", "$", "Illegal ESN.", "$", "Firmware update was cancelled."}},
      {"@", "@", 2, {"", ""}},
      {"", "@", 1, {""}},
      {"Reset            @", "@", 2, {"Reset            ", ""}},
      {" +&Open", "+", 2, {" ", "&Open"}},
      {"no delimiter here", "@", 1, {"no delimiter here"}},
      {"a,b+c", "+,", 3, {"a", "b", "c"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE("text: \"" + c.text + "\"");
    const clsStrCom s = Splitter(c.text);
    EXPECT_EQ(c.count, s.FieldCount(c.delimiter));
    ASSERT_EQ(static_cast<size_t>(c.count), c.fields.size());
    for (int32_t n = 0; n < c.count; ++n) EXPECT_EQ(c.fields[n], s.Field(c.delimiter, n)) << "field " << n;
    // Past the last field, and for nonsense numbers, the answer is empty.
    EXPECT_EQ("", s.Field(c.delimiter, c.count));
    EXPECT_EQ("", s.Field(c.delimiter, c.count + 5));
    EXPECT_EQ("", s.Field(c.delimiter, -1));
    EXPECT_EQ("", s.Field(c.delimiter, INT32_MAX));
  }
}

TEST(StrCom, FindDelimiterPositionsAreOneBased) {
  const clsStrCom s = Splitter("ab@cd@");
  EXPECT_EQ(3, s.FindDelimiter("@", 1));
  EXPECT_EQ(3, s.FindDelimiter("@", 3));
  EXPECT_EQ(6, s.FindDelimiter("@", 4));
  EXPECT_EQ(7, s.FindDelimiter("x", 1));  // none: length + 1
  EXPECT_EQ(9, s.FindDelimiter("@", 9));  // start beyond the text is answered as is
  EXPECT_EQ(3, s.FindDelimiter("@", 0));  // below 1 counts from the start
}

TEST(StrCom, KeepsItsOwnCopyOfTheText) {
  std::string text = "a@b";
  clsStrCom s;
  EXPECT_EQ("", s.Text());
  s.SetText(text);
  text = "changed";
  EXPECT_EQ("a@b", s.Text());
  s.SetText("x");
  EXPECT_EQ("x", s.Text());
  EXPECT_EQ(1, s.FieldCount("@"));
}

// In Shift-JIS, 0x81 0x40 and 0x81 0x2B are double-byte characters whose
// second byte has the value of "@" and "+": they must never split.
class StrComShiftJis : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetCodePage(932); }
  void TearDown() override { platform::SetCodePage(0); }
};

TEST_F(StrComShiftJis, TrailByteEqualToDelimiterDoesNotSplit) {
  const std::string text = std::string("A\x81@B@C\x81+D+E", 11);
  const clsStrCom s = Splitter(text);
  EXPECT_EQ(2, s.FieldCount("@"));
  EXPECT_EQ(std::string("A\x81@B", 4), s.Field("@", 0));
  EXPECT_EQ(std::string("C\x81+D+E", 6), s.Field("@", 1));
  EXPECT_EQ(5, s.FindDelimiter("@", 1));
  EXPECT_EQ(2, s.FieldCount("+"));
  EXPECT_EQ("E", s.Field("+", 1));
}

TEST_F(StrComShiftJis, StartOnASecondByteDoesNotReportIt) {
  const clsStrCom s = Splitter(std::string("\x81@x@", 4));
  EXPECT_EQ(4, s.FindDelimiter("@", 2));
}

TEST_F(StrComShiftJis, LeadByteAtTheEndEndsTheText) {
  const clsStrCom s = Splitter(std::string("a@\x9F", 3));
  EXPECT_EQ(2, s.FieldCount("@"));
  EXPECT_EQ("\x9F", s.Field("@", 1));
  EXPECT_EQ(4, s.FindDelimiter("@", 3));
}

TEST(StrCom, SingleByteCodePageSplitsAtEveryDelimiterByte) {
  platform::SetCodePage(0);
  const clsStrCom s = Splitter(std::string("A\x81@B", 4));
  EXPECT_EQ(2, s.FieldCount("@"));
  EXPECT_EQ("B", s.Field("@", 1));
}

}  // namespace
