// The demo installer end to end under Xvfb: the real window, download engine, side requests and
// analytics against the local vendor server, the stand-in product installer and product. The
// pilot clicks through the window; each case is a script of its steps and the answers to the
// boxes, and what must hold afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "skinui/xvfb_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/eventually.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new SkinUI::XvfbEnvironment);

constexpr int kHttpsPort = KV_DEMO_HTTPS_PORT;
constexpr int kHttpPort = KV_DEMO_HTTP_PORT;
const std::string kDownloadUrl =
    "https://127.0.0.1:" + std::to_string(kHttpsPort) + "/Wayvo/kelvane-wayvo.exe";

/// The vendor server on the demo deployment's ports, serving the stand-in as its payload.
class DemoVendorServer {
 public:
  explicit DemoVendorServer(const fs::path& folder) : folder_(folder) {}
  ~DemoVendorServer() { Stop(); }

  bool Start() {
    fs::remove(folder_ / "vendor_server.json");
    process_ = std::make_unique<kvtest::ChildProcess>(
        std::vector<std::string>{
            "python3", std::string(KV_SOURCE_DIR) + "/tools/vendor_server/vendor_server.py",
            "--dir", folder_.string(), "--payload", KV_PAYLOAD_PATH, "--payload-rate", "600k",
            "--http-port", std::to_string(kHttpPort), "--https-port", std::to_string(kHttpsPort)},
        folder_.string() + ".log", folder_.string() + ".log");
    kvtest::SetEnvironment("SSL_CERT_FILE", (folder_ / "ca.pem").string());
    for (int i = 0; i < 300 && !fs::exists(folder_ / "vendor_server.json"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return fs::exists(folder_ / "vendor_server.json");
  }
  void Stop() { process_.reset(); }

  /// The analytics bodies received, one JSON record per line.
  std::string Collected() const { return kvtest::ReadFile(folder_ / "collected.jsonl"); }

 private:
  fs::path folder_;
  std::unique_ptr<kvtest::ChildProcess> process_;
};

class InstallerEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    temp_ = new kvtest::TempFolder;
    // The browser stand-in: records what the installer opens.
    const fs::path bin = temp_->path() / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open")
        << "#!/bin/sh\necho \"$1\" >> " << (temp_->path() / "opened") << "\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    kvtest::SetEnvironment("PATH", bin.string() + ":" + std::getenv("PATH"));
    kvtest::SetEnvironment("LSAN_OPTIONS", "suppressions=" KV_SOURCE_DIR "/tools/demo/lsan.supp");
    server_ = new DemoVendorServer(temp_->path() / "server");
    ASSERT_TRUE(server_->Start());
  }
  static void TearDownTestSuite() {
    delete server_;
    delete temp_;
  }

  void SetUp() override { fs::remove(temp_->path() / "opened"); }

  struct Run {
    int status = -1;
    std::string output;
    fs::path work;
    fs::path root;
  };

  /// Runs the pilot with `steps` in a fresh work folder and install root.
  Run Pilot(const std::string& name, const std::string& steps, const std::vector<int>& answers,
            const std::string& language = "1033",
            const std::function<void(const fs::path& root)>& prepare = {}) {
    Run run;
    run.work = temp_->path() / name / "work";
    run.root = temp_->path() / name / "apps";
    fs::create_directories(run.root);
    if (prepare) prepare(run.root);
    std::vector<std::string> argv = {KV_PILOT_PATH,
                                     "--work",
                                     run.work.string(),
                                     "--root",
                                     run.root.string(),
                                     "--shots",
                                     (temp_->path() / name / "shots").string(),
                                     "--lang",
                                     language};
    if (!steps.empty()) argv.insert(argv.end(), {"--steps", steps});
    for (int answer : answers) argv.insert(argv.end(), {"--answer", std::to_string(answer)});
    const fs::path log = temp_->path() / (name + ".log");
    run.status = kvtest::RunProgram(argv, log, log);
    run.output = kvtest::ReadFile(log);
    return run;
  }

  static std::string Opened() { return kvtest::ReadFile(temp_->path() / "opened"); }

  static kvtest::TempFolder* temp_;
  static DemoVendorServer* server_;
};

kvtest::TempFolder* InstallerEndToEnd::temp_ = nullptr;
DemoVendorServer* InstallerEndToEnd::server_ = nullptr;

bool NoInstallStage() {
  return kvtest::Eventually(
      [] { return !platform::FindProcessByImageName(L"kelvane-download.tmp").has_value(); });
}

