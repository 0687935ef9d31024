#include "tools/radio-sim/Conversation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace radiosim {

namespace {

const uint8_t kProbe[4] = {0xFE, 0xFE, 0xFE, 0xFE};
const uint8_t kBaudCmd[13] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x00, 0x00, 0x00, 0x00, 0x01, 0x30, 0x39, 0xFD};
const uint8_t kCarrierHeader[9] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00};
const uint8_t kWake[4] = {'V', 'E', 'L', 'K'};
const uint16_t kModelsK[] = {0x7514};
const uint16_t kModelsM[] = {0x7514, 0x7515, 0x7741, 0x7962};

const int32_t kWriterLengthK = 2430;   // 0xFFC000 to 0xFFC97D
const int32_t kMaxWriterBlock = 127;
// The simulator sees when it read a byte, not when the program wrote it, and
// a late read shortens one gap and lengthens the next. Pacing is therefore
// judged on the average over the phase, and a read that holds more than one
// block is allowed when enough time has passed for the program to send them.
const double kWriterPaceMs = 40;           // blocks are paced 40 ms apart
const double kWriterAvgMinMs = 38;
const double kBurstGapMs = 10;             // bytes closer than this belong to one block
const double kWakeAvgMinMs = 40;           // wake strings are paced 50 ms apart
const double kPauseToleranceMs = 2;    // the program's timer counts whole milliseconds
const int32_t kMaxCarrierPayload = 220;
const int32_t kMaxFrameBody = 300;

std::string Hex2(uint8_t v) {
  char s[3];
  std::snprintf(s, sizeof s, "%02X", v);
  return s;
}

std::string Hex4(uint32_t v) {
  char s[9];
  std::snprintf(s, sizeof s, "%04X", v & 0xFFFF);
  return s;
}

std::string Ms(double ms) {
  char s[32];
  std::snprintf(s, sizeof s, "%.1f", ms);
  return s;
}

void FirmUpCommand(Variant v, int32_t index, uint8_t out[13]) {
  const uint16_t code = v == Variant::K ? kModelsK[index] : kModelsM[index];
  const uint8_t cmd[13] = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, uint8_t(code >> 8), uint8_t(code & 0xFF),
                           0x00, 0x00, 0xF0, 0x30, uint8_t(v == Variant::K ? 0x30 : 0x31), 0xFD};
  std::memcpy(out, cmd, 13);
}

int32_t FirmUpCount(Variant v) { return v == Variant::K ? 1 : 4; }

const char* kPhaseNames[] = {"boot", "bitrate", "flashcheck", "length", "writer", "start", "rom", "sum"};

void JsonString(std::string& out, const std::string& s) {
  out += '"';
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char e[8];
      std::snprintf(e, sizeof e, "\\u%04x", c);
      out += e;
    } else {
      out += char(c);
    }
  }
  out += '"';
}

}  // namespace

const char* FaultPhaseName(FaultPhase phase) { return kPhaseNames[int(phase)]; }

bool ParseFault(const std::string& text, Variant variant, Fault& fault, std::string& error) {
  const size_t colon = text.find(':');
  const std::string kind = text.substr(0, colon);
  const std::string arg = colon == std::string::npos ? "" : text.substr(colon + 1);
  fault = Fault();
  if (kind == "silence" || kind == "wrong") {
    fault.kind = kind == "silence" ? Fault::Silence : Fault::Wrong;
    bool found = false;
    for (int i = 0; i < 8; ++i) {
      if (arg == kPhaseNames[i]) {
        fault.phase = FaultPhase(i);
        found = true;
      }
    }
    if (!found) {
      error = "unknown phase '" + arg + "' in fault '" + text +
              "' (phases: boot, bitrate, flashcheck, length, writer, start, rom, sum)";
      return false;
    }
    const bool kOnly = fault.phase == FaultPhase::Length || fault.phase == FaultPhase::Writer;
    const bool mOnly = fault.phase == FaultPhase::Start;
    if ((variant == Variant::K && mOnly) || (variant == Variant::M && kOnly)) {
      error = std::string("phase '") + arg + "' does not occur in variant " + (variant == Variant::K ? "k" : "m");
      return false;
    }
    return true;
  }
  if (kind == "noise" || kind == "corrupt-echo") {
    if (colon != std::string::npos) {
      error = "fault '" + kind + "' takes no argument";
      return false;
    }
    fault.kind = kind == "noise" ? Fault::Noise : Fault::CorruptEcho;
    return true;
  }
  if (kind == "stop-after" || kind == "vanish") {
    fault.kind = kind == "stop-after" ? Fault::StopAfter : Fault::Vanish;
    char* end = nullptr;
    const long n = arg.empty() ? -1 : std::strtol(arg.c_str(), &end, 10);
    if (n < 0 || n > 1000000 || (end && *end)) {
      error = "fault '" + text + "' needs a block count, for example " + kind + ":10";
      return false;
    }
    fault.blocks = int32_t(n);
    return true;
  }
  error = "unknown fault '" + text + "' (silence:<phase>, wrong:<phase>, noise, corrupt-echo, stop-after:<N>, vanish:<N>)";
  return false;
}

