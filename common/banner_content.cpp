#include "common/banner_content.h"

#include <openssl/evp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "common/language_manager.h"
#include "common/system_utils.h"
#include "log/log.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tool/base_request.h"

namespace fs = std::filesystem;

// ---- the answer ------------------------------------------------------------------------------

std::string GetApiText(const std::wstring& url) {
  CWinHttpRequest request;
  if (!request.OpenUrl(url)) return std::string();
  const int status = request.GetStatusCode();
  if (status < 200 || status > 299) {
    KLOGA(kLogInfo, "banner api answered %d.", status);
    return std::string();
  }
  std::string text;
  if (!request.ReadBodyText(text, kBannerAnswerLimit)) {
    KLOGA(kLogInfo, "banner api answer unreadable or larger than %lu bytes.",
          static_cast<unsigned long>(kBannerAnswerLimit));
    return std::string();
  }
  return text;
}

std::string FileMD5(const std::wstring& path) {
  std::ifstream file(fs::path(path), std::ios::binary);
  if (!file) return std::string();
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return std::string();
  char buffer[4096];
  while (file) {
    file.read(buffer, sizeof(buffer));
    const auto got = file.gcount();
    if (got > 0 && EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(got)) != 1) {
      return std::string();
    }
  }
  if (file.bad()) return std::string();
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1) return std::string();
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof(pair), "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

// ---- the worker ------------------------------------------------------------------------------

namespace {

bool SameDigest(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// Downloads `url` into `path` (created anew), refusing more than kBannerPictureLimit bytes.
bool DownloadPicture(const std::wstring& url, const std::wstring& path, std::string& why) {
  CWinHttpRequest request;
  if (!request.OpenUrl(url)) {
    why = "no answer";
    return false;
  }
  const int status = request.GetStatusCode();
  if (status < 200 || status > 299) {
    why = "answered " + std::to_string(status);
    return false;
  }
  std::ofstream file(fs::path(path), std::ios::binary | std::ios::trunc);
  if (!file) {
    why = "cannot create the file";
    return false;
  }
  char buffer[4096];
  std::uint64_t total = 0;
  for (;;) {
    const int read = request.HttpRead(buffer, sizeof(buffer));
    if (read < 0) {
      why = "the answer broke off";
      return false;
    }
    if (read == 0) break;
    total += static_cast<std::uint64_t>(read);
    if (total > kBannerPictureLimit) {
      why = "larger than 4 MiB";
      return false;
    }
    if (!file.write(buffer, read)) {
      why = "cannot write the file";
      return false;
    }
  }
  if (!file.flush()) {
    why = "cannot write the file";
    return false;
  }
  return true;
}

void Remove(const std::wstring& path) {
  std::error_code ignored;
  fs::remove(fs::path(path), ignored);
}

}  // namespace

CBannerContent::CBannerContent(const LanguageManager& language, std::wstring language_folder,
                               IBannerView* view)
    : language_(language), language_folder_(std::move(language_folder)), view_(view) {}

std::wstring CBannerContent::PictureFolder() const {
  return language_folder_ + language_.GetLanguageName() + platform::kPathSeparator;
}

std::wstring CBannerContent::PicturePath(int n) const {
  return PictureFolder() + L"pr_" + std::to_wstring(n) + L".png";
}

void CBannerContent::FetchBanners() {
  FetchBannersFrom(language_.GetCarouselUrl(), PictureFolder(), nullptr);
}

void CBannerContent::FetchBannersFrom(const std::wstring& api_url, const std::wstring& folder,
                                      std::vector<std::string>* report) {
  KLOGA(kLogInfo, "get image start.");
  const std::string text = GetApiText(api_url);
  ApiResponse response;
  std::vector<ImageInfo> images;
  ParseApiResponse(response, images, text);
  if (response.code == 1) {
    banner_count = static_cast<int>(images.size());
    std::error_code ignored;
    fs::create_directories(fs::path(folder), ignored);
    int n = 0;
    for (const auto& image : images) {
      ++n;
      const std::wstring path = folder + L"pr_" + std::to_wstring(n) + L".png";
      const std::string number = std::to_string(n);
      if (FileExists(path) && SameDigest(FileMD5(path), image.md5)) {
        if (report) report->push_back(number + " current");
        continue;
      }
      if (FileExists(path)) Remove(path);
      // A picture is shown only once its digest matches the answer's, so it is checked beside
      // its place before it takes it.
      const std::wstring part = path + L".part";
      std::string why;
      const std::string path_text = platform::WideToUtf8(path);
      if (!DownloadPicture(platform::NarrowToWide(image.url), part, why)) {
        Remove(part);
        LogA(__PRETTY_FUNCTION__, __FILE__, __LINE__, kLogInfo,
             "download image failed, url[%s], filePath[%s].", image.url.c_str(), path_text.c_str());
        if (report) report->push_back(number + " failed: " + why);
        continue;
      }
      const std::string digest = FileMD5(part);
      if (digest.empty() || !SameDigest(digest, image.md5)) {
        Remove(part);
        KLOGA(kLogInfo, "image digest mismatch, url[%s], md5[%s], file md5[%s], deleted.",
              image.url.c_str(), image.md5.c_str(), digest.c_str());
        if (report)
          report->push_back(number + " failed: digest " + digest + " is not " + image.md5);
        continue;
      }
      std::error_code ec;
      fs::rename(fs::path(part), fs::path(path), ec);
      if (ec) {
        Remove(part);
        if (report) report->push_back(number + " failed: cannot move the file into place");
        continue;
      }
      if (report) report->push_back(number + " fetched");
    }
  } else if (report) {
    report->push_back(text.empty() ? "no answer"
                                   : "no list: code " + std::to_string(response.code));
  }
  images_ready.exchange(true);
  KLOGA(kLogInfo, "get image finished.");
}

bool CBannerContent::ShowBanner(int n, IBannerPicture* banner_control) {
  if (banner_control == nullptr) return false;
  const int count = banner_count.load();
  if (count != -1 && count < n) return false;
  if (n < 1) return false;
  const std::wstring path = PicturePath(n);
  if (!FileExists(path)) return false;
  if (view_ != nullptr) view_->SelectDot(L"option_" + std::to_wstring(n - 1));
  banner_index = n;
  banner_control->ShowPicture(path);
  return true;
}

void CBannerContent::ShowNextBanner() {
  IBannerPicture* banner = view_ != nullptr ? view_->FindPicture(L"banner") : nullptr;
  if (!ShowBanner(banner_index + 1, banner)) ShowBanner(1, banner);
}
