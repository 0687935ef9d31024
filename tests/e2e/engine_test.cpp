// The simulated transceiver's conversation engine, driven byte by byte with a
// made-up clock: what it answers, and which deviations of the program it
// catches. The end-to-end tests cover the real program; these cover the
// checks that a correct program never trips.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/radio-sim/Conversation.h"

using namespace radiosim;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Escape(const Bytes& in) {
  Bytes out;
  for (uint8_t b : in) {
    if (b >= 0xFA) {
      out.push_back(0xFF);
      out.push_back(b & 0x0F);
    } else {
      out.push_back(b);
    }
  }
  return out;
}

Bytes DataFrame(int32_t a, const Bytes& data) {
  Bytes body = {uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)};
  body.insert(body.end(), data.begin(), data.end());
  Bytes f = {0xFE, 0xFE, 0x00};
  const Bytes e = Escape(body);
  f.insert(f.end(), e.begin(), e.end());
  f.push_back(0xFD);
  return f;
}

Bytes SumFrame(uint16_t s, uint8_t kind) {
  Bytes f = {0xFE, 0xFE, kind};
  const Bytes e = Escape({uint8_t(s >> 8), uint8_t(s)});
  f.insert(f.end(), e.begin(), e.end());
  f.push_back(0xFD);
  return f;
}

Bytes Carrier(uint8_t kind, const Bytes& payloadEscaped) {
  Bytes f = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x28, 0x87, 0x00, 0x00, kind};
  f.insert(f.end(), payloadEscaped.begin(), payloadEscaped.end());
  f.push_back(0xFD);
  return f;
}

// Wraps one transmission as the program does: escaped, cut into carriers of
// at most 220 payload bytes.
Bytes Carriers(uint8_t kind, const Bytes& data) {
  const Bytes e = Escape(data);
  Bytes out;
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(220, e.size() - at);
    const Bytes c = Carrier(kind, Bytes(e.begin() + long(at), e.begin() + long(at + n)));
    out.insert(out.end(), c.begin(), c.end());
    at += n;
  } while (at < e.size());
  return out;
}

const Bytes kProbe = {0xFE, 0xFE, 0xFE, 0xFE};
const Bytes kBaud = {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x00, 0x00, 0x00, 0x00, 0x01, 0x30, 0x39, 0xFD};
Bytes FirmUp(uint16_t code, uint8_t tail) {
  return {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, uint8_t(code >> 8), uint8_t(code), 0x00, 0x00, 0xF0, 0x30, tail, 0xFD};
}
const Bytes kWake = {'V', 'E', 'L', 'K'};

// A tiny ROM: two non-blank blocks, one of them full of bytes that need
// escaping, in a window that is otherwise 255.
struct Rom {
  std::vector<std::pair<int32_t, Bytes>> blocks;
  std::vector<uint8_t> window;
  uint16_t sum = 0;
  explicit Rom(Variant v) : window(size_t(Conversation::WindowSize(v)), 0xFF) {
    Bytes a(128), b(128);
    for (int i = 0; i < 128; ++i) {
      a[size_t(i)] = uint8_t(i);
      b[size_t(i)] = uint8_t(0xFA + i % 6);
    }
    blocks = {{0x10000, a}, {0x10080 + 0x100, b}};
    for (auto& blk : blocks) std::memcpy(&window[size_t(blk.first)], blk.second.data(), 128);
    uint32_t s = 0;
    for (uint8_t x : window) s += x;
    sum = uint16_t(s);
  }
};

// Drives one conversation: the test plays the program, with its own clock.
class Bench {
 public:
  explicit Bench(UnitConfig c) : config_(c) {
    Conversation::Hooks h;
    h.send = [this](const uint8_t* d, size_t n, bool echo) {
      for (size_t i = 0; i < n; ++i) (echo ? echoes : replies).push_back(d[i]);
      line.insert(line.end(), d, d + n);
      return t;
    };
    h.vanish = [this] { vanished = true; };
    conv.reset(new Conversation(c, 1, 0, h));
  }