std::string FaultText(const Fault& f) {
  switch (f.kind) {
    case Fault::Silence: return std::string("silence:") + FaultPhaseName(f.phase);
    case Fault::Wrong: return std::string("wrong:") + FaultPhaseName(f.phase);
    case Fault::Noise: return "noise";
    case Fault::CorruptEcho: return "corrupt-echo";
    case Fault::StopAfter: return "stop-after:" + std::to_string(f.blocks);
    case Fault::Vanish: return "vanish:" + std::to_string(f.blocks);
  }
  return "";
}

std::string Verdict::Json() const {
  std::string o = "{\"unit\":" + std::to_string(unit);
  o += ",\"variant\":";
  o += variant == Variant::K ? "\"k\"" : "\"m\"";
  o += ",\"result\":";
  o += pass ? "\"pass\"" : "\"fail\"";
  o += ",\"reason\":";
  JsonString(o, reason);
  o += ",\"fault\":";
  JsonString(o, fault);
  o += ",\"phase\":";
  JsonString(o, phase);
  o += ",\"blocks\":" + std::to_string(blocks);
  o += ",\"sum\":\"" + Hex4(sum) + "\"";
  o += ",\"sent_sum\":";
  o += sumSeen ? "\"" + Hex4(sentSum) + "\"" : std::string("null");
  o += std::string(",\"sum_ok\":") + (sumOk ? "true" : "false");
  o += std::string(",\"echo\":") + (echo ? "true" : "false");
  o += std::string(",\"line_rate\":") + (lineRate ? "true" : "false");
  char s[64];
  std::snprintf(s, sizeof s, ",\"seconds\":%.3f", seconds);
  o += s;
  o += ",\"line_bytes\":" + std::to_string(lineBytes);
  o += ",\"wake_strings\":" + std::to_string(wakeStrings);
  o += ",\"wake_interval_avg_ms\":" + Ms(wakeIntervalAvgMs);
  o += ",\"writer_bytes\":" + std::to_string(writerBytes);
  o += ",\"writer_blocks\":" + std::to_string(writerBlocks);
  o += ",\"writer_block_max\":" + std::to_string(writerBlockMax);
  o += ",\"writer_gap_avg_ms\":" + Ms(writerGapAvgMs);
  o += ",\"pause_ms\":" + Ms(pauseMs);
  o += std::string(",\"rate_ok\":") + (rateOk ? "true" : "false");
  o += ",\"carriers\":" + std::to_string(carriers);
  o += "}";
  return o;
}

Conversation::Conversation(const UnitConfig& config, int32_t unit, double startMs, Hooks hooks)
    : config_(config), hooks_(std::move(hooks)), startMs_(startMs),
      image_(size_t(WindowSize(config.variant)), 0xFF), noise_(config.seed) {
  verdict_.unit = unit;
  verdict_.variant = config.variant;
  verdict_.echo = config.echo;
  verdict_.lineRate = config.lineRate;
}

