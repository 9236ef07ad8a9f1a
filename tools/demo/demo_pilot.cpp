// kvdemo-pilot runs the demo installer and drives it through its states the way a person would,
// clicking its controls through the toolkit, and saves a picture of the window in every state:
//   kvdemo-pilot --work DIR --root DIR --shots DIR --lang LANGID [--answer N]... [--steps "..."]
// The steps (default: every state with a picture of each, then Start Now) are: shot:NAME, fold,
// install, close, start, pause:SECONDS and wait:home|custom|banner|progress|installing|finish|
// closed. It exits
// 0 only when every step worked and, after start, the installed product runs.
// The boxes are not shown: their text is printed, and --answer gives the answers in turn (the
// first button, Yes for a question, when none is left).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include "Window/installer_app.h"
#include "Window/main_frame.h"
#include "common/language_manager.h"
#include "common/work_folder.h"
#include "log/log.h"
#include "platform/process.h"
#include "platform/text.h"
#include "skinui/button.h"
#include "skinui/control.h"
#include "skinui/offscreen.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Long enough for a download whose server went away to be given up by the engine.
constexpr auto kStepTimeout = std::chrono::seconds(240);
constexpr auto kPoll = std::chrono::milliseconds(100);

struct Options {
  std::wstring work;
  std::wstring root;
  std::string shots;
  std::wstring language = L"1033";
  std::deque<int> answers;
  std::string steps;
};

/// The real system, with the work folder, the language and the install root of the demo, and
/// the boxes answered from the command line.
class CPilotSystem : public CInstallerSystem {
 public:
  explicit CPilotSystem(const Options& options) : options_(options) {}

  void InitWorkFolder(std::wstring& work_folder, LanguageManager& language) override {
    work_folder = options_.work;
    fs::create_directories(fs::path(work_folder + L"Log"));
    InitLog(L"kelvane_down.log", (work_folder + L"Log").c_str());
    LoadResZipFile(work_folder + L"language/");
    language.InitForLanguageId(work_folder + L"language/", options_.language);
  }
  std::wstring GetDefaultInstallRoot() override { return options_.root; }
  int MessageBox(SkinUI::CNativeWindow* owner, const std::wstring& text, const std::wstring& title,
                 unsigned type) override {
    int answer = 1;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    } else if ((type & 0xF) == 0x2) {
      answer = 3;  // Abort / Retry / Ignore: Abort
    } else if ((type & 0xF) == 0x4) {
      answer = 6;  // Yes / No: Yes
    }
    std::printf("pilot: box \"%s\" answered %d\n", platform::WideToUtf8(text).c_str(), answer);
    std::fflush(stdout);
    return answer;
  }
  void SetAnswers(std::deque<int> answers) { answers_ = std::move(answers); }

 private:
  const Options& options_;
  std::deque<int> answers_;
};

class CPilot {
 public:
  CPilot(CMainFrameWnd& frame, const Options& options)
      : frame_(frame), ui_(frame.UiQueue()), options_(options) {}

