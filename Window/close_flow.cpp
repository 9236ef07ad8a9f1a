// How the window ends: Start Now, and the close request with its question by state.
#include "Window/main_frame.h"
#include "skinui/control.h"
#include "skinui/message_box.h"
#include "skinui/tab_layout.h"

namespace {

// Set while the quit question is on screen, so that a second request does not ask again.
bool g_quit_question_open = false;

}  // namespace

void CMainFrameWnd::StartNow() {
  const bool elevated = language_.IsRunAsAdmin();
  system_->RunProgram(install_root_ + language_.GetExeSubPath(), elevated);
  PostMessage(SkinUI::kWmClose, kCloseWithoutQuestion, 0);
}

SkinUI::LResult CMainFrameWnd::OnClose(SkinUI::MessageId msg, SkinUI::WParam wparam,
                                       SkinUI::LParam lparam, bool& handled) {
  if (wparam == kCloseWithoutQuestion) {
    CleanUpInstallFiles();
    return 0;
  }
  SkinUI::CControl* start = Find(L"btn_start");
  if (start && start->IsVisible()) {
    CleanUpInstallFiles();
    return 0;
  }
  auto* pages = dynamic_cast<SkinUI::CTabLayout*>(Find(L"switch"));
  if (!pages || g_quit_question_open) {
    handled = true;
    return 0;
  }
  g_quit_question_open = true;
  std::wstring text = language_.GetText(L"STR_CLOSE_TIP1");
  const int page = pages->GetCurSel();
  const bool was_downloading = download_active_;
  if (page == 1) {
    text = language_.GetText(L"STR_CLOSE_TIP2");
    StopDownload();  // at once, before the user has answered
  }
  const int answer = AskUser(text, SkinUI::kMbYesNo | SkinUI::kMbIconQuestion);
  g_quit_question_open = false;
  if (answer == SkinUI::kIdYes) {
    CleanUpInstallFiles();
    return 0;
  }
  handled = true;
  if (page == 1 && window_state_ == kWindow_Downloading && was_downloading) {
    RestartDownload();
  }
  return 0;
}

SkinUI::LResult CMainFrameWnd::OnDestroy(SkinUI::MessageId msg, SkinUI::WParam wparam,
                                         SkinUI::LParam lparam, bool& handled) {
  ui_->Close();
  SkinUI::PostQuitMessage(0);
  return 0;
}
