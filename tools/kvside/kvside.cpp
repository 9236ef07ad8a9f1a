// kvside: checks a deployment's servers with the installer's own side requests.
//   kvside size URL                               the byte count the size query finds
//   kvside redirect URL                           the address the redirect query ends at
//   kvside banners API_URL DIR                    the carousel's list and pictures into DIR
//   kvside event COLLECT_URL EVENT_NAME [--title TEXT] [--store DIR]   one analytics event
//     (--store keeps the client identifier below DIR instead of the machine's store)
// Exit status 0 on success, 1 with one line naming the failure, 2 for a wrong command line.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/registry.h"
#include "platform/text.h"
#include "tools/kvside/side_commands.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kvside size URL\n"
               "       kvside redirect URL\n"
               "       kvside banners API_URL DIR\n"
               "       kvside event COLLECT_URL EVENT_NAME [--title TEXT] [--store DIR]\n");
  return 2;
}

int Report(const kvside::result& result) {
  for (const auto& line : result.lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  if (result.failure.empty()) return 0;
  std::fprintf(stderr, "kvside: %s\n", result.failure.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "size" && argc == 3) return Report(kvside::Size(argv[2]));
  if (command == "redirect" && argc == 3) return Report(kvside::Redirect(argv[2]));
  if (command == "banners" && argc == 4) return Report(kvside::Banners(argv[2], argv[3]));
  if (command == "event" && argc >= 4 && argc % 2 == 0) {
    std::string title = "Kelvane Wayvo (Windows version)";
    for (int i = 4; i + 1 < argc; i += 2) {
      if (std::strcmp(argv[i], "--title") == 0) {
        title = argv[i + 1];
      } else if (std::strcmp(argv[i], "--store") == 0) {
        platform::SetRegistryStoreFolder(platform::Utf8ToWide(argv[i + 1]));
      } else {
        return Usage();
      }
    }
    return Report(kvside::Event(argv[2], argv[3], title));
  }
  return Usage();
}
