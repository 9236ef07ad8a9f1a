// lossy_link: a network path of our own between two network namespaces that delays and drops
// packets, for the benchmark's lossy high-latency runs (the kernel here has no netem).
//
//   lossy_link NS_A TUN_A NS_B TUN_B [--a-to-b DELAY_MS:LOSS_PERCENT] [--b-to-a ...] [--seed N]
//
// It makes TUN device TUN_A inside network namespace NS_A and TUN_B inside NS_B (namespaces as
// `ip netns add` makes them), prints "ready" on standard output, and from then on copies every
// IP packet that one side sends to the other: each direction holds its packets for its delay and
// drops each one with its loss probability (default: no delay, no loss). The caller gives the
// devices their addresses and routes. It runs until SIGTERM or SIGINT, then prints how many
// packets went each way and how many were dropped, and the devices go with it.
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t g_stop = 0;

void OnStopSignal(int) { g_stop = 1; }

// Nanoseconds on the monotonic clock.
std::int64_t Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

struct direction_settings {
  std::int64_t delay_ns = 0;
  double loss = 0;  // probability 0..1
};

// "40:0.5" is 40 ms and 0.5 %.
bool ParseDirection(const std::string& text, direction_settings& settings) {
  const auto colon = text.find(':');
  if (colon == std::string::npos) return false;
  char* end = nullptr;
  const double delay_ms = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + colon || delay_ms < 0 || delay_ms > 10000) return false;
  const double loss_percent = std::strtod(text.c_str() + colon + 1, &end);
  if (*end != '\0' || loss_percent < 0 || loss_percent > 100) return false;
  settings.delay_ns = static_cast<std::int64_t>(delay_ms * 1e6);
  settings.loss = loss_percent / 100.0;
  return true;
}

