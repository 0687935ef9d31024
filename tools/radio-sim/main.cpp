// radio-sim: a simulated transceiver on a pseudo-terminal. See README.md.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tools/radio-sim/Conversation.h"
#include "tools/radio-sim/PtyDevice.h"

using namespace radiosim;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char c = 1;
  ssize_t r = write(g_signalPipe[1], &c, 1);
  (void)r;
}

double NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

struct Options {
  Variant variant = Variant::K;
  bool variantSet = false;
  std::string link;
  long units = 0;  // 0: no limit
  bool echo = false;
  bool lineRate = false;
  std::vector<Fault> faults;
  std::vector<std::string> faultTexts;
  long faultUnit = 1;
  long wakeCount = 3;
  unsigned long seed = 1;
  std::string dump;
  bool verbose = false;
};

void Usage(FILE* f) {
  std::fputs(
      "usage: radio-sim --variant k|m --link PATH [options]\n"
      "  --units N         stop after N units (default: no limit)\n"
      "  --echo            the cable returns every byte the program sends\n"
      "  --line-rate       bytes take 10 bits at the line's bit rate\n"
      "  --wake-count N    variant k: answer the Nth wake string (default 3)\n"
      "  --fault F         silence:<phase>, wrong:<phase>, noise, corrupt-echo,\n"
      "                    stop-after:<N>, vanish:<N> (may be given more than once)\n"
      "  --fault-unit N    the unit the faults apply to (default 1, 0 for every unit)\n"
      "  --seed N          seed of the noise (default 1)\n"
      "  --dump FILE       write each unit's rebuilt image window to FILE.<unit>\n"
      "  --verbose         trace units on standard error\n"
      "phases: boot, bitrate, flashcheck, length (k), writer (k), start (m), rom, sum\n",
      f);
}

bool ParseNumber(const char* s, long lo, long hi, long& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(s, &end, 10);
  if (errno || !end || *end || end == s || v < lo || v > hi) return false;
  out = v;
  return true;
}

// Returns 0 to run, or an exit code.
int ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "radio-sim: %s needs %s\n", a.c_str(), what);
        return nullptr;
      }
      return argv[++i];
    };
    long n = 0;
    if (a == "--help" || a == "-h") {
      Usage(stdout);
      return -1;
    } else if (a == "--variant") {
      const char* v = value("k or m");
      if (!v) return 2;
      if (std::strcmp(v, "k") == 0 || std::strcmp(v, "K") == 0) {
        o.variant = Variant::K;
      } else if (std::strcmp(v, "m") == 0 || std::strcmp(v, "M") == 0) {
        o.variant = Variant::M;
      } else {
        std::fprintf(stderr, "radio-sim: unknown variant '%s' (k or m)\n", v);
        return 2;
      }
      o.variantSet = true;
    } else if (a == "--link") {
      const char* v = value("a path");
      if (!v) return 2;
      o.link = v;
    } else if (a == "--units" || a == "--fault-unit" || a == "--wake-count" || a == "--seed") {
      const char* v = value("a number");
      if (!v) return 2;
      const long lo = a == "--units" || a == "--wake-count" ? 1 : 0;
      if (!ParseNumber(v, lo, 1000000000L, n)) {
        std::fprintf(stderr, "radio-sim: %s needs a number of at least %ld, not '%s'\n", a.c_str(), lo, v);
        return 2;
      }
      if (a == "--units") o.units = n;
      if (a == "--fault-unit") o.faultUnit = n;
      if (a == "--wake-count") o.wakeCount = n;
      if (a == "--seed") o.seed = (unsigned long)n;
    } else if (a == "--echo") {
      o.echo = true;
    } else if (a == "--line-rate") {
      o.lineRate = true;
    } else if (a == "--fault") {
      const char* v = value("a fault");
      if (!v) return 2;
      o.faultTexts.push_back(v);
    } else if (a == "--dump") {
      const char* v = value("a file name");
      if (!v) return 2;
      o.dump = v;
    } else if (a == "--verbose" || a == "-v") {
      o.verbose = true;
    } else {
      std::fprintf(stderr, "radio-sim: unknown option '%s'\n", a.c_str());
      Usage(stderr);
      return 2;
    }
  }
  if (!o.variantSet || o.link.empty()) {
    std::fprintf(stderr, "radio-sim: --variant and --link are required\n");
    Usage(stderr);
    return 2;
  }
  for (const std::string& t : o.faultTexts) {
    Fault f;
    std::string error;
    if (!ParseFault(t, o.variant, f, error)) {
      std::fprintf(stderr, "radio-sim: %s\n", error.c_str());
      return 2;
    }
    if (f.kind == Fault::CorruptEcho && !o.echo) {
      std::fprintf(stderr, "radio-sim: corrupt-echo needs --echo\n");
      return 2;
    }
    o.faults.push_back(f);
  }
  return 0;
}