const char* Conversation::PhaseName(Phase p) {
  switch (p) {
    case Phase::Probe: return "echo-probe";
    case Phase::BaudCmd: return "baud-change";
    case Phase::FirmUp: return "firmware-upload";
    case Phase::Check: return "check";
    case Phase::Wake: return "wake";
    case Phase::Sync: return "sync";
    case Phase::Sync55: return "bitrate-check";
    case Phase::Query: return "flashcheck";
    case Phase::Length: return "length";
    case Phase::Writer: return "writer";
    case Phase::Start: return "start";
    case Phase::Rom: return "rom";
    case Phase::End: return "end";
    case Phase::Done: return "done";
    case Phase::Lost: return "lost";
  }
  return "?";
}

void Conversation::Fail(const std::string& why) {
  if (verdict_.reason.empty()) verdict_.reason = why;
}

void Conversation::Lose(const std::string& why) {
  Fail(std::string(PhaseName(phase_)) + ": " + why);
  verdict_.phase = PhaseName(phase_);
  phase_ = Phase::Lost;
}

void Conversation::Applied(const Fault& f, bool cuts) {
  if (!faultApplied_) verdict_.fault = FaultText(f);
  faultApplied_ = true;
  if (cuts) {
    cut_ = true;
    verdict_.phase = PhaseName(phase_);
    phase_ = Phase::Lost;
  }
}

const Fault* Conversation::FindFault(Fault::Kind kind, FaultPhase where) const {
  for (const Fault& f : config_.faults)
    if (f.kind == kind && f.phase == where) return &f;
  return nullptr;
}

const Fault* Conversation::FindFault(Fault::Kind kind) const {
  for (const Fault& f : config_.faults)
    if (f.kind == kind) return &f;
  return nullptr;
}

double Conversation::Reply(const uint8_t* data, size_t n) { return hooks_.send(data, n, false); }

bool Conversation::SilentAt(FaultPhase where) {
  if (const Fault* f = FindFault(Fault::Silence, where)) {
    Applied(*f, true);
    return true;
  }
  return false;
}

bool Conversation::Answer(FaultPhase where, uint8_t v, double now) {
  (void)now;
  if (const Fault* f = FindFault(Fault::Wrong, where)) {
    // Any flash check answer is accepted by the program, so a wrong one does
    // not end the conversation.
    const bool cuts = where != FaultPhase::FlashCheck;
    lastReplyMs_ = Reply(uint8_t(v ^ 0x01));
    Applied(*f, cuts);
    return !cuts;
  }
  lastReplyMs_ = Reply(v);
  return true;
}

void Conversation::Noise() {
  const Fault* f = FindFault(Fault::Noise);
  if (!f) return;
  Applied(*f, false);
  uint8_t junk[16];
  const size_t n = 3 + noise_() % 10;
  for (size_t i = 0; i < n; ++i) {
    junk[i] = uint8_t(noise_() & 0xFF);
    if (junk[i] == 0x55) junk[i] = 0x54;
  }
  Reply(junk, n);
}

void Conversation::CheckRate(const LineByte& b, uint32_t expected, const char* what) {
  if (b.rate == expected) return;
  if (verdict_.rateOk)
    Fail("bit rate " + std::to_string(b.rate) + " during " + what + ", expected " + std::to_string(expected));
  verdict_.rateOk = false;
}

void Conversation::EnterPhase(Phase p, double now) {
  (void)now;
  phase_ = p;
  word_.clear();
  cmd_.clear();
}

void Conversation::Echo(const uint8_t* data, size_t n) {
  if (!config_.echo || n == 0) return;
  std::vector<uint8_t> e(data, data + n);
  const bool inRom = phase_ == Phase::Rom || phase_ == Phase::End;
  if (inRom) {
    const int32_t at = 9 - romEchoBytes_;
    if (at >= 0 && at < int32_t(n)) {
      if (const Fault* f = FindFault(Fault::CorruptEcho)) {
        e[size_t(at)] ^= 0x01;
        Applied(*f, false);
        cut_ = true;
      }
    }
    romEchoBytes_ += int32_t(n);
  }
  hooks_.send(e.data(), n, true);
}