// Opens a TUN device called `name` inside the network namespace `netns`, non-blocking. The
// device lives in that namespace whatever namespace this process returns to.
int OpenTunIn(const std::string& netns, const std::string& name) {
  const int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
  const int target = open(("/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC);
  if (home < 0 || target < 0 || setns(target, CLONE_NEWNET) != 0) {
    std::fprintf(stderr, "lossy_link: cannot enter network namespace %s: %s\n", netns.c_str(),
                 std::strerror(errno));
    return -1;
  }
  const int fd = open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
  ifreq request{};
  request.ifr_flags = IFF_TUN | IFF_NO_PI;
  std::snprintf(request.ifr_name, IFNAMSIZ, "%s", name.c_str());
  const bool made = fd >= 0 && ioctl(fd, TUNSETIFF, &request) == 0;
  const int error = errno;
  setns(home, CLONE_NEWNET);
  close(home);
  close(target);
  if (!made) {
    std::fprintf(stderr, "lossy_link: cannot make TUN device %s in %s: %s\n", name.c_str(),
                 netns.c_str(), std::strerror(error));
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

// One direction: packets read from `in` wait in a queue until their time, then go to `out`.
class one_way {
 public:
  one_way(int in, int out, direction_settings settings, std::uint32_t seed)
      : in_(in), out_(out), settings_(settings), random_(seed) {}

  // Reads what is waiting (a bounded number, so the other direction gets its turn).
  void Receive(std::int64_t now) {
    for (int i = 0; i < kReadsPerTurn; ++i) {
      std::vector<char> packet = TakeBuffer();
      const ssize_t bytes = read(in_, packet.data(), packet.size());
      if (bytes <= 0) {
        spare_.push_back(std::move(packet));
        return;
      }
      ++received_;
      if (settings_.loss > 0 && chance_(random_) < settings_.loss) {
        ++dropped_;
        spare_.push_back(std::move(packet));
        continue;
      }
      packet.resize(static_cast<std::size_t>(bytes));
      queue_.push_back({now + settings_.delay_ns, std::move(packet)});
    }
  }

  // Sends every packet whose time has come.
  void Release(std::int64_t now) {
    while (!queue_.empty() && queue_.front().due <= now) {
      std::vector<char>& packet = queue_.front().bytes;
      if (write(out_, packet.data(), packet.size()) < 0) ++failed_;
      spare_.push_back(std::move(packet));
      queue_.pop_front();
    }
  }

  // When the next packet is due; -1 when none waits.
  std::int64_t NextDue() const { return queue_.empty() ? -1 : queue_.front().due; }

  void Report(const char* name) const {
    std::fprintf(stderr, "lossy_link: %s: %llu packets, %llu dropped, %llu not written\n", name,
                 static_cast<unsigned long long>(received_),
                 static_cast<unsigned long long>(dropped_),
                 static_cast<unsigned long long>(failed_));
  }

 private:
  static constexpr int kReadsPerTurn = 64;
  static constexpr std::size_t kMaxPacket = 65536;

  struct waiting {
    std::int64_t due;
    std::vector<char> bytes;
  };

  std::vector<char> TakeBuffer() {
    if (spare_.empty()) return std::vector<char>(kMaxPacket);
    std::vector<char> buffer = std::move(spare_.back());
    spare_.pop_back();
    buffer.resize(kMaxPacket);
    return buffer;
  }

  int in_;
  int out_;
  direction_settings settings_;
  std::mt19937 random_;
  std::uniform_real_distribution<double> chance_{0.0, 1.0};
  std::deque<waiting> queue_;
  std::vector<std::vector<char>> spare_;
  std::uint64_t received_ = 0;
  std::uint64_t dropped_ = 0;
  std::uint64_t failed_ = 0;
};

int Usage() {
  std::fprintf(stderr,
               "usage: lossy_link NS_A TUN_A NS_B TUN_B [--a-to-b DELAY_MS:LOSS_PERCENT] "
               "[--b-to-a DELAY_MS:LOSS_PERCENT] [--seed N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) return Usage();
  direction_settings a_to_b;
  direction_settings b_to_a;
  std::uint32_t seed = 1;
  for (int i = 5; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) return Usage();
    const std::string value = argv[++i];
    if (option == "--a-to-b") {
      if (!ParseDirection(value, a_to_b)) return Usage();
    } else if (option == "--b-to-a") {
      if (!ParseDirection(value, b_to_a)) return Usage();
    } else if (option == "--seed") {
      seed = static_cast<std::uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
    } else {
      return Usage();
    }
  }
  const int tun_a = OpenTunIn(argv[1], argv[2]);
  if (tun_a < 0) return 1;
  const int tun_b = OpenTunIn(argv[3], argv[4]);
  if (tun_b < 0) return 1;

  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  one_way forward(tun_a, tun_b, a_to_b, seed);
  one_way backward(tun_b, tun_a, b_to_a, seed + 1);
  std::printf("ready\n");
  std::fflush(stdout);

  pollfd fds[2] = {{tun_a, POLLIN, 0}, {tun_b, POLLIN, 0}};
  while (!g_stop) {
    std::int64_t now = Now();
    forward.Release(now);
    backward.Release(now);
    std::int64_t next = -1;
    for (std::int64_t due : {forward.NextDue(), backward.NextDue()}) {
      if (due >= 0 && (next < 0 || due < next)) next = due;
    }
    timespec wait{};
    timespec* timeout = nullptr;
    if (next >= 0) {
      const std::int64_t ns = next > now ? next - now : 0;
      wait.tv_sec = static_cast<time_t>(ns / 1000000000);
      wait.tv_nsec = static_cast<long>(ns % 1000000000);
      timeout = &wait;
    }
    const int ready = ppoll(fds, 2, timeout, nullptr);
    if (ready < 0 && errno != EINTR) {
      std::fprintf(stderr, "lossy_link: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
    now = Now();
    if (ready > 0 && (fds[0].revents & POLLIN)) forward.Receive(now);
    if (ready > 0 && (fds[1].revents & POLLIN)) backward.Receive(now);
  }
  forward.Report("a to b");
  backward.Report("b to a");
  close(tun_a);
  close(tun_b);
  return 0;
}
