// kvdl: the download engine's command-line tool.
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/text.h"
#include "tools/kvdl/meta_command.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: kvdl meta FILE   what the resume file FILE records\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "meta" && argc == 3) {
    return kvdl::RunMeta(platform::NarrowToWide(argv[2]), std::cout, std::cerr);
  }
  return Usage();
}