TEST_F(InstallerEndToEnd, TheWholeFlowToStartNowInEnglishAndArabic) {
  for (const std::string language : {"1033", "1025"}) {
    SCOPED_TRACE(language);
    const std::string before = server_->Collected();
    const Run run = Pilot("flow-" + language, "", {}, language);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Wayvo.exe runs"), std::string::npos);
    EXPECT_TRUE(fs::exists(run.root / "Kelvane" / "Kelvane Wayvo" / "Wayvo.exe"));
    EXPECT_FALSE(fs::exists(run.work / "kelvane-download.exe"));
    EXPECT_FALSE(fs::exists(run.work / "temp.progress"));
    // The finish page opened the install-finished page.
    EXPECT_NE(Opened().find("key=installed"), std::string::npos) << Opened();

    // Exactly the three events, in order, with one client id.
    const std::string collected = server_->Collected().substr(before.size());
    std::vector<std::string> lines;
    std::istringstream in(collected);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << collected;
    const char* events[] = {"Downloader_Start_Install", "Downloader_Installed",
                            "Installed_Succeed"};
    std::string client_id;
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NE(lines[i].find(events[i]), std::string::npos) << lines[i];
      const auto at = lines[i].find("client_id");
      ASSERT_NE(at, std::string::npos);
      const std::string id = lines[i].substr(at, 60);
      if (i == 0) client_id = id;
      EXPECT_EQ(id, client_id);
    }
  }
}

