// kvdl download against nginx: exit codes and their lines, Ctrl-C, and downloads killed with
// kill -9 at random moments that resume to the right file every time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "tests/servers/peers.h"
#include "tests/servers/scripted_server.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::peers;

struct Result {
  int exit_code;
  std::string err;
};

std::vector<std::string> Command(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{KVDL_PATH, "download"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

Result Kvdl(const kvtest::TempFolder& folder, const std::vector<std::string>& arguments) {
  const int code =
      kvtest::RunProgram(Command(arguments), folder.path() / "out", folder.path() / "err");
  return {code, kvtest::ReadFile(folder.path() / "err")};
}

std::string Http(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(peers::Get().HttpPort()) + path;
}

std::string Digest(const std::filesystem::path& path) {
  return kvtest::Sha256Hex(kvtest::ReadFile(path));
}

TEST(KvdlDownload, ExitCodesNameTheirCause) {
  kvtest::scripted_http_server no_length(std::map<std::string, std::string>{
      {"/stream", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nsome bytes without a length"}});
  struct Case {
    const char* name;
    std::vector<std::string> arguments;  // "{out}" stands for the output file
    int exit_code;
    const char* says;
  };
  const Case cases[] = {
      {"complete over 8 connections", {Http("/big.bin"), "-o", "{out}", "-x", "8", "-q"}, 0, ""},
      {"https with the test CA",
       {"https://127.0.0.1:" + std::to_string(peers::Get().HttpsPort()) + "/big.bin", "-o", "{out}",
        "-q"},
       0,
       ""},
      {"through a proxy",
       {Http("/big.bin"), "-o", "{out}", "--proxy",
        "http://127.0.0.1:" + std::to_string(peers::Get().TinyproxyPort()), "-q"},
       0,
       ""},
      {"no length: incomplete", {no_length.Url("/stream"), "-o", "{out}"}, 2, "incomplete"},
      {"not found: failed", {Http("/missing.bin"), "-o", "{out}"}, 1, "failed"},
      {"no output file", {Http("/big.bin")}, 64, "-o FILE"},
      {"no URL", {"-o", "{out}"}, 64, "no URL"},
      {"a bad connection count", {Http("/big.bin"), "-o", "{out}", "-x", "0"}, 64, "-x"},
      {"a bad rate", {Http("/big.bin"), "-o", "{out}", "--rate-limit", "fast"}, 64, "--rate"},
      {"an unknown option", {Http("/big.bin"), "-o", "{out}", "--fast"}, 64, "unknown option"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    kvtest::TempFolder folder;
    const auto out = folder.path() / "file.bin";
    auto arguments = row.arguments;
    for (auto& argument : arguments) {
      if (argument == "{out}") argument = out.string();
    }
    const Result result = Kvdl(folder, arguments);
    EXPECT_EQ(result.exit_code, row.exit_code) << result.err;
    EXPECT_NE(result.err.find(row.says), std::string::npos) << result.err;
    if (row.exit_code == 0) {
      EXPECT_EQ(Digest(out), peers::Get().BigDigest());
    } else {
      EXPECT_FALSE(std::filesystem::exists(out));
    }
  }
}

// Waits until the resume file has been written once, at most ten seconds.
bool ResumeFileWritten(const std::filesystem::path& cfg) {
  for (int i = 0; i < 500; ++i) {
    std::error_code error;
    if (std::filesystem::file_size(cfg, error) > 0 && !error) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(KvdlDownload, CtrlCSavesTheStateAndExits130ThenResumes) {
  if (kvtest::kOnWindows) {
    // Ctrl-Break reaches only programs on the sender's console; under ctest and Wine the test
    // program has none.
    GTEST_SKIP() << "no console to send Ctrl-Break through";
  }
  kvtest::TempFolder folder;
  const auto out = folder.path() / "big.bin";
  const std::string url = Http("/big.bin?ctrl-c");
  {
    kvtest::ChildProcess child(Command({url, "-o", out.string(), "--rate-limit", "262144"}),
                               folder.path() / "out", folder.path() / "err");
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(ResumeFileWritten(folder.path() / "big.bin.cfg"));
    child.Interrupt();
    EXPECT_EQ(child.Wait(), 130);
  }
  EXPECT_NE(kvtest::ReadFile(folder.path() / "err").find("interrupted"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "big.bin.tmp"));
  EXPECT_FALSE(std::filesystem::exists(out));

  const Result result = Kvdl(folder, {url, "-o", out.string(), "-q"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(Digest(out), peers::Get().BigDigest());
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "big.bin.cfg"));
}

TEST(KvdlDownload, KilledAtRandomMomentsItResumesToTheRightFile) {
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> moment(150, 1200);
  // Three rounds of four kills; every round ends with a complete run and its digest.
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    kvtest::TempFolder folder;
    const auto out = folder.path() / "big.bin";
    const std::string url = Http("/big.bin?kill" + std::to_string(round));
    for (int kill = 0; kill < 4; ++kill) {
      kvtest::ChildProcess child(
          Command({url, "-o", out.string(), "-x", "8", "--rate-limit", "1048576", "-q"}));
      ASSERT_TRUE(child.started());
      std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
      child.Kill();
      if (std::filesystem::exists(out)) break;  // it finished before the kill
    }
    const Result result = Kvdl(folder, {url, "-o", out.string(), "-x", "8", "-q"});
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(Digest(out), peers::Get().BigDigest());
  }
}

}  // namespace
