// Build-time image generator. Writes one C++ source that defines a built-in
// image: its first and last target address and its bytes, scrambled with the
// program's key stream. The bytes are either synthetic test firmware
// (deterministic for a given seed) or a real image given as a raw binary of
// exactly the image's length. S-record files are turned into such a binary by
// the build beforehand (srec_cat), which also hands over the part of the file
// that lies outside the image's range (--outside) so it can be refused here.
//
// A host tool: standard library only, plus the shared key stream header.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "image/ScrambleKey.h"

namespace {

constexpr int32_t kBlockSize = 128;

struct Options {
  std::string symbol;
  int64_t first = -1;
  int64_t last = -1;
  std::string out;
  uint64_t seed = 1;
  bool blanks = false;
  std::string raw;
  std::string outside;
  std::string source;
};

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "imggen: " << message << "\n";
  std::exit(1);
}

std::string Hex(int64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
  return text;
}

int64_t ParseNumber(const std::string& option, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || errno != 0) Fail("bad number for " + option + ": '" + text + "'");
  return value;
}

Options ParseArguments(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--blanks") {
      o.blanks = true;
      continue;
    }
    if (i + 1 >= argc) Fail("missing value after " + arg);
    const std::string value = argv[++i];
    if (arg == "--symbol") o.symbol = value;
    else if (arg == "--first") o.first = ParseNumber(arg, value);
    else if (arg == "--last") o.last = ParseNumber(arg, value);
    else if (arg == "--out") o.out = value;
    else if (arg == "--seed") o.seed = static_cast<uint64_t>(ParseNumber(arg, value));
    else if (arg == "--raw") o.raw = value;
    else if (arg == "--outside") o.outside = value;
    else if (arg == "--source") o.source = value;
    else Fail("unknown option " + arg);
  }
  if (o.symbol.empty() || o.out.empty()) Fail("--symbol and --out are required");
  if (o.first < 0 || o.last < o.first || o.last > INT32_MAX) {
    Fail("bad image range " + Hex(o.first) + ".." + Hex(o.last));
  }
  if (o.source.empty()) o.source = o.raw;
  return o;
}

std::string RangeText(const Options& o) {
  const int64_t count = o.last - o.first + 1;
  return Hex(o.first) + ".." + Hex(o.last) + " (" + std::to_string(count) + " bytes)";
}

// Size of a file in bytes, or -1 when it cannot be read.
int64_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return -1;
  return static_cast<int64_t>(in.tellg());
}

// splitmix64: small, fast and the same on every host.
class Random {
 public:
  explicit Random(uint64_t seed) : m_state(seed) {}
  uint64_t Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in lo..hi inclusive.
  int32_t Between(int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
  }

 private:
  uint64_t m_state;
};

// Synthetic firmware over first..last. Blocks are the 128 target addresses
// from a multiple of 128. With blanks, the blocks alternate between runs of
// 1..11 data blocks and runs of 1..3 blank blocks (all 255), about a quarter
// blank; the first and the last block always hold data. Every data block
// carries each of the bytes FA..FF at least once, so every escape is used,
// and about one byte in eight of 0xFA or above besides.
std::vector<unsigned char> Synthesize(const Options& o) {
  const int64_t count = o.last - o.first + 1;
  std::vector<unsigned char> bytes(static_cast<size_t>(count), 0xFF);
  Random random(o.seed);
  const int64_t firstBlock = o.first / kBlockSize;
  const int64_t lastBlock = o.last / kBlockSize;
  bool blankRun = false;
  int32_t runLeft = random.Between(1, 11);
  for (int64_t block = firstBlock; block <= lastBlock; ++block) {
    if (runLeft == 0) {
      blankRun = o.blanks && !blankRun;
      runLeft = blankRun ? random.Between(1, 3) : random.Between(1, 11);
    }
    --runLeft;
    const bool edge = block == firstBlock || block == lastBlock;
    if (blankRun && !edge) continue;

    const int64_t from = std::max(block * kBlockSize, o.first);
    const int64_t to = std::min(block * kBlockSize + kBlockSize - 1, o.last);
    unsigned char* p = bytes.data() + (from - o.first);
    const int32_t n = static_cast<int32_t>(to - from + 1);
    for (int32_t i = 0; i < n; ++i) {
      const uint64_t r = random.Next();
      p[i] = (r & 7) == 0 ? static_cast<unsigned char>(0xFA + (r >> 8) % 6)
                          : static_cast<unsigned char>((r >> 8) % 0xFA);
    }
    // Plant FA..FF at distinct places (as many as the block has room for).
    for (int32_t e = 0; e < 6 && e < n; ++e) {
      int32_t at = random.Between(0, n - 1);
      while (p[at] >= 0xFA && p[at] - 0xFA < e) at = (at + 1) % n;  // keep earlier plants
      p[at] = static_cast<unsigned char>(0xFA + e);
    }
  }
  return bytes;
}

