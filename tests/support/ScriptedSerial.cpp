#include "tests/support/ScriptedSerial.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>

#include "platform/commdevice.h"

namespace testsupport {

struct ScriptedSerial::State {
  bool open = false;
  int opens = 0;
  DCB dcb;
  bool dtr = false;
  bool rts = false;
  COMMTIMEOUTS timeouts;
  std::deque<uint8_t> input;
  DWORD outQueue = 0;
  bool hold = false;
  bool echo = false;
  long acceptOnly = -1;
  std::map<Call, int> failures;
  std::function<void(const std::vector<uint8_t>&)> onWrite;

  std::vector<DCB> states;
  std::vector<COMMTIMEOUTS> timeoutLog;
  std::vector<Lines> lines;
  std::vector<Stamped> purges;
  std::vector<WriteRecord> writes;

  State() {
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.fBinary = 1;
    dcb.ByteSize = 8;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    std::memset(&timeouts, 0, sizeof timeouts);
  }

  // True when this call is to fail; counts the failure down.
  bool Failing(Call c) {
    auto it = failures.find(c);
    if (it == failures.end() || it->second == 0) return false;
    if (it->second > 0) --it->second;
    SetLastError(ERROR_GEN_FAILURE);
    return true;
  }

  void Feed(const uint8_t* p, size_t n) { input.insert(input.end(), p, p + n); }
};

namespace {

using State = ScriptedSerial::State;
using Call = ScriptedSerial::Call;

class Device : public platform::CommDevice {
 public:
  explicit Device(std::shared_ptr<State> s) : s_(std::move(s)) {}
  ~Device() override { s_->open = false; }

  bool Setup(DWORD, DWORD) override { return !s_->Failing(Call::Setup); }

  bool Purge(DWORD flags) override {
    if (s_->Failing(Call::Purge)) return false;
    if (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) s_->input.clear();
    if (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) s_->outQueue = 0;
    s_->purges.push_back({timeGetTime(), flags});
    return true;
  }

  bool GetState(DCB* dcb) override {
    if (s_->Failing(Call::GetState)) return false;
    *dcb = s_->dcb;
    return true;
  }

  bool SetState(const DCB& dcb) override {
    if (s_->Failing(Call::SetState)) return false;
    s_->dcb = dcb;
    s_->states.push_back(dcb);
    bool dtr = dcb.fDtrControl == DTR_CONTROL_ENABLE || dcb.fDtrControl == DTR_CONTROL_HANDSHAKE;
    bool rts = dcb.fRtsControl == RTS_CONTROL_ENABLE || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (dtr != s_->dtr || rts != s_->rts) {
      s_->dtr = dtr;
      s_->rts = rts;
      s_->lines.push_back({timeGetTime(), dtr, rts});
    }
    return true;
  }

  bool SetTimeouts(const COMMTIMEOUTS& t) override {
    if (s_->Failing(Call::SetTimeouts)) return false;
    s_->timeouts = t;
    s_->timeoutLog.push_back(t);
    return true;
  }

  bool ClearError(DWORD* errors, COMSTAT* stat) override {
    if (s_->Failing(Call::ClearError)) return false;
    if (errors) *errors = 0;
    if (stat) {
      std::memset(stat, 0, sizeof *stat);
      stat->cbInQue = static_cast<DWORD>(s_->input.size());
      stat->cbOutQue = s_->outQueue;
    }
    return true;
  }

  bool Read(void* buffer, DWORD count, DWORD* read) override {
    *read = 0;
    if (s_->Failing(Call::Read)) return false;
    DWORD n = std::min<DWORD>(count, static_cast<DWORD>(s_->input.size()));
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (DWORD i = 0; i < n; ++i) {
      p[i] = s_->input.front();
      s_->input.pop_front();
    }
    *read = n;
    return true;
  }