void Conversation::Line(const LineByte& b, double now) {
  ++verdict_.lineBytes;
  // The pause ends with the first byte of the first frame after the last
  // reply (in M: of the first carrier that begins after it).
  if (phase_ == Phase::Rom && romFirstByte_ && (config_.variant == Variant::K || carrier_.empty())) {
    romFirstByte_ = false;
    verdict_.pauseMs = b.readMs - lastReplyMs_;
    const double need = config_.variant == Variant::K ? 500 : 1000;
    if (verdict_.pauseMs < need - kPauseToleranceMs)
      Fail("ROM write began " + Ms(verdict_.pauseMs) + " ms after the last reply, expected at least " +
           Ms(need));
  }
  if (phase_ == Phase::Lost) return;
  if (phase_ == Phase::Done) {
    Fail("byte " + Hex2(b.value) + " after the end of the conversation");
    return;
  }
  const bool slow = phase_ == Phase::Probe || phase_ == Phase::BaudCmd;
  CheckRate(b, slow ? 9600 : 38400, PhaseName(phase_));
  if (phase_ == Phase::Probe || phase_ == Phase::BaudCmd || phase_ == Phase::FirmUp)
    Raw(b, now);
  else if (config_.variant == Variant::K)
    Inner(b.value, b, now);
  else
    Carrier(b, now);
}

void Conversation::Raw(const LineByte& b, double now) {
  uint8_t expected[13];
  size_t len = 0;
  if (phase_ == Phase::Probe) {
    std::memcpy(expected, kProbe, 4);
    len = 4;
  } else if (phase_ == Phase::BaudCmd) {
    std::memcpy(expected, kBaudCmd, 13);
    len = 13;
  } else {
    FirmUpCommand(config_.variant, firmUpIndex_, expected);
    len = 13;
  }
  const size_t at = cmd_.size();
  if (b.value != expected[at]) {
    Lose("byte " + std::to_string(at) + " is " + Hex2(b.value) + ", expected " + Hex2(expected[at]));
    return;
  }
  cmd_.push_back(b.value);
  if (cmd_.size() < len) return;
  cmd_.clear();
  if (phase_ == Phase::Probe) {
    EnterPhase(Phase::BaudCmd, now);
  } else if (phase_ == Phase::BaudCmd) {
    firmUpIndex_ = 0;
    EnterPhase(Phase::FirmUp, now);
  } else if (++firmUpIndex_ == FirmUpCount(config_.variant)) {
    EnterPhase(config_.variant == Variant::K ? Phase::Wake : Phase::Check, now);
  }
}

void Conversation::Carrier(const LineByte& b, double now) {
  const size_t at = carrier_.size();
  if (at < 9) {
    if (b.value != kCarrierHeader[at]) {
      Lose("carrier header byte " + std::to_string(at) + " is " + Hex2(b.value) + ", expected " +
           Hex2(kCarrierHeader[at]));
      return;
    }
    carrier_.push_back(b.value);
    return;
  }
  if (at == 9) {
    const uint8_t expected = firstCarrier_ ? 0 : (phase_ == Phase::End ? 1 : 2);
    if (b.value != expected)
      Fail(std::string("carrier kind ") + Hex2(b.value) + " during " + PhaseName(phase_) + ", expected " +
           Hex2(expected));
    firstCarrier_ = false;
    carrier_.push_back(b.value);
    carrierPayload_ = 0;
    carrierEscape_ = false;
    return;
  }
  if (b.value == 0xFD && !carrierEscape_) {
    ++verdict_.carriers;
    if (carrierPayload_ > kMaxCarrierPayload)
      Fail("carrier with " + std::to_string(carrierPayload_) + " payload bytes, at most 220 allowed");
    carrier_.clear();
    if (phase_ == Phase::End && finishSeen_) {
      doneMs_ = b.readMs;
      EnterPhase(Phase::Done, now);
    }
    return;
  }
  if (++carrierPayload_ > 2 * kMaxCarrierPayload) {
    Lose("carrier frame without an end");
    return;
  }
  uint8_t v = b.value;
  if (carrierEscape_) {
    carrierEscape_ = false;
    if (v > 0x0F) {
      Lose("escape FF followed by " + Hex2(v) + " inside a carrier");
      return;
    }
    v = uint8_t(0xF0 | v);
  } else if (v == 0xFF) {
    carrierEscape_ = true;
    return;
  } else if (v >= 0xFA) {
    Lose("unescaped " + Hex2(v) + " inside a carrier");
    return;
  }
  Inner(v, b, now);
}