struct RxByte {
  LineByte b;
  double deliverMs;
};

struct TxByte {
  uint8_t v;
  double dueMs;
};

class Simulator {
 public:
  explicit Simulator(const Options& o) : o_(o) {}

  int Run() {
    std::string error;
    if (!pty_.Create(o_.link, error)) {
      std::fprintf(stderr, "radio-sim: %s\n", error.c_str());
      return 1;
    }
    Log("serving %s on %s (variant %s)", o_.link.c_str(), pty_.SlavePath().c_str(),
        o_.variant == Variant::K ? "k" : "m");
    bool stop = false;
    while (!stop) {
      double now = NowMs();
      double timeout = 50;
      if (!rx_.empty()) timeout = std::min(timeout, rx_.front().deliverMs - now);
      if (!tx_.empty()) timeout = std::min(timeout, tx_.front().dueMs - now);
      if (timeout < 0) timeout = 0;

      pollfd fds[3];
      int nfds = 0;
      fds[nfds++] = {g_signalPipe[0], POLLIN, 0};
      fds[nfds++] = {pty_.Notify(), POLLIN, 0};
      const bool watchMaster = opens_ > 0;
      if (watchMaster) {
        short ev = POLLIN;
        if (txBlocked_) ev |= POLLOUT;
        fds[nfds++] = {pty_.Master(), ev, 0};
      }
      // Wake at the exact moment the next byte is due: with line-rate
      // emulation a whole-millisecond poll would add up to a millisecond to
      // every acknowledgement and hide the program's own latency.
      timespec ts;
      const long long ns = static_cast<long long>(timeout * 1e6);
      ts.tv_sec = static_cast<time_t>(ns / 1000000000LL);
      ts.tv_nsec = static_cast<long>(ns % 1000000000LL);
      const int r = ppoll(fds, nfds_t(nfds), &ts, nullptr);
      if (r < 0 && errno != EINTR) {
        std::fprintf(stderr, "radio-sim: poll: %s\n", std::strerror(errno));
        return 1;
      }
      now = NowMs();
      if (r > 0 && (fds[0].revents & POLLIN)) stop = true;
      if (watchMaster && (fds[2].revents & POLLOUT)) txBlocked_ = false;
      if (watchMaster && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) ReadMaster(now);
      pty_.ReadNotifications([&] { Opened(NowMs()); }, [&] { Closed(NowMs()); });
      if (pending_vanish_) Vanish(NowMs());
      Deliver(NowMs(), false);
      if (pending_vanish_) Vanish(NowMs());
      Transmit(NowMs());
      if (o_.units > 0 && unitsDone_ >= o_.units) break;
    }
    if (conv_) {
      Deliver(NowMs(), true);
      EndUnit(NowMs(), "simulator stopped");
    }
    pty_.Destroy();
    return 0;
  }

 private:
  void Log(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    if (!o_.verbose) return;
    va_list ap;
    va_start(ap, fmt);
    std::fputs("radio-sim: ", stderr);
    std::vfprintf(stderr, fmt, ap);
    std::fputc('\n', stderr);
    va_end(ap);
  }

  void StartUnit(double now) {
    if (conv_) return;
    UnitConfig c;
    c.variant = o_.variant;
    c.echo = o_.echo;
    c.lineRate = o_.lineRate;
    c.wakeCount = int32_t(o_.wakeCount);
    c.seed = uint32_t(o_.seed + unitNumber_);
    const int32_t unit = unitNumber_ + 1;
    if (o_.faultUnit == 0 || o_.faultUnit == unit) c.faults = o_.faults;
    Conversation::Hooks h;
    h.send = [this](const uint8_t* d, size_t n, bool echo) { return Queue(d, n, echo); };
    h.vanish = [this] { pending_vanish_ = true; };
    conv_.reset(new Conversation(c, unit, now, h));
    txLast_ = rxLast_ = now;
    Log("unit %d: port opened", unit);
  }