TEST_F(InstallerEndToEnd, ClosingAsksAndDoesWhatTheAnswerSays) {
  struct Case {
    const char* name;
    const char* steps;
    std::vector<int> answers;
    std::function<void(const Run&)> check;
  };
  const Case cases[] = {
      {"download-no",
       "install wait:progress close wait:installing wait:finish start",
       {7},
       [](const Run& run) {
         // The download went on after No and the flow reached the product.
         EXPECT_NE(run.output.find("Wayvo.exe runs"), std::string::npos);
       }},
      {"download-yes",
       "install wait:progress close wait:closed",
       {6},
       [](const Run& run) {
         // The partial download stays for the next run; the installer files do not.
         EXPECT_TRUE(fs::exists(run.work / "kelvane-download.exe.tmp"));
         EXPECT_TRUE(fs::exists(run.work / "kelvane-download.exe.cfg"));
         EXPECT_FALSE(fs::exists(run.work / "kelvane-download.exe"));
         EXPECT_FALSE(fs::exists(run.work / "temp.progress"));
       }},
      {"install-yes",
       "install wait:installing close wait:closed",
       {6},
       [](const Run& run) {
         EXPECT_TRUE(NoInstallStage());
         EXPECT_FALSE(fs::exists(run.work / "kelvane-download.exe"));
         EXPECT_FALSE(fs::exists(run.work / "temp.progress"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Run run = Pilot(c.name, c.steps, c.answers);
    ASSERT_EQ(run.status, 0) << run.output;
    c.check(run);
  }
}

TEST_F(InstallerEndToEnd, TheRunningProductQuestion) {
  // A running Wayvo.exe: the stand-in product started from a copy of its own.
  const fs::path product_folder = temp_->path() / "running";
  fs::create_directories(product_folder);
  fs::copy_file(KV_PAYLOAD_PATH, product_folder / "Wayvo.exe",
                fs::copy_options::overwrite_existing);
  struct Case {
    const char* name;
    const char* steps;
    int answer;
  };
  for (const Case& c : {Case{"product-ok", "install wait:finish start", 1},
                        Case{"product-cancel", "install wait:closed", 2}}) {
    SCOPED_TRACE(c.name);
    kvtest::ChildProcess product({(product_folder / "Wayvo.exe").string()});
    ASSERT_TRUE(kvtest::Eventually(
        [] { return platform::FindProcessByImageName(L"Wayvo.exe").has_value(); }));
    const Run run = Pilot(c.name, c.steps, {c.answer});
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Kelvane Wayvo is running."), std::string::npos) << run.output;
    if (c.answer == 2) {
      EXPECT_FALSE(fs::exists(run.root / "Kelvane" / "Kelvane Wayvo" / "Wayvo.exe"));
      EXPECT_FALSE(fs::exists(run.work / "kelvane-download.exe"));
    }
    product.Stop();
  }
}

TEST_F(InstallerEndToEnd, ASecondInstanceRaisesTheFirstAndExitsMinusOne) {
  const fs::path log = temp_->path() / "second.log";
  std::thread second([&] {
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const int status = kvtest::RunProgram({KV_DEMO_PATH}, log, log);
    EXPECT_EQ(status, 255) << kvtest::ReadFile(log);
  });
  // The first copy waits on its home page while the second starts, then closes.
  const Run run = Pilot("first", "wait:home pause:6 close wait:closed", {6});
  second.join();
  EXPECT_EQ(run.status, 0) << run.output;
}

// The bytes of the payload the server sent in answers logged in its access log.
std::int64_t PayloadBytesServed(const fs::path& access_log) {
  std::int64_t total = 0;
  std::istringstream in(kvtest::ReadFile(access_log));
  for (std::string line; std::getline(in, line);) {
    const auto request = line.find("\"GET /Wayvo/kelvane-wayvo.exe ");
    if (request == std::string::npos) continue;
    const auto end = line.find('"', request + 1);
    std::istringstream fields(line.substr(end + 1));
    int status = 0;
    std::int64_t bytes = 0;
    fields >> status >> bytes;
    total += bytes;
  }
  return total;
}

// The bytes a resume file records as missing.
std::int64_t MissingBytes(const fs::path& resume_file, const fs::path& out) {
  if (kvtest::RunProgram({KV_KVDL_PATH, "meta", resume_file.string()}, out) != 0) return -1;
  std::int64_t missing = 0;
  std::istringstream in(kvtest::ReadFile(out));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("missing=", 0) != 0) continue;
    const auto dash = line.find('-');
    missing += std::stoll(line.substr(dash + 1)) - std::stoll(line.substr(8, dash - 8)) + 1;
  }
  return missing;
}

// The server goes away in the middle of the download; the user answers Retry until it is back,
// and the download goes on from where it stopped: what is fetched again is at most one claimed
// range per connection (8 connections, 8 pieces of 16 KiB each) and the opening request's share.
TEST_F(InstallerEndToEnd, RetryResumesADownloadTheServerBroke) {
  const fs::path work = temp_->path() / "retry" / "work";
  const fs::path log = temp_->path() / "retry.log";
  std::thread pilot([&] {
    std::vector<int> retries(300, 4);
    const Run run = Pilot("retry", "install wait:finish start", retries);
    EXPECT_EQ(run.status, 0) << run.output << "\ninstaller log:\n"
                             << kvtest::ReadFile(run.work / "Log" / "kelvane_down.log");
    EXPECT_NE(run.output.find("Wayvo.exe runs"), std::string::npos);
  });
  const fs::path meta_out = temp_->path() / "retry-meta.txt";
  bool under_way = false;
  for (int i = 0; i < 600 && !under_way; ++i) {
    const std::int64_t missing = MissingBytes(work / "kelvane-download.exe.cfg", meta_out);
    under_way = missing > 0 && missing < 20000000;
    if (!under_way) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(under_way);
  server_->Stop();
  // The engine gives a connection up after five attempts without a byte, each bounded by the
  // installer's 20 second timeout; then the download ends incomplete and the box asks.
  bool asked = false;
  for (int i = 0; i < 2000 && !asked; ++i) {
    asked = kvtest::ReadFile(log).find("Network error") != std::string::npos;
    if (!asked) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(asked);
  const std::int64_t missing = MissingBytes(work / "kelvane-download.exe.cfg", meta_out);
  const fs::path access_log = temp_->path() / "server" / "nginx-access.log";
  fs::rename(access_log, temp_->path() / "nginx-access-before.log");
  ASSERT_TRUE(server_->Start());
  pilot.join();
  const std::int64_t served = PayloadBytesServed(access_log);
  std::printf("after the break: %lld bytes missing, %lld served, %lld fetched again\n",
              static_cast<long long>(missing), static_cast<long long>(served),
              static_cast<long long>(served - missing));
  EXPECT_GT(missing, 0);
  EXPECT_GE(served, missing);
  EXPECT_LE(served - missing, 9 * 8 * 16 * 1024) << "served " << served << ", missing " << missing;
}

// An install root on a volume too small for three times the installer: the space box, then home.
TEST_F(InstallerEndToEnd, TheDiskSpaceBoxOnAVolumeTooSmall) {
  bool mounted = false;
  fs::path mount_point;
  const Run run = Pilot("small-disk", "install wait:home close wait:closed", {1, 6}, "1033",
                        [&](const fs::path& root) {
                          mount_point = root;
                          mounted = kvtest::RunProgram({"mount", "-t", "tmpfs", "-o", "size=1m",
                                                        "tmpfs", root.string()}) == 0;
                        });
  if (mounted) kvtest::RunProgram({"umount", mount_point.string()});
  if (!mounted) GTEST_SKIP() << "a tmpfs cannot be mounted here (not root)";
  EXPECT_EQ(run.status, 0) << run.output;
  // 24 MB of installer need 3 x 22 MiB free.
  EXPECT_NE(run.output.find(" 66 MB"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(run.work / "kelvane-download.exe.tmp"));
}

// Without the vendor server the download fails; Ignore hands the address to the browser.
TEST_F(InstallerEndToEnd, IgnoreOpensTheDownloadAddressInTheBrowser) {
  server_->Stop();
  const Run run = Pilot("ignore", "install wait:home close wait:closed", {5, 6});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Network error"), std::string::npos) << run.output;
  EXPECT_NE(Opened().find(kDownloadUrl), std::string::npos) << Opened();
  ASSERT_TRUE(server_->Start());
}

}  // namespace
