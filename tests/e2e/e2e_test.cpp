// End to end: the windowless program of one variant writes its built-in image
// over the real serial stack into radio-sim on a real pseudo-terminal. Each
// test starts its own simulator on its own link, so tests may run in
// parallel; every wait is bounded and both processes are always reaped.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "image/BuiltinImages.h"
#include "profiles/profile.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

const char* VariantName() { return Profile().variant == 'K' ? "k" : "m"; }

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  std::string line;
  while (std::getline(s, line))
    if (!line.empty()) out.push_back(line);
  return out;
}

// One flat JSON object of the verdict: key to value text (strings unquoted).
std::map<std::string, std::string> ParseVerdict(const std::string& line) {
  std::map<std::string, std::string> m;
  size_t i = 1;
  auto str = [&](std::string& out) {
    ++i;  // opening quote
    while (i < line.size() && line[i] != '"') {
      if (line[i] == '\\') ++i;
      out += line[i++];
    }
    ++i;
  };
  while (i < line.size() && line[i] == '"') {
    std::string key, value;
    str(key);
    ++i;  // colon
    if (line[i] == '"') {
      str(value);
    } else {
      while (i < line.size() && line[i] != ',' && line[i] != '}') value += line[i++];
    }
    m[key] = value;
    if (i < line.size() && line[i] == ',') ++i;
  }
  return m;
}

// The built-in image as the simulator's window should hold it after a write.
const std::vector<uint8_t>& ExpectedWindow() {
  static const std::vector<uint8_t> window = [] {
    std::vector<uint8_t> w(size_t(Profile().imageWindowSize), 0xFF);
    const BuiltinImage& img = ProfileRomImage();
    const int32_t n = img.last - img.first + 1;
    std::memcpy(&w[size_t(img.first)], img.bytes, size_t(n));
    Descramble(&w[size_t(img.first)], n);
    return w;
  }();
  return window;
}