void Conversation::Inner(uint8_t v, const LineByte& b, double now) {
  switch (phase_) {
    case Phase::Check:
      if (v != 0x00) {
        Lose("byte " + Hex2(v) + ", expected 00");
        return;
      }
      if (SilentAt(FaultPhase::Boot)) return;
      lastReplyMs_ = Reply(0x00);
      EnterPhase(Phase::Wake, now);
      return;

    case Phase::Wake:
    case Phase::Sync:
      if (!word_.empty() || v == kWake[0]) {
        if (v != kWake[word_.size()]) {
          Lose("byte " + Hex2(v) + " inside the wake string");
          return;
        }
        if (word_.empty() && phase_ == Phase::Wake) {
          if (firstWakeMs_ < 0) firstWakeMs_ = b.readMs;
          lastWakeMs_ = b.readMs;
        }
        word_.push_back(v);
        if (word_.size() < 4) return;
        word_.clear();
        if (phase_ == Phase::Sync) return;  // one that crossed the answer on the line
        ++verdict_.wakeStrings;
        const bool answer = config_.variant == Variant::M || verdict_.wakeStrings >= config_.wakeCount;
        if (answer && verdict_.wakeStrings > 1) {
          verdict_.wakeIntervalAvgMs = (lastWakeMs_ - firstWakeMs_) / (verdict_.wakeStrings - 1);
          if (verdict_.wakeIntervalAvgMs < kWakeAvgMinMs)
            Fail("wake strings on average " + Ms(verdict_.wakeIntervalAvgMs) + " ms apart, expected 50");
        }
        if (config_.variant == Variant::K && !answer) {
          Noise();
          return;
        }
        if (SilentAt(FaultPhase::Boot)) return;
        Noise();
        if (!Answer(FaultPhase::Boot, 0x55, now)) return;
        EnterPhase(Phase::Sync, now);
        return;
      }
      if (phase_ == Phase::Wake) {
        Lose("byte " + Hex2(v) + ", expected the wake string");
        return;
      }
      if (v != 0x00) {
        Lose("byte " + Hex2(v) + ", expected 00");
        return;
      }
      if (SilentAt(FaultPhase::Bitrate)) return;
      lastReplyMs_ = Reply(0x00);
      EnterPhase(Phase::Sync55, now);
      return;

    case Phase::Sync55:
      if (v == 0x00) return;  // a repeat that crossed the answer
      if (v != 0x55) {
        Lose("byte " + Hex2(v) + ", expected 55");
        return;
      }
      if (!Answer(FaultPhase::Bitrate, 0xAA, now)) return;
      queriesLeft_ = 4;
      EnterPhase(Phase::Query, now);
      return;

    case Phase::Query: {
      const uint8_t expected = uint8_t(0x40 + queriesLeft_);
      if (v != expected) {
        Lose("byte " + Hex2(v) + ", expected query " + Hex2(expected));
        return;
      }
      // The first query is answered even when the phase falls silent: the
      // program's first wait is 31 s, the later ones 5 s.
      if (queriesLeft_ < 4 && SilentAt(FaultPhase::FlashCheck)) return;
      if (!Answer(FaultPhase::FlashCheck, v, now)) return;
      if (--queriesLeft_ == 0) EnterPhase(config_.variant == Variant::K ? Phase::Length : Phase::Start, now);
      return;
    }

    case Phase::Length:
      if (lengthBytes_ == 0) {
        if (SilentAt(FaultPhase::Length)) return;
        writerLength_ = int32_t(v) << 8;
        lengthBytes_ = 1;
        Answer(FaultPhase::Length, v, now);
        return;
      }
      writerLength_ |= v;
      lengthBytes_ = 2;
      lastReplyMs_ = Reply(v);
      if (writerLength_ != kWriterLengthK)
        Fail("flash-writer length " + std::to_string(writerLength_) + ", expected " + std::to_string(kWriterLengthK));
      EnterPhase(Phase::Writer, now);
      if (writerLength_ == 0) {
        Lose("empty flash writer");
      }
      return;

    case Phase::Writer: {
      if (burstLastMs_ < 0 || b.readMs - burstLastMs_ > kBurstGapMs) {
        CloseBurst();
        // Several blocks may sit in one read when the simulator was late.
        const double since = b.readMs - (burstStartMs_ >= 0 ? burstStartMs_ : lastReplyMs_);
        burstAllowed_ = kMaxWriterBlock * std::max(1, int32_t((since + 5) / kWriterPaceMs));
        if (firstBurstMs_ < 0) firstBurstMs_ = b.readMs;
        burstStartMs_ = b.readMs;
      }
      burstLastMs_ = b.readMs;
      ++burstBytes_;
      ++verdict_.writerBytes;
      if (verdict_.writerBytes < writerLength_) return;
      CloseBurst();
      if (verdict_.writerBlocks > 1) {
        verdict_.writerGapAvgMs = (burstStartMs_ - firstBurstMs_) / (verdict_.writerBlocks - 1);
        if (verdict_.writerGapAvgMs < kWriterAvgMinMs)
          Fail("flash-writer blocks on average " + Ms(verdict_.writerGapAvgMs) + " ms apart, expected 40");
      }
      if (SilentAt(FaultPhase::Writer)) return;
      if (!Answer(FaultPhase::Writer, 0xAA, now)) return;
      EnterPhase(Phase::Rom, now);
      return;
    }

    case Phase::Start:
      if (v != 0x02) {
        Lose("byte " + Hex2(v) + ", expected the start request 02");
        return;
      }
      if (SilentAt(FaultPhase::Start)) return;
      if (!Answer(FaultPhase::Start, 0x02, now)) return;
      lastReplyMs_ = Reply(0xAA);
      EnterPhase(Phase::Rom, now);
      return;

    case Phase::Rom:
    case Phase::End:
      if (config_.variant == Variant::M && phase_ == Phase::End) {
        if (v != 0x00 || finishSeen_) {
          Lose("byte " + Hex2(v) + ", expected the finish byte 00 alone");
          return;
        }
        finishSeen_ = true;  // done when its carrier ends
        return;
      }
      RomByte(v, b, now);
      return;

    default:
      return;
  }
}

