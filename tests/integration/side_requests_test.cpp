// The side requests against the local vendor server: size and redirect queries, bodies into
// memory and files, the scheme and port of every address honoured, time limits and proxies.
#include <gtest/gtest.h>

#include <algorithm>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "common/ga.h"
#include "log/log.h"
#include "platform/registry.h"
#include "platform/side_http.h"
#include "platform/text.h"
#include "tests/servers/scripted_server.h"
#include "tests/servers/vendor_server.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"
#include "tool/api_error.h"
#include "tool/base_request.h"
#include "tool/http_client.h"

namespace {

using kvtest::vendor_server;

std::wstring W(const std::string& text) { return platform::Utf8ToWide(text); }

std::uintmax_t PayloadSize() {
  return std::filesystem::file_size(vendor_server::Get().Folder() /
                                    "www/payload/kelvane-download.exe");
}

// The test log: set up once, read back whole.
const std::filesystem::path& LogFolder() {
  static kvtest::TempFolder folder;
  static bool ready = [] {
    InitLog(L"side.log", folder.Wide().c_str());
    return true;
  }();
  (void)ready;
  return folder.path();
}
std::string LogText() { return kvtest::ReadFile(LogFolder() / "side.log"); }

// The log is set up before any test writes to it.
class LogEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { LogFolder(); }
};
const auto* const log_environment = ::testing::AddGlobalTestEnvironment(new LogEnvironment);

