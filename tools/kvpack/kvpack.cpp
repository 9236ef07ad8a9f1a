// kvpack: the vendor tool for resource packs.
//   kvpack pack DIR OUT.zip     write a pack folder as the archive the installer carries
//   kvpack check DIR            report every problem of a language-pack folder, exit 1 if any
//   kvpack texts DIR LANGID     print the texts the installer would show for that language
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "common/language_manager.h"
#include "common/zip_unpack.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "tools/kvpack/pack_check.h"
#include "tools/kvpack/pack_writer.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kvpack pack DIR OUT.zip\n"
               "       kvpack check DIR\n"
               "       kvpack texts DIR LANGID\n");
  return 2;
}

int Pack(const std::filesystem::path& folder, const std::filesystem::path& output) {
  std::string error;
  if (!kvpack::WritePack(folder, output, error)) {
    std::fprintf(stderr, "kvpack: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int Check(const std::filesystem::path& folder) {
  const auto problems = kvpack::CheckLanguagePack(folder);
  for (const std::string& problem : problems) std::printf("%s\n", problem.c_str());
  return problems.empty() ? 0 : 1;
}

// Packs the folder and unpacks it again, so the texts come through the installer's own path.
int Texts(const std::filesystem::path& folder, const std::string& language_id) {
  if (language_id.empty() || language_id.find_first_not_of("0123456789") != std::string::npos) {
    std::fprintf(stderr, "kvpack: LANGID must be a decimal number, not \"%s\"\n",
                 language_id.c_str());
    return 2;
  }
  std::string scratch = (std::filesystem::temp_directory_path() / "kvpack-XXXXXX").string();
  if (!mkdtemp(scratch.data())) {
    std::fprintf(stderr, "kvpack: cannot make a temporary folder\n");
    return 1;
  }
  const std::filesystem::path work = scratch;
  const std::wstring log_folder = platform::Utf8ToWide(work.string());
  InitLog(L"kvpack.log", log_folder.c_str());
  int status = 1;
  std::string error;
  const auto archive = work / "language.zip";
  if (kvpack::WritePack(folder, archive, error)) {
    const std::string bytes =
        platform::ReadWholeFile(platform::Utf8ToWide(archive.string())).value_or("");
    const std::wstring language_folder = platform::Utf8ToWide((work / "language").string() + "/");
    if (UnzipToFolder(bytes.data(), bytes.size(), language_folder)) {
      LanguageManager language;
      language.InitForLanguageId(language_folder, platform::Utf8ToWide(language_id));
      std::printf("language=%s\n", platform::WideToUtf8(language.GetLanguageName()).c_str());
      std::printf("right_to_left=%s\n", language.IsRightToLeft() ? "true" : "false");
      for (const auto& [key, text] : language.GetTextTable()) {
        std::printf("%s=%s\n", platform::WideToUtf8(key).c_str(),
                    platform::WideToUtf8(text).c_str());
      }
      status = 0;
    } else {
      error = "the pack could not be unpacked";
    }
  }
  if (status != 0) std::fprintf(stderr, "kvpack: %s\n", error.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(work, ignored);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "pack" && argc == 4) return Pack(argv[2], argv[3]);
  if (command == "check" && argc == 3) return Check(argv[2]);
  if (command == "texts" && argc == 4) return Texts(argv[2], argv[3]);
  return Usage();
}
