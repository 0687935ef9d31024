// The transmit task of a serial port: a window timer that, on each tick,
// calls the handler it is bound to (the port's PumpTx) unless that handler is
// still running. The handler reschedules the task itself.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/winapi.h"
#include "toolkit/Timer.h"

class cmcTask : public TTimer {
 public:
  using Handler = std::function<void(cmcTask*)>;

  // Created stopped, with no handler.
  cmcTask();
  ~cmcTask() override;
  cmcTask(const cmcTask&) = delete;
  cmcTask& operator=(const cmcTask&) = delete;

  void Bind(Handler handler);
  template <class T>
  void Bind(T* object, void (T::*method)(cmcTask*)) {
    Bind([object, method](cmcTask* task) { (object->*method)(task); });
  }

  // n < 0 stops the task; n >= 0 runs it every n ms (every 1 ms for 0).
  // Rescheduling a running task at its current interval keeps its cadence;
  // a stopped task starts a fresh interval.
  void Schedule(int32_t n);

  // True while the handler runs.
  bool Busy() const { return busy != FALSE; }

 private:
  void Tick(TTimer* sender);

  Handler handler;
  BOOL busy;
};