std::vector<unsigned char> ReadRaw(const Options& o) {
  const int64_t expected = o.last - o.first + 1;
  const int64_t size = FileSize(o.raw);
  if (size < 0) Fail(o.source + ": cannot read " + o.raw);
  if (size != expected) {
    Fail(o.source + ": " + std::to_string(size) + " bytes, but the image " + RangeText(o) +
         " needs exactly " + std::to_string(expected) + " bytes");
  }
  std::vector<unsigned char> bytes(static_cast<size_t>(size));
  std::ifstream in(o.raw, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) Fail(o.source + ": cannot read " + o.raw);
  return bytes;
}

// The file given with --outside holds, in S-record form, whatever data of the
// source lies outside the image range. Any data record in it refuses the image.
void CheckOutside(const Options& o) {
  std::ifstream in(o.outside);
  if (!in) Fail(o.source + ": cannot read " + o.outside);
  std::string line;
  int64_t lowest = -1;
  int64_t highest = -1;
  while (std::getline(in, line)) {
    if (line.size() < 4 || line[0] != 'S') continue;
    const int addressBytes = line[1] == '1' ? 2 : line[1] == '2' ? 3 : line[1] == '3' ? 4 : 0;
    if (addressBytes == 0 || line.size() < static_cast<size_t>(4 + 2 * addressBytes)) continue;
    const int64_t count = std::strtoll(line.substr(2, 2).c_str(), nullptr, 16);
    const int64_t address = std::strtoll(line.substr(4, 2 * addressBytes).c_str(), nullptr, 16);
    const int64_t dataBytes = count - addressBytes - 1;
    if (dataBytes <= 0) continue;
    if (lowest < 0 || address < lowest) lowest = address;
    if (address + dataBytes - 1 > highest) highest = address + dataBytes - 1;
  }
  if (lowest >= 0) {
    Fail(o.source + " (" + std::to_string(FileSize(o.source)) + " bytes): data at " + Hex(lowest) +
         ".." + Hex(highest) + " lies outside the image range " + RangeText(o));
  }
}

// Bytes as adjacent string literals of 64 bytes each: compiles far faster
// than a brace list. Letters and digits go as they are, every other byte as a
// three-digit octal escape (which never swallows the character after it).
void WriteLiteral(std::ostream& out, const std::vector<unsigned char>& bytes) {
  static const char kOctal[] = "01234567";
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 64 == 0) {
      if (i != 0) out << line << "\"\n";
      line = "    \"";
    }
    const unsigned char b = bytes[i];
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      line += static_cast<char>(b);
    } else {
      line += '\\';
      line += kOctal[(b >> 6) & 7];
      line += kOctal[(b >> 3) & 7];
      line += kOctal[b & 7];
    }
  }
  if (bytes.empty()) line = "    \"";
  out << line << "\"";
}

void WriteSource(const Options& o, const std::vector<unsigned char>& bytes) {
  const std::string tmp = o.out + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) Fail("cannot write " + tmp);
    const std::string origin = o.raw.empty() ? "synthetic test firmware, seed " + std::to_string(o.seed)
                                             : "the image " + o.source;
    const std::string n = std::to_string(bytes.size() + 1);  // room for the literal's terminator
    out << "// Generated by imggen from " << origin << ". Do not edit.\n"
        << "// Target range " << RangeText(o) << ", stored scrambled.\n"
        << "#include <cstdint>\n\n"
        << "extern const int32_t " << o.symbol << "_first;\n"
        << "extern const int32_t " << o.symbol << "_last;\n"
        << "extern const unsigned char " << o.symbol << "_bytes[" << n << "];\n\n"
        << "const int32_t " << o.symbol << "_first = " << Hex(o.first) << ";\n"
        << "const int32_t " << o.symbol << "_last = " << Hex(o.last) << ";\n"
        << "const unsigned char " << o.symbol << "_bytes[" << n << "] =\n";
    WriteLiteral(out, bytes);
    out << ";\n";
    if (!out.flush()) Fail("cannot write " + tmp);
  }
  if (std::rename(tmp.c_str(), o.out.c_str()) != 0) Fail("cannot write " + o.out);
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = ParseArguments(argc, argv);
  std::remove(o.out.c_str());  // a refused image leaves no source of an older one behind
  if (!o.outside.empty()) CheckOutside(o);
  std::vector<unsigned char> bytes = o.raw.empty() ? Synthesize(o) : ReadRaw(o);
  scramble::ApplyKeyStream(bytes.data(), static_cast<int32_t>(bytes.size()));
  WriteSource(o, bytes);
  return 0;
}