class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    if (old != nullptr) old_ = old;
    had_ = old != nullptr;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(SideRequests, SizeQueryHonoursSchemeAndPort) {
  auto& server = vendor_server::Get();
  const auto size = static_cast<int>(PayloadSize());
  struct Case {
    std::string url;
    int size;
  };
  const Case cases[] = {
      {server.Https() + "/payload/kelvane-download.exe", size},
      {server.Http() + "/payload/kelvane-download.exe", size},
      // https on a port that speaks plain HTTP fails; it is not fetched again over HTTP.
      {"https://127.0.0.1:" + std::to_string(server.HttpPort()) + "/payload/kelvane-download.exe",
       0},
      // http on the TLS port gets no HTTP answer.
      {"http://127.0.0.1:" + std::to_string(server.HttpsPort()) + "/payload/kelvane-download.exe",
       0},
      // An error page has a length, but it is not the file's.
      {server.Https() + "/payload/missing.exe", 0},
      {server.Https() + "/status/500", 0},
      // Chunked: no length.
      {server.Https() + "/fault/no-length", 0},
      {"http://127.0.0.1:" + std::to_string(kvtest::FreePort()) + "/x", 0},
      {server.Https(), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(GetHttpFileSize(W(c.url)), c.size) << c.url;
}

TEST(SideRequests, HttpsIsVerifiedAndNeverRetriedOverPlainHttp) {
  auto& server = vendor_server::Get();
  const std::wstring url = W(server.Https() + "/payload/kelvane-download.exe");
  ASSERT_GT(GetHttpFileSize(url), 0);
  // A trust store without the server's CA: the chain is refused and nothing else is tried.
  ScopedEnvironment untrusted("SSL_CERT_FILE", (server.Folder() / "server.pem").string());
  EXPECT_EQ(GetHttpFileSize(url), 0);
  CWinHttpRequest request;
  EXPECT_FALSE(request.OpenUrl(url));
  EXPECT_NE(LogText().find("call WinHttpSendRequest fail 12175, A security error occurred"),
            std::string::npos);
  auto client = std::unique_ptr<IHttpBase, void (*)(IHttpBase*)>(
      [] {
        IHttpBase* made = nullptr;
        CreateHttpClient(&made, 2);
        return made;
      }(),
      [](IHttpBase* made) { made->Release(); });
  char* buffer = nullptr;
  int size = 0;
  EXPECT_FALSE(client->DownloadToMemory(url, &buffer, &size));
}

TEST(SideRequests, RedirectQueryReturnsTheLocationOfA302Only) {
  auto& server = vendor_server::Get();
  const std::wstring host = L"127.0.0.1:" + std::to_wstring(server.HttpsPort());
  struct Case {
    const wchar_t* path;
    bool result;
    std::string url_after;
  };
  const std::string payload = server.Https() + "/payload/kelvane-download.exe";
  const Case cases[] = {
      {L"/download/redirect", true, payload},
      {L"/download/redirect-relative", true, "/payload/kelvane-download.exe"},
      {L"/download/moved", false, ""},
      {L"/payload/kelvane-download.exe", false, ""},
  };
  for (const auto& c : cases) {
    std::wstring url = W(server.Https()) + c.path;
    const std::wstring before = url;
    EXPECT_EQ(GetRedirectUrl(host, c.path, url), c.result) << c.path;
    EXPECT_EQ(url, c.result ? W(c.url_after) : before) << c.path;
  }
  // Over plain HTTP on its own port as well.
  std::wstring url = W(server.Http()) + L"/download/redirect";
  EXPECT_TRUE(GetRedirectUrl(L"127.0.0.1:" + std::to_wstring(server.HttpPort()),
                             L"/download/redirect", url));
  EXPECT_EQ(url, W(payload));
  // Nobody listening: no answer at all.
  std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(kvtest::FreePort()) + L"/r";
  const std::wstring refused_before = refused;
  EXPECT_FALSE(GetRedirectUrl(L"127.0.0.1:" + refused.substr(17, refused.find(L'/', 17) - 17),
                              L"/r", refused));
  EXPECT_EQ(refused, refused_before);
}

TEST(SideRequests, BodiesReachMemoryAndFilesWhole) {
  auto& server = vendor_server::Get();
  kvtest::TempFolder folder;
  CWinHttpRequest request;
  ASSERT_TRUE(request.OpenUrl(W(server.Https() + "/payload/kelvane-download.exe")));
  ASSERT_TRUE(request.SaveBodyToFile(folder.Wide("payload.exe")));
  EXPECT_EQ(kvtest::ReadFile(folder.path() / "payload.exe"),
            kvtest::ReadFile(server.Folder() / "www/payload/kelvane-download.exe"));

  CWinHttpRequest api;
  ASSERT_TRUE(api.OpenUrl(W(server.Https() + "/downloader/carousel?pid=three&lang=English")));
  EXPECT_EQ(api.ReadBodyText(), kvtest::ReadFile(server.Folder() / "www/carousel/three/any.json"));

  // The body of an error answer is still the answer's.
  CWinHttpRequest failing;
  ASSERT_TRUE(failing.OpenUrl(W(server.Https() + "/status/500")));
  EXPECT_EQ(failing.GetStatusCode(), 500);
  EXPECT_EQ(failing.ReadBodyText(), "the server failed\n");
}

TEST(SideRequests, FailedCallsAreLoggedWithTheSystemText) {
  LogFolder();
  const int port = kvtest::FreePort();
  EXPECT_EQ(GetHttpFileSize(L"http://127.0.0.1:" + std::to_wstring(port) + L"/x"), 0);
  const std::string log = LogText();
  EXPECT_NE(log.find("[CWinHttpRequest::SendRequest]call WinHttpSendRequest fail 12029, A "
                     "connection with the server could not be established"),
            std::string::npos)
      << log;

  ShowApiError("WinHttpConnect", 12029, platform::SideHttpMessageModule(), nullptr);
  EXPECT_NE(LogText().find("] call WinHttpConnect fail 12029, A connection"), std::string::npos);
}

TEST(SideRequests, AServerThatNeverAnswersRunsIntoTheTimeLimit) {
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor acceptor(
      io, boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), 0));
  const int port = acceptor.local_endpoint().port();
  boost::asio::ip::tcp::socket held(io);
  std::thread accept([&] {
    boost::system::error_code ec;
    acceptor.accept(held, ec);
  });

  platform::SideHttp http;
  ASSERT_TRUE(http.OpenSession(L"", false));
  platform::SideHttpTimeouts limits;
  limits.connect_ms = 2000;
  limits.send_ms = 200;
  limits.receive_ms = 300;
  http.SetTimeouts(limits);
  ASSERT_TRUE(http.Connect(L"127.0.0.1", port));
  ASSERT_TRUE(http.OpenRequest(L"GET", L"/", false));
  EXPECT_FALSE(http.Send(""));
  EXPECT_EQ(http.LastError(), platform::side_http_error::kTimeout);
  accept.join();
}

