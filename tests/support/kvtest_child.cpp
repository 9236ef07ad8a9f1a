// The program the process tests start, the same on every system. It waits until the file named
// by KVTEST_CHILD_WAIT_FOR exists (when set), sleeps KVTEST_CHILD_SLEEP milliseconds (when set),
// writes its arguments one per line to the file named by KVTEST_CHILD_OUTPUT (when set) and
// exits with code 3.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/child_process.h"

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
  const std::string wait_for = Variable("KVTEST_CHILD_WAIT_FOR");
  // Bounded, so that a test that fails before creating the file leaves no process behind.
  for (int i = 0; !wait_for.empty() && i < 3000; ++i) {
    if (std::filesystem::exists(std::filesystem::u8path(wait_for))) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string sleep = Variable("KVTEST_CHILD_SLEEP");
  if (!sleep.empty())
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(sleep.c_str())));
  const std::string output = Variable("KVTEST_CHILD_OUTPUT");
  if (!output.empty()) {
    std::string lines;
    for (const std::string& argument : kvtest::ProgramArguments(argc, argv))
      lines += argument + "\n";
    // Written under another name and renamed, so that a reader sees all of it or nothing.
    const auto target = std::filesystem::u8path(output);
    const auto partial = std::filesystem::u8path(output + ".partial");
    std::ofstream(partial, std::ios::binary) << lines;
    std::filesystem::rename(partial, target);
  }
  return kvtest::kChildHelperExitCode;
}
