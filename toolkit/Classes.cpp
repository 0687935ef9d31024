#include "toolkit/Classes.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "toolkit/Backend.h"
#include "toolkit/ThreadPriority.h"

// ---- components --------------------------------------------------------------

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->InsertComponent(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::DestroyComponents() {
  // Each destroyed component leaves the list itself (and may take others
  // with it), so always take the current last one.
  while (!components_.empty()) delete components_.back();
}

void TComponent::InsertComponent(TComponent* component) { components_.push_back(component); }

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
  component->owner_ = nullptr;
}

// ---- string lists ------------------------------------------------------------

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0, n = Count(); i < n; ++i) {
    text += Strings(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  Clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) {
      Add(text.substr(pos));
      break;
    }
    Add(text.substr(pos, end - pos));
    pos = end + 2;
  }
}

std::string TStringList::Strings(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  return lines_[static_cast<size_t>(index)];
}

void TStringList::Put(int index, const std::string& text) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  lines_[static_cast<size_t>(index)] = text;
}

int TStringList::Add(const std::string& text) {
  lines_.push_back(text);
  return Count() - 1;
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
  lines_.erase(lines_.begin() + index);
}

// ---- synchronised calls and threads --------------------------------------------

namespace toolkit {

struct ThreadState {
  TThread* self = nullptr;
  bool terminated = false;
  bool freeOnTerminate = false;
  bool suspended = false;
  bool startPosted = false;
  bool started = false;
  bool finished = false;
  TThreadPriority priority = tpNormal;
  long nativeId = 0;
  std::thread::id id;
  std::string fatal;
};

namespace {

enum class CallStatus { Waiting, Running, Done, Withdrawn };

struct PendingCall {
  ThreadState* owner = nullptr;  // null: not withdrawable by Terminate
  bool isStart = false;
  uint64_t seq = 0;
  std::function<void()> call;
  CallStatus status = CallStatus::Waiting;
  std::exception_ptr error;
};

// One queue for the process. It is never destroyed, so that a thread still
// running at process exit never meets a destroyed lock.
struct SyncQueue {
  std::mutex lock;
  std::condition_variable posted;
  std::condition_variable finished;
  std::deque<std::shared_ptr<PendingCall>> calls;
  uint64_t nextSeq = 1;
};

SyncQueue& Queue() {
  static SyncQueue* queue = new SyncQueue;
  return *queue;
}

// Withdraws the waiting calls of `owner` (its thread start too if asked);
// the queue's lock is held.
void WithdrawLocked(SyncQueue& q, ThreadState* owner, bool includingStart) {
  for (auto it = q.calls.begin(); it != q.calls.end();) {
    PendingCall& c = **it;
    if (c.owner == owner && (includingStart || !c.isStart)) {
      c.status = CallStatus::Withdrawn;
      it = q.calls.erase(it);
    } else {
      ++it;
    }
  }
}

void Post(SyncQueue& q, const std::shared_ptr<PendingCall>& call) {
  call->seq = q.nextSeq++;
  q.calls.push_back(call);
  q.posted.notify_all();
}

}  // namespace

int RunSynchronizedCalls() {
  SyncQueue& q = Queue();
  uint64_t limit;
  {
    std::lock_guard<std::mutex> guard(q.lock);
    limit = q.nextSeq;
  }
  int ran = 0;
  for (;;) {
    std::shared_ptr<PendingCall> call;
    {
      std::lock_guard<std::mutex> guard(q.lock);
      if (q.calls.empty() || q.calls.front()->seq >= limit) break;
      call = q.calls.front();
      q.calls.pop_front();
      call->status = CallStatus::Running;
    }
    std::exception_ptr error;
    try {
      call->call();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard<std::mutex> guard(q.lock);
      call->error = std::move(error);
      call->status = CallStatus::Done;
    }
    q.finished.notify_all();
    ++ran;
  }
  return ran;
}

bool HasSynchronizedCalls() {
  SyncQueue& q = Queue();
  std::lock_guard<std::mutex> guard(q.lock);
  return !q.calls.empty();
}

bool WaitForSynchronizedCall(int ms) {
  SyncQueue& q = Queue();
  std::unique_lock<std::mutex> guard(q.lock);
  if (ms > 0) q.posted.wait_for(guard, std::chrono::milliseconds(ms), [&] { return !q.calls.empty(); });
  return !q.calls.empty();
}

// Withdraws every waiting call and thread start (headless backend at stop).
void WithdrawAllSynchronizedCalls() {
  SyncQueue& q = Queue();
  {
    std::lock_guard<std::mutex> guard(q.lock);
    for (auto& c : q.calls) c->status = CallStatus::Withdrawn;
    q.calls.clear();
  }
  q.finished.notify_all();
}

}  // namespace toolkit

using toolkit::ThreadState;

