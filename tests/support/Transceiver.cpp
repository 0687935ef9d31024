#include "tests/support/Transceiver.h"

#include "platform/winapi.h"

namespace seqtest {

namespace {
const uint8_t kCarrierHeader[9] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00};
const uint8_t kWrongByte = 0x13;
}  // namespace

std::vector<uint8_t> Unescape(const std::vector<uint8_t>& in) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == 0xFF && i + 1 < in.size()) {
      out.push_back(static_cast<uint8_t>(0xF0 | in[++i]));
    } else {
      out.push_back(in[i]);
    }
  }
  return out;
}

Transceiver::Transceiver(testsupport::ScriptedSerial& device, char variant) : dev_(device), variant_(variant) {
  dev_.OnWrite([this](const std::vector<uint8_t>& bytes) { OnWrite(bytes); });
}

uint32_t Transceiver::RateAt(Phase phase) const {
  auto it = rates_.find(phase);
  return it == rates_.end() ? 0 : it->second;
}

void Transceiver::ResetUnit() {
  silenced_ = false;
  phase_ = Phase::Probe;
  pending_.clear();
  line_.clear();
  carriers_on_ = false;
  chunks_.clear();
  commands_.clear();
  wakes_ = 0;
  syncs_ = 0;
  queries_.clear();
  length_.clear();
  writer_.clear();
  frames_.clear();
  sumFrame_.clear();
  finishFrame_.clear();
  carriers_.clear();
  rates_.clear();
  readyForRom_ = 0;
  firstRom_ = 0;
}

void Transceiver::OnWrite(const std::vector<uint8_t>& bytes) {
  const uint32_t now = timeGetTime();
  if (dev_.OpenCount() != lastOpens_) {
    lastOpens_ = dev_.OpenCount();
    ++units_;
    ResetUnit();
  }
  const Phase first = phase_;
  chunks_.push_back({first, now, bytes.size()});
  if (first == Phase::Rom && firstRom_ == 0) firstRom_ = now;

  reply_.clear();
  for (uint8_t b : bytes) {
    if (carriers_on_) {
      CarrierByte(b);
    } else {
      Logical(b);
    }
  }
  if (echo_) {
    std::vector<uint8_t> echo = bytes;
    bool drop = false;
    if (first == corruptAt_ && !corruptDone_ && !echo.empty()) {
      echo[echo.size() - 1] ^= 0x01;
      corruptDone_ = true;
    }
    if (first == dropAt_ && !dropDone_) {
      drop = true;
      dropDone_ = true;
    }
    if (!drop) dev_.Feed(echo);
  }
  if (!reply_.empty()) {
    dev_.Feed(reply_);
    if (phase_ == Phase::Rom && readyForRom_ == 0 && first != Phase::Rom) readyForRom_ = now;
  }
}

Fault Transceiver::FaultAt(Phase p) const {
  auto it = faults_.find(p);
  return it == faults_.end() ? Fault::None : it->second;
}

// Answers `right` unless a fault is set for the current phase. False when the
// right answer did not go out.
void Transceiver::AnswerOr(uint8_t right, uint8_t wrong) {
  if (silenced_) return;
  switch (FaultAt(phase_)) {
    case Fault::Silence: silenced_ = true; return;
    case Fault::Wrong: reply_.push_back(wrong); return;
    case Fault::None: reply_.push_back(right); return;
  }
}

