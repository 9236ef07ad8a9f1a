// kvdl: the download engine's command-line tool. `kvdl COMMAND ...` runs one subcommand; each
// lives in its own file (get_command.cpp, meta_command.cpp, ...).
#include <cstdio>
#include <cstring>

#include "tools/kvdl/commands.h"

namespace {

const kvdl::command kCommands[] = {
    {"get", "URL [-o FILE] [-v] [--proxy URL] [--insecure]", kvdl::RunGet},
    {"download",
     "URL -o FILE [-x N] [--rate-limit BYTES] [--timeout S] [--proxy URL] [--insecure] [-q]",
     kvdl::RunDownload},
    {"meta", "FILE   what the resume file FILE records", kvdl::RunMetaCommand},
};

int Usage() {
  for (const auto& command : kCommands) {
    std::fprintf(stderr, "usage: kvdl %s %s\n", command.name, command.usage);
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  for (const auto& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0) return command.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "kvdl: unknown command \"%s\"\n", argv[1]);
  return Usage();
}
