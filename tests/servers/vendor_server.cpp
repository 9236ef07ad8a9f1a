#include "tests/servers/vendor_server.h"

#include <rapidjson/document.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace kvtest {

struct vendor_server::process {
  TempFolder folder;
  std::optional<ChildProcess> child;
};

vendor_server& vendor_server::Get() {
  static vendor_server instance;
  return instance;
}

vendor_server::vendor_server() : process_(std::make_unique<process>()) {
  folder_ = process_->folder.path() / "vendor";
  const auto log = process_->folder.path() / "vendor_server.log";
  process_->child.emplace(
      std::vector<std::string>{"python3",
                               std::string(KV_SOURCE_DIR) + "/tools/vendor_server/vendor_server.py",
                               "--dir", folder_.string()},
      log, log);
  const auto info_file = folder_ / "vendor_server.json";
  std::string info;
  // Making the CA and the pictures takes a moment; a bounded wait.
  for (int i = 0; i < 600 && info.empty(); ++i) {
    info = ReadFile(info_file);
    if (info.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  rapidjson::Document document;
  if (info.empty() || document.Parse(info.c_str()).HasParseError() || !document.IsObject()) {
    throw std::runtime_error("the vendor server did not start: " + ReadFile(log));
  }
  http_ = document["http"].GetString();
  https_ = document["https"].GetString();
  http_port_ = document["http_port"].GetInt();
  https_port_ = document["https_port"].GetInt();
  SetEnvironment("SSL_CERT_FILE", document["ca_file"].GetString());
}

vendor_server::~vendor_server() = default;

std::string vendor_server::Collected() const { return ReadFile(folder_ / "collected.jsonl"); }

}  // namespace kvtest
