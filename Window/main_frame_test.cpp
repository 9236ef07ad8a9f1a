// The installer window under a private X server, driven through its controls, with a scripted
// outside world: every state, the progress display, the outcomes of a download, the check of
// the downloaded installer, the questions on closing and the right-to-left window.
#include "Window/main_frame.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Window/fake_installer_system.h"
#include "Window/installer_digest.h"
#include "skinui/button.h"
#include "skinui/edit.h"
#include "skinui/message_box.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"
#include "skinui/xvfb_test_support.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kMainWindowStyle = 0x96C80000u;
constexpr int kWaitMs = 10000;

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new SkinUI::XvfbEnvironment);

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(temp_.path() / "apps"); }

  void TearDown() override {
    if (frame_) {
      // A worker may be parked in the fake; let it go before the window does.
      if (system_->InstallerRunning()) system_->FinishInstaller();
      system_->EndDownload(-5);
      frame_.reset();
    }
  }

  void Prepare(const std::wstring& language_id = L"1033") {
    system_ = std::make_shared<FakeInstallerSystem>(temp_.Wide(), language_id);
    system_->install_root = temp_.Wide("apps") + L"/";
  }

  void Open() {
    if (!system_) Prepare();
    frame_ = std::make_unique<CMainFrameWnd>(system_);
    frame_->InitWorkFolder();
    ASSERT_TRUE(frame_->Create(nullptr, frame_->GetWindowTitle(), kMainWindowStyle, 0));
    frame_->ShowWindow(true);
  }

  template <class Predicate>
  bool Until(Predicate done) {
    return SkinUI::RunUntil(done, kWaitMs);
  }

  SkinUI::CControl* Control(const wchar_t* name) { return frame_->FindControl(name); }
  std::wstring Text(const wchar_t* name) {
    SkinUI::CControl* control = Control(name);
    return control ? control->GetText() : L"<missing>";
  }
  void Click(const wchar_t* name) {
    auto* button = dynamic_cast<SkinUI::CButton*>(Control(name));
    ASSERT_NE(button, nullptr) << platform_name(name);
    ASSERT_TRUE(button->Activate()) << platform_name(name);
  }
  static std::string platform_name(const wchar_t* name) {
    return std::string(name, name + std::wcslen(name));
  }
  int Page() { return dynamic_cast<SkinUI::CTabLayout*>(Control(L"switch"))->GetCurSel(); }
  std::wstring Label() { return Text(L"label_progress"); }
  int Bar() { return dynamic_cast<SkinUI::CProgress*>(Control(L"progress_download"))->GetValue(); }
  fs::path Work(const std::string& name) { return fs::path(frame_->GetWorkFolderPath()) / name; }
  std::wstring L10n(const wchar_t* key) { return frame_->GetLanguage().GetText(key); }

  /// Install clicked and the download running.
  void StartDownloading() {
    Click(L"btn_install");
    ASSERT_EQ(frame_->GetWindowState(), kWindow_Downloading);
    ASSERT_TRUE(Until([&] { return system_->DownloadRuns() == 1; }));
  }

  /// The download ends complete, with an installer its published digest matches.
  void FinishDownload(const std::string& content = "the product installer") {
    std::ofstream(Work("kelvane-download.exe"), std::ios::binary) << content;
    system_->digest_text = *FileSha256Hex(Work("kelvane-download.exe").wstring()) + "  x.exe\n";
    system_->EndDownload(0);
  }

  void ReachInstalling() {
    StartDownloading();
    FinishDownload();
    ASSERT_TRUE(Until([&] { return system_->InstallerRunning(); }));
    ASSERT_EQ(frame_->GetWindowState(), kWindow_Installing);
  }

  kvtest::TempFolder temp_;
  std::shared_ptr<FakeInstallerSystem> system_;
  std::unique_ptr<CMainFrameWnd> frame_;
};

TEST_F(WindowTest, StartsOnTheHomePageWithItsTexts) {
  Open();
  EXPECT_EQ(frame_->GetWindowState(), kWindow_Init);
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(frame_->GetClientSize().cx, 650);
  EXPECT_EQ(frame_->GetClientSize().cy, 360);
  EXPECT_EQ(Text(L"btn_install"), L10n(L"STR_INSTALL"));
  EXPECT_EQ(Text(L"chk_fold"), L10n(L"STR_CUSTOMIZE_INSTALL"));
  EXPECT_EQ(Text(L"edit_path"), system_->install_root);
  EXPECT_TRUE(dynamic_cast<SkinUI::CEdit*>(Control(L"edit_path"))->IsReadOnly());
  EXPECT_FALSE(Control(L"btn_start")->IsVisible());
  EXPECT_TRUE(Control(L"btn_install")->IsEnabled());

  // The agreement box enables Install.
  Click(L"chk_agree");
  EXPECT_FALSE(Control(L"btn_install")->IsEnabled());
  Click(L"chk_agree");
  EXPECT_TRUE(Control(L"btn_install")->IsEnabled());

  Click(L"btn_lisence");
  ASSERT_EQ(system_->opened.size(), 1u);
  EXPECT_EQ(system_->opened[0], frame_->GetLanguage().GetLicenceUrl());
}

