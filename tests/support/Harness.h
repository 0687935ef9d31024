// The test bench of the sequence: a controlled clock, the scripted device
// with its scripted transceiver, and a tick that drives the controller the
// way the window does (port while at Ready or before, one step, the window
// timers, one millisecond).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "profiles/profile.h"
#include "profiles/seqtable.h"
#include "sequence/clsMainSeq.h"
#include "tests/support/Transceiver.h"
#include "tests/support/ScriptedSerial.h"

namespace seqtest {

constexpr int kCom = 7;

// The clock behind timeGetTime. It stands still within a tick, so timers
// measure whole ticks exactly; only a busy wait (which reads it over and over
// within one tick) makes it run, one millisecond per read once a tick has
// read it more than kFreeReads times.
class TestClock {
 public:
  static constexpr int kFreeReads = 1000;
  TestClock();
  ~TestClock();
  uint32_t Now() const;
  void Advance(uint32_t ms);  // also starts a new tick
};

// A built-in image record made from plain bytes (stored scrambled, as the
// profile's are).
struct TestImage {
  TestImage(int32_t first, std::vector<unsigned char> plain);
  std::vector<unsigned char> stored;
  BuiltinImage record;
};

struct Outcome {
  int32_t error;    // 0: the unit completed
  int32_t raisedIn; // state whose step returned the error
};

class Harness {
 public:
  // The controller with the profile's images, or with the given ROM record
  // (the profile's flash writer stays).
  Harness();
  explicit Harness(const BuiltinImage& rom, int32_t completedCount = 0);

  clsMainSeq& seq() { return *seq_; }
  const SeqTable& table() const { return table_; }
  bool M() const { return Profile().variant == 'M'; }

  // The port the tick hands over while the controller is at Ready or before.
  void SetPort(int32_t port) { port_ = port; }
  int32_t Tick();
  // Ticks until pred holds (checked before each tick); false after maxTicks.
  bool TickUntil(const std::function<bool()>& pred, long maxTicks = 200000);
  void ToReady();
  // From Ready: Start, then ticks until Ready again or an error.
  Outcome RunUnit(long maxTicks = 2000000);
  // Runs a unit up to the first tick that finds the controller in `state`.
  bool RunTo(int32_t state, long maxTicks = 2000000);

  // States after each tick since the last Start (repeats folded).
  const std::vector<int32_t>& visited() const { return visited_; }

  TestClock clock;
  testsupport::ScriptedSerial dev{kCom};
  Transceiver radio{dev, Profile().variant};

 private:
  const SeqTable& table_;
  std::unique_ptr<clsMainSeq> seq_;
  int32_t port_ = kCom;
  std::vector<int32_t> visited_;
};

// The number of a state by name in the profile's table (-1 when absent).
int32_t StateNo(const char* name);

}  // namespace seqtest