  /// Runs `work` on the UI thread and gives its result; nothing when the window went first.
  template <class Result, class Work>
  std::optional<Result> OnUi(Work work) {
    auto promise = std::make_shared<std::promise<Result>>();
    auto result = promise->get_future();
    // The task runs only while the window lives; a window that goes drops it unanswered.
    ui_->Post([promise, work, frame = &frame_] { promise->set_value(work(*frame)); });
    promise.reset();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready) return std::nullopt;
    try {
      return result.get();
    } catch (const std::future_error&) {
      return std::nullopt;
    }
  }

  bool WaitFor(const std::string& what, const std::function<bool(CMainFrameWnd&)>& done) {
    const auto end = Clock::now() + kStepTimeout;
    while (Clock::now() < end) {
      const auto reached = OnUi<bool>(done);
      if (reached && *reached) return true;
      std::this_thread::sleep_for(kPoll);
    }
    std::fprintf(stderr, "pilot: %s did not come in time\n", what.c_str());
    return false;
  }

  bool Click(const wchar_t* name) {
    const auto clicked = OnUi<bool>([name](CMainFrameWnd& frame) {
      auto* button = dynamic_cast<SkinUI::CButton*>(frame.FindControl(name));
      return button != nullptr && button->Activate();
    });
    if (!clicked || !*clicked) {
      std::fprintf(stderr, "pilot: cannot click %s\n", platform::WideToUtf8(name).c_str());
      return false;
    }
    return true;
  }

  bool Shot(const std::string& state) {
    const std::string path = options_.shots + "/" + state + ".png";
    const auto written = OnUi<std::string>([path](CMainFrameWnd& frame) {
      SkinUI::COffscreenCanvas canvas(frame.GetClientSize());
      canvas.PaintWindow(frame.GetPaintManager());
      std::string error;
      return canvas.WritePng(path, error) ? std::string() : error;
    });
    if (!written || !written->empty()) {
      std::fprintf(stderr, "pilot: no picture of %s: %s\n", state.c_str(),
                   written ? written->c_str() : "the window is gone");
      return false;
    }
    std::printf("%s\n", path.c_str());
    std::fflush(stdout);
    return true;
  }

  static bool InState(CMainFrameWnd& frame, int state) { return frame.GetWindowState() == state; }
  static std::wstring ProgressText(CMainFrameWnd& frame) {
    SkinUI::CControl* label = frame.FindControl(L"label_progress");
    return label ? label->GetText() : std::wstring();
  }

  /// Runs one step of the script; false when it failed.
  bool Step(const std::string& step) {
    std::printf("pilot: %s\n", step.c_str());
    std::fflush(stdout);
    if (step.rfind("shot:", 0) == 0) return Shot(step.substr(5));
    if (step == "fold") return Click(L"chk_fold");
    if (step == "install") return Click(L"btn_install");
    if (step == "start") {
      started_product_ = true;
      return Click(L"btn_start");
    }
    if (step == "close") {
      // The close button's request; the answer to its question comes from --answer.
      return OnUi<bool>([](CMainFrameWnd& f) { return f.PostMessage(SkinUI::kWmClose, 1, 0); })
          .value_or(false);
    }
    if (step == "wait:home") {
      return WaitFor(step, [](CMainFrameWnd& f) { return InState(f, kWindow_Init); });
    }
    if (step == "wait:custom") {
      return WaitFor(step, [](CMainFrameWnd& f) { return f.GetClientSize().cy == 435; });
    }
    if (step == "wait:banner") {
      return WaitFor(step, [](CMainFrameWnd& f) {
        SkinUI::CControl* banner = f.FindControl(L"banner");
        return InState(f, kWindow_Downloading) && banner &&
               banner->GetBkImage().file.find(L"pr_") != std::wstring::npos;
      });
    }
    if (step == "wait:progress") {
      // Some of the download done (and not all of it).
      return WaitFor(step, [](CMainFrameWnd& f) {
        const int percent = std::wcstol(ProgressText(f).c_str(), nullptr, 10);
        return InState(f, kWindow_Downloading) && percent >= 8 && percent < 60;
      });
    }
    if (step == "wait:installing") {
      return WaitFor(step, [](CMainFrameWnd& f) {
        return InState(f, kWindow_Installing) && ProgressText(f) != L"80 %";
      });
    }
    if (step == "wait:finish") {
      return WaitFor(step, [](CMainFrameWnd& f) { return InState(f, kWindow_Finish); });
    }
    if (step == "wait:closed") return WaitForClosed();
    if (step.rfind("pause:", 0) == 0) {
      std::this_thread::sleep_for(std::chrono::seconds(std::atoi(step.c_str() + 6)));
      return true;
    }
    std::fprintf(stderr, "pilot: unknown step %s\n", step.c_str());
    return false;
  }

  bool Fly(const std::vector<std::string>& steps) {
    for (const std::string& step : steps) {
      if (!Step(step)) return false;
    }
    return true;
  }

  bool WaitForClosed() {
    const auto end = Clock::now() + kStepTimeout;
    while (Clock::now() < end) {
      if (!OnUi<bool>([](CMainFrameWnd&) { return true; })) return true;
      std::this_thread::sleep_for(kPoll);
    }
    std::fprintf(stderr, "pilot: the window did not close\n");
    return false;
  }

  bool StartedProduct() const { return started_product_; }

 private:
  CMainFrameWnd& frame_;
  std::shared_ptr<CUiTaskQueue> ui_;
  const Options& options_;
  bool started_product_ = false;
};

