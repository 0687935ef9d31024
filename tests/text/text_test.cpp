#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/clsGTex.h"

namespace {

const std::string kError = "**** ERROR !!! ****";

// Owns the lines of a fixture table for the length of a test.
class Lines {
 public:
  explicit Lines(std::vector<std::string> lines) : m_text(std::move(lines)) {
    for (const std::string& l : m_text) m_ptrs.push_back(l.c_str());
    m_table = TextLineTable{m_ptrs.data(), static_cast<int32_t>(m_ptrs.size())};
  }
  const TextLineTable& Table() const { return m_table; }

 private:
  std::vector<std::string> m_text;
  std::vector<const char*> m_ptrs;
  TextLineTable m_table;
};

const Lines& Sample() {
  static const Lines lines({
      "// banner",            // 0
      "#Marker",              // 1
      "OVL",                  // 2
      "",                     // 3
      "#List",                // 4
      "a0",                   // 5
      "a1",                   // 6
      "a2",                   // 7
      "a3",                   // 8
      "a4",                   // 9
      "a5",                   // 10
      "#",                    // 11
      "#Font",                // 12
      "Arial",                // 13
      "#Size",                // 14
      "10",                   // 15
      "#Dup",                 // 16
      "first",                // 17
      "#Key with blanks ",    // 18
      "spaced",               // 19
      "#Dup",                 // 20
      "second",               // 21
      "#End_Of_Ovl",          // 22
      "#After",               // 23
      "never",                // 24
  });
  return lines;
}

TEST(TextTable, AnswersValueLinesByKeyAndIndex) {
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(Sample().Table()));
  struct Case {
    const char* key;
    int32_t index;
    std::string value;
  } cases[] = {
      {"Marker", 0, "OVL"},
      {"Marker", 1, ""},              // past its own values: the next line verbatim
      {"Font", 1, "#Size"},           // a lookup does not stop at the next key line
      {"List", 6, "#"},               // nor at a lone "#"
      {"Key with blanks ", 0, "spaced"},
      {"Dup", 0, "first"},            // the first occurrence wins
      {"Dup", 1, "#Key with blanks "},
      {"marker", 0, kError},          // keys are case-sensitive
      {"Marker ", 0, kError},         // and compared byte for byte
      {"After", 0, kError},           // keys after the end key are never found
      {"Missing", 0, kError},
      {"", 0, kError},                // a lone "#" is not a key
      {"End_Of_Ovl", 0, "#After"},
      {"End_Of_Ovl", 1, "never"},
      {"End_Of_Ovl", 2, kError},      // would lie past the last line
      {"Marker", -1, kError},
      {"Marker", INT32_MAX, kError},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value, tex.Lookup(c.key, c.index)) << c.key << " [" << c.index << "]";
  }
  EXPECT_EQ(kError, tex.Lookup(nullptr, 0));
}

TEST(TextTable, ListReadsAgreeInAnyOrder) {
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(Sample().Table()));
  for (int32_t i = 0; i < 6; ++i) EXPECT_EQ("a" + std::to_string(i), tex.Lookup("List", i));
  EXPECT_EQ("a5", tex.Lookup("List", 5));  // same index again
  EXPECT_EQ("a2", tex.Lookup("List", 2));  // below the cached index: restarts
  EXPECT_EQ("a4", tex.Lookup("List", 4));  // skips forward from the cache
  EXPECT_EQ("a0", tex.Lookup("List", 0));
  // Lookups of other keys in between move the shared position; the list's
  // cache must not depend on it.
  EXPECT_EQ("a1", tex.Lookup("List", 1));
  EXPECT_EQ("Arial", tex.Lookup("Font", 0));
  EXPECT_EQ("a2", tex.Lookup("List", 2));
  EXPECT_EQ(kError, tex.Lookup("List", 500));  // a failed read keeps the cache
  EXPECT_EQ("a3", tex.Lookup("List", 3));
}

