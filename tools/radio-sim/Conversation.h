// The simulated transceiver's side of one unit's conversation: the boot
// loader (and, in variant K, the flash writer it runs), fed one line byte at a
// time. It answers what a transceiver answers, checks every byte, the bit rate
// and the timing against the conversation, rebuilds the written image and
// reports a verdict. It knows nothing of the device: the caller hands in each
// byte with the moment it was read and the bit rate set on the line, and
// passes every byte to send through a callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace radiosim {

enum class Variant { K, M };

// Phases a fault can be aimed at, in conversation order.
enum class FaultPhase { Boot, Bitrate, FlashCheck, Length, Writer, Start, Rom, Sum };

struct Fault {
  enum Kind { Silence, Wrong, Noise, CorruptEcho, StopAfter, Vanish };
  Kind kind = Silence;
  FaultPhase phase = FaultPhase::Boot;  // silence, wrong
  int32_t blocks = 0;                   // stop-after, vanish
};

// Parses "silence:<phase>", "wrong:<phase>", "noise", "corrupt-echo",
// "stop-after:<N>", "vanish:<N>". On failure returns false and sets error.
bool ParseFault(const std::string& text, Variant variant, Fault& fault, std::string& error);
const char* FaultPhaseName(FaultPhase phase);
std::string FaultText(const Fault& fault);

struct UnitConfig {
  Variant variant = Variant::K;
  bool echo = false;        // the cable returns every byte the program sends
  bool lineRate = false;    // only reported in the verdict
  int32_t wakeCount = 3;    // K: wake strings before the answer 0x55
  uint32_t seed = 1;        // noise generator
  std::vector<Fault> faults;
};

// What the caller tells about a byte read from the line.
struct LineByte {
  uint8_t value = 0;
  double readMs = 0;      // when it was read from the device (real time)
  uint32_t rate = 0;      // bit rate set on the line when it was read
};

struct Verdict {
  int32_t unit = 0;
  Variant variant = Variant::K;
  bool pass = false;
  std::string reason;
  std::string fault;         // the fault applied to this unit, "" for none
  std::string phase;         // where the conversation got to
  int32_t blocks = 0;        // ROM data frames accepted
  uint16_t sum = 0;          // sum over the rebuilt image window
  bool sumSeen = false;      // a sum frame arrived
  uint16_t sentSum = 0;      // the sum the program sent
  bool sumOk = false;
  bool echo = false;
  bool lineRate = false;
  double seconds = 0;
  int64_t lineBytes = 0;     // bytes received from the program
  int32_t wakeStrings = 0;
  double wakeIntervalAvgMs = -1;
  int32_t writerBytes = 0;
  int32_t writerBlocks = 0;
  int32_t writerBlockMax = 0;
  double writerGapAvgMs = -1;
  double pauseMs = -1;       // last reply before the ROM write to its first byte
  bool rateOk = true;
  int32_t carriers = 0;      // M: carrier frames received

  std::string Json() const;
};

class Conversation {
 public:
  struct Hooks {
    // Sends bytes towards the program; echo marks the cable's loop-back.
    // Returns the moment (ms) at which the last byte will have reached the
    // program.
    std::function<double(const uint8_t* data, size_t n, bool echo)> send;
    // The device is to disappear now (vanish fault).
    std::function<void()> vanish;
  };

  Conversation(const UnitConfig& config, int32_t unit, double startMs, Hooks hooks);

  // The cable: with an echoing cable every byte the program wrote comes
  // straight back, a whole write before any answer to it. Call with each
  // chunk as it is read, before its bytes are handed to Line.
  void Echo(const uint8_t* data, size_t n);

  // One byte from the program; nowMs is when it is processed (later than the
  // read under line-rate emulation).
  void Line(const LineByte& byte, double nowMs);

  bool Done() const { return phase_ == Phase::Done; }
  bool Vanished() const { return vanished_; }
  // Bytes seen at all: a unit that opened and closed the port without a word
  // is not a unit.
  bool Started() const { return verdict_.lineBytes > 0; }

