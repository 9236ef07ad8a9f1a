#include "tests/servers/peers.h"

#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>

#include "tests/support/child_process.h"
#include "tests/support/ports.h"
#include "tests/support/temp_folder.h"

namespace kvtest {
namespace {

constexpr std::size_t kBigSize = 3 * 1024 * 1024 + 123;

std::string ReadTemplate(const char* name) {
  const std::string text = ReadFile(std::filesystem::path(KV_SOURCE_DIR) / "tests/servers" / name);
  if (text.empty()) throw std::runtime_error(std::string("cannot read tests/servers/") + name);
  return text;
}

std::string Filled(std::string text,
                   const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& value : values) {
    const std::string mark = "@" + value.first + "@";
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
      text.replace(at, mark.size(), value.second);
      at += value.second.size();
    }
  }
  return text;
}

// Deterministic bytes that no simple pattern repeats.
std::string BigContent() {
  std::string bytes(kBigSize, '\0');
  std::uint32_t state = 2463534242u;
  for (char& byte : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

void Run(const std::vector<std::string>& argv, const std::filesystem::path& log) {
  if (RunProgram(argv, log, log) != 0) {
    throw std::runtime_error(argv[0] + " failed: " + ReadFile(log));
  }
}

// Starts a peer with StartListening; its ports once its own process listens on them.
std::vector<int> Started(std::optional<ChildProcess>& process, std::size_t count, const char* name,
                         const std::filesystem::path& log,
                         const std::function<void(const std::vector<int>&)>& start) {
  const auto ports = StartListening(process, count, start);
  if (!ports) throw std::runtime_error(std::string(name) + " did not start: " + ReadFile(log));
  return *ports;
}

}  // namespace

struct peers::state {
  TempFolder folder;
  std::string big;
  std::string big_digest;
  std::filesystem::path ca_file;
  int http_port = -1;
  int https_port = -1;
  int tinyproxy_port = -1;
  int tinyproxy_auth_port = -1;
  int dante_port = -1;
  int microsocks_port = -1;
  // Stopped in reverse order of declaration, before the folder goes.
  std::optional<ChildProcess> nginx, tinyproxy, tinyproxy_auth, dante, microsocks;

  void StartNginx() {
    const auto& dir = folder.path();
    const auto log = dir / "setup.log";
    // A test CA and a server certificate for 127.0.0.1 signed by it.
    Run({"openssl",
         "req",
         "-x509",
         "-newkey",
         "ec",
         "-pkeyopt",
         "ec_paramgen_curve:prime256v1",
         "-nodes",
         "-keyout",
         (dir / "ca.key").string(),
         "-out",
         (dir / "ca.pem").string(),
         "-days",
         "2",
         "-subj",
         "/CN=kelvane test CA",
         "-addext",
         "basicConstraints=critical,CA:TRUE",
         "-addext",
         "keyUsage=critical,keyCertSign"},
        log);
    Run({"openssl", "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
         "-keyout", (dir / "server.key").string(), "-out", (dir / "server.csr").string(), "-subj",
         "/CN=127.0.0.1"},
        log);
    Run({"openssl", "x509", "-req", "-in", (dir / "server.csr").string(), "-CA",
         (dir / "ca.pem").string(), "-CAkey", (dir / "ca.key").string(), "-CAcreateserial", "-out",
         (dir / "server.pem").string(), "-days", "2", "-extfile",
         std::string(KV_SOURCE_DIR) + "/tests/servers/ext.cnf"},
        log);
    ca_file = dir / "ca.pem";
    SetEnvironment("SSL_CERT_FILE", ca_file.string());

    big = BigContent();
    big_digest = Sha256Hex(big);
    folder.Write("www/big.bin", big);
    folder.Write("www/small.txt", "small file\n");
    const auto ports =
        Started(nginx, 2, "nginx", dir / "nginx-error.log", [&](const std::vector<int>& ports) {
          const auto config = folder.Write(
              "nginx.conf",
              Filled(ReadTemplate("nginx.conf.in"), {{"DIR", dir.string()},
                                                     {"HTTP_PORT", std::to_string(ports[0])},
                                                     {"HTTPS_PORT", std::to_string(ports[1])}}));
          const auto nginx_log = dir / "nginx.log";
          nginx.emplace(std::vector<std::string>{"nginx", "-e", (dir / "nginx-error.log").string(),
                                                 "-p", dir.string(), "-c", config.string()},
                        nginx_log, nginx_log);
        });
    http_port = ports[0];
    https_port = ports[1];
  }

  int StartTinyproxy(std::optional<ChildProcess>& process, bool authenticate) {
    const std::string name = authenticate ? "tinyproxy-auth" : "tinyproxy";
    const auto log = folder.path() / (name + ".log");
    return Started(process, 1, "tinyproxy", log, [&](const std::vector<int>& ports) {
      const auto config = folder.Write(
          name + ".conf", Filled(ReadTemplate("tinyproxy.conf.in"),
                                 {{"PORT", std::to_string(ports[0])},
                                  {"BASIC_AUTH", authenticate ? "BasicAuth alice s3cret" : ""}}));
      process.emplace(std::vector<std::string>{"tinyproxy", "-d", "-c", config.string()}, log, log);
    })[0];
  }
};

peers& peers::Get() {
  static peers instance;
  return instance;
}

peers::peers() : state_(std::make_unique<state>()) {}
peers::~peers() = default;

int peers::HttpPort() {
  if (!state_->nginx) state_->StartNginx();
  return state_->http_port;
}

int peers::HttpsPort() {
  HttpPort();
  return state_->https_port;
}

const std::filesystem::path& peers::CaFile() {
  HttpPort();
  return state_->ca_file;
}

const std::string& peers::BigFile() {
  HttpPort();
  return state_->big;
}

const std::string& peers::BigDigest() {
  HttpPort();
  return state_->big_digest;
}

int peers::TinyproxyPort() {
  if (!state_->tinyproxy) state_->tinyproxy_port = state_->StartTinyproxy(state_->tinyproxy, false);
  return state_->tinyproxy_port;
}

int peers::TinyproxyAuthPort() {
  if (!state_->tinyproxy_auth) {
    state_->tinyproxy_auth_port = state_->StartTinyproxy(state_->tinyproxy_auth, true);
  }
  return state_->tinyproxy_auth_port;
}

int peers::DantePort() {
  if (state_->dante) return state_->dante_port;
  const auto& dir = state_->folder.path();
  state_->dante_port =
      Started(state_->dante, 1, "danted", dir / "danted.log", [&](const std::vector<int>& ports) {
        const auto config = state_->folder.Write(
            "danted.conf", Filled(ReadTemplate("danted.conf.in"),
                                  {{"DIR", dir.string()}, {"PORT", std::to_string(ports[0])}}));
        const auto log = dir / "danted.out";
        state_->dante.emplace(std::vector<std::string>{"danted", "-f", config.string(), "-N", "1"},
                              log, log);
      })[0];
  return state_->dante_port;
}

int peers::MicrosocksPort() {
  if (state_->microsocks) return state_->microsocks_port;
  const auto log = state_->folder.path() / "microsocks.log";
  state_->microsocks_port =
      Started(state_->microsocks, 1, "microsocks", log, [&](const std::vector<int>& ports) {
        state_->microsocks.emplace(
            std::vector<std::string>{"microsocks", "-i", "127.0.0.1", "-p",
                                     std::to_string(ports[0]), "-u", "bob", "-P", "pw"},
            log, log);
      })[0];
  return state_->microsocks_port;
}

}  // namespace kvtest
