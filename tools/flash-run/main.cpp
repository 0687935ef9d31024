// flash-run: runs the flash sequence without the window, the way the tick
// does, for one unit after another. Used by the end-to-end tests and the
// benchmark against the simulated transceiver.
//
//   flash-run-k [--port N] [--ini FILE] [--units N] [--timeout-s S]
//
// --port N       COM port number (default 1)
// --ini FILE     settings file holding the port mapping ([Ports] COMn=/dev/...)
// --units N      units to write one after another (default 1)
// --timeout-s S  give up on a unit (and on reaching Ready at start) after S
//                seconds; the unit is cancelled and reported with code -1
//
// Standard output: "sum XXXX" (the image sum) once the controller is ready,
// then one line per unit: "unit <n> ok <seconds>" or
// "unit <n> error <code> <seconds>". Exit code 0 when every unit succeeded,
// 1 otherwise, 2 for a bad command line. Diagnostics go to standard error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/hooks.h"
#include "platform/winapi.h"
#include "profiles/profile.h"
#include "profiles/seqtable.h"
#include "sequence/clsMainSeq.h"
#include "toolkit/Timer.h"

namespace {

struct Options {
  int32_t port = 1;
  std::string ini;
  long units = 1;
  double timeoutS = 0;  // 0: no limit
};

void Usage() {
  std::fprintf(stderr, "usage: flash-run [--port N] [--ini FILE] [--units N] [--timeout-s S]\n");
}

bool ParseLong(const char* text, long minimum, long maximum, long& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < minimum || v > maximum) return false;
  out = v;
  return true;
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (value == nullptr) return false;
    if (std::strcmp(arg, "--port") == 0) {
      long v = 0;
      if (!ParseLong(value, 1, 256, v)) return false;
      options.port = static_cast<int32_t>(v);
    } else if (std::strcmp(arg, "--ini") == 0) {
      options.ini = value;
    } else if (std::strcmp(arg, "--units") == 0) {
      if (!ParseLong(value, 0, 999999, options.units)) return false;
    } else if (std::strcmp(arg, "--timeout-s") == 0) {
      char* end = nullptr;
      options.timeoutS = std::strtod(value, &end);
      if (end == value || *end != '\0' || !(options.timeoutS > 0) || options.timeoutS > 4000000) return false;
    } else {
      return false;
    }
    ++i;
  }
  return true;
}

class Runner {
 public:
  explicit Runner(const Options& options) : m_options(options), m_table(ProfileSeqTable()) {}

  // One tick: the port while at Ready or before, one step, the window timers
  // (the transmit task), a 1 ms pause. Returns the step's error code.
  int32_t Tick() {
    if (m_seq.State() <= m_table.ready) m_seq.SetPort(m_options.port);
    const int32_t before = m_seq.State();
    const int32_t e = m_seq.Step();
    if (e != 0) {
      std::fprintf(stderr, "flash-run: error %d in state %d (%s)\n", e, before, StateName(before));
      m_seq.ClearError();
    }
    toolkit::PumpTimers();
    Sleep(1);
    return e;
  }

  // Steps until the controller rests at Ready; false on the time limit.
  bool ReachReady(DWORD started) {
    while (m_seq.State() != m_table.ready) {
      Tick();
      if (TimedOut(started)) return false;
    }
    return true;
  }

  int Run() {
    DWORD started = timeGetTime();
    if (!ReachReady(started)) {
      std::fprintf(stderr, "flash-run: the controller did not get ready\n");
      return 1;
    }
    std::printf("sum %04X\n", static_cast<unsigned>(m_seq.RomImage().Sum16(Profile().sumFirst, Profile().sumLast)));
    std::fflush(stdout);

    bool allOk = true;
    for (long unit = 1; unit <= m_options.units; ++unit) {
      started = timeGetTime();
      m_seq.Start();
      int32_t code = 0;
      while (true) {
        const int32_t e = Tick();
        if (e != 0) {
          code = e;
          break;
        }
        if (m_seq.State() == m_table.ready) break;
        if (TimedOut(started)) {
          std::fprintf(stderr, "flash-run: unit %ld timed out in state %d (%s)\n", unit, m_seq.State(),
                       StateName(m_seq.State()));
          m_seq.Cancel();
          code = -1;
          break;
        }
      }
      const double seconds = static_cast<double>(timeGetTime() - started) / 1000.0;
      if (code == 0) {
        std::printf("unit %ld ok %.3f\n", unit, seconds);
      } else {
        std::printf("unit %ld error %d %.3f\n", unit, code, seconds);
        allOk = false;
      }
      std::fflush(stdout);
      // After a failure the next steps close the port and come back to Ready.
      if (!ReachReady(timeGetTime())) {
        std::fprintf(stderr, "flash-run: the controller did not get ready again\n");
        return 1;
      }
    }
    return allOk ? 0 : 1;
  }

 private:
  bool TimedOut(DWORD started) const {
    if (m_options.timeoutS <= 0) return false;
    return static_cast<double>(timeGetTime() - started) >= m_options.timeoutS * 1000.0;
  }

  const char* StateName(int32_t state) const {
    if (state < 0 || state >= m_table.count) return "?";
    return m_table.states[state].name;
  }

  Options m_options;
  const SeqTable& m_table;
  clsMainSeq m_seq;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    Usage();
    return 2;
  }
  if (!options.ini.empty()) platform::SetSettingsFilePath(options.ini);
  Runner runner(options);
  return runner.Run();
}