TEST_F(WindowTest, CustomAreaFoldsAndUnfoldsOnce) {
  Open();
  auto* fold = dynamic_cast<SkinUI::CCheckBox*>(Control(L"chk_fold"));
  Click(L"chk_fold");
  EXPECT_EQ(frame_->GetClientSize().cy, 435);
  EXPECT_TRUE(Control(L"bottomLayout")->IsVisible());
  fold->SetCheck(true, true);  // already ticked: no second growth
  EXPECT_EQ(frame_->GetClientSize().cy, 435);
  Click(L"chk_fold");
  EXPECT_EQ(frame_->GetClientSize().cy, 360);
}

TEST_F(WindowTest, AnInvalidPathShowsTheTipInTheUnfoldedArea) {
  Open();
  dynamic_cast<SkinUI::CEdit*>(Control(L"edit_path"))->SetText(temp_.Wide("no/such/deep"));
  Click(L"btn_install");
  EXPECT_EQ(frame_->GetWindowState(), kWindow_Init);
  EXPECT_TRUE(Control(L"label_tip")->IsVisible());
  EXPECT_EQ(Text(L"label_tip"), L10n(L"STR_PATH_INVALID"));
  EXPECT_EQ(frame_->GetClientSize().cy, 435);
  EXPECT_EQ(system_->DownloadRuns(), 0);

  // Picking a folder clears the tip.
  system_->picked_folder = temp_.Wide("apps");
  Click(L"btn_browse");
  EXPECT_EQ(Text(L"edit_path"), temp_.Wide("apps"));
  EXPECT_FALSE(Control(L"label_tip")->IsVisible());
}

TEST_F(WindowTest, TheWholeFlowFromInstallToStartNow) {
  Open();
  StartDownloading();
  EXPECT_EQ(Page(), 1);
  EXPECT_EQ(Label(), L"0 %");
  const DownloadJob job = system_->LastJob();
  EXPECT_EQ(job.connections, 8);
  EXPECT_EQ(job.url, frame_->GetLanguage().GetDownloadUrl());
  EXPECT_EQ(job.save_path, frame_->InstallerPath());

  system_->EmitProgress(50);
  ASSERT_TRUE(Until([&] { return Label() == L"40 %"; }));
  EXPECT_EQ(Bar(), 40);
  EXPECT_EQ(frame_->GetTaskbar()->GetState(), SkinUI::kTbpfNormal);

  FinishDownload();
  ASSERT_TRUE(Until([&] { return system_->InstallerRunning(); }));
  EXPECT_EQ(frame_->GetWindowState(), kWindow_Installing);
  EXPECT_EQ(Label(), L"80 %");
  const std::wstring product = system_->install_root + L"Kelvane/Kelvane Wayvo/";
  EXPECT_TRUE(fs::is_directory(fs::path(product)));
  EXPECT_EQ(system_->InstallerArguments(), frame_->InstallerPath() + L" " + system_->install_root +
                                               L" " + frame_->ProgressFilePath());
  ASSERT_EQ(system_->digest_urls.size(), 1u);
  EXPECT_EQ(system_->digest_urls[0], frame_->GetLanguage().GetDownloadUrl() + L".sha256");

  std::ofstream(fs::path(frame_->ProgressFilePath())) << "57";
  ASSERT_TRUE(Until([&] { return Label() == L"91 %"; }));

  system_->FinishInstaller();
  ASSERT_TRUE(Until([&] { return frame_->GetWindowState() == kWindow_Finish; }));
  EXPECT_EQ(Page(), 0);
  EXPECT_TRUE(Control(L"btn_start")->IsVisible());
  EXPECT_FALSE(Control(L"btn_install")->IsVisible());
  EXPECT_FALSE(Control(L"customLayout")->IsVisible());
  EXPECT_FALSE(fs::exists(Work("kelvane-download.exe")));
  EXPECT_FALSE(fs::exists(fs::path(frame_->ProgressFilePath())));
  ASSERT_FALSE(system_->opened.empty());
  EXPECT_EQ(system_->opened.back(), frame_->GetLanguage().GetInstallUrl());
  ASSERT_TRUE(Until([&] { return frame_->GetTaskbar()->GetState() == SkinUI::kTbpfNoProgress; }));
  EXPECT_EQ(system_->SentEvents(),
            (std::vector<AnalyticsEvent>{AnalyticsEvent::kStartInstall,
                                         AnalyticsEvent::kDownloaderInstalled,
                                         AnalyticsEvent::kInstalledSucceed}));

  Click(L"btn_start");
  ASSERT_EQ(system_->started_programs.size(), 1u);
  EXPECT_EQ(system_->started_programs[0], product + L"Wayvo.exe");
  ASSERT_TRUE(Until([&] { return !frame_->IsWindow(); }));
  EXPECT_TRUE(system_->box_texts.empty());
}