  // Closes the unit: endMs is when the port was closed (or the simulator
  // stopped), why says so when the conversation did not finish.
  Verdict Finish(double endMs, const std::string& why);

  // The rebuilt image window (every address not written reads 255).
  const std::vector<uint8_t>& Image() const { return image_; }

  static int32_t WindowSize(Variant v) { return v == Variant::K ? 0x80000 : 0x40000; }

 private:
  enum class Phase {
    Probe, BaudCmd, FirmUp,           // raw commands at the start
    Check, Wake, Sync, Sync55, Query,  // boot loader replies
    Length, Writer,                    // K: flash-writer upload
    Start,                             // M: start request
    Rom, End, Done,
    Lost                               // something went wrong: only listen
  };

  void Raw(const LineByte& b, double now);      // K line, and M before carriers
  void Carrier(const LineByte& b, double now);  // M: carrier frames
  void Inner(uint8_t v, const LineByte& b, double now);
  void CloseBurst();
  void RomByte(uint8_t v, const LineByte& b, double now);
  void RomFrame(const LineByte& b, double now);
  void EnterPhase(Phase p, double now);

  double Reply(const uint8_t* data, size_t n);
  double Reply(uint8_t v) { return Reply(&v, 1); }
  // The answer v, or the fault's wrong byte, or nothing when silent. Returns
  // false when the conversation is cut here.
  bool Answer(FaultPhase where, uint8_t v, double now);
  bool SilentAt(FaultPhase where);
  const Fault* FindFault(Fault::Kind kind, FaultPhase where) const;
  const Fault* FindFault(Fault::Kind kind) const;
  void Noise();

  void Fail(const std::string& why);      // a check failed; the talk goes on
  void Lose(const std::string& why);      // a check failed; stop answering
  void Applied(const Fault& f, bool cuts);
  void CheckRate(const LineByte& b, uint32_t expected, const char* what);
  static const char* PhaseName(Phase p);
  FaultPhase FaultPhaseOf(Phase p) const;

  UnitConfig config_;
  Hooks hooks_;
  Verdict verdict_;
  double startMs_;
  double doneMs_ = -1;
  Phase phase_ = Phase::Probe;
  std::vector<uint8_t> image_;
  std::mt19937 noise_;
  bool faultApplied_ = false;
  bool cut_ = false;           // a fault ended the conversation
  bool vanished_ = false;

  // Raw commands.
  std::vector<uint8_t> cmd_;
  int32_t firmUpIndex_ = 0;
  // Carrier frames (M).
  std::vector<uint8_t> carrier_;
  bool carrierEscape_ = false;
  int32_t carrierPayload_ = 0;
  bool firstCarrier_ = true;
  bool finishSeen_ = false;    // the finish byte 00 arrived in its carrier
  // Boot loader replies.
  std::vector<uint8_t> word_;  // "VELK" being received
  double firstWakeMs_ = -1;
  double lastWakeMs_ = -1;
  int32_t queriesLeft_ = 4;
  // Flash writer.
  int32_t lengthBytes_ = 0;
  int32_t writerLength_ = 0;
  double firstBurstMs_ = -1;
  double burstStartMs_ = -1;
  double burstLastMs_ = -1;
  int32_t burstBytes_ = 0;
  int32_t burstAllowed_ = 127;
  // ROM write.
  double lastReplyMs_ = -1;
  bool romFirstByte_ = true;
  int32_t romEchoBytes_ = 0;   // bytes echoed since the ROM write began (corrupt-echo)
  std::vector<uint8_t> frame_;  // unescaped content of the current frame
  int32_t frameState_ = 0;      // 0 wait FE, 1 wait second FE, 2 kind, 3 body
  bool frameEscape_ = false;
  uint8_t frameKind_ = 0;
  int32_t lastBlock_ = -1;
};

}  // namespace radiosim