  // The program writes data at the current time and bit rate, then time passes.
  void Write(const Bytes& d, double thenMs = 1) {
    conv->Echo(d.data(), d.size());
    for (uint8_t b : d) conv->Line({b, t, rate}, t);
    t += thenMs;
  }
  // What came back since the last call.
  Bytes Replies() {
    Bytes r = replies;
    replies.clear();
    return r;
  }

  UnitConfig config_;
  std::unique_ptr<Conversation> conv;
  Bytes replies, echoes, line;
  double t = 1000;
  uint32_t rate = 9600;
  bool vanished = false;
};

// Deviations a K run can be given; the happy path has none.
struct KPlan {
  uint32_t firmUpRate = 38400;
  double wakeGapMs = 50;
  int32_t writerBlock = 127;
  double writerGapMs = 40;
  double pauseMs = 600;
  bool swapBlocks = false;
  int32_t sumDelta = 0;
  bool fullEnd = true;
};

void RunK(Bench& b, const KPlan& p, const Rom& rom) {
  b.rate = 9600;
  b.Write(kProbe, 200);
  b.Write(kBaud, 100);
  b.rate = p.firmUpRate;
  b.Write(FirmUp(0x7514, 0x30), 1);
  b.rate = 38400;
  for (int i = 0; i < 3; ++i) b.Write(kWake, p.wakeGapMs);
  b.Write({0x00});
  b.Write({0x55});
  for (uint8_t q : {0x44, 0x43, 0x42, 0x41}) b.Write({q});
  b.Write({0x09, 0x7E}, 5);
  Bytes writer(2430);
  for (size_t i = 0; i < writer.size(); ++i) writer[i] = uint8_t(i * 7);
  for (size_t at = 0; at < writer.size(); at += size_t(p.writerBlock)) {
    const size_t n = std::min(writer.size() - at, size_t(p.writerBlock));
    b.Write(Bytes(writer.begin() + long(at), writer.begin() + long(at + n)), p.writerGapMs);
  }
  b.t += p.pauseMs;
  auto blocks = rom.blocks;
  if (p.swapBlocks) std::swap(blocks[0], blocks[1]);
  for (auto& blk : blocks) b.Write(DataFrame(blk.first, blk.second), 40);
  b.Write(SumFrame(uint16_t(rom.sum + p.sumDelta), 0x01));
  if (p.fullEnd) b.Write(SumFrame(uint16_t(rom.sum + p.sumDelta), 0x0F));
}

TEST(RadioSimEngine, AnswersAFullVariantKRunAndRebuildsTheImage) {
  UnitConfig c;
  c.variant = Variant::K;
  Bench b(c);
  Rom rom(Variant::K);
  RunK(b, KPlan(), rom);
  // 55 after the third wake string, 00, AA, one byte per query, the length
  // echoed, AA after the writer, FB per block, FB for the sum.
  const Bytes expected = {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x09, 0x7E, 0xAA, 0xFB, 0xFB, 0xFB};
  EXPECT_EQ(b.Replies(), expected);
  ASSERT_TRUE(b.conv->Done());
  const Verdict v = b.conv->Finish(b.t, "closed");
  EXPECT_TRUE(v.pass) << v.reason;
  EXPECT_EQ(v.blocks, 2);
  EXPECT_TRUE(v.sumOk);
  EXPECT_EQ(v.sum, rom.sum);
  EXPECT_EQ(v.wakeStrings, 3);
  EXPECT_EQ(v.writerBytes, 2430);
  EXPECT_EQ(v.writerBlocks, 20);
  EXPECT_EQ(b.conv->Image(), rom.window);
  EXPECT_TRUE(b.echoes.empty());
}