TEST(TextTable, ScansOnlyAsFarAsTheKeysAsked) {
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(Sample().Table()));
  EXPECT_EQ(0, tex.KeyCount());
  EXPECT_EQ("OVL", tex.Lookup("Marker", 0));
  EXPECT_EQ(1, tex.KeyCount());
  EXPECT_EQ("10", tex.Lookup("Size", 0));
  EXPECT_EQ(4, tex.KeyCount());
  EXPECT_EQ("OVL", tex.Lookup("Marker", 0));
  EXPECT_EQ(4, tex.KeyCount());
  // An unknown key runs the scan to the end key, which is indexed, and stops.
  EXPECT_EQ(kError, tex.Lookup("Missing", 0));
  EXPECT_EQ(8, tex.KeyCount());
  EXPECT_EQ(kError, tex.Lookup("After", 0));
  EXPECT_EQ(8, tex.KeyCount());
}

TEST(TextTable, TableWithoutEndKeyStopsAtItsLastLine) {
  const Lines lines({"#A", "1", "#B"});
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(lines.Table()));
  EXPECT_EQ(kError, tex.Lookup("C", 0));
  EXPECT_EQ("1", tex.Lookup("A", 0));
  EXPECT_EQ("#B", tex.Lookup("A", 1));
  EXPECT_EQ(kError, tex.Lookup("B", 0));  // key on the last line: no value line
}

TEST(TextTable, EmptyOrBrokenTablesAnswerTheErrorText) {
  const TextLineTable empty{nullptr, 0};
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(empty));
  EXPECT_EQ(kError, tex.Lookup("A", 0));

  const char* const withHole[] = {"#A", nullptr, "#B", "b"};
  const TextLineTable holed{withHole, 4};
  clsGTex tex2;
  ASSERT_TRUE(tex2.AttachLines(holed));
  EXPECT_EQ(kError, tex2.Lookup("A", 0));
  EXPECT_EQ(kError, tex2.Lookup("B", 0));  // the scan cannot pass the hole
}

TEST(TextTable, LongLinesAreCutTo1022Characters) {
  const std::string longValue(1500, 'x');
  const std::string exact(1022, 'y');
  const std::string longKey = "#" + std::string(1100, 'k');
  const Lines lines({"#Long", longValue, "next", "#Exact", exact, "after", longKey, "v", "#End_Of_Ovl"});
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(lines.Table()));
  EXPECT_EQ(std::string(1022, 'x'), tex.Lookup("Long", 0));
  EXPECT_EQ("next", tex.Lookup("Long", 1));  // the cut-off rest is not a line of its own
  EXPECT_EQ(exact, tex.Lookup("Exact", 0));
  EXPECT_EQ("after", tex.Lookup("Exact", 1));
  EXPECT_EQ("v", tex.Lookup(std::string(1021, 'k').c_str(), 0));  // key names are cut alike
}

TEST(TextTable, ValueEndsAtAnEmbeddedNewline) {
  const Lines lines({"#A", "one\ntwo"});
  clsGTex tex;
  ASSERT_TRUE(tex.AttachLines(lines.Table()));
  EXPECT_EQ("one", tex.Lookup("A", 0));
}

TEST(TextTable, AttachesOnlyOnce) {
  const Lines other({"#Marker", "other"});
  clsGTex tex;
  EXPECT_TRUE(tex.AttachLines(Sample().Table()));
  EXPECT_FALSE(tex.AttachLines(other.Table()));
  EXPECT_EQ("OVL", tex.Lookup("Marker", 0));
}

TEST(TextTable, LookupBeforeAttachEndsTheScanForGood) {
  clsGTex tex;
  EXPECT_EQ(kError, tex.Lookup("Marker", 0));
  EXPECT_TRUE(tex.AttachLines(Sample().Table()));
  EXPECT_EQ(kError, tex.Lookup("Marker", 0));
  EXPECT_EQ(0, tex.KeyCount());
}

}  // namespace