void Transceiver::Logical(uint8_t b) {
  if (rates_.find(phase_) == rates_.end()) {
    rates_[phase_] = dev_.States().empty() ? 0 : dev_.States().back().BaudRate;
  }
  const bool m = variant_ == 'M';
  switch (phase_) {
    case Phase::Probe:
    case Phase::BaudCmd:
    case Phase::FirmUp: {
      pending_.push_back(b);
      const size_t size = phase_ == Phase::Probe ? 4 : 13;
      if (pending_.size() < size) return;
      commands_.push_back(pending_);
      pending_.clear();
      if (phase_ == Phase::Probe) {
        phase_ = Phase::BaudCmd;
      } else if (phase_ == Phase::BaudCmd) {
        phase_ = Phase::FirmUp;
      } else if (commands_.size() == (m ? 6u : 3u)) {
        phase_ = m ? Phase::Check : Phase::Wake;
        carriers_on_ = m;
      }
      return;
    }
    case Phase::Check:
      if (b != 0x00) return;
      AnswerOr(0x00, kWrongByte);
      if (!silenced_ && FaultAt(phase_) == Fault::None) phase_ = Phase::Wake;
      return;
    case Phase::Wake:
      pending_.push_back(b);
      if (pending_.size() < 4) return;
      pending_.clear();
      if (++wakes_ < wakeAnswerAfter_) return;
      AnswerOr(0x55, kWrongByte);
      if (!silenced_ && FaultAt(phase_) == Fault::None) phase_ = Phase::Sync;
      return;
    case Phase::Sync:
      if (b != 0x00) return;
      if (++syncs_ < syncAnswerAfter_) return;
      AnswerOr(0x00, kWrongByte);
      if (!silenced_ && FaultAt(phase_) == Fault::None) phase_ = Phase::Rate;
      return;
    case Phase::Rate:
      if (b != 0x55) return;
      AnswerOr(0xAA, kWrongByte);
      phase_ = Phase::FlashChk;
      return;
    case Phase::FlashChk:
      queries_.push_back(b);
      AnswerOr(0x01, 0xEE);
      if (queries_.size() == 4) phase_ = m ? Phase::StartReq : Phase::Length;
      return;
    case Phase::Length:
      length_.push_back(b);
      if (length_.size() == 2) phase_ = Phase::LengthLow;
      AnswerOr(b, static_cast<uint8_t>(b ^ 0x01));
      phase_ = Phase::Length;
      if (length_.size() == 2) {
        writerLength_ = (length_[0] << 8) | length_[1];
        phase_ = Phase::Writer;
      }
      return;
    case Phase::Writer:
      writer_.push_back(b);
      if (static_cast<int32_t>(writer_.size()) < writerLength_) return;
      AnswerOr(0xAA, kWrongByte);
      phase_ = Phase::Rom;
      return;
    case Phase::StartReq:
      if (b != 0x02) return;
      AnswerOr(0x02, kWrongByte);
      if (silenced_ || FaultAt(phase_) != Fault::None) return;
      phase_ = Phase::StartAA;
      AnswerOr(0xAA, kWrongByte);
      phase_ = Phase::Rom;
      return;
    case Phase::StartAA:
    case Phase::LengthLow:
      return;
    case Phase::Rom:
    case Phase::Sum:
    case Phase::Finish:
      if (m && phase_ == Phase::Finish) {
        finishFrame_.push_back(b);
        phase_ = Phase::Done;
        return;
      }
      pending_.push_back(b);
      if (b == 0xFD) EndOfFrame();
      return;
    case Phase::Done:
      return;
  }
}

void Transceiver::EndOfFrame() {
  std::vector<uint8_t> frame;
  frame.swap(pending_);
  if (frame.size() < 4) return;
  const uint8_t kind = frame[2];
  if (kind == 0x00) {
    DataFrame f;
    f.raw = frame;
    std::vector<uint8_t> body = Unescape(std::vector<uint8_t>(frame.begin() + 3, frame.end() - 1));
    f.address = body.size() >= 3 ? (body[0] << 16) | (body[1] << 8) | body[2] : -1;
    if (body.size() >= 3) f.data.assign(body.begin() + 3, body.end());
    frames_.push_back(f);
    AnswerOr(0xFB, kWrongByte);
  } else if (kind == 0x01) {
    sumFrame_ = frame;
    phase_ = Phase::Sum;
    AnswerOr(0xFB, kWrongByte);
    phase_ = Phase::Finish;
  } else if (kind == 0x0F) {
    finishFrame_ = frame;
    phase_ = Phase::Done;
  }
}

void Transceiver::CarrierByte(uint8_t b) {
  line_.push_back(b);
  if (b != 0xFD) return;
  std::vector<uint8_t> frame;
  frame.swap(line_);
  Carrier c;
  c.kind = frame.size() > 10 ? frame[9] : 0xFF;
  bool headerOk = frame.size() >= 11;
  for (size_t i = 0; headerOk && i < 9; ++i) headerOk = frame[i] == kCarrierHeader[i];
  if (!headerOk) {
    c.kind = 0xFF;
    carriers_.push_back(c);
    return;
  }
  c.payload.assign(frame.begin() + 10, frame.end() - 1);
  carriers_.push_back(c);
  for (uint8_t x : Unescape(c.payload)) Logical(x);
}

}  // namespace seqtest