TEST(RadioSimEngine, CatchesDeviationsOfTheProgram) {
  struct Case {
    const char* name;
    KPlan plan;
    const char* reason;
  };
  std::vector<Case> cases;
  KPlan p;
  p.firmUpRate = 9600;
  cases.push_back({"upload announcement still at 9600", p, "bit rate 9600 during firmware-upload"});
  p = KPlan();
  p.wakeGapMs = 20;
  cases.push_back({"wake strings too fast", p, "wake strings on average 20.0 ms"});
  p = KPlan();
  p.writerBlock = 128;
  cases.push_back({"writer block of 128", p, "block of 128 bytes"});
  p = KPlan();
  p.writerGapMs = 25;
  cases.push_back({"writer blocks too close", p, "on average 25.0 ms apart"});
  p = KPlan();
  p.pauseMs = 300;
  cases.push_back({"short pause before the ROM", p, "ROM write began"});
  p = KPlan();
  p.swapBlocks = true;
  cases.push_back({"blocks out of order", p, "does not rise"});
  p = KPlan();
  p.sumDelta = 1;
  cases.push_back({"wrong sum", p, "sum frame carries"});
  p = KPlan();
  p.fullEnd = false;
  cases.push_back({"no end frame", p, "closed in phase end"});

  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.name);
    UnitConfig c;
    Bench b(c);
    Rom rom(Variant::K);
    RunK(b, cs.plan, rom);
    const Verdict v = b.conv->Finish(b.t, "port closed");
    EXPECT_FALSE(v.pass);
    EXPECT_NE(v.reason.find(cs.reason), std::string::npos) << v.reason;
  }
}

TEST(RadioSimEngine, StopsAnsweringAtAWrongCommandByte) {
  UnitConfig c;
  Bench b(c);
  b.Write(kProbe);
  Bytes bad = kBaud;
  bad[10] = 0x31;
  b.Write(bad);
  b.rate = 38400;
  b.Write(FirmUp(0x7514, 0x30));
  b.Write(kWake);
  b.Write(kWake);
  b.Write(kWake);
  EXPECT_TRUE(b.Replies().empty());
  const Verdict v = b.conv->Finish(b.t, "port closed");
  EXPECT_FALSE(v.pass);
  EXPECT_EQ(v.reason, "baud-change: byte 10 is 31, expected 30");
}

// Plays variant M's program up to the pause before the ROM write.
void MToRom(Bench& b) {
  b.Write(kProbe, 200);
  b.Write(kBaud, 100);
  b.rate = 38400;
  for (uint16_t code : {0x7514, 0x7515, 0x7741, 0x7962}) b.Write(FirmUp(code, 0x31));
  b.Write(Carriers(0, {0x00}));
  b.Write(Carriers(2, kWake));
  b.Write(Carriers(2, {0x00}));
  b.Write(Carriers(2, {0x55}));
  for (uint8_t q : {0x44, 0x43, 0x42, 0x41}) b.Write(Carriers(2, {q}));
  b.Write(Carriers(2, {0x02}), 1100);
}

TEST(RadioSimEngine, AnswersAFullVariantMRunInsideCarriers) {
  UnitConfig c;
  c.variant = Variant::M;
  Bench b(c);
  Rom rom(Variant::M);
  MToRom(b);
  // The second block is all 0xFA and above: its frame, escaped again, needs
  // two carriers.
  const Bytes frame = DataFrame(rom.blocks[1].first, rom.blocks[1].second);
  const Bytes big = Carriers(2, frame);
  ASSERT_GT(Escape(frame).size(), 220u);
  ASSERT_EQ(big.size(), Escape(frame).size() + 2 * 11);
  b.Write(Carriers(2, DataFrame(rom.blocks[0].first, rom.blocks[0].second)), 5);
  b.Write(big, 5);
  b.Write(Carriers(2, SumFrame(rom.sum, 0x01)));
  b.Write(Carriers(1, {0x00}));
  const Bytes expected = {0x00, 0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x02, 0xAA, 0xFB, 0xFB, 0xFB};
  EXPECT_EQ(b.Replies(), expected);
  ASSERT_TRUE(b.conv->Done());
  const Verdict v = b.conv->Finish(b.t, "closed");
  EXPECT_TRUE(v.pass) << v.reason;
  EXPECT_EQ(b.conv->Image(), rom.window);
  EXPECT_EQ(v.carriers, 14);
}

