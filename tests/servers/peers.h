// The real peers of the HTTP stream's integration tests: nginx (HTTP and HTTPS with a test CA
// made at run time), tinyproxy without and with Basic authentication, dante (SOCKS4, SOCKS5)
// and microsocks (SOCKS5 with user name and password). Each starts on first use, on free
// loopback ports, and stops when the test program ends.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace kvtest {

class peers {
 public:
  /// The one set of the test program.
  static peers& Get();

  /// nginx; starting it also makes the test CA and points SSL_CERT_FILE at it.
  int HttpPort();
  int HttpsPort();
  const std::filesystem::path& CaFile();
  /// A file of a few megabytes served as /big.bin, and its SHA-256 (lower-case hex).
  const std::string& BigFile();
  const std::string& BigDigest();

  int TinyproxyPort();
  /// Wants alice / s3cret.
  int TinyproxyAuthPort();
  /// dante: SOCKS4 and SOCKS5 without authentication.
  int DantePort();
  /// microsocks: SOCKS5 that wants bob / pw.
  int MicrosocksPort();

  ~peers();

 private:
  struct state;
  peers();
  std::unique_ptr<state> state_;
};

/// SHA-256 of `bytes`, lower-case hex.
std::string Sha256Hex(const std::string& bytes);

}  // namespace kvtest
