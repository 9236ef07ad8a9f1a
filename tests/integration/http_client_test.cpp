// The HTTP client library's three kinds against the vendor server: downloads into memory and
// files, text requests, and the error values over a table of server behaviours.
#include "tool/http_client.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/servers/scripted_server.h"
#include "tests/servers/vendor_server.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::vendor_server;

struct ClientDeleter {
  void operator()(IHttpBase* client) const { client->Release(); }
};
using Client = std::unique_ptr<IHttpBase, ClientDeleter>;

Client Make(int kind) {
  IHttpBase* client = nullptr;
  EXPECT_TRUE(CreateHttpClient(&client, kind));
  return Client(client);
}

// The socket kind speaks plain HTTP; the others take the TLS address.
std::string Base(int kind) {
  auto& server = vendor_server::Get();
  return kind == 0 ? server.Http() : server.Https();
}

class Recorder : public IHttpProgress {
 public:
  void OnProgress(int user_value, int state, double total, double done) override {
    user = user_value;
    states.push_back(state);
    last_total = total;
    last_done = done;
  }
  bool IsCancelled() override { return cancel; }
  int user = 0;
  std::vector<int> states;
  double last_total = 0;
  double last_done = 0;
  bool cancel = false;
};

TEST(HttpClientLibrary, ErrorValuesOverServerBehaviours) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(kvtest::FreePort());
  struct Case {
    int kind;
    std::string path;  // below Base(kind), or a whole URL
    bool ok;
    int error;
  };
  const Case cases[] = {
      {0, "/downloader/carousel?pid=three&lang=English", true, 0},
      {1, "/downloader/carousel?pid=three&lang=English", true, 0},
      {2, "/downloader/carousel?pid=three&lang=English", true, 0},
      {0, "/missing.bin", false, kHttpErrorStatus},
      {1, "/missing.bin", false, kHttpErrorStatus},
      {2, "/missing.bin", false, kHttpErrorStatus},
      {0, "/status/500", false, kHttpErrorStatus},
      {1, "/status/500", false, kHttpErrorStatus},
      {2, "/status/500", false, kHttpErrorStatus},
      // No length: the WinHTTP kind wants one, the WinINet kind reads to the end, the socket
      // kind refuses a length that is not at least 1.
      {0, "/fault/no-length", false, kHttpErrorTooLarge},
      {1, "/fault/no-length", true, 0},
      {2, "/fault/no-length", false, kHttpErrorQuery},
      {0, "/big/nine-million.bin", false, kHttpErrorTooLarge},
      {1, "/big/nine-million.bin", false, kHttpErrorTooLarge},
      {2, "/big/nine-million.bin", false, kHttpErrorTooLarge},
      {0, refused + "/x", false, kHttpErrorRequest},
      {1, refused + "/x", false, kHttpErrorSend},
      {2, refused + "/x", false, kHttpErrorRequest},
  };
  for (const auto& c : cases) {
    const std::string url = c.path.front() == '/' ? Base(c.kind) + c.path : c.path;
    auto client = Make(c.kind);
    char* buffer = nullptr;
    int size = 0;
    EXPECT_EQ(client->DownloadToMemory(platform::Utf8ToWide(url), &buffer, &size), c.ok)
        << c.kind << " " << url;
    EXPECT_EQ(client->GetErrorCode(), c.error) << c.kind << " " << url;
    if (c.ok) {
      EXPECT_GT(size, 0);
      delete[] buffer;
    } else {
      EXPECT_EQ(buffer, nullptr);
    }
  }
}