TEST(RadioSimEngine, FlagsAWrongCarrierKindAndAnOversizedCarrier) {
  UnitConfig c;
  c.variant = Variant::M;
  {
    Bench b(c);
    b.Write(kProbe);
    b.Write(kBaud);
    b.rate = 38400;
    for (uint16_t code : {0x7514, 0x7515, 0x7741, 0x7962}) b.Write(FirmUp(code, 0x31));
    b.Write(Carriers(2, {0x00}));  // the first carrier of a run has kind 0
    const Verdict v = b.conv->Finish(b.t, "port closed");
    EXPECT_EQ(v.reason, "carrier kind 02 during check, expected 00");
  }
  {
    Bench b(c);
    Rom rom(Variant::M);
    MToRom(b);
    const Bytes payload = Escape(DataFrame(rom.blocks[1].first, rom.blocks[1].second));
    b.Write(Carrier(2, payload));
    const Verdict v = b.conv->Finish(b.t, "port closed");
    EXPECT_EQ(v.reason, "carrier with " + std::to_string(payload.size()) + " payload bytes, at most 220 allowed");
    EXPECT_EQ(v.blocks, 1);  // the frame itself was sound
  }
}

TEST(RadioSimEngine, EchoingCableReturnsEachWriteBeforeTheAnswers) {
  UnitConfig c;
  c.echo = true;
  Bench b(c);
  b.Write(kProbe);
  b.Write(kBaud);
  b.rate = 38400;
  b.Write(FirmUp(0x7514, 0x30));
  for (int i = 0; i < 3; ++i) b.Write(kWake, 50);
  b.Write({0x00});
  b.Write({0x55});
  for (uint8_t q : {0x44, 0x43, 0x42, 0x41}) b.Write({q});
  b.line.clear();
  b.Write({0x09, 0x7E});
  // The whole write comes back first, then the boot loader's echo of it.
  EXPECT_EQ(b.line, (Bytes{0x09, 0x7E, 0x09, 0x7E}));
}

TEST(RadioSimEngine, CorruptEchoChangesOneByteOfTheFirstRomFrame) {
  UnitConfig c;
  c.echo = true;
  Fault f;
  std::string error;
  ASSERT_TRUE(ParseFault("corrupt-echo", Variant::K, f, error));
  c.faults = {f};
  Bench b(c);
  Rom rom(Variant::K);
  KPlan p;
  RunK(b, p, rom);
  const Bytes frame = DataFrame(rom.blocks[0].first, rom.blocks[0].second);
  // Find the first frame's echo among everything that came back.
  const Bytes& e = b.echoes;
  size_t at = 0;
  for (size_t i = 0; i + 6 < e.size(); ++i) {
    if (e[i] == 0xFE && e[i + 1] == 0xFE && e[i + 2] == 0x00 && e[i + 3] == 0x01) {
      at = i;
      break;
    }
  }
  ASSERT_NE(at, 0u);
  int differ = 0;
  for (size_t i = 0; i < frame.size(); ++i) differ += e[at + i] != frame[i];
  EXPECT_EQ(differ, 1);
  EXPECT_EQ(e[at + 9], frame[9] ^ 0x01);
  const Verdict v = b.conv->Finish(b.t, "port closed");
  EXPECT_FALSE(v.pass);
  EXPECT_EQ(v.fault, "corrupt-echo");
}

TEST(RadioSimEngine, FaultsCutTheConversationWhereAimed) {
  struct Case {
    const char* fault;
    Bytes replies;  // what the program gets before the simulator falls silent
  };
  const std::vector<Case> cases = {
      {"silence:boot", {}},
      {"wrong:boot", {0x54}},
      {"silence:bitrate", {0x55}},
      {"wrong:bitrate", {0x55, 0x00, 0xAB}},
      {"silence:flashcheck", {0x55, 0x00, 0xAA, 0x44}},
      {"silence:length", {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41}},
      {"wrong:length", {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x08}},
      {"wrong:writer", {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x09, 0x7E, 0xAB}},
      {"wrong:rom", {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x09, 0x7E, 0xAA, 0xFA}},
      {"stop-after:1", {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x09, 0x7E, 0xAA, 0xFB}},
      {"wrong:sum", {0x55, 0x00, 0xAA, 0x44, 0x43, 0x42, 0x41, 0x09, 0x7E, 0xAA, 0xFB, 0xFB, 0xFA}},
      {"wrong:flashcheck", {0x55, 0x00, 0xAA, 0x45, 0x42, 0x43, 0x40, 0x09, 0x7E, 0xAA, 0xFB, 0xFB, 0xFB}},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.fault);
    UnitConfig c;
    Fault f;
    std::string error;
    ASSERT_TRUE(ParseFault(cs.fault, Variant::K, f, error)) << error;
    c.faults = {f};
    Bench b(c);
    Rom rom(Variant::K);
    RunK(b, KPlan(), rom);
    EXPECT_EQ(b.Replies(), cs.replies);
    const Verdict v = b.conv->Finish(b.t, "port closed");
    EXPECT_EQ(v.fault, cs.fault);
    // Only a wrong flash check answer lets the run finish: any answer counts.
    EXPECT_EQ(v.pass, std::string(cs.fault) == "wrong:flashcheck") << v.reason;
  }
}

