// kvside against the vendor server: each subcommand's output and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/servers/vendor_server.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::vendor_server;

struct Run {
  int status;
  std::string out;
  std::string err;
};

Run Kvside(const std::vector<std::string>& args) {
  vendor_server::Get();  // its CA is trusted from here on
  kvtest::TempFolder folder;
  std::vector<std::string> argv{KVSIDE_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  const int status = kvtest::RunProgram(argv, folder.path() / "out", folder.path() / "err");
  return {status, kvtest::ReadFile(folder.path() / "out"), kvtest::ReadFile(folder.path() / "err")};
}

// One line naming the failure.
void ExpectFailure(const Run& run, const std::string& text) {
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_EQ(run.err.rfind("kvside: ", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
}

TEST(Kvside, SizeAndRedirect) {
  auto& server = vendor_server::Get();
  const auto payload = server.Folder() / "www/payload/kelvane-download.exe";
  auto run = Kvside({"size", server.Https() + "/payload/kelvane-download.exe"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::to_string(std::filesystem::file_size(payload)) + "\n");
  ExpectFailure(Kvside({"size", server.Https() + "/payload/missing.exe"}), "answered 404");

  run = Kvside({"redirect", server.Https() + "/download/redirect"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, server.Https() + "/payload/kelvane-download.exe\n");
  // Not a redirect: the address stays.
  run = Kvside({"redirect", server.Http() + "/payload/kelvane-download.exe"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, server.Http() + "/payload/kelvane-download.exe\n");
  ExpectFailure(
      Kvside({"redirect", "http://127.0.0.1:" + std::to_string(kvtest::FreePort()) + "/r"}),
      "could not be established");

  EXPECT_EQ(Kvside({"size"}).status, 2);
  EXPECT_EQ(Kvside({"fly", "x"}).status, 2);
}

TEST(Kvside, BannersReportEachPicture) {
  auto& server = vendor_server::Get();
  kvtest::TempFolder folder;
  const std::string api = server.Https() + "/downloader/carousel?pid=three&lang=English";
  auto run = Kvside({"banners", api, folder.path().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "1 fetched\n2 fetched\n3 fetched\n");
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "pr_3.png"));
  run = Kvside({"banners", api, folder.path().string()});
  EXPECT_EQ(run.out, "1 current\n2 current\n3 current\n");

  kvtest::TempFolder bad;
  run = Kvside({"banners", server.Https() + "/downloader/carousel?pid=bad-digest&lang=English",
                bad.path().string()});
  ExpectFailure(run, "1 of 3 pictures failed");
  EXPECT_NE(run.out.find("2 failed: digest"), std::string::npos) << run.out;
  ExpectFailure(Kvside({"banners", server.Https() + "/downloader/carousel?pid=code0&lang=English",
                        bad.path().string()}),
                "no picture list");
}

TEST(Kvside, EventsShowStatusAndValidationMessages) {
  auto& server = vendor_server::Get();
  kvtest::TempFolder store;
  const std::string query = "?measurement_id=G-KVSIDE&api_secret=Zq8xK2mB7pL4vN9cR1tY6w";
  auto run = Kvside({"event", server.Https() + "/debug/mp/collect" + query,
                     "Downloader_Start_Install", "--store", store.path().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "status 200\n");

  run = Kvside({"event", server.Https() + "/mp/collect" + query, "Installed_Succeed", "--title",
                "Kelvane Wayvo (Linux version)", "--store", store.path().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "status 204\n");

  run = Kvside({"event", server.Https() + "/debug/mp/collect" + query, "_reserved_start", "--store",
                store.path().string()});
  ExpectFailure(run, "1 validation message(s)");
  EXPECT_NE(run.out.find("NAME_RESERVED events[0].name:"), std::string::npos) << run.out;
}

}  // namespace
