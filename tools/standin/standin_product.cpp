// The stand-in product of the demo and the tests: one program that plays three parts by the
// name it is started under.
//   any other name          the product installer: takes the five switches the web installer
//                           passes, runs its installing stage and waits for it
//   kelvane-download.tmp    the installing stage: writes the progress file from 0 to 100 over a
//                           few seconds and installs the product into the installation folder
//   Wayvo.exe               the product: a window that says it is Kelvane Wayvo
// The installer and the product are the same file, so installing is copying this program.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/text.h"
#include "skinui/window_base.h"

namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kStageName = L"kelvane-download.tmp";
constexpr const wchar_t* kProductName = L"Wayvo.exe";
constexpr const wchar_t* kProductFolder = L"Kelvane/Kelvane Wayvo";
constexpr int kProgressSteps = 20;
constexpr auto kStepTime = std::chrono::milliseconds(200);

struct Switches {
  bool very_silent = false;
  bool kelvane_down = false;
  bool wait_run = false;
  std::wstring path;
  std::wstring progress;
};

bool ParseSwitches(int argc, char** argv, Switches& switches, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "/verysilent") {
      switches.very_silent = true;
    } else if (arg == "/kelvane_down") {
      switches.kelvane_down = true;
    } else if (arg == "/wait_run") {
      switches.wait_run = true;
    } else if (arg.rfind("/path=", 0) == 0) {
      switches.path = platform::Utf8ToWide(arg.substr(6));
    } else if (arg.rfind("/progress=", 0) == 0) {
      switches.progress = platform::Utf8ToWide(arg.substr(10));
    } else {
      error = "unknown switch " + arg;
      return false;
    }
  }
  if (switches.path.empty() || switches.progress.empty()) {
    error = "/path= and /progress= are needed";
    return false;
  }
  return true;
}

std::vector<std::wstring> SwitchArguments(const Switches& switches) {
  return {L"/verysilent", L"/kelvane_down", L"/wait_run", L"/path=" + switches.path,
          L"/progress=" + switches.progress};
}

void WriteProgress(const fs::path& file, int percent) {
  std::ofstream out(file, std::ios::trunc);
  out << percent;
}

// The installer: the stage runs from a copy of this program under the stage's name.
int RunInstaller(const Switches& switches) {
  std::error_code error;
  const fs::path stage_folder =
      fs::temp_directory_path(error) / ("kelvane-stage-" + std::to_string(std::rand()));
  fs::create_directories(stage_folder, error);
  const fs::path stage = stage_folder / kStageName;
  fs::copy_file(fs::path(platform::GetModulePath()), stage, fs::copy_options::overwrite_existing,
                error);
  if (error) {
    std::fprintf(stderr, "standin: cannot make the installing stage: %s\n",
                 error.message().c_str());
    return 1;
  }
  const bool ran = platform::RunAndWait(stage.wstring(), SwitchArguments(switches));
  fs::remove_all(stage_folder, error);
  return ran ? 0 : 1;
}

// The installing stage.
int RunStage(const Switches& switches) {
  const fs::path progress(switches.progress);
  for (int step = 0; step < kProgressSteps; ++step) {
    WriteProgress(progress, step * 100 / kProgressSteps);
    std::this_thread::sleep_for(kStepTime);
  }
  const fs::path folder = fs::path(switches.path) / kProductFolder;
  std::error_code error;
  fs::create_directories(folder, error);
  fs::copy_file(fs::path(platform::GetModulePath()), folder / kProductName,
                fs::copy_options::overwrite_existing, error);
  if (!error) {
    fs::permissions(folder / kProductName,
                    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, error);
  }
  WriteProgress(progress, 100);
  if (error) {
    std::fprintf(stderr, "standin: cannot install %s: %s\n",
                 (folder / kProductName).string().c_str(), error.message().c_str());
    return 1;
  }
  return 0;
}

class CWayvoWindow : public SkinUI::SkinWindowBase {
 public:
  std::wstring GetWindowClassName() const override { return L"WayvoMainFrame"; }
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override { return L"wayvo.xml"; }
  SkinUI::SkinResourceKind GetResourceType() const override {
    return SkinUI::SkinResourceKind::kZipResource;
  }
  int GetResourceID() const override { return 104; }
};

int RunProduct() {
  CWayvoWindow window;
  if (!window.Create(nullptr, L"Kelvane Wayvo", SkinUI::kWsPopup | SkinUI::kWsVisible, 0)) {
    std::fprintf(stderr, "Wayvo: no display\n");
    return 1;
  }
  window.CenterWindow();
  return window.ShowModal();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::wstring self = platform::GetModulePath();
    const std::wstring name = fs::path(self).filename().wstring();
    if (name == kProductName) return RunProduct();
    Switches switches;
    std::string error;
    if (!ParseSwitches(argc, argv, switches, error)) {
      std::fprintf(stderr, "standin: %s\n", error.c_str());
      return 2;
    }
    return name == kStageName ? RunStage(switches) : RunInstaller(switches);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "standin: %s\n", failure.what());
    return 1;
  }
}