TEST(HttpClientLibrary, DownloadFileWritesEveryByteAndReportsProgress) {
  auto& server = vendor_server::Get();
  const std::string payload =
      kvtest::ReadFile(server.Folder() / "www/payload/kelvane-download.exe");
  for (int kind : {0, 1, 2}) {
    kvtest::TempFolder folder;
    auto client = Make(kind);
    Recorder recorder;
    client->SetCallback(&recorder, 42);
    const std::wstring path = folder.Wide("sub/payload.exe");
    if (kind != 1) std::filesystem::create_directories(folder.path() / "sub");
    ASSERT_TRUE(client->DownloadFile(
        platform::Utf8ToWide(Base(kind) + "/payload/kelvane-download.exe"), path))
        << kind << " error " << client->GetErrorCode();
    EXPECT_EQ(kvtest::ReadFile(folder.path() / "sub/payload.exe"), payload) << kind;
    EXPECT_EQ(client->GetStatusCode(), 200);
    EXPECT_EQ(recorder.user, 42);
    ASSERT_FALSE(recorder.states.empty());
    EXPECT_EQ(recorder.states.back(), 2) << kind;
    EXPECT_EQ(recorder.last_done, static_cast<double>(payload.size()));

    // A failed download leaves no file behind.
    EXPECT_FALSE(client->DownloadFile(platform::Utf8ToWide(Base(kind) + "/missing.bin"),
                                      folder.Wide("sub/missing.bin")));
    EXPECT_EQ(client->GetErrorCode(), kHttpErrorStatus) << kind;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "sub/missing.bin")) << kind;
    EXPECT_EQ(recorder.states.back(), 1) << kind;
  }
}

TEST(HttpClientLibrary, SocketDownloadStopsWhenTheCallbackCancels) {
  kvtest::TempFolder folder;
  auto client = Make(0);
  Recorder recorder;
  recorder.cancel = true;
  client->SetCallback(&recorder, 0);
  EXPECT_FALSE(client->DownloadFile(platform::Utf8ToWide(Base(0) + "/payload/kelvane-download.exe"),
                                    folder.Wide("payload.exe")));
  EXPECT_EQ(client->GetErrorCode(), kHttpErrorCancelled);
  auto* socket = dynamic_cast<ISocketHttp*>(client.get());
  ASSERT_NE(socket, nullptr);
  EXPECT_EQ(socket->GetIpAddress(), L"127.0.0.1");
}

TEST(HttpClientLibrary, TextRequestsPostAndReadTheAnswer) {
  auto& server = vendor_server::Get();
  auto client = Make(2);
  auto* http = dynamic_cast<IWinHttp*>(client.get());
  ASSERT_NE(http, nullptr);
  http->SetTimeouts(5000, 5000, 5000);
  const std::string answer =
      http->HttpRequestA(server.Https() + "/debug/mp/collect?measurement_id=G-T&api_secret=s", 1,
                         "{\"client_id\":\"c\",\"events\":[{\"name\":\"ok_event\"}]}",
                         "Content-Type: application/json; charset=utf-8");
  EXPECT_EQ(answer, "{\"validationMessages\": []}");
  EXPECT_EQ(client->GetStatusCode(), 200);

  // 500: the body, and the status to read.
  EXPECT_EQ(http->HttpRequestA(server.Https() + "/status/500", 0, "", ""), "the server failed\n");
  EXPECT_EQ(client->GetStatusCode(), 500);

  // 404 leaves the operation as the library's error.
  try {
    http->HttpRequestA(server.Https() + "/missing", 0, "", "");
    ADD_FAILURE() << "no error raised for 404";
  } catch (HttpInterfaceError error) {
    EXPECT_EQ(error, kHttpErrorStatus);
  }
  EXPECT_EQ(client->GetStatusCode(), 404);

  // The WinINet kind reports it instead.
  auto wininet = Make(1);
  auto* text = dynamic_cast<IWininetHttp*>(wininet.get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->HttpRequestW(platform::Utf8ToWide(server.Https() + "/missing"), 0, "", L""), "");
  EXPECT_EQ(wininet->GetErrorCode(), kHttpErrorStatus);
  EXPECT_EQ(text->HttpRequestW(L"", 0, "", L""), "");
  EXPECT_EQ(wininet->GetErrorCode(), kHttpErrorEmptyRequestUrl);
}

