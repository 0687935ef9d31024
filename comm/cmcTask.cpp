#include "comm/cmcTask.h"

#include <utility>

cmcTask::cmcTask() : TTimer(nullptr), handler(), busy(FALSE) {
  Schedule(-1);
  OnTimer = [this](TTimer* sender) { Tick(sender); };
}

cmcTask::~cmcTask() = default;

void cmcTask::Bind(Handler h) { handler = std::move(h); }

void cmcTask::Schedule(int32_t n) {
  if (n < 0) {
    SetEnabled(false);
    return;
  }
  SetEnabled(true);
  SetInterval(n > 0 ? static_cast<uint32_t>(n) : 1u);
}

void cmcTask::Tick(TTimer*) {
  // A tick that arrives while the handler is on the stack is dropped.
  if (busy || !handler) return;
  busy = TRUE;
  handler(this);
  busy = FALSE;
}