TEST(SideRequests, ABodyThatStallsRunsIntoTheReceiveLimit) {
  kvtest::scripted_server server([](boost::asio::ip::tcp::socket& socket) {
    boost::system::error_code ec;
    char head[4096];
    socket.read_some(boost::asio::buffer(head), ec);
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nten bytes!";
    boost::asio::write(socket, boost::asio::buffer(reply), ec);
    // Then nothing, until the client gives up.
    while (!ec) socket.read_some(boost::asio::buffer(head), ec);
  });
  platform::SideHttp http;
  ASSERT_TRUE(http.OpenSession(L"", false));
  platform::SideHttpTimeouts limits;
  limits.receive_ms = 300;
  http.SetTimeouts(limits);
  ASSERT_TRUE(http.Connect(L"127.0.0.1", server.Port()));
  ASSERT_TRUE(http.OpenRequest(L"GET", L"/", false));
  ASSERT_TRUE(http.Send(""));
  std::string body;
  char buffer[64];
  std::size_t read = 0;
  while (http.ReadData(buffer, sizeof(buffer), read) && read > 0) body.append(buffer, read);
  EXPECT_EQ(body, "ten bytes!");
  EXPECT_EQ(http.LastError(), platform::side_http_error::kTimeout);
  // The request is over; reading again tells the end, never a late byte.
  EXPECT_TRUE(http.ReadData(buffer, sizeof(buffer), read));
  EXPECT_EQ(read, 0u);
}

TEST(SideRequests, StepsOutOfOrderAreRefused) {
  platform::SideHttp http;
  EXPECT_FALSE(http.Connect(L"127.0.0.1", 80));
  EXPECT_EQ(http.LastError(), platform::side_http_error::kIncorrectHandleState);
  ASSERT_TRUE(http.OpenSession(L"", false));
  EXPECT_FALSE(http.OpenRequest(L"GET", L"/", false));
  EXPECT_FALSE(http.Connect(L"", 80));
  EXPECT_FALSE(http.Connect(L"127.0.0.1", 70000));
  ASSERT_TRUE(http.Connect(L"127.0.0.1", 80));
  std::size_t read = 0;
  char buffer[8];
  EXPECT_FALSE(http.ReadData(buffer, sizeof(buffer), read));
  int status = 0;
  EXPECT_FALSE(http.QueryStatus(status));
}

TEST(SideRequests, TheProxyComesFromTheProxyVariables) {
  auto& server = vendor_server::Get();
  const std::wstring url = W(server.Https() + "/payload/kelvane-download.exe");
  const auto size = static_cast<int>(PayloadSize());
  // A proxy that is not there: the request goes to it and fails.
  const std::string dead = "http://127.0.0.1:" + std::to_string(kvtest::FreePort());
  {
    ScopedEnvironment https_proxy("https_proxy", dead);
    EXPECT_EQ(GetHttpFileSize(url), 0);
    // no_proxy names the host: direct.
    ScopedEnvironment no_proxy("NO_PROXY", "localhost,127.0.0.1");
    EXPECT_EQ(GetHttpFileSize(url), size);
  }
  {
    // The upper-case form counts too; plain http takes http_proxy.
    ScopedEnvironment http_proxy("HTTP_PROXY", dead);
    EXPECT_EQ(GetHttpFileSize(W(server.Http() + "/payload/kelvane-download.exe")), 0);
    EXPECT_EQ(GetHttpFileSize(url), size);
  }
}

// ---- analytics ----------------------------------------------------------------------------