TEST(HttpClientLibrary, MemoryHoldsExactlyTheAnnouncedLength) {
  kvtest::scripted_http_server server({
      {"/long", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello and more than announced"},
      {"/short", "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nshort"},
      {"/zero", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nunannounced"},
  });
  struct Case {
    int kind;
    const char* path;
    bool ok;
    int error;
    const char* body;
  };
  const Case cases[] = {
      {0, "/long", true, 0, "hello"},
      {1, "/long", true, 0, "hello"},
      {2, "/long", true, 0, "hello"},
      {0, "/short", false, kHttpErrorRead, ""},
      {1, "/short", false, kHttpErrorRead, ""},
      {2, "/short", false, kHttpErrorRead, ""},
      {0, "/zero", false, kHttpErrorTooLarge, ""},
      {1, "/zero", true, 0, ""},
      {2, "/zero", true, 0, ""},
  };
  for (const auto& c : cases) {
    auto client = Make(c.kind);
    char* buffer = nullptr;
    int size = -1;
    EXPECT_EQ(client->DownloadToMemory(platform::Utf8ToWide(server.Url(c.path)), &buffer, &size),
              c.ok)
        << c.kind << c.path;
    EXPECT_EQ(client->GetErrorCode(), c.error) << c.kind << c.path;
    if (c.ok) {
      EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(size)), c.body) << c.kind << c.path;
      delete[] buffer;
    }
  }
  // A file shorter than announced is not kept.
  for (int kind : {0, 1, 2}) {
    kvtest::TempFolder folder;
    auto client = Make(kind);
    EXPECT_FALSE(
        client->DownloadFile(platform::Utf8ToWide(server.Url("/short")), folder.Wide("short.bin")));
    EXPECT_EQ(client->GetErrorCode(), kHttpErrorRead) << kind;
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "short.bin")) << kind;
  }
}

TEST(HttpClientLibrary, RequestsCarryTheDefaultFieldsUnlessReplaced) {
  kvtest::scripted_http_server server(
      std::map<std::string, std::string>{{"/", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}});
  auto client = Make(2);
  auto* http = dynamic_cast<IWinHttp*>(client.get());
  EXPECT_EQ(http->HttpRequestA(server.Url(""), 0, "", ""), "ok");
  client->AddHeader("User-Agent", "kvside-test/1");
  client->AddHeader("X-Empty", "");
  EXPECT_EQ(http->HttpRequestA(server.Url("/"), 0, "", ""), "ok");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const char* line :
       {"\r\nAccept: */*\r\n", "\r\nAccept-Language: zh-CN,zh;q=0.9\r\n",
        "\r\nConnection: Keep-Alive\r\n",
        "\r\nUser-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like "
        "Gecko) Chrome/80.0.4044.92 Safari/537.36\r\n"}) {
    EXPECT_NE(requests[0].find(line), std::string::npos) << line << requests[0];
  }
  // A URL without a path asks for "/".
  EXPECT_EQ(requests[0].rfind("GET / HTTP/1.1\r\n", 0), 0u) << requests[0];
  // The first value of a field stays: the defaults were added by the first request.
  EXPECT_NE(requests[1].find("User-Agent: Mozilla/5.0"), std::string::npos) << requests[1];
  EXPECT_EQ(requests[1].find("X-Empty"), std::string::npos);

  auto fresh = Make(2);
  fresh->AddHeader("User-Agent", "kvside-test/1");
  EXPECT_EQ(dynamic_cast<IWinHttp*>(fresh.get())->HttpRequestA(server.Url("/"), 0, "", ""), "ok");
  const auto more = server.Requests();
  ASSERT_EQ(more.size(), 3u);
  EXPECT_NE(more[2].find("\r\nUser-Agent: kvside-test/1\r\n"), std::string::npos) << more[2];
  EXPECT_EQ(more[2].find("Chrome"), std::string::npos) << more[2];
}

}  // namespace