  bool Write(const void* buffer, DWORD count, DWORD* written) override {
    *written = 0;
    uint32_t now = timeGetTime();
    if (s_->Failing(Call::Write)) {
      s_->writes.push_back({now, {}, count});
      return false;
    }
    DWORD n = count;
    if (s_->acceptOnly >= 0) {
      n = std::min<DWORD>(count, static_cast<DWORD>(s_->acceptOnly));
      s_->acceptOnly = -1;
    }
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> taken(p, p + n);
    s_->writes.push_back({now, taken, count});
    if (s_->hold) s_->outQueue += n;
    *written = n;
    if (s_->echo) s_->Feed(taken.data(), taken.size());
    // A copy: the callback may replace itself.
    auto callback = s_->onWrite;
    if (callback) callback(taken);
    return true;
  }

  void Close() override { s_->open = false; }

 private:
  std::shared_ptr<State> s_;
};

}  // namespace

ScriptedSerial::ScriptedSerial(int comNumber) : com_(comNumber), state_(std::make_shared<State>()) {
  std::weak_ptr<State> weak = state_;
  platform::InstallCommDevice(com_, [weak]() -> std::unique_ptr<platform::CommDevice> {
    std::shared_ptr<State> s = weak.lock();
    if (!s || s->open) return nullptr;
    if (s->Failing(Call::Open)) return nullptr;
    s->open = true;
    ++s->opens;
    return std::unique_ptr<platform::CommDevice>(new Device(s));
  });
}

ScriptedSerial::~ScriptedSerial() { platform::InstallCommDevice(com_, nullptr); }

const std::vector<DCB>& ScriptedSerial::States() const { return state_->states; }
const std::vector<COMMTIMEOUTS>& ScriptedSerial::Timeouts() const { return state_->timeoutLog; }
const std::vector<ScriptedSerial::Lines>& ScriptedSerial::LineChanges() const { return state_->lines; }
const std::vector<ScriptedSerial::Stamped>& ScriptedSerial::Purges() const { return state_->purges; }
const std::vector<ScriptedSerial::WriteRecord>& ScriptedSerial::Writes() const { return state_->writes; }

std::vector<uint8_t> ScriptedSerial::Written() const {
  std::vector<uint8_t> all;
  for (const WriteRecord& w : state_->writes) all.insert(all.end(), w.bytes.begin(), w.bytes.end());
  return all;
}

bool ScriptedSerial::Dtr() const { return state_->dtr; }
bool ScriptedSerial::Rts() const { return state_->rts; }
bool ScriptedSerial::IsOpen() const { return state_->open; }
int ScriptedSerial::OpenCount() const { return state_->opens; }

void ScriptedSerial::ClearRecords() {
  state_->states.clear();
  state_->timeoutLog.clear();
  state_->lines.clear();
  state_->purges.clear();
  state_->writes.clear();
}

void ScriptedSerial::SetDriverState(const DCB& dcb) { state_->dcb = dcb; }

void ScriptedSerial::Feed(const std::vector<uint8_t>& bytes) { state_->Feed(bytes.data(), bytes.size()); }
void ScriptedSerial::Feed(std::initializer_list<uint8_t> bytes) { state_->Feed(bytes.begin(), bytes.size()); }
void ScriptedSerial::Feed(const std::string& bytes) {
  state_->Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
DWORD ScriptedSerial::InputPending() const { return static_cast<DWORD>(state_->input.size()); }
void ScriptedSerial::SetEcho(bool echo) { state_->echo = echo; }
void ScriptedSerial::OnWrite(std::function<void(const std::vector<uint8_t>&)> callback) {
  state_->onWrite = std::move(callback);
}

void ScriptedSerial::HoldOutput(bool hold) { state_->hold = hold; }
void ScriptedSerial::ReleaseOutput() { state_->outQueue = 0; }
DWORD ScriptedSerial::OutputPending() const { return state_->outQueue; }

void ScriptedSerial::AcceptOnly(DWORD n) { state_->acceptOnly = static_cast<long>(n); }
void ScriptedSerial::Fail(Call c, int times) { state_->failures[c] = times; }

}  // namespace testsupport
