#include "Window/installer_system.h"

#include "common/banner_content.h"
#include "common/ga.h"
#include "common/system_utils.h"
#include "common/work_folder.h"
#include "skinui/folder_picker.h"
#include "skinui/message_box.h"
#include "skinui/native_window.h"
#include "tool/base_request.h"

namespace {

// A digest file is one line; anything longer is not one.
constexpr std::size_t kSmallTextLimit = 4096;

}  // namespace

void CInstallerSystem::InitWorkFolder(std::wstring& work_folder, LanguageManager& language) {
  ::InitWorkFolder(work_folder, language);
}

std::wstring CInstallerSystem::GetDefaultInstallRoot() { return ::GetDefaultInstallRoot(); }

int CInstallerSystem::MessageBox(SkinUI::CNativeWindow* owner, const std::wstring& text,
                                 const std::wstring& title, unsigned type) {
  return SkinUI::MessageBox(owner, text, title, type);
}

std::optional<std::wstring> CInstallerSystem::PickFolder(SkinUI::CNativeWindow* owner,
                                                         const std::wstring& title) {
  return SkinUI::PickFolder(owner, title);
}

bool CInstallerSystem::ShellOpen(SkinUI::CNativeWindow* owner, const std::wstring& target) {
  return ::ShellOpen(owner ? owner->GetHWND() : nullptr, target);
}

bool CInstallerSystem::GetRedirectUrl(const std::wstring& host, const std::wstring& path,
                                      std::wstring& url) {
  return ::GetRedirectUrl(host, path, url);
}

int CInstallerSystem::GetHttpFileSize(const std::wstring& url) { return ::GetHttpFileSize(url); }

bool CInstallerSystem::GetDiskFreeMB(const std::wstring& volume, std::uint32_t& megabytes) {
  return ::GetDiskFreeMB(volume, megabytes);
}

std::optional<std::string> CInstallerSystem::FetchSmallText(const std::wstring& url) {
  if (url.compare(0, 8, L"https://") != 0) return std::nullopt;
  CWinHttpRequest request;
  if (!request.OpenUrl(url)) return std::nullopt;
  const int status = request.GetStatusCode();
  if (status < 200 || status > 299) return std::nullopt;
  std::string text;
  if (!request.ReadBodyText(text, kSmallTextLimit)) return std::nullopt;
  return text;
}

bool CInstallerSystem::FindProcess(const std::wstring& image_name, platform::ProcessId& id) {
  return ::FindProcess(image_name, id);
}

bool CInstallerSystem::KillProcess(platform::ProcessId id) { return ::KillProcess(id); }

void CInstallerSystem::RunSilentInstaller(const std::wstring& installer,
                                          const std::wstring& install_root,
                                          const std::wstring& progress_file) {
  ::RunSilentInstaller(installer, install_root, progress_file);
}

void CInstallerSystem::RunProgram(const std::wstring& program, bool elevated) {
  ::RunProgram(program, elevated);
}

void CInstallerSystem::InitAnalytics(const std::wstring& collect_url, const std::wstring& title) {
  CGA* ga = CGA::GetInstance();
  ga->SetUrl(collect_url);
  ga->SetTitle(title);
}

bool CInstallerSystem::SendAnalytics(AnalyticsEvent event) {
  CGA* ga = CGA::GetInstance();
  switch (event) {
    case AnalyticsEvent::kStartInstall:
      return ga->SendStartInstall();
    case AnalyticsEvent::kDownloaderInstalled:
      return ga->SendDownloaderInstalled();
    case AnalyticsEvent::kInstalledSucceed:
      return ga->SendInstalledSucceed();
  }
  return false;
}

void CInstallerSystem::FetchBanners(CBannerContent& banners) { banners.FetchBanners(); }
