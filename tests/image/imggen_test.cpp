// Runs the build-time image generator on small real images: the embedded bytes
// come back unchanged, and an image that does not fit its range is refused
// with a message naming the file, its size and the range.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/BuiltinImages.h"

namespace {

struct GenResult {
  int status;
  std::string errors;
};

class ImageGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/imggen-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

  std::string Path(const std::string& name) const { return m_dir + "/" + name; }

  void WriteFile(const std::string& name, const std::string& content) const {
    std::ofstream(Path(name), std::ios::binary) << content;
  }

  GenResult Generate(const std::string& args) const {
    const std::string errors = Path("stderr.txt");
    const std::string command = std::string(FLASH_IMGGEN) + " " + args + " 2> '" + errors + "'";
    const int raw = std::system(command.c_str());
    std::ifstream in(errors);
    std::stringstream text;
    text << in.rdbuf();
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
  }

  // The bytes of the array literal in a generated source.
  std::vector<unsigned char> LiteralBytes(const std::string& name) const {
    std::ifstream in(Path(name));
    std::string line;
    std::vector<unsigned char> bytes;
    while (std::getline(in, line)) {
      const size_t open = line.find("    \"");
      if (open != 0) continue;
      const size_t close = line.rfind('"');
      for (size_t i = open + 5; i < close; ++i) {
        if (line[i] == '\\') {
          bytes.push_back(static_cast<unsigned char>(std::stoi(line.substr(i + 1, 3), nullptr, 8)));
          i += 3;
        } else {
          bytes.push_back(static_cast<unsigned char>(line[i]));
        }
      }
    }
    return bytes;
  }

  std::string m_dir;
};

TEST_F(ImageGenerator, RawImageIsEmbeddedScrambled) {
  std::string plain;
  for (int i = 0; i < 200; ++i) plain += static_cast<char>(i * 7 + 3);  // letters, digits and escapes
  WriteFile("real.bin", plain);
  const GenResult run = Generate("--symbol t --first 0x1000 --last 0x10C7 --out '" + Path("t.cpp") + "' --raw '" +
                           Path("real.bin") + "'");
  ASSERT_EQ(run.status, 0) << run.errors;
  std::vector<unsigned char> bytes = LiteralBytes("t.cpp");
  ASSERT_EQ(bytes.size(), 200u);
  Descramble(bytes.data(), 200);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), plain);
}

TEST_F(ImageGenerator, RawImageOfWrongSizeIsRefused) {
  WriteFile("short.bin", std::string(5, '\x01'));
  const GenResult run = Generate("--symbol t --first 0x1000 --last 0x100F --out '" + Path("t.cpp") + "' --raw '" +
                           Path("short.bin") + "'");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find(Path("short.bin")), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("5 bytes"), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find("0x1000..0x100F (16 bytes)"), std::string::npos) << run.errors;
  EXPECT_FALSE(std::ifstream(Path("t.cpp")).good());
}

TEST_F(ImageGenerator, SRecordDataOutsideRangeIsRefused) {
  WriteFile("real.bin", std::string(16, '\x01'));
  WriteFile("source.mot", "S00600004844521B\nS2080010104142434422\n");
  struct Case {
    const char* outside;
    bool accepted;
  };
  const Case cases[] = {
      {"S0220000687474703A2F2F737265636F72642E736F75726365666F7267652E6E65742F1D\nS5030000FC\n", true},
      {"S00600004844521B\nS2080010104142434422\nS5030001FB\n", false},
      {"S1070FF0010203048F\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outside);
    WriteFile("outside.mot", c.outside);
    const GenResult run = Generate("--symbol t --first 0x1000 --last 0x100F --out '" + Path("t.cpp") + "' --raw '" +
                             Path("real.bin") + "' --outside '" + Path("outside.mot") + "' --source '" +
                             Path("source.mot") + "'");
    if (c.accepted) {
      EXPECT_EQ(run.status, 0) << run.errors;
      continue;
    }
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.errors.find(Path("source.mot") + " (38 bytes)"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("outside the image range 0x1000..0x100F (16 bytes)"), std::string::npos)
        << run.errors;
  }
}

TEST_F(ImageGenerator, SRecordRefusalNamesOutsideAddresses) {
  WriteFile("real.bin", std::string(16, '\x01'));
  WriteFile("outside.mot", "S2080010104142434422\n");
  const GenResult run = Generate("--symbol t --first 0x1000 --last 0x100F --out '" + Path("t.cpp") + "' --raw '" +
                           Path("real.bin") + "' --outside '" + Path("outside.mot") + "'");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find("data at 0x1010..0x1013"), std::string::npos) << run.errors;
}

TEST_F(ImageGenerator, SyntheticImageIsDeterministic) {
  const std::string args = " --symbol t --first 0x7000 --last 0x7FFF --seed 9 --blanks";
  ASSERT_EQ(Generate(args + " --out '" + Path("a.cpp") + "'").status, 0);
  ASSERT_EQ(Generate(args + " --out '" + Path("b.cpp") + "'").status, 0);
  const std::vector<unsigned char> a = LiteralBytes("a.cpp");
  EXPECT_EQ(a.size(), 0x1000u);
  EXPECT_EQ(a, LiteralBytes("b.cpp"));
}

}  // namespace