int32_t ExpectedBlocks() {
  const std::vector<uint8_t>& w = ExpectedWindow();
  int32_t blocks = 0;
  for (size_t a = 0; a < w.size(); a += 128) {
    bool blank = true;
    for (size_t i = 0; i < 128 && blank; ++i) blank = w[a + i] == 0xFF;
    blocks += !blank;
  }
  return blocks;
}

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() { Kill(); }

  bool Start(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int r = posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (r != 0) pid_ = -1;
    return r == 0;
  }

  // Waits at most seconds for the exit; true with the exit status when it came.
  bool Wait(double seconds, int* code) {
    const auto end = Clock::now() + std::chrono::milliseconds(long(seconds * 1000));
    while (pid_ > 0) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        *code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return true;
      }
      if (Clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // Asks the process to stop, then forces it; always reaps it.
  void Kill() {
    if (pid_ <= 0) return;
    int code = 0;
    kill(pid_, SIGTERM);
    if (Wait(5, &code)) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

struct RunResult {
  int runExit = -1;
  int simExit = -1;
  std::string sum;                                 // the program's image sum
  std::vector<std::string> units;                  // "ok" or "error <code>"
  std::vector<std::map<std::string, std::string>> verdicts;
  std::string dir;
  bool linkGone = false;
  std::string runLog, simLog;
};

class E2e : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/flash-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    if (::testing::Test::HasFailure()) {
      std::fprintf(stderr, "kept %s for inspection\n", dir_.c_str());
      return;
    }
    std::string cmd = "rm -rf '" + dir_ + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir_.c_str());
  }

  // Runs the simulator and the program for units units; simArgs are added to
  // the simulator's command line.
  RunResult Run(int units, const std::vector<std::string>& simArgs, double unitTimeoutS = 60) {
    RunResult r;
    r.dir = dir_;
    const std::string link = dir_ + "/radio";
    const std::string ini = dir_ + "/ports.ini";
    std::ofstream(ini) << "[Ports]\nCOM1=" << link << "\n";

    std::vector<std::string> sa = {RADIO_SIM_PATH, "--variant", VariantName(), "--link", link,
                                   "--units", std::to_string(units), "--dump", dir_ + "/image"};
    sa.insert(sa.end(), simArgs.begin(), simArgs.end());
    Process sim, run;
    if (!sim.Start(sa, dir_ + "/sim.out", dir_ + "/sim.err")) {
      ADD_FAILURE() << "cannot start radio-sim";
      return r;
    }
    struct stat st;
    const auto until = Clock::now() + std::chrono::seconds(5);
    while (lstat(link.c_str(), &st) != 0 && Clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (lstat(link.c_str(), &st) != 0) {
      ADD_FAILURE() << "radio-sim made no link: " << ReadFile(dir_ + "/sim.err");
      return r;
    }

    char timeout[32];
    std::snprintf(timeout, sizeof timeout, "%g", unitTimeoutS);
    const std::vector<std::string> ra = {FLASH_RUN_PATH, "--port", "1", "--ini", ini,
                                         "--units", std::to_string(units), "--timeout-s", timeout};
    if (!run.Start(ra, dir_ + "/run.out", dir_ + "/run.err")) {
      ADD_FAILURE() << "cannot start flash-run";
      return r;
    }
    if (!run.Wait(unitTimeoutS * units + 20, &r.runExit)) ADD_FAILURE() << "flash-run did not finish";
    run.Kill();
    // The simulator stops by itself after its units.
    if (!sim.Wait(10, &r.simExit)) ADD_FAILURE() << "radio-sim did not stop after its units";
    sim.Kill();
    r.linkGone = lstat(link.c_str(), &st) != 0;

    r.runLog = ReadFile(dir_ + "/run.out") + ReadFile(dir_ + "/run.err");
    r.simLog = ReadFile(dir_ + "/sim.out") + ReadFile(dir_ + "/sim.err");
    for (const std::string& line : Lines(ReadFile(dir_ + "/run.out"))) {
      char word[16] = {0}, state[16] = {0};
      int n = 0, code = 0;
      if (std::sscanf(line.c_str(), "sum %8s", word) == 1) r.sum = word;
      if (std::sscanf(line.c_str(), "unit %d %15s %d", &n, state, &code) >= 2)
        r.units.push_back(std::string(state) == "ok" ? "ok" : "error " + std::to_string(code));
    }
    for (const std::string& line : Lines(ReadFile(dir_ + "/sim.out"))) r.verdicts.push_back(ParseVerdict(line));
    return r;
  }

  // Unit n (from 1) wrote the whole built-in image and the simulator agrees.
  void ExpectCleanUnit(const RunResult& r, size_t n) {
    SCOPED_TRACE("unit " + std::to_string(n));
    ASSERT_GE(r.units.size(), n) << r.runLog;
    EXPECT_EQ(r.units[n - 1], "ok") << r.runLog;
    ASSERT_GE(r.verdicts.size(), n) << r.simLog;
    const auto& v = r.verdicts[n - 1];
    EXPECT_EQ(v.at("unit"), std::to_string(n));
    EXPECT_EQ(v.at("result"), "pass") << v.at("reason");
    EXPECT_EQ(v.at("sum_ok"), "true");
    EXPECT_EQ(v.at("rate_ok"), "true");
    EXPECT_EQ(v.at("sum"), r.sum);
    EXPECT_EQ(v.at("blocks"), std::to_string(ExpectedBlocks()));
    const std::string dump = ReadFile(r.dir + "/image." + std::to_string(n));
    ASSERT_EQ(dump.size(), ExpectedWindow().size());
    EXPECT_TRUE(std::memcmp(dump.data(), ExpectedWindow().data(), dump.size()) == 0)
        << "the rebuilt image differs from the built-in one";
  }

  std::string dir_;
};

TEST_F(E2e, WritesThreeUnitsInARow) {
  const RunResult r = Run(3, {});
  EXPECT_EQ(r.runExit, 0) << r.runLog;
  EXPECT_EQ(r.simExit, 0) << r.simLog;
  EXPECT_TRUE(r.linkGone);
  ASSERT_EQ(r.units.size(), 3u) << r.runLog;
  for (size_t n = 1; n <= 3; ++n) ExpectCleanUnit(r, n);
  EXPECT_EQ(r.verdicts[0].at("echo"), "false");
}