void Conversation::CloseBurst() {
  if (burstBytes_ == 0) return;
  ++verdict_.writerBlocks;
  verdict_.writerBlockMax = std::max(verdict_.writerBlockMax, burstBytes_);
  if (burstBytes_ > burstAllowed_)
    Fail("flash-writer block of " + std::to_string(burstBytes_) + " bytes, at most 127 allowed");
  burstBytes_ = 0;
}

void Conversation::RomByte(uint8_t v, const LineByte& b, double now) {
  switch (frameState_) {
    case 0:
    case 1:
      if (v != 0xFE) {
        Lose("byte " + Hex2(v) + ", expected the frame start FE");
        return;
      }
      ++frameState_;
      return;
    case 2: {
      const bool ok = phase_ == Phase::Rom ? (v == 0x00 || v == 0x01) : (v == 0x0F);
      if (!ok) {
        Lose("frame kind " + Hex2(v) + (phase_ == Phase::Rom ? ", expected 00 or 01" : ", expected 0F"));
        return;
      }
      frameKind_ = v;
      frame_.clear();
      frameEscape_ = false;
      frameState_ = 3;
      return;
    }
    default:
      break;
  }
  if (v == 0xFD && !frameEscape_) {
    frameState_ = 0;
    RomFrame(b, now);
    return;
  }
  if (frameEscape_) {
    frameEscape_ = false;
    if (v > 0x0F) {
      Lose("escape FF followed by " + Hex2(v) + " inside a frame");
      return;
    }
    v = uint8_t(0xF0 | v);
  } else if (v == 0xFF) {
    frameEscape_ = true;
    return;
  } else if (v >= 0xFA) {
    Lose("unescaped " + Hex2(v) + " inside a frame");
    return;
  }
  if (int32_t(frame_.size()) >= kMaxFrameBody) {
    Lose("frame without an end");
    return;
  }
  frame_.push_back(v);
}

