// kvpack as the build and a vendor run it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

using kvtest::TempFolder;

const std::string kPack = std::string(KV_SOURCE_DIR) + "/language";

struct Result {
  int status;
  std::string output;
};

Result RunKvpack(const std::string& arguments) {
  const std::string command = std::string(KVPACK_PATH) + " " + arguments + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), pipe.get())) > 0) output.append(buffer, got);
  const int status = pclose(pipe.release());
  return {WEXITSTATUS(status), output};
}

TEST(KvpackTest, PackWritesFoldersStoredBeforeTheirDeflatedFiles) {
  TempFolder out;
  const std::string archive_path = (out.path() / "pack.zip").string();
  ASSERT_EQ(RunKvpack("pack " + kPack + " " + archive_path).status, 0);
  int code = 0;
  zip_t* archive = zip_open(archive_path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  ASSERT_NE(archive, nullptr);
  ASSERT_EQ(zip_get_num_entries(archive, 0), 56);
  std::vector<std::string> folders_seen;
  for (zip_int64_t i = 0; i < 56; ++i) {
    zip_stat_t info;
    zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &info);
    const std::string name = info.name;
    if (name.back() == '/') {
      EXPECT_EQ(info.size, 0u);
      EXPECT_EQ(info.comp_method, ZIP_CM_STORE) << name;
      folders_seen.push_back(name);
      continue;
    }
    EXPECT_EQ(info.comp_method, ZIP_CM_DEFLATE) << name;
    const auto slash = name.find('/');
    if (slash != std::string::npos) {
      EXPECT_THAT(folders_seen, ::testing::Contains(name.substr(0, slash + 1))) << name;
    }
  }
  zip_close(archive);
  EXPECT_EQ(folders_seen.size(), 18u);

  // The same folder packs to the same bytes.
  const std::string again = (out.path() / "again.zip").string();
  ASSERT_EQ(RunKvpack("pack " + kPack + " " + again).status, 0);
  EXPECT_EQ(kvtest::ReadFile(archive_path), kvtest::ReadFile(again));
}

TEST(KvpackTest, TextsShowWhatTheInstallerShows) {
  const Result arabic = RunKvpack("texts " + kPack + " 1025");
  ASSERT_EQ(arabic.status, 0) << arabic.output;
  EXPECT_EQ(arabic.output.rfind("language=Arabic\nright_to_left=true\nSTR_BROWSE=", 0), 0u);

  const Result brazilian = RunKvpack("texts " + kPack + " 1046");
  EXPECT_THAT(brazilian.output, ::testing::StartsWith("language=English\nright_to_left=false\n"));
  EXPECT_THAT(brazilian.output,
              ::testing::HasSubstr("\nSTR_MESSAGEBOX_TITLE=Kelvane Wayvo Setup\n"));
  EXPECT_THAT(brazilian.output, ::testing::HasSubstr("\nSTR_START=Start\xC2\xA0Now\n"));
  // The blank the English file writes after the colon ends its line, and profile reading drops
  // blanks at the end of a line as Windows does.
  EXPECT_THAT(brazilian.output,
              ::testing::HasSubstr("\nSTR_STORAGE=Insuficient storage. Storage required:\n"));

  EXPECT_THAT(RunKvpack("texts " + kPack + " 1031").output,
              ::testing::HasSubstr("{c #337BDD}Kelvane-Lizenzvereinbarung{/c}"));
  // Indonesian writes " = " and still overrides the English texts.
  EXPECT_THAT(RunKvpack("texts " + kPack + " 1057").output,
              ::testing::Not(::testing::HasSubstr("\nSTR_INSTALL=Install\n")));
}

TEST(KvpackTest, BadUseSaysHow) {
  const Result cases[] = {RunKvpack(""), RunKvpack("pack onlyone"),
                          RunKvpack("texts " + kPack + " en-US")};
  for (const Result& result : cases) {
    EXPECT_EQ(result.status, 2);
    EXPECT_THAT(result.output, ::testing::HasSubstr("kvpack"));
  }
  EXPECT_EQ(RunKvpack("check /no/such/folder").status, 1);
  EXPECT_EQ(RunKvpack("pack /no/such/folder /tmp/x.zip").status, 1);
}

}  // namespace