TEST_F(E2e, WritesThreeUnitsInARowThroughAnEchoingCable) {
  const RunResult r = Run(3, {"--echo"});
  EXPECT_EQ(r.runExit, 0) << r.runLog;
  ASSERT_EQ(r.units.size(), 3u) << r.runLog;
  for (size_t n = 1; n <= 3; ++n) ExpectCleanUnit(r, n);
  EXPECT_EQ(r.verdicts[0].at("echo"), "true");
}

// A fault in the first unit, and what the program must make of it.
struct FaultCase {
  const char* fault;
  bool echo;
  int codeK;  // -2: the fault does not exist in this variant; 0: the unit succeeds
  int codeM;
};

const FaultCase kFaults[] = {
    {"silence:boot", false, 4, 4},
    {"wrong:boot", false, 4, 4},
    {"silence:bitrate", false, 5, 5},
    {"wrong:bitrate", false, 5, 5},
    {"silence:flashcheck", false, 7, 7},
    {"wrong:flashcheck", false, 0, 0},  // any answer to a flash check counts
    {"silence:length", false, 6, -2},
    {"wrong:length", false, 6, -2},
    {"silence:writer", false, 6, -2},   // waits out the program's 31 s
    {"wrong:writer", false, 6, -2},
    {"silence:start", false, -2, 6},    // the start request times out: 6
    {"wrong:start", false, -2, 7},      // the transceiver refuses: 7
    {"silence:rom", false, 8, 8},
    {"wrong:rom", false, 8, 8},
    {"silence:sum", false, 8, 8},
    {"wrong:sum", false, 8, 8},
    {"stop-after:5", false, 8, 8},
    {"vanish:5", false, 8, 8},
    {"noise", false, 0, 0},
    {"noise", true, 0, 0},
    {"corrupt-echo", true, 13, 11},
};

void PrintTo(const FaultCase& f, std::ostream* os) { *os << f.fault << (f.echo ? " with an echoing cable" : ""); }

std::vector<FaultCase> FaultsOfThisVariant() {
  std::vector<FaultCase> out;
  for (const FaultCase& f : kFaults)
    if ((Profile().variant == 'K' ? f.codeK : f.codeM) != -2) out.push_back(f);
  return out;
}

class E2eFault : public E2e, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(E2eFault, EndsTheUnitWithItsCodeAndTheNextUnitWritesCleanly) {
  const FaultCase& f = GetParam();
  const int code = Profile().variant == 'K' ? f.codeK : f.codeM;
  std::vector<std::string> args = {"--fault", f.fault};
  if (f.echo) args.push_back("--echo");
  const RunResult r = Run(2, args, 45);
  ASSERT_EQ(r.units.size(), 2u) << r.runLog;
  EXPECT_EQ(r.units[0], code == 0 ? "ok" : "error " + std::to_string(code)) << r.runLog;
  EXPECT_EQ(r.runExit, code == 0 ? 0 : 1);
  ASSERT_EQ(r.verdicts.size(), 2u) << r.simLog;
  // The simulator only closes a unit when the program has closed the port
  // (or the device vanished), so a second verdict means the port was let go.
  EXPECT_EQ(r.verdicts[0].at("fault"), f.fault);
  EXPECT_EQ(r.verdicts[0].at("result"), code == 0 ? "pass" : "fail") << r.verdicts[0].at("reason");
  if (code != 0) {
    EXPECT_EQ(r.verdicts[0].at("reason").rfind("fault ", 0), 0u) << r.verdicts[0].at("reason");
  }
  ExpectCleanUnit(r, 2);
  EXPECT_TRUE(r.linkGone);
}

std::string FaultName(const ::testing::TestParamInfo<FaultCase>& info) {
  std::string n = info.param.fault;
  for (char& c : n)
    if (c == ':' || c == '-') c = '_';
  return n + (info.param.echo ? "_echo" : "");
}

INSTANTIATE_TEST_SUITE_P(Faults, E2eFault, ::testing::ValuesIn(FaultsOfThisVariant()), FaultName);

}  // namespace