TThread::TThread(bool createSuspended) : state_(std::make_shared<ThreadState>()) {
  state_->self = this;
  state_->suspended = createSuspended;
  if (!createSuspended) {
    // Started from the GUI thread's next round of synchronised calls: by then
    // the derived class is fully constructed.
    auto& q = toolkit::Queue();
    auto start = std::make_shared<toolkit::PendingCall>();
    start->owner = state_.get();
    start->isStart = true;
    std::shared_ptr<ThreadState> state = state_;
    start->call = [state] { state->self->Start(); };
    {
      std::lock_guard<std::mutex> guard(q.lock);
      state_->startPosted = true;
      toolkit::Post(q, start);
    }
    toolkit::CurrentBackend().WakeUp();
  }
}

TThread::~TThread() {
  auto& q = toolkit::Queue();
  std::unique_lock<std::mutex> guard(q.lock);
  state_->terminated = true;
  toolkit::WithdrawLocked(q, state_.get(), true);
  q.finished.notify_all();
  if (state_->started && !state_->finished && state_->id != std::this_thread::get_id()) {
    q.finished.wait(guard, [&] { return state_->finished; });
  }
  state_->self = nullptr;
}

void TThread::Start() {
  auto& q = toolkit::Queue();
  {
    std::lock_guard<std::mutex> guard(q.lock);
    if (state_->started) return;
    state_->started = true;
    state_->suspended = false;
    toolkit::WithdrawLocked(q, state_.get(), true);
  }
  try {
    std::thread worker(&TThread::Run, state_);
    worker.detach();
  } catch (const std::exception& e) {
    std::lock_guard<std::mutex> guard(q.lock);
    state_->fatal = e.what();
    state_->finished = true;
    q.finished.notify_all();
  }
}

void TThread::Run(std::shared_ptr<ThreadState> state) {
  auto& q = toolkit::Queue();
  TThreadPriority priority;
  {
    std::lock_guard<std::mutex> guard(q.lock);
    state->id = std::this_thread::get_id();
    state->nativeId = toolkit::CurrentNativeThreadId();
    priority = state->priority;
  }
  toolkit::ApplyThreadPriority(state->nativeId, priority);
  TThread* self = state->self;
  std::string fatal;
  try {
    self->Execute();
  } catch (const std::exception& e) {
    fatal = e.what();
  } catch (...) {
    fatal = "unknown error in thread";
  }
  bool freeIt;
  {
    std::lock_guard<std::mutex> guard(q.lock);
    state->fatal = fatal;
    state->finished = true;
    freeIt = state->freeOnTerminate;
  }
  q.finished.notify_all();
  if (freeIt) delete self;
}

void TThread::Terminate() {
  auto& q = toolkit::Queue();
  {
    std::lock_guard<std::mutex> guard(q.lock);
    state_->terminated = true;
    toolkit::WithdrawLocked(q, state_.get(), false);
  }
  q.finished.notify_all();
}

bool TThread::Terminated() const {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  return state_->terminated;
}

bool TThread::FreeOnTerminate() const {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  return state_->freeOnTerminate;
}

void TThread::SetFreeOnTerminate(bool value) {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  state_->freeOnTerminate = value;
}

TThreadPriority TThread::Priority() const {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  return state_->priority;
}

void TThread::SetPriority(TThreadPriority priority) {
  long native = 0;
  {
    std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
    state_->priority = priority;
    if (state_->started && !state_->finished) native = state_->nativeId;
  }
  if (native != 0) toolkit::ApplyThreadPriority(native, priority);
}

int TThread::WaitFor() {
  auto& q = toolkit::Queue();
  std::unique_lock<std::mutex> guard(q.lock);
  if (!state_->started || state_->id == std::this_thread::get_id()) return returnValue_;
  q.finished.wait(guard, [&] { return state_->finished; });
  return returnValue_;
}

bool TThread::Finished() const {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  return state_->finished;
}

bool TThread::Suspended() const {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  return state_->suspended;
}

std::string TThread::FatalMessage() const {
  std::lock_guard<std::mutex> guard(toolkit::Queue().lock);
  return state_->fatal;
}

void TThread::Synchronize(TThreadMethod method) {
  if (!method) return;
  if (toolkit::IsGuiThread()) {
    method();
    return;
  }
  auto& q = toolkit::Queue();
  auto call = std::make_shared<toolkit::PendingCall>();
  call->owner = state_.get();
  call->call = std::move(method);
  std::unique_lock<std::mutex> guard(q.lock);
  // Checked under the queue's lock: once Terminate has run on the GUI thread,
  // no call of this thread can be queued any more.
  if (state_->terminated) return;
  toolkit::Post(q, call);
  guard.unlock();
  toolkit::CurrentBackend().WakeUp();
  guard.lock();
  q.finished.wait(guard, [&] {
    return call->status == toolkit::CallStatus::Done || call->status == toolkit::CallStatus::Withdrawn;
  });
  // Taken over by this thread, so that the error is released here, where it
  // is rethrown.
  std::exception_ptr error;
  std::swap(error, call->error);
  guard.unlock();
  if (error) std::rethrow_exception(error);
}