constexpr char kSecret[] = "Zq8xK2mB7pL4vN9cR1tY6w";

class AnalyticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetRegistryStoreFolder(store_.Wide("store"));
    ga_ = std::make_unique<CGA>();
    ga_->SetTitle(L"Kelvane Wayvo (Windows version)");
  }
  void TearDown() override { platform::SetRegistryStoreFolder(L""); }

  std::wstring CollectUrl(const std::string& path) const {
    return W(vendor_server::Get().Https() + path +
             "?measurement_id=G-KVTEST01&api_secret=" + kSecret);
  }

  kvtest::TempFolder store_;
  std::unique_ptr<CGA> ga_;
};

TEST_F(AnalyticsTest, TheThreeEventsPassTheValidationServer) {
  auto& server = vendor_server::Get();
  const std::size_t before = server.Collected().size();
  ga_->SetUrl(CollectUrl("/debug/mp/collect"));
  for (const char* event :
       {"Downloader_Start_Install", "Downloader_Installed", "Installed_Succeed"}) {
    int status = 0;
    std::string answer;
    ASSERT_TRUE(ga_->SendGACommon(event, &status, &answer)) << event;
    EXPECT_EQ(status, 200) << event;
    EXPECT_EQ(answer, "{\"validationMessages\": []}") << event;
  }
  const std::string records = server.Collected().substr(before);
  EXPECT_EQ(std::count(records.begin(), records.end(), '\n'), 3);
  EXPECT_EQ(records.find("\"validationMessages\": [{"), std::string::npos) << records;
  EXPECT_NE(records.find("\"content_type\": \"application/json; charset=utf-8\""),
            std::string::npos);
  EXPECT_NE(records.find("Installed_Succeed"), std::string::npos);
  EXPECT_NE(records.find(ga_->ClientId()), std::string::npos);
}

TEST_F(AnalyticsTest, CollectAnswers204AndTheSecretStaysOutOfTheLog) {
  ga_->SetUrl(CollectUrl("/mp/collect"));
  int status = 0;
  EXPECT_TRUE(ga_->SendGACommon("Downloader_Start_Install", &status, nullptr));
  EXPECT_EQ(status, 204);
  EXPECT_TRUE(ga_->SendStartInstall());
  const std::string log = LogText();
  EXPECT_NE(log.find("api_secret=***"), std::string::npos);
  EXPECT_EQ(log.find(kSecret), std::string::npos);
  EXPECT_NE(log.find("request ret Code: 204"), std::string::npos);
  EXPECT_NE(log.find("tran code guid:" + ga_->ClientId()), std::string::npos);
}

TEST_F(AnalyticsTest, SendsFromTwoThreadsOverlap) {
  ga_->SetUrl(CollectUrl("/debug/mp/collect"));
  int status[2] = {0, 0};
  std::thread other([&] { ga_->SendGACommon("Downloader_Start_Install", &status[0], nullptr); });
  ga_->SendGACommon("Downloader_Installed", &status[1], nullptr);
  other.join();
  EXPECT_EQ(status[0], 200);
  EXPECT_EQ(status[1], 200);
}

TEST_F(AnalyticsTest, FailuresEndTheSendQuietly) {
  // 404 is the library's error: caught, logged, and the installer carries on.
  ga_->SetUrl(CollectUrl("/mp/elsewhere"));
  int status = 0;
  EXPECT_TRUE(ga_->SendGACommon("Downloader_Installed", &status, nullptr));
  EXPECT_EQ(status, 404);
  EXPECT_NE(LogText().find("request error: 5"), std::string::npos);

  // Nobody listening: status 0.
  ga_->SetUrl(W("https://127.0.0.1:" + std::to_string(kvtest::FreePort()) + "/mp/collect"));
  status = -1;
  EXPECT_TRUE(ga_->SendGACommon("Downloader_Installed", &status, nullptr));
  EXPECT_EQ(status, 0);
  EXPECT_NE(LogText().find("request ret Code: 0"), std::string::npos);
}

}  // namespace