TEST(RadioSimEngine, VanishesWhenTheBlockAfterTheLastAcknowledgedOneArrives) {
  UnitConfig c;
  Fault f;
  std::string error;
  ASSERT_TRUE(ParseFault("vanish:1", Variant::K, f, error));
  c.faults = {f};
  Bench b(c);
  Rom rom(Variant::K);
  RunK(b, KPlan(), rom);
  EXPECT_TRUE(b.vanished);
  EXPECT_TRUE(b.conv->Vanished());
  const Verdict v = b.conv->Finish(b.t, "device vanished");
  EXPECT_EQ(v.blocks, 1);
  EXPECT_FALSE(v.pass);
}

TEST(RadioSimEngine, NoiseComesBeforeTheWakeAnswerAndNeverHolds55) {
  UnitConfig c;
  Fault f;
  std::string error;
  ASSERT_TRUE(ParseFault("noise", Variant::K, f, error));
  c.faults = {f};
  Bench b(c);
  b.Write(kProbe);
  b.Write(kBaud);
  b.rate = 38400;
  b.Write(FirmUp(0x7514, 0x30));
  for (int i = 0; i < 3; ++i) b.Write(kWake, 50);
  const Bytes r = b.Replies();
  ASSERT_GT(r.size(), 3u * 3u);
  EXPECT_EQ(r.back(), 0x55);
  for (size_t i = 0; i + 1 < r.size(); ++i) EXPECT_NE(r[i], 0x55);
}

TEST(RadioSimEngine, RejectsFaultsThatDoNotFitTheVariant) {
  struct Case {
    const char* text;
    Variant variant;
    bool ok;
  };
  const Case cases[] = {
      {"silence:start", Variant::K, false}, {"silence:start", Variant::M, true},
      {"wrong:length", Variant::M, false},  {"wrong:writer", Variant::M, false},
      {"silence:nowhere", Variant::K, false}, {"stop-after:", Variant::K, false},
      {"stop-after:x", Variant::K, false},  {"vanish:0", Variant::M, true},
      {"noise:3", Variant::K, false},       {"melt", Variant::K, false},
  };
  for (const Case& cs : cases) {
    Fault f;
    std::string error;
    EXPECT_EQ(ParseFault(cs.text, cs.variant, f, error), cs.ok) << cs.text;
    EXPECT_EQ(error.empty(), cs.ok) << cs.text;
  }
}

TEST(RadioSimEngine, VerdictIsOneJsonObject) {
  Verdict v;
  v.unit = 2;
  v.variant = Variant::M;
  v.reason = "quote \" and \\ and \x01";
  v.sum = 0x12FE;
  const std::string j = v.Json();
  EXPECT_EQ(j.rfind("{\"unit\":2,\"variant\":\"m\",\"result\":\"fail\",\"reason\":\"quote \\\" and \\\\ and \\u0001\"", 0),
            0u)
      << j;
  EXPECT_NE(j.find("\"sum\":\"12FE\""), std::string::npos);
  EXPECT_NE(j.find("\"sent_sum\":null"), std::string::npos);
  EXPECT_EQ(j.back(), '}');
  EXPECT_EQ(j.find('\n'), std::string::npos);
}

}  // namespace