// Results -2 (the server stopped short), -3 and -4 all ask Abort / Retry / Ignore.
TEST_F(WindowTest, AFailedOrIncompleteDownloadAsksAbortRetryIgnore) {
  struct Case {
    std::int32_t result;
    int answer;
  };
  for (const Case& c : {Case{-2, SkinUI::kIdRetry}, Case{-4, SkinUI::kIdIgnore},
                        Case{-3, SkinUI::kIdAbort}, Case{-2, SkinUI::kIdAbort}}) {
    SCOPED_TRACE(testing::Message() << "result " << c.result << " answer " << c.answer);
    Prepare();
    Open();
    StartDownloading();
    system_->EmitProgress(50);
    system_->box_answers = {c.answer};
    system_->EndDownload(c.result);
    ASSERT_TRUE(Until([&] { return !system_->box_texts.empty(); }));
    EXPECT_EQ(system_->box_texts[0],
              L10n(L"STR_NETWORK_ERROR") + L"\n\n" + L10n(L"STR_OPERATE_TIP"));
    EXPECT_EQ(system_->box_types[0], SkinUI::kMbAbortRetryIgnore | SkinUI::kMbIconWarning);
    switch (c.answer) {
      case SkinUI::kIdRetry:
        ASSERT_TRUE(Until([&] { return system_->DownloadRuns() == 2; }));
        EXPECT_EQ(frame_->GetWindowState(), kWindow_Downloading);
        EXPECT_EQ(frame_->GetTaskbar()->GetState(), SkinUI::kTbpfError);
        EXPECT_EQ(Label(), L"40 %");  // the bar keeps its value until progress arrives
        break;
      case SkinUI::kIdIgnore:
        EXPECT_EQ(frame_->GetWindowState(), kWindow_Init);
        EXPECT_EQ(Label(), L"0 %");
        ASSERT_EQ(system_->opened.size(), 1u);
        EXPECT_EQ(system_->opened[0], frame_->GetDownloadUrlField());
        break;
      default:
        ASSERT_TRUE(Until([&] { return !frame_->IsWindow(); }));
        break;
    }
    TearDown();
  }
}

// A downloaded installer that does not match its published digest is deleted, never run.
TEST_F(WindowTest, AnInstallerFailingItsDigestIsNeverRun) {
  const std::optional<std::string> digests[] = {
      std::nullopt,  // nothing published, or the address cannot be reached
      std::string(64, '0') + "  kelvane-wayvo.exe\n",
      std::string("not a digest\n"),
  };
  for (const auto& digest : digests) {
    SCOPED_TRACE(digest ? *digest : "(none)");
    Prepare();
    Open();
    StartDownloading();
    std::ofstream(Work("kelvane-download.exe"), std::ios::binary) << "a replaced installer";
    system_->digest_text = digest;
    system_->box_answers = {SkinUI::kIdIgnore};
    system_->EndDownload(0);
    ASSERT_TRUE(Until([&] { return !system_->box_texts.empty(); }));
    EXPECT_EQ(system_->box_types[0], SkinUI::kMbAbortRetryIgnore | SkinUI::kMbIconWarning);
    EXPECT_FALSE(fs::exists(Work("kelvane-download.exe")));
    EXPECT_FALSE(system_->InstallerRunning());
    EXPECT_EQ(frame_->GetWindowState(), kWindow_Init);
    TearDown();
  }
}

