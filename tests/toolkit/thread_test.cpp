#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <stdexcept>
#include <thread>

#include "Fixture.h"
#include "toolkit/Backend.h"
#include "toolkit/Classes.h"
#include "toolkit/Timer.h"

namespace {

// Runs `body` as its Execute; reports its destruction.
class TWorker : public TThread {
 public:
  TWorker(std::function<void(TWorker*)> body, bool suspended = false) : TThread(suspended), body_(std::move(body)) {}
  ~TWorker() override {
    if (onDestroy) onDestroy();
  }
  using TThread::Terminated;
  std::function<void()> onDestroy;

 protected:
  void Execute() override { body_(this); }

 private:
  std::function<void(TWorker*)> body_;
};

// Bounded real-time wait for another thread to post a synchronised call.
bool CallPosted() { return toolkit::WaitForSynchronizedCall(5000); }

using ThreadTest = HeadlessTest;

}  // namespace

TEST_F(ThreadTest, SynchronizeRunsOnTheGuiThreadWhenPumpedAndBlocksUntilThen) {
  const std::thread::id gui = std::this_thread::get_id();
  std::thread::id ranOn;
  std::atomic<bool> returned{false};
  TWorker worker([&](TWorker* self) {
    self->Synchronize([&] { ranOn = std::this_thread::get_id(); });
    returned = true;
  });
  // Created running, it starts with the first pump, not before.
  EXPECT_EQ(Headless::Pump(), 1);
  ASSERT_TRUE(CallPosted());
  EXPECT_FALSE(returned);  // blocked until the GUI thread runs the call
  EXPECT_EQ(Headless::Pump(), 1);
  worker.WaitFor();
  EXPECT_TRUE(returned);
  EXPECT_EQ(ranOn, gui);

  // On the GUI thread itself the call runs at once.
  int direct = 0;
  worker.Synchronize([&] { ++direct; });
  EXPECT_EQ(direct, 1);
}

TEST_F(ThreadTest, AnErrorInTheSynchronisedCallEndsTheWorker) {
  TWorker worker([](TWorker* self) { self->Synchronize([] { throw std::runtime_error("bad tick"); }); });
  Headless::Pump();  // start
  ASSERT_TRUE(CallPosted());
  Headless::Pump();  // the error goes back to the worker's Synchronize
  worker.WaitFor();
  EXPECT_EQ(worker.FatalMessage(), "bad tick");
}

TEST_F(ThreadTest, TerminateReleasesAWaitingSynchronizeWithoutRunningIt) {
  std::atomic<int> ran{0};
  std::atomic<bool> secondReturned{false};
  TWorker worker([&](TWorker* self) {
    self->Synchronize([&] { ++ran; });
    self->Synchronize([&] { ++ran; });  // after Terminate: returns at once
    secondReturned = true;
  });
  Headless::Pump();  // start
  ASSERT_TRUE(CallPosted());
  worker.Terminate();
  worker.WaitFor();
  EXPECT_TRUE(worker.Terminated());
  EXPECT_TRUE(secondReturned);
  EXPECT_EQ(Headless::Pump(), 0);
  EXPECT_EQ(ran, 0);
}

TEST_F(ThreadTest, DestroyingABlockedThreadDoesNotHang) {
  std::atomic<int> ran{0};
  auto* worker = new TWorker([&](TWorker* self) {
    while (!self->Terminated()) self->Synchronize([&] { ++ran; });
  });
  Headless::Pump();
  ASSERT_TRUE(CallPosted());
  delete worker;  // terminates, releases the waiting call, waits for Execute
  EXPECT_EQ(Headless::Pump(), 0);
  EXPECT_EQ(ran, 0);
}

TEST_F(ThreadTest, FreeOnTerminateDeletesTheThreadAfterExecute) {
  std::promise<void> deleted;
  auto* worker = new TWorker([](TWorker*) {}, true);
  worker->SetFreeOnTerminate(true);
  worker->SetPriority(tpLowest);
  worker->onDestroy = [&] { deleted.set_value(); };
  EXPECT_TRUE(worker->Suspended());
  worker->Start();
  EXPECT_EQ(deleted.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
}

// The shape of a tick thread: ticks until told to stop, frees itself. Once
// Terminate has been called on the GUI thread no tick runs again, whatever
// the worker was doing at that moment.
TEST_F(ThreadTest, NoTickRunsAfterTerminate) {
  std::atomic<int> ticks{0};
  std::promise<void> deleted;
  auto* ticker = new TWorker([&](TWorker* self) {
    while (!self->Terminated()) {
      self->Synchronize([&] { ++ticks; });
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  ticker->SetFreeOnTerminate(true);
  ticker->onDestroy = [&] { deleted.set_value(); };
  ASSERT_TRUE(Headless::PumpUntil([&] { return ticks >= 5; }));
  ticker->Terminate();  // as the main window's destructor does
  const int atStop = ticks;
  EXPECT_EQ(deleted.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
  for (int i = 0; i < 5; ++i) Headless::Pump();
  EXPECT_EQ(ticks, atStop);
}

TEST_F(ThreadTest, StopWithdrawsWhatIsStillWaiting) {
  std::atomic<bool> released{false};
  std::atomic<int> ran{0};
  TWorker worker([&](TWorker* self) {
    self->Synchronize([&] { ++ran; });
    released = true;
  });
  Headless::Pump();
  ASSERT_TRUE(CallPosted());
  Headless::Stop();
  worker.WaitFor();
  EXPECT_TRUE(released);
  EXPECT_EQ(ran, 0);
  Headless::Start();
}

TEST_F(ThreadTest, PumpFiresDueWindowTimers) {
  uint32_t now = 1000;
  platform::SetClockSource([&] { return now; });
  TTimer timer;
  timer.SetInterval(10);
  int fired = 0;
  timer.OnTimer = [&](TTimer*) { ++fired; };
  timer.SetEnabled(true);
  Headless::Pump();
  EXPECT_EQ(fired, 0);
  now += 10;
  Headless::Pump();
  EXPECT_EQ(fired, 1);
  timer.SetEnabled(false);
  platform::SetClockSource(nullptr);
}