void Conversation::RomFrame(const LineByte& b, double now) {
  if (frameKind_ == 0x00) {
    if (frame_.size() != 131) {
      Lose("data frame with " + std::to_string(frame_.size()) + " bytes after unescaping, expected 131");
      return;
    }
    const int32_t a = (int32_t(frame_[0]) << 16) | (int32_t(frame_[1]) << 8) | frame_[2];
    char at[16];
    std::snprintf(at, sizeof at, "%06X", unsigned(a));
    if (a % 128 != 0 || a + 128 > WindowSize(config_.variant)) {
      Lose(std::string("data frame for address ") + at + " outside the 128-byte blocks of the image window");
      return;
    }
    if (a <= lastBlock_) Fail(std::string("block ") + at + " does not rise above the previous one");
    bool blank = true;
    for (size_t i = 3; i < frame_.size(); ++i) blank = blank && frame_[i] == 0xFF;
    if (blank) Fail(std::string("blank block ") + at + " was sent");
    lastBlock_ = a;

    if (const Fault* f = FindFault(Fault::Vanish)) {
      if (verdict_.blocks == f->blocks) {
        Applied(*f, true);
        vanished_ = true;
        if (hooks_.vanish) hooks_.vanish();
        return;
      }
    }
    if (const Fault* f = FindFault(Fault::StopAfter)) {
      if (verdict_.blocks == f->blocks) {
        Applied(*f, true);
        return;
      }
    }
    const bool first = verdict_.blocks == 0;
    if (first && SilentAt(FaultPhase::Rom)) return;
    if (first && FindFault(Fault::Wrong, FaultPhase::Rom)) {
      Answer(FaultPhase::Rom, 0xFB, now);
      return;
    }
    std::memcpy(&image_[size_t(a)], &frame_[3], 128);
    ++verdict_.blocks;
    lastReplyMs_ = Reply(0xFB);
    return;
  }
  if (frame_.size() != 2) {
    Lose("sum frame with " + std::to_string(frame_.size()) + " bytes after unescaping, expected 2");
    return;
  }
  const uint16_t s = uint16_t((frame_[0] << 8) | frame_[1]);
  uint32_t total = 0;
  for (uint8_t x : image_) total += x;
  const uint16_t mine = uint16_t(total & 0xFFFF);
  if (frameKind_ == 0x01) {
    verdict_.sentSum = s;
    verdict_.sumSeen = true;
    verdict_.sumOk = s == mine;
    if (!verdict_.sumOk) Fail("sum frame carries " + Hex4(s) + ", the written image sums to " + Hex4(mine));
    if (SilentAt(FaultPhase::Sum)) return;
    if (!Answer(FaultPhase::Sum, 0xFB, now)) return;
    EnterPhase(Phase::End, now);
    return;
  }
  // End frame (K).
  if (s != verdict_.sentSum) Fail("end frame carries " + Hex4(s) + ", the sum frame carried " + Hex4(verdict_.sentSum));
  doneMs_ = b.readMs;
  EnterPhase(Phase::Done, now);
}

Verdict Conversation::Finish(double endMs, const std::string& why) {
  Verdict v = verdict_;
  if (phase_ != Phase::Lost) v.phase = PhaseName(phase_);
  uint32_t total = 0;
  for (uint8_t x : image_) total += x;
  v.sum = uint16_t(total & 0xFFFF);
  v.seconds = ((doneMs_ >= 0 ? doneMs_ : endMs) - startMs_) / 1000.0;
  if (v.seconds < 0) v.seconds = 0;
  v.pass = phase_ == Phase::Done && v.reason.empty() && !cut_;
  if (!v.pass && v.reason.empty()) {
    if (faultApplied_ && cut_)
      v.reason = "fault " + v.fault + " in phase " + v.phase;
    else
      v.reason = why + " in phase " + v.phase;
  }
  return v;
}

}  // namespace radiosim