TEST_F(WindowTest, TheSpaceCheckBeforeTheDownload) {
  struct Case {
    const char* what;
    bool free_known;
    std::uint32_t free_mb;
    bool downloads;
  };
  const Case cases[] = {
      {"250 MB free for 100 MiB", true, 250, false},
      {"exactly 300 MB free", true, 300, true},
      {"the free space unknown", false, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Prepare();
    system_->file_size = 100 << 20;
    system_->free_space_known = c.free_known;
    system_->free_mb = c.free_mb;
    Open();
    Click(L"btn_install");
    if (c.downloads) {
      ASSERT_TRUE(Until([&] { return system_->DownloadRuns() == 1; }));
      EXPECT_TRUE(system_->box_texts.empty());
    } else {
      ASSERT_TRUE(Until([&] { return !system_->box_texts.empty(); }));
      EXPECT_EQ(system_->box_texts[0], L10n(L"STR_STORAGE") + L" 300 MB");
      EXPECT_EQ(system_->box_types[0], SkinUI::kMbOk);
      EXPECT_EQ(frame_->GetWindowState(), kWindow_Init);
      EXPECT_EQ(Label(), L"0 %");
      EXPECT_EQ(system_->DownloadRuns(), 0);
    }
    TearDown();
  }
}

TEST_F(WindowTest, AnEmptyDownloadAddressOpensTheFailureBox) {
  Prepare();
  system_->url_info = L"[URL]\r\nSTR_DOWN_URL=\r\nSTR_DOWN_URL_X64=\r\n";
  system_->box_answers = {SkinUI::kIdIgnore};
  Open();
  Click(L"btn_install");
  ASSERT_TRUE(Until([&] { return !system_->box_texts.empty(); }));
  EXPECT_EQ(system_->box_types[0], SkinUI::kMbAbortRetryIgnore | SkinUI::kMbIconWarning);
  EXPECT_EQ(system_->DownloadRuns(), 0);
  EXPECT_EQ(frame_->GetWindowState(), kWindow_Init);
}

// The close request by state: which question, and what each answer does.
TEST_F(WindowTest, CloseAsksByState) {
  struct Case {
    const char* what;
    int state;  // reached before the close request
    int answer;
    const wchar_t* question;  // nullptr: no question
    bool closes;
  };
  const Case cases[] = {
      {"home, Yes", kWindow_Init, SkinUI::kIdYes, L"STR_CLOSE_TIP1", true},
      {"home, No", kWindow_Init, SkinUI::kIdNo, L"STR_CLOSE_TIP1", false},
      {"download, No", kWindow_Downloading, SkinUI::kIdNo, L"STR_CLOSE_TIP2", false},
      {"download, Yes", kWindow_Downloading, SkinUI::kIdYes, L"STR_CLOSE_TIP2", true},
      {"install, No", kWindow_Installing, SkinUI::kIdNo, L"STR_CLOSE_TIP2", false},
      {"install, Yes", kWindow_Installing, SkinUI::kIdYes, L"STR_CLOSE_TIP2", true},
      {"finish", kWindow_Finish, 0, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Prepare();
    Open();
    if (c.state == kWindow_Downloading) StartDownloading();
    if (c.state >= kWindow_Installing) ReachInstalling();
    if (c.state == kWindow_Finish) {
      system_->FinishInstaller();
      ASSERT_TRUE(Until([&] { return frame_->GetWindowState() == kWindow_Finish; }));
    }
    std::ofstream(Work("kelvane-download.exe.tmp")) << "partial";
    std::ofstream(Work("kelvane-download.exe.cfg")) << "resume";
    std::ofstream(Work("kelvane-download.exe")) << "installer";
    if (c.answer) system_->box_answers = {c.answer};
    frame_->SendMessage(SkinUI::kWmClose, 1, 0);
    if (c.question) {
      ASSERT_EQ(system_->box_texts.size(), 1u);
      EXPECT_EQ(system_->box_texts[0], L10n(c.question));
      EXPECT_EQ(system_->box_types[0], SkinUI::kMbYesNo | SkinUI::kMbIconQuestion);
    } else {
      EXPECT_TRUE(system_->box_texts.empty());
    }
    EXPECT_EQ(frame_->IsWindow(), !c.closes);
    if (c.closes) {
      EXPECT_FALSE(fs::exists(Work("kelvane-download.exe")));
      EXPECT_TRUE(fs::exists(Work("kelvane-download.exe.tmp")));  // a later run resumes
      EXPECT_TRUE(fs::exists(Work("kelvane-download.exe.cfg")));
    }
    if (c.state == kWindow_Downloading) {
      EXPECT_EQ(system_->StopCalls(), 1);
      // No: the download goes on (a new run resumes from the partial file).
      if (!c.closes) {
        ASSERT_TRUE(Until([&] { return system_->DownloadRuns() == 2; }));
      }
    }
    if (c.state == kWindow_Installing) {
      EXPECT_EQ(system_->killed, c.closes ? std::vector<platform::ProcessId>{4242}
                                          : std::vector<platform::ProcessId>{});
    }
    TearDown();
  }
}

// No to the close question starts the download again only once the stopped one has let go of
// its job: two downloads of one file never run at the same time.
TEST_F(WindowTest, TheDownloadGoesOnAfterNoOnlyOnceTheStoppedOneEnded) {
  Prepare();
  system_->hold_stopped_download = true;
  Open();
  StartDownloading();
  system_->box_answers = {SkinUI::kIdNo};
  frame_->SendMessage(SkinUI::kWmClose, 1, 0);
  ASSERT_EQ(system_->StopCalls(), 1);
  system_->ReleaseStoppedDownload();
  ASSERT_TRUE(Until([&] { return system_->DownloadRuns() == 2; }));
  EXPECT_EQ(system_->MostDownloadsAtOnce(), 1);
  EXPECT_EQ(frame_->GetWindowState(), kWindow_Downloading);

  // The new download is the one whose events count.
  system_->EmitProgress(25);
  ASSERT_TRUE(Until([&] { return Label() == L"20 %"; }));
}

TEST_F(WindowTest, ASecondCloseRequestWhileAskingIsIgnored) {
  Open();
  system_->box_answers = {SkinUI::kIdNo};
  system_->while_box_open = [&] { frame_->SendMessage(SkinUI::kWmClose, 1, 0); };
  frame_->SendMessage(SkinUI::kWmClose, 1, 0);
  EXPECT_EQ(system_->box_texts.size(), 1u);
  EXPECT_TRUE(frame_->IsWindow());
}

TEST_F(WindowTest, TheRunningProductQuestion) {
  for (const int answer : {SkinUI::kIdOk, SkinUI::kIdCancel}) {
    SCOPED_TRACE(answer);
    Prepare();
    system_->processes[L"Wayvo.exe"] = 77;
    system_->box_answers = {answer};
    Open();
    StartDownloading();
    FinishDownload();
    ASSERT_TRUE(Until([&] { return !system_->box_texts.empty(); }));
    EXPECT_EQ(system_->box_texts[0], L10n(L"STR_SOFT_RUN"));
    EXPECT_EQ(system_->box_types[0], SkinUI::kMbOkCancel | SkinUI::kMbIconWarning);
    if (answer == SkinUI::kIdOk) {
      ASSERT_TRUE(Until([&] { return system_->InstallerRunning(); }));
      EXPECT_EQ(system_->killed, std::vector<platform::ProcessId>{77});
    } else {
      ASSERT_TRUE(Until([&] { return !frame_->IsWindow(); }));
      EXPECT_FALSE(system_->InstallerRunning());
      EXPECT_FALSE(fs::exists(Work("kelvane-download.exe")));
    }
    TearDown();
  }
}

TEST_F(WindowTest, RightToLeftMirrorsTheBarAndShowsTheDefaultBanner) {
  Prepare(L"1025");
  Open();
  ASSERT_TRUE(frame_->GetLanguage().IsRightToLeft());
  frame_->SetProgress(30);
  EXPECT_EQ(Bar(), 70);
  EXPECT_EQ(Label(), L"30 %");
  EXPECT_EQ(Control(L"banner")->GetBkImage().file, L"img/default.png");
  frame_->SendMessage(SkinUI::kWmClose, 1, 0);
  ASSERT_EQ(system_->box_types.size(), 1u);
  EXPECT_EQ(system_->box_types[0], SkinUI::kMbYesNo | SkinUI::kMbIconQuestion | 0x190000u);
}

// The installer's progress file, as the bar and the label show it (the download's 80 % plus the
// installer's share of the rest).
TEST_F(WindowTest, TheProgressFileOnTheBarAndTheLabel) {
  Open();
  ReachInstalling();
  struct Case {
    const char* content;
    const wchar_t* label;
    int bar;
  };
  const Case cases[] = {
      {"57", L"91 %", 91},
      {"letters", L"80 %", 80},
      {"100", L"100 %", 100},
      {"150", L"110 %", 100},
      {"  42\n", L"88 %", 88},
      {"57abc", L"91 %", 91},
      {"9999999999", L"2000000079 %", 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    frame_->SetProgress(0);
    std::ofstream(fs::path(frame_->ProgressFilePath()), std::ios::trunc) << c.content;
    ASSERT_TRUE(Until([&] { return Label() == c.label; }));
    EXPECT_EQ(Bar(), c.bar);
  }
}

}  // namespace
