// The local vendor server (tools/vendor_server) for the tests of the side requests, analytics
// and banners: started on first use, on free loopback ports, stopped when the test program ends.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace kvtest {

class vendor_server {
 public:
  /// The one server of the test program; starting it points SSL_CERT_FILE at its CA.
  static vendor_server& Get();

  /// "http://127.0.0.1:port" and "https://127.0.0.1:port".
  const std::string& Http() const { return http_; }
  const std::string& Https() const { return https_; }
  int HttpPort() const { return http_port_; }
  int HttpsPort() const { return https_port_; }
  /// The server's files: www/ (payload, banners, carousel answers), collected.jsonl.
  const std::filesystem::path& Folder() const { return folder_; }
  /// The analytics bodies recorded so far, one JSON record per line.
  std::string Collected() const;

  ~vendor_server();

 private:
  vendor_server();
  struct process;
  std::unique_ptr<process> process_;
  std::string http_;
  std::string https_;
  int http_port_ = 0;
  int https_port_ = 0;
  std::filesystem::path folder_;
};

}  // namespace kvtest
