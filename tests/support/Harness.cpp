#include "tests/support/Harness.h"

#include <cstring>

#include "image/BuiltinImages.h"
#include "platform/hooks.h"
#include "toolkit/Timer.h"

namespace seqtest {

namespace {
uint32_t g_now = 0x10000;
int g_reads = 0;
}  // namespace

TestClock::TestClock() {
  g_now = 0x10000;
  g_reads = 0;
  platform::SetClockSource([]() -> uint32_t {
    if (++g_reads > kFreeReads) ++g_now;
    return g_now;
  });
}

TestClock::~TestClock() { platform::SetClockSource(nullptr); }

uint32_t TestClock::Now() const { return g_now; }

void TestClock::Advance(uint32_t ms) {
  g_now += ms;
  g_reads = 0;
}

TestImage::TestImage(int32_t first, std::vector<unsigned char> plain) : stored(std::move(plain)) {
  Descramble(stored.data(), static_cast<int32_t>(stored.size()));
  record.first = first;
  record.last = first + static_cast<int32_t>(stored.size()) - 1;
  record.bytes = stored.data();
}

Harness::Harness() : table_(ProfileSeqTable()), seq_(new clsMainSeq()) {}

Harness::Harness(const BuiltinImage& rom, int32_t completedCount)
    : table_(ProfileSeqTable()), seq_(new clsMainSeq(ProfileFlashWriterImage(), rom, completedCount)) {}

int32_t Harness::Tick() {
  if (seq_->State() <= table_.ready) seq_->SetPort(port_);
  const int32_t e = seq_->Step();
  if (e != 0) seq_->ClearError();
  if (visited_.empty() || visited_.back() != seq_->State()) visited_.push_back(seq_->State());
  toolkit::PumpTimers();
  clock.Advance(1);
  return e;
}

bool Harness::TickUntil(const std::function<bool()>& pred, long maxTicks) {
  for (long i = 0; i < maxTicks; ++i) {
    if (pred()) return true;
    Tick();
  }
  return pred();
}

void Harness::ToReady() {
  TickUntil([&] { return seq_->State() == table_.ready; }, 100);
}

Outcome Harness::RunUnit(long maxTicks) {
  ToReady();
  visited_.clear();
  seq_->Start();
  for (long i = 0; i < maxTicks; ++i) {
    const int32_t before = seq_->State();
    const int32_t e = Tick();
    if (e != 0) return {e, before};
    if (seq_->State() == table_.ready) return {0, before};
  }
  return {-1, seq_->State()};
}

bool Harness::RunTo(int32_t state, long maxTicks) {
  ToReady();
  visited_.clear();
  seq_->Start();
  for (long i = 0; i < maxTicks; ++i) {
    if (seq_->State() == state) return true;
    if (Tick() != 0) return false;
  }
  return false;
}

int32_t StateNo(const char* name) {
  const SeqTable& t = ProfileSeqTable();
  for (int32_t i = 0; i < t.count; ++i) {
    if (std::strcmp(t.states[i].name, name) == 0) return i;
  }
  return -1;
}

}  // namespace seqtest