// The demo: every state, with a picture of each, to Start Now.
constexpr const char* kDemoSteps =
    "wait:home shot:home fold wait:custom shot:custom fold install wait:banner wait:progress "
    "shot:downloading wait:installing shot:installing wait:finish shot:finish start";

std::vector<std::string> SplitSteps(const std::string& text) {
  std::vector<std::string> steps;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(' ', start);
    const std::string step = text.substr(start, end == std::string::npos ? end : end - start);
    if (!step.empty()) steps.push_back(step);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return steps;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i];
    const std::string value = argv[i + 1];
    if (key == "--work") {
      options.work = platform::Utf8ToWide(value + (value.back() == '/' ? "" : "/"));
    } else if (key == "--root") {
      options.root = platform::Utf8ToWide(value + (value.back() == '/' ? "" : "/"));
    } else if (key == "--shots") {
      options.shots = value;
    } else if (key == "--lang") {
      options.language = platform::Utf8ToWide(value);
    } else if (key == "--steps") {
      options.steps = value;
    } else if (key == "--answer") {
      options.answers.push_back(std::atoi(value.c_str()));
    } else {
      return false;
    }
  }
  return argc % 2 == 1 && !options.work.empty() && !options.root.empty() && !options.shots.empty();
}

}  // namespace

namespace {

int RunPilot(int argc, char** argv);

}  // namespace

int main(int argc, char** argv) {
  const int code = RunPilot(argc, argv);
  // As the installer does: the workers still running end with the process, which does not
  // destroy static objects under them.
  std::fflush(nullptr);
  std::quick_exit(code);
}

namespace {

int RunPilot(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: kvdemo-pilot --work DIR --root DIR --shots DIR --lang LANGID "
                 "[--answer N]... [--steps \"STEP...\"]\n");
    return 2;
  }
  fs::create_directories(options.shots);
  fs::create_directories(fs::path(options.root));
  auto system = std::make_shared<CPilotSystem>(options);
  bool wants_product = false;
  system->SetAnswers(options.answers);
  std::thread pilot_thread;
  bool flown = false;
  const int status = RunInstaller(system, [&](CMainFrameWnd& frame) {
    auto pilot = std::make_shared<CPilot>(frame, options);
    pilot_thread = std::thread(
        [&flown, &wants_product, &options, pilot, ui = frame.UiQueue(), window = &frame] {
          flown = pilot->Fly(SplitSteps(options.steps.empty() ? kDemoSteps : options.steps));
          wants_product = pilot->StartedProduct();
          if (!flown) ui->Post([window] { window->DestroyWindow(); });
        });
  });
  if (pilot_thread.joinable()) pilot_thread.join();
  if (status != 0 || !flown) {
    std::fprintf(stderr, "pilot: the flow did not complete (installer exit %d)\n", status);
    return 1;
  }
  if (!wants_product) return 0;
  // Start Now started the product: it must be running now.
  for (int i = 0; i < 100; ++i) {
    if (const auto product = platform::FindProcessByImageName(L"Wayvo.exe")) {
      std::printf("pilot: Wayvo.exe runs (process %lld)\n", static_cast<long long>(*product));
      std::fflush(stdout);
      platform::TerminateProcessById(*product);
      return 0;
    }
    std::this_thread::sleep_for(kPoll);
  }
  std::fprintf(stderr, "pilot: Wayvo.exe did not start\n");
  return 1;
}

}  // namespace