  void EndUnit(double now, const char* why) {
    if (!conv_) return;
    tx_.clear();
    txBlocked_ = false;
    rx_.clear();
    if (!conv_->Started()) {
      Log("port opened and closed without a byte; not counted as a unit");
      conv_.reset();
      return;
    }
    const Verdict v = conv_->Finish(now, why);
    ++unitNumber_;
    ++unitsDone_;
    std::printf("%s\n", v.Json().c_str());
    std::fflush(stdout);
    if (!o_.dump.empty()) {
      const std::string path = o_.dump + "." + std::to_string(v.unit);
      FILE* f = std::fopen(path.c_str(), "wb");
      const std::vector<uint8_t>& img = conv_->Image();
      if (!f || std::fwrite(img.data(), 1, img.size(), f) != img.size())
        std::fprintf(stderr, "radio-sim: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      if (f) std::fclose(f);
    }
    Log("unit %d: %s", v.unit, v.pass ? "pass" : v.reason.c_str());
    conv_.reset();
  }

  void Opened(double now) {
    if (opens_++ == 0) StartUnit(now);
  }

  void Closed(double now) {
    if (opens_ > 0) --opens_;
    if (opens_ > 0) return;
    // Whatever the program wrote before it closed is still to be read.
    ReadMaster(now);
    Deliver(now, true);
    if (pending_vanish_) {
      Vanish(now);
      return;
    }
    EndUnit(now, "port closed");
  }

  void ReadMaster(double now) {
    if (pty_.Master() < 0) return;
    const uint32_t rate = pty_.Rate();
    uint8_t buf[4096];
    for (;;) {
      const ssize_t n = read(pty_.Master(), buf, sizeof buf);
      if (n <= 0) break;
      StartUnit(now);  // bytes seen before the open notification was read
      for (ssize_t i = 0; i < n; ++i) {
        RxByte r;
        r.b.value = buf[i];
        r.b.readMs = now;
        r.b.rate = rate;
        if (o_.lineRate) {
          rxLast_ = std::max(rxLast_, now) + ByteMs(rate);
          r.deliverMs = rxLast_;
        } else {
          r.deliverMs = now;
        }
        rx_.push_back(r);
      }
      conv_->Echo(buf, size_t(n));
    }
  }

  static double ByteMs(uint32_t rate) { return 10000.0 / double(rate >= 300 ? rate : 9600); }

  void Deliver(double now, bool all) {
    while (conv_ && !rx_.empty() && !pending_vanish_ && (all || rx_.front().deliverMs <= now)) {
      const RxByte r = rx_.front();
      rx_.pop_front();
      conv_->Line(r.b, std::max(now, r.deliverMs));
    }
  }

  double Queue(const uint8_t* d, size_t n, bool echo) {
    const double now = NowMs();
    const double bt = o_.lineRate ? ByteMs(pty_.Rate()) : 0;
    for (size_t i = 0; i < n; ++i) {
      double due = std::max(now + (echo ? 0 : bt), txLast_ + bt);
      if (!o_.lineRate) due = now;
      txLast_ = due;
      tx_.push_back({d[i], due});
    }
    return o_.lineRate ? txLast_ : now;
  }

  void Transmit(double now) {
    if (pty_.Master() < 0 || txBlocked_) return;
    uint8_t buf[4096];
    size_t n = 0;
    for (const TxByte& t : tx_) {
      if (t.dueMs > now || n == sizeof buf) break;
      buf[n++] = t.v;
    }
    if (n == 0) return;
    const ssize_t w = write(pty_.Master(), buf, n);
    if (w < 0) {
      if (errno == EAGAIN) txBlocked_ = true;
      return;
    }
    tx_.erase(tx_.begin(), tx_.begin() + w);
    if (size_t(w) < n) txBlocked_ = true;
  }

  // The device disappears: the program's open handle hangs up, the link goes,
  // and a fresh device appears under the same link for the next unit.
  void Vanish(double now) {
    pending_vanish_ = false;
    Log("device vanishes");
    EndUnit(now, "device vanished");
    opens_ = 0;
    pty_.Destroy();
    std::string error;
    if (!pty_.Create(o_.link, error)) {
      std::fprintf(stderr, "radio-sim: %s\n", error.c_str());
      std::exit(1);
    }
    Log("serving %s on %s again", o_.link.c_str(), pty_.SlavePath().c_str());
  }

  Options o_;
  PtyDevice pty_;
  std::unique_ptr<Conversation> conv_;
  std::deque<RxByte> rx_;
  std::deque<TxByte> tx_;
  bool txBlocked_ = false;
  double txLast_ = 0;
  double rxLast_ = 0;
  int opens_ = 0;
  int32_t unitNumber_ = 0;  // units finished so far
  long unitsDone_ = 0;
  bool pending_vanish_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options o;
  const int rc = ParseArgs(argc, argv, o);
  if (rc != 0) return rc < 0 ? 0 : rc;

  if (pipe(g_signalPipe) != 0) {
    std::perror("radio-sim: pipe");
    return 1;
  }
  for (int fd : g_signalPipe) fcntl(fd, F_SETFL, O_NONBLOCK), fcntl(fd, F_SETFD, FD_CLOEXEC);
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  Simulator sim(o);
  return sim.Run();
}
