// Starts every peer of the integration tests on loopback for test programs that cannot start
// them themselves (the Windows ones, under Wine), writes "NAME=value" lines for the environment
// of those programs to standard output, and keeps the peers running until SIGTERM or SIGINT.
#include <signal.h>

#include <cstdio>

#include "tests/servers/peers.h"

int main() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  // Blocked first, so that a signal that comes early waits for sigwait.
  sigprocmask(SIG_BLOCK, &stop, nullptr);

  auto& peers = kvtest::peers::Get();
  const auto folder = peers.CaFile().parent_path();
  std::printf("KVTEST_PEER_FOLDER=%s\n", folder.string().c_str());
  std::printf("KVTEST_PEER_HTTP_PORT=%d\n", peers.HttpPort());
  std::printf("KVTEST_PEER_HTTPS_PORT=%d\n", peers.HttpsPort());
  std::printf("KVTEST_PEER_TINYPROXY_PORT=%d\n", peers.TinyproxyPort());
  std::printf("KVTEST_PEER_TINYPROXY_AUTH_PORT=%d\n", peers.TinyproxyAuthPort());
  std::printf("KVTEST_PEER_DANTE_PORT=%d\n", peers.DantePort());
  std::printf("KVTEST_PEER_MICROSOCKS_PORT=%d\n", peers.MicrosocksPort());
  std::printf("KVTEST_PEERS_READY=1\n");
  std::fflush(stdout);

  int signal_number = 0;
  sigwait(&stop, &signal_number);
  return 0;  // the peers stop as the program ends
}
